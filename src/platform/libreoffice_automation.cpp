#include "platform/libreoffice_automation.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/line_helper_process.h"
#include "platform/process_port.h"

extern char** environ;

namespace skarvo {

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kHelperName = "skarvo_office.py";

bool IsFile(const std::string& nativePath) {
  struct stat st;
  return ::stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string rest = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find(':', start);
    if (end == std::string::npos) end = rest.size();
    const std::string folder = rest.substr(start, end - start);
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Runs argv with its output thrown away and waits for it; true when it exits with 0.
bool RunQuietly(const std::vector<std::string>& argv) {
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& piece : copy) args.push_back(piece.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string DefaultProfileFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  std::string base;
  if (cache && *cache) {
    base = cache;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.cache";
  }
  return base + "/skarvo/libreoffice-profile";
}

EOleError OleFailure(const std::string& utf8Detail) {
  return EOleError(Sjis("LibreOfficeの操作に失敗しました: ") + Utf8ToCp932Lossy(utf8Detail));
}

}  // namespace

// One helper and its private instance, shared by the objects made from one application
// object. The instance ends with "Quit" or when the last object goes.
class OfficeSession {
 public:
  explicit OfficeSession(const LibreOfficeAutomation::Options& options)
      : callTimeoutMs_(options.callTimeoutMs) {
    std::vector<std::string> argv = {kPython, options.helperScript, options.profileFolder};
    if (options.headless) argv.push_back("--headless");
    if (!helper_.Start(argv)) throw EOleError(Sjis("LibreOfficeを起動できませんでした。"));
    std::optional<std::string> ready = helper_.ReadLine(options.startTimeoutMs);
    if (!ready || *ready != "ok\tready") {
      helper_.Finish(0);
      throw EOleError(Sjis("LibreOfficeを起動できませんでした。"));
    }
  }
  ~OfficeSession() { Quit(); }
  OfficeSession(const OfficeSession&) = delete;
  OfficeSession& operator=(const OfficeSession&) = delete;

  // Sends a request; the answer's payload, or EOleError with the helper's reason.
  std::string Request(const std::string& utf8Line) {
    if (quit_ || !helper_.Send(utf8Line)) throw OleFailure("LibreOffice has ended");
    std::optional<std::string> answer = helper_.ReadLine(callTimeoutMs_);
    if (!answer) throw OleFailure("no answer");
    const size_t tab = answer->find('\t');
    const std::string status = answer->substr(0, tab);
    const std::string payload = tab == std::string::npos ? std::string() : answer->substr(tab + 1);
    if (status != "ok") throw OleFailure(payload);
    return payload;
  }
  bool DocumentOpen() const { return documentOpen_; }
  void SetDocumentOpen(bool open) { documentOpen_ = open; }

  // Ends the private instance (and only it); waits for the helper to finish.
  void Quit() {
    if (quit_) return;
    quit_ = true;
    helper_.Send("quit");
    helper_.Finish(callTimeoutMs_);
  }

 private:
  LineHelperProcess helper_;
  int callTimeoutMs_;
  bool documentOpen_ = false;
  bool quit_ = false;
};

namespace {

enum class Kind { kExcel, kWord, kWorkbooks, kWorkbook, kSheet, kCell, kDocuments, kDocument };

std::string TextArgument(const std::vector<OleValue>& args, const std::vector<OleNamedArg>& named,
                         const char* name) {
  for (const OleNamedArg& arg : named)
    if (SameOleName(arg.name, name))
      if (const std::string* text = std::get_if<std::string>(&arg.value)) return *text;
  if (!args.empty())
    if (const std::string* text = std::get_if<std::string>(&args[0])) return *text;
  throw EOleError(Sjis("引数が足りません。"));
}

int IntegerArgument(const std::vector<OleValue>& args, size_t index) {
  if (index < args.size())
    if (const int* number = std::get_if<int>(&args[index])) return *number;
  throw EOleError(Sjis("引数が足りません。"));
}

class LibreOfficeObject : public AutomationObject {
 public:
  LibreOfficeObject(std::shared_ptr<OfficeSession> session, Kind kind, int sheet = 0, int row = 0,
                    int column = 0)
      : session_(std::move(session)), kind_(kind), sheet_(sheet), row_(row), column_(column) {}

  OleValue GetProperty(const std::string& name, const std::vector<OleValue>& args) override {
    if (kind_ == Kind::kExcel && SameOleName(name, "WorkSheets")) {
      if (!session_->DocumentOpen()) throw Unknown(name);
      return Make(Kind::kSheet, IntegerArgument(args, 0));
    }
    if (kind_ == Kind::kSheet && SameOleName(name, "Cells"))
      return Make(Kind::kCell, sheet_, IntegerArgument(args, 0), IntegerArgument(args, 1));
    if ((kind_ == Kind::kExcel || kind_ == Kind::kWord) && SameOleName(name, "Visible"))
      return true;
    throw Unknown(name);
  }

  void SetProperty(const std::string& name, const OleValue&) override {
    // The private instance always shows its documents.
    if ((kind_ == Kind::kExcel || kind_ == Kind::kWord) && SameOleName(name, "Visible")) return;
    throw Unknown(name);
  }

