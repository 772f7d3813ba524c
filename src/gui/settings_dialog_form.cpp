#include "gui/settings_dialog_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/main_window_core.h"
#include "gui/qt_text.h"
#include "gui/window_place.h"

namespace skarvo::gui {

namespace {

using C = SettingsControl;
using G = SettingsGroup;

// Where each control stands in its group (or on the form): x, y, width, height.
struct Place {
  C id;
  QRect rect;
};
const Place kPlaces[] = {
    {C::kCategoryTxt, {8, 16, 236, 18}},        {C::kCategoryHtml, {8, 34, 236, 18}},
    {C::kCategoryCgi, {8, 52, 236, 18}},        {C::kCategorySystem, {8, 70, 236, 18}},
    {C::kCategoryCsv, {8, 88, 236, 18}},        {C::kCategoryWord, {8, 106, 236, 18}},
    {C::kCategoryExcel, {8, 124, 236, 18}},     {C::kCategoryUser, {8, 142, 128, 18}},
    {C::kUserExtensions, {136, 141, 108, 20}},  {C::kSearchSubfolders, {8, 168, 236, 18}},
    {C::kUseRegex, {8, 16, 180, 18}},           {C::kFuzzyDictionary, {8, 18, 180, 18}},
    {C::kCaseSensitive, {8, 34, 180, 18}},      {C::kShiftJisOnly, {8, 36, 180, 18}},
    {C::kJoinSeparator, {8, 18, 180, 20}},      {C::kIgnoreBlankLines, {8, 40, 180, 18}},
    {C::kSplitHitStartsPart, {8, 16, 180, 18}}, {C::kSplitHitInBoth, {8, 34, 180, 18}},
    {C::kSplitHitEndsPart, {8, 52, 180, 18}},   {C::kEditorEnabled, {8, 18, 70, 18}},
    {C::kEditorLabel, {80, 20, 84, 16}},        {C::kEditorPath, {164, 17, 250, 20}},
    {C::kEditorBrowse, {418, 17, 26, 20}},      {C::kLineOptionLabel, {80, 46, 84, 16}},
    {C::kLineOption, {164, 43, 80, 20}},        {C::kLineNumberLabel, {248, 46, 60, 16}},
    {C::kWordOptionLabel, {312, 46, 0, 16}},    {C::kWordOption, {312, 43, 0, 20}},
    {C::kWordLabel, {312, 46, 0, 16}},          {C::kHideFileNotes, {8, 296, 0, 18}},
    {C::kUpdateButton, {304, 292, 75, 25}},     {C::kCancelButton, {387, 292, 75, 25}},
};
const QRect kGroupRects[] = {
    {},                   // kNone
    {8, 4, 252, 196},     // 対象拡張子
    {268, 4, 194, 58},    // 検索条件
    {268, 66, 194, 46},   // 【File結合】File区切り文字列
    {268, 116, 194, 78},  // ファイル分割
    {8, 206, 454, 76},    // 外部エディタコマンドラインオプション
};

bool IsCategory(C id) {
  switch (id) {
    case C::kCategoryTxt:
    case C::kCategoryHtml:
    case C::kCategoryCgi:
    case C::kCategorySystem:
    case C::kCategoryCsv:
    case C::kCategoryWord:
    case C::kCategoryExcel:
    case C::kCategoryUser:
      return true;
    default:
      return false;
  }
}

}  // namespace

SettingsDialogForm::SettingsDialogForm(MainWindowCore& form, UiPort& port, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  core_ = std::make_unique<SettingsDialogCore>(SettingsDialogParts{
      form.MutableSettings(), form.targetList, SettingsFilePath(form.HomeFolder()), port,
      [&form] { form.OnStatusTimer(); },
      [&form](const std::string& text) { form.ShowNotice(text); }});
  setObjectName(QStringLiteral("SettingsDialog"));
  setWindowTitle(Lit("設定画面"));
  setModal(true);
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);
  setFixedSize(470, 322);
  Build();
  Refresh();
  form.Dialogs().showSettings = [this] { Run(); };
}

