#include "ops/overwrite.h"

#include <map>
#include <optional>

#include "engine/regexp_error.h"
#include "ops/join_lines.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"

namespace skarvo {

const char* SkipReasonKey(SkipReason reason) {
  switch (reason) {
    case SkipReason::kVanished:
      return "vanished";
    case SkipReason::kUnreadable:
      return "unreadable";
    case SkipReason::kChanged:
      return "changed";
    case SkipReason::kHoldsNul:
      return "nul";
    case SkipReason::kNoBackup:
      return "no-backup";
    case SkipReason::kDeclined:
      return "declined";
    case SkipReason::kWriteFailed:
      return "write-failed";
  }
  return "?";
}

std::string SkipMessage(SkipReason reason, const std::string& path) {
  const std::string quoted = "\"" + path + "\"";
  switch (reason) {
    case SkipReason::kVanished:
      return quoted + Sjis("は見つからないため、上書きしませんでした。");
    case SkipReason::kUnreadable:
      return quoted + Sjis("を読み込めないため、上書きしませんでした。");
    case SkipReason::kChanged:
      return quoted + Sjis("は検索の後に変更されているため、上書きしませんでした。");
    case SkipReason::kHoldsNul:
      return quoted + Sjis("はNUL文字を含むため、上書きしませんでした。");
    case SkipReason::kNoBackup:
      return quoted + Sjis("のバックアップを作れないため、上書きしませんでした。");
    case SkipReason::kDeclined:
      return {};
    case SkipReason::kWriteFailed:
      return quoted + Sjis("に書き込めませんでした。");
  }
  return {};
}

namespace {

struct Hit {
  int64_t lineNo = 0;
  std::string lineText;  // the line as the search saw it
};

struct FileWork {
  std::string path;
  std::vector<Hit> hits;  // the checked hits, in list order
};

// The work list: each file of the result list with its checked hits.
std::vector<FileWork> BuildWorkList(const CheckList& resultList) {
  std::vector<FileWork> work;
  for (const CheckListRow& row : resultList.Rows()) {
    if (row.header)
      work.push_back(FileWork{HeaderRowPath(row.text), {}});
    else if (row.checked && !work.empty())
      work.back().hits.push_back(Hit{row.lineNo, row.lineText});
  }
  return work;
}

bool StillAsSearched(const std::vector<std::string>& lines, const std::vector<Hit>& hits) {
  for (const Hit& hit : hits) {
    if (hit.lineNo < 1 || static_cast<uint64_t>(hit.lineNo) > lines.size()) return false;
    if (lines[static_cast<size_t>(hit.lineNo - 1)] != hit.lineText) return false;
  }
  return true;
}

class OverwriteWalk {
 public:
  OverwriteWalk(OpsParts& p, TFileBackup& backup, const OverwriteObserver& observer)
      : p_(p), backup_(backup), observer_(observer), rule_(RuleOfLastSearch(p.state)) {}

  OverwriteRecord Run(const std::vector<FileWork>& work) {
    for (size_t f = 0; f < work.size(); ++f) File(work[f], f + 1 == work.size());
    return std::move(record_);
  }

