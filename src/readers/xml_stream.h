// A streaming XML reader over expat: the text is fed in pieces as it is unzipped and each
// element's start, end and text reach a handler at once, so a part of any size costs only
// what the handler keeps. Names come with their namespace resolved ("uri" and "local").
// Documents with a document type declaration are refused: office parts never have one,
// and without it no entity can expand.
#pragma once

#include <exception>
#include <memory>
#include <string_view>

namespace skarvo {

// One attribute list of a start tag: pairs of resolved name and value, as expat gives them.
class XmlAttributes {
 public:
  explicit XmlAttributes(const char** pairs) : pairs_(pairs) {}
  // The value of the attribute with this local name (any namespace), or null.
  const char* Find(std::string_view local) const;

 private:
  const char** pairs_;
};

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void OnStart(std::string_view uri, std::string_view local,
                       const XmlAttributes& attributes) = 0;
  virtual void OnEnd(std::string_view uri, std::string_view local) = 0;
  virtual void OnText(std::string_view text) = 0;
};

class XmlStream {
 public:
  explicit XmlStream(XmlHandler& handler);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Parses the next piece; last marks the end of the document. Throws EPackageRefused
  // (DamagedPackageText) for text that is not well-formed XML; an exception thrown by the
  // handler stops the parse and comes out here.
  void Feed(std::string_view piece, bool last);

 private:
  struct Parser;
  std::unique_ptr<Parser> parser_;
};

// The local part of a resolved name ("uri|local" or "local").
std::string_view XmlLocalName(std::string_view name);

}  // namespace skarvo
