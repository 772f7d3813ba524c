#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

class IniTempFolder {
 public:
  IniTempFolder() {
    char tmpl[] = "/tmp/skarvo-ini-XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    path_ = made ? made : "";
  }
  ~IniTempFolder() {
    if (!path_.empty()) DeleteFolderTree(path_);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(IniSnapshot, ReadsByTheProfileRules) {
  const std::string text = Sjis(
      "orphan=before any section\r\n"
      "[Main]\r\n"
      "  Key = value with blanks  \r\n"
      "quoted=\"  kept blanks \"\r\n"
      "single='x'\r\n"
      "unpaired=\"x'\r\n"
      "list=\"a\",\"b\",\r\n"
      "empty=\r\n"
      "garbage line without equals\r\n"
      "; comment=not an entry\r\n"
      "dup=first\r\n"
      "DUP=second\r\n"
      "[ 表示 ]\r\n"
      "TAB１背景色=clNavy\r\n"
      "[main]\r\n"
      "dup=third\r\n"
      "late=from the second Main\r\n"
      "[ゾ]\n"
      "lf=only\n"
      "[unclosed\r"
      "cr=only\r"
      "last=no break");
  IniSnapshot ini = IniSnapshot::Parse(text);
  struct Row {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } rows[] = {
      {"Main", "key", "value with blanks"},
      {"MAIN", "KEY", "value with blanks"},
      {"Main", "quoted", "  kept blanks "},
      {"Main", "single", "x"},
      {"Main", "unpaired", "\"x'"},
      {"Main", "list", "\"a\",\"b\","},
      {"Main", "empty", ""},
      {"Main", "; comment", std::nullopt},
      {"Main", "garbage line without equals", std::nullopt},
      {"Main", "dup", "first"},
      {"Main", "late", "from the second Main"},
      {"Main", "orphan", std::nullopt},
      {"表示", "TAB１背景色", "clNavy"},
      {"ゾ", "lf", "only"},
      {"unclosed", "cr", "only"},
      {"unclosed", "last", "no break"},
      {"Absent", "key", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.section) + "/" + row.key);
    EXPECT_EQ(ini.Find(Sjis(row.section), Sjis(row.key)), row.value);
  }
  EXPECT_TRUE(ini.HasSection("MAIN"));
  EXPECT_FALSE(ini.HasSection("Absent"));
  EXPECT_EQ(ini.ReadString("Absent", "key", "fallback"), "fallback");
}

TEST(IniSnapshot, CutsLongValuesWithoutSplittingACharacter) {
  std::string ascii(3000, 'a');
  ascii[2046] = 'Z';
  // A 2-byte character at bytes 2046-2047 would straddle the limit: the cut comes before it.
  std::string kanji = std::string(2046, 'b') + Sjis("検") + "tail";
  std::string exact = std::string(2045, 'c') + Sjis("検");
  std::string text = "[s]\nascii=" + ascii + "\nkanji=" + kanji + "\nexact=" + exact +
                     "\nquoted=\"" + std::string(5000, 'q') + "\"\n";
  IniSnapshot ini = IniSnapshot::Parse(text);
  EXPECT_EQ(ini.Find("s", "ascii"), ascii.substr(0, 2047));
  EXPECT_EQ(ini.Find("s", "kanji"), std::string(2046, 'b'));
  EXPECT_EQ(ini.Find("s", "exact"), exact);
  EXPECT_EQ(ini.Find("s", "quoted"), std::string(2047, 'q'));
}

TEST(IniSnapshot, HugeLinesAndNulBytesDoNotDisturbTheEntriesAround) {
  IniTempFolder dir;
  std::string path = dir.File("big.ini");
  std::string text = "[s]\nbefore=1\nhuge=" + std::string(200000, 'h') + "\n" +
                     std::string(100000, 'g') + "\nnul=ab" + std::string(1, '\0') + "cd\nafter=2\n";
  ASSERT_TRUE(WriteFileAtomic(path, text));
  IniSnapshot ini = IniSnapshot::Load(path);
  EXPECT_EQ(ini.Find("s", "before"), "1");
  EXPECT_EQ(ini.Find("s", "huge"), std::string(2047, 'h'));
  EXPECT_EQ(ini.Find("s", "nul"), "ab");
  EXPECT_EQ(ini.Find("s", "after"), "2");
  EXPECT_EQ(IniSnapshot::Load(dir.File("absent.ini")).Find("s", "before"), std::nullopt);
  // A folder in place of the file reads as an absent file.
  EXPECT_EQ(IniSnapshot::Load(dir.path()).Find("s", "before"), std::nullopt);
}

TEST(IniSetValue, ChangesOnlyWhatTheWriteNames) {
  struct Row {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } rows[] = {
      {"new file", "", "Main", "k", "v", "[Main]\r\nk=v\r\n"},
      {"in place, rest kept byte for byte", "; top\r\n[Main]\r\nA=1\r\n  K = old  \r\nB=2\r\n",
       "main", "k", "new", "; top\r\n[Main]\r\nA=1\r\nk=new\r\nB=2\r\n"},
      {"added after the last entry of its section", "[Main]\r\nA=1\r\n\r\n[Other]\r\nA=1\r\n",
       "Main", "B", "2", "[Main]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nA=1\r\n"},
      {"added to an empty section", "[Main]\n[Other]\n", "Main", "B", "2",
       "[Main]\nB=2\n[Other]\n"},
      {"section added at the end, LF kept", "[Main]\nA=1\n", "表示", "x", "y",
       "[Main]\nA=1\n[表示]\ny"},
      {"last line without a break", "[Main]\nA=1", "Main", "B", "2", "[Main]\nA=1\nB=2\n"},
      {"new section after a last line without a break", "[Main]\r\nA=1", "S", "B", "2",
       "[Main]\r\nA=1\r\n[S]\r\nB=2\r\n"},
      {"key found in a later section of the same name", "[Main]\nA=1\n[X]\nk=0\n[MAIN]\nk=old\n",
       "Main", "k", "new", "[Main]\nA=1\n[X]\nk=0\n[MAIN]\nk=new\n"},
      {"duplicate key: the first is written", "[Main]\nk=1\nk=2\n", "Main", "k", "3",
       "[Main]\nk=3\nk=2\n"},
      {"entries before any section are not the section's", "k=1\n[Main]\n", "Main", "k", "2",
       "k=1\n[Main]\nk=2\n"},
      {"blanks at the ends are kept by quoting", "", "s", "k", " x ", "[s]\r\nk=\" x \"\r\n"},
      {"a quoted value keeps its quotes", "", "s", "k", "\"x\"", "[s]\r\nk=\"\"x\"\"\r\n"},
      {"a list value is stored as it is", "", "s", "k", "\"a\",\"b\",",
       "[s]\r\nk=\"a\",\"b\",\r\n"},
      {"a line break ends the value", "", "s", "k", "one\r\n[evil]\r\nx=1", "[s]\r\nk=one\r\n"},
  };
  // The row with "表示" has its expectation built here, where Sjis is at hand.
  rows[4].after = Sjis("[Main]\nA=1\n[表示]\nx=y\n");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IniSetValue(row.before, Sjis(row.section), row.key, row.value), row.after);
  }
}