  OleValue Invoke(const std::string& name, const std::vector<OleValue>& args,
                  const std::vector<OleNamedArg>& named) override {
    const bool app = kind_ == Kind::kExcel || kind_ == Kind::kWord;
    if (kind_ == Kind::kExcel && SameOleName(name, "WorkBooks")) return Make(Kind::kWorkbooks);
    if (kind_ == Kind::kWord && SameOleName(name, "documents")) return Make(Kind::kDocuments);
    if ((kind_ == Kind::kWorkbooks && SameOleName(name, "Open")) ||
        (kind_ == Kind::kDocuments && SameOleName(name, "open"))) {
      const std::string path = TextArgument(args, named, "FileName");
      std::optional<std::string> native = NativePath(path);
      if (!native || native->find_first_of("\t\r\n") != std::string::npos)
        throw EOleError(path + Sjis("を開けません。"));
      session_->Request("open\t" + *native);
      session_->SetDocumentOpen(true);
      return Make(kind_ == Kind::kWorkbooks ? Kind::kWorkbook : Kind::kDocument);
    }
    if (kind_ == Kind::kCell && SameOleName(name, "Activate")) {
      session_->Request("cell\t" + std::to_string(sheet_) + "\t" + std::to_string(row_) + "\t" +
                        std::to_string(column_));
      session_->Request("front");
      return {};
    }
    if (kind_ == Kind::kSheet && SameOleName(name, "Activate")) {
      session_->Request("sheet\t" + std::to_string(sheet_));
      session_->Request("front");
      return {};
    }
    if (kind_ == Kind::kWord && SameOleName(name, "Activate")) {
      session_->Request("front");
      return {};
    }
    if ((kind_ == Kind::kWorkbook || kind_ == Kind::kDocument) && SameOleName(name, "close")) {
      session_->Request("close");
      session_->SetDocumentOpen(false);
      return {};
    }
    if (app && SameOleName(name, "Quit")) {
      session_->Quit();
      return {};
    }
    throw Unknown(name);
  }

 private:
  OleValue Make(Kind kind, int sheet = 0, int row = 0, int column = 0) {
    return std::make_shared<LibreOfficeObject>(session_, kind, sheet, row, column);
  }
  static EOleError Unknown(const std::string& name) {
    return EOleError(Sjis("この名前は使えません: ") + name);
  }

  std::shared_ptr<OfficeSession> session_;
  Kind kind_;
  int sheet_;
  int row_;
  int column_;
};

}  // namespace

LibreOfficeAutomation::LibreOfficeAutomation() : LibreOfficeAutomation(Options{}) {}

LibreOfficeAutomation::LibreOfficeAutomation(Options options) : options_(std::move(options)) {
  if (options_.helperScript.empty()) options_.helperScript = HelperScriptPath();
  if (options_.profileFolder.empty()) options_.profileFolder = DefaultProfileFolder();
}

LibreOfficeAutomation::~LibreOfficeAutomation() = default;

bool LibreOfficeAutomation::Available() const {
  if (!available_) {
    available_ = !options_.helperScript.empty() && IsFile(options_.helperScript) &&
                 IsFile(kPython) && OnPath("soffice") && RunQuietly({kPython, "-c", "import uno"});
  }
  return *available_;
}

OleObjectPtr LibreOfficeAutomation::CreateOleObject(const std::string& progId) {
  Kind kind;
  if (SameOleName(progId, "Excel.Application")) {
    kind = Kind::kExcel;
  } else if (SameOleName(progId, "Word.Application")) {
    kind = Kind::kWord;
  } else {
    throw EOleError(Sjis("この名前は使えません: ") + progId);
  }
  if (!Available()) throw EOleError(Sjis("LibreOfficeがありません。"));
  auto session = std::make_shared<OfficeSession>(options_);
  lastSession_ = session;
  return std::make_shared<LibreOfficeObject>(session, kind);
}

std::optional<std::string> LibreOfficeAutomation::ActiveState() {
  std::shared_ptr<OfficeSession> session = lastSession_.lock();
  if (!session) return std::nullopt;
  try {
    return session->Request("state");
  } catch (const EOleError&) {
    return std::nullopt;
  }
}

bool LibreOfficeAutomation::TypeText(const std::string& utf8Text) {
  std::shared_ptr<OfficeSession> session = lastSession_.lock();
  if (!session || utf8Text.find_first_of("\t\r\n") != std::string::npos) return false;
  try {
    session->Request("type\t" + utf8Text);
    return true;
  } catch (const EOleError&) {
    return false;
  }
}

std::string LibreOfficeAutomation::HelperScriptPath() {
  if (const char* env = std::getenv("SKARVO_OFFICE_HELPER"); env && *env && IsFile(env)) return env;
  std::string programFolder;
  if (std::optional<std::string> native = NativePath(ProgramFolder())) programFolder = *native;
  for (const std::string& candidate :
       {programFolder + "/" + kHelperName, programFolder + "/../share/skarvo/" + kHelperName}) {
    if (!programFolder.empty() && IsFile(candidate)) return candidate;
  }
  // A program run from its build folder uses the helper of the sources it was built from.
  // (Not __FILE__: a compiler cache may make it relative to the build folder.)
  std::string source = std::string(SKARVO_SOURCE_DIR) + "/src/platform/";
  if (IsFile(source + kHelperName)) return source + kHelperName;
  return {};
}

}  // namespace skarvo
