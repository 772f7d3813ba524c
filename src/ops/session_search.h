// A search's rows collected into a result session: the window's search run, skarvo-cli
// replace and the tests put what the search stage finds where the operations read it.
#pragma once

#include <optional>
#include <vector>

#include "ops/result_session.h"
#include "search/search_stage.h"

namespace skarvo {

// A new search ends what the session held: the pending replace, the searched files and the
// record of the last operation. The rows are the caller's to empty (the window frees a
// large result meanwhile).
void BeginSessionSearch(ResultSession& session);

// Puts each row into the session's rows and remembers each header's file as searched.
class SessionSink : public SearchSink {
 public:
  explicit SessionSink(ResultSession& session) : session_(session) {}
  std::optional<SearchFileFailure> failure;
  std::vector<SearchFileFailure> refused;  // zipped office files passed over, in order

  bool OnRow(const CheckListRow& row) override;
  void OnFileFailed(const SearchFileFailure& f) override { failure = f; }
  void OnFileRefused(const SearchFileFailure& f) override { refused.push_back(f); }
  // Every file named in the order met: the refused ones, then the one that ended the run.
  std::vector<SearchFileFailure> Failures() const;

 private:
  ResultSession& session_;
};

// The search the rows came from, for the replace and the overwrite.
void NoteSearchDone(ResultSession& session, const SearchPattern& pattern);

// Replaces the office files with the path of every header row whose file is an office file
// (.xls, .xlsx, .doc or .docx, extension without case).
void CollectOfficeFiles(ResultSession& session);

}  // namespace skarvo
