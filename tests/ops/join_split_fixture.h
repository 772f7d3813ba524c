// A join list with its neighbours (target, result and undo lists, settings file, temp
// folder, scripted port) in a home folder of its own, for the join and split tests.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "ops/join_restore.h"
#include "ops/join_split.h"
#include "ops/undo_list_bridge.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "support/fake_prompter.h"
#include "support/fake_ui_port.h"

namespace skarvo::testing {

class JoinSplitTest : public ::testing::Test {
 protected:
  JoinSplitTest()
      : home_(MakeHome()),
        ledger_(home_),
        ops_(JoinSplitParts{targetList_, resultList_, joinList_, undoList_, settings_, home_,
                            ledger_, mode_, search_, saveDialog_, timer_, ui_,
                            JoinSplitWindow{[this](JoinUiCommand c, bool on) { enabled_[c] = on; },
                                            [this](bool on) { drag_ = on; },
                                            [this](std::string c) { caption_ = std::move(c); },
                                            [this] { ++joinPageShown_; }}}) {}
  ~JoinSplitTest() override { DeleteFolderTree(home_); }

  static std::string MakeHome() {
    char tmpl[] = "/tmp/skarvo-join-XXXXXX";
    return ::mkdtemp(tmpl);
  }
  // The settings file's section "ファイル結合" (UTF-8 key=value lines).
  void JoinSettings(const std::string& utf8Lines) {
    std::ofstream(home_ + "/Skarvo.ini", std::ios::binary)
        << Sjis(("[ファイル結合]\n" + utf8Lines).c_str());
  }
  // A file in the home folder's "data" folder; returns its path.
  std::string Write(const std::string& name, const std::string& data) {
    CreateFolderPath(home_ + "/data");
    std::string path = home_ + "/data/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  static std::string Read(const std::string& path) {
    return ReadWholeFile(path).value_or("<none>");
  }
  // Puts the files into the target list under one folder row, checked.
  void Targets(const std::vector<std::string>& paths) {
    targetList_.Add(home_ + "/data", true);
    for (const std::string& p : paths) targetList_.Add(p, false, true);
  }
  std::vector<std::string> CallsOf(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& c : ui_.CallsOf(kind)) out.push_back(c.text);
    return out;
  }
  // The join list as "S text" (separator) / "+ text" / "- text".
  std::vector<std::string> JoinRows() const {
    std::vector<std::string> rows;
    for (const CheckListRow& r : joinList_.Rows())
      rows.push_back(std::string(r.header ? "S " : r.checked ? "+ " : "- ") + r.text);
    return rows;
  }

  std::string home_;
  CheckList targetList_, resultList_, joinList_, undoList_;
  Settings settings_;
  TempFolderLedger ledger_;
  int mode_ = 1;
  SearchState search_;
  FileChoiceRequest saveDialog_;
  CoreTimer timer_{5000, false};
  FakeUiPort ui_;
  std::map<JoinUiCommand, bool> enabled_;
  bool drag_ = true;
  std::string caption_;
  int joinPageShown_ = 0;
  TJoinSplit ops_;
};

// Takes back the join or the split undoList names (ended by marker) through the session's
// record, and leaves in undoList what the record then holds; false when the list does not
// end with marker or the user cancelled.
inline bool RestoreListed(CheckList& undoList, const std::string& marker,
                          const TempFolderLedger& ledger, FakeUiPort& ui) {
  if (undoList.Empty() || undoList.Text(undoList.Count() - 1) != marker) return false;
  ResultSession session;
  session.undo = UndoRecordOf(undoList, NoUndo{});
  FakePrompter prompter(ui);
  const bool went = RestoreCreatedFiles(session, ledger, prompter);
  UndoListOf(session.undo, undoList);
  return went;
}
inline bool RestoreJoin(CheckList& undoList, const TempFolderLedger& ledger, FakeUiPort& ui) {
  return RestoreListed(undoList, JoinMarker(), ledger, ui);
}
inline bool RestoreSplit(CheckList& undoList, const TempFolderLedger& ledger, FakeUiPort& ui) {
  return RestoreListed(undoList, SplitMarker(), ledger, ui);
}

}  // namespace skarvo::testing
