// The office automation backend on LibreOffice. The automation calls of the Excel and Word
// application objects ("Visible", "WorkBooks"/"Open", "WorkSheets", "Cells", "Activate",
// "documents"/"open", "close", "Quit") are carried out by a private LibreOffice instance,
// driven through UNO by a small helper (skarvo_office.py, run with the system's python3 and
// its uno module). The instance has its own user profile and its own connection pipe: the
// user's own LibreOffice, and the documents open in it, are never touched. "close" closes
// only the document this program opened, "Quit" ends only the private instance. A document
// the user changed while it was on screen is never closed unasked: "close" leaves it open
// and "Quit" leaves the instance to the user with it, who saves or drops the change there.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/office_automation.h"

namespace skarvo {

class OfficeSession;

class LibreOfficeAutomation : public OfficeAutomation {
 public:
  struct Options {
    std::string helperScript;   // native path; empty: found by HelperScriptPath()
    std::string profileFolder;  // native path; empty: the user's cache folder
    bool headless = false;      // no window (tests)
    int startTimeoutMs = 120000;
    int callTimeoutMs = 60000;
  };
  LibreOfficeAutomation();
  explicit LibreOfficeAutomation(Options options);
  ~LibreOfficeAutomation() override;

  // True when soffice, python3 with its uno module and the helper script are there.
  bool Available() const override;
  OleObjectPtr CreateOleObject(const std::string& progId) override;

  // What the instance shows now, asked through UNO (for tests and checks): for a
  // spreadsheet "<sheet from 1><TAB><cell name>", else the document's title, followed by
  // "<TAB>modified" while it holds unsaved changes. A document that "close" left open
  // because of such changes is still shown. nullopt when no instance runs or nothing is open.
  std::optional<std::string> ActiveState();
  // Puts UTF-8 text into the open document as the user would type it: the selected cell of
  // a spreadsheet, the end of a text (for tests and checks). False when it could not.
  bool TypeText(const std::string& utf8Text);

  // Where the helper script is: $SKARVO_OFFICE_HELPER, next to the program, in
  // ../share/skarvo beside it, or in the source tree this was built from.
  static std::string HelperScriptPath();

 private:
  Options options_;
  mutable std::optional<bool> available_;
  std::weak_ptr<OfficeSession> lastSession_;
};

}  // namespace skarvo
