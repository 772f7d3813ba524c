#!/usr/bin/env bash
# skarvo-cli replace and restore under interrupts, kills, a second run and a closed report
# pipe: a run never replaces an earlier run's backups, an interrupt leaves no temporary
# file, what a killed run left is cleaned up by the next command, and restore puts back
# exactly the originals, run by run.
set -u
cli="$(realpath "$1")"
fail=0
work="$(mktemp -d)"
trap 'kill -CONT $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/tmp" "$work/t" "$work/orig"
t="$work/t"
T=$'\t'

say() { echo "FAIL $*"; fail=1; }
replace() {  # replace ARGS... in the background with SIGINT as from a terminal; sets pid
  (cd "$work" && TMPDIR="$work/tmp" exec env --default-signal=INT "$cli" replace "$@" \
    >"$work/out" 2>"$work/err") &
  pid=$!
}
restore() {  # restore ARGS... : sets out and rc
  out="$(cd "$work" && TMPDIR="$work/tmp" "$cli" restore --backup-dir bk "$@" 2>"$work/err")"
  rc=$?
}
temps() { find "$t" -name '.skarvo-*' | wc -l; }
# Stops the background run once cond holds while it still runs; false when it ended first.
# No bound on the tries: a slow (checked) build may search long before it writes.
stop_when() {
  while :; do
    kill -0 "$pid" 2>/dev/null || return 1
    if eval "$1"; then
      kill -STOP "$pid"
      eval "$1" && return 0
      kill -CONT "$pid"
    fi
    sleep 0.005
  done
  return 1
}
originals_back() {  # every file byte for byte as it was first
  for f in "$work/orig"/*; do cmp -s "$f" "$t/$(basename "$f")" || return 1; done
}

# 40 files, each line a hit.
for i in $(seq -w 1 40); do
  yes "foo line $i" | head -n 3000 >"$t/f$i.txt"
  cp "$t/f$i.txt" "$work/orig/"
done

# An interrupt after some files were written: the report names each file written so far
# (flushed line by line), no temporary file is left, the exit is by the signal. A run that
# ended before it could be stopped is tried again from the start.
for try in $(seq 1 40); do
  replace --yes --backup-dir bk foo foo2 t
  stop_when '[ "$(grep -c "^W" "$work/out")" -ge 6 ]' && break
  wait "$pid"
  [ "$try" = 40 ] && say "every run ended before the interrupt"
  rm -rf "$work/bk"
  cp "$work/orig"/* "$t/"
done
kill -INT "$pid"
kill -CONT "$pid"
wait "$pid"
rc=$?
[ "$rc" = 130 ] || say "interrupted run: exit $rc"
written="$(grep -c "^W" "$work/out")"
[ "$written" -ge 6 ] && [ "$written" -lt 40 ] || say "interrupted run reported $written files"
[ "$(temps)" = 0 ] || say "interrupt left a temporary file"
[ -z "$(ls -A "$work/tmp")" ] || say "interrupt left the private temp folder"
run1="$(ls "$work/bk")"

# The same command again: its own run folder; the first run's backups stay the originals.
replace --yes --backup-dir bk foo foo2 t
wait "$pid"
rc=$?
[ "$rc" = 0 ] || say "second run: exit $rc"
[ "$(grep -c "^W" "$work/out")" = 40 ] || say "second run did not write every file"
for f in "$work"/bk/"$run1"/files"$t"/*; do
  cmp -s "$f" "$work/orig/$(basename "$f")" || say "first run's backup $(basename "$f") replaced"
done
[ "$(ls "$work/bk" | wc -l)" = 2 ] || say "not two run folders: $(ls "$work/bk")"
[ "$(stat -c %a "$work/bk/$run1")" = 700 ] || say "run folder is not private"

# --list names both runs; restore puts back the newest run, then the first: the originals.
restore --list
[ "$rc" = 0 ] && [ "$(printf '%s\n' "$out" | wc -l)" = 2 ] || say "list: $rc $out"
[ "$(printf '%s\n' "$out" | head -1 | cut -f1)" = "$run1" ] || say "list order: $out"
restore
[ "$rc" = 0 ] && [ "$(printf '%s\n' "$out" | grep -c "^R$T")" = 40 ] || say "restore newest: $rc"
restore "$run1"
[ "$rc" = 0 ] || say "restore first run: exit $rc"
originals_back || say "restore did not bring back the originals"
restore "$run1"
[ "$rc" = 1 ] || say "a second restore of the same run: exit $rc"

# A file changed after the run is left unless --force; a backup that no longer holds the
# original is never put back.
replace --yes --backup-dir bk foo bar t
wait "$pid"
echo edited >"$t/f01.txt"
printf 'tampered\n' >"$(ls -d "$work"/bk/*/ | tail -1)files$t/f02.txt"
restore
[ "$rc" = 3 ] || say "restore over a changed file: exit $rc"
case "$out" in *"S$T$t/f01.txt${T}changed"*) ;; *) say "changed file not named: $out" ;; esac
case "$out" in *"S$T$t/f02.txt${T}bad-backup"*) ;; *) say "bad backup not named: $out" ;; esac
grep -q "^edited$" "$t/f01.txt" || say "restore wrote over a changed file"
grep -q "^bar line 02" "$t/f02.txt" || say "restore put back a tampered backup"
restore --force
grep -q "^foo line 01" "$t/f01.txt" || say "--force did not put back the changed file"
cp "$work/orig/f02.txt" "$t/f02.txt"

