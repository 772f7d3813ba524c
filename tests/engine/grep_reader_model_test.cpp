// TGrep against a model of its reader that follows the byte-by-byte rules literally: blocks of
// BlockSize bytes in one buffer behind an LF of its own, CarryText for the line that crosses a
// block boundary, the main cursor that counts lines and folds CR LF and a lone CR into an LF,
// the lookahead cursor that folds them while it reads, zero bytes turned into spaces where a
// cursor lands on them. The model is slow and plain; TGrep may be fast in any way as long as
// every reported line, number and text is the model's.
//
// The random files are made of the pieces where the rules meet: lead bytes right before a CR,
// an LF, a zero byte or the end of the file, second bytes that look like ASCII, zero bytes
// next to line ends, and they are cut so that those pieces straddle block boundaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "platform/codepage.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using namespace std::string_literals;

using testing::Hit;

struct ModelEnd {};  // the model's end of the file

class ModelReader {
 public:
  static constexpr size_t kBlock = TTxtFile::BlockSize;

  explicit ModelReader(const std::string& file) : file_(file), buf_(kBlock + 100, 0) {
    buf_[0] = '\n';
    ReadBlock(1);
  }

  CharCode ReadChar() {
    CharCode c = NextByte();
    if (IsLeadByte(static_cast<unsigned char>(c))) c = static_cast<CharCode>(c << 8 | NextByte());
    la_ = main_;
    return c;
  }

  CharCode NextLookaheadChar() {
    CharCode c = NextLookaheadByte();
    if (IsLeadByte(static_cast<unsigned char>(c)))
      c = static_cast<CharCode>(c << 8 | NextLookaheadByte());
    return c;
  }

