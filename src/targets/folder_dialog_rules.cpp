#include "targets/folder_dialog_rules.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/codepage.h"

namespace skarvo {

std::string ShortenStartFolder(const std::string& path,
                               const std::function<bool(const std::string&)>& folderExists) {
  // The drive part is empty here, so the search for a parent may go back to the root's
  // "/" at the first character. Each step cuts at least one character, so it ends.
  std::string p = path;
  while (!p.empty() && !folderExists(p)) {
    if (p.size() <= 1) return {};
    size_t cut = std::string::npos;
    for (size_t i = p.size() - 1; i-- > 0;) {
      if (p[i] == '/') {
        cut = i;
        break;
      }
    }
    // A relative name without a parent in it: nothing left to try.
    if (cut == std::string::npos) return {};
    p.resize(cut + 1);
  }
  return p;
}

std::string WithTrailingSeparator(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string WithoutTrailingSeparator(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

namespace {

std::string HomeFolder() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir)
    return "/";
  std::string cp932;
  if (!Utf8ToCp932(found->pw_dir, cp932) || cp932.empty()) return "/";
  return cp932;
}

}  // namespace

std::string FolderTreeRoot(TRootFolder root, const std::string& customRootFolder) {
  switch (root) {
    case TRootFolder::rfCustom:
      return customRootFolder.empty() ? "/" : WithoutTrailingSeparator(customRootFolder);
    // The personal special folders have no fixed place here; the user's home folder
    // holds what they would.
    case TRootFolder::rfMyDocuments:
    case TRootFolder::rfAppData:
    case TRootFolder::rfFavorites:
    case TRootFolder::rfPrograms:
    case TRootFolder::rfRecent:
    case TRootFolder::rfSendTo:
    case TRootFolder::rfStartMenu:
    case TRootFolder::rfStartup:
      return WithoutTrailingSeparator(HomeFolder());
    default:
      return "/";
  }
}

std::string FolderDialogCaption(const std::string& caption) {
  if (!caption.empty()) return caption;
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  std::string name = "skarvo";
  if (n > 0) {
    std::string exe(buffer, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    if (slash != std::string::npos) exe.erase(0, slash + 1);
    size_t dot = exe.rfind('.');
    if (dot != std::string::npos && dot > 0) exe.resize(dot);
    std::string cp932;
    if (!exe.empty() && Utf8ToCp932(exe, cp932)) name = cp932;
  }
  return name;
}

std::optional<DialogPoint> PlaceFolderDialog(const FolderChoiceRequest& request,
                                             const std::optional<DialogRect>& owner,
                                             const ScreenGeometry& screens) {
  const int w = request.width;
  const int h = request.height;
  auto centreOn = [&](const DialogRect& r) {
    return DialogPoint{r.left + r.width / 2 - w / 2, r.top + r.height / 2 - h / 2};
  };
  switch (request.position) {
    case TDialogPosition::dpDefault:
      return std::nullopt;
    case TDialogPosition::dpCustom:
      return DialogPoint{request.left, request.top};
    case TDialogPosition::dpDesktopCenter:
      return centreOn(screens.desktop);
    case TDialogPosition::dpScreenCenter:
      return centreOn(screens.screen);
    case TDialogPosition::dpOwnerCenter:
      break;
  }
  if (!owner) return centreOn(screens.screen);
  DialogPoint p = centreOn(*owner);
  if (p.left < 0)
    p.left = 0;
  else if (p.left + w > screens.screen.Right())
    p.left = screens.screen.Right() - w;
  const int bottom = screens.workArea ? screens.workArea->Bottom() : screens.screen.height;
  if (p.top < 0)
    p.top = 0;
  else if (p.top + h > bottom)
    p.top = bottom - h;
  return p;
}

FolderDialogButtonRoles ButtonRolesFor(TDefaultButton defaultButton,
                                       TFocusedControl focusedControl) {
  FolderDialogButtonRoles roles;
  roles.okIsDefault = defaultButton == TDefaultButton::btOk;
  roles.cancelIsDefault = defaultButton == TDefaultButton::btCancel;
  if (focusedControl == TFocusedControl::fcDefaultButton) {
    // The component's setters never leave fcDefaultButton without a default button;
    // should a request still arrive so, the tree keeps the focus.
    if (roles.okIsDefault) roles.focus = FolderDialogButtonRoles::Focus::kOkButton;
    if (roles.cancelIsDefault) roles.focus = FolderDialogButtonRoles::Focus::kCancelButton;
  }
  return roles;
}

}  // namespace skarvo
