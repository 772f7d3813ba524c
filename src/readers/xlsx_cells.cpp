// The cells of a workbook (.xlsx): the workbook part lists the sheets in order, its
// relationships name each sheet's part and the shared strings; each worksheet's cells are
// streamed from its sheetData. Values are reported as the .xls reader reports the same
// stored values: numbers in its general form, TRUE/FALSE, error texts, strings as they are.
#include <algorithm>
#include <charconv>

#include "readers/biff_number_text.h"
#include "readers/open_xml.h"
#include "readers/open_xml_parts.h"
#include "readers/xbiff_strings.h"
#include "readers/zip_package.h"

namespace skarvo {

namespace {

// Text of elements being collected, cut at kMaxCellTextBytes.
void AppendCapped(std::string& to, std::string_view text) {
  if (to.size() < kMaxCellTextBytes) to.append(text.substr(0, kMaxCellTextBytes - to.size()));
}

// <workbook><sheets><sheet r:id=".."/>...: the relationship ids in order.
class WorkbookHandler : public OfficeXmlHandler {
 public:
  WorkbookHandler() : OfficeXmlHandler("workbook") {}
  std::vector<std::string> sheetIds;

 protected:
  void Start(std::string_view uri, std::string_view local, const XmlAttributes& attrs) override {
    if (local != "sheet" || !IsSpreadsheetNamespace(uri)) return;
    const char* id = attrs.Find("id");
    sheetIds.emplace_back(id ? id : "");
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}
};

// <sst><si>: a text, or rich runs of text; phonetic runs (<rPh>) are readings, not text.
class SharedStringsHandler : public OfficeXmlHandler {
 public:
  explicit SharedStringsHandler(SharedStringTable& table)
      : OfficeXmlHandler("sst"), table_(table) {}

 protected:
  void Start(std::string_view uri, std::string_view local, const XmlAttributes&) override {
    if (!IsSpreadsheetNamespace(uri)) return;
    if (local == "si") {
      inItem_ = true;
      text_.clear();
    } else if (local == "rPh") {
      ++phonetic_;
    } else if (local == "t") {
      collecting_ = inItem_ && phonetic_ == 0;
    }
  }
  void End(std::string_view uri, std::string_view local) override {
    if (!IsSpreadsheetNamespace(uri)) return;
    if (local == "t") {
      collecting_ = false;
    } else if (local == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (local == "si" && inItem_) {
      inItem_ = false;
      table_.Add(OfficeTextToCp932(UnescapeSheetText(text_)));
    }
  }
  void Text(std::string_view text) override {
    if (collecting_) AppendCapped(text_, text);
  }

 private:
  SharedStringTable& table_;
  std::string text_;
  bool inItem_ = false;
  bool collecting_ = false;
  int phonetic_ = 0;
};

// <worksheet><sheetData><row r><c r t><v/><is/></c>...
class SheetHandler : public OfficeXmlHandler {
 public:
  SheetHandler(int32_t sheetNo, const SharedStringTable& strings, const XlsxCellHandler& onCell)
      : OfficeXmlHandler("worksheet"), sheetNo_(sheetNo), strings_(strings), onCell_(onCell) {}

 protected:
  void Start(std::string_view uri, std::string_view local, const XmlAttributes& attrs) override {
    if (!IsSpreadsheetNamespace(uri)) return;
    if (local == "sheetData") {
      inData_ = true;
    } else if (!inData_) {
      return;
    } else if (local == "row") {
      // A row without its number follows the one before.
      const char* r = attrs.Find("r");
      int64_t number = 0;
      if (r) std::from_chars(r, r + std::char_traits<char>::length(r), number);
      row_ = number >= 1 && number <= 1048576 ? static_cast<int32_t>(number - 1) : row_ + 1;
      col_ = -1;
    } else if (local == "c") {
      const char* r = attrs.Find("r");
      int32_t row = 0, col = 0;
      if (r && ParseCellReference(r, row, col)) {
        row_ = row;
        col_ = col;
      } else {
        ++col_;  // a cell without its place follows the one before
      }
      const char* t = attrs.Find("t");
      type_ = t ? t : "n";
      value_.clear();
      inCell_ = true;
    } else if (!inCell_) {
      return;
    } else if (local == "v") {
      target_ = &value_;
    } else if (local == "is") {
      inInline_ = true;
    } else if (local == "rPh") {
      ++phonetic_;
    } else if (local == "t" && inInline_ && phonetic_ == 0) {
      target_ = &value_;
    }
  }

