// A zipped office file (.xlsx, .docx) that is refused whole: damaged, not an office file, or
// expanding past what a real one would. The search names it and goes on with the next file.
#pragma once

#include "platform/error.h"

namespace skarvo {

class EPackageRefused : public Exception {
 public:
  using Exception::Exception;
};

// The reasons, CP932.
const std::string& DamagedPackageText();    // the zip or one of its parts cannot be read
const std::string& NotOfficePackageText();  // a sound zip without a workbook or document
const std::string& PackageBombText();       // an entry expands past the limits

}  // namespace skarvo
