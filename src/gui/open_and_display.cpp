#include "gui/open_and_display.h"

#include <QCloseEvent>

#include "gui/main_window.h"
#include "platform/libreoffice_automation.h"

namespace skarvo::gui {

namespace {

// Runs before the main window's own close handling.
class EditorCloseGuard : public QObject {
 public:
  EditorCloseGuard(EditorWindowHost& editor, QObject* parent) : QObject(parent), editor_(editor) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Close || !editor_.Window()) return false;
    if (editor_.Window()->close()) return false;
    event->ignore();
    return true;
  }

 private:
  EditorWindowHost& editor_;
};

}  // namespace

OpenAndDisplay::OpenAndDisplay(MainWindow& window, UiPort& port,
                               std::unique_ptr<OfficeAutomation> office)
    : window_(window), office_(std::move(office)) {
  MainWindowCore& form = window.Form();
  form4_ = std::make_unique<DisplaySettingsCore>(form.HomeFolder(), [&form, &window] {
    form.DisplaySettingsStored();
    window.Refresh();
  });
  dialog_ = new DisplaySettingsDialog(*form4_, &window);
  form.Dialogs().showDisplaySettings = [this] { dialog_->ShowFromMainWindow(); };
  editor_ = std::make_unique<EditorWindowHost>(port, [this] { dialog_->ShowFromEditor(); });
  if (!office_) office_ = std::make_unique<LibreOfficeAutomation>();
  form.OpenHit().SetOffice(office_.get());
  form.OpenHit().SetEditorHost(editor_.get());
  closeGuard_ = new EditorCloseGuard(*editor_, &window);
  window.installEventFilter(closeGuard_);
}

OpenAndDisplay::~OpenAndDisplay() {
  window_.removeEventFilter(closeGuard_);
  MainWindowCore& form = window_.Form();
  form.OpenHit().SetOffice(nullptr);
  form.OpenHit().SetEditorHost(nullptr);
  form.Dialogs().showDisplaySettings = nullptr;
}

}  // namespace skarvo::gui
