#include "ops/join_restore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

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

NewFilePlace PlaceForNewFile(const std::string& path, const std::vector<FileIdentity>& inputs) {
  const std::optional<std::string> native = NativePath(path);
  if (!native) return NewFilePlace::kNotAFile;
  struct stat st;
  if (::lstat(native->c_str(), &st) != 0)
    return errno == ENOENT ? NewFilePlace::kFree : NewFilePlace::kNotAFile;
  auto isInput = [&](const struct stat& s) {
    for (const FileIdentity& input : inputs)
      if (input.device == s.st_dev && input.inode == s.st_ino) return true;
    return false;
  };
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    const bool reaches = ::stat(native->c_str(), &target) == 0;
    return reaches && isInput(target) ? NewFilePlace::kInput : NewFilePlace::kLink;
  }
  if (!S_ISREG(st.st_mode)) return NewFilePlace::kNotAFile;
  if (isInput(st)) return NewFilePlace::kInput;
  return st.st_nlink > 1 ? NewFilePlace::kLink : NewFilePlace::kExisting;
}

KeepOldFile KeepInTempFolder(TempFolderLedger& tempFolder) {
  return
      [&tempFolder](const std::string& path, const std::string& old) -> std::optional<std::string> {
        const std::string kept = KeptCopyPath(tempFolder, path);
        if (!tempFolder.WriteFile(kept, old)) return std::nullopt;
        return kept;
      };
}

KeepWrite WriteKeepingOld(const KeepOldFile& keep, const std::string& path, const std::string& data,
                          const std::vector<FileIdentity>& inputs) {
  const NewFilePlace place = PlaceForNewFile(path, inputs);
  switch (place) {
    case NewFilePlace::kLink:
      return KeepWrite::kRefusedLink;
    case NewFilePlace::kInput:
      return KeepWrite::kRefusedInput;
    case NewFilePlace::kNotAFile:
      return KeepWrite::kWriteFailed;
    default:
      break;
  }
  const bool replacing = place == NewFilePlace::kExisting;
  if (replacing && keep) {
    const std::optional<FileIdentity> before = IdentityOf(path);
    const std::optional<std::string> old = ReadWholeFile(path);
    if (!before || !old) return KeepWrite::kCopyFailed;
    const std::optional<std::string> kept = keep(path, *old);
    if (!kept) return KeepWrite::kCopyFailed;
    // The copy must be another file with exactly the old bytes, or the old text would be
    // lost with the write; and the file must still be the one that was copied.
    const std::optional<FileIdentity> keptIdentity = IdentityOf(*kept);
    const std::optional<std::string> keptBytes = ReadWholeFile(*kept);
    if (!keptIdentity || *keptIdentity == *before || keptBytes != old ||
        PlaceForNewFile(path, inputs) != NewFilePlace::kExisting || IdentityOf(path) != before)
      return KeepWrite::kCopyFailed;
  } else if (!replacing && PlaceForNewFile(path, inputs) != NewFilePlace::kFree) {
    // Something appeared at the place meanwhile: it is not written over unasked.
    return KeepWrite::kWriteFailed;
  }
  if (!WriteFileAtomic(path, data)) return KeepWrite::kWriteFailed;
  return replacing ? KeepWrite::kWrittenReplaced : KeepWrite::kWrittenNew;
}

KeepWrite WriteKeepingOld(TempFolderLedger& tempFolder, const std::string& path,
                          const std::string& data, const std::vector<FileIdentity>& inputs) {
  return WriteKeepingOld(KeepInTempFolder(tempFolder), path, data, inputs);
}

const char* PartRefusal(NewFilePlace place) {
  switch (place) {
    case NewFilePlace::kLink:
      return "はリンクのため書き込みませんでした。";
    case NewFilePlace::kInput:
      return "は分割するファイルそのものです。書き込みませんでした。";
    case NewFilePlace::kNotAFile:
      return "に書き込めませんでした。";
    default:
      return nullptr;
  }
}

const char* PartWriteFailure(KeepWrite result) {
  switch (result) {
    case KeepWrite::kCopyFailed:
      return "の元の内容を控えられないため、書き込みませんでした。";
    case KeepWrite::kRefusedLink:
      return PartRefusal(NewFilePlace::kLink);
    case KeepWrite::kRefusedInput:
      return PartRefusal(NewFilePlace::kInput);
    default:
      return "に書き込めませんでした。";
  }
}

