// The same lines in every encoding a text file may come in: found alike, shown as the
// characters they are, and written back each in its own bytes.
#include <algorithm>
#include <map>

#include "ops/ops_fixture.h"
#include "platform/text_encoding.h"

namespace skarvo::testing {
namespace {

std::string Internal(const char* utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToInternal(utf8, out)) << utf8;
  return out;
}

// The text in the encoding, with its byte order mark.
std::string Encoded(const std::string& utf8, TextEncoding encoding) {
  std::string bytes;
  EXPECT_TRUE(FromInternalForm(Internal(utf8.c_str()), encoding, bytes)) << EncodingName(encoding);
  return std::string(ByteOrderMark(encoding)) + bytes;
}

class EncodingOverwriteTest : public OpsTest {};

TEST_F(EncodingOverwriteTest, EveryEncodingIsFoundShownAndWrittenBackInItsOwnBytes) {
  // Line ends of all three kinds and no line end at the end; 𠮷, 한 and 〜 (U+301C, which
  // CP932 holds only one way) are only in the encodings that have them.
  const std::string wide = "一行目 テスト 〜𠮷한\r\n二行目 ｶﾀｶﾅ\r三行目 テスト\n\n四行目 テスト";
  const std::string narrow = "一行目 テスト 〜\r\n二行目 ｶﾀｶﾅ\r三行目 テスト\n\n四行目 テスト";
  const struct {
    const char* name;
    TextEncoding encoding;
    const std::string& text;
  } files[] = {
      {"sjis.txt", TextEncoding::kShiftJis, narrow}, {"euc.txt", TextEncoding::kEucJp, narrow},
      {"u8.txt", TextEncoding::kUtf8, wide},         {"u8bom.txt", TextEncoding::kUtf8Bom, wide},
      {"u16le.txt", TextEncoding::kUtf16Le, wide},   {"u16be.txt", TextEncoding::kUtf16Be, wide},
  };
  // Shift-JIS has no 〜 of its own: its file holds the code U+FF5E comes from.
  std::map<std::string, std::string> original;
  for (const auto& f : files) {
    std::string bytes;
    if (f.encoding == TextEncoding::kShiftJis) {
      ASSERT_TRUE(Utf8ToCp932(f.text, bytes));
    } else {
      bytes = Encoded(f.text, f.encoding);
    }
    original[f.name] = bytes;
    Write(f.name, bytes);
    ASSERT_EQ(DetectEncoding(bytes, true), f.encoding) << f.name;
  }

  for (const char* replacement : {"試験", "😀"}) {
    SCOPED_TRACE(replacement);
    for (const auto& f : files) Write(f.name, original[f.name]);
    Build(Data());
    Search(Internal("テ.ト"));
    // Each file: lines 1, 3 and 5, the row showing the line's own characters.
    std::map<std::string, std::vector<std::string>> shown;
    std::string file;
    for (const CheckListRow& row : resultList_.Rows()) {
      if (row.header) {
        file = row.file.substr(row.file.rfind('/') + 1);
        continue;
      }
      shown[file].push_back(std::to_string(row.lineNo) + " " + InternalToUtf8(row.lineText));
    }
    for (const auto& f : files) {
      const bool isWide = &f.text == &wide;
      const std::string first =
          isWide ? "1 一行目 テスト 〜𠮷한"
                 : "1 一行目 テスト " +
                       std::string(f.encoding == TextEncoding::kShiftJis ? "～" : "〜");
      EXPECT_EQ(shown[f.name],
                (std::vector<std::string>{first, "3 三行目 テスト", "5 四行目 テスト"}))
          << f.name;
    }

    Replace(Internal(replacement));
    ui_.askAnswers.push_back(Answer::kYesToAll);
    ui_.calls.clear();
    OnOverwrite();
    const bool emoji = std::string(replacement) == "😀";
    for (const auto& f : files) {
      const std::string path = Data() + "/" + f.name;
      std::string expected;
      std::string after = f.text;
      for (size_t at; (at = after.find("テスト")) != std::string::npos;)
        after.replace(at, std::string("テスト").size(), replacement);
      if (f.encoding == TextEncoding::kShiftJis) {
        // Shift-JIS keeps its line model: every line written with CR LF.
        if (emoji) {
          expected = original[f.name];
        } else {
          std::string lines;
          ASSERT_TRUE(Utf8ToCp932(
              "一行目 試験 ～\r\n二行目 ｶﾀｶﾅ\r\n三行目 試験\r\n\r\n四行目 試験\r\n", lines));
          expected = lines;
        }
      } else if (emoji && f.encoding == TextEncoding::kEucJp) {
        expected = original[f.name];
      } else {
        expected = Encoded(after, f.encoding);
      }
      EXPECT_EQ(Read(path), expected) << f.name;
      // The backup is the file as it was, byte for byte (none for a file left untouched).
      if (Read(path) != original[f.name]) {
        EXPECT_EQ(Read(BackupOf(path)), original[f.name]);
      }
    }
    // The files that cannot hold the replacement are named with their encoding.
    const std::vector<std::string> told = Texts("message");
    const auto named = [&](const std::string& name, TextEncoding e) {
      const std::string message = CannotHoldMessage(Data() + "/" + name, e);
      return std::find(told.begin(), told.end(), message) != told.end();
    };
    EXPECT_EQ(named("sjis.txt", TextEncoding::kShiftJis), emoji);
    EXPECT_EQ(named("euc.txt", TextEncoding::kEucJp), emoji);
    EXPECT_FALSE(named("u8.txt", TextEncoding::kUtf8));
  }
}

// Plain search finds what the pattern search finds in every encoding; Shift_JIS 固定 reads
// every file as Shift-JIS bytes, as the program always did.
TEST_F(EncodingOverwriteTest, PlainSearchAndTheShiftJisChoice) {
  const std::string text = "一 テスト\n二 ﾃｽﾄ 😀\r\n";
  Write("u8.txt", Encoded(text, TextEncoding::kUtf8));
  Write("u16.txt", Encoded(text, TextEncoding::kUtf16Le));
  std::string sjis;
  ASSERT_TRUE(Utf8ToCp932("一 テスト\n二 ﾃｽﾄ\r\n", sjis));
  Write("sjis.txt", sjis);
  const auto found = [&](const std::string& pattern) {
    Build(Data());
    Search(Internal(pattern.c_str()));
    std::vector<std::string> rows;
    for (const CheckListRow& row : resultList_.Rows())
      rows.push_back(row.header ? row.file.substr(row.file.rfind('/') + 1)
                                : std::to_string(row.lineNo) + " " + InternalToUtf8(row.lineText));
    return rows;
  };
  const std::vector<std::string> all = {"sjis.txt",    "1 一 テスト", "u16.txt",
                                        "1 一 テスト", "u8.txt",      "1 一 テスト"};
  EXPECT_EQ(found("テスト"), all);
  settings_.useRegex = false;
  EXPECT_EQ(found("テスト"), all);
  EXPECT_EQ(found("ﾄ 😀"),
            (std::vector<std::string>{"u16.txt", "2 二 ﾃｽﾄ 😀", "u8.txt", "2 二 ﾃｽﾄ 😀"}));
  settings_.useRegex = true;
  stage_.SetEncodingChoice(EncodingChoice::kShiftJisOnly);
  EXPECT_EQ(found("テスト"), (std::vector<std::string>{"sjis.txt", "1 一 テスト"}));
  stage_.SetEncodingChoice(EncodingChoice::kDetect);
}

}  // namespace
}  // namespace skarvo::testing
