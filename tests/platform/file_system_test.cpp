#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/sha256.h"

namespace skarvo {
namespace {

class TempFolder {
 public:
  TempFolder() {
    char tmpl[] = "/tmp/skarvo-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempFolder() { DeleteFolderTree(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The number of descriptors this process has open.
int OpenDescriptors() {
  FolderListing listing = ListFolder("/proc/self/fd");
  return static_cast<int>(listing.entries.size()) - 1;  // less the one that lists them
}

void Touch(const std::string& nativePath, const std::string& data = "") {
  std::ofstream(nativePath, std::ios::binary) << data;
}

TEST(ListFolder, NameOrderIgnoresAsciiCaseAndLeavesOutNamesWithoutCp932Form) {
  TempFolder dir;
  for (const char* name : {"b.txt", "A.txt", "a.txt", ".hidden", "検索.txt", "x\xff.txt"})
    Touch(dir.path() + "/" + name);
  ::mkdir((dir.path() + "/Sub").c_str(), 0777);
  FolderListing listing = ListFolder(dir.path());
  ASSERT_TRUE(listing.ok);
  std::vector<std::string> names;
  for (const auto& e : listing.entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "A.txt", "a.txt", "b.txt", "Sub",
                                             Sjis("検索.txt")}));
  EXPECT_EQ(listing.unrepresentableNames, 1);
  EXPECT_TRUE(listing.entries[4].isFolder);
  EXPECT_TRUE(listing.entries[1].isFile);
  EXPECT_FALSE(ListFolder(dir.path() + "/missing").ok);
}

TEST(ListFolder, NamesAlikeWithoutCaseGoShorterFirstThenByByte) {
  TempFolder dir;
  for (const char* name : {"abc", "B", "aB", "ab", "ABC", "a", "Ab", "AB"})
    Touch(dir.path() + "/" + name);
  std::vector<std::string> names;
  for (const auto& e : ListFolder(dir.path()).entries) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"a", "AB", "Ab", "aB", "ab", "ABC", "abc", "B"}));
}

TEST(WriteFileAtomic, ReplacesWholeAndKeepsPermissions) {
  TempFolder dir;
  std::string path = dir.path() + "/f.txt";
  Touch(path, "old");
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomic(path, std::string("new\0data", 8)));
  EXPECT_EQ(ReadWholeFile(path), std::string("new\0data", 8));
  struct stat st;
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Nothing else is left in the folder.
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 1u);
}

TEST(WriteFileAtomic, FailureLeavesTheOldFileWhole) {
  TempFolder dir;
  std::string path = dir.path() + "/f.txt";
  Touch(path, "old");
  // A file size limit makes the write of the temporary file fail part-way, as a full disk
  // would; unlike folder permissions it also holds for root.
  struct rlimit saved;
  ::getrlimit(RLIMIT_FSIZE, &saved);
  auto savedHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  limit.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  bool written = WriteFileAtomic(path, std::string(100000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadWholeFile(path), "old");
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 1u);  // no temporary file left
}

TEST(WriteFileAtomic, RefusesAReadOnlyFile) {
  TempFolder dir;
  std::string path = dir.path() + "/f.txt";
  Touch(path, "old");
  ::chmod(path.c_str(), 0444);
  EXPECT_FALSE(WriteFileAtomic(path, "new"));
  EXPECT_EQ(ReadWholeFile(path), "old");
}

TEST(WriteFileAtomic, RefusesAFolderAndAMissingFolder) {
  TempFolder dir;
  EXPECT_FALSE(WriteFileAtomic(dir.path(), "x"));
  EXPECT_FALSE(WriteFileAtomic(dir.path() + "/no/such/f.txt", "x"));
}

