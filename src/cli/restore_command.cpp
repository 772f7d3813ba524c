// skarvo-cli restore: the files of an overwrite run of "skarvo-cli replace --yes" put back
// from the run's backups, after cleaning up what killed runs left. A file that no longer
// holds what the run wrote is left with a message unless --force; a backup that no longer
// holds the original's bytes is never put back.
#include <signal.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "ops/overwrite_run.h"
#include "platform/file_system.h"

namespace skarvo::cli {
namespace {

constexpr const char* kUsage = "[--raw] [--backup-dir DIR] [--list] [--force] [RUN]";

int Fail(const std::string& message) {
  PrintError(message);
  return 2;
}

int RunRestoreCommand(const std::vector<std::string>& args) {
  FlushedReport report;
  bool raw = false, list = false, force = false;
  std::string backupDir = "./Temp";
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--raw") {
      raw = true;
    } else if (a == "--list") {
      list = true;
    } else if (a == "--force") {
      force = true;
    } else if (a == "--backup-dir") {
      if (++i == args.size()) return Fail("restore: --backup-dir needs a value");
      backupDir = args[i];
    } else if (a.size() > 1 && a[0] == '-') {
      return Fail("restore: unknown option " + a);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() > 1 || (list && !positional.empty()))
    return Fail(std::string("usage: skarvo-cli restore ") + kUsage);
  ::signal(SIGPIPE, SIG_IGN);
  const TextEdge edge(raw);
  std::optional<std::string> folder = edge.In(backupDir);
  if (!folder || !FolderExists(*folder))
    return Fail("restore: no such backup folder: " + backupDir);
  const std::optional<std::string> root = RealPath(*folder);
  if (!root) return Fail("restore: no such backup folder: " + backupDir);
  CleanKilledRuns(*root);
  const std::vector<RunManifest> runs = ListRuns(*root);
  bool reportOk = true;
  if (list) {
    for (const RunManifest& run : runs) {
      int written = 0;
      for (const RunFileEntry& f : run.files) written += f.done ? 1 : 0;
      std::string state = run.damagedLine != 0 ? "damaged"
                          : run.cleaned        ? "interrupted"
                          : run.ended          ? "finished"
                                               : "running";
      if (!run.restored.empty()) state += ",restored";
      reportOk = report.Line(edge.Out(EscapeField(run.name)) + "\t" + run.started + "\t" +
                             std::to_string(written) + "\t" + state) &&
                 reportOk;
    }
    if (!reportOk) PrintError("restore: the list could not be written");
    return !reportOk ? 3 : runs.empty() ? 1 : 0;
  }
  const RunManifest* chosen = runs.empty() ? nullptr : &runs.back();
  if (!positional.empty()) {
    chosen = nullptr;
    std::optional<std::string> wanted = edge.In(positional[0]);
    if (!wanted) return Fail("restore: no such run: " + positional[0]);
    std::optional<std::string> wantedReal = RealPath(*wanted);
    for (const RunManifest& run : runs)
      if (run.name == *wanted || (wantedReal && run.folder == *wantedReal)) chosen = &run;
    if (chosen == nullptr) return Fail("restore: no such run: " + positional[0]);
  }
  if (chosen == nullptr) return Fail("restore: no run in the backup folder " + backupDir);
  int restored = 0, left = 0;
  RestoreRun(*chosen, force, [&](const RunFileEntry& entry, RunRestoreResult result) {
    const std::string path = edge.Out(EscapeField(entry.file));
    if (result == RunRestoreResult::kRestored || result == RunRestoreResult::kRestoredPartial) {
      ++restored;
      if (result == RunRestoreResult::kRestoredPartial)
        PrintError("restore: " + path +
                   ": its write may have been cut short; put back from its checked backup");
      reportOk = report.Line("R\t" + path) && reportOk;
    } else if (result != RunRestoreResult::kUnchanged) {
      ++left;
      PrintError("restore: " + edge.Out(RunRestoreMessage(result, entry.file)));
      reportOk = report.Line("S\t" + path + "\t" + RunRestoreKey(result)) && reportOk;
    }
  });
  if (!reportOk)
    PrintError("restore: the report could not be written; every file was still handled");
  if (chosen->damagedLine != 0) {
    // What was read before the damage is put back; the rest of the run is unknown.
    PrintError("restore: run " + edge.Out(EscapeField(chosen->name)) +
               ": its manifest is damaged (line " + std::to_string(chosen->damagedLine) +
               " cannot be read); only the files recorded before it were handled");
    return restored > 0 ? 3 : 2;
  }
  if (left > 0 || !reportOk) return 3;
  return restored > 0 ? 0 : 1;
}

CommandRegistrar restoreCommand(
    "restore",
    {.run = RunRestoreCommand,
     .usage = kUsage,
     .summary = "put back the files of an overwrite run from its backups",
     .help = "Puts back the files of an overwrite run of \"skarvo-cli replace --yes\" from its\n"
             "backups. Each run keeps its backups in a folder of its own under the backup\n"
             "folder, named by its UTC start time and process id (YYYYMMDD-HHMMSS-PID), with a\n"
             "manifest of the files it wrote. A backup whose bytes are not the original's\n"
             "recorded digest is never put back. One line per file:\n"
             "  R\\t<path>           put back (also a file whose write may have been cut\n"
             "                      short: a write begun but never recorded done)\n"
             "  S\\t<path>\\t<reason>  left; reason: changed, vanished, bad-backup or\n"
             "                      write-failed\n"
             "A file that holds its original already is passed over. In a path, \"\\\" is\n"
             "written \"\\\\\", a tab \"\\t\" and a line break \"\\n\". Temporary files a killed\n"
             "run left are removed.\n"
             "\n"
             "Options:\n"
             "  --list            one line per run, oldest first:\n"
             "                    <run>\\t<started>\\t<files written>\\t<state>; state:\n"
             "                    finished, interrupted, running or damaged (the manifest\n"
             "                    cannot be read through), then \",restored\" once\n"
             "                    a restore put files back\n"
             "  --force           put back also a file that no longer holds what the run wrote\n"
             "  --backup-dir DIR  the backup folder the runs are in (default ./Temp)\n"
             "  --raw             paths are bytes (Shift-JIS) out instead of UTF-8\n"
             "  RUN               the run's name or folder; default the newest run\n"
             "\n"
             "Exit status: 0 every file put back, 1 nothing to put back, 2 bad arguments or no\n"
             "such run or a damaged manifest, 3 some files left (each on an S line), some\n"
             "files put back from a damaged manifest, or the report could not be written.\n"
             "\n"
             "Example:\n"
             "  skarvo-cli restore --list\n"
             "  skarvo-cli restore 20261207-231502-4242\n"});

}  // namespace
}  // namespace skarvo::cli