# A kill (no clean-up possible) in the middle of a write: the next command removes the
# temporary file and the private temp folder the manifest names.
# A large last file keeps the run writing long enough to be caught at it.
yes "foo big" | head -c 16000000 >"$t/zz_big.txt"
cp "$t/zz_big.txt" "$work/orig/"
killed=0
for _ in $(seq 1 20); do
  replace --yes --backup-dir bk foo kil t
  if stop_when '[ "$(temps)" != 0 ]'; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null
    killed=1
    break
  fi
  wait "$pid"
done
[ "$killed" = 1 ] || say "no run was seen writing"
[ "$(temps)" != 0 ] || say "the kill left no temporary file (nothing to clean)"
restore --list
[ "$(temps)" = 0 ] || say "a killed run's temporary file was not cleaned up"
[ -z "$(ls -A "$work/tmp")" ] || say "a killed run's private temp folder was not cleaned up"
case "$(printf '%s\n' "$out" | tail -1)" in *"${T}interrupted") ;; *) say "killed run: $out" ;; esac
restore
originals_back || say "restore after a kill did not bring back the originals"

# A closed report pipe: every file is still written, the loss is said and the exit is 3.
# The pipe's reading end is closed before the run starts (a fifo opened both ways, then
# its reading side closed), so every report line meets a closed pipe.
mkfifo "$work/fifo"
exec 3<>"$work/fifo" 4>"$work/fifo" 3<&-
(cd "$work" && TMPDIR="$work/tmp" "$cli" replace --yes --backup-dir bk foo pip t >&4 2>"$work/err")
rc=$?
exec 4>&-
[ "$(grep -l '^pip line' "$t"/*.txt | wc -l)" = 40 ] || say "closed pipe stopped the run"
[ "$rc" = 3 ] || say "closed pipe: exit $rc"
grep -q "report could not be written" "$work/err" || say "closed pipe not said: $(cat "$work/err")"

# Every writer's temporary file goes on an interrupt: a join writing a large file.
mkdir "$work/j"
yes 'a line of a large file to join' | head -c 30000000 >"$work/j/big.txt"
seen=0
for _ in $(seq 1 20); do
  (cd "$work/j" && exec env --default-signal=INT "$cli" join --out out.txt big.txt big.txt \
    >/dev/null 2>&1) &
  pid=$!
  if stop_when '[ -n "$(find "$work/j" -name ".skarvo-*")" ]'; then
    seen=1
    kill -INT "$pid"
    kill -CONT "$pid"
    wait "$pid"
    break
  fi
  wait "$pid"
  rm -f "$work/j/out.txt"
done
[ "$seen" = 1 ] || say "no join was seen writing"
[ -z "$(find "$work/j" -name ".skarvo-*")" ] || say "an interrupted join left its temporary file"

# A name holding a line break, a tab or a backslash stays on one escaped report line.
mkdir "$work/n"
printf 'foo\n' >"$work/n/a"$'\n'"b\\c"$'\t'"d.txt"
out="$(cd "$work" && TMPDIR="$work/tmp" "$cli" replace --yes --backup-dir bk foo x n)"
[ "$out" = "W${T}n/a\\nb\\\\c\\td.txt" ] || say "escaped name: $out"