namespace {

// Makes every missing folder of nativePath, each readable by its owner only.
bool MakePrivateFolders(const std::string& nativePath) {
  for (size_t slash = nativePath.find('/', 1);; slash = nativePath.find('/', slash + 1)) {
    const std::string level = nativePath.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st;
  return ::stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

enum class NewFile { kWritten, kTaken, kFailed };

// Creates nativePath as a new file holding data, readable by its owner only; never replaces
// anything and never follows a link there.
NewFile WriteNewPrivateFile(const std::string& nativePath, const std::string& data) {
  const int fd =
      ::open(nativePath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EEXIST ? NewFile::kTaken : NewFile::kFailed;
  bool ok = true;
  for (size_t done = 0; ok && done < data.size();) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (!ok) ::unlink(nativePath.c_str());
  return ok ? NewFile::kWritten : NewFile::kFailed;
}

// The full path of the file path names, its folder's links and "." / ".." resolved by the
// file system; the name itself stays (it is no link: links are never replaced).
std::optional<std::string> RealPathOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const std::optional<std::string> native = NativePath(folder);
  if (!native) return std::nullopt;
  std::unique_ptr<char, void (*)(void*)> real(::realpath(native->c_str(), nullptr), std::free);
  std::string cp932;
  if (!real || !Utf8ToCp932(real.get(), cp932)) return std::nullopt;
  if (cp932 != "/") cp932 += '/';
  return cp932 + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

KeepOldFile KeepInFolder(const std::string& folder) {
  return [folder](const std::string& path, const std::string& old) -> std::optional<std::string> {
    const std::optional<std::string> real = RealPathOf(path);
    if (!real) return std::nullopt;
    const std::string place = ExtractedTextPath(folder + "/~kept", *real);
    const size_t slash = place.rfind('/');
    const std::optional<std::string> nativeFolder = NativePath(place.substr(0, slash));
    if (!nativeFolder || !MakePrivateFolders(*nativeFolder)) return std::nullopt;
    // An earlier run's copy stays: this one takes the first free numbered name.
    for (int n = 0; n < 1000; ++n) {
      const std::string kept = n == 0 ? place : place + "." + std::to_string(n);
      const std::optional<std::string> native = NativePath(kept);
      if (!native) return std::nullopt;
      const NewFile written = WriteNewPrivateFile(*native, old);
      if (written == NewFile::kWritten) return kept;
      if (written == NewFile::kFailed) return std::nullopt;
    }
    return std::nullopt;
  };
}

namespace {

std::string NewFileText(const std::string& path, const char* utf8Rest) {
  return Sjis("新規ファイル") + QuotedPathText(path, utf8Rest);
}

}  // namespace

bool RestoreCreatedFiles(ResultSession& session, const TempFolderLedger& tempFolder,
                         Prompter& prompter) {
  const auto* created = std::get_if<CreatedFilesUndo>(&session.undo);
  if (created == nullptr) return false;
  const bool split = created->by == CreatedFilesUndo::By::kSplit;
  if (!prompter.Confirm(Sjis(split ? "更新しますか？" : "新規ファイルを消去しますか？")))
    return false;
  const std::vector<CreatedFile> files = created->files;
  for (const CreatedFile& file : files) {
    const std::string& path = file.path;
    if (file.keptCopy) {
      // The operation replaced a file that was there before: it comes back as it was.
      std::optional<std::string> old = ReadWholeFile(KeptCopyPath(tempFolder, path));
      // Never through a link put there since: what it points to was not the operation's.
      const NewFilePlace place = PlaceForNewFile(path, {});
      const bool back = old && (place == NewFilePlace::kExisting || place == NewFilePlace::kFree) &&
                        WriteFileAtomic(path, *old);
      prompter.Tell(QuotedPathText(
          path, back ? "を元の内容に戻しました。" : "を元の内容に戻せませんでした。"));
      continue;
    }
    if (!FileExists(path)) {
      prompter.Tell(NewFileText(path, "は見つかりませんでした。"));
      continue;
    }
    if (split) prompter.Tell(NewFileText(path, "を消去します。"));
    const bool deleted = DeleteFilePath(path);
    prompter.Tell(NewFileText(path, deleted ? "の消去...OK" : "の消去...NG。"));
  }
  session.undo = NoUndo{};
  return true;
}

}  // namespace skarvo
