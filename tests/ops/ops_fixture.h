// A result session over a home folder of its own, with the scripted UI port: the search
// fills the session as the window's does, and the commands run the operations and show
// their outcomes as the window does.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "ops/file_backup.h"
#include "ops/narrow.h"
#include "ops/overwrite.h"
#include "ops/replace.h"
#include "ops/restore.h"
#include "ops/result_checks.h"
#include "ops/session_search.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "support/fake_prompter.h"
#include "support/fake_ui_port.h"

namespace skarvo::testing {

class OpsTest : public ::testing::Test {
 protected:
  OpsTest()
      : home_(MakeHome()),
        targets_(targetList_, settings_),
        ledger_(home_),
        backup_(ledger_.TempFolder(), &ledger_),
        stage_(SearchStageParts{grep_, xbiff_, readDoc_, ledger_}) {}
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

  // The window's build: the lists emptied, the progress and the count on the status bar.
  void Build(const std::string& folder, bool add = false) {
    resultList_.Clear();
    joinList_.Clear();
    const auto progress = [this](const std::string& text) { ui_.SetStatusText(text); };
    ui_.SetStatusText(targets_.Build(folder, add, progress).notice);
    timer_.SetEnabled(true);
  }
  // The search over the checked target rows, with the settings as they are.
  void Search(const std::string& text) {
    BeginSessionSearch(session_);
    resultList_.Clear();
    const SearchPattern pattern{text, settings_.useRegex, settings_.caseSensitive,
                                settings_.useFuzzyDictionary};
    try {
      stage_.SetPattern(pattern);
    } catch (const Exception& e) {
      // As the window's run: the engine's message, and no search is noted.
      ui_.ShowError(e.Message(), FakePrompter::Caption());
      return;
    }
    SessionSink sink(session_);
    stage_.Run(targetList_.Rows(), sink);
    NoteSearchDone(session_, pattern);
    resultList_.SetItemIndex(0);
    CollectOfficeFiles(session_);
    activePage_ = 0;
  }
  void Replace(const std::string& replacement) {
    ui_.inputAnswers.push_back(replacement);
    OnReplace();
  }

  // The commands, as the window runs them.
  void OnNarrow() { Show(Narrow(session_, targetList_, targets_)); }
  void OnReplace() {
    if (state_.searchText.empty()) {
      OpOutcome refused;
      refused.notice = NotSearchedYetText();
      return Show(refused);
    }
    const std::optional<std::string> replacement =
        prompter_.AskText(S("置換"), S("置き換える文字列を入力してください！"), std::string());
    if (replacement) Show(skarvo::Replace(session_, *replacement, awk_, prompter_));
  }
  void OnOverwrite() {
    restoreEnabled_ = false;
    Show(Overwrite(session_, backup_, awk_, prompter_));
  }
  void OnRestore() {
    restoreEnabled_ = overwriteEnabled_ = false;
    Show(Restore(session_, RestoreLists{targetList_, joinList_, targets_}, ledger_, prompter_));
  }
  void OnCheckFileHits(bool on) { Show(CheckFileHits(session_, on)); }
  void ClickResultCheck(int index) { Show(ClickResultCheckBox(session_, index)); }
  void Show(const OpOutcome& outcome) {
    if (outcome.overwriteReady) overwriteEnabled_ = *outcome.overwriteReady;
    if (outcome.restoreReady) restoreEnabled_ = *outcome.restoreReady;
    if (outcome.message) ui_.ShowMessage(*outcome.message, FakePrompter::Caption());
    if (outcome.page) activePage_ = *outcome.page;
    if (outcome.notice) {
      ui_.SetStatusText(*outcome.notice);
      timer_.SetEnabled(true);
    }
  }

  // The pending replace's other texts, in row order.
  std::vector<CheckListRow>& OtherRows() {
    return std::get<PendingReplaceUndo>(session_.undo).otherRows;
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
  static std::string S(const char* utf8) { return Sjis(utf8); }

  std::string home_;
  FakeUiPort ui_;
  FakePrompter prompter_{ui_};
  Settings settings_;
  ResultSession session_;
  CheckList& resultList_ = session_.rows;
  SearchState& state_ = session_.search;
  std::vector<std::string>& officeFiles_ = session_.officeFiles;
  CheckList targetList_, joinList_;
  CoreTimer timer_{5000, false};
  TargetFileList targets_;
  TGrep grep_;
  TXBiff xbiff_;
  TReadDoc readDoc_;
  TAWKStr awk_;
  TempFolderLedger ledger_;
  TFileBackup backup_;
  int activePage_ = 0;
  TSearchStage stage_;
  bool overwriteEnabled_ = false;
  bool restoreEnabled_ = false;
};

inline std::string S(const char* utf8) { return Sjis(utf8); }

}  // namespace skarvo::testing