SettingsDialogForm::~SettingsDialogForm() = default;

QFont SettingsDialogForm::CategoryFont() {
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setPixelSize(12);
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  return f;
}

void SettingsDialogForm::Build() {
  for (size_t g = 1; g < groups_.size(); ++g) {
    auto* box = new QGroupBox(Lit(SettingsGroupCaption(static_cast<G>(g))), this);
    box->setGeometry(kGroupRects[g]);
    groups_[g] = box;
  }
  for (const Place& place : kPlaces) {
    const SettingsControlInfo& info = SettingsControlOf(place.id);
    const G group = info.group;
    QWidget* parent =
        group == G::kNone ? static_cast<QWidget*>(this) : groups_[static_cast<size_t>(group)];
    QWidget* widget = nullptr;
    const C id = place.id;
    switch (info.kind) {
      case TControlKind::kCheckBox: {
        auto* box = new QCheckBox(Lit(info.caption), parent);
        connect(box, &QCheckBox::clicked, this,
                [this, id] { Forward([this, id] { core_->Click(id); }); });
        widget = box;
        break;
      }
      case TControlKind::kRadioButton: {
        auto* radio = new QRadioButton(Lit(info.caption), parent);
        connect(radio, &QRadioButton::clicked, this,
                [this, id] { Forward([this, id] { core_->Click(id); }); });
        widget = radio;
        break;
      }
      case TControlKind::kEdit: {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(id == C::kEditorPath);
        connect(edit, &QLineEdit::textEdited, this, [this, id, edit](const QString& text) {
          std::optional<std::string> cp932 = FromQt(text);
          if (!cp932) {
            // Never changed silently: the field goes back to what the core holds.
            QMessageBox::warning(this, windowTitle(), ToQt(UnrepresentableInputText()));
            Refresh();
            return;
          }
          core_->SetText(id, *cp932);
          (void)edit;
        });
        widget = edit;
        break;
      }
      case TControlKind::kLabel:
        widget = new QLabel(Lit(info.caption), parent);
        break;
      case TControlKind::kButton: {
        auto* button = new QPushButton(Lit(info.caption), parent);
        if (id == C::kEditorBrowse)
          connect(button, &QPushButton::clicked, this,
                  [this] { Forward([this] { core_->OnChooseEditor(); }); });
        if (id == C::kUpdateButton) {
          button->setDefault(true);
          connect(button, &QPushButton::clicked, this,
                  [this] { Forward([this] { core_->OnUpdate(); }); });
        }
        if (id == C::kCancelButton)
          connect(button, &QPushButton::clicked, this,
                  [this] { Forward([this] { core_->OnCancel(); }); });
        widget = button;
        break;
      }
    }
    widget->setObjectName(QString::fromLatin1(info.name));
    // Inside a group the rows start below its title.
    widget->setGeometry(group == G::kNone ? place.rect : place.rect.translated(0, 4));
    if (IsCategory(id)) widget->setFont(CategoryFont());
    widgets_[static_cast<size_t>(id)] = widget;
  }
}

void SettingsDialogForm::Forward(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    QMessageBox::critical(this, windowTitle(), ToQt(e.Message()));
  }
  Refresh();
  if (!core_->Visible() && isVisible()) QDialog::accept();
}

void SettingsDialogForm::Refresh() {
  refreshing_ = true;
  for (const SettingsControlInfo& info : SettingsControlTable()) {
    QWidget* widget = Widget(info.id);
    const TControlState& state = core_->State(info.id);
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
      QSignalBlocker block(button);
      button->setChecked(state.checked);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      const QString text = ToQt(state.text);
      if (edit->text() != text) edit->setText(text);
    }
  }
  refreshing_ = false;
}

void SettingsDialogForm::Prepare() {
  core_->Show();
  Refresh();
  CentreOnOwner(*this);
}

void SettingsDialogForm::Run() {
  Prepare();
  exec();
}

void SettingsDialogForm::reject() {
  core_->OnCancel();
  QDialog::reject();
}

}  // namespace skarvo::gui