// The one writer that every layer uses: a link is written at its final target and stays a
// link; a link that leads nowhere (dangling, a loop) is never replaced by a file.
TEST(WriteFileAtomic, LinksAreWrittenAtTheirTargetAndNeverReplaced) {
  struct Case {
    const char* name;
    std::function<void(const std::string& dir)> make;  // makes dir + "/w"
    bool written;
    const char* target;  // the file that holds "new" after a write (relative to dir)
  } cases[] = {
      {"a plain file", [](const std::string& d) { Touch(d + "/w", "old"); }, true, "w"},
      {"a new file", [](const std::string&) {}, true, "w"},
      {"a link to a file",
       [](const std::string& d) {
         Touch(d + "/t", "old");
         ::symlink("t", (d + "/w").c_str());
       },
       true, "t"},
      {"a chain of two links into a folder",
       [](const std::string& d) {
         ::mkdir((d + "/sub").c_str(), 0700);
         Touch(d + "/sub/t", "old");
         ::symlink("sub/t", (d + "/l1").c_str());
         ::symlink((d + "/l1").c_str(), (d + "/w").c_str());
       },
       true, "sub/t"},
      {"a dangling link", [](const std::string& d) { ::symlink("gone", (d + "/w").c_str()); },
       false, nullptr},
      {"a link loop",
       [](const std::string& d) {
         ::symlink("w2", (d + "/w").c_str());
         ::symlink("w", (d + "/w2").c_str());
       },
       false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    c.make(dir.path());
    struct stat before;
    const bool wasLink =
        ::lstat((dir.path() + "/w").c_str(), &before) == 0 && S_ISLNK(before.st_mode);
    EXPECT_EQ(WriteFileAtomic(dir.path() + "/w", "new"), c.written);
    struct stat after;
    if (wasLink) {
      ASSERT_EQ(::lstat((dir.path() + "/w").c_str(), &after), 0);
      EXPECT_TRUE(S_ISLNK(after.st_mode));  // still a link, written or not
    }
    if (c.written) {
      EXPECT_EQ(ReadWholeFile(dir.path() + "/" + c.target), "new");
    }
    EXPECT_FALSE(FileExists(dir.path() + "/gone"));
  }
}

TEST(Folders, CreatePathAndDeleteTree) {
  TempFolder dir;
  std::string deep = dir.path() + "/a/b/" + Sjis("検索");
  ASSERT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(FolderExists(deep));
  EXPECT_FALSE(FileExists(deep));
  ASSERT_TRUE(WriteFileAtomic(deep + "/f", "x"));
  EXPECT_TRUE(FileExists(deep + "/f"));
  EXPECT_FALSE(DeleteEmptyFolder(dir.path() + "/a"));
  EXPECT_TRUE(DeleteFolderTree(dir.path() + "/a"));
  EXPECT_FALSE(FolderExists(dir.path() + "/a"));
}

TEST(InputFile, ReadsInPiecesAndRefusesFolders) {
  TempFolder dir;
  std::string path = dir.path() + "/f";
  Touch(path, "abcdef");
  InputFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.Size(), 6u);
  char buf[4];
  EXPECT_EQ(file.Read(buf, 4), 4);
  EXPECT_EQ(file.Read(buf, 4), 2);
  EXPECT_EQ(file.Read(buf, 4), 0);
  file.Close();
  const int before = OpenDescriptors();
  EXPECT_FALSE(file.Open(dir.path()));
  EXPECT_FALSE(file.Open(dir.path() + "/missing"));
  // A pipe with no writer would block an ordinary open for good.
  ASSERT_EQ(::mkfifo((dir.path() + "/pipe").c_str(), 0666), 0);
  EXPECT_FALSE(file.Open(dir.path() + "/pipe"));
  EXPECT_FALSE(ReadWholeFile(dir.path() + "/pipe"));
  // Whatever was opened to look at them is closed again.
  EXPECT_EQ(OpenDescriptors(), before);
}

// With a folder hint, every path opens the same file (or fails the same way, with the same
// reason) as without one; only files right inside the held folder are opened by name.
TEST(OpenFolderHint, OpensWhatThePathNames) {
  TempFolder dir;
  const std::string& d = dir.path();
  const std::string kana = Sjis("カナ");  // a CP932 name: the folder is held by its UTF-8 form
  ASSERT_TRUE(CreateFolderPath(d + "/" + kana + "/sub"));
  Touch(d + "/a", "top");
  Touch(d + "/" + Cp932ToUtf8Lossy(kana) + "/b", "inside");
  Touch(d + "/" + Cp932ToUtf8Lossy(kana) + "/sub/c", "below");
  const std::string k = d + "/" + kana;
  struct Case {
    std::string path;
    std::string content;  // empty: the open fails
    int error = 0;        // errno of a failure that names one
  };
  const Case cases[] = {
      {k + "/b", "inside"},     {k + "/sub/c", "below"},      {d + "/a", "top"},
      {k + "/sub", "", EISDIR}, {k + "/missing", "", ENOENT}, {k + "/..", "", EISDIR},
      {k + "/./b", "inside"},   {k + "b", "", ENOENT}};
  const std::string folders[] = {k, d, d + "/nowhere", k + "/sub/c"};
  const int before = OpenDescriptors();
  for (const std::string& folder : folders) {
    OpenFolderHint outer;
    outer.Use(d + "/nowhere");
    OpenFolderHint hint;
    hint.Use(folder);
    hint.Use(folder);  // the same folder again keeps what is held
    for (const Case& c : cases) {
      InputFile file;
      errno = 0;
      const bool opened = file.Open(c.path);
      const int error = errno;
      ASSERT_EQ(opened, !c.content.empty()) << folder << " " << c.path;
      if (!opened) {
        if (c.error != 0) {
          EXPECT_EQ(error, c.error) << folder << " " << c.path;
        }
        continue;
      }
      std::string got(16, '\0');
      got.resize(static_cast<size_t>(file.Read(got.data(), got.size())));
      EXPECT_EQ(got, c.content) << folder << " " << c.path;
    }
  }
  EXPECT_EQ(OpenDescriptors(), before);
}

