#include "app/form1.h"

#include "platform/codepage.h"
#include "platform/file_system.h"
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

TForm1::TForm1(UiPort& port)
    : port_(port),
      homeFolder_(CurrentFolderOrThrow()),
      caption_(Sjis(kApplicationTitle)),
      targets_(TargetListParts{CheckListBox1, CheckListBoxUNDO, CheckListBox3, CheckListBox2,
                               ComboBox2, settings_, SelectFolderDialog1, Timer1, port_}) {
  for (const CommandInfo& info : CommandTable()) {
    CommandState& state = MutableState(info.id);
    state.enabled = info.startEnabled;
    state.visible = info.startVisible;
  }
  Timer1.SetHandler([this] { Timer1Timer(); });

  // The main window's folder picker.
  SelectFolderDialog1.SetCaption(Sjis("フォルダの選択"));
  SelectFolderDialog1.SetDefaultButton(TDefaultButton::btCancel);
  SelectFolderDialog1.SetPosition(TDialogPosition::dpOwnerCenter);
  SelectFolderDialog1.SetDialogSize(TDialogSize::dsDefault);
  SelectFolderDialog1.SetRoot(TRootFolder::rfDesktop);
  SelectFolderDialog1.SetFocusedControl(TFocusedControl::fcTreeView);
  SelectFolderDialog1.SetText({});

  modeNumber_ = 0;
  SettingsFile file(SettingsFilePath(homeFolder_));
  StartupSettings startup = LoadStartupSettings(file, settings_);
  ComboBox1.SetItems(startup.searchHistory);
  ComboBox2.SetItems(startup.folderHistory);
  ComboBox2.SetItemIndex(0);
  display_ = startup.display;
  width_ = startup.windowWidth;
  height_ = startup.windowHeight;
  UpdateTargetMenuStates();
}

void TForm1::FormClose(int width, int height) {
  width_ = width;
  height_ = height;
  SettingsFile file(SettingsFilePath(homeFolder_));
  SaveShutdownSettings(file, ComboBox1.Items(), ComboBox2.Items(), width, height);
}

void TForm1::Execute(CommandId id) {
  const CommandState& state = State(id);
  if (!state.enabled || !state.visible) return;
  switch (id) {
    case CommandId::kFolderSelect:
    case CommandId::kToolFolderSelect:
      targets_.ChooseFolder(false);
      break;
    case CommandId::kFolderAdd:
    case CommandId::kToolFolderAdd:
      targets_.ChooseFolder(true);
      break;
    case CommandId::kExit:
      closeRequested_ = true;
      break;
    case CommandId::kTargetCheckOnFolder:
      targets_.CheckOnFolder1Click();
      break;
    case CommandId::kTargetCheckOffFolder:
      targets_.CheckOffFolder1Click();
      break;
    case CommandId::kTargetAllOn:
      targets_.AllOn1Click();
      break;
    case CommandId::kTargetAllOff:
      targets_.AllOff1Click();
      break;
    case CommandId::kCount:
      break;
  }
  UpdateTargetMenuStates();
}

void TForm1::UpdateTargetMenuStates() {
  const bool onFolder = targets_.FolderCheckEnabled();
  MutableState(CommandId::kTargetCheckOnFolder).enabled = onFolder;
  MutableState(CommandId::kTargetCheckOffFolder).enabled = onFolder;
}

void TForm1::CheckListBox1Select(int index) {
  CheckListBox1.SetItemIndex(index);
  UpdateTargetMenuStates();
}

void TForm1::CheckListBox1ClickCheck(int index) {
  targets_.CheckListBox1ClickCheck(index);
  UpdateTargetMenuStates();
}

void TForm1::ComboBox2Change(const std::string& text) { ComboBox2.SetText(text); }

void TForm1::ComboBox2KeyEnter() {
  targets_.ComboBox2KeyEnter();
  UpdateTargetMenuStates();
}

void TForm1::ComboBox2Select(int index) {
  targets_.ComboBox2Select(index);
  UpdateTargetMenuStates();
}

void TForm1::RefuseTypedText() { ShowNotice(UnrepresentableInputText()); }

void TForm1::ShowNotice(const std::string& text) {
  port_.SetStatusText(text);
  Timer1.SetEnabled(true);
}

void TForm1::Timer1Timer() {
  Timer1.SetEnabled(false);
  port_.SetStatusText({});
}

}  // namespace skarvo
