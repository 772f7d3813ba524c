// Opening hits with the real LibreOffice backend (run by scripts/test with
// SKARVO_OFFICE_TESTS=1): what is active while the closing message is on screen.
#include <gtest/gtest.h>

#include <cstdlib>

#include "editor_fakes.h"
#include "ops/open_hit.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/libreoffice_automation.h"
#include "search/row_text.h"
#include "search/search_text.h"
#include "support/fake_prompter.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

namespace skarvo::testing {
namespace {

// Reads what LibreOffice shows each time a message box would be on screen.
class ObservingUiPort : public FakeUiPort {
 public:
  LibreOfficeAutomation* office = nullptr;
  std::vector<std::string> seen;
  void ShowMessage(const std::string& text, const std::string& caption) override {
    FakeUiPort::ShowMessage(text, caption);
    seen.push_back(office->ActiveState().value_or("(none)"));
  }
};

TEST(OpenHitOfficeTest, ResultListDoubleClickShowsTheCellAndTheDocument) {
  if (!std::getenv("SKARVO_OFFICE_TESTS")) GTEST_SKIP() << "set SKARVO_OFFICE_TESTS=1";
  TempTree tree;
  tree.Folder("home");
  LibreOfficeAutomation::Options options;
  options.headless = true;
  options.profileFolder = tree.Native("") + "/profile";
  LibreOfficeAutomation office(options);
  ASSERT_TRUE(office.Available());
  ObservingUiPort port;
  port.office = &office;
  CheckList results;
  const std::string data = std::string(SKARVO_TEST_DATA) + "/office";
  // Rows as the search makes them, each text from its fields.
  const auto add = [&results](RowKind kind, const std::string& file, int sheet = -1) {
    CheckListRow row;
    row.kind = kind;
    row.header = kind == RowKind::kFileHeader;
    row.file = file;
    if (kind == RowKind::kCell) {
      row.lineText = Sjis("目印");
      row.sheet = sheet;
      row.cellRow = 6;
      row.cellColumn = 2;  // C7
    }
    row.text = ResultRowText(row);
    results.Insert(results.Count(), row);
  };
  add(RowKind::kFileHeader, data + "/sheets.xls");
  add(RowKind::kCell, data + "/sheets.xls", 2);
  add(RowKind::kCell, data + "/sheets.xls", 9);  // no such sheet
  add(RowKind::kFileHeader, data + "/letter.doc");
  // The zipped forms open the same way.
  const std::string zipped = std::string(SKARVO_TEST_DATA) + "/open_xml";
  add(RowKind::kFileHeader, zipped + "/lo_book.xlsx");
  add(RowKind::kCell, zipped + "/lo_book.xlsx", 2);
  add(RowKind::kFileHeader, zipped + "/lo_letter.docx");
  SearchState search;
  const std::string home = tree.Path("home");
  RecordingProcessPort processes;
  FakePrompter prompter(port);
  TOpenHit open(OpenHitParts{search, home, processes, prompter, [](const std::string&) {}});
  open.SetOffice(&office);
  for (int row : {1, 2, 3, 5, 6}) open.OpenResultRow(CheckListRow(results.Row(row)));
  // The warning comes while the workbook is open; the error report after it has closed.
  EXPECT_EQ(port.seen, (std::vector<std::string>{"2\tC7", "1\tA1", "(none)", "letter.doc", "2\tC7",
                                                 "lo_letter.docx"}));
  std::vector<std::string> messages;
  for (const auto& call : port.CallsOf("message")) messages.push_back(call.text);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          Sjis("Excelを終了します。"),
                          Sjis("該当セルの参照に失敗しました！シートをアクティブにします。"),
                          Sjis("ERROR#CL3DB"), Sjis("Wordを終了します。"),
                          Sjis("Excelを終了します。"), Sjis("Wordを終了します。")}));
  EXPECT_EQ(office.ActiveState(), std::nullopt);  // every private instance has ended
}

// The user changed the document while the closing message was on screen: "close" leaves it
// open with the change, for the user to save or drop in LibreOffice; an unchanged document
// is closed. The document file itself is never written.
TEST(OpenHitOfficeTest, AChangedDocumentIsNotClosedUnasked) {
  if (!std::getenv("SKARVO_OFFICE_TESTS")) GTEST_SKIP() << "set SKARVO_OFFICE_TESTS=1";
  TempTree tree;
  const std::string data = std::string(SKARVO_TEST_DATA) + "/office";
  for (const char* name : {"sheets.xls", "letter.doc"})
    tree.File(name, ReadWholeFile(data + "/" + name).value());
  LibreOfficeAutomation::Options options;
  options.headless = true;
  options.profileFolder = tree.Native("") + "/profile";
  LibreOfficeAutomation office(options);
  ASSERT_TRUE(office.Available());
  struct Row {
    const char* progId;
    const char* collection;
    const char* file;
    bool typed;
    std::optional<std::string> afterClose;
  } rows[] = {
      {"Excel.Application", "WorkBooks", "sheets.xls", true, "1\tA1\tmodified"},
      {"Excel.Application", "WorkBooks", "sheets.xls", false, std::nullopt},
      {"Word.Application", "documents", "letter.doc", true, "letter.doc\tmodified"},
      {"Word.Application", "documents", "letter.doc", false, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.file) + (row.typed ? " typed" : " untouched"));
    const std::string path = tree.Path(row.file);
    const std::string before = ReadWholeFile(path).value();
    OleObjectPtr app = office.CreateOleObject(row.progId);
    OleObjectPtr document = OleObject(
        OleObject(app->Invoke(row.collection, {}, {}))->Invoke("Open", {}, {{"FileName", path}}));
    if (row.typed) {
      ASSERT_TRUE(office.TypeText("edited"));
    }
    document->Invoke("close", {}, {});
    EXPECT_EQ(office.ActiveState(), row.afterClose);
    app->Invoke("Quit", {}, {});
    EXPECT_EQ(ReadWholeFile(path), before);
  }
}

}  // namespace
}  // namespace skarvo::testing
