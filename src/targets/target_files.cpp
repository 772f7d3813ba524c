#include "targets/target_files.h"

#include <algorithm>
#include <string>

#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/value_format.h"
#include "targets/folder_scan.h"

namespace skarvo {

std::string FolderRowText(const std::string& folder, int count) {
  // A quote inside the path is doubled, so the path reads back as the row's first item.
  std::string quoted;
  for (char c : folder) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return "\"" + quoted + Sjis("\",【該当File数】,") + std::to_string(count);
}

std::string FolderOfRow(const std::string& rowText) {
  std::vector<std::string> items = SplitCommaText(rowText);
  return items.empty() ? std::string() : items.front();
}

std::string FileExtension(const std::string& path) {
  // "/" and "." never occur as the second byte of a 2-byte character.
  size_t slash = path.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  return path.substr(dot);
}

std::vector<std::string> ExtensionEntries(const std::string& extensionList) {
  std::vector<std::string> entries;
  for (const std::string& entry : SplitCommaText(extensionList))
    if (!entry.empty()) entries.push_back(UpperCaseCp932(entry));
  std::vector<std::string> withZipped;
  for (const std::string& entry : entries) {
    withZipped.push_back(entry);
    if (entry != ".XLS" && entry != ".DOC") continue;
    const std::string zipped = entry + "X";
    if (std::find(entries.begin(), entries.end(), zipped) == entries.end() &&
        std::find(withZipped.begin(), withZipped.end(), zipped) == withZipped.end())
      withZipped.push_back(zipped);
  }
  return withZipped;
}

void TargetFiles::ChooseFolder(bool add) {
  p_.folderDialog.SetCaption(add ? Sjis("フォルダの追加") : Sjis("フォルダの選択"));
  if (!p_.folderDialog.Execute(p_.port)) return;
  HistoryBox& history = p_.folderHistory;
  history.InsertTop(p_.folderDialog.Path());
  history.RemoveDuplicatesOfTop();
  history.SetItemIndex(0);
  BuildTargetList(add);
}

void TargetFiles::BuildTargetList(bool add) {
  p_.resultList.Clear();
  p_.joinList.Clear();
  const TargetBuildOutcome outcome =
      list_.Build(p_.folderHistory.Text(), add,
                  [this](const std::string& text) { p_.port.SetStatusText(text); });
  p_.port.SetStatusText(outcome.notice);
  p_.statusTimer.SetEnabled(true);
}

TargetBuildOutcome TargetFileList::Build(const std::string& folder, bool add,
                                         const std::function<void(const std::string&)>& progress) {
  auto show = [&progress](const std::string& text) {
    if (progress) progress(text);
  };
  lastBuildFolder_ = folder;
  if (!add) targetList_.Clear();
  extensions_ = ExtensionEntries(settings_.extensionList);
  leftOut_ = 0;
  tooLong_ = 0;

  if (settings_.searchSubfolders) {
    // The scan lists every folder once and hands over its files with it.
    std::vector<FolderFiles> files;
    ScanFolderTree(folder, scanFolders_, progress, &files);
    if (onFolderScan_) onFolderScan_();
    std::vector<std::string> folders;
    for (const CheckListRow& row : scanFolders_.Rows()) folders.push_back(row.text);
    const int n = static_cast<int>(folders.size());
    for (int i = 0; i < n; ++i) {
      if (n > 1) show(BuildProgressText(i, n));
      AddFolderRows(folders[static_cast<size_t>(i)], files[static_cast<size_t>(i)]);
    }
  } else {
    show(Sjis("■■■■■□□□□□検索中"));
    AddFolderRows(folder);
    show(Sjis("■■■■■■■■□□検索中"));
  }
  DropEmptyFolders();

  targetCount_ = targetList_.Count() - targetList_.HeaderCount();
  std::string text = std::to_string(targetCount_) + Sjis("個のファイルが対象です");
  if (leftOut_ > 0)
    text += Sjis("（Shift-JISで表せない名前") + std::to_string(leftOut_) + Sjis("個を除外）");
  if (tooLong_ > 0)
    text += Sjis("（パスが長すぎる名前") + std::to_string(tooLong_) + Sjis("個を除外）");
  return {text};
}

void TargetFileList::AddFolderRows(const std::string& folder) {
  AddFolderRows(folder, ListFolderFiles(folder));
}

void TargetFileList::AddFolderRows(const std::string& folder, const FolderFiles& files) {
  CheckList& list = targetList_;
  const int folderRow = list.Add(folder, /*header=*/true);
  leftOut_ += files.leftOut;
  tooLong_ += files.tooLong;
  int count = 0;
  for (const std::string& path : files.paths) {
    const std::string extension = UpperCaseCp932(FileExtension(path));
    for (const std::string& entry : extensions_) {
      if (extension != entry) continue;
      list.Add(path, /*header=*/false, /*checked=*/true);
      ++count;
    }
  }
  list.SetText(folderRow, FolderRowText(folder, count));
}

void TargetFileList::DropEmptyFolders() {
  // Marked first and removed in one pass: a big tree has many folders without targets.
  CheckList& list = targetList_;
  std::vector<bool> drop(static_cast<size_t>(list.Count()), false);
  int filesSeen = 0;
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (!list.Header(i)) {
      ++filesSeen;
      continue;
    }
    if (filesSeen == 0) drop[static_cast<size_t>(i)] = true;
    filesSeen = 0;
  }
  list.DeleteMarked(drop);
}

