#include "gui/display_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/qt_text.h"
#include "platform/error.h"

namespace skarvo::gui {

namespace {

QIcon Swatch(const QColor& color) {
  QPixmap pixmap(16, 12);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.setBrush(color.isValid() ? QBrush(color) : QBrush(Qt::NoBrush));
  painter.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

// The colours of one list, in the order of ListDisplay's four colours.
Color* ListColor(ListDisplay& list, int index) {
  switch (index) {
    case 0:
      return &list.headerBackground;
    case 1:
      return &list.headerFont;
    case 2:
      return &list.background;
    default:
      return &list.font;
  }
}

}  // namespace

QComboBox* MakeColorBox(QWidget* parent) {
  auto* box = new QComboBox(parent);
  size_t count = 0;
  const NamedColor* table = ColorTable(&count);
  for (size_t i = 0; i < count; ++i) {
    box->addItem(Swatch(ToQColor(table[i].value, box->palette(), QColor())),
                 QString::fromUtf8(table[i].shownName), QVariant::fromValue<uint>(table[i].value));
  }
  return box;
}

void SetColorBoxValue(QComboBox* box, Color color) {
  int index = box->findData(QVariant::fromValue<uint>(color));
  if (index < 0) {
    // A colour without a name keeps its number as its entry.
    box->addItem(Swatch(ToQColor(color, box->palette(), QColor())),
                 QString::fromStdString(ColorToText(color)), QVariant::fromValue<uint>(color));
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

Color ColorBoxValue(const QComboBox* box) { return box->currentData().value<uint>(); }

DisplaySettingsDialog::DisplaySettingsDialog(DisplaySettingsCore& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  setWindowTitle(Lit("表示の設定"));
  setFixedSize(312, 288);
  QFont dialogFont = font();
  dialogFont.setPixelSize(12);
  setFont(dialogFont);
  pages_ = new QTabWidget(this);
  pages_->setTabPosition(QTabWidget::South);
  // A picker under its label, as one small column.
  std::vector<QComboBox*> extras;  // ColorBoxKMoji, ColorBoxOMoji: after ColorBox12
  const auto labelled = [](const char* caption, QWidget* parent, std::vector<QComboBox*>& into) {
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(new QLabel(Lit(caption), parent));
    QComboBox* box = MakeColorBox(parent);
    into.push_back(box);
    column->addWidget(box);
    return column;
  };
  const char* captions[] = {"検索モード", "File結合モード", "対象File一覧"};
  for (int page = 0; page < 3; ++page) {
    auto* widget = new QWidget;
    auto* grid = new QGridLayout(widget);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(Lit("フォントサイズ")));
    auto* spin = new QSpinBox;
    spin->setRange(kListFontSizeMin, kListFontSizeMax);
    spinEdits_.push_back(spin);
    sizeRow->addWidget(spin);
    sizeRow->addStretch();
    grid->addLayout(sizeRow, 0, 0, 1, 2);
    const char* groups[] = {"ヘッダー部分書式", "通常部分書式"};
    for (int g = 0; g < 2; ++g) {
      auto* group = new QGroupBox(Lit(groups[g]));
      auto* column = new QVBoxLayout(group);
      column->setContentsMargins(4, 2, 4, 4);
      column->setSpacing(2);
      column->addLayout(labelled("背景色", group, colorBoxes_));
      column->addLayout(labelled("フォント色", group, colorBoxes_));
      grid->addWidget(group, 1, g);
    }
    if (page == 0) {
      // The search and replace colours of the result list.
      grid->addLayout(labelled("検索文字列", widget, extras), 2, 0);
      grid->addLayout(labelled("置換文字列", widget, extras), 2, 1);
    }
    grid->setRowStretch(3, 1);
    pages_->addTab(widget, Lit(captions[page]));
  }
  colorBoxes_.insert(colorBoxes_.end(), extras.begin(), extras.end());
  // The result list draws its hit rows in black, under the search and replace colours: its
  // text colour is kept (and stored) but not offered.
  colorBoxes_[3]->setEnabled(false);
  colorBoxes_[3]->setToolTip(
      Lit("検索結果の行は、検索文字列・置換文字列の色が見えるよう黒で表示します"));
  // The fourth page "Editer" holds nothing and its tab stays hidden.
  pages_->addTab(new QWidget, Lit("Editer"));
  pages_->setTabVisible(kPageEditer, false);

  auto* below = new QGridLayout;
  below->addWidget(new QLabel(Lit("検索文字列")), 0, 0);
  below->addWidget(new QLabel(Lit("ステータスバー")), 1, 0);
  for (int i = 0; i < 2; ++i) {
    auto* spin = new QSpinBox;
    spin->setRange(kBarFontSizeMin, kBarFontSizeMax);
    spinEdits_.push_back(spin);
    below->addWidget(spin, i, 1);
  }
  toolBar_ = new QCheckBox(Lit("ツールボタンを表示"));
  statusBar_ = new QCheckBox(Lit("ステータスバーを表示"));
  below->addWidget(toolBar_, 0, 2);
  below->addWidget(statusBar_, 1, 2);
  auto* update = new QPushButton(Lit("更新"));
  auto* cancel = new QPushButton(Lit("Cancel"));
  update->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(update);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(pages_, 1);
  layout->addLayout(below);
  layout->addLayout(buttons);

  for (QComboBox* box : colorBoxes_)
    connect(box, &QComboBox::currentIndexChanged, this, [this] { StoreControl(); });
  for (QSpinBox* spin : spinEdits_)
    connect(spin, &QSpinBox::valueChanged, this, [this] { StoreControl(); });
  connect(toolBar_, &QCheckBox::toggled, this, [this] { StoreControl(); });
  connect(statusBar_, &QCheckBox::toggled, this, [this] { StoreControl(); });
  connect(pages_, &QTabWidget::currentChanged, this,
          [this](int page) { form_.SetActivePage(page); });
  connect(update, &QPushButton::clicked, this, [this] { Update(); });
  connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
  LoadControls();
}

void DisplaySettingsDialog::LoadControls() {
  loading_ = true;
  DisplaySettings& d = form_.Controls();
  ListDisplay* lists[] = {&d.resultList, &d.joinList, &d.targetList};
  for (int list = 0; list < 3; ++list) {
    for (int c = 0; c < 4; ++c)
      SetColorBoxValue(colorBoxes_[list * 4 + c], *ListColor(*lists[list], c));
    spinEdits_[list]->setValue(lists[list]->fontSize);
  }
  SetColorBoxValue(colorBoxes_[12], d.hitColor);
  SetColorBoxValue(colorBoxes_[13], d.replaceColor);
  spinEdits_[3]->setValue(d.comboBoxFontSize);
  spinEdits_[4]->setValue(d.statusBarFontSize);
  toolBar_->setChecked(d.toolBarVisible);
  statusBar_->setChecked(d.statusBarVisible);
  loading_ = false;
}

void DisplaySettingsDialog::StoreControl() {
  if (loading_) return;
  DisplaySettings& d = form_.Controls();
  ListDisplay* lists[] = {&d.resultList, &d.joinList, &d.targetList};
  for (int list = 0; list < 3; ++list) {
    for (int c = 0; c < 4; ++c)
      *ListColor(*lists[list], c) = ColorBoxValue(colorBoxes_[list * 4 + c]);
    lists[list]->fontSize = spinEdits_[list]->value();
  }
  d.hitColor = ColorBoxValue(colorBoxes_[12]);
  d.replaceColor = ColorBoxValue(colorBoxes_[13]);
  d.comboBoxFontSize = spinEdits_[3]->value();
  d.statusBarFontSize = spinEdits_[4]->value();
  d.toolBarVisible = toolBar_->isChecked();
  d.statusBarVisible = statusBar_->isChecked();
}

void DisplaySettingsDialog::Update() {
  try {
    if (form_.OnUpdate()) accept();
  } catch (const Exception& e) {
    QMessageBox::critical(this, windowTitle(), ToQt(e.Message()));
  }
}

void DisplaySettingsDialog::Cancel() {
  form_.OnCancel();
  reject();
}

void DisplaySettingsDialog::ShowFromMainWindow() {
  LoadControls();
  pages_->setCurrentIndex(form_.ActivePage());
  exec();
  form_.ClosedFromMainWindow();
  pages_->setCurrentIndex(form_.ActivePage());
}

void DisplaySettingsDialog::ShowFromEditor() {
  LoadControls();
  form_.SetActivePage(kPageTab1);
  pages_->setCurrentIndex(kPageTab1);
  exec();
}

}  // namespace skarvo::gui
