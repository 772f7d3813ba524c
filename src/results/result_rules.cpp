#include "results/result_rules.h"

#include <algorithm>

#include "platform/codepage.h"

namespace skarvo {

namespace {
bool StartsWith(std::string_view text, const std::string& prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
}  // namespace

bool IsOfficeHitRow(std::string_view rowText) {
  return StartsWith(rowText, Sjis("【Excel")) || StartsWith(rowText, Sjis("【Word"));
}

ResultMenuState ResultContextMenu(const CheckList& resultList) {
  ResultMenuState state;
  int index = resultList.ItemIndex();
  bool selected = index >= 0 && index < resultList.Count();
  bool header = selected && resultList.Header(index);
  state.checkOnFile = header;
  state.checkOffFile = header;
  state.splitFile = header;
  state.narrowJoin = header;
  state.changeText = selected && !header;
  return state;
}

}  // namespace skarvo
