#include "ops/overwrite.h"

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "engine/regexp_error.h"
#include "ops/join_lines.h"
#include "ops/overwrite_run.h"
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
    case SkipReason::kFolderNotWritable:
      return "folder-not-writable";
    case SkipReason::kNotRecorded:
      return "not-recorded";
    case SkipReason::kInBackups:
      return "in-backups";
    case SkipReason::kPartial:
      return "partial";
    case SkipReason::kCannotHold:
      return "unencodable";
  }
  return "?";
}

std::string SkipMessage(SkipReason reason, const std::string& path, const std::string& folder) {
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
    case SkipReason::kFolderNotWritable:
      return quoted + Sjis("に書き込めませんでした。フォルダ") + "\"" + folder + "\"" +
             Sjis("に新しいファイルを作れません。");
    case SkipReason::kNotRecorded:
      return quoted + Sjis("の上書きを記録できないため、上書きしませんでした。");
    case SkipReason::kInBackups:
      return quoted + Sjis("はバックアップのフォルダにあるため、上書きしませんでした。");
    case SkipReason::kPartial:
      return quoted + Sjis("への書き込みが途中で失敗し、ファイルは一部だけ書き換わっています。") +
             Sjis("元の内容はバックアップにあります。");
    case SkipReason::kCannotHold:
      return CannotHoldMessage(path, TextEncoding::kShiftJis);
  }
  return {};
}

std::string CannotHoldMessage(const std::string& path, TextEncoding encoding) {
  return "\"" + path + "\"" + Sjis("は置換後の行に文字コード") + EncodingName(encoding) +
         Sjis("で表せない文字があるため、上書きしませんでした。");
}

