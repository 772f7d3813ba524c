// VersionDialogCore, the version dialog "Version情報", without a window: the title line, the link
// line and what clicking it opens, and the two lines under it. The link names the project's web
// page when the build was given one, else the user guide installed with the program, and
// opens it with the desktop's open action. Also the look-up of the files shipped with the
// program.
#pragma once

#include <string>

#include "platform/process_port.h"

namespace skarvo {

// The version text of the title line.
inline constexpr const char* kVersionText = "Ver,2.1.0";

// Where a file shipped with the program is, for a program file in programFolder (CP932):
// the installed copy, <prefix>/share/doc/skarvo/<installedName> with programFolder being
// <prefix>/bin, when it exists; else, for a program that runs from the folder it was built
// in, the copy in the source tree (<source folder>/<sourcePath>); else empty. An installed
// program never names a file of the tree it was built from.
std::string ShippedFileFor(const std::string& programFolder, const std::string& installedName,
                           const std::string& sourcePath);
// ShippedFileFor the running program.
std::string ShippedFile(const std::string& installedName, const std::string& sourcePath);

class VersionDialogCore {
 public:
  // target: what the link opens, a web address ("http://", "https://") or a document's
  // path (CP932); empty when there is nothing to link to.
  VersionDialogCore(ProcessPort& processes, std::string target);

  // The link of the program: the web page configured at build time, else the installed
  // user guide (ShippedFile), else empty.
  static std::string ProgramLinkTarget();

  // "Skarvo", two U+3000 and the version text (CP932).
  static std::string TitleText();
  // "WebSite【" + the address + "】": the web address, or a file:// URL of the document.
  std::string LinkText() const;
  std::string LinkAddress() const;
  // The two lines under the link.
  static std::string Line1();
  static std::string Line2();

  void Show() { visible_ = true; }
  bool Visible() const { return visible_; }
  // Clicking the link: the page or document opens with the desktop's open action, in the
  // program's folder. False (and nothing opened) when there is no target or no opener.
  bool LinkClick();
  // "Close" and the window's close box.
  void CloseClick() { visible_ = false; }

 private:
  ProcessPort& processes_;
  std::string target_;
  bool visible_ = false;
};

}  // namespace skarvo
