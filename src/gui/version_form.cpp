#include "gui/version_form.h"

#include <QLabel>
#include <QPushButton>

#include "app/main_window_core.h"
#include "gui/program_icon.h"
#include "gui/qt_text.h"
#include "gui/window_place.h"

namespace skarvo::gui {

namespace {

QLabel* CentredLine(const QString& text, QWidget* parent, int y, int height) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setGeometry(0, y, 262, height);
  return label;
}

}  // namespace

VersionForm::VersionForm(MainWindowCore& form, ProcessPort& processes, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  core_ = std::make_unique<VersionDialogCore>(processes, VersionDialogCore::ProgramLinkTarget());
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Version情報"));
  setModal(true);
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);
  setFixedSize(262, 131);
  // cl3DLight
  QPalette p = palette();
  p.setColor(QPalette::Window, p.color(QPalette::Midlight));
  setPalette(p);
  setAutoFillBackground(true);

  title_ = CentredLine(ToQt(VersionDialogCore::TitleText()), this, 6, 26);
  QFont titleFont = windowFont;
  titleFont.setPixelSize(19);
  titleFont.setBold(true);
  titleFont.setItalic(true);
  title_->setFont(titleFont);
  title_->setStyleSheet(QStringLiteral("color: #008000;"));

  const QString address = ToQt(core_->LinkAddress());
  link_ = CentredLine({}, this, 34, 16);
  // The address is long: its middle gives way so both ends stay readable.
  const QString shown = QFontMetrics(windowFont).elidedText(address, Qt::ElideMiddle, 200);
  link_->setTextFormat(Qt::RichText);
  link_->setText(QStringLiteral("<a href=\"open\" style=\"color:#008000;\">%1</a>")
                     .arg((Lit("WebSite【") + shown + Lit("】")).toHtmlEscaped()));
  link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  link_->setToolTip(address);

  CentredLine(ToQt(VersionDialogCore::Line1()), this, 54, 16);
  CentredLine(ToQt(VersionDialogCore::Line2()), this, 70, 16);
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIconPixmap(32));
  icon->setGeometry(8, 92, 32, 32);
  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setGeometry(180, 98, 75, 25);
  close_->setDefault(true);
  connect(close_, &QPushButton::clicked, this, [this] {
    core_->CloseClick();
    accept();
  });
  connect(link_, &QLabel::linkActivated, this, [this] { core_->LinkClick(); });
  form.Dialogs().showVersion = [this] { Run(); };
}

VersionForm::~VersionForm() = default;

void VersionForm::Prepare() {
  core_->Show();
  CentreOnOwner(*this);
}

void VersionForm::Run() {
  Prepare();
  exec();
}

void VersionForm::reject() {
  core_->CloseClick();
  QDialog::reject();
}

}  // namespace skarvo::gui
