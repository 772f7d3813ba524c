#include "app/main_window_core.h"

#include "ops/narrow.h"
#include "ops/overwrite.h"
#include "ops/replace.h"
#include "ops/restore.h"
#include "ops/result_checks.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "results/result_rules.h"
#include "search/temp_folder_cleanup.h"
#include "settings/settings_file.h"

namespace skarvo {

EHomeFolder::EHomeFolder()
    : Exception(Sjis("現在のフォルダの名前をShift-JISで表せないため、起動できません")) {}

const std::string& UnrepresentableInputText() {
  return Sjis("Shift-JISで表せない文字は使えません");
}

namespace {

std::string CurrentFolderOrThrow() {
  std::string folder = CurrentFolder();
  if (folder.empty()) throw EHomeFolder();
  return folder;
}

}  // namespace

MainWindowCore::MainWindowCore(UiPort& port, ClipboardPort& clipboard, ProcessPort& processes)
    : port_(port),
      clipboard_(clipboard),
      processes_(processes),
      homeFolder_(CurrentFolderOrThrow()),
      caption_(ApplicationCaption()),
      page1Caption_(Sjis("ファイル結合モード")),
      targets_(TargetListParts{targetList, resultList, joinList, folderHistory, settings_,
                               folderPicker, statusTimer, port_}),
      ledger_(homeFolder_),
      backup_(ledger_.TempFolder(), &ledger_),
      stage_(SearchStageParts{grep, sheetReader, docReader, ledger_}),
      run_(SearchRunParts{targetList, session_, cellLabels, searchHistory, folderHistory, settings_,
                          targets_, stage_, activePage_, statusTimer, port_}),
      joinSplit_(JoinSplitParts{session_,
                                targetList,
                                joinList,
                                settings_,
                                ChoicesFromSettingsFile(homeFolder_),
                                KeepInTempFolder(ledger_),
                                prompter_,
                                JoinWindow(),
                                {}}),
      openHit_(OpenHitParts{search_, homeFolder_, processes_, prompter_,
                            [this](const std::string& text) { ShowNotice(text); }}) {
  targets_.List().SetOnFolderScan([this] { UndoEnded(); });
  run_.SetOnNewSearch([this] { UndoEnded(); });
  FormCreate();
}

void MainWindowCore::FormCreate() {
  for (const CommandInfo& info : CommandTable()) {
    CommandState& state = MutableState(info.id);
    state.enabled = info.startEnabled;
    state.visible = info.startVisible;
    state.checked = info.startChecked;
  }
  RegisterOwnHandlers();
  statusTimer.SetHandler([this] { OnStatusTimer(); });
  dragScrollTimer.SetHandler([this] { OnDragScrollTimer(); });

  // The main window's folder picker.
  folderPicker.SetCaption(Sjis("フォルダの選択"));
  folderPicker.SetDefaultButton(TDefaultButton::btCancel);
  folderPicker.SetPosition(TDialogPosition::dpOwnerCenter);
  folderPicker.SetDialogSize(TDialogSize::dsDefault);
  folderPicker.SetRoot(TRootFolder::rfDesktop);
  folderPicker.SetFocusedControl(TFocusedControl::fcTreeView);
  folderPicker.SetText({});
  // "/data" typed and "/data/" picked are one folder of the history.
  folderHistory.SetFolderPaths(true);
  // The save dialog of the join and the split.
  saveDialog.defaultExtension = "txt";

  modeNumber_ = 0;
  EnterSearchMode();

  SettingsFile file(SettingsFilePath(homeFolder_));
  StartupSettings startup = LoadStartupSettings(file, settings_);
  searchHistory.SetItems(startup.searchHistory);
  folderHistory.SetItems(startup.folderHistory);
  folderHistory.SetItemIndex(0);
  display_ = startup.display;
  width_ = startup.windowWidth;
  height_ = startup.windowHeight;
  UpdateTargetMenuStates();
  // Typing goes to the search box from the start.
  RequestFocus(TFocusTarget::kSearchBox);
}

void MainWindowCore::SetWorkArea(const WorkArea& area) {
  workArea_ = area;
  ClampToWorkArea(width_, height_, workArea_);
}

void MainWindowCore::FormClose(int width, int height) {
  if (Busy()) return;
  ClampToWorkArea(width, height, workArea_);
  width_ = width;
  height_ = height;
  std::optional<std::string> writeError;
  try {
    SettingsFile file(SettingsFilePath(homeFolder_));
    SaveShutdownSettings(file, searchHistory.Items(), folderHistory.Items(), width, height);
  } catch (const Exception& e) {
    // The temp folder goes all the same; the user learns what was not stored.
    writeError = e.Message();
  }
  if (DeleteTempFolder(ledger_, port_)) UndoEnded();
  if (writeError) port_.ShowError(*writeError, caption_);
}

CommandState MainWindowCore::State(CommandId id) const {
  CommandState state = states_[static_cast<size_t>(id)];
  if (Busy() && id != CommandId::kToolSearch && id != CommandId::kExit) state.enabled = false;
  // The restore is offered only while the session holds what it takes back: a search, for
  // one, leaves nothing to restore.
  if ((id == CommandId::kUndo || id == CommandId::kToolUndo) && !HasUndo(session_))
    state.enabled = false;
  return state;
}

void MainWindowCore::StopSearch() { run_.RequestStop(); }

void MainWindowCore::Execute(CommandId id) {
  if (Busy()) {
    if (id == CommandId::kToolSearch) StopSearch();
    // The exit stops the run; the window closes once it has ended.
    if (id == CommandId::kExit) {
      StopSearch();
      closeRequested_ = true;
    }
    return;
  }
  const CommandState state = State(id);
  if (!state.enabled || !state.visible) return;
  // A command whose operation has not registered its handler yet shows and does nothing.
  commands_.Run(id);
  UpdateTargetMenuStates();
}

void MainWindowCore::RegisterOwnHandlers() {
  using C = CommandId;
  TCommandDispatcher& d = commands_;
  d.Register({C::kFolderSelect, C::kToolFolderSelect}, [this] { targets_.ChooseFolder(false); });
  d.Register({C::kFolderAdd, C::kToolFolderAdd}, [this] { targets_.ChooseFolder(true); });
  d.Register({C::kExit}, [this] { closeRequested_ = true; });
  d.Register({C::kSearch}, [this] {
    run_.SearchMenuClick();
    RequestFocus(TFocusTarget::kSearchBox);
  });
  d.Register({C::kToolSearch}, [this] {
    run_.SearchToolButtonClick();
    RequestFocus(TFocusTarget::kSearchBox);
  });
  d.Register({C::kSearchMode, C::kToolSearchMode}, [this] { SearchModeCommand(); });
  d.Register({C::kJoinMode, C::kToolJoinMode}, [this] { JoinModeCommand(); });
  d.Register({C::kHelp}, [this] { Help(); });
  d.Register({C::kSettings, C::kToolSettings}, [this] { RunDialog(dialogs_.showSettings); });
  d.Register({C::kDisplaySettings, C::kToolDisplaySettings},
             [this] { RunDialog(dialogs_.showDisplaySettings); });
  d.Register({C::kVersion}, [this] { RunDialog(dialogs_.showVersion); });
  d.Register({C::kPruneHistory}, [this] { RunDialog(dialogs_.showHistoryPruning); });
  d.Register({C::kTargetCheckOnFolder}, [this] { targets_.List().OnCheckFolder(); });
  d.Register({C::kTargetCheckOffFolder}, [this] { targets_.List().OnUncheckFolder(); });
  d.Register({C::kTargetAllOn}, [this] { targets_.List().OnCheckAll(); });
  d.Register({C::kTargetAllOff}, [this] { targets_.List().OnUncheckAll(); });
  d.Register({C::kSearchBoxCut}, [this] { BoxCut(THistoryBox::kSearch); });
  d.Register({C::kSearchBoxCopy}, [this] { BoxCopy(THistoryBox::kSearch); });
  d.Register({C::kSearchBoxPaste}, [this] { BoxPaste(THistoryBox::kSearch); });
  d.Register({C::kFolderBoxCut}, [this] { BoxCut(THistoryBox::kFolder); });
  d.Register({C::kFolderBoxCopy}, [this] { BoxCopy(THistoryBox::kFolder); });
  d.Register({C::kFolderBoxPaste}, [this] { BoxPaste(THistoryBox::kFolder); });
  // The operations on results.
  d.Register({C::kResultOpenFile}, [this] {
    // A copy: the list may change while the editor is asked for.
    if (const CheckListRow* row = SelectedRow(resultList))
      openHit_.EditResultRow(CheckListRow(*row));
  });
  d.Register({C::kTargetOpenFile}, [this] {
    if (const CheckListRow* row = SelectedRow(targetList))
      openHit_.EditTargetRow(CheckListRow(*row));
  });
  d.Register({C::kSaveToNewFile, C::kToolSaveNew}, [this] { OnSaveToNewFile(); });
  d.Register({C::kJoinFiles, C::kToolJoinFiles}, [this] { OnJoinFiles(); });
  d.Register({C::kResultSplitFile}, [this] { OnSplitFile(); });
  d.Register({C::kOverwriteSave, C::kToolOverwriteSave}, [this] { OnOverwrite(); });
  d.Register({C::kUndo, C::kToolUndo}, [this] { OnRestore(); });
  d.Register({C::kReplace, C::kToolReplace}, [this] { OnReplace(); });
  d.Register({C::kNarrow, C::kToolNarrow}, [this] { OnNarrow(); });
  d.Register({C::kResultCheckOnFile}, [this] { OnCheckFileHits(true); });
  d.Register({C::kResultCheckOffFile}, [this] { OnCheckFileHits(false); });
  d.Register({C::kResultNarrowJoin}, [this] { OnNarrowAndJoin(); });
}

void MainWindowCore::RunDialog(const std::function<void()>& show) {
  if (show) show();
}

void MainWindowCore::Help() {
  const std::string helpFile = homeFolder_ + "/Skarvo.chm";
  // The program's own guide, unless the user keeps a help file at home.
  if (dialogs_.showHelp && !FileExists(helpFile)) {
    dialogs_.showHelp();
    return;
  }
  // A missing help file is the opener's to report; an opener that cannot be started at
  // all would otherwise leave the command without any answer.
  if (!processes_.ShellOpen(helpFile, ProgramFolder()))
    ShowNotice(helpFile + Sjis("を開けませんでした。"));
}

void MainWindowCore::UpdateTargetMenuStates() {
  const bool onFolder = targets_.List().FolderCheckEnabled();
  MutableState(CommandId::kTargetCheckOnFolder).enabled = onFolder;
  MutableState(CommandId::kTargetCheckOffFolder).enabled = onFolder;
  const int index = targetList.ItemIndex();
  MutableState(CommandId::kTargetOpenFile).enabled = index < 0 || !targetList.Header(index);
}

void MainWindowCore::TargetListMenuPopup() {
  if (Busy()) return;
  UpdateTargetMenuStates();
}

void MainWindowCore::ResultListMenuPopup() {
  if (Busy()) return;
  const ResultMenuState menu = ResultContextMenu(resultList);
  MutableState(CommandId::kResultCheckOnFile).enabled = menu.checkOnFile;
  MutableState(CommandId::kResultCheckOffFile).enabled = menu.checkOffFile;
  MutableState(CommandId::kResultOpenFile).enabled = menu.openFile;
  MutableState(CommandId::kResultSplitFile).enabled = menu.splitFile;
  MutableState(CommandId::kResultNarrowJoin).enabled = menu.narrowJoin;
}

void MainWindowCore::OnTargetSelect(int index) {
  if (Busy()) return;
  targetList.SetItemIndex(index);
  UpdateTargetMenuStates();
}

void MainWindowCore::OnTargetCheckClick(int index) {
  if (Busy()) return;
  targets_.List().OnTargetCheckClick(index);
  UpdateTargetMenuStates();
}

void MainWindowCore::OnResultSelect(int index) {
  if (Busy()) return;
  resultList.SetItemIndex(index);
}

void MainWindowCore::OnResultCheckClick(int index) {
  if (Busy()) return;
  Apply(ClickResultCheckBox(session_, index));
}

// Each list's double-click opens a copy of its selected row: the list may change while an
// office box is open.
void MainWindowCore::OnResultDoubleClick() {
  if (Busy()) return;
  if (const CheckListRow* row = SelectedRow(resultList)) openHit_.OpenResultRow(CheckListRow(*row));
}

void MainWindowCore::OnTargetDoubleClick() {
  if (Busy()) return;
  if (const CheckListRow* row = SelectedRow(targetList)) openHit_.OpenTargetRow(CheckListRow(*row));
}

void MainWindowCore::OnJoinListDoubleClick() {
  if (Busy()) return;
  if (const CheckListRow* row = SelectedRow(joinList))
    openHit_.OpenJoinRow(CheckListRow(*row), modeNumber_);
}

void MainWindowCore::DisplaySettingsStored() {
  SettingsFile file(SettingsFilePath(homeFolder_));
  display_ = ApplyDisplaySettings(file.Values(), settings_);
  ++displayRevision_;
  MarkResultHeaders(resultList);
}

void MainWindowCore::OnNarrow() { Apply(Narrow(session_, targetList, targets_.List())); }

void MainWindowCore::OnReplace() {
  if (search_.searchText.empty()) return ShowNotice(NotSearchedYetText());
  // An empty entry is accepted: the matches are then deleted.
  const std::optional<std::string> replacement =
      prompter_.AskText(Sjis("置換"), Sjis("置き換える文字列を入力してください！"), std::string());
  if (!replacement) return;
  Apply(Replace(session_, *replacement, matcher, prompter_));
}

void MainWindowCore::OnOverwrite() {
  // Nothing is taken back while the overwrite asks its questions.
  Enable({CommandId::kUndo, CommandId::kToolUndo}, false);
  Apply(Overwrite(session_, backup_, matcher, prompter_));
}

void MainWindowCore::OnRestore() {
  Enable({CommandId::kUndo, CommandId::kToolUndo, CommandId::kOverwriteSave,
          CommandId::kToolOverwriteSave},
         false);
  Apply(Restore(session_, RestoreLists{targetList, joinList, targets_.List()}, ledger_, prompter_));
}

void MainWindowCore::OnCheckFileHits(bool on) { Apply(CheckFileHits(session_, on)); }

void MainWindowCore::Apply(const OpOutcome& outcome) {
  if (outcome.overwriteReady)
    Enable({CommandId::kOverwriteSave, CommandId::kToolOverwriteSave}, *outcome.overwriteReady);
  if (outcome.restoreReady) Enable({CommandId::kUndo, CommandId::kToolUndo}, *outcome.restoreReady);
  if (outcome.message) port_.ShowMessage(*outcome.message, caption_);
  if (outcome.page) activePage_ = *outcome.page;
  if (outcome.notice) ShowNotice(*outcome.notice);
}

void MainWindowCore::UndoEnded() { session_.undo = NoUndo{}; }

void MainWindowCore::RefuseTypedText() { ShowNotice(UnrepresentableInputText()); }

void MainWindowCore::ShowNotice(const std::string& text) {
  port_.SetStatusText(text);
  statusTimer.SetEnabled(true);
}

void MainWindowCore::OnStatusTimer() {
  statusTimer.SetEnabled(false);
  port_.SetStatusText({});
}

}  // namespace skarvo
