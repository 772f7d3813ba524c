// The rules of the folder picker that do not need a window: where the tree starts, which
// folder is the tree's top, where the window goes and which button answers Enter or has
// the focus. The Qt window applies them; core tests check them here.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/folder_choice.h"
#include "platform/ui_port.h"

namespace skarvo {

// The size of the window for dsDefault.
inline constexpr int kFolderDialogDefaultWidth = 307;
inline constexpr int kFolderDialogDefaultHeight = 352;

// The folder the tree starts at, from the picker's Path: a path that is not an existing
// folder is cut back, one folder at a time, to its nearest existing parent (the "/" after
// the parent stays). Empty when no parent exists or the path is empty; the tree then
// selects its first node.
std::string ShortenStartFolder(const std::string& path,
                               const std::function<bool(const std::string&)>& folderExists);

// The path with one trailing "/" (none added when it already ends with one).
std::string WithTrailingSeparator(const std::string& path);

// The path without its trailing "/"; "/" itself stays "/".
std::string WithoutTrailingSeparator(const std::string& path);

// The file-system folder at the top of the tree: "/" for the whole-system roots, the
// user's home folder for the personal ones, CustomRootFolder for rfCustom ("/" when that
// is empty). The result has no trailing "/" unless it is "/".
std::string FolderTreeRoot(TRootFolder root, const std::string& customRootFolder);

// The window's caption: Caption, or the executable's file name without its extension.
std::string FolderDialogCaption(const std::string& caption);

struct DialogRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
};

struct DialogPoint {
  int left = 0;
  int top = 0;
  bool operator==(const DialogPoint&) const = default;
};

// What the window system tells about the screens.
struct ScreenGeometry {
  DialogRect screen;                   // the screen the window opens on
  DialogRect desktop;                  // all screens together
  std::optional<DialogRect> workArea;  // the screen without panels; nullopt when unknown
};

// Where the window of the given size opens; nullopt for dpDefault (the window system
// chooses). dpOwnerCenter centres over the owner (halves rounded toward zero), then
// keeps the window on the screen: a negative left or top becomes 0, else a window past
// the screen's right edge or the work area's bottom is moved back to end there. Without
// an owner it centres on the screen.
std::optional<DialogPoint> PlaceFolderDialog(const FolderChoiceRequest& request,
                                             const std::optional<DialogRect>& owner,
                                             const ScreenGeometry& screens);

// Which button answers Enter and which control gets the focus when the window opens.
struct FolderDialogButtonRoles {
  enum class Focus { kTree, kOkButton, kCancelButton };
  bool okIsDefault = false;
  bool cancelIsDefault = false;
  Focus focus = Focus::kTree;
  bool operator==(const FolderDialogButtonRoles&) const = default;
};
FolderDialogButtonRoles ButtonRolesFor(TDefaultButton defaultButton,
                                       TFocusedControl focusedControl);

}  // namespace skarvo
