// The profile (INI) file: section lines "[name]" and entry lines "key=value", as text in
// code page 932. Reading and writing keep the rules of the program's settings file:
//  - section and key names are compared without regard to the case of ASCII letters, and
//    with blanks around them ignored;
//  - a key, a section or the whole file that is absent reads as absent (the caller's
//    default); the first occurrence of a section, then of a key in it, is the one used;
//  - a read value is cut at kIniValueLimit bytes (never inside a 2-byte character);
//  - a write replaces the value in place, or adds the key at the end of its section, or the
//    section at the end of the file, or creates the file; every other byte of the file stays
//    as it was, and the new file replaces the old one atomically before the write returns.
// Lines that are neither sections nor entries (comments, garbage) are kept and ignored.
// A value is stored as it is; only a value that would not read back the same (blanks at
// its ends, or enclosed in a pair of quotes, which a read takes off) is put in double
// quotes. A line break or NUL in a value ends the value there, since a line holds one entry.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

// The most bytes a read returns of one value.
inline constexpr size_t kIniValueLimit = 2047;

// What a profile file held when it was read: the first entry of each key, in the form a
// read returns (values already cut). Memory grows with the distinct keys, never with the
// length of a line.
class IniSnapshot {
 public:
  // Parses the text of a profile file.
  static IniSnapshot Parse(std::string_view text);
  // Reads and parses a file; an absent or unreadable file, or anything but a regular file
  // (a pipe, a device), gives an empty snapshot.
  static IniSnapshot Load(const std::string& path);

  // The value of the key in the section, or nullopt when either is absent.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // The value, or `fallback` when absent.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // True when the section appears in the file (even without entries).
  bool HasSection(std::string_view section) const;

 private:
  struct Entry {
    std::string sectionKey;  // upper-cased section name, for comparison
    std::string key;         // upper-cased key name
    std::string value;
  };
  friend class IniSnapshotBuilder;

  std::vector<Entry> entries_;
  std::vector<std::string> sections_;  // upper-cased, file order, duplicates once
};

// The text of a profile file after writing one value: pure, so its rules can be checked
// without a file. `text` may be empty (a new file).
std::string IniSetValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// A profile file at a path. It holds no copy of the file: each call opens, reads or writes,
// and closes it.
class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // Reads the whole file once, for many reads from the same state.
  IniSnapshot Snapshot() const { return IniSnapshot::Load(path_); }
  // One value, read now; nullopt when absent.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // One value, read now; `fallback` when absent.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;

  // Writes one value now. False when the file could not be read or written; the file is
  // then as it was.
  [[nodiscard]] bool WriteString(std::string_view section, std::string_view key,
                                 std::string_view value);

 private:
  std::string path_;
};

}  // namespace skarvo
