// What the workbook and document readers share: the package's relationships, the main
// part, and a handler base that passes over what office readers must not see twice.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "readers/xml_stream.h"

namespace skarvo {

class ZipPackage;

struct OpenXmlRelationship {
  std::string id;
  std::string type;
  std::string target;  // the part's name in the package, resolved
};

// The relationships of a part ("" for the package's own); none when it has no such part.
std::vector<OpenXmlRelationship> ReadRelationships(ZipPackage& package, std::string_view part);
// The part a relationship target names, relative to the part that holds it.
std::string ResolvePartName(std::string_view fromPart, std::string_view target);
// True when a relationship type ends in "/" + kind.
bool IsRelationshipKind(std::string_view type, std::string_view kind);
// The package's main part (the office document relationship's target, else fallback);
// throws EPackageRefused(NotOfficePackageText) when there is none.
std::string MainPartName(ZipPackage& package, std::string_view fallback);

// A handler that checks the root element's name and leaves out the fallback branch of
// alternate content, whose text repeats the chosen branch's.
class OfficeXmlHandler : public XmlHandler {
 public:
  explicit OfficeXmlHandler(std::string_view root) : root_(root) {}
  void OnStart(std::string_view uri, std::string_view local, const XmlAttributes& attrs) final;
  void OnEnd(std::string_view uri, std::string_view local) final;
  void OnText(std::string_view text) final;

 protected:
  virtual void Start(std::string_view uri, std::string_view local, const XmlAttributes& attrs) = 0;
  virtual void End(std::string_view uri, std::string_view local) = 0;
  virtual void Text(std::string_view text) = 0;

 private:
  std::string_view root_;
  bool rootSeen_ = false;
  size_t fallbackDepth_ = 0;  // >0 inside a fallback branch
};

// Parses a part of the package with handler.
void ParsePart(ZipPackage& package, std::string_view part, XmlHandler& handler);

// Namespaces, by the ends of their names (transitional and strict forms alike).
bool IsSpreadsheetNamespace(std::string_view uri);
bool IsWordNamespace(std::string_view uri);
bool IsMathNamespace(std::string_view uri);

// The longest text a cell keeps, in bytes: far more than a cell can hold.
inline constexpr size_t kMaxCellTextBytes = size_t{16} << 20;

}  // namespace skarvo
