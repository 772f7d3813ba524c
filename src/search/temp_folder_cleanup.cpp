#include "search/temp_folder_cleanup.h"

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "targets/folder_scan.h"

namespace skarvo {

namespace {

// True when path, or a level of it below the temp folder, is a link: whatever lies
// behind it is not the temp folder's.
bool ReachedThroughLink(const std::string& tempFolder, const std::string& path) {
  size_t pos = tempFolder.size();
  while (pos < path.size()) {
    size_t next = path.find('/', pos + 1);
    if (next == std::string::npos) next = path.size();
    if (IsSymbolicLink(path.substr(0, next))) return true;
    pos = next;
  }
  return false;
}

void Report(UiPort& ui, const std::string& path, bool ok) {
  ui.SetStatusText(path + (ok ? Sjis("を削除中") : Sjis("の削除に失敗しました。")));
}

}  // namespace

void DeleteTempFolder(const TempFolderLedger& ledger, CheckList& undoList, UiPort& ui) {
  if (!ledger.TempFolderUsed()) return;
  const std::string& temp = ledger.TempFolder();
  if (!FolderExists(temp) || IsSymbolicLink(temp)) return;
  ScanFolderTree(temp, undoList, ui);
  std::vector<std::string> folders;
  for (int i = 0; i < undoList.Count(); ++i) folders.push_back(undoList.Text(i));

  for (const std::string& folder : folders) {
    if (!ledger.IsInside(folder) || ReachedThroughLink(temp, folder)) continue;
    for (const std::string& file : ListFolderFiles(folder).paths) {
      if (!FileExists(file) || !ledger.MayDeleteFile(file)) continue;
      Report(ui, file, DeleteFilePath(file));
    }
  }
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    const std::string& folder = *it;
    if (!ledger.IsInside(folder) || !ledger.MayDeleteFolder(folder)) continue;
    std::string parent = folder.substr(0, folder.rfind('/'));
    if (parent.size() > temp.size() && ReachedThroughLink(temp, parent)) continue;
    if (IsSymbolicLink(folder)) {
      Report(ui, folder, DeleteFilePath(folder));
    } else if (FolderExists(folder)) {
      Report(ui, folder, DeleteEmptyFolder(folder));
    }
  }
}

}  // namespace skarvo
