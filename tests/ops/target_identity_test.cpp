// Which file the overwrite writes and where its backup goes, over links, "..", hard links,
// two spellings of one file, owners and attributes, and files swapped after the search: a
// table of cases, each run through a real search, replace and overwrite.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <map>

#include "ops/ops_fixture.h"
#include "ops/overwrite.h"

namespace skarvo::testing {
namespace {

// A POSIX access ACL (the kernel's xattr form): owner rw, user daemon r, group r, mask r,
// others none.
std::string AclWithDaemon() {
  const auto entry = [](uint16_t tag, uint16_t perm, uint32_t id) {
    std::string e(8, '\0');
    std::memcpy(e.data(), &tag, 2);
    std::memcpy(e.data() + 2, &perm, 2);
    std::memcpy(e.data() + 4, &id, 4);
    return e;
  };
  const uint32_t version = 2;
  std::string acl(reinterpret_cast<const char*>(&version), 4);
  return acl + entry(0x01, 6, ~0u) + entry(0x02, 4, 1) + entry(0x04, 4, ~0u) + entry(0x10, 4, ~0u) +
         entry(0x20, 0, ~0u);
}

ino_t InodeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_ino;
}

// Makes a folder refuse new files (for root too: the immutable flag); false when it cannot.
bool SetImmutable(const std::string& folder, bool on) {
  if (::geteuid() != 0) return ::chmod(folder.c_str(), on ? 0555 : 0755) == 0;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  ::close(fd);
  return ok;
}

class TargetIdentityTest : public OpsTest {
 public:
  // For the cases' steps.
  using OpsTest::Data;
  using OpsTest::home_;
  using OpsTest::settings_;
  using OpsTest::Texts;
  std::string P(const std::string& name) const { return Data() + "/" + name; }
};

struct Case {
  const char* name;
  std::map<std::string, std::string> files;          // under data/, before the search
  std::function<void(TargetIdentityTest&)> prepare;  // before the search
  std::vector<std::string> folders;                  // searched, under data/ ("" = data)
  std::function<void(TargetIdentityTest&)> between;  // after the replace, before the write
  std::function<std::string(TargetIdentityTest&)> backupRoot;  // default: home + "/bk"
  std::vector<std::string> report;           // "W name" / "S name reason" (name relative to data/)
  std::map<std::string, std::string> after;  // file contents afterwards
  std::function<void(TargetIdentityTest&, const OverwriteRecord&)> check;
  std::string replacement = "BAR";
};

TEST_F(TargetIdentityTest, BackupPlacesAndTargetsOverLinksDotDotHardLinksAndSpellings) {
  const std::vector<Case> cases = {
      {"a backup root of / would put the copy on the file itself",
       {{"a.txt", "foo 1\n"}},
       {},
       {""},
       {},
       [](TargetIdentityTest&) { return std::string("/"); },
       {"S a.txt no-backup"},
       {{"a.txt", "foo 1\n"}},
       {}},
      {"a backup root that is a link to / as well",
       {{"a.txt", "foo 1\n"}},
       [](TargetIdentityTest& t) { ::symlink("/", (t.home_ + "/bklink").c_str()); },
       {""},
       {},
       [](TargetIdentityTest& t) { return t.home_ + "/bklink"; },
       {"S a.txt no-backup"},
       {{"a.txt", "foo 1\n"}},
       {}},
      {"ln/.. is where the file system leads, so two files keep two backups",
       {{"a.txt", "foo X\n"}, {"d/a.txt", "foo Y\n"}, {"d/sub/keep", ""}},
       [](TargetIdentityTest& t) {
         ::symlink((t.Data() + "/d/sub").c_str(), t.P("ln").c_str());
         t.settings_.searchSubfolders = false;
       },
       {"ln/..", ""},
       {},
       {},
       {"W ln/../a.txt", "W a.txt"},
       {{"a.txt", "BAR X\r\n"}, {"d/a.txt", "BAR Y\r\n"}},
       [](TargetIdentityTest& t, const OverwriteRecord& r) {
         ASSERT_EQ(r.files.size(), 2u);
         EXPECT_EQ(Read(r.files[0].backup), "foo Y\n");
         EXPECT_EQ(Read(r.files[1].backup), "foo X\n");
         EXPECT_EQ(r.files[0].backup, t.home_ + "/bk" + t.P("d/a.txt"));
       }},
      {"one file under two spellings is one target, written once, its backup the original",
       {{"a.txt", "foo 1\n"}},
       {},
       {"", "."},
       {},
       {},
       {"W a.txt"},
       {{"a.txt", "BAR 1\r\n"}},
       [](TargetIdentityTest&, const OverwriteRecord& r) {
         ASSERT_EQ(r.files.size(), 1u);
         EXPECT_EQ(Read(r.files[0].backup), "foo 1\n");
       }},
      {"a hard-linked file is written in place: every name sees the new text",
       {{"h0.txt", "foo h\n"}},
       [](TargetIdentityTest& t) { ::link(t.P("h0.txt").c_str(), t.P("h1.dat").c_str()); },
       {""},
       {},
       {},
       {"W h0.txt"},
       {{"h0.txt", "BAR h\r\n"}, {"h1.dat", "BAR h\r\n"}},
       [](TargetIdentityTest& t, const OverwriteRecord&) {
         EXPECT_EQ(InodeOf(t.P("h0.txt")), InodeOf(t.P("h1.dat")));
       }},
      {"owner, group, mode, extended attributes and ACL are kept; the backup is no wider",
       {{"own.txt", "foo o\n"}},
       [](TargetIdentityTest& t) {
         const std::string f = t.P("own.txt");
         ASSERT_EQ(::chown(f.c_str(), 65534, 65534), ::geteuid() == 0 ? 0 : -1);
         ::chmod(f.c_str(), 0640);
         ASSERT_EQ(::setxattr(f.c_str(), "user.note", "kept", 4, 0), 0);
         const std::string acl = AclWithDaemon();
         ASSERT_EQ(::setxattr(f.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
       },
       {""},
       {},
       {},
       {"W own.txt"},
       {{"own.txt", "BAR o\r\n"}},
       [](TargetIdentityTest& t, const OverwriteRecord& r) {
         const std::string f = t.P("own.txt");
         struct stat st {};
         ASSERT_EQ(::stat(f.c_str(), &st), 0);
         if (::geteuid() == 0) {
           EXPECT_EQ(st.st_uid, 65534u);
         }
         EXPECT_EQ(st.st_mode & 07777, 0640u);
         char value[64] = {};
         EXPECT_EQ(::getxattr(f.c_str(), "user.note", value, sizeof value), 4);
         EXPECT_STREQ(value, "kept");
         std::string acl(64, '\0');
         const ssize_t n = ::getxattr(f.c_str(), "system.posix_acl_access", acl.data(), acl.size());
         EXPECT_EQ(acl.substr(0, n > 0 ? n : 0), AclWithDaemon());
         ASSERT_EQ(r.files.size(), 1u);
         ASSERT_EQ(::stat(r.files[0].backup.c_str(), &st), 0);
         EXPECT_EQ(st.st_mode & 0777 & ~0640u, 0u);
         for (std::string d = r.files[0].backup; (d = d.substr(0, d.rfind('/'))) != t.home_;) {
           ASSERT_EQ(::stat(d.c_str(), &st), 0);
           EXPECT_EQ(st.st_mode & 0777, 0700u) << d;
         }
       }},
      {"a file swapped for a link after the search is left as changed",
       {{"a.txt", "foo 1\n"}, {"../victim/v.txt", "foo 1\n"}},
       {},
       {""},
       [](TargetIdentityTest& t) {
         ::unlink(t.P("a.txt").c_str());
         ::symlink((t.home_ + "/victim/v.txt").c_str(), t.P("a.txt").c_str());
       },
       {},
       {"S a.txt changed"},
       {{"../victim/v.txt", "foo 1\n"}},
       {}},
      {"a file replaced by a new one with the same text after the search is left as changed",
       {{"a.txt", "foo 1\n"}},
       {},
       {""},
       [](TargetIdentityTest& t) {
         WriteFileAtomic(t.P("b.tmp"), "foo 1\n");
         ::rename(t.P("b.tmp").c_str(), t.P("a.txt").c_str());
       },
       {},
       {"S a.txt changed"},
       {{"a.txt", "foo 1\n"}},
       {}},
      {"a link that was a link at the search is written at its target and stays a link",
       {{"../real/r.txt", "foo r\n"}},
       [](TargetIdentityTest& t) {
         CreateFolderPath(t.Data());
         ::symlink((t.home_ + "/real/r.txt").c_str(), t.P("l.txt").c_str());
       },
       {""},
       {},
       {},
       {"W l.txt"},
       {{"../real/r.txt", "BAR r\r\n"}},
       [](TargetIdentityTest& t, const OverwriteRecord& r) {
         struct stat st {};
         ASSERT_EQ(::lstat(t.P("l.txt").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
         ASSERT_EQ(r.files.size(), 1u);
         EXPECT_EQ(r.files[0].backup, t.home_ + "/bk" + t.home_ + "/real/r.txt");
       }},
      {"a replace that changes no byte writes nothing",
       {{"same.txt", "foo s\r\n"}},
       {},
       {""},
       {},
       {},
       {},
       {{"same.txt", "foo s\r\n"}},
       {},
       "foo"},
      {"a folder that takes no new file is named",
       {{"ro/a.txt", "foo 1\n"}},
       {},
       {"ro"},
       [](TargetIdentityTest& t) { ASSERT_TRUE(SetImmutable(t.P("ro"), true)); },
       {},
       {"S ro/a.txt folder-not-writable"},
       {{"ro/a.txt", "foo 1\n"}},
       [](TargetIdentityTest& t, const OverwriteRecord&) {
         SetImmutable(t.P("ro"), false);
         EXPECT_EQ(t.Texts("message"),
                   std::vector<std::string>{
                       "\"" + t.P("ro/a.txt") + "\"" + S("に書き込めませんでした。フォルダ") +
                       "\"" + t.P("ro") + "\"" + S("に新しいファイルを作れません。")});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFolderTree(Data());
    DeleteFolderTree(home_ + "/bk");
    settings_.searchSubfolders = true;
    ui_.calls.clear();
    std::map<std::string, ino_t> inodes;
    for (const auto& [name, bytes] : c.files) inodes[name] = InodeOf(Write(name, bytes));
    if (c.prepare) c.prepare(*this);
    for (size_t i = 0; i < c.folders.size(); ++i) {
      Build(c.folders[i].empty() ? Data() : P(c.folders[i]), i > 0);
    }
    Search("foo");
    Replace(c.replacement);
    ui_.calls.clear();
    if (c.between) c.between(*this);
    TFileBackup backup(c.backupRoot ? c.backupRoot(*this) : home_ + "/bk", nullptr);
    ui_.askAnswers = {Answer::kYesToAll};
    std::vector<std::string> report;
    skarvo::Overwrite(
        session_, backup, awk_, prompter_,
        [&](const std::string& path, bool written, SkipReason reason) {
          const std::string name = path.substr(Data().size() + 1);
          report.push_back(written ? "W " + name : "S " + name + " " + SkipReasonKey(reason));
        });
    EXPECT_EQ(report, c.report);
    for (const auto& [name, bytes] : c.after) EXPECT_EQ(Read(P(name)), bytes) << name;
    if (c.report.empty()) {
      for (const auto& [name, inode] : inodes) EXPECT_EQ(InodeOf(P(name)), inode) << name;
    }
    if (c.check) c.check(*this, std::get<OverwriteUndo>(session_.undo).record);
  }
}

}  // namespace
}  // namespace skarvo::testing
