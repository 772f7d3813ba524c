#include "ops/overwrite_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/temp_folder_ledger.h"

namespace skarvo {
namespace {

constexpr const char* kMagic = "skarvo-overwrite-run 1";

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(UnescapeField(line.substr(start, tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::string DigestFields(const ContentDigest& d) {
  return std::to_string(d.size) + "\t" + d.sha256;
}

bool ParseDigest(const std::string& size, const std::string& sha, ContentDigest& out) {
  if (size.empty() || sha.size() != 64) return false;
  out.size = std::strtoull(size.c_str(), nullptr, 10);
  out.sha256 = sha;
  return true;
}

bool AppendTo(int fd, const std::string& line, bool sync) {
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return !sync || ::fdatasync(fd) == 0;
}

// Appends one line to a finished run's manifest.
bool AppendToManifest(const std::string& runFolder, const std::string& line) {
  auto native = NativePath(runFolder + "/manifest");
  if (!native) return false;
  const int fd = ::open(native->c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool ok = AppendTo(fd, line, true);
  return (::close(fd) == 0) && ok;
}

bool ProcessGone(long pid) {
  if (pid <= 0 || pid == static_cast<long>(::getpid())) return pid <= 0;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A folder holding a manifest that starts as a run's does; only its first line is read.
bool IsRunFolder(const std::string& folder) {
  auto native = NativePath(folder + "/manifest");
  if (!native) return false;
  const int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  const std::string magic = std::string(kMagic) + "\n";
  std::string head(magic.size(), '\0');
  ssize_t n;
  do {
    n = ::read(fd, head.data(), head.size());
  } while (n < 0 && errno == EINTR);
  ::close(fd);
  return n == static_cast<ssize_t>(head.size()) && head == magic;
}

bool InsideFolder(const std::string& real, const std::string& folder) {
  // A root of "/" would hold every file; its copies are refused where they are made.
  if (folder == "/") return false;
  return real.size() > folder.size() && real.compare(0, folder.size(), folder) == 0 &&
         real[folder.size()] == '/';
}

}  // namespace

bool InBackups(const std::string& path, const std::string& backupRoot) {
  const std::optional<std::string> real = RealPath(path);
  if (!real) return false;
  if (!backupRoot.empty()) {
    const std::optional<std::string> root = RealPath(backupRoot);
    if (root && InsideFolder(*real, *root)) return true;
  }
  std::string folder = *real;
  for (size_t slash = folder.rfind('/'); slash != std::string::npos && slash > 0;
       slash = folder.rfind('/')) {
    folder.resize(slash);
    if (IsRunFolder(folder)) return true;
  }
  return false;
}

std::string EscapeField(const std::string& cp932) {
  std::string out;
  for (size_t i = 0; i < cp932.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(cp932[i]);
    if (IsLeadByte(c) && i + 1 < cp932.size()) {
      out += cp932[i];
      out += cp932[++i];
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += cp932[i];
    }
  }
  return out;
}

std::string UnescapeField(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      out += text[i];
      out += text[++i];
    } else if (c == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string UtcTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

std::unique_ptr<OverwriteRun> OverwriteRun::Start(const std::string& backupFolder,
                                                  const std::string& home) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::gmtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  const std::string base = (backupFolder.ends_with('/') ? backupFolder : backupFolder + "/") +
                           stamp + "-" + std::to_string(::getpid());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string folder = attempt == 0 ? base : base + "-" + std::to_string(attempt);
    auto native = NativePath(folder);
    if (!native) return nullptr;
    if (::mkdir(native->c_str(), 0700) != 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    const int fd = ::open((*native + "/manifest").c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
      ::rmdir(native->c_str());
      return nullptr;
    }
    std::unique_ptr<OverwriteRun> run(new OverwriteRun(folder, fd));
    if (!run->Append(std::string(kMagic) + "\nstarted\t" + UtcTimeText() + "\npid\t" +
                         std::to_string(::getpid()) + "\nhome\t" + EscapeField(home),
                     true))
      return nullptr;
    return run;
  }
  return nullptr;
}

OverwriteRun::~OverwriteRun() {
  if (fd_ >= 0) ::close(fd_);
}

bool OverwriteRun::Append(const std::string& line, bool sync) {
  return fd_ >= 0 && AppendTo(fd_, line, sync);
}

bool OverwriteRun::WillWrite(const std::string& file, const std::string& backup,
                             const ContentDigest& original, const ContentDigest& written) {
  if (!Append("file\t" + EscapeField(file) + "\t" + EscapeField(backup) + "\t" +
                  DigestFields(original) + "\t" + DigestFields(written),
              true))
    return false;
  ++files_;
  return true;
}

void OverwriteRun::TempCreated(const std::string& file, const std::string& tempPath) {
  Append("temp\t" + EscapeField(file) + "\t" + EscapeField(tempPath), false);
}

void OverwriteRun::Written(const std::string& file) {
  Append("written\t" + EscapeField(file) + "\t" + UtcTimeText(), false);
}

void OverwriteRun::Finish() { Append("end\t" + UtcTimeText(), true); }

void OverwriteRun::RemoveIfEmpty() {
  if (files_ > 0) return;
  std::string files = FilesRoot();
  // Files that only got a backup (no write) leave nothing to restore either.
  DeleteFolderTree(files);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  DeleteFilePath(folder_ + "/manifest");
  DeleteEmptyFolder(folder_);
}

std::optional<RunManifest> ReadRunManifest(const std::string& runFolder) {
  if (!FileExists(runFolder + "/manifest")) return std::nullopt;
  std::optional<std::string> text = ReadWholeFile(runFolder + "/manifest");
  RunManifest run;
  std::map<std::string, size_t> byFile;
  run.folder = runFolder;
  run.name = BaseName(runFolder);
  if (!text || text->rfind(std::string(kMagic) + "\n", 0) != 0) {
    run.damagedLine = 1;
    return run;
  }
  size_t start = std::string(kMagic).size() + 1;
  int lineNo = 1;
  while (start < text->size()) {
    ++lineNo;
    size_t end = text->find('\n', start);
    const bool cut = end == std::string::npos;  // a last line cut off by a kill
    if (cut) end = text->size();
    const std::vector<std::string> f = SplitFields(text->substr(start, end - start));
    start = end + 1;
    const std::string& kind = f[0];
    bool read = true;
    if (kind == "started" && f.size() >= 2) {
      run.started = f[1];
    } else if (kind == "pid" && f.size() >= 2) {
      run.pid = std::strtol(f[1].c_str(), nullptr, 10);
    } else if (kind == "home" && f.size() >= 2) {
      run.home = f[1];
    } else if (kind == "file" && f.size() >= 7) {
      RunFileEntry entry;
      entry.file = f[1];
      entry.backup = f[2];
      read = ParseDigest(f[3], f[4], entry.original) && ParseDigest(f[5], f[6], entry.written);
      if (read) {
        byFile[entry.file] = run.files.size();
        run.files.push_back(std::move(entry));
      }
    } else if ((kind == "temp" || kind == "written") && f.size() >= 3) {
      auto at = byFile.find(f[1]);
      read = at != byFile.end();
      if (read && kind == "temp")
        run.files[at->second].temps.push_back(f[2]);
      else if (read)
        run.files[at->second].done = true;
    } else if (kind == "end") {
      run.ended = true;
    } else if (kind == "cleaned") {
      run.ended = run.cleaned = true;
    } else if (kind == "restored" && f.size() >= 2) {
      run.restored.push_back(f[1]);
    } else {
      // A "file" line is flushed before its file is touched, so only a later, unflushed
      // line may be cut short by a kill.
      read = cut && kind != "file" && f.size() <= 3;
    }
    if (!read) {
      run.damagedLine = lineNo;
      break;
    }
  }
  if (run.damagedLine == 0 && (run.started.empty() || run.pid == 0)) run.damagedLine = lineNo;
  return run;
}

std::vector<RunManifest> ListRuns(const std::string& backupFolder) {
  std::vector<RunManifest> runs;
  for (const FolderEntry& entry : ListFolder(backupFolder).entries) {
    if (!entry.isFolder) continue;
    const std::string folder = backupFolder + "/" + entry.name;
    if (IsSymbolicLink(folder)) continue;
    if (std::optional<RunManifest> run = ReadRunManifest(folder)) runs.push_back(std::move(*run));
  }
  // Names start with the time: in name order they are in time order, a suffix last.
  std::sort(runs.begin(), runs.end(), [](const RunManifest& a, const RunManifest& b) {
    if (a.started != b.started) return a.started < b.started;
    return a.name < b.name;
  });
  return runs;
}

int CleanKilledRuns(const std::string& backupFolder) {
  int cleaned = 0;
  for (const RunManifest& run : ListRuns(backupFolder)) {
    if (run.ended || run.damagedLine != 0 || !ProcessGone(run.pid)) continue;
    for (const RunFileEntry& entry : run.files) {
      for (const std::string& temp : entry.temps) {
        // Only what the writer makes: a plain file named ".skarvo-" and six letters.
        const std::string name = BaseName(temp);
        if (name.size() == 14 && name.rfind(".skarvo-", 0) == 0 && !IsSymbolicLink(temp) &&
            FileExists(temp))
          DeleteFilePath(temp);
      }
    }
    if (!run.home.empty() && BaseName(run.home).rfind("skarvo-", 0) == 0 &&
        !IsSymbolicLink(run.home) && FolderExists(run.home))
      DeleteFolderTree(run.home);
    AppendToManifest(run.folder, "cleaned\t" + UtcTimeText());
    ++cleaned;
  }
  return cleaned;
}

const char* RunRestoreKey(RunRestoreResult result) {
  switch (result) {
    case RunRestoreResult::kRestored:
    case RunRestoreResult::kRestoredPartial:
      return "restored";
    case RunRestoreResult::kUnchanged:
      return "unchanged";
    case RunRestoreResult::kChanged:
      return "changed";
    case RunRestoreResult::kVanished:
      return "vanished";
    case RunRestoreResult::kBadBackup:
      return "bad-backup";
    case RunRestoreResult::kWriteFailed:
      return "write-failed";
  }
  return "?";
}

std::string RunRestoreMessage(RunRestoreResult result, const std::string& path) {
  const std::string quoted = "\"" + path + "\"";
  switch (result) {
    case RunRestoreResult::kChanged:
      return quoted + Sjis("は上書きの後に変更されているため、復元しませんでした。");
    case RunRestoreResult::kVanished:
      return quoted + Sjis("は見つからないため、復元しませんでした。");
    case RunRestoreResult::kBadBackup:
      return quoted + Sjis("のバックアップが元の内容と一致しないため、復元しませんでした。");
    case RunRestoreResult::kWriteFailed:
      return quoted + Sjis("に書き込めませんでした。");
    case RunRestoreResult::kRestoredPartial:
      return quoted +
             Sjis("は書き込みが途中で止まった可能性があるため、バックアップから復元しました。");
    default:
      return {};
  }
}

void RestoreRun(const RunManifest& run, bool force,
                const std::function<void(const RunFileEntry&, RunRestoreResult)>& report) {
  bool any = false;
  for (const RunFileEntry& entry : run.files) {
    FileIdentity identity;
    bool partial = false;
    std::optional<std::string> now = ReadWholeFileAs(entry.file, identity);
    // The run wrote entry.file by its real path: a link there now, or a folder above it
    // swapped for one, leads to a file the run never wrote. Checked after the read, so a
    // swap after this check fails the write's identity check instead.
    const std::optional<std::string> real = RealPath(entry.file);
    if (IsSymbolicLink(entry.file) || (real && *real != entry.file)) {
      report(entry, RunRestoreResult::kChanged);
      continue;
    }
    if (!now && (!force || FileExists(entry.file))) {
      report(entry, RunRestoreResult::kVanished);
      continue;
    }
    if (now) {
      const ContentDigest digest = DigestOf(*now);
      if (digest == entry.original) {
        report(entry, RunRestoreResult::kUnchanged);
        continue;
      }
      // A write begun (a temporary file made) and never recorded done may have been cut
      // short in place: neither digest then, and the checked backup is what it held.
      partial = digest != entry.written && !entry.done && !entry.temps.empty();
      if (digest != entry.written && !force && !partial) {
        report(entry, RunRestoreResult::kChanged);
        continue;
      }
    }
    std::optional<std::string> bytes = ReadWholeFile(entry.backup);
    if (!bytes || DigestOf(*bytes) != entry.original) {
      report(entry, RunRestoreResult::kBadBackup);
      continue;
    }
    AtomicWriteOptions options;
    if (now) options.expected = &identity;
    const bool ok = WriteFileSafely(
                        entry.file, [&](const FilePieceWriter& write) { write(*bytes); }, options)
                        .Ok();
    report(entry, !ok       ? RunRestoreResult::kWriteFailed
                  : partial ? RunRestoreResult::kRestoredPartial
                            : RunRestoreResult::kRestored);
    any = any || ok;
  }
  if (any) AppendToManifest(run.folder, "restored\t" + UtcTimeText());
}

}  // namespace skarvo
