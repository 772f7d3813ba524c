// SearchState: what a search run leaves for later commands (replace, narrowing, opening a
// hit, drawing). The run itself is TSearchStage (search/search_stage.h); the window's
// triggers around it are TSearchRun (app/search_triggers.h).
#pragma once

#include <string>

namespace skarvo {

struct SearchState {
  std::string searchText;       // the search string of the last run that reached its end
  std::string replaceText;      // emptied by every run
  bool replacePending = false;  // cleared by every run
  // How the last run that reached its end matched, so a replace falls exactly on its hits.
  bool searchUsedRegex = true;
  bool searchCaseSensitive = true;
  bool searchFuzzy = false;
  // True while a run works. A pattern search lets window messages through, so the window
  // repaints; every command must check this and wait until the run has ended.
  bool runInProgress = false;
  // Set by the stop command while a run works; the run ends at the next chance, keeping the
  // rows found so far. Cleared when a run starts.
  bool stopRequested = false;
};

}  // namespace skarvo
