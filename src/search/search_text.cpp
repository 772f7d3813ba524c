#include "search/search_text.h"

#include <string.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/value_format.h"
#include "targets/target_files.h"

namespace skarvo {

namespace {

// Length of the character at text[i]: 2 for a lead byte with a byte after it, else 1.
size_t CharLength(std::string_view text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// First position where needle starts on a character boundary, or npos. The C library's
// memmem (linear in the text) finds the candidates; a candidate that begins on the second
// byte of a 2-byte character is passed over. When such candidates keep coming, each call
// would start over, so the rest is searched in one linear pass (Knuth-Morris-Pratt) that
// checks every occurrence.
size_t FindOnCharBoundary(std::string_view hay, std::string_view needle) {
  if (needle.empty() || needle.size() > hay.size()) return std::string_view::npos;
  size_t boundary = 0;  // a character start; advanced along the text as candidates come
  auto onBoundary = [&](size_t i) {
    while (boundary < i) boundary += CharLength(hay, boundary);
    return boundary == i;
  };
  size_t from = 0;
  for (int misses = 0; misses < 8; ++misses) {
    const void* hit = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    if (hit == nullptr) return std::string_view::npos;
    const size_t i = static_cast<size_t>(static_cast<const char*>(hit) - hay.data());
    if (onBoundary(i)) return i;
    from = i + 1;
    if (hay.size() - from < needle.size()) return std::string_view::npos;
  }
  std::vector<size_t> fail(needle.size() + 1, 0);  // longest proper border of needle[0, k)
  for (size_t k = 1, b = 0; k < needle.size(); ++k) {
    while (b > 0 && needle[k] != needle[b]) b = fail[b];
    if (needle[k] == needle[b]) ++b;
    fail[k + 1] = b;
  }
  for (size_t j = from, k = 0; j < hay.size(); ++j) {
    while (k > 0 && hay[j] != needle[k]) k = fail[k];
    if (hay[j] == needle[k]) ++k;
    if (k == needle.size()) {
      if (onBoundary(j + 1 - k)) return j + 1 - k;
      k = fail[k];
    }
  }
  return std::string_view::npos;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

TargetKind ClassifyTarget(std::string_view path) {
  const std::string ext = FileExtension(std::string(path));
  if (EqualsNoCase(ext, ".xls")) return TargetKind::kSpreadsheet;
  if (EqualsNoCase(ext, ".doc")) return TargetKind::kWordProcessor;
  return TargetKind::kText;
}

std::string RemoveLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'N')) {
      i += 2;
      continue;
    }
    size_t len = CharLength(text, i);
    out.append(text.substr(i, len));
    i += len;
  }
  // CR and LF are never the second byte of a 2-byte character, so they go byte by byte.
  std::string result;
  result.reserve(out.size());
  for (char c : out)
    if (c != '\r' && c != '\n') result.push_back(c);
  return result;
}

std::string ColumnLetters(int col) {
  std::string result;
  int high = col / 26;
  if (high == 0) {
    result = " ";
  } else if (high <= 26) {
    result.push_back(static_cast<char>('A' + high - 1));
  } else {
    result = "Err";
  }
  result.push_back(static_cast<char>('A' + col % 26));
  return result;
}

std::string CellLabel(int sheetNo, int row, int col) {
  return Sjis("【Excel,Sheet") + std::to_string(sheetNo) + "," + ColumnLetters(col) +
         std::to_string(static_cast<int64_t>(row) + 1) + Sjis("セル】");
}

bool ContainsSearchString(std::string_view line, std::string_view searchString,
                          bool caseSensitive) {
  if (caseSensitive) return FindOnCharBoundary(line, searchString) != std::string_view::npos;
  std::string upperLine = UpperCaseCp932(line);
  std::string upperSearch = UpperCaseCp932(searchString);
  return FindOnCharBoundary(upperLine, upperSearch) != std::string_view::npos;
}

