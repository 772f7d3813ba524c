#!/usr/bin/env bash
# The real window under a private X server, driven from the keyboard as a user would: type a
# folder and a word, see the rows, see rows painted while a long search runs, stop it with
# Esc, quit with Ctrl+Q during another, and find both histories in Skarvo.ini. The window reports what it shows through SKARVO_EVENT_LOG
# (X cannot read a widget's text); every wait polls that log with a deadline.
# Usage: window.sh <skarvo binary>
set -u
# A deadline of its own, under CTest's, so the clean-up below always runs (on TERM).
if [ -z "${SKARVO_E2E_DEADLINE:-}" ]; then
  exec timeout -s TERM 80 env SKARVO_E2E_DEADLINE=80 bash "$0" "$@"
fi
app="$(realpath "$1")"
for tool in Xvfb xdotool iconv python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/packages.sh)"; exit 1; }
done
# Leaks of system libraries are not ours to report when a sanitizer build runs this.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
log="$work/events.log"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ -n "${SKARVO_E2E_KEEP:-}" ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 2' INT TERM HUP

# Says what failed (on stderr: it may run inside a $(...), whose caller then exits too).
fail() {
  {
    echo "FAIL: $*"
    echo "--- event log:"
    tail -n 40 "$log" 2>/dev/null
    echo "--- program output:"
    tail -n 20 "$work/app.out" 2>/dev/null
  } >&2
  exit 1
}

# The whole log lines after the first $1, i.e. those written since a mark was taken (the
# program may be half-way through writing the last one).
since() {
  local whole
  whole="$(wc -l <"$log")"
  ((whole > $1)) && sed -n "$(($1 + 1)),${whole}p" "$log"
}
mark() { wc -l <"$log"; }
# wait_for <mark> <extended regex> [seconds]: polls the log until a line after the mark
# matches; prints that line.
wait_for() {
  local from="$1" pattern="$2" seconds="${3:-30}" line
  local deadline=$((SECONDS + seconds))
  while ((SECONDS < deadline)); do
    line="$(since "$from" | grep -E -m1 -- "$pattern")" && {
      echo "$line"
      return 0
    }
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended while waiting for /$pattern/"
    sleep 0.05
  done
  fail "no /$pattern/ within ${seconds}s"
}
key() { timeout 10 xdotool key --delay 30 "$@" || fail "xdotool key $*"; }
type_text() { timeout 20 xdotool type --delay 30 -- "$1" || fail "xdotool type $1"; }

# --- data: a small tree with known hits, a large one a search needs seconds for
# The word is ASCII: xdotool types other characters by remapping a key for each, which races
# with the program's reading of the new keymap and now and then loses one.
word="needle"
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
mkdir -p "$work/home" "$work/user" "$work/run" "$work/small/sub" "$work/large"
chmod 700 "$work/run"
{ sjis "一行目"; printf '\r\n'; sjis "$word です"; printf '\r\n'; sjis "また$word"; printf '\r\n'; } \
  >"$work/small/a.txt"
{ sjis "$word"; printf '\r\n'; } >"$work/small/b.txt"
printf 'nothing here\r\n' >"$work/small/c.txt"
{ printf 'x\r\n'; sjis "x$word"; printf '\r\n'; } >"$work/small/sub/d.txt"
# The result list at font size 20, where glyph advances are no whole pixels: the hits'
# highlight must still sit on their own characters (checked on a screenshot below).
printf '[表示]\r\nTAB１フォントサイズ=20\r\n' | iconv -f UTF-8 -t CP932 >"$work/home/Skarvo.ini"
# Four targets; a.txt (2 hits), b.txt (1) and sub/d.txt (1) give 3 headers + 4 hit rows.
small_targets=4 small_files=3 small_rows=7
# The large tree: one 400 kB file with a hit every 400 lines, hard-linked under 10000 names
# (4 GB to search, nothing more on disk): seconds of work however fast the machine is.
large_files=10000
WORD_SJIS="$(sjis "$word")" python3 - "$work/large" "$large_files" <<'PY' || fail "no large tree"
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
hit = os.environb[b"WORD_SJIS"]
lines = [b"line %d of a long file, filler filler filler%s\r\n" % (i, hit if i % 400 == 0 else b"")
         for i in range(1, 8001)]
first = os.path.join(folder, "f00000.txt")
with open(first, "wb") as f:
    f.writelines(lines)
for i in range(1, count):
    os.link(first, os.path.join(folder, "f%05d.txt" % i))
PY

