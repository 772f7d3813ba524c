#!/usr/bin/env bash
# skarvo-cli doctext: paragraphs of a LibreOffice-made .doc in UTF-8 and raw CP932, the
# error of a missing file, and damaged copies that must end cleanly.
# Usage: bash doctext.sh <skarvo-cli> <tests/data>
set -u
cli="$1"
data="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail=0
check() {  # check WHAT COMMAND...
  local what="$1"
  shift
  if ! "$@"; then
    echo "FAIL: $what" >&2
    fail=1
  fi
}

doc="$data/readers/doc_paragraphs.doc"
cat >"$work/expected" <<'TEXT'
検索対象の文書です。
Hello, world: plain ASCII text.
全角ＡＢＣと半角ｶﾀｶﾅ、記号～－￥

Mixed 日本語 and English 123.
最後の段落
TEXT

"$cli" doctext "$doc" >"$work/out"
check "exit code 0 for text" test $? -eq 0
check "UTF-8 paragraphs" cmp -s "$work/out" "$work/expected"

"$cli" doctext --raw "$doc" >"$work/raw"
# The third paragraph's "～" is 81 60 in CP932.
check "raw output is CP932" grep -q $'\x81\x60' "$work/raw"
check "raw output converts back" cmp -s <(iconv -f CP932 -t UTF-8 "$work/raw") "$work/expected"

# Hand-built documents of the older kinds.
check "8-bit document" test "$("$cli" doctext "$data/readers/doc_8bit.doc" | sed -n 2p)" = "あいうえおの本文"
check "text at 0x400" test "$("$cli" doctext "$data/readers/doc_fixed400.doc" | sed -n 3p)" = "三行目"
check "Word 6 text" test "$("$cli" doctext "$data/readers/doc_word6.doc" | sed -n 2p)" = "メモ：ソース表示"
check "Word 95 text" test "$("$cli" doctext "$data/readers/doc_word95.doc" | sed -n 4p)" = "最後の行"

"$cli" doctext "$work/missing.doc" >/dev/null 2>"$work/err"
check "exit code 2 for a missing file" test $? -eq 2
check "message for a missing file" grep -q "ﾌｧｲﾙを開くことに失敗しました" "$work/err"

: >"$work/empty.doc"
"$cli" doctext "$work/empty.doc" >/dev/null 2>&1
check "exit code 1 for no text" test $? -eq 1

# Damaged copies: cut at many lengths, and bytes overwritten through the file.
size=$(stat -c %s "$doc")
for cut in 0 7 8 100 511 512 513 1024 1536 2048 4096 6000 $((size - 1)); do
  head -c "$cut" "$doc" >"$work/cut.doc"
  timeout 10 "$cli" doctext "$work/cut.doc" >/dev/null 2>&1
  rc=$?
  check "cut at $cut ends cleanly (rc $rc)" test $rc -le 2
done
for at in 30 48 76 512 1024 1536 2048 2560 3072 4096 5120 6144 8192; do
  cp "$doc" "$work/bad.doc"
  printf '\xff\xff\xff\x7f\xfe\xff\xff\xff' |
    dd of="$work/bad.doc" bs=1 seek="$at" conv=notrunc status=none
  timeout 10 "$cli" doctext "$work/bad.doc" >/dev/null 2>&1
  rc=$?
  check "bytes overwritten at $at end cleanly (rc $rc)" test $rc -le 2
done

exit $fail
