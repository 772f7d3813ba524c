#!/usr/bin/env bash
# skarvo-cli search over zipped office files: .xls and .doc in the extension list bring
# .xlsx and .docx; their rows are labelled as .xls and .doc rows are; damaged, foreign and
# bomb zips are named on stderr after the rows while the files after them are still
# searched, and the exit status is 2. cells and doctext read them too.
set -u
cli="$(realpath "$1")"
data="$2/open_xml"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
T=$'\t'
expect() {  # expect NAME EXPECTED GOT
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")
    fail=1
  fi
}

t="$work/t"
mkdir -p "$t"
for f in bad_bomb.xlsx bad_crc.docx bad_not_zip.docx hand_book.xlsx hand_letter.docx lo_letter.docx; do
  cp "$data/$f" "$t/$f"
done
printf 'abc in text\r\nnone\r\n' >"$t/z.txt"

out="$(cd "$work" && "$cli" search --ext .txt,.doc,.xls '[abc]|表|枠' "$t" 2>"$work/err")"
rc=$?
expect "exit status with refused files" 2 "$rc"
expect "rows of the sound files, the text file after the refused ones included" \
"H${T}\"$t/hand_book.xlsx\",の検索結果
-${T}【Excel,Sheet1, B1セル】漢字 rich
H${T}\"$t/hand_letter.docx\",の検索結果
-${T}【Wordファイル】枠の中
H${T}\"$t/lo_letter.docx\",の検索結果
-${T}【Wordファイル】表の左上
-${T}【Wordファイル】表の右上
-${T}【Wordファイル】abc
-${T}【Wordファイル】表の右下
-${T}【Wordファイル】最後の段落 abc
H${T}\"$t/z.txt\",の検索結果
+${T}【1列目】abc in text" "$out"
expect "the refused files, in order, with their reasons" "skarvo-cli: 新規検索エラー
$t/bad_bomb.xlsx: 展開後のサイズが上限を超えています
$t/bad_crc.docx: ファイルが壊れています
$t/bad_not_zip.docx: Excel、Wordのファイルではありません" "$(cat "$work/err")"

# Without refused files the status is as for any search.
rm "$t"/bad_*
out="$(cd "$work" && "$cli" search --ext .xlsx 'rich' "$t" 2>"$work/err")"
expect "exit status of a sound workbook" 0 "$?"
expect "no message" "" "$(cat "$work/err")"
expect "the workbook's row" "H${T}\"$t/hand_book.xlsx\",の検索結果
-${T}【Excel,Sheet1, B1セル】漢字 rich" "$out"

out="$("$cli" cells "$data/hand_book.xlsx" | head -3)"
expect "cells of a workbook" "1${T}0${T}0${T}共有
1${T}0${T}1${T}漢字 rich
1${T}0${T}2${T}インライン" "$out"
out="$("$cli" doctext "$data/hand_letter.docx")"
expect "lines of a document" "枠の中
本文と続き
コントロールの中
前
後" "$out"
"$cli" cells "$data/bad_crc.docx" >/dev/null 2>"$work/err"
expect "cells of a damaged file" 2 "$?"
expect "its message" "skarvo-cli: ファイルが壊れています" "$(cat "$work/err")"

exit "$fail"
