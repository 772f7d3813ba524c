#include "app/search_triggers.h"

#include <algorithm>
#include <optional>

#include "ops/session_search.h"
#include "platform/app_identity.h"
#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo {

namespace {

constexpr size_t kMaxStatusBytes = 1024;

const std::string& Caption() { return ApplicationCaption(); }

// Sets the flag while a run is being started, also when starting ends with an exception;
// a run that started keeps it until its end.
class RunGuard {
 public:
  explicit RunGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunGuard() {
    if (!kept_) flag_ = false;
  }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  void Keep() { kept_ = true; }

 private:
  bool& flag_;
  bool kept_ = false;
};

}  // namespace

TSearchRun::~TSearchRun() {
  // The worker reads the stage and hands to the handoff: it ends first.
  running_.worker.reset();
  ReleaseEnded();
}

void TSearchRun::ReleaseEnded() {
  ended_.worker.reset();
  ended_.handoff.reset();
}

void TSearchRun::RequestStop() {
  if (running_.worker) running_.worker->RequestStop();
}

void TSearchRun::SetStatus(const std::string& text) { p_.port.SetStatusText(text); }

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

  // The run works on the rows as they are now, whatever the window does to the list meanwhile.
  Start(pattern, p_.targetList.SharedRows());
  guard.Keep();
}

void TSearchRun::Start(const SearchPattern& pattern,
                       std::shared_ptr<const std::vector<CheckListRow>> targets) {
  // The stage is the new worker's from here.
  ReleaseEnded();
  p_.session.search.runInProgress = true;
  pattern_ = pattern;
  running_.handoff = std::make_unique<SearchHandoff>(wake_);
  running_.worker = std::make_unique<SearchWorker>(
      p_.stage, std::move(targets), *running_.handoff,
      SearchWorker::Options{batchRows_, batchInterval_, !pattern.useRegex});
}

void TSearchRun::TakeFound() {
  if (!running_.handoff) return;
  SearchBatch batch = running_.handoff->Take();
  // The result list shows the rows as they come.
  CheckList& rows = p_.session.rows;
  for (CheckListRow& row : batch.rows) rows.Insert(rows.Count(), std::move(row));
  for (auto& [path, identity] : batch.searchedFiles)
    p_.session.search.searchedFiles[std::move(path)] = identity;
  if (batch.progress) ShowProgress(*batch.progress);
  if (batch.ended) Complete(batch);
}

void TSearchRun::WaitForEnd() {
  while (running_.handoff) {
    running_.handoff->WaitForBatch();
    TakeFound();
  }
  ReleaseEnded();
}

void TSearchRun::ShowProgress(const SearchProgress& progress) {
  std::string text = SearchProgressText(progress.index, progress.count);
  // A plain search shows one dot per hit; past a status bar's width more dots would only
  // cost time.
  if (text.size() < kMaxStatusBytes)
    text.append(static_cast<size_t>(std::min<int64_t>(
                    progress.hitsSinceTarget, static_cast<int64_t>(kMaxStatusBytes - text.size()))),
                '.');
  SetStatus(text);
}

void TSearchRun::Complete(const SearchBatch& last) {
  // The worker has left the stage; its thread ends as it returns from this hand-over.
  ReleaseEnded();
  ended_ = std::move(running_);
  // What was found before a file failed is shown.
  // Every file that failed is named once the run is over, in one message.
  std::vector<SearchFileFailure> failures = last.refused;
  if (last.failure) failures.push_back(*last.failure);
  if (!failures.empty()) p_.port.ShowMessage(SearchErrorMessage(failures), Caption());
  const bool stopped = last.end == SearchEnd::kStopped;

  // The search tab shows what was found; the status text goes after a while.
  p_.activePage = 0;
  p_.statusTimer.SetEnabled(true);
  NoteSearchDone(p_.session, pattern_);
  Finish(!stopped && !last.error);
  if (stopped) {
    const CheckList& rows = p_.session.rows;
    SetStatus(Sjis("検索を中止しました（") + std::to_string(rows.HeaderCount()) +
              Sjis("ファイル、") + std::to_string(rows.Count() - rows.HeaderCount()) +
              Sjis("件）"));
  }
  p_.session.search.runInProgress = false;
  if (last.error) std::rethrow_exception(last.error);
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
