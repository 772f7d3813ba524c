#include "dialogs/display_settings.h"

#include "platform/comma_text.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"

namespace skarvo {

DisplaySettingsCore::DisplaySettingsCore(const std::string& homeFolder,
                                         std::function<void()> stored)
    : settingsPath_(SettingsFilePath(homeFolder)), stored_(std::move(stored)) {
  controls_ = ReadDisplaySettings(SettingsFile(settingsPath_).Values());
}

bool DisplaySettingsCore::OnUpdate() {
  SettingsFile file(settingsPath_);
  WriteDisplaySettings(file, controls_);
  if (stored_) stored_();
  return true;
}

void MarkResultHeaders(CheckList& resultList) {
  for (int i = 0; i < resultList.Count(); ++i) {
    const std::string& text = resultList.Text(i);
    if (text.empty() || text[0] != '"' || resultList.Header(i)) continue;
    const std::vector<std::string> fields = SplitCommaText(text);
    if (!fields.empty() && FileExists(fields[0])) resultList.SetHeader(i, true);
  }
}

}  // namespace skarvo
