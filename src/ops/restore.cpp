#include "ops/restore.h"

#include <set>

#include "ops/join_restore.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "results/result_rules.h"
#include "search/search_text.h"

namespace skarvo {

namespace {

// A question was cancelled: the operation can still be taken back later.
void KeepRestorable(const OpsCommandSwitches& switches) {
  if (switches.enableRestore) switches.enableRestore(true);
}

}  // namespace

std::string RestoreReport(const std::string& path, bool ok) {
  return Sjis("ファイル") + "\"" + path + "\"" + (ok ? Sjis("の復元...OK") : Sjis("の復元...NG。"));
}

void RestoreNarrowing(OpsParts& p, const OpsCommandSwitches& switches) {
  if (!p.port.Confirm(Sjis("絞込前の状態に戻しますか？"), OpsCaption()))
    return KeepRestorable(switches);
  p.resultList.Clear();
  p.joinList.Clear();
  p.targetList.Clear();
  for (int i = 0; i + 1 < p.undoList.Count(); ++i)
    p.targetList.Insert(p.targetList.Count(), p.undoList.Row(i));
  p.undoList.Clear();
  p.targets.SetTargetCount(p.targetList.CheckedCount());
}

void RestoreReplace(OpsParts& p) {
  UndoPendingReplace(p.resultList, p.undoList, p.state.replaceText, p.state.replacePending);
}

void RestoreJoinNewFiles(OpsParts& p, const OpsCommandSwitches& switches) {
  if (!RestoreJoin(p.undoList, p.tempFolder, p.port)) KeepRestorable(switches);
}

void RestoreSplitNewFiles(OpsParts& p, const OpsCommandSwitches& switches) {
  if (!RestoreSplit(p.undoList, p.tempFolder, p.port)) KeepRestorable(switches);
}

void RestoreOverwrite(OpsParts& p, const OpsCommandSwitches& switches,
                      const OverwriteRecord& record) {
  if (!p.port.Confirm(Sjis("元の状態に戻しますか？？"), OpsCaption()))
    return KeepRestorable(switches);
  // The record belongs to this undo list only when it names the same backups in order.
  bool matches = record.files.size() + 1 == static_cast<size_t>(p.undoList.Count());
  for (size_t i = 0; matches && i < record.files.size(); ++i)
    matches = record.files[i].backup == p.undoList.Text(static_cast<int>(i));
  if (!matches) {
    for (int i = 0; i + 1 < p.undoList.Count(); ++i)
      p.port.ShowMessage(RestoreReport(p.undoList.Text(i), false), OpsCaption());
    p.undoList.Clear();
    return;
  }
  std::set<std::string> restored;
  for (const OverwrittenFile& file : record.files) {
    // A file the overwrite left alone holds what it held: nothing to put back.
    if (!file.written) continue;
    std::optional<std::string> now = ReadWholeFile(file.file);
    if (!now || DigestOf(*now) != file.writtenDigest) {
      const std::string question = "\"" + file.file + "\"" +
                                   Sjis("は上書きの後に変更されています。") + "\r\n" +
                                   Sjis("上書き前の内容に戻しますか？");
      if (!p.port.Confirm(question, OpsCaption())) continue;
    }
    const bool ok = RestoreFromBackup(file.backup, file.file);
    p.port.ShowMessage(RestoreReport(file.file, ok), OpsCaption());
    if (ok) restored.insert(file.file);
  }
  p.undoList.Clear();
  // The rows of a file put back show its lines as found again.
  bool inRestored = false;
  for (int i = 0; i < p.resultList.Count(); ++i) {
    const CheckListRow& row = p.resultList.Row(i);
    if (row.header) {
      inRestored = restored.count(HeaderRowPath(row.text)) > 0;
    } else if (inRestored && row.lineNo > 0) {
      // Only text files are written, so their rows are text hit rows.
      p.resultList.SetText(i, TextHitRowText(row.lineNo, row.lineText));
    }
  }
}

TRestore::TRestore(const OverwriteRecord* record) {
  handlers_[Sjis("絞込")] = RestoreNarrowing;
  handlers_[Sjis("置換")] = [](OpsParts& p, const OpsCommandSwitches&) { RestoreReplace(p); };
  handlers_[Sjis("結合")] = RestoreJoinNewFiles;
  handlers_[Sjis("分割")] = RestoreSplitNewFiles;
  handlers_[Sjis("上書")] = [record](OpsParts& p, const OpsCommandSwitches& s) {
    RestoreOverwrite(p, s, *record);
  };
}

void TRestore::SetHandler(const std::string& marker, RestoreHandler handler) {
  handlers_[marker] = std::move(handler);
}

void TRestore::Run(OpsParts& p, const OpsCommandSwitches& switches) const {
  if (switches.enableRestore) switches.enableRestore(false);
  if (switches.enableOverwrite) switches.enableOverwrite(false);
  if (p.undoList.Empty()) {
    p.port.ShowMessage(Sjis("やり直せません！！"), OpsCaption());
    return;
  }
  auto it = handlers_.find(p.undoList.Text(p.undoList.Count() - 1));
  if (it != handlers_.end() && it->second) it->second(p, switches);
}

bool TRestore::HasWorkFor(const CheckList& undoList) const {
  if (undoList.Empty()) return false;
  auto it = handlers_.find(undoList.Text(undoList.Count() - 1));
  return it != handlers_.end() && it->second;
}

}  // namespace skarvo
