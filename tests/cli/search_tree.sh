#!/usr/bin/env bash
# skarvo-cli search over the fixture tree: the rows of every kind, the flags, the exit
# codes, and that nothing is left behind (no temp folder, no settings file).
set -u
cli="$(realpath "$1")"
data="$(realpath "$2")"
tree="$data/search/tree"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp" "$work/cwd"

check() {  # check NAME EXPECTED-RC EXPECTED-OUTPUT ARGS...
  local name="$1" rc="$2" expected="$3"
  shift 3
  local out got
  out="$(cd "$work/cwd" && TMPDIR="$work/tmp" "$cli" search "$@" 2>"$work/err")"
  got=$?
  if [ "$got" != "$rc" ]; then
    echo "FAIL $name: exit $got, expected $rc; stderr: $(cat "$work/err")"
    fail=1
  fi
  if [ "$out" != "$expected" ]; then
    echo "FAIL $name: output differs"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$out")
    fail=1
  fi
}

T=$'\t'
check "all kinds" 0 "H${T}\"$tree/a.txt\",の検索結果
+${T}【2列目】abc here
+${T}【3列目】日本語の行 abc
H${T}\"$tree/B.TXT\",の検索結果
+${T}【2列目】lower abc
H${T}\"$tree/sub/c.doc\",の検索結果
-${T}【Wordファイル】abc in a document
H${T}\"$tree/sub/d.xls\",の検索結果
-${T}【Excel,Sheet1, A3セル】abc
-${T}【Excel,Sheet2,AA1セル】abc at AA1
-${T}【Excel,Sheet2, A2セル】twolines abc
-${T}【Excel,Sheet2, B2セル】日本語abc
H${T}\"$tree/sub/deep/e.txt\",の検索結果
+${T}【3列目】zabcz" --ext ".txt,.doc,.xls" abc "$tree"

check "plain keeps case, label from the later cell" 0 "H${T}\"$tree/B.TXT\",の検索結果
+${T}【1列目】ABC upper
H${T}\"$tree/sub/c.doc\",の検索結果
-${T}【Wordファイル】last ABC paragraph
H${T}\"$tree/sub/d.xls\",の検索結果
-${T}【Excel,Sheet1, A3セル】ABC" --plain --ext ".txt,.doc,.xls" ABC "$tree"

check "plain ignoring case, no subfolders" 0 "H${T}\"$tree/a.txt\",の検索結果
+${T}【4列目】axb and a.b" --plain --ignore-case --no-subfolders "A.B" "$tree"

check "pattern a.b" 0 "H${T}\"$tree/a.txt\",の検索結果
+${T}【4列目】axb and a.b" "a.b" "$tree"

check "two folders" 0 "H${T}\"$tree/sub/deep/e.txt\",の検索結果
+${T}【3列目】zabcz
H${T}\"$tree/sub/deep/e.txt\",の検索結果
+${T}【3列目】zabcz" zabcz "$tree/sub/deep" "$tree/sub/deep"

check "backslash n removed from a cell" 0 "H${T}\"$tree/sub/d.xls\",の検索結果
-${T}【Excel,Sheet1, A2セル】C:ew" --ext .xls "C:ew" "$tree"

# Upper-case office extensions are still read as office files, and a folder given twice
# lists (and extracts) its files twice.
up="$work/up"
mkdir -p "$up/s"
cp "$tree/sub/d.xls" "$up/D.XLS"
cp "$tree/sub/c.doc" "$up/s/C.DOC"
printf 'x\r\nabc\r\n' >"$up/t.Txt"
up_rows="H${T}\"$up/D.XLS\",の検索結果
-${T}【Excel,Sheet1, A3セル】abc
-${T}【Excel,Sheet2,AA1セル】abc at AA1
-${T}【Excel,Sheet2, A2セル】twolines abc
-${T}【Excel,Sheet2, B2セル】日本語abc
H${T}\"$up/t.Txt\",の検索結果
+${T}【2列目】abc
H${T}\"$up/s/C.DOC\",の検索結果
-${T}【Wordファイル】abc in a document"
check "upper-case extensions, folder given twice" 0 "$up_rows
$up_rows" --ext ".TXT,.xls,.Doc" abc "$up" "$up"
check "upper-case extensions, plain" 0 "$up_rows" --plain --ext ".txt,.xls,.doc" abc "$up"

