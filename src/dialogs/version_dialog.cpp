#include "dialogs/version_dialog.h"

#include "app/form1.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

std::string ShippedFile(const std::string& installedName, const std::string& sourcePath) {
  const std::string programFolder = ProgramFolder();
  if (!programFolder.empty()) {
    const std::string installed = programFolder + "/../share/doc/skarvo/" + installedName;
    if (FileExists(installed)) return installed;
  }
#ifdef SKARVO_SOURCE_DIR
  std::string source;
  if (Utf8ToCp932(SKARVO_SOURCE_DIR, source)) {
    source += "/" + sourcePath;
    if (FileExists(source)) return source;
  }
#endif
  return {};
}

TForm3::TForm3(ProcessPort& processes, std::string documentPath)
    : processes_(processes), documentPath_(std::move(documentPath)) {}

std::string TForm3::TitleText() {
  return Sjis(kApplicationTitle) + Sjis("\u3000\u3000") + Sjis(kVersionText);
}

std::string TForm3::LinkAddress() const {
  if (documentPath_.empty()) return {};
  return "file://" + documentPath_;
}

std::string TForm3::LinkText() const { return Sjis("WebSite【") + LinkAddress() + Sjis("】"); }

std::string TForm3::Line1() { return Sjis("多数のファイルの検索・置換・結合・分割"); }

std::string TForm3::Line2() { return Sjis("使い方は Help メニュー（F1）の説明書へ"); }

bool TForm3::LinkClick() {
  if (documentPath_.empty()) return false;
  return processes_.ShellOpen(documentPath_, ProgramFolder());
}

}  // namespace skarvo