# --- a private X server on a free display (Xvfb picks it and says which)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.out" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 1 400); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.out"; exit 1; }
  sleep 0.05
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb gave no display"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# --- the program, with its home as current folder and private user folders
: >"$log"
(
  cd "$work/home" &&
    exec env HOME="$work/user" XDG_CONFIG_HOME="$work/user/.config" \
      XDG_DATA_HOME="$work/user/.local/share" XDG_CACHE_HOME="$work/user/.cache" \
      XDG_RUNTIME_DIR="$work/run" SKARVO_EVENT_LOG="$log" \
      LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" "$app"
) >"$work/app.out" 2>&1 &
app_pid=$!
wid="$(timeout 20 xdotool search --sync --onlyvisible --pid "$app_pid" --name 'Skarvo' | head -n1)"
[ -n "$wid" ] || fail "no main window within 20 s"
timeout 10 xdotool windowfocus --sync "$wid" || fail "cannot focus the main window"

# --- the folder box is one Tab after the search box, which has the focus at start
m="$(mark)"
key Tab
type_text "$work/small"
key Return
wait_for "$m" "status ${small_targets}個のファイルが対象です\$" >/dev/null

m="$(mark)"
key ctrl+f
type_text "$word"
key Return
end="$(wait_for "$m" ' end ')" || exit 1
[[ "$end" == *" end rows=$small_rows files=$small_files shown=$small_rows" ]] ||
  fail "small search: expected $small_rows rows in $small_files files, got: $end"
since "$m" | grep -q " status 検索終了\$" || fail "small search: no 検索終了"

# --- the highlight as X shows it: each hit row's red match covers the black text of its own
# characters, so no black pixel is left inside the red span (a misplaced highlight leaves the
# characters it missed black beside or under it).
sleep 0.5
import -window "$wid" "$work/shot.png" 2>/dev/null || fail "no screenshot (imagemagick)"
read -r shot_w shot_h < <(identify -format '%w %h\n' "$work/shot.png") || fail "unreadable screenshot"
convert "$work/shot.png" -depth 8 "rgb:$work/shot.rgb" || fail "cannot convert the screenshot"
python3 - "$work/shot.rgb" "$shot_w" "$shot_h" "$((small_rows - small_files))" <<'PY' ||
import sys
path, width, height, hits = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
data = open(path, "rb").read()
def px(x, y):
    i = 3 * (y * width + x)
    return data[i], data[i + 1], data[i + 2]
red = lambda p: p[0] > 150 and p[1] < 110 and p[2] < 110
# Rows of the window below its tool bars that hold red pixels, grouped into bands (one per row).
bands, band = [], None
for y in range(100, height):
    xs = [x for x in range(width) if red(px(x, y))]
    if xs:
        band = band or [y, y, min(xs), max(xs)]
        band[1], band[2], band[3] = y, min(band[2], min(xs)), max(band[3], max(xs))
    elif band:
        bands.append(band)
        band = None
if band:
    bands.append(band)
if len(bands) != hits:
    sys.exit("expected %d highlighted rows, found %d: %s" % (hits, len(bands), bands))
for top, bottom, left, right in bands:
    black = sum(1 for y in range(top, bottom + 1) for x in range(left, right + 1)
                if px(x, y) == (0, 0, 0))
    if black:
        sys.exit("rows %d-%d: %d black pixels inside the highlight %d-%d" % (top, bottom, black, left, right))
PY
  fail "highlight misplaced at font size 20 (screenshot: $work/shot.png)"

# --- a long search: its rows are painted while it runs, and Esc stops it at once
# The list area: below the tool bars, above the tabs and the status bar.
list_area() { # <screenshot> <output rgb>: crops the list area to raw RGB; prints "w h"
  local w h
  read -r w h < <(identify -format '%w %h\n' "$1") || fail "unreadable screenshot $1"
  convert "$1" -crop "$((w - 20))x$((h - 170))+0+110" +repage -depth 8 "rgb:$2" ||
    fail "cannot crop $1"
  echo "$((w - 20)) $((h - 170))"
}
m="$(mark)"
key Tab ctrl+a
type_text "$work/large"
key Return
wait_for "$m" "status ${large_files}個のファイルが対象です\$" >/dev/null
sleep 0.3
import -window "$wid" "$work/before.png" 2>/dev/null || fail "no screenshot before the search"
m="$(mark)"
key ctrl+f Return
wait_for "$m" ' live shown=[1-9]' >/dev/null
read -r area_w area_h < <(list_area "$work/before.png" "$work/before.rgb")
# The rows are painted a moment after the log says they are in the list: a loaded machine
# gets a few shots. Each counts as taken during the run when the run had not ended after it
# and the last status shown before it was the progress.
cat >"$work/painted.py" <<'PY'
import sys
before, during = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
width, height = int(sys.argv[3]), int(sys.argv[4])
if before == during:
    sys.exit("the list area is the same before and during the search")