 private:
  void File(const FileWork& work, bool last) {
    if (work.hits.empty()) {
      // Not asked about and not written; its backup is kept all the same.
      if (!FileExists(work.path)) return;
      if (std::optional<std::string> bytes = ReadWholeFile(work.path)) BackUp(work.path, *bytes);
      return;
    }
    if (!FileExists(work.path)) return Skip(work.path, SkipReason::kVanished);
    std::optional<std::string> before = ReadWholeFile(work.path);
    if (!before) return Skip(work.path, SkipReason::kUnreadable);
    if (before->find('\0') != std::string::npos) return Skip(work.path, SkipReason::kHoldsNul);
    std::vector<std::string> lines = SplitIntoLines(*before);
    if (!StillAsSearched(lines, work.hits)) return Skip(work.path, SkipReason::kChanged);
    OverwrittenFile* entry = BackUp(work.path, *before);
    if (entry == nullptr) return Skip(work.path, SkipReason::kNoBackup);
    try {
      for (const Hit& hit : work.hits) {
        std::string& line = lines[static_cast<size_t>(hit.lineNo - 1)];
        line = SubstituteLine(rule_, p_.state.replaceText, line, p_.awk);
      }
    } catch (const ERegExpParser& e) {
      p_.port.ShowError(e.Message(), OpsCaption());
      return Skip(work.path, SkipReason::kWriteFailed);
    }
    if (!Agreed(work.path, last)) return Skip(work.path, SkipReason::kDeclined);
    // The file may have changed while the question was open.
    std::optional<std::string> now = ReadWholeFile(work.path);
    if (!now || *now != *before) return Skip(work.path, SkipReason::kChanged);
    const std::string after = LinesWithCrLf(lines);
    if (!WriteFileAtTarget(work.path, after)) return Skip(work.path, SkipReason::kWriteFailed);
    entry->written = true;
    entry->writtenDigest = DigestOf(after);
    if (observer_) observer_(work.path, true, SkipReason::kDeclined);
  }

  // Keeps the file's backup once per walk: a file listed twice keeps the copy of what it
  // held before the walk touched it.
  OverwrittenFile* BackUp(const std::string& path, const std::string& bytes) {
    auto known = byPath_.find(path);
    if (known != byPath_.end()) return &record_.files[known->second];
    std::optional<std::string> copy = backup_.Keep(path, bytes);
    if (!copy) return nullptr;
    byPath_[path] = record_.files.size();
    record_.files.push_back(OverwrittenFile{path, *copy, false, {}});
    return &record_.files.back();
  }

  bool Agreed(const std::string& path, bool last) {
    if (yesToAll_) return true;
    const std::string text =
        path + "\r\n" + Sjis("を置き換えてよろしいか？") + "\r\n" +
        (last ? Sjis("全てはいでこのファイル以降全てを置き換えます。")
              : "\r\n" + Sjis("すべてはいで、このファイル以降全てのファイルを置き換えます。"));
    switch (p_.port.Ask(text, OpsCaption(), QuestionButtons::kYesCancelYesToAll)) {
      case Answer::kYes:
        return true;
      case Answer::kYesToAll:
        yesToAll_ = true;
        return true;
      default:
        yesToAll_ = false;
        return false;
    }
  }

  void Skip(const std::string& path, SkipReason reason) {
    if (reason != SkipReason::kDeclined)
      p_.port.ShowMessage(SkipMessage(reason, path), OpsCaption());
    if (observer_) observer_(path, false, reason);
  }

  OpsParts& p_;
  TFileBackup& backup_;
  const OverwriteObserver& observer_;
  const SubstitutionRule rule_;
  OverwriteRecord record_;
  std::map<std::string, size_t> byPath_;
  bool yesToAll_ = false;
};

}  // namespace

OverwriteRecord N12Click(OpsParts& p, const OpsCommandSwitches& switches, TFileBackup& backup,
                         const OverwriteObserver& observer) {
  // 1. - 2.
  if (switches.enableRestore) switches.enableRestore(false);
  const std::vector<FileWork> work = BuildWorkList(p.resultList);
  p.undoList.Clear();
  // 3. - 5.
  OverwriteRecord record = OverwriteWalk(p, backup, observer).Run(work);
  // 6. - 7.
  bool anyWritten = false;
  for (const OverwrittenFile& file : record.files) {
    p.undoList.Add(file.backup);
    anyWritten = anyWritten || file.written;
  }
  p.undoList.Add(Sjis("上書"));
  if (switches.enableOverwrite) switches.enableOverwrite(false);
  // What was written can be put back from its backup.
  if (anyWritten && switches.enableRestore) switches.enableRestore(true);
  p.state.replaceText.clear();
  p.state.replacePending = false;
  OpsNotice(p, Sjis("上書きが終了しました。"));
  return record;
}

}  // namespace skarvo
