#include "settings/settings_file.h"

#include "platform/codepage.h"
#include "settings/value_format.h"

namespace skarvo {
namespace {

std::string WriteErrorText(const std::string& path) {
  // The message is a format with one %s for the path.
  const std::string& format = Sjis("%s に書き込めません");
  std::string text = format;
  size_t at = text.find("%s");
  text.replace(at, 2, path);
  return text;
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& path) : Exception(WriteErrorText(path)) {}

bool SettingsValues::ReadFlag(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

int SettingsValues::ReadInteger(std::string_view section, std::string_view key,
                                int fallback) const {
  std::optional<std::string> text = ini_.Find(section, key);
  if (!text) return fallback;
  return ParseProfileInteger(*text).value_or(fallback);
}

std::string SettingsValues::ReadText(std::string_view section, std::string_view key,
                                     std::string_view fallback) const {
  return ini_.ReadString(section, key, fallback);
}

Color SettingsValues::ReadColor(std::string_view section, std::string_view key,
                                Color fallback) const {
  std::optional<std::string> text = ini_.Find(section, key);
  if (!text) return fallback;
  return ColorFromText(*text).value_or(fallback);
}

std::vector<std::string> SettingsValues::ReadList(std::string_view section,
                                                  std::string_view key) const {
  std::vector<std::string> entries = SplitCommaText(ini_.ReadString(section, key, ""));
  std::erase_if(entries, [](const std::string& e) { return e.empty(); });
  return entries;
}

bool SettingsValues::ReadFlag(SettingKey key) const {
  return ReadFlag(SectionName(key), KeyName(key), KeyInfo(key).defaultNumber != 0);
}

int SettingsValues::ReadInteger(SettingKey key) const {
  return ReadInteger(SectionName(key), KeyName(key), static_cast<int>(KeyInfo(key).defaultNumber));
}

std::string SettingsValues::ReadText(SettingKey key) const {
  return ReadText(SectionName(key), KeyName(key), Sjis(KeyInfo(key).defaultText));
}

Color SettingsValues::ReadColor(SettingKey key) const {
  return ReadColor(SectionName(key), KeyName(key), static_cast<Color>(KeyInfo(key).defaultNumber));
}

std::vector<std::string> SettingsValues::ReadList(SettingKey key) const {
  return ReadList(SectionName(key), KeyName(key));
}

bool SettingsFile::ReadFlag(std::string_view section, std::string_view key, bool fallback) const {
  return Values().ReadFlag(section, key, fallback);
}

int SettingsFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  return Values().ReadInteger(section, key, fallback);
}

std::string SettingsFile::ReadText(std::string_view section, std::string_view key,
                                   std::string_view fallback) const {
  return ini_.ReadString(section, key, fallback);
}

Color SettingsFile::ReadColor(std::string_view section, std::string_view key,
                              Color fallback) const {
  return Values().ReadColor(section, key, fallback);
}

void SettingsFile::WriteText(std::string_view section, std::string_view key,
                             std::string_view value) {
  if (!ini_.WriteString(section, key, value)) throw SettingsWriteError(ini_.Path());
}

void SettingsFile::WriteFlag(std::string_view section, std::string_view key, bool value) {
  WriteText(section, key, value ? "1" : "0");
}

void SettingsFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteText(section, key, std::to_string(value));
}

void SettingsFile::WriteColor(std::string_view section, std::string_view key, Color value) {
  WriteText(section, key, ColorToText(value));
}

void SettingsFile::WriteFlag(SettingKey key, bool value) {
  WriteFlag(SectionName(key), KeyName(key), value);
}

void SettingsFile::WriteInteger(SettingKey key, int value) {
  WriteInteger(SectionName(key), KeyName(key), value);
}

void SettingsFile::WriteText(SettingKey key, std::string_view value) {
  WriteText(SectionName(key), KeyName(key), value);
}

void SettingsFile::WriteColor(SettingKey key, Color value) {
  WriteColor(SectionName(key), KeyName(key), value);
}

}  // namespace skarvo
