#include "app/search_handoff.h"

#include <algorithm>
#include <iterator>

#include "search/search_text.h"

namespace skarvo {

void SearchBatch::Merge(SearchBatch&& later) {
  if (rows.empty()) {
    rows = std::move(later.rows);
  } else {
    rows.insert(rows.end(), std::make_move_iterator(later.rows.begin()),
                std::make_move_iterator(later.rows.end()));
  }
  searchedFiles.insert(searchedFiles.end(), std::make_move_iterator(later.searchedFiles.begin()),
                       std::make_move_iterator(later.searchedFiles.end()));
  if (later.progress) progress = later.progress;
  if (later.ended) {
    ended = true;
    end = later.end;
    failure = std::move(later.failure);
    refused = std::move(later.refused);
    error = later.error;
  }
}

void SearchHandoff::Hand(SearchBatch&& part) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    waiting_.Merge(std::move(part));
    // The run's end always wakes: the window may be waiting for nothing else.
    wake = !wakePending_ || waiting_.ended;
    wakePending_ = true;
  }
  ready_.notify_all();
  if (wake && wake_) wake_();
}

SearchBatch SearchHandoff::Take() {
  std::lock_guard lock(mutex_);
  wakePending_ = false;
  return std::exchange(waiting_, SearchBatch{});
}

void SearchHandoff::WaitForBatch() {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return !waiting_.Empty(); });
}

bool SearchHandoff::EndWaiting() {
  std::lock_guard lock(mutex_);
  return waiting_.ended;
}

namespace {

// The worker whose thread this is, for the grep's reader, which knows no worker.
thread_local SearchWorker* currentWorker = nullptr;

}  // namespace

// Collects the stage's rows on the worker's thread and hands them over in batches.
class SearchWorker::Sink : public SearchSink {
 public:
  Sink(SearchHandoff& handoff, Options options, std::stop_token stop)
      : handoff_(handoff), options_(options), stop_(std::move(stop)) {
    lastHand_ = std::chrono::steady_clock::now();
  }

  bool OnTarget(int index, int count) override {
    progress_ = SearchProgress{index, count, 0};
    batch_.progress = progress_;
    HandWhenDue();
    return !stop_.stop_requested();
  }
  bool OnRow(const CheckListRow& row) override {
    if (batch_.rows.empty()) batch_.rows.reserve(std::min<size_t>(options_.batchRows, 4096));
    batch_.rows.push_back(row);
    if (row.header) {
      std::string path = HeaderRowPath(row.text);
      if (std::optional<FileIdentity> identity = IdentityOf(path))
        batch_.searchedFiles.emplace_back(std::move(path), *identity);
    } else if (options_.countHits) {
      ++progress_.hitsSinceTarget;
      batch_.progress = progress_;
    }
    // The clock is read every few rows only: rows come faster than it is worth reading.
    if (batch_.rows.size() >= options_.batchRows || batch_.rows.size() % 16 == 0) HandWhenDue();
    return !stop_.stop_requested();
  }
  void OnFileFailed(const SearchFileFailure& failure) override { batch_.failure = failure; }
  // Named together with the failure once the run is over.
  void OnFileRefused(const SearchFileFailure& failure) override { refused_.push_back(failure); }
  bool OnProgress() override { return !Poll(); }

  bool Poll() {
    HandWhenDue();
    return stop_.stop_requested();
  }

  void End(SearchEnd end, std::exception_ptr error) {
    batch_.ended = true;
    batch_.end = end;
    batch_.refused = std::move(refused_);
    batch_.error = std::move(error);
    handoff_.Hand(std::exchange(batch_, SearchBatch{}));
  }

 private:
  void HandWhenDue() {
    if (batch_.Empty()) return;
    const auto now = std::chrono::steady_clock::now();
    if (batch_.rows.size() < options_.batchRows && now - lastHand_ < options_.interval) return;
    lastHand_ = now;
    handoff_.Hand(std::exchange(batch_, SearchBatch{}));
  }

  SearchHandoff& handoff_;
  Options options_;
  std::stop_token stop_;
  SearchBatch batch_;
  std::vector<SearchFileFailure> refused_;
  SearchProgress progress_;
  std::chrono::steady_clock::time_point lastHand_;
};

SearchWorker::SearchWorker(TSearchStage& stage,
                           std::shared_ptr<const std::vector<CheckListRow>> targets,
                           SearchHandoff& handoff, Options options)
    : stage_(stage),
      targets_(std::move(targets)),
      handoff_(handoff),
      options_(options),
      thread_([this](std::stop_token stop) { Work(std::move(stop)); }) {}

SearchWorker::~SearchWorker() {
  thread_.request_stop();
  Join();
}

void SearchWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

bool SearchWorker::PollCurrent() {
  return currentWorker && currentWorker->sink_ && currentWorker->sink_->Poll();
}

void SearchWorker::Work(std::stop_token stop) {
  sink_ = std::make_unique<Sink>(handoff_, options_, stop);
  currentWorker = this;
  SearchEnd end = SearchEnd::kCompleted;
  std::exception_ptr error;
  try {
    SearchRunOptions run;
    run.workers = options_.workers;
    run.stop = stop;
    end = stage_.Run(*targets_, *sink_, run);
  } catch (...) {
    // Out of memory or a fault of the stage: the window's thread reports it.
    error = std::current_exception();
    end = SearchEnd::kFailed;
  }
  currentWorker = nullptr;
  sink_->End(end, error);
}

}  // namespace skarvo
