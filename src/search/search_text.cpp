#include "search/search_text.h"

#include <string.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/byte_search.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/rereadable_file.h"
#include "platform/work_done.h"
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
    workDone += hay.size() - from;
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
  workDone += hay.size() - from;
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
  if (EqualsNoCase(ext, ".xls") || EqualsNoCase(ext, ".xlsx")) return TargetKind::kSpreadsheet;
  if (EqualsNoCase(ext, ".doc") || EqualsNoCase(ext, ".docx")) return TargetKind::kWordProcessor;
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

bool EndsInLoneLeadByte(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 == text.size()) return true;
    i += CharLength(text, i);
  }
  return false;
}

void CheckPlainSearchText(std::string_view text) {
  if (EndsInLoneLeadByte(text))
    throw Exception(Sjis("検索する文字列が２バイト文字の途中で終わっています。"));
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

bool ForEachTextLine(const std::string& path, std::string_view searchString, bool caseSensitive,
                     const std::function<bool(int64_t lineNo, const std::string* hit)>& onLine,
                     size_t piece, std::stop_token stop) {
  RereadableFile file;
  if (!file.Open(path)) return false;
  const std::string key = caseSensitive ? std::string(searchString) : UpperCaseCp932(searchString);
  const auto holdsKey = [&](std::string_view text) {
    if (caseSensitive) return FindOnCharBoundary(text, key) != std::string_view::npos;
    return FindOnCharBoundary(UpperCaseCp932(text), key) != std::string_view::npos;
  };
  // A long line is looked at whenever this much of it is held; twice the string at least,
  // so that each look lets go of half of what it held.
  const size_t holdLimit = std::max(piece, 2 * key.size());
  // Only the bytes the file held when it was opened: a file that grows while it is read
  // would otherwise keep the search going. A file that says it is empty (as files of the
  // system's process folder do) is read to its end.
  uint64_t left = file.Size() > 0 ? file.Size() : UINT64_MAX;
  // Not cleared: only what a read filled is looked at.
  constexpr size_t kChunk = 64 * 1024;
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kChunk);
  std::string line;        // the current line from its first byte not let go on
  uint64_t lineStart = 0;  // the current line's place in the file
  uint64_t dropped = 0;    // how much of the line was let go (its head, or all once it holds)
  bool holds = false;      // the line is known to hold the string
  int64_t lineNo = 0;
  bool afterCr = false;  // the previous byte was a CR, so an LF now ends nothing new
  bool readFailed = false;

  // A long line that has not shown the string yet: looks at what is held and, when the
  // string is not there, lets go of all but its last characters (a match could still begin
  // there), cut at a character start so that the boundaries stay those of the whole line.
  const auto lookAtHeld = [&] {
    if (holdsKey(line)) {
      // The line is reported: it is read again whole at its end, so nothing more is held.
      holds = true;
      dropped += line.size();
      std::string().swap(line);
      return;
    }
    const size_t target = line.size() - (std::max<size_t>(key.size(), 2) - 1);
    // The place after a byte that is no lead byte begins a character (that byte was a
    // character or the second byte of one); from there the lead bytes before target pair up.
    size_t after = target;
    while (after > 0 && IsLeadByte(static_cast<unsigned char>(line[after - 1]))) --after;
    const size_t cut = after + (target - after) / 2 * 2;
    line.erase(0, cut);
    dropped += cut;
  };
  const auto endLine = [&] {
    if (!holds) holds = holdsKey(line);
    if (holds && dropped > 0) {
      // What was let go (the head, or all of a long line once the string turned up) is
      // read again.
      std::string whole;
      whole.reserve(static_cast<size_t>(dropped) + line.size());
      if (!file.AppendLineText(lineStart, static_cast<size_t>(dropped), whole)) {
        readFailed = true;
        return false;
      }
      whole += line;
      line.swap(whole);
    }
    const bool go = onLine(++lineNo, holds ? &line : nullptr);
    line.clear();
    // The room of one long reported line is not kept for the short ones after it.
    if (line.capacity() > 2 * holdLimit) std::string().swap(line);
    dropped = 0;
    holds = false;
    return go;
  };

  // Where the string may occur in a piece of the file: matched on bytes, with zero bytes
  // read as blanks and, without case, every ASCII letter folded (also the second byte of a
  // 2-byte character, on both sides alike), every place where a line holds the string is
  // among them. Lines that end before the next such place are passed without a copy.
  const bool filterCopy = !caseSensitive || key.find(' ') != std::string::npos;
  std::string filterKey = key;
  const auto filterByte = [&](char c) {
    if (c == '\0') return ' ';
    if (!caseSensitive && c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c;
  };
  std::transform(filterKey.begin(), filterKey.end(), filterKey.begin(), filterByte);
  std::vector<char> filtered;

  uint64_t offset = 0;
  while (left > 0) {
    if (stop.stop_requested()) return true;
    const long n =
        file.ReadAt(buffer.get(), static_cast<size_t>(std::min<uint64_t>(kChunk, left)), offset);
    if (n < 0) return false;
    if (n == 0) break;
    const char* bytes = buffer.get();
    const char* hay = bytes;
    if (filterCopy) {
      filtered.resize(static_cast<size_t>(n));
      std::transform(bytes, bytes + n, filtered.begin(), filterByte);
      hay = filtered.data();
    }
    size_t candidate = 0;  // the next place the string may occur, from candidateFrom on
    size_t candidateFrom = SIZE_MAX;
    for (size_t k = 0, end = static_cast<size_t>(n); k < end;) {
      if (afterCr && bytes[k] == '\n') {
        afterCr = false;
        lineStart = offset + ++k;
        continue;
      }
      afterCr = false;
      if (line.empty() && dropped == 0) {
        while (k < end) {
          const auto* here = reinterpret_cast<const unsigned char*>(bytes) + k;
          if (candidateFrom > k || candidate < k) {
            const auto* from = reinterpret_cast<const unsigned char*>(hay) + k;
            const unsigned char* at = key.empty() ? nullptr : FindBytes(from, end - k, filterKey);
            candidate = at ? k + static_cast<size_t>(at - from) : end;
            candidateFrom = k;
          }
          const unsigned char* lineEnd = FindLineEnd(here, candidate - k);
          if (lineEnd == nullptr) break;  // this line reaches the place: looked at below
          const size_t e = k + static_cast<size_t>(lineEnd - here);
          if (!onLine(++lineNo, nullptr)) return true;
          k = e + 1;
          if (bytes[e] == '\r') {
            if (k == end)
              afterCr = true;
            else if (bytes[k] == '\n')
              ++k;
          }
          lineStart = offset + k;
        }
        if (k >= end) break;
      }
      // The bytes up to the next line end or zero byte go in at once.
      size_t stop = k;
      while (stop < end && bytes[stop] != '\n' && bytes[stop] != '\r' && bytes[stop] != '\0')
        ++stop;
      if (holds)
        dropped += stop - k;
      else
        line.append(bytes + k, stop - k);
      k = stop;
      if (k < end) {
        const char c = bytes[k++];
        if (c == '\0') {
          if (holds)
            ++dropped;
          else
            line.push_back(' ');
        } else {
          afterCr = c == '\r';
          if (!endLine()) return !readFailed;
          lineStart = offset + k;
          continue;
        }
      }
      if (!holds && line.size() >= holdLimit) lookAtHeld();
    }
    offset += static_cast<uint64_t>(n);
    left -= static_cast<uint64_t>(n);
    file.Forget(lineStart);
  }
  if (!line.empty() || dropped > 0) endLine();
  return !readFailed;
}

}  // namespace skarvo
