#include "dialogs/editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "support/fake_ui_port.h"
#include "support/string_text_area.h"
#include "targets/temp_tree.h"

namespace skarvo::testing {
namespace {

std::string U(const char* utf8) { return Sjis(utf8); }

TEST(EditorTextTest, LineEndsReadAsOneAndWriteAsCrLf) {
  struct Row {
    std::string bytes;
    std::string shown;
    bool valid;
    std::string written;
  } rows[] = {
      {"", "", true, ""},
      {"a\r\nb\r\n", "a\nb\n", true, "a\r\nb\r\n"},
      {"a\nb", "a\nb", true, "a\r\nb\r\n"},
      {"a\rb\r\r\nc", "a\nb\n\nc", true, "a\r\nb\r\n\r\nc\r\n"},
      {U("日本\r\n語"), "日本\n語", true, U("日本\r\n語\r\n")},
      {"ab\x81\r\n\xff", "", false, ""},  // a lead byte before the line end; 0xFF
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes);
    const EditorText text = EditorTextFromFile(row.bytes);
    EXPECT_EQ(text.valid, row.valid);
    if (!row.valid) continue;
    EXPECT_EQ(text.utf8, row.shown);
    std::string bytes, refusal;
    EXPECT_TRUE(EditorTextToFile(text.utf8, bytes, refusal));
    EXPECT_EQ(bytes, row.written);
  }
  std::string bytes = "old", refusal;
  EXPECT_FALSE(EditorTextToFile("ok\nab\xf0\x9f\x98\x80z\n", bytes, refusal));
  EXPECT_EQ(refusal, U("2行目の文字 U+1F600 はShift-JISで表せないため、保存しませんでした。"));
}

class EditorCoreTest : public ::testing::Test {
 protected:
  EditorCoreTest() { tree_.File("f.txt", "one\r\ntwo\r\nthree\r\n"); }
  std::string Read(const char* name) { return ReadWholeFile(tree_.Path(name)).value_or("?"); }
  std::vector<std::string> Texts(const char* kind) {
    std::vector<std::string> texts;
    for (const FakeUiPort::Call& call : port_.CallsOf(kind)) texts.push_back(call.text);
    return texts;
  }
  void Type(const std::string& utf8) {
    area_.text += utf8;
    area_.modified = true;
    editor_.TextChanged();
  }

