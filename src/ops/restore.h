// The restore (Repeat1Click, undoBClick): takes back the last undoable operation, as the
// marker row at the end of the undo list names it. Each marker has its own function, and
// TRestore holds one handler per marker, so an operation that keeps more than the undo
// list says (the join and the split over existing files) can plug in its own restore.
//
//   "絞込"  the target list as it was before the narrowing (after "絞込前の状態に戻しますか？")
//   "置換"  the pending replace taken back, without a question
//   "結合"  the files the join created deleted (after "新規ファイルを消去しますか？")
//   "分割"  the files the split created deleted (after "更新しますか？")
//   "上書"  every file the overwrite wrote put back from its backup, byte for byte and
//           atomically (after "元の状態に戻しますか？？"); a file that no longer holds what
//           the overwrite wrote is put back only when the user agrees for that file; the
//           result rows of the files put back show their lines as found again
#pragma once

#include <functional>
#include <map>
#include <string>

#include "ops/ops_parts.h"
#include "ops/overwrite.h"

namespace skarvo {

// The restore of one marker. It runs after the restore commands and the overwrite commands
// have been disabled and with a non-empty undo list ending in its marker.
using RestoreHandler = std::function<void(OpsParts& parts, const OpsCommandSwitches& switches)>;

// The restores of the markers.
void RestoreNarrowing(OpsParts& parts, const OpsCommandSwitches& switches);
void RestoreReplace(OpsParts& parts);
// "結合" / "分割": each undo row but the marker is a file the operation created.
void RestoreJoinNewFiles(OpsParts& parts, const OpsCommandSwitches& switches);
void RestoreSplitNewFiles(OpsParts& parts, const OpsCommandSwitches& switches);
// "上書": record is what the overwrite did; when it does not match the undo list's backup
// paths (it is not that overwrite's record) nothing is written and every row is reported NG.
void RestoreOverwrite(OpsParts& parts, const OpsCommandSwitches& switches,
                      const OverwriteRecord& record);

// The report of one file put back: "ファイル"<path>"の復元...OK" or "...の復元...NG。".
std::string RestoreReport(const std::string& path, bool ok);

class TRestore {
 public:
  // The handlers of "絞込", "置換", "結合" and "分割", and of "上書" over *record (which must
  // outlive this object).
  explicit TRestore(const OverwriteRecord* record);

  // Replaces the handler of a marker (CP932 text).
  void SetHandler(const std::string& marker, RestoreHandler handler);

  // The restore: disables the restore and overwrite commands; an empty undo list shows
  // "やり直せません！！"; otherwise the handler of the last row's marker runs (any other last
  // row: nothing happens).
  void Run(OpsParts& parts, const OpsCommandSwitches& switches) const;
  // True when Run would take something back: undoList ends in a marker with a handler.
  bool HasWorkFor(const CheckList& undoList) const;

 private:
  std::map<std::string, RestoreHandler> handlers_;
};

}  // namespace skarvo