// A file of the folder an inner hint held still opens after that hint ended, and the hint
// around it serves again. The ended hint's storage stays in place (its folder name is short
// enough to stay inside it), so a hint still taken for the innermost would be seen.
TEST(OpenFolderHint, AnEndedHintServesNoMore) {
  char tmpl[] = "/tmp/skXXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string inner = tmpl;
  TempFolder outerDir;
  Touch(inner + "/b", "inside");
  Touch(outerDir.path() + "/a", "outside");
  {
    OpenFolderHint outer;
    outer.Use(outerDir.path());
    std::optional<OpenFolderHint> held;
    held.emplace();
    held->Use(inner);
    held.reset();
    for (const auto& [path, content] : {std::pair<std::string, std::string>{inner + "/b", "inside"},
                                        {outerDir.path() + "/a", "outside"}}) {
      InputFile file;
      ASSERT_TRUE(file.Open(path)) << path;
      std::string got(16, '\0');
      got.resize(static_cast<size_t>(file.Read(got.data(), got.size())));
      EXPECT_EQ(got, content);
    }
  }
  DeleteFolderTree(inner);
}

// A fill that throws leaves no temporary file and no descriptor behind.
TEST(WriteFileAtomic, AFillThatThrowsLeavesNothingOpen) {
  TempFolder dir;
  const std::string path = dir.path() + "/f.txt";
  Touch(path, "old");
  const int before = OpenDescriptors();
  EXPECT_THROW(WriteFileAtomicPieces(path,
                                     [](const FilePieceWriter& write) {
                                       write("new");
                                       throw std::runtime_error("stopped");
                                     }),
               std::runtime_error);
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(ReadWholeFile(path), "old");
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 1u);
}

