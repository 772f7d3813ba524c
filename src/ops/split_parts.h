// The parts of a file split: the split points, the line range of each part by the split
// mode, the part file names and the text of the rows that show them.
//
// Split points are "1", the hit line numbers in order and the line count L; the first and
// the last are always checked, a hit's point is checked when its hit row is. Each checked
// point but the last starts a part. The mode decides where a hit line goes: 1 starts a
// part, 2 ends one part and starts the next, 3 ends a part.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

struct SplitPoint {
  int64_t line = 0;
  bool checked = false;
};

struct SplitPart {
  int pointIndex = 0;  // the split point that starts the part
  int64_t first = 0;   // 1-based, both included; last < first for an empty range
  int64_t last = 0;
  std::string name;  // the part file's path
};

// True for the split modes 1 to 3; any other value is a wrong setting.
bool ValidSplitMode(int mode);

// The parts of a file (path) at its split points, by mode (1 to 3).
std::vector<SplitPart> SplitParts(const std::string& path, const std::vector<SplitPoint>& points,
                                  int mode);

// The part file's name: only the file name changes. The number goes in front of its final
// extension ("a.txt" -> "a3.txt", "A.TXT" -> "A3.TXT"), or at its end when it has none
// ("a" -> "a3", ".profile" -> ".profile3"); folders named like the extension stay as they
// are. The name always differs from the source file's.
std::string SplitPartName(const std::string& path, int number);

// A part is written only when it has two lines or more and its first line is not empty.
bool PartWritable(const std::vector<std::string>& lines, const SplitPart& part);

// The lines of a part.
std::vector<std::string> PartLines(const std::vector<std::string>& lines, const SplitPart& part);

// The part row's text: "\"<first>列目~<last>列目\"," and the preview.
std::string PartRowText(const std::vector<std::string>& lines, const SplitPart& part);

// The line number of a text hit row: the text between the leading "【" and the first
// "列目"; nullopt when the row has none.
std::optional<int64_t> HitRowLineNumber(std::string_view rowText);

}  // namespace skarvo