TEST(IniSetValue, EveryWrittenValueReadsBack) {
  // Random values over bytes that include blanks, quotes, "=", "[", "]" and 2-byte characters.
  std::mt19937 random(20261207);
  const std::string alphabet = std::string(" \t\"'=[];,ab") + Sjis("ゾ表検");
  std::string text = "[Main]\r\nA=1\r\n";
  for (int round = 0; round < 500; ++round) {
    std::string value;
    int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      size_t pick = random() % alphabet.size();
      if (IsLeadByte(static_cast<unsigned char>(alphabet[pick]))) {
        value += alphabet.substr(pick, 2);
      } else if (pick > 0 && IsLeadByte(static_cast<unsigned char>(alphabet[pick - 1]))) {
        value += alphabet.substr(pick - 1, 2);
      } else {
        value += alphabet[pick];
      }
    }
    std::string key = "k" + std::to_string(random() % 7);
    text = IniSetValue(text, "Main", key, value);
    SCOPED_TRACE(value);
    ASSERT_EQ(IniSnapshot::Parse(text).Find("main", key), value);
    ASSERT_EQ(IniSnapshot::Parse(text).Find("Main", "A"), "1");
  }
}

TEST(IniFile, CreatesOnFirstWriteAndEveryWriteReachesTheFile) {
  IniTempFolder dir;
  IniFile ini(dir.File("Skarvo.ini"));
  EXPECT_EQ(ini.Find("Main", "k"), std::nullopt);
  EXPECT_FALSE(FileExists(ini.Path()));
  ASSERT_TRUE(ini.WriteString("Main", "k", "1"));
  EXPECT_EQ(ReadWholeFile(ini.Path()), "[Main]\r\nk=1\r\n");
  ASSERT_TRUE(ini.WriteString("MAIN", "K", "2"));
  ASSERT_TRUE(ini.WriteString("Other", "x", "y"));
  EXPECT_EQ(ReadWholeFile(ini.Path()), "[Main]\r\nK=2\r\n[Other]\r\nx=y\r\n");
  EXPECT_EQ(IniFile(ini.Path()).ReadString("main", "k", "-"), "2");
  // Nothing but the file is left in the folder.
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 1u);
}