// The exit status of body run in a child process; a child still running after the alarm
// (a read that retries for ever) ends by the signal and gives -1.
int ExitOfChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(20);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A read reports the end of the file and a failure as they are, whatever errno held before:
// only a read that was interrupted is tried again.
TEST(InputFile, EndAndFailureEndTheRead) {
  TempFolder dir;
  Touch(dir.path() + "/f", "abc");
  const int status = ExitOfChild([&] {
    InputFile file;
    if (!file.Open(dir.path() + "/f")) return 10;
    char buf[4];
    errno = EINTR;
    if (file.ReadAt(buf, sizeof buf, 3) != 0) return 11;
    if (file.Read(buf, sizeof buf) != 3) return 12;
    errno = EINTR;
    if (file.Read(buf, sizeof buf) != 0) return 13;
    errno = 0;
    // No file has a place this far: the system refuses the offset.
    if (file.ReadAt(buf, sizeof buf, UINT64_MAX - 1) != -1 || errno != EINVAL) return 14;
    return 0;
  });
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace skarvo

namespace skarvo {
namespace {

bool HoldsTempFile(const std::string& folder) {
  for (const FolderEntry& e : ListFolder(folder).entries)
    if (e.name.rfind(".skarvo-", 0) == 0) return true;
  return false;
}

// The moments of a write at which something else can happen to the target, and what the
// writer must make of each: a change while the content is written is seen just before the
// replacement; an interrupt's clean-up finds the temporary file while it exists.
TEST(WriteFileSafely, ATargetChangedDuringTheWriteIsLeftAndTheTempFileIsKnownUntilTheEnd) {
  TempFolder dir;
  const std::string f = dir.path() + "/f.txt";
  struct Step {
    const char* name;
    std::function<void()> duringFill;
    WriteFailure expected;
    std::string content;  // f afterwards
  };
  const std::vector<Step> steps = {
      {"an editor appends while the new content is written",
       [&] { std::ofstream(f, std::ios::app) << "edit"; }, WriteFailure::kChanged, "oldedit"},
      {"an editor saves by rename while the new content is written",
       [&] {
         Touch(dir.path() + "/e.tmp", "saved");
         ::rename((dir.path() + "/e.tmp").c_str(), f.c_str());
       },
       WriteFailure::kChanged, "saved"},
      {"an interrupt's clean-up removes the temporary file",
       [&] {
         EXPECT_TRUE(HoldsTempFile(dir.path()));
         RemoveInflightTempFiles();
         EXPECT_FALSE(HoldsTempFile(dir.path()));
       },
       WriteFailure::kIo, "old"},
      {"nothing happens", [] {}, WriteFailure::kNone, "new"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    Touch(f, "old");
    const WriteOutcome outcome = WriteFileSafely(f, [&](const FilePieceWriter& write) {
      write("new");
      step.duringFill();
    });
    EXPECT_EQ(outcome.failure, step.expected);
    EXPECT_EQ(ReadWholeFile(f).value_or("<none>"), step.content);
    EXPECT_FALSE(HoldsTempFile(dir.path()));
  }
  // A finished write leaves nothing for the clean-up to remove.
  RemoveInflightTempFiles();
  EXPECT_EQ(ReadWholeFile(f).value_or("<none>"), "new");
}

TEST(WriteFileSafely, TheExpectedFileMustStillBeTheOneGiven) {
  TempFolder dir;
  const std::string f = dir.path() + "/f.txt";
  Touch(f, "old");
  FileIdentity read;
  ASSERT_TRUE(ReadWholeFileAs(f, read));
  AtomicWriteOptions options;
  options.expected = &read;
  Touch(f, "ol2");  // same size, written again (a second later, as the clock goes)
  const timespec times[2] = {{0, UTIME_OMIT}, {read.mtimeNs / 1000000000 + 1, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
  const auto fill = [](const FilePieceWriter& write) { write("new"); };
  FileIdentity now = *IdentityOf(f);
  EXPECT_EQ(WriteFileSafely(f, fill, options).failure, WriteFailure::kChanged);
  options.expected = &now;
  EXPECT_TRUE(WriteFileSafely(f, fill, options).Ok());
  EXPECT_EQ(ReadWholeFile(f).value_or(""), "new");
}

// A file with a second name is written in place: on a disk too full for its new size it
// is left whole, not cut off where the space ran out.
TEST(WriteFileSafely, AHardLinkedFileOnAFullDiskIsLeftWhole) {
  TempFolder dir;
  // 16 pages: the temporary file fits beside the old one, the grown old one may not.
  if (::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "a small file system cannot be mounted here";
  struct Row {
    size_t oldSize, newSize;
    WriteFailure expected;
  } rows[] = {
      {8192, 12288, WriteFailure::kNone},   // grows within the free space
      {24576, 36864, WriteFailure::kIo},    // grows past it
      {36864, 24576, WriteFailure::kNone},  // shrinks
  };
  for (const Row& row : rows) {
    const std::string f = dir.path() + "/f.txt", g = dir.path() + "/g.txt";
    Touch(f, std::string(row.oldSize, 'o'));
    EXPECT_EQ(::link(f.c_str(), g.c_str()), 0);
    const WriteFailure got = WriteFileSafely(f, [&](const FilePieceWriter& write) {
                               write(std::string(row.newSize, 'n'));
                             }).failure;
    EXPECT_EQ(got, row.expected) << row.oldSize << " -> " << row.newSize;
    const std::string want(row.expected == WriteFailure::kNone ? row.newSize : row.oldSize,
                           row.expected == WriteFailure::kNone ? 'n' : 'o');
    EXPECT_TRUE(ReadWholeFile(g) == want) << row.oldSize << " -> " << row.newSize;
    EXPECT_FALSE(HoldsTempFile(dir.path()));
    ::unlink(f.c_str());
    ::unlink(g.c_str());
  }
  ::umount(dir.path().c_str());
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace skarvo
