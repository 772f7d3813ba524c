#!/usr/bin/env bash
# skarvo-cli cells: every cell of LibreOffice- and SheetJS-made workbooks, in UTF-8 and
# with --raw in CP932; damaged copies end with a message or cells, never a crash or hang.
set -u
cli="$1"
data="$2"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20
    fail=1
  fi
}
tab=$'\t'

out="$("$cli" cells "$data/readers/xls_libreoffice.xls")"
check "exit code of a workbook with cells" 0 "$?"
check "first sheet" "1${tab}0${tab}0${tab}abc
1${tab}0${tab}1${tab}日本語テキスト
1${tab}0${tab}2${tab}1
1${tab}0${tab}3${tab}-5
1${tab}1${tab}0${tab}0.5
1${tab}1${tab}1${tab}123.45
1${tab}1${tab}2${tab}0.333333333333333
1${tab}1${tab}3${tab}1E020
1${tab}2${tab}0${tab}1E-005
1${tab}2${tab}1${tab}0.0001
1${tab}2${tab}2${tab}123456789012345
1${tab}2${tab}3${tab}12345
1${tab}3${tab}0${tab}-4
1${tab}3${tab}1${tab}abcd
1${tab}3${tab}2${tab}TRUE
1${tab}3${tab}3${tab}FALSE
1${tab}3${tab}4${tab}#DIV/0!
1${tab}3${tab}5${tab}計abc
1${tab}4${tab}0${tab}Mixed 日本 text
1${tab}4${tab}3${tab}ｶﾀｶﾅ～－￥" "$(printf '%s\n' "$out" | head -20)"
check "second sheet: 60 cells" 60 "$(printf '%s\n' "$out" | grep -c "^2${tab}")"
check "a split shared string arrives whole" \
  "2${tab}1${tab}0${tab}行2 $(for _ in $(seq 40); do printf 'あいうえおかきくけこ'; done)" \
  "$(printf '%s\n' "$out" | sed -n 23p)"

raw="$("$cli" cells --raw "$data/readers/xls_libreoffice.xls" | sed -n 2p | od -An -tx1 | tr -d ' \n')"
# 1 TAB 0 TAB 1 TAB 日本語テキスト in CP932, then LF
check "--raw gives CP932 bytes" "31093009310993fa967b8cea8365834c835883670a" "$raw"

out="$("$cli" cells "$data/readers/xls_sheetjs_biff2.xls")"
check "BIFF2 bare record file" "1${tab}0${tab}0${tab}abc" "$(printf '%s\n' "$out" | head -1)"
check "BIFF2 cell count" 9 "$(printf '%s\n' "$out" | wc -l)"

# Boolean and error constants as the sheet shows them; line ends, TAB and backslash escaped
# (the second byte of ソ is a backslash and stays as it is).
out="$("$cli" cells "$data/readers/xls_sheetjs_boolerr.xls")"
check "constants and escaped texts" "1${tab}0${tab}0${tab}flags
1${tab}0${tab}1${tab}TRUE
1${tab}0${tab}2${tab}FALSE
1${tab}1${tab}0${tab}errors
1${tab}1${tab}1${tab}#DIV/0!
1${tab}1${tab}2${tab}#N/A
1${tab}2${tab}0${tab}two\\nlines
1${tab}2${tab}1${tab}a\\tb\\r\\nc
1${tab}2${tab}2${tab}C:\\\\ソ\\\\" "$out"
raw="$("$cli" cells --raw "$data/readers/xls_sheetjs_boolerr.xls" | tail -1 | od -An -tx1 | tr -d ' \n')"
# 1 TAB 2 TAB 2 TAB C : \\ ソ(83 5C) \\ LF
check "--raw escapes a backslash, not a second byte" "310932093209433a5c5c835c5c5c0a" "$raw"
check "the help says how texts are escaped" 1 \
  "$("$cli" cells --help | tr '\n' ' ' | grep -c 'backslash, CR, LF and TAB are written')"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
printf 'not a workbook' >"$scratch/none.xls"
"$cli" cells "$scratch/none.xls" >/dev/null 2>&1
check "no cells: exit code 1" 1 "$?"

err="$("$cli" cells "$data/readers/no_such.xls" 2>&1 >/dev/null)"
check "missing file: exit code 2" 2 "$?"
check "missing file: the message" "skarvo-cli: ﾌｧｲﾙを開くことに失敗しました" "$err"

# Damaged copies: cut at many lengths and with bytes overwritten. Every run must end
# within its time limit with exit code 0, 1 or 2 (not a signal).
src="$data/readers/xls_libreoffice.xls"
size=$(stat -c %s "$src")
for cut in $(seq 0 1531 "$size"); do
  head -c "$cut" "$src" >"$scratch/cut.xls"
  timeout 10 "$cli" cells "$scratch/cut.xls" >/dev/null 2>&1
  rc=$?
  if [ "$rc" -gt 2 ]; then echo "FAIL: cut at $cut: exit code $rc"; fail=1; fi
done
for seed in $(seq 1 20); do
  cp "$src" "$scratch/flip.xls"
  for k in 1 2 3 4 5 6; do
    off=$(((seed * 7919 + k * 104729) % size))
    printf "\\x$(printf %02x $(((seed * 31 + k * 17) % 256)))" |
      dd of="$scratch/flip.xls" bs=1 seek="$off" conv=notrunc status=none
  done
  timeout 10 "$cli" cells "$scratch/flip.xls" >/dev/null 2>&1
  rc=$?
  if [ "$rc" -gt 2 ]; then echo "FAIL: damaged copy $seed: exit code $rc"; fail=1; fi
done

if [ "$fail" = 0 ]; then echo "cells: all checks passed"; fi
exit "$fail"
