#include "ops/restore.h"

#include <set>

#include "ops/file_backup.h"
#include "ops/join_restore.h"
#include "ops/pending_replace.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/row_text.h"
#include "search/search_text.h"

namespace skarvo {

std::string RestoreReport(const std::string& path, bool ok) {
  return Sjis("ファイル") + "\"" + path + "\"" + (ok ? Sjis("の復元...OK") : Sjis("の復元...NG。"));
}

namespace {

// Each returns false when the user cancelled: the record stays for a later restore.

bool RestoreNarrowing(ResultSession& session, const NarrowingUndo& narrowing,
                      const RestoreLists& lists, Prompter& prompter) {
  if (!prompter.Confirm(Sjis("絞込前の状態に戻しますか？"))) return false;
  session.rows.Clear();
  lists.joinList.Clear();
  lists.targetList.Clear();
  for (const CheckListRow& row : narrowing.targetRows)
    lists.targetList.Insert(lists.targetList.Count(), row);
  session.undo = NoUndo{};
  lists.targets.SetTargetCount(lists.targetList.CheckedCount());
  return true;
}

bool RestoreOverwrite(ResultSession& session, const OverwriteRecord& record, Prompter& prompter) {
  if (!prompter.Confirm(Sjis("元の状態に戻しますか？？"))) return false;
  std::set<std::string> restored;
  for (const OverwrittenFile& file : record.files) {
    // A file the overwrite left alone holds what it held: nothing to put back.
    if (!file.written) continue;
    std::optional<std::string> now = ReadWholeFile(file.file);
    if (!now || DigestOf(*now) != file.writtenDigest) {
      const std::string question = "\"" + file.file + "\"" +
                                   Sjis("は上書きの後に変更されています。") + "\r\n" +
                                   Sjis("上書き前の内容に戻しますか？");
      if (!prompter.Confirm(question)) continue;
    }
    // The backup goes back only while it still holds what the file held before.
    const bool ok = RestoreFromBackup(file.backup, file.file, &file.originalDigest);
    prompter.Tell(RestoreReport(file.file, ok));
    if (ok) restored.insert(file.file);
  }
  session.undo = NoUndo{};
  // The rows of a file put back show its lines as found again.
  CheckList& rows = session.rows;
  bool inRestored = false;
  for (int i = 0; i < rows.Count(); ++i) {
    const CheckListRow& row = rows.Row(i);
    if (row.header) {
      inRestored = restored.count(row.file) > 0;
    } else if (inRestored && row.lineNo > 0) {
      rows.SetText(i, ResultRowText(row));
    }
  }
  return true;
}

}  // namespace

OpOutcome Restore(ResultSession& session, const RestoreLists& lists,
                  const TempFolderLedger& tempFolder, Prompter& prompter) {
  OpOutcome outcome;
  outcome.overwriteReady = false;
  outcome.restoreReady = false;
  if (!HasUndo(session)) {
    prompter.Tell(Sjis("やり直せません！！"));
    return outcome;
  }
  const bool done = std::visit(
      [&](auto& record) -> bool {
        using R = std::decay_t<decltype(record)>;
        if constexpr (std::is_same_v<R, NarrowingUndo>) {
          return RestoreNarrowing(session, record, lists, prompter);
        } else if constexpr (std::is_same_v<R, PendingReplaceUndo>) {
          TakeBackPendingReplace(session);
          return true;
        } else if constexpr (std::is_same_v<R, OverwriteUndo>) {
          // A copy: the restore ends the record it reads.
          const OverwriteRecord overwrite = record.record;
          return RestoreOverwrite(session, overwrite, prompter);
        } else if constexpr (std::is_same_v<R, CreatedFilesUndo>) {
          return RestoreCreatedFiles(session, tempFolder, prompter);
        } else {
          return true;
        }
      },
      session.undo);
  if (!done) outcome.restoreReady = true;
  return outcome;
}

}  // namespace skarvo
