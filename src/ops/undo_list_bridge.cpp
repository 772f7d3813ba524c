#include "ops/undo_list_bridge.h"

#include "ops/join_restore.h"
#include "platform/codepage.h"

namespace skarvo {

namespace {

const std::string& NarrowMarker() { return Sjis("絞込"); }
const std::string& ReplaceMarker() { return Sjis("置換"); }
const std::string& OverwriteMarker() { return Sjis("上書"); }

std::vector<CheckListRow> RowsBeforeMarker(const CheckList& list) {
  std::vector<CheckListRow> rows;
  for (int i = 0; i + 1 < list.Count(); ++i) rows.push_back(list.Row(i));
  return rows;
}

}  // namespace

void UndoListOf(const UndoRecord& record, CheckList& list) {
  list.Clear();
  auto addRows = [&list](const std::vector<CheckListRow>& rows) {
    for (const CheckListRow& row : rows) list.Insert(list.Count(), row);
  };
  std::visit(
      [&](const auto& r) {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, NarrowingUndo>) {
          addRows(r.targetRows);
          list.Add(NarrowMarker());
        } else if constexpr (std::is_same_v<R, PendingReplaceUndo>) {
          addRows(r.otherRows);
          list.Add(ReplaceMarker());
        } else if constexpr (std::is_same_v<R, OverwriteUndo>) {
          for (const OverwrittenFile& file : r.record.files) list.Add(file.backup);
          list.Add(OverwriteMarker());
        } else if constexpr (std::is_same_v<R, CreatedFilesUndo>) {
          for (const CreatedFile& file : r.files) list.Add(file.path, false, file.keptCopy);
          list.Add(r.by == CreatedFilesUndo::By::kJoin ? JoinMarker() : SplitMarker());
        }
      },
      record);
}

UndoRecord UndoRecordOf(const CheckList& list, const UndoRecord& kept) {
  if (list.Empty()) return NoUndo{};
  const std::string& marker = list.Text(list.Count() - 1);
  if (marker == NarrowMarker()) return NarrowingUndo{RowsBeforeMarker(list)};
  if (marker == ReplaceMarker()) return PendingReplaceUndo{RowsBeforeMarker(list)};
  if (marker == OverwriteMarker() && std::holds_alternative<OverwriteUndo>(kept)) return kept;
  const bool join = marker == JoinMarker();
  if (join || marker == SplitMarker()) {
    CreatedFilesUndo created{join ? CreatedFilesUndo::By::kJoin : CreatedFilesUndo::By::kSplit, {}};
    for (int i = 0; i + 1 < list.Count(); ++i)
      created.files.push_back(CreatedFile{list.Text(i), list.Checked(i)});
    return created;
  }
  return NoUndo{};
}

}  // namespace skarvo
