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

// A temp folder that is a link stands for its target, which is someone else's folder:
// only the files this run wrote there go, then the folders it made, deepest first (a
// longer path sorts after its parent, so reverse order puts children first). The link and
// its target stay.
void DeleteWhatThisRunWrote(const TempFolderLedger& ledger, UiPort& ui) {
  const std::string& temp = ledger.TempFolder();
  for (const std::string& file : ledger.WrittenFiles()) {
    if (!ledger.IsInside(file) || ReachedThroughLink(temp, file) || !FileExists(file)) continue;
    Report(ui, file, DeleteFilePath(file));
  }
  const std::set<std::string>& folders = ledger.CreatedFolders();
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    if (*it == temp || !ledger.IsInside(*it) || ReachedThroughLink(temp, *it) || !FolderExists(*it))
      continue;
    Report(ui, *it, DeleteEmptyFolder(*it));
  }
}

}  // namespace

bool DeleteTempFolder(const TempFolderLedger& ledger, UiPort& ui) {
  if (!ledger.TempFolderUsed()) return false;
  const std::string& temp = ledger.TempFolder();
  if (!FolderExists(temp)) return false;
  if (IsSymbolicLink(temp)) {
    DeleteWhatThisRunWrote(ledger, ui);
    return false;
  }
  CheckList scanned;
  ScanFolderTree(temp, scanned, ui);
  std::vector<std::string> folders;
  for (int i = 0; i < scanned.Count(); ++i) folders.push_back(scanned.Text(i));

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
  return true;
}

}  // namespace skarvo
