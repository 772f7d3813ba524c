// DisplaySettingsCore, the display settings dialog "表示の設定", without a window: the values of
// its controls (loaded once from the settings file when the dialog is made, kept between openings
// whether stored or not), its page, "更新" and "Cancel". The window shows the controls and forwards
// the user's changes into Controls().
#pragma once

#include <functional>
#include <string>

#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo {

// Range of the three lists' font size spin boxes, and of the two bar size spin boxes (a
// size outside 1..kMaxFontSize would not read back from the settings file).
inline constexpr int kListFontSizeMin = 9;
inline constexpr int kListFontSizeMax = 99;
inline constexpr int kBarFontSizeMin = 1;
inline constexpr int kBarFontSizeMax = kMaxFontSize;

// The pages, in tab order.
// kPageEditer: a page without controls whose tab is never shown.
enum DisplaySettingsPage : int { kPageTab1 = 0, kPageTab2 = 1, kPageTab3 = 2, kPageEditer = 3 };

class DisplaySettingsCore {
 public:
  // Made once at start-up: every control takes its key's value from the settings file of
  // homeFolder. `stored` runs after "更新" has written the keys (the main window re-reads and
  // applies them).
  DisplaySettingsCore(const std::string& homeFolder, std::function<void()> stored);

  DisplaySettings& Controls() { return controls_; }
  const DisplaySettings& Controls() const { return controls_; }
  int ActivePage() const { return activePage_; }
  void SetActivePage(int page) { activePage_ = page < 0 || page > kPageEditer ? kPageTab1 : page; }

  // "更新": writes every control's value to its key in the dialog's order, then `stored`.
  // SettingsWriteError when a write is refused: the keys written before stay, nothing is
  // applied. True when stored (the dialog then closes).
  bool OnUpdate();
  // "Cancel": writes nothing; the controls keep what the user set for the next opening.
  void OnCancel() {}
  // The dialog closed after it was opened from the main window: the next opening starts on
  // the first page.
  void ClosedFromMainWindow() { activePage_ = kPageTab1; }

 private:
  std::string settingsPath_;
  std::function<void()> stored_;
  DisplaySettings controls_;
  int activePage_ = kPageTab1;
};

// Marks the result list's header rows again: every row whose text starts with a double
// quote and whose first comma-text field names an existing file becomes a header row.
// Rows are never unmarked.
void MarkResultHeaders(CheckList& resultList);

}  // namespace skarvo
