// Office automation: objects of an office application reached by late-bound calls by name
// (properties read and set, methods invoked with positional and named arguments), created
// from a programmatic identifier such as "Excel.Application" or "Word.Application". The
// core writes its steps against this interface; a backend decides what the names do. Two
// backends exist: RecordingAutomation (tests: writes every call to a log, fails on demand)
// and LibreOfficeAutomation (drives a private LibreOffice instance).
//
// Names are compared without regard to ASCII case, as late-bound names are.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "platform/error.h"

namespace skarvo {

class AutomationObject;
using OleObjectPtr = std::shared_ptr<AutomationObject>;
// A value passed to or returned from a call: nothing, a flag, an integer, a text (CP932)
// or an object.
using OleValue = std::variant<std::monostate, bool, int, std::string, OleObjectPtr>;

struct OleNamedArg {
  std::string name;
  OleValue value;
};

// Raised by a call the application refuses or does not know; the message says why (CP932).
class EOleError : public Exception {
 public:
  explicit EOleError(std::string cp932Message) : Exception(std::move(cp932Message)) {}
};

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  // Reads a property, with index arguments when it has them ("Cells"(row, column)).
  virtual OleValue GetProperty(const std::string& name, const std::vector<OleValue>& args) = 0;
  virtual void SetProperty(const std::string& name, const OleValue& value) = 0;
  // Calls a method.
  virtual OleValue Invoke(const std::string& name, const std::vector<OleValue>& args,
                          const std::vector<OleNamedArg>& named) = 0;
};

class OfficeAutomation {
 public:
  virtual ~OfficeAutomation() = default;
  // False when the office application is not installed: nothing can be created.
  virtual bool Available() const = 0;
  // Creates the application object of a programmatic identifier; EOleError when it cannot.
  // Releasing the last reference releases the object.
  virtual OleObjectPtr CreateOleObject(const std::string& progId) = 0;
};

// The object in a value; EOleError when the value holds none.
OleObjectPtr OleObject(const OleValue& value);
// Equal names by the late-bound rule (ASCII case ignored).
bool SameOleName(const std::string& a, const std::string& b);

// For tests: every object writes what is done to it to the shared log, one line per call:
//   "create Excel.Application", "Excel.Application.Visible = true",
//   "Excel.Application.WorkBooks()", "WorkBooks.Open(FileName:=/a.xls, readOnly:=false)",
//   "Excel.Application.WorkSheets[2]", "WorkSheets.Cells[7, 3]", "Cells.Activate()",
//   "release Cells".
// An object returned by a call is named after the member that returned it. A call whose
// line starts with an entry of `failing` raises EOleError instead (it is still logged).
class RecordingAutomation : public OfficeAutomation {
 public:
  struct Shared {
    std::vector<std::string> log;
    std::set<std::string> failing;
  };
  RecordingAutomation() : shared_(std::make_shared<Shared>()) {}

  bool available = true;
  std::vector<std::string>& Log() { return shared_->log; }
  std::set<std::string>& Failing() { return shared_->failing; }

  bool Available() const override { return available; }
  OleObjectPtr CreateOleObject(const std::string& progId) override;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace skarvo
