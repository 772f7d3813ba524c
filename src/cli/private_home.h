// What the search-running sub-commands share: a UI port for a command line, a private home
// folder for the extracted texts of office files, removed at the end or on an interrupt, and
// the report of names a folder's listing left out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/interrupt_cleanup.h"
#include "platform/folder_choice.h"
#include "platform/ui_port.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/target_files.h"

namespace skarvo::cli {

// The UI port of the target list build: messages and errors go to stderr, every question
// is answered with Cancel, status texts are dropped.
class CliPort : public UiPort {
 public:
  explicit CliPort(const TextEdge& edge) : edge_(edge) {}

  void ShowMessage(const std::string& text, const std::string&) override { Print(text); }
  void ShowError(const std::string& text, const std::string&) override { Print(text); }
  bool Confirm(const std::string&, const std::string&) override { return false; }
  Answer Ask(const std::string&, const std::string&, QuestionButtons) override {
    return Answer::kCancel;
  }
  std::optional<std::string> InputText(const std::string&, const std::string&,
                                       const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFolder(const FolderChoiceRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseOpenFile(const FileChoiceRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseSaveFile(const FileChoiceRequest&) override {
    return std::nullopt;
  }
  void SetStatusText(const std::string&) override {}

  void Print(const std::string& cp932) { PrintError(edge_.Out(cp932)); }

 private:
  const TextEdge& edge_;
};

// A folder made under $TMPDIR (or /tmp) named prefix + random letters, removed with
// everything in it when the object ends or the command is interrupted. Path() is empty
// when it could not be made.
class PrivateHome {
 public:
  explicit PrivateHome(const std::string& prefix);
  ~PrivateHome();
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::unique_ptr<RemoveOnInterrupt> interrupt_;  // until the folder is gone
};

// The target list of a command line, built as the window builds it, from one folder after
// the other.
class CliTargets {
 public:
  explicit CliTargets(const Settings& settings) : targets_(targetList, settings) {}
  // The build's progress texts go to the port's status text.
  CliTargets(const Settings& settings, UiPort& port)
      : targets_(targetList, settings), port_(&port) {}
  CliTargets(const CliTargets&) = delete;
  CliTargets& operator=(const CliTargets&) = delete;

  // Builds the list from folders (CP932); the names a folder's listing left out are said on
  // stderr as "<command>: <folder>: …", the folder printed through edge. Returns the number
  // of target files.
  int Build(const std::vector<std::string>& folders, const TextEdge& edge,
            const std::string& command);

  CheckList targetList;
  TargetFileList& Targets() { return targets_; }

 private:
  TargetFileList targets_;
  UiPort* port_ = nullptr;
};

}  // namespace skarvo::cli
