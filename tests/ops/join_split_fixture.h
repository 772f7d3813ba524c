// A join list with its neighbours (target list, result session, settings file, temp folder,
// a prompter over a scripted port) in a home folder of its own, for the join and split
// tests. Outcomes go to the port's status text, the status timer and the mode, as the
// window maps them.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ops/join_restore.h"
#include "ops/join_split.h"
#include "platform/codepage.h"
#include "platform/core_timer.h"
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
        ops_(JoinSplitParts{session_, targetList_, joinList_, settings_,
                            ChoicesFromSettingsFile(home_), KeepInTempFolder(ledger_), prompter_,
                            JoinSplitWindow{[this](JoinUiCommand c, bool on) { enabled_[c] = on; },
                                            [this](bool on) { drag_ = on; },
                                            [this](std::string c) { caption_ = std::move(c); },
                                            [this] { ++joinPageShown_; }},
                            [this](const SplitPart& part, SplitPartEnd end) {
                              partEnds_.emplace_back(part.pointIndex, end);
                            }}) {}
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
  // Result rows as the search makes them.
  void Header(const std::string& path) {
    CheckListRow row(FileHeaderRowText(path), true);
    row.kind = RowKind::kFileHeader;
    row.file = path;
    resultList_.Insert(resultList_.Count(), std::move(row));
  }
  void Hit(const std::string& path, std::string text, bool checked, int64_t line,
           std::string lineText = {}) {
    CheckListRow row(std::move(text), false, checked, line, std::move(lineText));
    row.kind = RowKind::kTextLine;
    row.file = path;
    resultList_.Insert(resultList_.Count(), std::move(row));
  }
  // What the window does with an outcome.
  void Apply(const JoinSplitOutcome& outcome) {
    if (outcome.status) ui_.SetStatusText(*outcome.status);
    if (outcome.statusTimer) timer_.SetEnabled(true);
    if (outcome.mode) mode_ = *outcome.mode;
  }
  // The files a join or a split recorded, nullptr when the record is another.
  const CreatedFilesUndo* Created(CreatedFilesUndo::By by) const {
    const auto* created = std::get_if<CreatedFilesUndo>(&session_.undo);
    return created && created->by == by ? created : nullptr;
  }
  // Takes a join or a split back from a record (the session's unless given): the files in
  // the order written, each with whether a copy was kept; NoUndo once it went ahead.
  bool TakeBack(CreatedFilesUndo::By by, UndoRecord* record = nullptr) {
    UndoRecord& undo = record ? *record : session_.undo;
    const auto* created = std::get_if<CreatedFilesUndo>(&undo);
    if (!created || created->by != by) return false;
    // The window's restore, on a session that holds the record.
    ResultSession session;
    session.undo = undo;
    const bool done = RestoreCreatedFiles(session, ledger_, prompter_);
    if (done) undo = NoUndo{};
    return done;
  }
  // The split points the preparation keeps: "line" or "-line" for an unchecked one.
  std::vector<std::string> Points() const {
    std::vector<std::string> out;
    for (const SplitPoint& p : ops_.Prepared().points)
      out.push_back((p.checked ? "" : "-") + std::to_string(p.line));
    return out;
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
  CheckList targetList_, joinList_;
  ResultSession session_;
  CheckList& resultList_ = session_.rows;
  SearchState& search_ = session_.search;
  Settings settings_;
  TempFolderLedger ledger_;
  int mode_ = 1;
  CoreTimer timer_{5000, false};
  FakeUiPort ui_;
  FakePrompter prompter_{ui_};
  std::map<JoinUiCommand, bool> enabled_;
  bool drag_ = true;
  std::string caption_;
  int joinPageShown_ = 0;
  std::vector<std::pair<int, SplitPartEnd>> partEnds_;  // (point index, end) per part saved
  TJoinSplit ops_;
};

}  // namespace skarvo::testing
