// TForm3, the version dialog "Version情報", without a window: the title line, the link line
// and what clicking it opens, and the two lines under it. The project has no web site: the
// link names the documentation shipped with the program (its README) and opens it with the
// desktop's open action. Also the look-up of the files shipped with the program.
#pragma once

#include <string>

#include "platform/process_port.h"

namespace skarvo {

// The version text of the title line.
inline constexpr const char* kVersionText = "Ver,2.1.0";

// Where a file shipped with the program is: the installed copy next to the program
// (<program folder>/../share/doc/skarvo/<installedName>) when it exists, else the copy in
// the source tree the program was built from (<source folder>/<sourcePath>), else empty.
// CP932 paths.
std::string ShippedFile(const std::string& installedName, const std::string& sourcePath);

class TForm3 {
 public:
  // documentPath: the README shipped with the program (CP932), empty when none is found.
  TForm3(ProcessPort& processes, std::string documentPath);

  // "Skarvo", two U+3000 and the version text (CP932).
  static std::string TitleText();
  // "WebSite【" + the address + "】", the address a file:// URL of the document.
  std::string LinkText() const;
  std::string LinkAddress() const;
  // The two lines under the link.
  static std::string Line1();
  static std::string Line2();

  void Show() { visible_ = true; }
  bool Visible() const { return visible_; }
  // Clicking the link: the document opens with the desktop's open action, in the program's
  // folder. False (and nothing opened) when there is no document or no opener.
  bool LinkClick();
  // "Close" and the window's close box.
  void CloseClick() { visible_ = false; }

 private:
  ProcessPort& processes_;
  std::string documentPath_;
  bool visible_ = false;
};

}  // namespace skarvo