void TargetFiles::OnFolderBoxEnter() {
  HistoryBox& history = p_.folderHistory;
  const std::string text = history.Text();
  if (!FolderExists(text)) {
    ChooseFolder(false);
    return;
  }
  history.InsertTop(text);
  history.RemoveDuplicatesOfTop();
  history.SetItemIndex(0);
  BuildTargetList(false);
}

void TargetFiles::OnFolderHistoryPick(int index) {
  HistoryBox& history = p_.folderHistory;
  if (index < 0 || index >= history.Count()) return;
  history.SetItemIndex(index);
  const std::string entry = history.Item(index);
  if (p_.targetList.Empty() || !FolderExists(entry)) {
    if (FolderExists(entry))
      BuildTargetList(false);
    else
      ChooseFolder(false);
  } else if (p_.port.Confirm(Sjis("検索対象Fileを変更しますか？"), ApplicationCaption())) {
    BuildTargetList(false);
  } else {
    int previous = history.IndexOf(list_.LastBuildFolder());
    if (previous >= 0) history.SetItemIndex(previous);
  }
  if (history.ItemIndex() >= 0) history.MoveToTop(history.ItemIndex());
}

void TargetFileList::OnTargetCheckClick(int index) {
  CheckList& list = targetList_;
  if (index < 0 || index >= list.Count() || list.Header(index)) return;
  list.SetChecked(index, !list.Checked(index));
  targetCount_ = list.CheckedCount();
}

bool TargetFileList::FolderCheckEnabled() const {
  const CheckList& list = targetList_;
  return list.ItemIndex() >= 0 && list.Header(list.ItemIndex());
}

void TargetFileList::SetFolderChecks(bool checked) {
  if (!FolderCheckEnabled()) return;
  CheckList& list = targetList_;
  for (int i = list.ItemIndex() + 1; i < list.Count() && !list.Header(i); ++i)
    list.SetChecked(i, checked);
}

void TargetFileList::SetAllChecks(bool checked) {
  CheckList& list = targetList_;
  for (int i = 0; i < list.Count(); ++i)
    if (!list.Header(i)) list.SetChecked(i, checked);
}

void TargetFileList::OnCheckFolder() { SetFolderChecks(true); }
void TargetFileList::OnUncheckFolder() { SetFolderChecks(false); }
void TargetFileList::OnCheckAll() { SetAllChecks(true); }
void TargetFileList::OnUncheckAll() { SetAllChecks(false); }

}  // namespace skarvo
