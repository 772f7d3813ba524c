#include "ops/narrow.h"

#include <unordered_map>

#include "platform/codepage.h"
#include "search/search_text.h"

namespace skarvo {

void NarrowTargetList(OpsParts& p, const OpsCommandSwitches& switches) {
  CheckList& targets = p.targetList;
  // 1.
  p.activePage = kTargetListPage;
  if (switches.enableRestore) switches.enableRestore(true);
  // 2.
  p.undoList.Clear();
  for (const CheckListRow& row : targets.Rows()) p.undoList.Insert(p.undoList.Count(), row);
  p.undoList.Add(Sjis("絞込"));
  // 3. Searched files stay, unchecked for now; files that were not searched go.
  std::vector<bool> drop(static_cast<size_t>(targets.Count()), false);
  for (int i = targets.Count() - 1; i >= 0; --i) {
    if (targets.Header(i)) continue;
    if (targets.Checked(i))
      targets.SetChecked(i, false);
    else
      drop[static_cast<size_t>(i)] = true;
  }
  targets.DeleteMarked(drop);
  // 4. The file rows by path without case, so each kept file is found at once.
  std::unordered_map<std::string, std::vector<int>> rowsByPath;
  for (int i = 0; i < targets.Count(); ++i)
    if (!targets.Header(i)) rowsByPath[UpperCaseCp932(targets.Text(i))].push_back(i);
  bool keep = false;
  for (int i = p.resultList.Count() - 1; i >= 0; --i) {
    const CheckListRow& row = p.resultList.Row(i);
    if (row.checked) keep = true;
    if (!row.header) continue;
    const std::string path = HeaderRowPath(row.text);
    const std::string key = UpperCaseCp932(path);
    if (ClassifyTarget(path) != TargetKind::kText) {
      std::vector<std::string>& office = p.officeFiles;
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
  // 5. - 6.
  p.targets.DropEmptyFolders();
  p.officeFiles.clear();
  p.targets.SetTargetCount(targets.CheckedCount());
}

}  // namespace skarvo
