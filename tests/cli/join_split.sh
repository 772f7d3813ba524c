#!/usr/bin/env bash
# skarvo-cli join and split: bytes written, lines printed, exit codes, refusals.
set -u
cli="$1"
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head -20
    fail=1
  fi
}
bytes() { od -An -c "$1" | tr -s ' \n' ' '; }
tab=$'\t'
cd "$tmp" || exit 2

# join: separators before each file and after the last; every line end becomes CR LF.
printf 'a\r\nb\nc\rd' > one.txt
printf '\n\nx\n' > two.txt
out=$("$cli" join --separator '-----' --out joined.txt one.txt two.txt)
check "join exit code" 0 "$?"
check "join prints the output path" "joined.txt" "$out"
check "join bytes" "$(printf -- '-----\r\na\r\nb\r\nc\r\nd\r\n-----\r\n\r\n\r\nx\r\n-----\r\n' > want; bytes want)" \
  "$(bytes joined.txt)"
"$cli" join --out nosep.txt one.txt two.txt > /dev/null
check "join without a separator" "$(printf 'a\r\nb\r\nc\r\nd\r\n\r\n\r\nx\r\n' > want; bytes want)" \
  "$(bytes nosep.txt)"
# A UTF-8 separator arrives in CP932; --raw passes it unchanged.
"$cli" join --separator 'あ' --out jp.txt two.txt > /dev/null
check "join: separator in CP932" "$(printf '\x82\xa0\r\n\r\n\r\nx\r\n\x82\xa0\r\n' > want; bytes want)" \
  "$(bytes jp.txt)"
"$cli" join --raw --separator $'\x82\xa0' --out raw.txt two.txt > /dev/null
check "join --raw" "$(bytes jp.txt)" "$(bytes raw.txt)"
# Refusals: the output is an input, a missing file, a NUL byte; nothing is written.
"$cli" join --out one.txt two.txt one.txt 2> err.txt
check "join refuses its own input" 2 "$?"
check "input untouched" "$(printf 'a\r\nb\nc\rd' > want; bytes want)" "$(bytes one.txt)"
"$cli" join --out gone.txt one.txt missing.txt 2> err.txt
check "join of a missing file" 2 "$?"
check "nothing written" "no" "$([ -e gone.txt ] && echo yes || echo no)"
check "the missing file is named" 1 "$(grep -c '"missing.txt"が読めない' err.txt)"
printf 'a\0b\n' > nul.txt
"$cli" join --out gone.txt nul.txt 2> /dev/null
check "join refuses a NUL byte" 2 "$?"
printf 'x' > sheet.xls
"$cli" join --out gone.txt sheet.xls 2> /dev/null
check "join with only office files writes nothing" 1 "$?"
"$cli" join one.txt 2> /dev/null
check "join without --out" 2 "$?"

# split: the 20-line file with hits on lines 5 and 12, by mode.
seq 1 20 | sed 's/^/L/' > a.txt
mkdir d.txt && cp a.txt d.txt/a.txt
for mode in 1 2 3; do
  rm -f a0.txt a1.txt a2.txt
  out=$("$cli" split --mode "$mode" a.txt 5 12)
  check "split mode $mode exit code" 0 "$?"
  case $mode in
    1) want="a0.txt${tab}1${tab}4${tab}written
a1.txt${tab}5${tab}11${tab}written
a2.txt${tab}12${tab}20${tab}written" ;;
    2) want="a0.txt${tab}1${tab}5${tab}written
a1.txt${tab}5${tab}12${tab}written
a2.txt${tab}12${tab}20${tab}written" ;;
    3) want="a0.txt${tab}1${tab}5${tab}written
a1.txt${tab}6${tab}12${tab}written
a2.txt${tab}13${tab}20${tab}written" ;;
  esac
  check "split mode $mode parts" "$want" "$out"
done
check "split part bytes" "$(printf 'L13\r\nL14\r\nL15\r\nL16\r\nL17\r\nL18\r\nL19\r\nL20\r\n' > want; bytes want)" \
  "$(bytes a2.txt)"
# Default mode 2; the folder named like the extension is left alone.
out=$("$cli" split d.txt/a.txt 5)
check "split in a folder named d.txt" "d.txt/a0.txt${tab}1${tab}5${tab}written
d.txt/a1.txt${tab}5${tab}20${tab}written" "$out"
# An existing part is skipped without --yes and replaced with it.
rm -f a1.txt && printf 'mine' > a0.txt
out=$("$cli" split --mode 1 a.txt 5 2> err.txt)
check "existing part skipped" "a0.txt${tab}1${tab}4${tab}skipped
a1.txt${tab}5${tab}20${tab}written" "$out"
check "existing part kept" "mine" "$(cat a0.txt)"
check "an existing part left: exit 3" 3 "$(rm -f a1.txt; "$cli" split --mode 1 a.txt 5 > /dev/null 2>&1; echo $?)"
"$cli" split --mode 1 --yes a.txt 5 > /dev/null 2> err.txt
check "--yes replaces it" "$(printf 'L1\r\nL2\r\nL3\r\nL4\r\n' > want; bytes want)" "$(bytes a0.txt)"
# ... after its old content is kept under the backup folder, readable by its owner only; a
# later run keeps its own copy beside the first.
kept="Temp/~kept$(pwd -P)/a0.txt"
check "the old part is kept" "mine" "$(cat "$kept")"
check "the kept copy is private" "600 700" "$(stat -c %a "$kept") $(stat -c %a Temp/~kept)"
check "where it is kept is said" 1 "$(grep -c 'a0.txt"の元の内容は' err.txt)"
printf 'mine 2' > a0.txt
"$cli" split --mode 1 --yes --backup-dir bk a.txt 5 > /dev/null 2>&1
"$cli" split --mode 1 --yes --backup-dir bk a.txt 5 > /dev/null 2>&1
check "an earlier copy is never replaced" "mine 2|$(printf 'L1\r\nL2\r\nL3\r\nL4\r\n')" \
  "$(cat "bk/~kept$(pwd -P)/a0.txt")|$(cat "bk/~kept$(pwd -P)/a0.txt.1")"
