// Opening what a row of the main window's lists stands for: a hit at its line (external
// editor with its line and word options, else the built-in editor), a spreadsheet at the
// hit's sheet and cell and a document through office automation, a folder in the desktop's
// file manager. TOpenHit carries every trigger of the lists (double-clicks and the context
// menus' "ファイルを開く", the hidden "エディタを開く" and "エクスプローラを開く"), each given
// the row it acts on. What it opens comes from the rows' typed fields (file, line, cell),
// never from their text.
//
// External programs start from an argument vector: the editor's path is the program, the
// file one argument, the line option with the line one, the word option with the word one,
// so a path with blanks stays whole. The office steps run against OfficeAutomation; the
// application and the document they open are the only ones closed afterwards. Without an
// office backend a document opens with the desktop's opener and the status bar says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/editor.h"
#include "ops/prompter.h"
#include "platform/office_automation.h"
#include "platform/process_port.h"
#include "search/search_run.h"
#include "targets/check_list.h"

namespace skarvo {

// The built-in editor's window, which the user may close (destroying it) at any time.
class EditorHost {
 public:
  virtual ~EditorHost() = default;
  // The editor, its window created if it does not exist and shown modelessly.
  virtual EditorCore& ShowEditor() = 0;
  // Shows the editor modally, when its window exists; nothing otherwise.
  virtual void ShowEditorModal() = 0;
};

struct CellAddress {
  int sheet = 0;
  int row = 0;
  int column = 0;
};
// The sheet, row and column (row and column from 1) of the cell whose label a spreadsheet
// hit row took; Exception "ERROR#CL3DB" for a row that took none.
CellAddress CellAddressOf(const CheckListRow& row);
// The line number of a hit row (from 1) as the search counted it; -1 when it has none.
int64_t HitLineNumber(const CheckListRow& row);

// What a path is opened with, by its extension (ASCII case ignored).
enum class OpenKind { kText, kSpreadsheet, kDocument };
OpenKind OpenKindOf(const std::string& path);

// The argument vector of the external editor: program, file, then the line option with the
// line (when the option is set and line is not -1), then the word option with the word
// (whenever the option is set).
std::vector<std::string> EditorArguments(const std::string& program, const std::string& file,
                                         const std::string& lineOption, int64_t line,
                                         const std::string& wordOption, const std::string& word);

// What opening a row needs besides the row.
struct OpenHitParts {
  const SearchState& search;      // the session's search text: the editor's word
  const std::string& homeFolder;  // holds the settings file (the external editor)
  ProcessPort& launcher;
  Prompter& prompter;  // messages the user reads before the operation goes on
  // A status notice (status text, cleared by the status message timer).
  std::function<void(const std::string&)> notice;
};

// A list's selected row, nullptr when none.
const CheckListRow* SelectedRow(const CheckList& list);

// Whether the join list's "ファイルを開く" is enabled for its selected row in a mode.
bool JoinListOpenEnabled(const CheckList& joinList, int mode);

class TOpenHit {
 public:
  explicit TOpenHit(OpenHitParts parts) : p_(std::move(parts)) {}

  // Backends, set by the window (null: none; documents then go to the desktop's opener,
  // and the built-in editor is not there).
  void SetOffice(OfficeAutomation* office) { office_ = office; }
  void SetEditorHost(EditorHost* editor) { editor_ = editor; }
  // The rows of the lists: a double-click's (open by kind) and "ファイルを開く"'s (the
  // editor). A target row is a folder header or a file; a join list row is opened in join
  // mode (1) and previewed as a split part's range in split mode (3).
  void OpenTargetRow(const CheckListRow& row);
  void EditTargetRow(const CheckListRow& row);
  void OpenJoinRow(const CheckListRow& row, int mode);
  void EditJoinRow(const CheckListRow& row, int mode);
  void OnOpenEditor();       // hidden "エディタを開く"
  void OnOpenFileManager();  // hidden "エクスプローラを開く"

  // Operations on one row of the results: a double-click's (the file by its kind, a hit at
  // its line or cell) and "ファイルを開く"'s (the editor, at a hit's line).
  void OpenResultRow(const CheckListRow& row);
  void EditResultRow(const CheckListRow& row);
  void OpenFolder(const std::string& folder);
  void OpenInEditor(const std::string& file, const std::string& word, int64_t line);
  void OpenInWord(const std::string& file);
  void OpenInExcel(const std::string& file, int sheet, int row, int column);
  // The range preview of a split part row: its lines of the split file.
  void RangePreview(const CheckListRow& row);

 private:
  void OpenFileByKind(const std::string& file, const std::string& word, int64_t line,
                      const CheckListRow* hit);
  void BuiltInEditor(const std::string& file, int64_t line);

  OpenHitParts p_;
  OfficeAutomation* office_ = nullptr;
  EditorHost* editor_ = nullptr;
};

}  // namespace skarvo