std::string FileHeaderRowText(std::string_view path) {
  std::string text = "\"";
  text.append(path);
  text += "\",";
  text += Sjis("の検索結果");
  return text;
}

std::string TextHitRowText(int64_t lineNo, std::string_view line) {
  std::string text;
  AssignTextHitRowText(text, lineNo, line);
  return text;
}

void AssignTextHitRowText(std::string& out, int64_t lineNo, std::string_view line) {
  // Built once per hit: the literals are converted once per run.
  static const std::string& open = Sjis("【");
  static const std::string& close = Sjis("列目】");
  char number[24];
  const auto [end, ec] = std::to_chars(number, number + sizeof number, lineNo);
  (void)ec;  // 24 bytes hold every 64-bit number
  const std::string_view digits(number, static_cast<size_t>(end - number));
  out.clear();
  out.reserve(open.size() + digits.size() + close.size() + line.size());
  out += open;
  out += digits;
  out += close;
  out.append(line);
}

std::string WordHitRowText(std::string_view line) {
  std::string text = Sjis("【Wordファイル】");
  text.append(line);
  return text;
}

std::string HeaderRowPath(std::string_view headerText) {
  const std::string& tail = Sjis("\",の検索結果");
  if (headerText.size() >= 1 + tail.size() && headerText.front() == '"' &&
      headerText.substr(headerText.size() - tail.size()) == tail)
    return std::string(headerText.substr(1, headerText.size() - 1 - tail.size()));
  std::vector<std::string> items = SplitCommaText(headerText);
  return items.empty() ? std::string() : items.front();
}

std::string SearchProgressText(int64_t i, int64_t n) {
  int64_t t = n > 1 ? i * 10 / (n - 1) : 10;
  if (t < 0) t = 0;
  if (t > 10) t = 10;
  std::string text;
  for (int64_t k = 0; k < t; ++k) text += Sjis("■");
  for (int64_t k = t; k < 10; ++k) text += Sjis("□");
  text += Sjis("検索中");
  return text;
}

std::string ExtractedTextPath(std::string_view tempFolder, std::string_view target) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= target.size()) {
    size_t slash = target.find('/', start);
    if (slash == std::string_view::npos) slash = target.size();
    std::string_view part = target.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string path(tempFolder);
  for (std::string_view part : parts) {
    path += '/';
    path.append(part);
  }
  return path;
}

std::string NotFoundMessage(std::string_view searchText) {
  std::string text = "\"";
  text.append(searchText);
  text += "\"";
  text += Sjis("は見つかりませんでした。");
  return text;
}

bool ForEachTextLine(const std::string& path,
                     const std::function<bool(int64_t lineNo, const std::string& line)>& onLine) {
  InputFile file;
  if (!file.Open(path)) return false;
  // Only the bytes the file held when it was opened: a file that grows while it is read
  // would otherwise keep the search going. A file that says it is empty (as files of the
  // system's process folder do) is read to its end.
  uint64_t left = file.Size() > 0 ? file.Size() : UINT64_MAX;
  std::vector<char> buffer(64 * 1024);
  std::string line;
  int64_t lineNo = 0;
  bool afterCr = false;  // the previous byte was a CR, so an LF now ends nothing new
  while (left > 0) {
    long n = file.Read(buffer.data(), static_cast<size_t>(std::min<uint64_t>(buffer.size(), left)));
    if (n < 0) return false;
    if (n == 0) break;
    left -= static_cast<uint64_t>(n);
    for (long k = 0; k < n; ++k) {
      char c = buffer[static_cast<size_t>(k)];
      if (c == '\n' && afterCr) {
        afterCr = false;
        continue;
      }
      afterCr = c == '\r';
      if (c == '\r' || c == '\n') {
        if (!onLine(++lineNo, line)) return true;
        line.clear();
      } else {
        line.push_back(c == '\0' ? ' ' : c);
      }
    }
  }
  if (!line.empty()) onLine(++lineNo, line);
  return true;
}

}  // namespace skarvo