def px(data, x, y):
    i = 3 * (y * width + x)
    return data[i], data[i + 1], data[i + 2]
# Rows as painted: pixel lines with the header colour across, and pixel lines with dark text.
header_lines = text_lines = 0
for y in range(height):
    line = [px(during, x, y) for x in range(0, width, 2)]
    if sum(1 for p in line if p == (128, 128, 0)) > len(line) // 2:
        header_lines += 1
    elif sum(1 for p in line if max(p) < 80) >= 3:
        text_lines += 1
if header_lines < 5 or text_lines < 20:
    sys.exit("no rows painted during the search: %d header and %d text pixel lines"
             % (header_lines, text_lines))
PY
painted=""
for _ in $(seq 1 20); do
  import -window "$wid" "$work/during.png" 2>/dev/null || fail "no screenshot during the search"
  since "$m" | grep -q ' end ' && fail "the long search ended before rows were painted"
  since "$m" | grep ' status ' | tail -n1 | grep -q '検索中' ||
    fail "the status did not say 検索中 at the screenshot"
  list_area "$work/during.png" "$work/during.rgb" >/dev/null
  painted="$(python3 "$work/painted.py" "$work/before.rgb" "$work/during.rgb" "$area_w" \
    "$area_h" 2>&1)" && break
  sleep 0.1
done
[ -z "$painted" ] ||
  fail "list area during the search: $painted (screenshots: $work/before.png, $work/during.png)"
key Escape
end="$(wait_for "$m" ' end ' 60)" || exit 1
since "$m" | grep -q ' stop-key$' || fail "Esc did not reach the window during the run"
stopped="$(since "$m" | grep -E -m1 ' status 検索を中止しました（[0-9]+ファイル、[0-9]+件）$')" ||
  fail "no stop message"
[[ "$end" =~ end\ rows=([0-9]+)\ files=([0-9]+)\ shown=([0-9]+)$ ]] || fail "bad end line: $end"
rows="${BASH_REMATCH[1]}" files="${BASH_REMATCH[2]}" shown="${BASH_REMATCH[3]}"
[[ "$stopped" == *"検索を中止しました（${files}ファイル、$((rows - files))件）" ]] ||
  fail "stop message $stopped does not count the $rows rows in $files files"
((rows == shown && files >= 1 && files < large_files)) ||
  fail "stopped search: rows=$rows shown=$shown files=$files of $large_files"
# From the key to the end, by the window's own clock.
key_time="$(since "$m" | grep -m1 ' stop-key$' | cut -d' ' -f1)"
end_time="$(cut -d' ' -f1 <<<"$end")"
stop_ms="$(python3 -c "print(round((float('$end_time') - float('$key_time')) * 1000))")"
((stop_ms <= 300)) || fail "Esc took ${stop_ms} ms to end the search (at most 300)"

# --- Ctrl+Q during a long search: the search stops and the program ends by itself with 0
# within 2 s, and Skarvo.ini has both histories
rm -f "$work/home/Skarvo.ini"
m="$(mark)"
key ctrl+f Return
wait_for "$m" ' live shown=[1-9]' >/dev/null
since "$m" | grep -q ' end ' && fail "the search for Ctrl+Q ended before the key"
key ctrl+q
quit_start=$(date +%s%N)
deadline=$((SECONDS + 30))
while kill -0 "$app_pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.02; done
quit_ms=$((($(date +%s%N) - quit_start) / 1000000))
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end within 30 s of Ctrl+Q"
wait "$app_pid"
status=$?
app_pid=""
((status == 0)) || fail "the program ended with $status"
((quit_ms <= 2000)) || fail "the program took ${quit_ms} ms to end after Ctrl+Q (at most 2000)"
since "$m" | grep -q ' close$' || fail "no close event"
since "$m" | grep -qE ' status 検索を中止しました' || fail "Ctrl+Q did not stop the search"
ini="$(iconv -f CP932 -t UTF-8 "$work/home/Skarvo.ini" | tr -d '\r')" || fail "Skarvo.ini missing or not CP932"
grep -qx "検索文字=\"$word\"," <<<"$ini" || fail "search history: $(grep 検索文字 <<<"$ini")"
grep -q "^フォルダ=\"$work/large\",\"$work/small\"," <<<"$ini" ||
  fail "folder history: $(grep フォルダ <<<"$ini")"
echo "PASS: rows $small_rows; rows painted during the run; stopped after $files of $large_files files ($rows rows) in $stop_ms ms; Ctrl+Q ended the run and the program in $quit_ms ms"
