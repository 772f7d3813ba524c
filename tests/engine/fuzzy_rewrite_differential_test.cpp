// The rewrite against a plain reference that tries every word of every group at every
// position, on seeded random patterns made of dictionary words, operators, classes, escapes
// and stray bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/fuzzy_dictionary.h"
#include "engine/pre_processor.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

std::vector<unsigned> Codes(const std::string& word) {
  std::vector<unsigned> codes;
  for (std::size_t n = 0; n < word.size();) {
    const auto b = static_cast<unsigned char>(word[n]);
    if (IsLeadByte(b) && n + 1 < word.size()) {
      codes.push_back(b << 8 | static_cast<unsigned char>(word[n + 1]));
      n += 2;
    } else {
      codes.push_back(b);
      n += 1;
    }
  }
  return codes;
}

std::string Quote(const std::string& word) {
  std::string out;
  for (std::size_t n = 0; n < word.size(); ++n) {
    const auto b = static_cast<unsigned char>(word[n]);
    if (IsLeadByte(b) && n + 1 < word.size()) {
      out += word.substr(n, 2);
      ++n;
      continue;
    }
    if (std::string("^(|)+*?.[]$\\").find(static_cast<char>(b)) != std::string::npos) out += '\\';
    out += static_cast<char>(b);
  }
  return out;
}

// Tokens come from the preprocessor (the scanner is tested on its own); the lookup and the
// assembly of the output are done here the slow, obvious way.
std::string ReferenceRewrite(const std::string& pattern, const TREDictionaryList& dictionaries) {
  TREPreProcessor tokenizer(pattern);
  tokenizer.Tokenize();
  const auto& t = tokenizer.Tokens();
  auto text = [&](const TRETokenRecord& r) {
    return r.end > r.start ? pattern.substr(r.start - 1, r.end - r.start) : std::string();
  };
  std::string out;
  bool inClass = false;
  std::size_t i = 0;
  while (i < t.size()) {
    if (t[i].kind == TokClassOpen || t[i].kind == TokNegClassOpen) inClass = true;
    if (t[i].kind == TokClassClose) inClass = false;
    if (t[i].kind != TokChar || inClass) {
      out += text(t[i++]);
      continue;
    }
    std::size_t j = i;
    while (j < t.size() && t[j].kind == TokChar) ++j;
    while (i < j) {
      std::size_t next = 0;
      for (const TREDictionary* d : dictionaries) {
        for (std::size_t g = 0; g < d->Count() && !next; ++g) {
          for (const std::string& word : d->GroupAt(g)) {
            const auto codes = Codes(word);
            if (codes.empty() || i + codes.size() > j) continue;
            bool same = true;
            for (std::size_t c = 0; c < codes.size() && same; ++c) same = codes[c] == t[i + c].code;
            if (!same) continue;
            out += '(';
            for (std::size_t w = 0; w < d->GroupAt(g).size(); ++w) {
              if (w) out += '|';
              out += Quote(d->GroupAt(g)[w]);
            }
            out += ')';
            next = i + codes.size();
            break;
          }
        }
        if (next) break;
      }
      if (next) {
        i = next;
      } else {
        out += text(t[i++]);
      }
    }
  }
  return out;
}

TEST(FuzzyRewriteDifferential, AgreesWithTheReferenceOnRandomPatterns) {
  const TREDictionary& builtIn = BuiltInFuzzyDictionary();
  TREDictionary extra;
  extra.AddCommaText(Sjis("ab,ｱｲ"));
  extra.AddCommaText(Sjis("か゛か,漢"));
  extra.AddCommaText(Sjis("ソ,\\,表"));

  std::vector<std::string> pieces = {"*",   "+",     "?",   "|",   "(",    ")", ".",
                                     "^",   "$",     "[",   "]",   "[^",   "-", "\\",
                                     "\\.", "\\x41", "\\(", "\\n", "\\101"};
  for (const char* s : {"漢", "ソ", "表", "か゛", "ｳﾞ", "ぁ", "ｱｲ"}) pieces.push_back(Sjis(s));
  std::vector<std::string> words;
  for (std::size_t g = 0; g < builtIn.Count(); ++g) {
    for (const std::string& word : builtIn.GroupAt(g)) words.push_back(word);
  }

  std::mt19937 random(20261207);
  int rewritten = 0;
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string pattern;
    const int count = static_cast<int>(random() % 12);
    for (int n = 0; n < count; ++n) {
      const unsigned pick = random() % 20;
      if (pick == 0) {
        pattern += static_cast<char>(random() % 256);  // a stray byte, lead bytes included
      } else if (pick < 8) {
        pattern += pieces[random() % pieces.size()];
      } else {
        pattern += words[random() % words.size()];
      }
    }
    const TREDictionaryList dictionaries =
        round % 2 ? TREDictionaryList{&extra, &builtIn} : TREDictionaryList{&builtIn};
    SCOPED_TRACE(testing::Message() << "round " << round << ": " << Cp932ToUtf8Lossy(pattern));

    std::string expected;
    bool expectedError = false;
    std::string expectedMessage;
    int expectedPos = 0;
    try {
      expected = ReferenceRewrite(pattern, dictionaries);
    } catch (const ERegExpParser& e) {
      expectedError = true;
      expectedMessage = e.Message();
      expectedPos = e.ErrorPos();
    }
    try {
      const std::string actual = RewritePattern(pattern, true, false, dictionaries);
      ASSERT_FALSE(expectedError);
      ASSERT_EQ(actual, expected);
      ++rewritten;
    } catch (const ERegExpParser& e) {
      ASSERT_TRUE(expectedError);
      EXPECT_EQ(e.Message(), expectedMessage);
      EXPECT_EQ(e.ErrorPos(), expectedPos);
      ++refused;
    }
  }
  // Both kinds of outcome must be well represented for the comparison to mean anything.
  EXPECT_GT(rewritten, 1500);
  EXPECT_GT(refused, 200);
}

}  // namespace
}  // namespace skarvo
