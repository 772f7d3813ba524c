#include "ops/session_search.h"

#include "search/search_text.h"

namespace skarvo {

void BeginSessionSearch(ResultSession& session) {
  session.search.replaceText.clear();
  session.search.replacePending = false;
  session.search.searchedFiles.clear();
  session.undo = NoUndo{};
}

bool SessionSink::OnRow(const CheckListRow& row) {
  CheckList& rows = session_.rows;
  rows.Insert(rows.Count(), row);
  if (row.header) RememberSearchedFile(session_.search, row.text);
  return true;
}

std::vector<SearchFileFailure> SessionSink::Failures() const {
  std::vector<SearchFileFailure> all = refused;
  if (failure) all.push_back(*failure);
  return all;
}

void NoteSearchDone(ResultSession& session, const SearchPattern& pattern) {
  SearchState& state = session.search;
  state.searchText = pattern.searchString;
  state.searchUsedRegex = pattern.useRegex;
  state.searchCaseSensitive = pattern.caseSensitive;
  state.searchFuzzy = pattern.useFuzzyDictionary;
}

void CollectOfficeFiles(ResultSession& session) {
  session.officeFiles.clear();
  for (const CheckListRow& row : session.rows.Rows()) {
    if (!row.header) continue;
    std::string path = row.file;
    if (ClassifyTarget(path) != TargetKind::kText) session.officeFiles.push_back(std::move(path));
  }
}

}  // namespace skarvo
