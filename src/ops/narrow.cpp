#include "ops/narrow.h"

#include <unordered_map>

#include "platform/codepage.h"
#include "search/search_text.h"

namespace skarvo {

OpOutcome Narrow(ResultSession& session, CheckList& targets, TargetFileList& targetFiles) {
  session.undo = NarrowingUndo{targets.Rows()};
  // Searched files stay, unchecked for now; files that were not searched go.
  std::vector<bool> drop(static_cast<size_t>(targets.Count()), false);
  for (int i = targets.Count() - 1; i >= 0; --i) {
    if (targets.Header(i)) continue;
    if (targets.Checked(i))
      targets.SetChecked(i, false);
    else
      drop[static_cast<size_t>(i)] = true;
  }
  targets.DeleteMarked(drop);
  // The file rows by path without case, so each kept file is found at once.
  std::unordered_map<std::string, std::vector<int>> rowsByPath;
  for (int i = 0; i < targets.Count(); ++i)
    if (!targets.Header(i)) rowsByPath[UpperCaseCp932(targets.Text(i))].push_back(i);
  bool keep = false;
  std::vector<std::string>& office = session.officeFiles;
  for (int i = session.rows.Count() - 1; i >= 0; --i) {
    const CheckListRow& row = session.rows.Row(i);
    if (row.checked) keep = true;
    if (!row.header) continue;
    const std::string& path = row.file;
    const std::string key = UpperCaseCp932(path);
    if (ClassifyTarget(path) != TargetKind::kText) {
      for (size_t k = office.size(); k-- > 0;) {
        if (UpperCaseCp932(office[k]) != key) continue;
        keep = true;
        office.erase(office.begin() + static_cast<long>(k));
      }
    }
    if (keep) {
      auto it = rowsByPath.find(key);
      if (it != rowsByPath.end())
        for (int r : it->second) targets.SetChecked(r, true);
    }
    keep = false;
  }
  // Folders left empty go; the office files are used up.
  targetFiles.DropEmptyFolders();
  office.clear();
  targetFiles.SetTargetCount(targets.CheckedCount());
  OpOutcome outcome;
  outcome.page = kTargetListPage;
  outcome.restoreReady = true;
  return outcome;
}

}  // namespace skarvo
