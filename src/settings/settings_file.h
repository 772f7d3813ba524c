// The settings-file object: typed reads and writes of single keys with the value rules of
// the settings file. It keeps no copy of the file; each call opens and closes it, so a key
// changed on disk is seen at the next read. A write the OS refuses throws
// SettingsWriteError ("<path> に書き込めません"); keys written before stay written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/ini_file.h"
#include "settings/color.h"
#include "settings/setting_keys.h"

namespace skarvo {

class SettingsWriteError : public Exception {
 public:
  explicit SettingsWriteError(const std::string& path);
};

// Typed reads over one state of the file (a snapshot, or a whole file read once).
class SettingsValues {
 public:
  SettingsValues() = default;
  explicit SettingsValues(IniSnapshot snapshot) : ini_(std::move(snapshot)) {}

  // A flag: any non-zero integer is on, 0 off; absent or no number gives `fallback`.
  bool ReadFlag(std::string_view section, std::string_view key, bool fallback) const;
  // An integer in any of the file's forms; absent or no number gives `fallback`.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // A text as stored (cut at 2047 bytes); absent gives `fallback`.
  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view fallback = {}) const;
  // A colour name or integer; absent, or neither a name nor a number, gives `fallback`.
  Color ReadColor(std::string_view section, std::string_view key, Color fallback) const;
  // A list, split by the comma-text rule, with its empty entries removed.
  std::vector<std::string> ReadList(std::string_view section, std::string_view key) const;

  // The same, with the section, key and default of the key table.
  bool ReadFlag(SettingKey key) const;
  int ReadInteger(SettingKey key) const;
  std::string ReadText(SettingKey key) const;
  Color ReadColor(SettingKey key) const;
  std::vector<std::string> ReadList(SettingKey key) const;

 private:
  IniSnapshot ini_;
};

class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : ini_(std::move(path)) {}

  const std::string& Path() const { return ini_.Path(); }

  // The whole file read once, for many reads from one state.
  SettingsValues Values() const { return SettingsValues(ini_.Snapshot()); }

  // Single reads, each reading the file now (see SettingsValues for the rules).
  bool ReadFlag(std::string_view section, std::string_view key, bool fallback) const;
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  std::string ReadText(std::string_view section, std::string_view key,
                       std::string_view fallback = {}) const;
  Color ReadColor(std::string_view section, std::string_view key, Color fallback) const;
  bool ReadFlag(SettingKey key) const { return Values().ReadFlag(key); }
  int ReadInteger(SettingKey key) const { return Values().ReadInteger(key); }
  std::string ReadText(SettingKey key) const { return Values().ReadText(key); }
  Color ReadColor(SettingKey key) const { return Values().ReadColor(key); }

  // Writes, each reaching the file before it returns; SettingsWriteError when refused.
  // A flag is written "1" or "0", an integer in decimal, a colour by ColorToText.
  void WriteFlag(std::string_view section, std::string_view key, bool value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteText(std::string_view section, std::string_view key, std::string_view value);
  void WriteColor(std::string_view section, std::string_view key, Color value);
  void WriteFlag(SettingKey key, bool value);
  void WriteInteger(SettingKey key, int value);
  void WriteText(SettingKey key, std::string_view value);
  void WriteColor(SettingKey key, Color value);

 private:
  IniFile ini_;
};

}  // namespace skarvo