  Hit GetLine() {
    while (At(main_) != '\n') NextByte();
    std::string text;
    if (lineStart_.carry && !main_.carry) {
      text = carry_.substr(lineStart_.pos);
      text.append(reinterpret_cast<const char*>(buf_.data()), main_.pos);
    } else if (lineStart_.carry) {
      text = carry_.substr(lineStart_.pos, main_.pos - lineStart_.pos);
    } else {
      text.assign(reinterpret_cast<const char*>(buf_.data()) + lineStart_.pos,
                  main_.pos - lineStart_.pos);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return {lineNo_, text};
  }

 private:
  struct Cur {
    bool carry = false;
    size_t pos = 0;
  };

  unsigned char At(const Cur& c) const {
    if (!c.carry) return buf_[c.pos];
    return c.pos < carry_.size() ? static_cast<unsigned char>(carry_[c.pos]) : 0;
  }
  void Put(const Cur& c, unsigned char b) {
    if (c.carry)
      carry_[c.pos] = static_cast<char>(b);
    else
      buf_[c.pos] = b;
  }

  void ReadBlock(size_t dest) {
    const size_t n = std::min(kBlock, file_.size() - read_);
    if (n == 0) throw ModelEnd{};
    std::copy(file_.begin() + static_cast<long>(read_),
              file_.begin() + static_cast<long>(read_ + n), buf_.begin() + static_cast<long>(dest));
    read_ += n;
    size_t count = dest + n;
    if (read_ == file_.size()) {
      end_ = true;
      if (buf_[count - 1] != '\n') buf_[count++] = '\n';
      buf_[count] = 0;
      buf_[count + 1] = 0;
    } else {
      buf_[count] = 0;
    }
    data_ = count;
  }

  void KeepLine() {
    const std::string block(reinterpret_cast<const char*>(buf_.data()), data_);
    if (lineStart_.carry) {
      carry_ += block;
    } else {
      carry_ = block.substr(lineStart_.pos);
      lineStart_ = {true, 0};
    }
  }

  // The cursor c stands on a zero byte; true when it moved and must look again.
  bool Refill(Cur& c, unsigned char b, bool isMain) {
    if (c.carry) {
      if (c.pos >= carry_.size()) {
        c = {false, 0};
        return true;
      }
      Put(c, ' ');
      return false;
    }
    if (c.pos < data_) {
      Put(c, ' ');
      return false;
    }
    if (end_) {
      if (b == 0) --c.pos;
      if (isMain) throw ModelEnd{};
      return false;
    }
    if (!isMain && !main_.carry) {
      const size_t fromLineStart = lineStart_.carry ? carry_.size() - lineStart_.pos + main_.pos
                                                    : main_.pos - lineStart_.pos;
      KeepLine();
      main_ = {true, lineStart_.pos + fromLineStart};
    } else {
      KeepLine();
    }
    ReadBlock(0);
    c = {false, 0};
    return true;
  }

  // Where the CR just passed stands now: where it was, or at the end of CarryText when a
  // refill came between.
  Cur CrPlace(const Cur& was, const Cur& now) const {
    if (now.carry == was.carry && now.pos == was.pos + 1) return was;
    return {true, carry_.size() - 1};
  }

  unsigned char NextByte() {
    const unsigned char b = At(main_);
    ++main_.pos;
    while (At(main_) == 0 && Refill(main_, b, true)) {
    }
    if (b == '\n') {
      if (!main_.carry) carry_.clear();
      lineStart_ = main_;
      ++lineNo_;
    }
    if (At(main_) == '\r') {
      const Cur cr = main_;
      ++main_.pos;
      while (At(main_) == 0 && Refill(main_, '\r', true)) {
      }
      if (At(main_) != '\n') {
        main_ = CrPlace(cr, main_);
        Put(main_, '\n');
      }
    }
    la_ = main_;
    return b;
  }

  unsigned char NextLookaheadByte() {
    const Cur was = la_;
    const unsigned char b = At(la_);
    ++la_.pos;
    while (At(la_) == 0 && Refill(la_, b, false)) {
    }
    if (b != '\r') return b;
    if (At(la_) == '\n') {
      ++la_.pos;
      while (At(la_) == 0 && Refill(la_, '\n', false)) {
      }
    } else {
      Put(CrPlace(was, la_), '\n');
    }
    return '\n';
  }

  std::string file_;
  size_t read_ = 0;
  bool end_ = false;
  std::vector<unsigned char> buf_;
  size_t data_ = 0;
  std::string carry_;
  Cur main_, la_, lineStart_;
  int lineNo_ = 0;
};

std::vector<Hit> ModelGrep(const TRE_DFA& dfa, const std::string& bytes) {
  std::vector<Hit> hits;
  try {
    ModelReader r(bytes);
    for (;;) {
      int state = dfa.Step(dfa.InitialState(), r.ReadChar());
      while (state != TRE_DFA::kNone) {
        if (dfa.Accepting(state)) {
          hits.push_back(r.GetLine());
          break;
        }
        const CharCode c = r.NextLookaheadChar();
        if (c == 0) break;  // nothing goes on past the end of the file
        state = dfa.Step(state, c);
      }
    }
  } catch (const ModelEnd&) {
  }
  return hits;
}

const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      "a",       "b",        "ab",       " ",        "c",     "\r\n",     "\n",       "\r",
      "\r\r",    "\n\r",     "\0"s,      "\0\r"s,    "\r\0"s, "\x82",     "\x82\r",   "\x82\n",
      "\x82\0"s, "\x82\xa0", "\x83\x5c", "\x95\x5c", "\\",    "\x82\x61", "\x82\x62", "\x83\x41",
  };
  return pieces;
}

std::string RandomPieces(std::mt19937& rng, size_t size) {
  std::uniform_int_distribution<size_t> pick(0, Pieces().size() - 1);
  std::string out;
  while (out.size() < size) out += Pieces()[pick(rng)];
  return out;
}

// The pieces without a line end, for the inside of a long line.
std::string RandomPiecesWithoutBreaks(std::mt19937& rng, size_t size) {
  std::string out;
  while (out.size() < size) {
    const std::string piece = RandomPieces(rng, 1);
    if (piece.find_first_of("\r\n") == std::string::npos) out += piece;
  }
  return out;
}