namespace {

struct Hit {
  int64_t lineNo = 0;
  std::string lineText;  // the line as the search saw it
};

struct FileWork {
  std::string path;
  TextEncoding encoding = TextEncoding::kShiftJis;  // as its hits were read
  std::vector<Hit> hits;                            // the checked hits, in list order
  std::optional<FileIdentity> searched;             // the file as the search found it, when known
};

// The work list: each file of the result list with its checked hits. A file reached again
// under another spelling joins the hits of its first entry: it is one target.
std::vector<FileWork> BuildWorkList(const CheckList& resultList, const SearchState& state) {
  std::vector<FileWork> work;
  std::map<std::pair<dev_t, ino_t>, size_t> byIdentity;
  std::vector<std::set<int64_t>> lineNos;  // of each entry's hits
  size_t current = 0;
  for (const CheckListRow& row : resultList.Rows()) {
    if (row.header) {
      FileWork file{row.file, TextEncoding::kShiftJis, {}, std::nullopt};
      auto known = state.searchedFiles.find(file.path);
      // A file the search did not note (rows made otherwise) is taken as it is now.
      file.searched =
          known != state.searchedFiles.end() ? std::optional(known->second) : IdentityOf(file.path);
      current = work.size();
      if (file.searched) {
        auto [at, added] = byIdentity.emplace(
            std::make_pair(file.searched->device, file.searched->inode), current);
        if (!added) current = at->second;
      }
      if (current == work.size()) {
        work.push_back(std::move(file));
        lineNos.emplace_back();
      }
    } else if (row.checked && !work.empty()) {
      if (lineNos[current].insert(row.lineNo).second) {
        work[current].hits.push_back(Hit{row.lineNo, row.lineText});
        work[current].encoding = row.encoding;
      }
    }
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
  OverwriteWalk(const SearchState& state, TAWKStr& awk, Prompter& prompter, TFileBackup& backup,
                const OverwriteObserver& observer, OverwriteJournal* journal)
      : state_(state),
        awk_(awk),
        prompter_(prompter),
        backup_(backup),
        observer_(observer),
        journal_(journal),
        rule_(RuleOfLastSearch(state)) {}

  OverwriteRecord Run(const std::vector<FileWork>& work) {
    for (size_t f = 0; f < work.size(); ++f) File(work[f], f + 1 == work.size());
    return std::move(record_);
  }

 private:
  void File(const FileWork& work, bool last) {
    // A backup rewritten would lose the original it keeps; not even backed up again.
    if (InBackups(work.path, backup_.Root())) {
      if (!work.hits.empty()) Skip(work.path, SkipReason::kInBackups);
      return;
    }
    if (work.hits.empty()) {
      // Not asked about and not written; its backup is kept all the same.
      if (!FileExists(work.path)) return;
      if (std::optional<std::string> bytes = ReadWholeFile(work.path)) BackUp(work.path, *bytes);
      return;
    }
    if (!FileExists(work.path)) return Skip(work.path, SkipReason::kVanished);
    FileIdentity read;
    std::optional<std::string> before = ReadWholeFileAs(work.path, read);
    if (!before) return Skip(work.path, SkipReason::kUnreadable);
    // Swapped for another file or a link to one since the search: not the file searched.
    if (work.searched && !work.searched->SameFile(read))
      return Skip(work.path, SkipReason::kChanged);
    if (HoldsNulCharacter(*before, work.encoding)) return Skip(work.path, SkipReason::kHoldsNul);
    std::string after;
    if (work.encoding == TextEncoding::kShiftJis) {
      const SubstitutionRule shiftJisRule = ShiftJisRule(rule_);
      const std::string shiftJisReplacement = ToShiftJisPattern(state_.replaceText);
      std::vector<std::string> lines = SplitIntoLines(*before);
      if (!StillAsSearched(lines, work.hits)) return Skip(work.path, SkipReason::kChanged);
      try {
        for (const Hit& hit : work.hits) {
          std::string& line = lines[static_cast<size_t>(hit.lineNo - 1)];
          line = SubstituteLine(shiftJisRule, shiftJisReplacement, line, awk_);
          // A character of the replacement that CP932 lacks cannot be written here.
          std::string bytes;
          if (HoldsUnit(line) && !FromInternalForm(line, TextEncoding::kShiftJis, bytes))
            return Skip(work.path, SkipReason::kCannotHold);
        }
      } catch (const ERegExpParser& e) {
        prompter_.TellError(e.Message());
        return Skip(work.path, SkipReason::kWriteFailed);
      }
      after = LinesWithCrLf(lines);
    } else {
      std::optional<std::string> spliced = Spliced(work, *before);
      if (!spliced) return;
      after = std::move(*spliced);
    }
    // Nothing would change: nothing to ask, back up or write.
    if (after == *before) return;
    OverwrittenFile* entry = BackUp(work.path, *before);
    if (entry == nullptr) return Skip(work.path, SkipReason::kNoBackup);
    if (!Agreed(work.path, last)) return Skip(work.path, SkipReason::kDeclined);
    // The final target, by the full path the file system gives it (a link stays a link).
    const std::optional<std::string> real = RealPath(work.path);
    if (!real) return Skip(work.path, SkipReason::kWriteFailed);
    const ContentDigest writtenDigest = DigestOf(after);
    if (journal_ != nullptr &&
        !journal_->WillWrite(*real, entry->backup, entry->originalDigest, writtenDigest))
      return Skip(work.path, SkipReason::kNotRecorded);
    // Written only while the file is still, to the last moment, the one read above (the
    // question may have been open a long time).
    AtomicWriteOptions options;
    options.expected = &read;
    if (journal_ != nullptr)
      options.onTempCreated = [&](const std::string& temp) { journal_->TempCreated(*real, temp); };
    const WriteOutcome outcome = WriteFileSafely(
        *real, [&](const FilePieceWriter& write) { write(after); }, options);
    switch (outcome.failure) {
      case WriteFailure::kNone:
        break;
      case WriteFailure::kChanged:
        return Skip(work.path, SkipReason::kChanged);
      case WriteFailure::kFolderNotWritable:
        return Skip(work.path, SkipReason::kFolderNotWritable, outcome.folder);
      case WriteFailure::kPartial:
        return Skip(work.path, SkipReason::kPartial);
      default:
        return Skip(work.path, SkipReason::kWriteFailed);
    }
    if (journal_ != nullptr) journal_->Written(*real);
    entry->written = true;
    entry->writtenDigest = writtenDigest;
    if (observer_) observer_(work.path, true, SkipReason::kDeclined);
  }

  // The file in its own encoding with the replaced lines' contents written anew and every
  // other byte as it was; nullopt when the file is skipped (told already).
  std::optional<std::string> Spliced(const FileWork& work, const std::string& before) {
    const std::vector<LineSpan> spans = SplitLinesIn(before, work.encoding);
    const auto lineAt = [&](int64_t lineNo) {
      const LineSpan& s = spans[static_cast<size_t>(lineNo - 1)];
      return ToInternalForm(std::string_view(before).substr(s.begin, s.end - s.begin),
                            work.encoding, false);
    };
    for (const Hit& hit : work.hits) {
      if (hit.lineNo < 1 || static_cast<uint64_t>(hit.lineNo) > spans.size() ||
          lineAt(hit.lineNo) != hit.lineText) {
        Skip(work.path, SkipReason::kChanged);
        return std::nullopt;
      }
    }
    std::map<int64_t, std::string> replaced;
    try {
      for (const Hit& hit : work.hits) {
        const std::string line = SubstituteLine(rule_, state_.replaceText, hit.lineText, awk_);
        if (line == hit.lineText) continue;
        std::string bytes;
        if (!FromInternalForm(line, work.encoding, bytes)) {
          prompter_.Tell(CannotHoldMessage(work.path, work.encoding));
          if (observer_) observer_(work.path, false, SkipReason::kCannotHold);
          return std::nullopt;
        }
        replaced[hit.lineNo] = std::move(bytes);
      }
    } catch (const ERegExpParser& e) {
      prompter_.TellError(e.Message());
      Skip(work.path, SkipReason::kWriteFailed);
      return std::nullopt;
    }
    std::string after;
    after.reserve(before.size());
    size_t copied = 0;
    for (const auto& [lineNo, bytes] : replaced) {
      const LineSpan& s = spans[static_cast<size_t>(lineNo - 1)];
      after.append(before, copied, s.begin - copied);
      after += bytes;
      copied = s.end;
    }
    after.append(before, copied, std::string::npos);
    return after;
  }

  // Keeps the file's backup once per walk: a file listed twice keeps the copy of what it
  // held before the walk touched it.
  OverwrittenFile* BackUp(const std::string& path, const std::string& bytes) {
    const std::string key = RealPath(path).value_or(path);
    auto known = byPath_.find(key);
    if (known != byPath_.end()) return &record_.files[known->second];
    std::optional<std::string> copy = backup_.Keep(path, bytes);
    if (!copy) return nullptr;
    byPath_[key] = record_.files.size();
    record_.files.push_back(OverwrittenFile{path, *copy, false, DigestOf(bytes), {}});
    return &record_.files.back();
  }

  bool Agreed(const std::string& path, bool last) {
    if (yesToAll_) return true;
    const std::string text =
        path + "\r\n" + Sjis("を置き換えてよろしいか？") + "\r\n" +
        (last ? Sjis("全てはいでこのファイル以降全てを置き換えます。")
              : "\r\n" + Sjis("すべてはいで、このファイル以降全てのファイルを置き換えます。"));
    switch (prompter_.Ask(text, QuestionButtons::kYesCancelYesToAll)) {
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

  void Skip(const std::string& path, SkipReason reason, const std::string& folder = {}) {
    if (reason != SkipReason::kDeclined) prompter_.Tell(SkipMessage(reason, path, folder));
    if (observer_) observer_(path, false, reason);
  }

  const SearchState& state_;
  TAWKStr& awk_;
  Prompter& prompter_;
  TFileBackup& backup_;
  const OverwriteObserver& observer_;
  OverwriteJournal* journal_;
  const SubstitutionRule rule_;
  OverwriteRecord record_;
  std::map<std::string, size_t> byPath_;
  bool yesToAll_ = false;
};

}  // namespace

OpOutcome Overwrite(ResultSession& session, TFileBackup& backup, TAWKStr& awk, Prompter& prompter,
                    const OverwriteObserver& observer, OverwriteJournal* journal) {
  const std::vector<FileWork> work = BuildWorkList(session.rows, session.search);
  session.undo = NoUndo{};
  OverwriteRecord record =
      OverwriteWalk(session.search, awk, prompter, backup, observer, journal).Run(work);
  bool anyWritten = false;
  for (const OverwrittenFile& file : record.files) anyWritten = anyWritten || file.written;
  session.undo = OverwriteUndo{std::move(record)};
  session.search.replaceText.clear();
  session.search.replacePending = false;
  OpOutcome outcome;
  outcome.overwriteReady = false;
  // What was written can be put back from its backup.
  outcome.restoreReady = anyWritten;
  outcome.notice = Sjis("上書きが終了しました。");
  return outcome;
}

}  // namespace skarvo
