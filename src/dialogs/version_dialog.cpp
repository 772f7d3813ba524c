#include "dialogs/version_dialog.h"

#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

bool IsWebAddress(const std::string& target) {
  return target.starts_with("http://") || target.starts_with("https://");
}

// True when folder is base or lies inside it.
bool WithinFolder(const std::string& folder, const std::string& base) {
  return !base.empty() && folder.starts_with(base) &&
         (folder.size() == base.size() || folder[base.size()] == '/');
}

}  // namespace

std::string ShippedFileFor(const std::string& programFolder, const std::string& installedName,
                           const std::string& sourcePath) {
  if (!programFolder.empty()) {
    // <prefix>/bin -> <prefix>, so the path shown in the window has no "bin/..".
    const size_t slash = programFolder.rfind('/');
    const std::string prefix = slash == std::string::npos ? "." : programFolder.substr(0, slash);
    const std::string installed = prefix + "/share/doc/skarvo/" + installedName;
    if (FileExists(installed)) return installed;
  }
#if defined(SKARVO_SOURCE_DIR) && defined(SKARVO_BUILD_DIR)
  std::string build;
  std::string source;
  if (Utf8ToCp932(SKARVO_BUILD_DIR, build) && WithinFolder(programFolder, build) &&
      Utf8ToCp932(SKARVO_SOURCE_DIR, source)) {
    source += "/" + sourcePath;
    if (FileExists(source)) return source;
  }
#endif
  return {};
}

std::string ShippedFile(const std::string& installedName, const std::string& sourcePath) {
  return ShippedFileFor(ProgramFolder(), installedName, sourcePath);
}

VersionDialogCore::VersionDialogCore(ProcessPort& processes, std::string target)
    : processes_(processes), target_(std::move(target)) {}

std::string VersionDialogCore::ProgramLinkTarget() {
#ifdef SKARVO_PROJECT_URL
  if (IsWebAddress(SKARVO_PROJECT_URL)) return SKARVO_PROJECT_URL;
#endif
  return ShippedFile("guide.html", "data/help/guide.html");
}

std::string VersionDialogCore::TitleText() {
  return ApplicationCaption() + Sjis("\u3000\u3000") + Sjis(kVersionText);
}

std::string VersionDialogCore::LinkAddress() const {
  if (target_.empty() || IsWebAddress(target_)) return target_;
  return "file://" + target_;
}

std::string VersionDialogCore::LinkText() const {
  return Sjis("WebSite【") + LinkAddress() + Sjis("】");
}

std::string VersionDialogCore::Line1() { return Sjis("多数のファイルの検索・置換・結合・分割"); }

std::string VersionDialogCore::Line2() { return Sjis("使い方は Help メニュー（F1）の説明書へ"); }

bool VersionDialogCore::LinkClick() {
  if (target_.empty()) return false;
  return processes_.ShellOpen(target_, ProgramFolder());
}

}  // namespace skarvo
