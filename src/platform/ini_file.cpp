// Profile files are handled as lines. A line is classified by its first non-blank byte:
// "[" opens a section (the name runs to the first "]", stepping over 2-byte characters,
// since "]" can be the second byte of one), a line with "=" is an entry, anything else is
// kept and ignored. Reads take the first entry with the key among the sections of that
// name, in file order; writes change exactly that entry, so a write always reads back.
#include "platform/ini_file.h"

#include <algorithm>
#include <unordered_set>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Byte offset of the first `c` in `s`, stepping over 2-byte characters; npos when none.
size_t FindChar(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (IsLeadByte(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string_view::npos;
}

// The longest prefix of at most `limit` bytes that does not end inside a 2-byte character.
std::string_view CutValue(std::string_view s, size_t limit) {
  if (s.size() <= limit) return s;
  size_t i = 0;
  while (i < limit) {
    size_t step = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return s.substr(0, i);
}

std::string NameKey(std::string_view name) { return UpperCaseCp932(Trim(name)); }

// One line seen by the parser.
struct ParsedLine {
  enum Kind { kOther, kSection, kEntry } kind = kOther;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // the value as a read returns it, before the cut
};

// `complete` is false when the line was longer than the reader keeps: the end of its value
// is then unknown, so neither trailing blanks nor enclosing quotes are taken off.
ParsedLine ParseLine(std::string_view line, bool complete) {
  ParsedLine result;
  std::string_view s = line;
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  if (s.empty()) return result;
  if (s.front() == '[') {
    s.remove_prefix(1);
    size_t close = FindChar(s, ']');
    result.kind = ParsedLine::kSection;
    result.name = Trim(close == std::string_view::npos ? s : s.substr(0, close));
    return result;
  }
  if (s.front() == ';') return result;
  size_t eq = FindChar(s, '=');
  if (eq == std::string_view::npos) return result;
  result.name = Trim(s.substr(0, eq));
  if (result.name.empty()) return result;
  result.kind = ParsedLine::kEntry;
  std::string_view v = s.substr(eq + 1);
  while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
  if (complete) {
    while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
  }
  result.value = v;
  return result;
}

// Feeds lines to a snapshot, keeping at most kKeep bytes of each line.
class LineCollector {
 public:
  static constexpr size_t kKeep = 16384;

  template <typename OnLine>
  void Feed(std::string_view data, OnLine&& onLine) {
    for (char c : data) {
      if (c == '\n' || c == '\r') {
        if (c == '\n' && lastWasCr_) {
          lastWasCr_ = false;
          continue;
        }
        lastWasCr_ = c == '\r';
        Emit(onLine);
        continue;
      }
      lastWasCr_ = false;
      if (line_.size() < kKeep)
        line_.push_back(c);
      else
        complete_ = false;
    }
  }
  template <typename OnLine>
  void Finish(OnLine&& onLine) {
    if (!line_.empty() || !complete_) Emit(onLine);
  }

 private:
  template <typename OnLine>
  void Emit(OnLine& onLine) {
    onLine(std::string_view(line_), complete_);
    line_.clear();
    complete_ = true;
  }
  std::string line_;
  bool complete_ = true;
  bool lastWasCr_ = false;
};

}  // namespace

// Turns the lines of a file into the entries of a snapshot.
class IniSnapshotBuilder {
 public:
  void Feed(std::string_view data) {
    collector_.Feed(data, [this](std::string_view line, bool complete) { Line(line, complete); });
  }
  IniSnapshot Finish() {
    collector_.Finish([this](std::string_view line, bool complete) { Line(line, complete); });
    return std::move(snapshot_);
  }

 private:
  void Line(std::string_view line, bool complete) {
    // A NUL ends the line's text, as it ends a value in every profile service.
    size_t nul = line.find('\0');
    if (nul != std::string_view::npos) line = line.substr(0, nul);
    ParsedLine parsed = ParseLine(line, complete);
    if (parsed.kind == ParsedLine::kSection) {
      section_ = NameKey(parsed.name);
      inSection_ = true;
      auto& sections = snapshot_.sections_;
      if (std::find(sections.begin(), sections.end(), section_) == sections.end())
        sections.push_back(section_);
    } else if (parsed.kind == ParsedLine::kEntry && inSection_) {
      // Only the first entry of a key is ever read; later ones cost nothing.
      std::string key = NameKey(parsed.name);
      if (!seen_.insert(section_ + '\n' + key).second) return;
      snapshot_.entries_.push_back(
          {section_, std::move(key), std::string(CutValue(parsed.value, kIniValueLimit))});
    }
  }

  LineCollector collector_;
  IniSnapshot snapshot_;
  std::string section_;
  bool inSection_ = false;  // entries before the first section belong to none
  std::unordered_set<std::string> seen_;
};

IniSnapshot IniSnapshot::Parse(std::string_view text) {
  IniSnapshotBuilder builder;
  builder.Feed(text);
  return builder.Finish();
}

IniSnapshot IniSnapshot::Load(const std::string& path) {
  // Only a regular file is read: opening a pipe put in its place would wait for a writer
  // forever, and a device could deliver bytes without end.
  if (!FileExists(path)) return IniSnapshot();
  InputFile file;
  if (!file.Open(path)) return IniSnapshot();
  // Piece by piece, so a huge file costs no more memory than its entries.
  IniSnapshotBuilder builder;
  char buffer[65536];
  for (;;) {
    long n = file.Read(buffer, sizeof buffer);
    if (n <= 0) break;
    builder.Feed(std::string_view(buffer, static_cast<size_t>(n)));
  }
  return builder.Finish();
}

std::optional<std::string> IniSnapshot::Find(std::string_view section, std::string_view key) const {
  std::string s = NameKey(section);
  std::string k = NameKey(key);
  for (const Entry& e : entries_)
    if (e.sectionKey == s && e.key == k) return e.value;
  return std::nullopt;
}

std::string IniSnapshot::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  std::optional<std::string> value = Find(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

bool IniSnapshot::HasSection(std::string_view section) const {
  return std::find(sections_.begin(), sections_.end(), NameKey(section)) != sections_.end();
}

namespace {

// A line of the text being rewritten: [start, end) is its content, [end, next) its break.
struct LineSpan {
  size_t start, end, next;
};

std::vector<LineSpan> SplitLines(std::string_view text) {
  std::vector<LineSpan> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t start = i;
    while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
    size_t end = i;
    if (i < text.size()) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        i += 2;
      else
        ++i;
    }
    lines.push_back({start, end, i});
  }
  return lines;
}

// The line break the file already uses; CR LF for a new file.
std::string_view LineBreakOf(std::string_view text) {
  size_t i = text.find_first_of("\r\n");
  if (i == std::string_view::npos) return "\r\n";
  if (text[i] == '\n') return "\n";
  if (i + 1 < text.size() && text[i + 1] == '\n') return "\r\n";
  return "\r";
}

// The value as stored: up to a line break or NUL, and in double quotes when a read would
// otherwise not give it back (blanks at an end, or a pair of enclosing quotes).
std::string StoredValue(std::string_view value) {
  size_t stop = value.find_first_of(std::string_view("\r\n\0", 3));
  if (stop != std::string_view::npos) value = value.substr(0, stop);
  bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    quote = true;
  std::string result;
  if (quote) result += '"';
  result += value;
  if (quote) result += '"';
  return result;
}

std::string ContentOf(std::string_view text, const LineSpan& line) {
  std::string_view content = text.substr(line.start, line.end - line.start);
  size_t nul = content.find('\0');
  return std::string(nul == std::string_view::npos ? content : content.substr(0, nul));
}

}  // namespace

std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::string entry = std::string(Trim(key)) + "=" + StoredValue(value);
  std::string_view lineBreak = LineBreakOf(text);
  std::string sectionKey = NameKey(section);
  std::string keyKey = NameKey(key);
  std::vector<LineSpan> lines = SplitLines(text);

  // The first entry of the key among the sections of this name, and where the first such
  // section ends (after its last entry, or after its header when it has none).
  enum { kBefore, kInside, kAfter } phase = kBefore;  // relative to the first such section
  bool inTarget = false;
  std::optional<size_t> insertAfter;  // index of a line
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string content = ContentOf(text, lines[i]);
    ParsedLine parsed = ParseLine(content, true);
    if (parsed.kind == ParsedLine::kSection) {
      inTarget = NameKey(parsed.name) == sectionKey;
      if (phase == kBefore && inTarget) {
        phase = kInside;
        insertAfter = i;
      } else if (phase == kInside) {
        phase = kAfter;
      }
      continue;
    }
    if (parsed.kind != ParsedLine::kEntry || !inTarget) continue;
    if (phase == kInside) insertAfter = i;
    if (NameKey(parsed.name) == keyKey) {
      std::string result(text.substr(0, lines[i].start));
      result += entry;
      result += text.substr(lines[i].end);
      return result;
    }
  }

  std::string result(text);
  if (!insertAfter) {
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += lineBreak;
    result += "[";
    result += Trim(section);
    result += "]";
    result += lineBreak;
    result += entry;
    result += lineBreak;
    return result;
  }
  const LineSpan& after = lines[*insertAfter];
  std::string insert;
  if (after.next == after.end) insert += lineBreak;  // the last line had no break
  insert += entry;
  insert += lineBreak;
  result.insert(after.next, insert);
  return result;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
  return Snapshot().Find(section, key);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  return Snapshot().ReadString(section, key, fallback);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // Names that a read could not find again, or that would break the file's lines, are
  // refused rather than written.
  std::string_view s = Trim(section), k = Trim(key);
  if (s.empty() || k.empty() || FindChar(s, ']') != std::string_view::npos ||
      FindChar(k, '=') != std::string_view::npos || k.front() == '[' || k.front() == ';' ||
      s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos ||
      k.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return false;
  std::string text;
  if (FileExists(path_)) {
    std::optional<std::string> old = ReadWholeFile(path_);
    if (!old) return false;  // never replace a file whose content could not be read
    text = std::move(*old);
  }
  return WriteFileAtomic(path_, IniSetValue(text, section, key, value));
}

}  // namespace skarvo