# --raw: pattern and rows in CP932 bytes.
raw_out="$(cd "$work/cwd" && TMPDIR="$work/tmp" "$cli" search --raw --ext .xls \
  "$(printf '日本語' | iconv -f UTF-8 -t CP932)" "$tree" | iconv -f CP932 -t UTF-8)"
if [ "$raw_out" != "H${T}\"$tree/sub/d.xls\",の検索結果
-${T}【Excel,Sheet2, B2セル】日本語abc" ]; then
  echo "FAIL raw: $raw_out"
  fail=1
fi

check "no hit" 1 "" --ext ".txt,.xls" "no such text" "$tree"
grep -q '"no such text"は見つかりませんでした。' "$work/err" || { echo "FAIL no hit message"; fail=1; }
check "no target" 1 "" --ext ".none" abc "$tree"
check "bad pattern" 2 "" "(abc" "$tree"
check "usage" 2 "" abc
check "empty pattern" 2 "" "" "$tree"
check "missing folder" 2 "" abc "$tree/missing"
check "unknown option" 2 "" --what abc "$tree"

# Several workers print what one prints, byte for byte, with the same messages and exit
# code: over the fixtures, and over a generated tree with a spreadsheet that fails midway.
gen="$work/gen"
mkdir -p "$gen/a" "$gen/b/c"
for i in $(seq 1 60); do
  printf 'line %d abc\r\nno\0hit\rabc %d\n' "$i" "$i" >"$gen/$(printf 'a b/c' | cut -d' ' -f$((i % 2 + 1)))/f$i.txt"
done
seq 1 20000 | sed 's/$/ abc/' >"$gen/b/big.txt"
cp "$tree/sub/d.xls" "$gen/a/d.xls"
cp "$tree/sub/c.doc" "$gen/b/c/c.doc"
head -c 3000 "$tree/sub/d.xls" >"$gen/b/c/z-broken.xls"
# A copy of the fixtures: other tests may make files among them meanwhile.
cp -r "$data" "$work/data"
for args in "abc $work/data" "--plain --ignore-case E $work/data" "[a-z]+ $gen" "--plain abc $gen" \
  "zzz $gen"; do
  for n in 1 2 3 8; do
    # shellcheck disable=SC2086
    (cd "$work/cwd" && TMPDIR="$work/tmp" "$cli" search --threads "$n" --ext ".txt,.doc,.xls,.csv" \
      $args >"$work/out$n" 2>"$work/err$n")
    echo $? >>"$work/out$n"
  done
  for n in 2 3 8; do
    if ! cmp -s "$work/out1" "$work/out$n" || ! cmp -s "$work/err1" "$work/err$n"; then
      echo "FAIL --threads $n differs from one ($args)"
      diff "$work/out1" "$work/out$n" | head -5
      diff "$work/err1" "$work/err$n" | head -5
      fail=1
    fi
  done
done
grep -q '新規検索エラー' "$work/err1" || grep -q 'z-broken' "$work/err1" ||
  { echo "FAIL: the broken spreadsheet did not fail: $(cat "$work/err1")"; fail=1; }
check "threads 0" 2 "" --threads 0 abc "$tree"
check "threads missing" 2 "" abc "$tree" --threads

if [ -n "$(ls -A "$work/tmp")" ] || [ -n "$(ls -A "$work/cwd")" ]; then
  echo "FAIL: files left behind: $(ls -A "$work/tmp" "$work/cwd")"
  fail=1
fi
exit $fail