class GrepReaderModelTest : public testing::TempFolderTest {
 protected:
  void Compare(const std::string& bytes, const std::string& label) {
    Compare(bytes, label, patterns_);
  }
  void Compare(const std::string& bytes, const std::string& label,
               const std::vector<std::string>& patterns) {
    const std::string path = Write(bytes);
    for (const auto& pattern : patterns) {
      SCOPED_TRACE(label + " pattern " + ::testing::PrintToString(pattern));
      TGrep grep;
      grep.SetRegExp(pattern);
      std::vector<Hit> hits;
      grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& i) { hits.push_back({i.LineNo, i.Line}); });
      grep.Grep(path);
      ASSERT_EQ(hits, ModelGrep(grep.CurrentDFA(), bytes));
      total_ += hits.size();
    }
  }

  size_t total_ = 0;
  const std::vector<std::string> patterns_ = {
      "a",
      "ab",
      "b*a",
      "^a",
      "b$",
      "^$",
      "a\\nb",
      "\\n\\n",
      "[^a]",
      ".",
      "c c",
      "\\\\",
      "\\x835c",
      "\\x820a",
      "\\x82",
      "\\x8220",
      "b\\n*",
      "[ab]+c",
      "\\x82\\n?",
      "(a|b)$",
      Sjis("あ"),
      Sjis("[ぁ-ん]"),
      // Matches that run on over many lines and block boundaries.
      Sjis("表[^q]*ソ"),
      Sjis("ソ[^q]*表$"),
      "\\x82\\n[^q]*\\x82\\x61",
  };
};

TEST_F(GrepReaderModelTest, SmallFiles) {
  std::mt19937 rng(21);
  std::uniform_int_distribution<size_t> sizes(0, 60);
  for (int f = 0; f < 400; ++f) Compare(RandomPieces(rng, sizes(rng)), "file " + std::to_string(f));
  EXPECT_GT(total_, 0u);
}

// Each piece pattern is put right at the end of a block (and one or two bytes either side),
// after a line that starts in the block before.
TEST_F(GrepReaderModelTest, PiecesAcrossBlockBoundaries) {
  std::mt19937 rng(22);
  const size_t block = TTxtFile::BlockSize;
  for (int f = 0; f < 24; ++f) {
    const size_t before = block - 40 + static_cast<size_t>(f % 8);
    std::string bytes = "ab\n" + std::string(before - 3, 'c');
    bytes += RandomPieces(rng, 80);
    if (f % 3 == 0) bytes += std::string(block, 'c') + RandomPieces(rng, 40);  // a long line
    if (f % 4 == 1) bytes.resize(block + static_cast<size_t>(f % 3));  // ends at the boundary
    Compare(bytes, "file " + std::to_string(f));
  }
  EXPECT_GT(total_, 0u);
}

// A line that starts in one block and runs through the next into a third: the lookahead
// crosses the second boundary while the line's start is already kept in CarryText.
TEST_F(GrepReaderModelTest, LinesAcrossTwoBoundaries) {
  std::mt19937 rng(23);
  const size_t block = TTxtFile::BlockSize;
  for (int f = 0; f < 12; ++f) {
    const size_t k = static_cast<size_t>(f);
    std::string bytes = "ab\n" + std::string(2 * block - 43 + k, 'c');
    bytes += RandomPiecesWithoutBreaks(rng, 40 - k);
    bytes += RandomPieces(rng, 60);
    Compare(bytes, "file " + std::to_string(f));
  }
  EXPECT_GT(total_, 0u);
}

// Every piece placed so that it starts two bytes before the end of the first block, one
// before, at the boundary and one after, seen by the main cursor alone (a pattern that looks
// no further than one character) and by the lookahead (one that reads on across the piece).
TEST_F(GrepReaderModelTest, EachPieceAtTheBoundary) {
  const size_t block = TTxtFile::BlockSize;
  const std::vector<std::string> patterns = {
      "x", "^x", "[^c]", "cx", "c[^q][^q]?x", "\\x8261", "b$",
  };
  for (size_t p = 0; p < Pieces().size(); ++p) {
    for (size_t at = block - 2; at <= block + 1; ++at) {
      const std::string bytes = "ab\n" + std::string(at - 3, 'c') + Pieces()[p] +
                                "xa\x82\x61"
                                "b";
      Compare(bytes, "piece " + std::to_string(p) + " at " + std::to_string(at), patterns);
    }
  }
  EXPECT_GT(total_, 0u);
}

}  // namespace
}  // namespace skarvo
