#include "ops/join_restore.h"

#include "ops/join_lines.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"

namespace skarvo {

std::string KeptCopyPath(const TempFolderLedger& tempFolder, const std::string& path) {
  // A folder of their own, so a kept copy never takes the place of an overwrite's backup or
  // an extracted text of the same file, which live at the temp folder + the full path.
  return ExtractedTextPath(tempFolder.TempFolder() + "/~kept", path);
}

KeepWrite WriteKeepingOld(TempFolderLedger& tempFolder, const std::string& path,
                          const std::string& data) {
  bool replaced = false;
  if (FileExists(path)) {
    std::optional<std::string> old = ReadWholeFile(path);
    if (!old || !tempFolder.WriteFile(KeptCopyPath(tempFolder, path), *old))
      return KeepWrite::kCopyFailed;
    replaced = true;
  }
  if (!WriteFileAtomic(path, data)) return KeepWrite::kWriteFailed;
  return replaced ? KeepWrite::kWrittenReplaced : KeepWrite::kWrittenNew;
}

const std::string& JoinMarker() { return Sjis("結合"); }
const std::string& SplitMarker() { return Sjis("分割"); }

namespace {

const std::string& Caption() { return Sjis("Skarvo"); }

std::string NewFileText(const std::string& path, const char* utf8Rest) {
  return Sjis("新規ファイル") + QuotedPathText(path, utf8Rest);
}

bool Restore(CheckList& undoList, TempFolderLedger& tempFolder, UiPort& port,
             const std::string& marker, const char* question, bool announce) {
  if (undoList.Empty() || undoList.Text(undoList.Count() - 1) != marker) return false;
  if (!port.Confirm(Sjis(question), Caption())) return false;
  for (int i = 0; i + 1 < undoList.Count(); ++i) {
    const std::string& path = undoList.Text(i);
    if (undoList.Checked(i)) {
      // The operation replaced a file that was there before: it comes back as it was.
      std::optional<std::string> old = ReadWholeFile(KeptCopyPath(tempFolder, path));
      const bool back = old && WriteFileAtomic(path, *old);
      port.ShowMessage(QuotedPathText(path, back ? "を元の内容に戻しました。"
                                                 : "を元の内容に戻せませんでした。"),
                       Caption());
      continue;
    }
    if (!FileExists(path)) {
      port.ShowMessage(NewFileText(path, "は見つかりませんでした。"), Caption());
      continue;
    }
    if (announce) port.ShowMessage(NewFileText(path, "を消去します。"), Caption());
    const bool deleted = DeleteFilePath(path);
    port.ShowMessage(NewFileText(path, deleted ? "の消去...OK" : "の消去...NG。"), Caption());
  }
  undoList.Clear();
  return true;
}

}  // namespace

bool RestoreJoin(CheckList& undoList, TempFolderLedger& tempFolder, UiPort& port) {
  return Restore(undoList, tempFolder, port, JoinMarker(), "新規ファイルを消去しますか？", false);
}

bool RestoreSplit(CheckList& undoList, TempFolderLedger& tempFolder, UiPort& port) {
  return Restore(undoList, tempFolder, port, SplitMarker(), "更新しますか？", true);
}

}  // namespace skarvo
