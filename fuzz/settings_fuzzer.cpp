// libFuzzer harness: a settings file of arbitrary bytes. The start-up load must give usable
// settings (a window of at least 1 x 1), and a value written into the damaged text must
// read back as written, with the file's other first entries unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  skarvo::Settings settings;
  const skarvo::IniSnapshot snapshot = skarvo::IniSnapshot::Parse(text);
  const skarvo::StartupSettings startup =
      skarvo::LoadStartupSettings(skarvo::SettingsValues(snapshot), settings);
  if (startup.windowWidth < 1 || startup.windowHeight < 1) __builtin_trap();

  // The value: the input's last bytes that are printable ASCII.
  std::string value;
  for (size_t i = size > 16 ? size - 16 : 0; i < size; ++i)
    if (data[i] >= 0x20 && data[i] < 0x7F) value.push_back(static_cast<char>(data[i]));
  const std::string updated = skarvo::IniSetValue(text, "Main", "FuzzKey", value);
  const skarvo::IniSnapshot after = skarvo::IniSnapshot::Parse(updated);
  if (after.Find("Main", "FuzzKey") != value) __builtin_trap();
  for (const std::string& key : {skarvo::Sjis("ウインドウの幅"), skarvo::Sjis("検索文字")}) {
    if (after.Find("Main", key) != snapshot.Find("Main", key)) __builtin_trap();
  }
  return 0;
}
