// The text lines of a document (.docx): every paragraph of the body in order, those of
// tables and text boxes included. A text box's paragraphs sit inside a run of the paragraph
// that anchors it, so paragraphs are kept on a stack and each is reported as it closes.
#include "readers/open_xml.h"
#include "readers/open_xml_parts.h"
#include "readers/zip_package.h"

namespace skarvo {

namespace {

// A paragraph longer than this goes on in a new line, so one damaged paragraph cannot
// hold the whole part.
constexpr size_t kMaxLineBytes = size_t{16} << 20;

class DocumentHandler : public OfficeXmlHandler {
 public:
  explicit DocumentHandler(const DocxLineHandler& onLine)
      : OfficeXmlHandler("document"), onLine_(onLine) {}

 protected:
  void Start(std::string_view uri, std::string_view local, const XmlAttributes&) override {
    const bool word = IsWordNamespace(uri);
    const bool run = (word || IsMathNamespace(uri)) && local == "r";
    const bool inRun = !parents_.empty() && parents_.back();
    parents_.push_back(run);
    if (!word && !IsMathNamespace(uri)) return;
    if (word && local == "body") {
      inBody_ = true;
    } else if (!inBody_) {
      return;
    } else if (word && local == "p") {
      paragraphs_.emplace_back();
    } else if (paragraphs_.empty()) {
      return;
    } else if (local == "t") {
      collecting_ = true;
    } else if (word && inRun && (local == "tab" || local == "ptab")) {
      Append("\t");
    } else if (word && inRun && local == "noBreakHyphen") {
      Append("-");
    } else if (word && inRun && (local == "br" || local == "cr")) {
      EmitLine();
    }
  }

  void End(std::string_view uri, std::string_view local) override {
    if (!parents_.empty()) parents_.pop_back();
    const bool word = IsWordNamespace(uri);
    if (local == "t" && (word || IsMathNamespace(uri))) {
      collecting_ = false;
    } else if (word && local == "p" && inBody_ && !paragraphs_.empty()) {
      EmitLine();
      paragraphs_.pop_back();
    } else if (word && local == "body") {
      inBody_ = false;
    }
  }

  void Text(std::string_view text) override {
    if (collecting_ && !paragraphs_.empty()) Append(text);
  }

 private:
  void Append(std::string_view text) {
    std::string& line = paragraphs_.back();
    line.append(text);
    if (line.size() < kMaxLineBytes) return;
    // Cut before a UTF-8 continuation byte never: back up to a character's first byte.
    size_t cut = kMaxLineBytes;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    std::string rest = line.substr(cut);
    line.resize(cut);
    EmitLine();
    paragraphs_.back() = std::move(rest);
  }

  void EmitLine() {
    std::string& text = paragraphs_.back();
    std::string line = OfficeTextToCp932(text);
    text.clear();
    onLine_(line);
  }

  const DocxLineHandler& onLine_;
  std::vector<bool> parents_;  // for each open element: a run
  std::vector<std::string> paragraphs_;
  bool inBody_ = false;
  bool collecting_ = false;
};

}  // namespace

void ReadDocxLines(const std::string& path, const DocxLineHandler& onLine) {
  const std::unique_ptr<ZipPackage> package = ZipPackage::Open(path);
  ReadDocxLines(*package, onLine);
}

void ReadDocxLines(ZipPackage& package, const DocxLineHandler& onLine) {
  const std::string document = MainPartName(package, "word/document.xml");
  DocumentHandler handler(onLine);
  ParsePart(package, document, handler);
}

}  // namespace skarvo
