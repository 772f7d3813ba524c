#include "app/search_triggers.h"

#include <optional>

#include "ops/session_search.h"
#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo {

namespace {

constexpr size_t kMaxStatusBytes = 1024;

const std::string& Caption() { return ApplicationCaption(); }

// Sets the flag for the life of a run, also when the run ends with an exception.
class RunGuard {
 public:
  explicit RunGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunGuard() { flag_ = false; }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

// Collects the stage's rows in the session and shows the progress on the status bar.
class TSearchRun::StatusSink : public SessionSink {
 public:
  explicit StatusSink(TSearchRun& run) : SessionSink(run.p_.session), run_(run) {}

  bool OnTarget(int index, int count) override {
    run_.SetStatus(SearchProgressText(index, count));
    return !run_.LetMessagesRun();
  }
  bool OnProgress() override { return !run_.LetMessagesRun(); }
  bool OnRow(const CheckListRow& row) override {
    // The result list shows the rows as they come.
    SessionSink::OnRow(row);
    // A plain search shows one dot per hit; past a status bar's width more dots would only
    // cost time.
    if (!row.header && !run_.p_.settings.useRegex && run_.statusText_.size() < kMaxStatusBytes)
      run_.SetStatus(run_.statusText_ + ".");
    return !run_.p_.session.search.stopRequested;
  }

 private:
  TSearchRun& run_;
};

void TSearchRun::RequestStop() {
  if (p_.session.search.runInProgress) p_.session.search.stopRequested = true;
}

bool TSearchRun::LetMessagesRun() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastPump_ >= pumpInterval_) {
    lastPump_ = now;
    if (onMessages_) onMessages_();
    p_.port.ProcessMessages();
  }
  return p_.session.search.stopRequested;
}

void TSearchRun::SetStatus(const std::string& text) {
  statusText_ = text;
  p_.port.SetStatusText(text);
}

void TSearchRun::PutSearchTextOnTop() {
  HistoryBox& box = p_.searchHistory;
  box.InsertTop(box.Text());
  box.RemoveDuplicatesOfTop();
  box.SetItemIndex(0);
}

void TSearchRun::NoTargetsNotice() {
  SetStatus(Sjis("選択されたファイルがありません！"));
  p_.statusTimer.SetEnabled(true);
}

void TSearchRun::SearchToolButtonClick() {
  if (p_.session.search.runInProgress) return;
  if (p_.targets.TargetCount() == 0) return NoTargetsNotice();
  PutSearchTextOnTop();
  RunSearch();
}

void TSearchRun::SearchMenuClick() {
  if (p_.session.search.runInProgress) return;
  if (p_.targetList.Empty()) return NoTargetsNotice();
  PutSearchTextOnTop();
  RunSearch();
}

void TSearchRun::OnSearchBoxEnter() {
  if (p_.session.search.runInProgress || p_.searchHistory.Text().empty()) return;
  PutSearchTextOnTop();
  if (p_.targets.TargetCount() != 0)
    RunSearch();
  else
    NoTargetsNotice();
}

void TSearchRun::OnSearchHistoryPick(int index) {
  if (p_.session.search.runInProgress || index < 0 || index >= p_.searchHistory.Count()) return;
  p_.searchHistory.MoveToTop(index);
  if (!p_.folderHistory.Text().empty()) RunSearch();
}

void TSearchRun::RunSearch() {
  if (p_.session.search.runInProgress) return;
  RunGuard guard(p_.session.search.runInProgress);
  p_.session.search.stopRequested = false;
  lastPump_ = {};  // the first chance lets messages run, so the emptied list shows at once

  // A new run ends any pending replace and what the last operation left to take back.
  BeginSessionSearch(p_.session);
  if (onNewSearch_) onNewSearch_();
  ClearResults();
  p_.activePage = 0;

  // Ask for the string when the box is empty.
  if (p_.searchHistory.Text().empty()) {
    std::optional<std::string> answer = p_.port.InputText(
        Sjis("検索文字入力"), Sjis("検索する文字列を入力してください。"), std::string());
    if (!answer || answer->empty()) return;
    p_.searchHistory.InsertTop(*answer);
    p_.searchHistory.RemoveDuplicatesOfTop();
    p_.searchHistory.SetItemIndex(0);
  }

  // An empty target list is built from the selected folder history entry; without a
  // selected entry there is nothing to build from.
  if (p_.targetList.Empty() && p_.folderHistory.Count() > 0 && p_.folderHistory.ItemIndex() >= 0)
    p_.targets.BuildTargetList(false);

  const std::string searchString = p_.searchHistory.Text();
  if (p_.targetList.Empty() || searchString.empty()) {
    p_.port.ShowMessage(p_.targetList.Empty() ? Sjis("検索対象のファイルがありません！")
                                              : Sjis("検索する文字が入力されていません！"),
                        Caption());
    return Finish(false);
  }

  // A pattern the engine rejects ends the run with the engine's message.
  const Settings& settings = p_.settings;
  const SearchPattern pattern{searchString, settings.useRegex, settings.caseSensitive,
                              settings.useFuzzyDictionary};
  try {
    p_.stage.SetEncodingChoice(settings.textEncoding);
    p_.stage.SetPattern(pattern);
  } catch (const Exception& e) {
    p_.port.ShowError(e.Message(), Caption());
    return;
  }

  // What was found before a file failed is shown.
  // The run works on the rows as they are now, whatever the window does to the list meanwhile.
  const std::shared_ptr<const CheckList::RowVector> targets = p_.targetList.SharedRows();
  StatusSink sink(*this);
  const bool stopped = p_.stage.Run(*targets, sink) == SearchEnd::kStopped;
  if (sink.failure) p_.port.ShowMessage(SearchErrorMessage(*sink.failure), Caption());

  // The search tab shows what was found; the status text goes after a while.
  p_.activePage = 0;
  p_.statusTimer.SetEnabled(true);
  NoteSearchDone(p_.session, pattern);
  Finish(!stopped);
  if (stopped) {
    const CheckList& rows = p_.session.rows;
    SetStatus(Sjis("検索を中止しました（") + std::to_string(rows.HeaderCount()) +
              Sjis("ファイル、") + std::to_string(rows.Count() - rows.HeaderCount()) +
              Sjis("件）"));
  }
}

void TSearchRun::ClearResults() {
  std::shared_ptr<const CheckList::RowVector> results = p_.session.rows.TakeRows();
  // Freeing a large result costs as much as a good part of a search: it runs meanwhile.
  // Assigning joins the thread of the run before.
  releaser_ = std::jthread([results = std::move(results)]() mutable { results.reset(); });
}

// reachedResults: the run went through every target (a stopped run shows no "not found").
void TSearchRun::Finish(bool reachedResults) {
  p_.session.rows.SetItemIndex(0);
  if (reachedResults && p_.session.rows.Empty())
    p_.port.ShowMessage(NotFoundMessage(p_.session.search.searchText), Caption());
  SetStatus(Sjis("検索終了"));
  p_.cellLabels.clear();
  CollectOfficeFiles(p_.session);
}

}  // namespace skarvo