# The backups are never searched: a second run in the folder holding the default ./Temp
# (and an earlier run folder of another backup folder) leaves every backup as it was.
mkdir "$work/w"
printf 'foo 1\r\n' >"$work/w/a.txt"
in_w() { (cd "$work/w" && TMPDIR="$work/tmp" "$cli" "$@" 2>/dev/null); }
in_w replace --yes --backup-dir bk2 foo fooX . >/dev/null
in_w replace --yes foo fooY . >/dev/null
out="$(in_w replace --yes foo fooZ .)"
[ "$out" = "W${T}./a.txt" ] || say "a run wrote into the backups: $out"
[ "$(cat "$work"/w/bk2/*/files"$work"/w/a.txt)" = $'foo 1\r' ] || say "other run folder's backup rewritten"
grep -rlq "^fooZ" "$work/w/Temp" && say "a backup under ./Temp was rewritten"
in_w restore --force "$(ls "$work/w/Temp" | head -1)" >/dev/null
[ "$(cat "$work/w/a.txt")" = $'fooX 1\r' ] || say "restore did not bring back run 1's original"

# Restore never writes through a link that took a file's place after the run; a file that
# was reached through a link at the run is put back at the link's target.
mkdir "$work/l"
printf 'foo\n' >"$work/l/b.txt"
printf 'foo\n' >"$work/target.txt"
ln -s ../target.txt "$work/l/c.txt"
printf 'victim\n' >"$work/victim.txt"
(cd "$work" && TMPDIR="$work/tmp" "$cli" replace --yes --backup-dir bk3 foo BAR l >/dev/null)
rm "$work/l/b.txt"
ln -s ../victim.txt "$work/l/b.txt"
out="$(cd "$work" && TMPDIR="$work/tmp" "$cli" restore --force --backup-dir bk3 2>/dev/null)"
[ "$(cat "$work/victim.txt")" = victim ] || say "restore wrote through a new link"
case "$out" in *"/l/b.txt${T}changed"*) ;; *) say "new link not told changed: $out" ;; esac
[ "$(cat "$work/target.txt")" = foo ] || say "linked file at the run not put back: $out"
[ -L "$work/l/c.txt" ] || say "the link of the run is no longer a link"

# A damaged manifest names the run and the first line that cannot be read; the run is
# listed as damaged and nothing is put back from what cannot be read.
mkdir "$work/d"
printf 'foo 1\nfoo 2\n' >"$work/d/a.txt"
(cd "$work" && TMPDIR="$work/tmp" "$cli" replace --yes --backup-dir dm foo bar d >/dev/null)
drun="$(ls "$work/dm")"
cp "$work/dm/$drun/manifest" "$work/manifest.whole"
while IFS='|' read -r what damage line; do
  (cd "$work" && eval "$damage") <"$work/manifest.whole" >"$work/dm/$drun/manifest"
  out="$(cd "$work" && "$cli" restore --backup-dir dm --list 2>&1)"
  case "$out" in "$drun$T"*"${T}damaged") ;; *) say "$what: listed as $out" ;; esac
  out="$(cd "$work" && "$cli" restore --backup-dir dm "$drun" 2>&1)"
  rc=$?
  [ "$rc" = 2 ] || say "$what: exit $rc"
  case "$out" in *"run $drun: its manifest is damaged (line $line"*) ;;
    *) say "$what: $out" ;; esac
  grep -q '^bar 1' "$work/d/a.txt" || say "$what: a file was put back"
done <<'ROWS'
cut to 200 bytes|head -c 200|5
digests spoiled|sed 's/\t[0-9a-f]\{64\}/\tzz/g'|5
cut to 20 bytes|head -c 20|1
emptied|true|1
first line removed|tail -n +2|1
ROWS

# A write begun (a temp line) but never recorded done may have been cut short in place: it
# is put back from its checked backup without --force, and said; once recorded done, a
# file holding neither content was changed by someone else and is left.
printf 'foo 1\nfoo 2\n' >"$work/a.orig"
while IFS='|' read -r what keep want reason; do
  grep -v "$keep" "$work/manifest.whole" >"$work/dm/$drun/manifest"
  printf 'bar 1\r\nfoo 2\n' >"$work/d/a.txt"
  out="$(cd "$work" && "$cli" restore --backup-dir dm "$drun" 2>&1)"
  rc=$?
  [ "$rc" = "$want" ] || say "$what: exit $rc: $out"
  case "$out" in *"$reason"*) ;; *) say "$what: $out" ;; esac
  [ "$want" != 0 ] || cmp -s "$work/a.orig" "$work/d/a.txt" || say "$what: not put back"
done <<'ROWS'
no written line|^written|0|cut short
written line|^nothing|3|changed
ROWS

exit "$fail"
