// The package side of the zipped office files: relationships, the main part, the checks of
// every part's root, and the texts' conversion.
#include "readers/open_xml.h"

#include <algorithm>
#include <optional>

#include "platform/codepage.h"
#include "readers/open_xml_parts.h"
#include "readers/package_refusal.h"
#include "readers/zip_package.h"

namespace skarvo {

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

constexpr std::string_view kCompatibilityNamespace =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";

// <Relationship Id Type Target TargetMode/> of a relationships part; external targets (web
// addresses and files elsewhere) are no parts and are left out.
class RelationshipsHandler : public OfficeXmlHandler {
 public:
  RelationshipsHandler(std::string_view source, std::vector<OpenXmlRelationship>& out)
      : OfficeXmlHandler("Relationships"), source_(source), out_(out) {}

 protected:
  void Start(std::string_view, std::string_view local, const XmlAttributes& attrs) override {
    if (local != "Relationship") return;
    const char* id = attrs.Find("Id");
    const char* type = attrs.Find("Type");
    const char* target = attrs.Find("Target");
    const char* mode = attrs.Find("TargetMode");
    if (!id || !type || !target || (mode && std::string_view(mode) == "External")) return;
    out_.push_back({id, type, ResolvePartName(source_, target)});
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}

 private:
  std::string_view source_;
  std::vector<OpenXmlRelationship>& out_;
};

}  // namespace

bool IsOpenXmlPath(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot);
  return EqualsNoCase(ext, ".xlsx") || EqualsNoCase(ext, ".docx");
}

std::string OfficeTextToCp932(std::string_view utf8) { return Utf8ToCp932Lossy(utf8); }

bool ParseCellReference(std::string_view ref, int32_t& row, int32_t& col) {
  // The largest sheet has 16384 columns (XFD) and 1048576 rows.
  size_t i = 0;
  int64_t c = 0;
  while (i < ref.size() && i < 3 && ref[i] >= 'A' && ref[i] <= 'Z')
    c = c * 26 + (ref[i++] - 'A' + 1);
  if (i == 0 || i == ref.size() || c > 16384) return false;
  int64_t r = 0;
  const size_t digits = i;
  while (i < ref.size() && ref[i] >= '0' && ref[i] <= '9' && i - digits < 7)
    r = r * 10 + (ref[i++] - '0');
  if (i != ref.size() || r < 1 || r > 1048576) return false;
  row = static_cast<int32_t>(r - 1);
  col = static_cast<int32_t>(c - 1);
  return true;
}

std::string UnescapeSheetText(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size();) {
    // _xHHHH_: one UTF-16 unit; a surrogate pair comes as two escapes.
    auto unitAt = [&](size_t at) -> std::optional<uint32_t> {
      if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
        return std::nullopt;
      uint32_t u = 0;
      for (size_t k = 2; k < 6; ++k) {
        const int h = hex(text[at + k]);
        if (h < 0) return std::nullopt;
        u = u * 16 + static_cast<uint32_t>(h);
      }
      return u;
    };
    std::optional<uint32_t> unit = unitAt(i);
    if (!unit) {
      out.push_back(text[i++]);
      continue;
    }
    uint32_t cp = *unit;
    size_t used = 7;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      const std::optional<uint32_t> low = unitAt(i + 7);
      if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00);
        used = 14;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half stands for nothing
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    i += used;
  }
  return out;
}

bool IsSpreadsheetNamespace(std::string_view uri) {
  return EndsWith(uri, "/spreadsheetml/2006/main") || EndsWith(uri, "/spreadsheetml/main");
}
bool IsWordNamespace(std::string_view uri) {
  return EndsWith(uri, "/wordprocessingml/2006/main") || EndsWith(uri, "/wordprocessingml/main");
}
bool IsMathNamespace(std::string_view uri) {
  return EndsWith(uri, "/officeDocument/2006/math") || EndsWith(uri, "/officeDocument/math");
}

void OfficeXmlHandler::OnStart(std::string_view uri, std::string_view local,
                               const XmlAttributes& attrs) {
  if (!rootSeen_) {
    rootSeen_ = true;
    if (local != root_) throw EPackageRefused(NotOfficePackageText());
  }
  if (fallbackDepth_ > 0 || (local == "Fallback" && uri == kCompatibilityNamespace)) {
    ++fallbackDepth_;
    return;
  }
  Start(uri, local, attrs);
}

void OfficeXmlHandler::OnEnd(std::string_view uri, std::string_view local) {
  if (fallbackDepth_ > 0) {
    --fallbackDepth_;
    return;
  }
  End(uri, local);
}

void OfficeXmlHandler::OnText(std::string_view text) {
  if (fallbackDepth_ == 0) Text(text);
}

void ParsePart(ZipPackage& package, std::string_view part, XmlHandler& handler) {
  XmlStream stream(handler);
  package.Read(part, [&](std::string_view piece, bool last) { stream.Feed(piece, last); });
}

std::string ResolvePartName(std::string_view fromPart, std::string_view target) {
  std::vector<std::string_view> parts;
  auto push = [&](std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
      size_t slash = path.find('/', start);
      if (slash == std::string_view::npos) slash = path.size();
      const std::string_view piece = path.substr(start, slash - start);
      if (piece == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!piece.empty() && piece != ".") {
        parts.push_back(piece);
      }
      start = slash + 1;
    }
  };
  if (target.empty() || target.front() != '/') {
    // Relative to the folder of the part that names it.
    const size_t slash = fromPart.rfind('/');
    if (slash != std::string_view::npos) push(fromPart.substr(0, slash));
  }
  push(target);
  std::string name;
  for (std::string_view piece : parts) {
    if (!name.empty()) name += '/';
    name.append(piece);
  }
  return name;
}

bool IsRelationshipKind(std::string_view type, std::string_view kind) {
  return type.size() > kind.size() && EndsWith(type, kind) &&
         type[type.size() - kind.size() - 1] == '/';
}

std::vector<OpenXmlRelationship> ReadRelationships(ZipPackage& package, std::string_view part) {
  std::string name;
  const size_t slash = part.rfind('/');
  if (slash != std::string_view::npos) name.append(part.substr(0, slash + 1));
  name += "_rels/";
  name.append(slash == std::string_view::npos ? part : part.substr(slash + 1));
  name += ".rels";
  std::vector<OpenXmlRelationship> relationships;
  if (!package.Has(name)) return relationships;
  RelationshipsHandler handler(part, relationships);
  ParsePart(package, name, handler);
  return relationships;
}

std::string MainPartName(ZipPackage& package, std::string_view fallback) {
  for (const OpenXmlRelationship& r : ReadRelationships(package, ""))
    if (IsRelationshipKind(r.type, "officeDocument") && package.Has(r.target)) return r.target;
  if (package.Has(fallback)) return std::string(fallback);
  throw EPackageRefused(NotOfficePackageText());
}

}  // namespace skarvo
