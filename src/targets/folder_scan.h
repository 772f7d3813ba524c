// The scan of a folder tree and the listing of a folder's files, with the progress texts
// the status bar shows meanwhile.
//
// The scan is breadth first over two level lists (the current one and the next), so it
// never recurses and the undo list ends up holding the root, then every folder of depth 1,
// then depth 2, each level in enumeration order. Folder links are followed, but a folder
// reached again (same device and inode as one already taken) is neither listed nor scanned
// again, so a link that leads back into the tree ends the descent there.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_port.h"
#include "targets/check_list.h"

namespace skarvo {

// folder + "/" + name, without a second "/" when the folder already ends with one.
std::string JoinPath(const std::string& folder, const std::string& name);

// The root with its trailing "/" removed; "/" stays "/".
std::string ScanRoot(const std::string& root);

// The files directly in a folder, in enumeration order: every regular file or link to
// one. leftOut counts the names of the folder that have no CP932 form (never listed);
// tooLong the names whose path passes the system's path length limit (never reachable).
struct FolderFiles {
  std::vector<std::string> paths;
  int leftOut = 0;
  int tooLong = 0;
};
FolderFiles ListFolderFiles(const std::string& folder);

// Fills the undo list with the folder tree of root, breadth first, showing one progress
// text per folder on the status bar. Unreadable folders are kept in the list (they have
// no subfolders). Returns the number of folders listed. When files is given, it receives
// each listed folder's files (as ListFolderFiles gives them), one entry per undo list row,
// so a caller that needs both lists every folder once.
int ScanFolderTree(const std::string& root, CheckList& undoList,
                   const std::function<void(const std::string&)>& progress,
                   std::vector<FolderFiles>* files = nullptr);
// The same with the progress texts on the port's status bar.
int ScanFolderTree(const std::string& root, CheckList& undoList, UiPort& port,
                   std::vector<FolderFiles>* files = nullptr);

// The scan's progress text for folder i of a level of n folders, or nullopt when none is
// shown (the last folder of a level of several leaves the previous text standing).
std::optional<std::string> ScanProgressText(int i, int n);

// The build's progress text for folder i of n (n > 1).
std::string BuildProgressText(int i, int n);

}  // namespace skarvo
