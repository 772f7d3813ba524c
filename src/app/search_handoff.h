// The window's search off the window's thread: a worker runs the search stage over an
// immutable snapshot of the target rows and hands what it finds to the window's thread in
// batches through a SearchHandoff (a mutex-guarded batch and a wake-up call). The window's
// thread takes the batches when woken, so it never waits for the stage and the stage never
// waits for a paint. A stop is a std::stop_token the worker looks at per row, per target and
// per block read; nothing is thrown through the readers for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "search/search_stage.h"
#include "targets/check_list.h"

namespace skarvo {

// Where the worker is in the target list: the row looked at last, and the hits of a plain
// search since then (the status bar shows one dot for each).
struct SearchProgress {
  int index = 0;
  int count = 0;
  int64_t hitsSinceTarget = 0;
};

// What the worker found since the window's thread last took a batch.
struct SearchBatch {
  std::vector<CheckListRow> rows;
  // Each header row's file as the worker found it, right after reading it.
  std::vector<std::pair<std::string, FileIdentity>> searchedFiles;
  std::optional<SearchProgress> progress;  // the latest, when it moved
  // Once the run has ended: how, the failed file, and an exception the stage let through.
  bool ended = false;
  SearchEnd end = SearchEnd::kCompleted;
  std::optional<SearchFileFailure> failure;
  std::vector<SearchFileFailure> refused;  // zipped office files passed over, in order
  std::exception_ptr error;

  bool Empty() const { return rows.empty() && !progress && !ended; }
  // Appends later's findings to this one's.
  void Merge(SearchBatch&& later);
};

// The batch the worker fills and the window's thread takes. wake is called on the worker's
// thread when a batch becomes ready and none was waiting (so at most one wake-up is pending
// at a time, however fast rows come), and always when the run ends; it must be safe to call
// from another thread (the window posts itself an event).
class SearchHandoff {
 public:
  explicit SearchHandoff(std::function<void()> wake) : wake_(std::move(wake)) {}
  SearchHandoff(const SearchHandoff&) = delete;
  SearchHandoff& operator=(const SearchHandoff&) = delete;

  // Worker: adds part to the waiting batch.
  void Hand(SearchBatch&& part);
  // Window: everything handed since the last Take.
  SearchBatch Take();
  // Window: blocks until a batch waits (for callers without an event loop).
  void WaitForBatch();
  // Whether the waiting batch ends the run.
  bool EndWaiting();

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  SearchBatch waiting_;
  bool wakePending_ = false;
  std::function<void()> wake_;
};

// One search on a thread of its own: the stage over targets with the pattern set before,
// rows to handoff in batches of at most batchRows rows or interval of time. The stage and
// its readers belong to the worker until it hands over the run's end; the caller touches
// neither meanwhile.
class SearchWorker {
 public:
  struct Options {
    size_t batchRows = 1000;
    std::chrono::milliseconds interval{50};
    // Whether hits count as status dots (a plain search).
    bool countHits = false;
    // Files searched at the same time (0: one per core), as SearchRunOptions::workers.
    int workers = 0;
  };

  SearchWorker(TSearchStage& stage, std::shared_ptr<const std::vector<CheckListRow>> targets,
               SearchHandoff& handoff, Options options);
  ~SearchWorker();  // stops and joins
  SearchWorker(const SearchWorker&) = delete;
  SearchWorker& operator=(const SearchWorker&) = delete;

  // Any thread: the run ends at its next row, target or block read.
  void RequestStop() { thread_.request_stop(); }
  // On a worker's thread (the grep's reader asks between blocks): hands over what waits
  // when its time has come; true when the run must stop. False on any other thread.
  static bool PollCurrent();
  // Waits for the worker's thread to end.
  void Join();

 private:
  class Sink;
  void Work(std::stop_token stop);

  TSearchStage& stage_;
  std::shared_ptr<const std::vector<CheckListRow>> targets_;
  SearchHandoff& handoff_;
  Options options_;
  std::unique_ptr<Sink> sink_;
  std::jthread thread_;  // last: started when everything above is set
};

}  // namespace skarvo