  void End(std::string_view uri, std::string_view local) override {
    if (!IsSpreadsheetNamespace(uri)) return;
    if (local == "v" || local == "t") {
      target_ = nullptr;
    } else if (local == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (local == "is") {
      inInline_ = false;
    } else if (local == "c" && inCell_) {
      inCell_ = false;
      target_ = nullptr;
      Report();
    } else if (local == "sheetData") {
      inData_ = false;
    }
  }

  void Text(std::string_view text) override {
    if (target_) AppendCapped(*target_, text);
  }

 private:
  void Report() {
    std::string text;
    if (type_ == "s") {
      size_t index = 0;
      const std::string_view digits = Trimmed(value_);
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
      if (ec != std::errc() || end != digits.data() + digits.size() || index >= strings_.Size())
        return;
      text = strings_.At(index);
    } else if (type_ == "b") {
      const std::string_view v = Trimmed(value_);
      if (v == "1" || v == "true")
        text = "TRUE";
      else if (v == "0" || v == "false")
        text = "FALSE";
      else
        return;
    } else if (type_ == "n") {
      const std::string_view v = Trimmed(value_);
      double number = 0;
      const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), number);
      text = !v.empty() && ec == std::errc() && end == v.data() + v.size() ? FormatBiffFloat(number)
                                                                           : OfficeTextToCp932(v);
    } else if (type_ == "e" || type_ == "d") {
      text = OfficeTextToCp932(Trimmed(value_));
    } else {
      // "str" (a formula's text result), "inlineStr" and any other: the text as stored.
      text = OfficeTextToCp932(UnescapeSheetText(value_));
    }
    if (!text.empty()) onCell_(sheetNo_, row_, col_, text);
  }

  static std::string_view Trimmed(std::string_view v) {
    const size_t first = v.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return v.substr(first, v.find_last_not_of(" \t\r\n") - first + 1);
  }

  int32_t sheetNo_;
  const SharedStringTable& strings_;
  const XlsxCellHandler& onCell_;
  bool inData_ = false, inCell_ = false, inInline_ = false;
  int phonetic_ = 0;
  int32_t row_ = -1, col_ = -1;
  std::string type_;
  std::string value_;
  std::string* target_ = nullptr;  // where text goes now
};

}  // namespace

void ReadXlsxCells(const std::string& path, const XlsxCellHandler& onCell) {
  const std::unique_ptr<ZipPackage> package = ZipPackage::Open(path);
  ReadXlsxCells(*package, onCell);
}

void ReadXlsxCells(ZipPackage& package, const XlsxCellHandler& onCell) {
  const std::string workbook = MainPartName(package, "xl/workbook.xml");
  WorkbookHandler sheets;
  ParsePart(package, workbook, sheets);
  const std::vector<OpenXmlRelationship> relationships = ReadRelationships(package, workbook);
  SharedStringTable strings;
  for (const OpenXmlRelationship& r : relationships) {
    if (!IsRelationshipKind(r.type, "sharedStrings") || !package.Has(r.target)) continue;
    SharedStringsHandler handler(strings);
    ParsePart(package, r.target, handler);
    break;
  }
  // Sheets count as the .xls reader counts them: worksheets only, chart and dialog sheets
  // neither read nor numbered.
  int32_t sheetNo = 0;
  for (const std::string& id : sheets.sheetIds) {
    const auto r = std::find_if(relationships.begin(), relationships.end(),
                                [&](const OpenXmlRelationship& x) { return x.id == id; });
    if (r == relationships.end() || !IsRelationshipKind(r->type, "worksheet")) continue;
    ++sheetNo;
    // A sheet listed without its part holds no cells.
    if (!package.Has(r->target)) continue;
    SheetHandler handler(sheetNo, strings, onCell);
    ParsePart(package, r->target, handler);
  }
}

}  // namespace skarvo