  TempTree tree_;
  FakeUiPort port_;
  StringTextArea area_;
  EditorCore editor_{port_, area_};
};

TEST_F(EditorCoreTest, ShowsAFileAtItsLine) {
  EXPECT_EQ(editor_.Caption(), "Editer");
  editor_.ShowFileAtLine(tree_.Path("f.txt"), 3);
  EXPECT_EQ(area_.text, "one\ntwo\nthree\n");
  EXPECT_EQ(area_.caretLine, 3);
  EXPECT_EQ(editor_.StatusText(), U("縦：3横：1"));
  EXPECT_EQ(area_.visibleRequests, 1);
  EXPECT_EQ(editor_.Caption(), tree_.Path("f.txt"));
  EXPECT_FALSE(editor_.SaveEnabled());
  EXPECT_FALSE(area_.modified);
  EXPECT_TRUE(editor_.StatusTimer.Enabled());
  editor_.StatusTimer.Fire();
  EXPECT_EQ(editor_.StatusText(), "");
  EXPECT_TRUE(editor_.StatusTimer.Enabled());  // once on, it stays on
  editor_.ShowFileAtLine(tree_.Path("f.txt"), -1);
  EXPECT_EQ(editor_.StatusText(), U("縦：1横：1"));
  EXPECT_TRUE(port_.calls.empty());
  // A file that cannot be read: the error, and the text stays.
  EXPECT_THROW(editor_.ShowFileAtLine(tree_.Path("none.txt"), 1), Exception);
  EXPECT_EQ(area_.text, "one\ntwo\nthree\n");
  EXPECT_EQ(editor_.Caption(), tree_.Path("f.txt"));
}

TEST_F(EditorCoreTest, SaveAsksTwiceAndWritesAtomically) {
  editor_.ShowFileAtLine(tree_.Path("f.txt"), 1);
  ::chmod(tree_.Native("f.txt").c_str(), 0640);
  // Not modified: says so, writes nothing.
  editor_.OnSave();
  EXPECT_EQ(Texts("message"), std::vector<std::string>{U("変更されていません。")});
  Type("four");
  EXPECT_TRUE(editor_.SaveEnabled());
  struct Row {
    std::vector<Answer> answers;
    size_t questions;
    bool written;
  } rows[] = {
      {{Answer::kNo}, 1, false},
      {{Answer::kYes, Answer::kNo}, 2, false},
      {{Answer::kYes, Answer::kYes}, 2, true},
  };
  for (const Row& row : rows) {
    port_.calls.clear();
    port_.askAnswers.assign(row.answers.begin(), row.answers.end());
    editor_.OnSave();
    std::vector<std::string> asked = Texts("ask");
    ASSERT_EQ(asked.size(), row.questions);
    EXPECT_EQ(asked[0], U("上書きしますか？"));
    if (row.questions > 1) {
      EXPECT_EQ(asked[1], U("既存のファイルは、新規ファイルで上書きされます。"));
    }
    EXPECT_EQ(Read("f.txt"),
              row.written ? "one\r\ntwo\r\nthree\r\nfour\r\n" : "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(editor_.SaveEnabled(), !row.written);
    EXPECT_EQ(area_.modified, !row.written);
  }
  struct stat st;
  ASSERT_EQ(::stat(tree_.Native("f.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // A character without a CP932 form: refused, nothing written, the text stays.
  Type("\xf0\x9f\x98\x80");
  port_.calls.clear();
  port_.askAnswers = {Answer::kYes, Answer::kYes};
  editor_.OnSave();
  EXPECT_EQ(Texts("error"),
            std::vector<std::string>{
                U("4行目の文字 U+1F600 はShift-JISで表せないため、保存しませんでした。")});
  EXPECT_EQ(Read("f.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
  EXPECT_TRUE(area_.modified);
  EXPECT_TRUE(editor_.SaveEnabled());
  // Closing: a failed save keeps the window; No closes without writing.
  port_.askAnswers = {Answer::kYes, Answer::kYes};
  EXPECT_FALSE(editor_.CloseQuery());
  port_.askAnswers = {Answer::kNo};
  EXPECT_TRUE(editor_.CloseQuery());
  EXPECT_EQ(Read("f.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST_F(EditorCoreTest, CloseSaveAsAndOpen) {
  editor_.ShowFileAtLine(tree_.Path("f.txt"), 2);
  EXPECT_TRUE(editor_.CloseQuery());  // not modified: no question
  EXPECT_TRUE(port_.calls.empty());
  Type("x");
  port_.askAnswers = {Answer::kYes, Answer::kYes};
  EXPECT_TRUE(editor_.CloseQuery());
  EXPECT_EQ(Texts("ask"),
            (std::vector<std::string>{U("ファイルは変更されています。上書きしますか？"),
                                      U("既存のファイルは、新規ファイルで上書きされます。")}));
  EXPECT_EQ(Read("f.txt"), "one\r\ntwo\r\nthree\r\nx\r\n");

  // Save as: the chooser starts in the file's folder; the caption and flags stay.
  Type("y");
  port_.calls.clear();
  port_.saveAnswers = {tree_.Path("other.txt"), std::nullopt};
  editor_.OnSaveAs();
  ASSERT_EQ(port_.fileRequests.size(), 1u);
  EXPECT_EQ(port_.fileRequests[0].initialFolder, tree_.Root());
  EXPECT_EQ(port_.fileRequests[0].filter, U("テキストファイル|*.txt"));
  EXPECT_EQ(Read("other.txt"), "one\r\ntwo\r\nthree\r\nxy\r\n");
  EXPECT_EQ(editor_.Caption(), tree_.Path("f.txt"));
  EXPECT_TRUE(area_.modified);
  EXPECT_TRUE(editor_.SaveEnabled());
  editor_.OnSaveAs();
  EXPECT_EQ(Texts("message"), std::vector<std::string>{U("ファイルは保存されませんでした。")});

  // Open: the chosen file replaces the text and names the caption.
  port_.calls.clear();
  port_.openAnswers = {tree_.Path("other.txt"), std::nullopt};
  editor_.OnOpen();
  EXPECT_EQ(editor_.Caption(), tree_.Path("other.txt"));
  EXPECT_EQ(area_.text, "one\ntwo\nthree\nxy\n");
  editor_.OnOpen();
  EXPECT_EQ(Texts("message"), std::vector<std::string>{U("ファイルは選択されませんでした。")});
}

TEST_F(EditorCoreTest, TextThatIsNotShiftJisWarnsAndAsksBeforeSaving) {
  tree_.File("u.txt", "ab\x81\r\n");  // a lead byte without its second byte
  editor_.ShowFileAtLine(tree_.Path("u.txt"), 1);
  ASSERT_EQ(Texts("message").size(), 1u);
  Type("z");
  port_.askAnswers = {Answer::kYes, Answer::kYes, Answer::kNo};
  editor_.OnSave();
  EXPECT_EQ(Texts("ask").size(), 3u);
  EXPECT_EQ(Read("u.txt"), "ab\x81\r\n");
  port_.askAnswers = {Answer::kYes, Answer::kYes, Answer::kYes};
  editor_.OnSave();
  EXPECT_EQ(Read("u.txt"), "ab?\r\nz\r\n");
  EXPECT_FALSE(area_.modified);
}

}  // namespace
}  // namespace skarvo::testing
