#include "dialogs/editor.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

constexpr const char* kEditorCaption = "Editer";

// Length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t Utf8Length(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

uint32_t CodePoint(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i])); };
  switch (s.size()) {
    case 2:
      return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3:
      return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4:
      return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default:
      return b(0);
  }
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

EditorText EditorTextFromFile(const std::string& bytes) {
  EditorText result;
  std::string line;
  const auto flush = [&](bool lineEnd) {
    std::string utf8;
    if (!Cp932ToUtf8(line, utf8)) {
      result.valid = false;
      utf8 = Cp932ToUtf8Lossy(line);
    }
    result.utf8 += utf8;
    if (lineEnd) result.utf8 += '\n';
    line.clear();
  };
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      flush(true);
    } else {
      line += c;
    }
  }
  if (!line.empty()) flush(false);
  return result;
}

bool EditorTextToFile(const std::string& utf8, std::string& bytes, std::string& refusal,
                      bool unreadableAsQuestion) {
  bytes.clear();
  size_t start = 0;
  int64_t lineNo = 1;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string::npos) end = utf8.size();
    std::string_view line(utf8.data() + start, end - start);
    std::string replaced;
    if (unreadableAsQuestion && line.find("\xEF\xBF\xBD") != std::string_view::npos) {
      for (size_t i = 0; i < line.size();) {
        if (line.substr(i, 3) == "\xEF\xBF\xBD") {
          replaced += '?';
          i += 3;
        } else {
          replaced += line[i++];
        }
      }
      line = replaced;
    }
    std::string cp932;
    if (!Utf8ToCp932(line, cp932)) {
      // Name the first character that has no CP932 form.
      for (size_t i = 0; i < line.size();) {
        const size_t n = std::min(Utf8Length(static_cast<unsigned char>(line[i])), line.size() - i);
        std::string one;
        if (!Utf8ToCp932(line.substr(i, n), one)) {
          char code[16];
          std::snprintf(code, sizeof code, "U+%04X", CodePoint(line.substr(i, n)));
          refusal = std::to_string(lineNo) + Sjis("行目の文字 ") + code +
                    Sjis(" はShift-JISで表せないため、保存しませんでした。");
          return false;
        }
        i += n;
      }
      refusal = Sjis("Shift-JISで表せない文字があるため、保存しませんでした。");
      return false;
    }
    bytes += cp932;
    bytes += "\r\n";
    start = end + 1;
    ++lineNo;
  }
  return true;
}

EditorCore::EditorCore(UiPort& port, EditorTextArea& area)
    : port_(port), area_(area), caption_(Sjis(kEditorCaption)) {
  StatusTimer.SetHandler([this] { OnStatusTimer(); });
}

bool EditorCore::Load(const std::string& path) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) throw Exception(path + Sjis(" を読み込めません。"));
  EditorText text = EditorTextFromFile(*bytes);
  area_.SetText(text.utf8);
  area_.SetModified(false);
  loadedInvalid_ = !text.valid;
  if (!text.valid)
    port_.ShowMessage(
        path + Sjis(" はShift-JISとして読めない部分を含みます。保存するとその部分が変わります。"),
        caption_);
  return true;
}

void EditorCore::ShowFileAtLine(const std::string& path, int64_t line) {
  Load(path);
  area_.SetCaretLine(line < 1 ? 1 : line);
  Say(Sjis("縦：") + std::to_string(area_.CaretLine()) + Sjis("横：") +
      std::to_string(area_.CaretColumn()));
  area_.EnsureCaretVisible();
  area_.SetModified(false);
  StatusTimer.SetEnabled(true);
  caption_ = path;
  currentFile_ = path;
  saveEnabled_ = false;
}

void EditorCore::ShowLines(const std::vector<std::string>& lines) {
  std::string utf8;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) utf8 += '\n';
    utf8 += Cp932ToUtf8Lossy(lines[i]);
  }
  area_.SetText(utf8);
  area_.SetCaretLine(1);
}

void EditorCore::TextChanged() { saveEnabled_ = true; }

void EditorCore::OnOpen() {
  FileChoiceRequest request;
  request.filter = Sjis("テキストファイル|*.txt");
  request.defaultExtension = "txt";
  request.initialFolder = FolderOf(currentFile_);
  std::optional<std::string> path = port_.ChooseOpenFile(request);
  if (!path) {
    port_.ShowMessage(Sjis("ファイルは選択されませんでした。"), caption_);
    return;
  }
  Load(*path);
  area_.SetCaretLine(1);
  caption_ = *path;
  currentFile_ = *path;
}

void EditorCore::OnSaveAs() {
  FileChoiceRequest request;
  request.filter = Sjis("テキストファイル|*.txt");
  request.defaultExtension = "txt";
  request.initialFolder = FolderOf(currentFile_);
  std::optional<std::string> path = port_.ChooseSaveFile(request);
  if (!path) {
    port_.ShowMessage(Sjis("ファイルは保存されませんでした。"), caption_);
    return;
  }
  // The caption, the modified flag and "上書き保存(&S)" stay: a later overwrite still
  // writes the file named in the caption.
  WriteTo(*path);
}

bool EditorCore::WriteTo(const std::string& path, bool unreadableAsQuestion) {
  std::string bytes;
  std::string refusal;
  if (!EditorTextToFile(area_.Text(), bytes, refusal, unreadableAsQuestion)) {
    port_.ShowError(refusal, caption_);
    return false;
  }
  if (!WriteFileAtomic(path, bytes)) {
    port_.ShowError(path + Sjis(" に書き込めませんでした。"), caption_);
    return false;
  }
  return true;
}

EditorCore::SaveResult EditorCore::SaveOverCurrentFile() {
  if (loadedInvalid_ &&
      port_.Ask(
          Sjis("このファイルはShift-"
               "JISとして読めない部分を含むため、保存するとその部分が変わります。保存しますか？"),
          caption_, QuestionButtons::kYesNo) != Answer::kYes)
    return SaveResult::kDeclined;
  if (!WriteTo(currentFile_, loadedInvalid_)) return SaveResult::kFailed;
  loadedInvalid_ = false;
  area_.SetModified(false);
  saveEnabled_ = false;
  return SaveResult::kWritten;
}

void EditorCore::OnSave() {
  if (!area_.Modified()) {
    port_.ShowMessage(Sjis("変更されていません。"), caption_);
    return;
  }
  if (port_.Ask(Sjis("上書きしますか？"), caption_, QuestionButtons::kYesNo) != Answer::kYes)
    return;
  if (port_.Ask(Sjis("既存のファイルは、新規ファイルで上書きされます。"), caption_,
                QuestionButtons::kYesNo) != Answer::kYes)
    return;
  // Text typed into an editor that shows no file has nowhere to go but a chosen name.
  if (currentFile_.empty()) {
    OnSaveAs();
    return;
  }
  SaveOverCurrentFile();
}

bool EditorCore::CloseQuery() {
  if (!area_.Modified()) return true;
  if (port_.Ask(Sjis("ファイルは変更されています。上書きしますか？"), caption_,
                QuestionButtons::kYesNo) != Answer::kYes)
    return true;
  if (port_.Ask(Sjis("既存のファイルは、新規ファイルで上書きされます。"), caption_,
                QuestionButtons::kYesNo) != Answer::kYes)
    return true;
  if (currentFile_.empty()) {
    OnSaveAs();
    return true;
  }
  return SaveOverCurrentFile() != SaveResult::kFailed;
}

void EditorCore::OnStatusTimer() { statusText_.clear(); }

void EditorCore::Say(const std::string& text) { statusText_ = text; }

}  // namespace skarvo
