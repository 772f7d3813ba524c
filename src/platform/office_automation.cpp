#include "platform/office_automation.h"

#include "platform/codepage.h"

namespace skarvo {

OleObjectPtr OleObject(const OleValue& value) {
  if (const OleObjectPtr* object = std::get_if<OleObjectPtr>(&value); object && *object)
    return *object;
  throw EOleError(Sjis("オブジェクトではありません。"));
}

bool SameOleName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

namespace {

std::string ValueText(const OleValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "(none)"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(int i) const { return std::to_string(i); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const OleObjectPtr&) const { return "(object)"; }
  };
  return std::visit(Visitor{}, value);
}

std::string ArgumentText(const std::vector<OleValue>& args, const std::vector<OleNamedArg>& named) {
  std::string text;
  for (const OleValue& arg : args) {
    if (!text.empty()) text += ", ";
    text += ValueText(arg);
  }
  for (const OleNamedArg& arg : named) {
    if (!text.empty()) text += ", ";
    text += arg.name + ":=" + ValueText(arg.value);
  }
  return text;
}

class RecordingObject : public AutomationObject {
 public:
  RecordingObject(std::string name, std::shared_ptr<RecordingAutomation::Shared> shared)
      : name_(std::move(name)), shared_(std::move(shared)) {}
  ~RecordingObject() override { shared_->log.push_back("release " + name_); }

  OleValue GetProperty(const std::string& name, const std::vector<OleValue>& args) override {
    Record(name_ + "." + name + (args.empty() ? "" : "[" + ArgumentText(args, {}) + "]"));
    return std::make_shared<RecordingObject>(name, shared_);
  }
  void SetProperty(const std::string& name, const OleValue& value) override {
    Record(name_ + "." + name + " = " + ValueText(value));
  }
  OleValue Invoke(const std::string& name, const std::vector<OleValue>& args,
                  const std::vector<OleNamedArg>& named) override {
    Record(name_ + "." + name + "(" + ArgumentText(args, named) + ")");
    return std::make_shared<RecordingObject>(name, shared_);
  }

 private:
  void Record(const std::string& line) {
    shared_->log.push_back(line);
    for (const std::string& prefix : shared_->failing)
      if (line.compare(0, prefix.size(), prefix) == 0) throw EOleError("OLE error: " + line);
  }

  std::string name_;
  std::shared_ptr<RecordingAutomation::Shared> shared_;
};

}  // namespace

OleObjectPtr RecordingAutomation::CreateOleObject(const std::string& progId) {
  shared_->log.push_back("create " + progId);
  for (const std::string& prefix : shared_->failing)
    if (("create " + progId).compare(0, prefix.size(), prefix) == 0)
      throw EOleError("OLE error: create " + progId);
  return std::make_shared<RecordingObject>(progId, shared_);
}

}  // namespace skarvo