TEST(IniFile, APipeOrADeviceInPlaceOfTheFileReadsAsNoFileAndIsNotWritten) {
  IniTempFolder dir;
  const std::string pipe = dir.File("pipe.ini");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string device = dir.File("zero.ini");
  ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
  // A read that waited for a writer would never return: let the alarm end the test.
  ::alarm(20);
  for (const std::string& path : {pipe, device}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(IniFile(path).Find("s", "k"), std::nullopt);
    EXPECT_EQ(IniFile(path).ReadString("s", "k", "default"), "default");
  }
  // Nor is it replaced: the write is refused, so the caller reports it.
  EXPECT_FALSE(IniFile(pipe).WriteString("s", "k", "v"));
  ::alarm(0);
}

TEST(IniFile, RefusedWritesLeaveTheFileAsItWas) {
  IniTempFolder dir;
  EXPECT_FALSE(IniFile(dir.File("no/such/folder.ini")).WriteString("s", "k", "v"));
  EXPECT_FALSE(IniFile(dir.path()).WriteString("s", "k", "v"));

  IniFile ini(dir.File("Skarvo.ini"));
  ASSERT_TRUE(ini.WriteString("s", "k", "old"));
  const std::string before = *ReadWholeFile(ini.Path());
  // Names that could not be read back, or would break the file's lines.
  for (auto [section, key] : std::vector<std::pair<std::string, std::string>>{{"", "k"},
                                                                              {"s", ""},
                                                                              {"a]b", "k"},
                                                                              {"s", "a=b"},
                                                                              {"s", "[k"},
                                                                              {"s", ";k"},
                                                                              {"s\n[x", "k"},
                                                                              {"s", "k\nx"}}) {
    SCOPED_TRACE(section + "/" + key);
    EXPECT_FALSE(ini.WriteString(section, key, "v"));
  }
  EXPECT_EQ(ReadWholeFile(ini.Path()), before);

  // A write the OS refuses part-way (the file size limit) keeps the old file whole.
  struct rlimit old;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool written = ini.WriteString("s", "k", std::string(500, 'n'));
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadWholeFile(ini.Path()), before);
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 1u);
}

TEST(IniFile, AWriteThroughALinkLandsAtItsFinalTargetAndTheLinkStays) {
  IniTempFolder dir;
  ::mkdir(dir.File("real").c_str(), 0777);
  const std::string target = dir.File("real/Skarvo.ini");
  ASSERT_TRUE(WriteFileAtomic(target, "[s]\r\nold=1\r\n"));
  ::chmod(target.c_str(), 0640);
  // A relative link to a link to the file, as a user's dot-file set-up makes them.
  ASSERT_EQ(::symlink("real/Skarvo.ini", dir.File("middle.ini").c_str()), 0);
  ASSERT_EQ(::symlink("middle.ini", dir.File("Skarvo.ini").c_str()), 0);
  ASSERT_TRUE(IniFile(dir.File("Skarvo.ini")).WriteString("s", "k", "v"));
  EXPECT_EQ(ReadWholeFile(target), "[s]\r\nold=1\r\nk=v\r\n");
  struct stat st;
  for (const char* link : {"Skarvo.ini", "middle.ini"}) {
    ASSERT_EQ(::lstat(dir.File(link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << link;
  }
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A dangling link is refused, so the caller reports it, and stays as it was.
  ASSERT_EQ(::symlink("gone/Skarvo.ini", dir.File("dangling.ini").c_str()), 0);
  EXPECT_FALSE(IniFile(dir.File("dangling.ini")).WriteString("s", "k", "v"));
  EXPECT_FALSE(WriteFileAtomic(dir.File("dangling.ini"), "x"));
  ASSERT_EQ(::lstat(dir.File("dangling.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_FALSE(FolderExists(dir.File("gone")));
  // Nothing else was left in the folders.
  EXPECT_EQ(ListFolder(dir.path()).entries.size(), 4u);
  EXPECT_EQ(ListFolder(dir.File("real")).entries.size(), 1u);
}

}  // namespace
}  // namespace skarvo
