// ResultSession: what a search leaves and the operations on results work on: the result
// rows, the search state, the office files with hits, and the record of the last operation
// that can be taken back. The window and skarvo-cli each own one; the operations take it
// with their own input and a Prompter, and return an OpOutcome for the caller to show.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ops/overwrite_record.h"
#include "search/search_run.h"
#include "targets/check_list.h"

namespace skarvo {

// A narrowing: the target list's rows as they were before it.
struct NarrowingUndo {
  std::vector<CheckListRow> targetRows;
};
// A replace waiting for the overwrite: otherRows[i] holds what result row i does not show
// (the replaced text of an unchecked hit, the found text of a checked one) and the check
// the row had when the replace was made; the list pairs with the result rows by index.
struct PendingReplaceUndo {
  std::vector<CheckListRow> otherRows;
};
// An overwrite: every file it backed up, and what it wrote there.
struct OverwriteUndo {
  OverwriteRecord record;
};
// A join or a split: the files it wrote; keptCopy when the file was there before and its
// old bytes were kept (put back, not deleted, when taken back).
struct CreatedFile {
  std::string path;
  bool keptCopy = false;
};
struct CreatedFilesUndo {
  enum class By { kJoin, kSplit } by = By::kJoin;
  std::vector<CreatedFile> files;
};
// Nothing to take back.
struct NoUndo {};

using UndoRecord =
    std::variant<NoUndo, NarrowingUndo, PendingReplaceUndo, OverwriteUndo, CreatedFilesUndo>;

struct ResultSession {
  CheckList rows;  // the result list
  SearchState search;
  std::vector<std::string> officeFiles;  // after a run: the office files with hits
  UndoRecord undo;
};

// What the caller shows after an operation. Every field left empty changes nothing.
struct OpOutcome {
  std::optional<int> page;             // the tab to show
  std::optional<std::string> notice;   // a status text, cleared by the status timer
  std::optional<bool> overwriteReady;  // the overwrite commands' enabled state
  std::optional<bool> restoreReady;    // the restore commands' enabled state
  // A message box shown last: a note for the window's user (the command line leaves it out).
  std::optional<std::string> message;
};

// True when the restore has something to take back.
inline bool HasUndo(const ResultSession& session) {
  return !std::holds_alternative<NoUndo>(session.undo);
}

}  // namespace skarvo
