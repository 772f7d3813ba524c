// The pieces of a main window around the search run and the operations on results, in a
// home folder of its own, with the scripted UI port.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/search_triggers.h"
#include "ops/result_operations.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "support/fake_ui_port.h"

namespace skarvo::testing {

class OpsTest : public ::testing::Test {
 protected:
  OpsTest()
      : home_(MakeHome()),
        targets_(TargetListParts{targetList_, undoList_, resultList_, joinList_, folderHistory_,
                                 settings_, folderDialog_, timer_, ui_}),
        ledger_(home_),
        stage_(SearchStageParts{grep_, xbiff_, readDoc_, ledger_}),
        run_(SearchRunParts{targetList_, resultList_, undoList_, cellTexts_, cellLabels_,
                            searchHistory_, folderHistory_, settings_, targets_, stage_, state_,
                            activePage_, timer_, ui_}),
        ops_(OpsParts{targetList_, resultList_, joinList_, undoList_, cellTexts_, state_, awk_,
                      targets_, ledger_, activePage_, timer_, ui_},
             OpsCommandSwitches{[this](bool on) { overwriteEnabled_ = on; },
                                [this](bool on) { restoreEnabled_ = on; }}) {}
  ~OpsTest() override { DeleteFolderTree(home_); }

  static std::string MakeHome() {
    char tmpl[] = "/tmp/skarvo-ops-XXXXXX";
    return ::mkdtemp(tmpl);
  }
  // A file under home + "/data" (folders made as needed); returns its path.
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = Data() + "/" + name;
    CreateFolderPath(path.substr(0, path.rfind('/')));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Data() const { return home_ + "/data"; }
  static std::string Read(const std::string& path) {
    return ReadWholeFile(path).value_or("<none>");
  }
  std::string BackupOf(const std::string& path) const { return home_ + "/Temp" + path; }

  void Build(const std::string& folder) {
    folderHistory_.SetItems({folder});
    folderHistory_.SetItemIndex(0);
    targets_.BuildTargetList(false);
  }
  void Search(const std::string& text) {
    searchHistory_.SetText(text);
    run_.SearchToolButtonClick();
  }
  void Replace(const std::string& replacement) {
    ui_.inputAnswers.push_back(replacement);
    ops_.Replace1Click();
  }
  // The rows as "H text", "+ text", "- text".
  static std::vector<std::string> Rows(const CheckList& list) {
    std::vector<std::string> rows;
    for (const CheckListRow& r : list.Rows())
      rows.push_back(std::string(r.header ? "H " : r.checked ? "+ " : "- ") + r.text);
    return rows;
  }
  // The texts of the calls of one kind.
  std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& c : ui_.CallsOf(kind)) out.push_back(c.text);
    return out;
  }
  int RowOf(const std::string& text) const {
    for (int i = 0; i < resultList_.Count(); ++i)
      if (resultList_.Text(i) == text) return i;
    return -1;
  }

  std::string home_;
  FakeUiPort ui_;
  Settings settings_;
  CheckList targetList_, resultList_, joinList_, undoList_;
  HistoryBox searchHistory_, folderHistory_;
  std::vector<std::string> cellTexts_, cellLabels_;
  TSelectFolderDialog folderDialog_;
  CoreTimer timer_{5000, false};
  TargetFiles targets_;
  TGrep grep_;
  TXBiff xbiff_;
  TReadDoc readDoc_;
  TAWKStr awk_;
  TempFolderLedger ledger_;
  SearchState state_;
  int activePage_ = 0;
  TSearchStage stage_;
  TSearchRun run_;
  bool overwriteEnabled_ = false;
  bool restoreEnabled_ = false;
  TResultOperations ops_;
};

inline std::string S(const char* utf8) { return Sjis(utf8); }

}  // namespace skarvo::testing
