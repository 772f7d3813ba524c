// SearchState: what a search run leaves for later commands (replace, narrowing, opening a
// hit, drawing). The run itself is TSearchStage (search/search_stage.h); the window's
// triggers around it are TSearchRun (app/search_triggers.h).
#pragma once

#include <map>
#include <string>

#include "platform/file_system.h"
#include "search/search_text.h"

namespace skarvo {

struct SearchState {
  std::string searchText;       // the search string of the last run that reached its end
  std::string replaceText;      // emptied by every run
  bool replacePending = false;  // cleared by every run
  // The file each result header named, as the search found it (by header path): the
  // overwrite writes only a file that is still that one. Emptied by every run.
  std::map<std::string, FileIdentity> searchedFiles;
  // How the last run that reached its end matched, so a replace falls exactly on its hits.
  bool searchUsedRegex = true;
  bool searchCaseSensitive = true;
  bool searchFuzzy = false;
  // True while a run works. The window goes on meanwhile; every command must check this
  // and wait until the run has ended.
  bool runInProgress = false;
};

// Notes the file of a result header row as the search finds it (right after reading it).
inline void RememberSearchedFile(SearchState& state, const std::string& headerText) {
  std::string path = HeaderRowPath(headerText);
  if (std::optional<FileIdentity> identity = IdentityOf(path))
    state.searchedFiles[std::move(path)] = *identity;
}

}  // namespace skarvo