# A part never goes through a link or onto the split file (by a link or another name of
# it); what is left is named and the exit code is 3.
printf 'A1\nA2\n\nB1\nB2\n' > x.txt
printf 'other\n' > other.txt
for how in "ln -s x.txt" "ln x.txt" "ln -s other.txt" "ln other.txt"; do
  rm -f x0.txt && $how x0.txt
  "$cli" split --mode 1 --yes x.txt 3 > out.txt 2> err.txt
  check "$how: exit 3" 3 "$?"
  check "$how: split file untouched" "$(printf 'A1\nA2\n\nB1\nB2\n' > want; bytes want)" "$(bytes x.txt)"
  check "$how: other file untouched" "other" "$(cat other.txt)"
  check "$how: part skipped" "x0.txt${tab}1${tab}2${tab}skipped" "$(head -1 out.txt)"
  check "$how: named" 1 "$(grep -c '"x0.txt"は' err.txt)"
done
check "a link stays a link" "other.txt" "$(rm -f x0.txt; ln -s other.txt x0.txt; "$cli" split --mode 1 --yes x.txt 3 >/dev/null 2>&1; readlink x0.txt)"
# The join output never goes through a link or onto an input.
ln -s other.txt sym.txt && ln other.txt hard.txt && ln -s one.txt to-one.txt
for out in sym.txt hard.txt to-one.txt; do
  "$cli" join --out "$out" two.txt one.txt > /dev/null 2> err.txt
  check "join --out $out refused" 2 "$?"
done
check "join through links: other untouched" "other" "$(cat other.txt)"
check "join through links: input untouched" "$(printf 'a\r\nb\nc\rd' > want; bytes want)" "$(bytes one.txt)"
# Parts of one line or with an empty first line are listed, not written; nothing: exit 1.
printf 'x\n\ny\nz\n' > e.txt
out=$("$cli" split --mode 1 e.txt 2 4)
check "short parts not written" 1 "$?"
check "short parts listed" "e0.txt${tab}1${tab}1${tab}skipped
e1.txt${tab}2${tab}3${tab}skipped
e2.txt${tab}4${tab}4${tab}skipped" "$out"
printf 'x\ny\n' > noext
out=$("$cli" split --mode 1 noext 2)
check "a name without an extension gets the number at its end" "noext0${tab}1${tab}1${tab}skipped
noext1${tab}2${tab}2${tab}skipped" "$out"
# Errors.
"$cli" split --mode 0 a.txt 5 2> /dev/null
check "mode 0 refused" 2 "$?"
"$cli" split --mode 4 a.txt 5 2> /dev/null
check "mode 4 refused" 2 "$?"
"$cli" split a.txt 21 2> /dev/null
check "a line beyond the end" 2 "$?"
"$cli" split a.txt 12 5 2> /dev/null
check "lines out of order" 2 "$?"
"$cli" split nul.txt 1 2> /dev/null
check "split refuses a NUL byte" 2 "$?"
"$cli" split sheet.xls 1 2> /dev/null
check "split refuses an office file" 2 "$?"
# Options in any place: --raw first, an option last with or without its value.
rm -f a0.txt a1.txt
"$cli" split --raw a.txt 5 > /dev/null
check "split --raw before the file" "yes yes" "$([ -e a0.txt ] && echo yes) $([ -e a1.txt ] && echo yes)"
"$cli" split a.txt 5 --mode 2> err.txt
check "split: --mode last without its value" 2 "$?"
check "split: --mode last is taken for a line" 1 "$(grep -c -- 'not a hit line.*: --mode$' err.txt)"
rm -f last.txt
"$cli" join one.txt --out last.txt > /dev/null
check "join: --out last" "$(printf 'a\r\nb\r\nc\r\nd\r\n' > want; bytes want)" "$(bytes last.txt)"
"$cli" join --out $'\xff.txt' one.txt 2> err.txt
check "join: an output name without a CP932 form" 2 "$?"
check "join says why" 1 "$(grep -c 'has no CP932 form' err.txt)"
check "join wrote nothing" "no" "$([ -e $'\xff.txt' ] && echo yes || echo no)"
exit $fail
