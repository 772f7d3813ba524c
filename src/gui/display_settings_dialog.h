// DisplaySettingsCore's window "表示の設定": three pages with their tabs at the bottom (colours and
// font size of the result list, the join list and the target list), the two bar sizes and the two
// bar flags below, "更新" and "Cancel". Every change goes into the core DisplaySettingsCore's
// controls at once, so what the user set stays for the next opening even after "Cancel".
#pragma once

#include <QDialog>
#include <vector>

#include "dialogs/display_settings.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTabWidget;

namespace skarvo::gui {

// A drop-down of the named colours, each shown with a swatch.
QComboBox* MakeColorBox(QWidget* parent);
void SetColorBoxValue(QComboBox* box, Color color);
Color ColorBoxValue(const QComboBox* box);

class DisplaySettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DisplaySettingsDialog(DisplaySettingsCore& form, QWidget* parent = nullptr);

  // Opened from the main window: modal, and the next opening starts on the first page.
  void ShowFromMainWindow();
  // Opened from the built-in editor: modal, on the first page.
  void ShowFromEditor();

  QTabWidget* Pages() const { return pages_; }
  // The pickers in the order ColorBox1..ColorBox12, ColorBoxKMoji, ColorBoxOMoji.
  const std::vector<QComboBox*>& ColorBoxes() const { return colorBoxes_; }
  // SpinEdit1..SpinEdit5.
  const std::vector<QSpinBox*>& SpinEdits() const { return spinEdits_; }
  QCheckBox* ToolBarBox() const { return toolBar_; }
  QCheckBox* StatusBarBox() const { return statusBar_; }
  // "更新" and "Cancel" as the buttons do them.
  void Update();
  void Cancel();

 private:
  void LoadControls();
  void StoreControl();

  DisplaySettingsCore& form_;
  QTabWidget* pages_;
  std::vector<QComboBox*> colorBoxes_;
  std::vector<QSpinBox*> spinEdits_;
  QCheckBox* toolBar_;
  QCheckBox* statusBar_;
  bool loading_ = false;
};

}  // namespace skarvo::gui
