#include "targets/folder_scan.h"

#include <climits>
#include <set>
#include <utility>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

std::string Repeat(const std::string& piece, int times) {
  std::string s;
  for (int k = 0; k < times; ++k) s += piece;
  return s;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string ScanRoot(const std::string& root) {
  if (root.size() > 1 && root.back() == '/') return root.substr(0, root.size() - 1);
  return root;
}

std::optional<std::string> ScanProgressText(int i, int n) {
  const std::string& empty = Sjis("□");
  const std::string& label = Sjis("フォルダチェック中");
  if (n <= 1) return Repeat(empty, 10) + label;
  int t = i * 10 / (n - 1);
  std::string text = Repeat(empty, t) + Sjis("■") + Repeat(empty, 9 - t) + label;
  // Only a text of exactly ten marks is shown: at t = 10 the text has eleven.
  if (text.size() != 38) return std::nullopt;
  return text;
}

std::string BuildProgressText(int i, int n) {
  int t = n > 1 ? i * 10 / (n - 1) : 10;
  return Repeat(Sjis("■"), t) + Repeat(Sjis("□"), 10 - t) + Sjis("検索中");
}

namespace {
// A path the OS cannot reach is passed over and counted, never opened or listed. A 2-byte
// CP932 character is at most 3 bytes of UTF-8, so only long paths need converting to tell.
bool PathTooLong(const std::string& path) {
  if (path.size() + path.size() / 2 + 1 < PATH_MAX) return false;
  auto native = NativePath(path);
  return native && native->size() >= PATH_MAX;
}

FolderFiles FilesOf(const std::string& folder, const FolderListing& listing) {
  FolderFiles files;
  files.leftOut = listing.unrepresentableNames;
  for (const FolderEntry& entry : listing.entries) {
    std::string path = JoinPath(folder, entry.name);
    if (PathTooLong(path)) {
      ++files.tooLong;
      continue;
    }
    if (entry.isFile) files.paths.push_back(std::move(path));
  }
  return files;
}
}  // namespace

int ScanFolderTree(const std::string& root, CheckList& undoList, UiPort& port,
                   std::vector<FolderFiles>* files) {
  return ScanFolderTree(
      root, undoList, [&port](const std::string& text) { port.SetStatusText(text); }, files);
}

int ScanFolderTree(const std::string& root, CheckList& undoList,
                   const std::function<void(const std::string&)>& progress,
                   std::vector<FolderFiles>* files) {
  undoList.Clear();
  if (files) files->clear();
  std::set<std::pair<dev_t, ino_t>> taken;
  std::vector<std::string> level{ScanRoot(root)};
  dev_t device;
  ino_t inode;
  if (FolderIdentity(level.front(), device, inode)) taken.insert({device, inode});
  int listed = 0;
  while (!level.empty()) {
    std::vector<std::string> next;
    const int n = static_cast<int>(level.size());
    for (int i = 0; i < n; ++i) {
      const std::string& folder = level[static_cast<size_t>(i)];
      undoList.Add(folder);
      ++listed;
      FolderListing listing = ListFolder(folder);
      for (const FolderEntry& entry : listing.entries) {
        if (!entry.isFolder) continue;
        if (PathTooLong(JoinPath(folder, entry.name))) continue;  // counted with the files
        if (!taken.insert({entry.device, entry.inode}).second) continue;
        next.push_back(JoinPath(folder, entry.name));
      }
      if (files) files->push_back(FilesOf(folder, listing));
      if (auto text = ScanProgressText(i, n); text && progress) progress(*text);
    }
    level = std::move(next);
  }
  return listed;
}

FolderFiles ListFolderFiles(const std::string& folder) {
  return FilesOf(folder, ListFolder(folder));
}

}  // namespace skarvo
