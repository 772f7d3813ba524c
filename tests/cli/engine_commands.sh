#!/usr/bin/env bash
# skarvo-cli match, gsub and grep: results, UTF-8 and --raw edges, exit codes, error texts.
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
tab=$'\t'
sjis() { printf "$1" | iconv -f UTF-8 -t CP932; }

# match
out=$(printf 'abbc\nxyz\nabc\r\n' | "$cli" match 'b+')
check "match exit code" 0 "$?"
check "match positions" "2 2
0 0
2 1" "$out"
out=$(printf 'xyz\n' | "$cli" match 'b')
check "match nothing found" 1 "$?"
check "match none is 0 0" "0 0" "$out"
out=$(printf 'アイ\nxイ\n' | "$cli" match 'イ')
check "match counts CP932 bytes" "3 2
2 2" "$out"
check "match: \$ before CR, not before LF by default" "3 1" "$(printf 'abc\r\n' | "$cli" match 'c$')"
check "match --lf" "3 1" "$(printf 'abc\n' | "$cli" match --lf 'c$')"
# Input lines are split at LF only: a CR before it stays in the line.
check "match --lf: c is not at the line end" "0 0" "$(printf 'abc\r\n' | "$cli" match --lf 'c$')"
check "match --lf: the CR is" "3 2" "$(printf 'abc\r\n' | "$cli" match --lf 'c\r$')"
check "match --fuzzy" "2 4" "$(printf 'xＡＢ\n' | "$cli" match --fuzzy ab)"
check "match: the empty line's empty match of a*|^b, as of a*" "1 0" \
  "$(printf '\n' | "$cli" match 'a*|^b')"
check "match --raw: no match inside a character" "0 0" \
  "$(printf '\x83\x41\n' | "$cli" match --raw A)"

# gsub
out=$(printf 'abcb\nxyz\n' | "$cli" gsub b '[&]')
check "gsub exit code" 0 "$?"
check "gsub lines" "2${tab}a[b]c[b]
0${tab}xyz" "$out"
check "gsub empty matches" "2${tab}-a-b" "$(printf 'ab\n' | "$cli" gsub 'x*' -)"
check "gsub escapes" "1${tab}a&c" "$(printf 'abc\n' | "$cli" gsub b '\&')"
check "gsub lone CR" "$(printf '2\ta#\r#')" "$(printf 'a\rb\n' | "$cli" gsub '$|b' '#')"
check "gsub \$ before CR LF" "$(printf '1\tab;\r')" "$(printf 'ab\r\n' | "$cli" gsub '$' ';')"
check "gsub --raw keeps bytes" "$(printf '1\t\x82\xa0!')" \
  "$(printf '\x82\xa0x\n' | "$cli" gsub --raw x '!')"
check "gsub of a Japanese word" "1${tab}置換後です" "$(printf '置換前です\n' | "$cli" gsub 前 後)"
printf 'x\n' | "$cli" gsub b x >/dev/null
check "gsub nothing found" 1 "$?"
err=$(printf 'a\n' | "$cli" gsub a 'b\' 2>&1 >/dev/null)
check "gsub bad replacement exit code" 2 "$(printf 'a\n' | "$cli" gsub a 'b\' >/dev/null 2>&1; echo $?)"
check "gsub bad replacement message" 'skarvo-cli: replacement: "\"の次には文字が必要です。 (position 3)' "$err"

# pattern errors
err=$("$cli" match '(ab' 2>&1 </dev/null)
check "pattern error exit code" 2 "$("$cli" match '(ab' </dev/null >/dev/null 2>&1; echo $?)"
check "pattern error message and position" "skarvo-cli: 右(閉じ)括弧が必要です (position 4)" "$err"
err=$("$cli" grep '[ab' "$tmp/none" 2>&1)
check "grep pattern error" "skarvo-cli: 右ブラケット\"]\"が必要です (position 4)" "$err"
check "unknown option" 2 "$("$cli" match --nope a </dev/null >/dev/null 2>&1; echo $?)"
check "character without CP932 form" 2 "$("$cli" match '😀' </dev/null >/dev/null 2>&1; echo $?)"

# grep
sjis 'ab\r\ncd\ref\n日本語\r\nＡＢ\n' >"$tmp/a.txt"
: >"$tmp/empty.txt"
printf 'no match here\n' >"$tmp/b.txt"
out=$("$cli" grep 'b|f' "$tmp/a.txt")
check "grep exit code" 0 "$?"
check "grep lines" "$tmp/a.txt:1:ab
$tmp/a.txt:3:ef" "$out"
check "grep Japanese, UTF-8 out" "$tmp/a.txt:4:日本語" "$("$cli" grep '本' "$tmp/a.txt")"
check "grep --raw, CP932 out" "$tmp/a.txt:4:$(sjis '日本語')" \
  "$("$cli" grep --raw "$(sjis '本')" "$tmp/a.txt")"
check "grep --fuzzy" "$tmp/a.txt:1:ab
$tmp/a.txt:5:ＡＢ" "$("$cli" grep --fuzzy ab "$tmp/a.txt")"
check "grep ^ and \$ are line ends" "$tmp/a.txt:2:cd" "$("$cli" grep '^cd$' "$tmp/a.txt")"
check "grep --count" "$tmp/a.txt:2
$tmp/empty.txt:0
$tmp/b.txt:0" "$("$cli" grep --count '[bd]' "$tmp/a.txt" "$tmp/empty.txt" "$tmp/b.txt")"
"$cli" grep zzz "$tmp/a.txt" "$tmp/empty.txt" >/dev/null
check "grep nothing found" 1 "$?"
out=$("$cli" grep ab "$tmp/missing.txt" "$tmp/a.txt" 2>"$tmp/err")
check "grep missing file exit code" 2 "$?"
check "grep goes on after a missing file" "$tmp/a.txt:1:ab" "$out"
check "grep names the missing file" 1 "$(grep -c "missing.txt" "$tmp/err")"
# Second bytes that look like a backslash are no backslash.
sjis 'ソ\n表\n\\\n' >"$tmp/s.txt"
check "grep backslash, not inside a character" "$tmp/s.txt:3:\\" "$("$cli" grep '\\' "$tmp/s.txt")"
# A pattern that can step on code 0 ends at the end of the file.
printf 'xa' >"$tmp/c.txt"
check "grep ends at the end of the file" 1 \
  "$(timeout 10 "$cli" grep 'a\n\0*b' "$tmp/c.txt" >/dev/null; echo $?)"

# A file that reports no size (the program's own environment under /proc) is read to its end
# and, for patterns that run across lines and long lines, gives what the same bytes in an
# ordinary file give: the reader keeps what it may read again without holding the file.
vars=()
for k in $(seq 1 12); do
  value=$(python3 -c "
import random, sys
random.seed($k)
parts = ['a', 'b', 'needle', ' ', '\n', '\r\n', '\r', 'x' * 300, 'Z']
sys.stdout.write(''.join(random.choice(parts) for _ in range(2500)))")
  vars+=("V$k=$value")
done
# and one line longer than a block of the reader
vars+=("LONG=$(python3 -c "import sys; sys.stdout.write('ab' * 60000 + 'needle')")")
env -i "${vars[@]}" cat /proc/self/environ >"$tmp/env.txt"
for pattern in 'needle' 'a(.|\n)*Z' 'needle(.|\n)*needle(.|\n)*Z' 'b$' '^x+$' 'Z\nneedle'; do
  want=$("$cli" grep --raw "$pattern" "$tmp/env.txt" | sed "s|^$tmp/env.txt:||" | md5sum)
  got=$(env -i "${vars[@]}" "$cli" grep --raw "$pattern" /proc/self/environ |
    sed 's|^/proc/self/environ:||' | md5sum)
  check "grep of a file without a size: $pattern" "$want" "$got"
done
check "the environment spans several blocks" 1 "$(($(stat -c %s "$tmp/env.txt") > 500000))"

# Several workers print what one prints: lines, counts, errors in between, exit code; a file
# with many lines (printed while it is searched) among small ones.
seq 1 200000 | sed 's/$/ ab/' >"$tmp/many.txt"
files=("$tmp/a.txt" "$tmp/missing.txt" "$tmp/many.txt" "$tmp/empty.txt" "$tmp/b.txt" "$tmp/a.txt")
for flags in "" "--count"; do
  # shellcheck disable=SC2086
  "$cli" grep $flags --threads 1 'b|1' "${files[@]}" >"$tmp/one" 2>"$tmp/one.err"
  one_rc=$?
  for n in 2 3 7; do
    # shellcheck disable=SC2086
    "$cli" grep $flags --threads "$n" 'b|1' "${files[@]}" >"$tmp/several" 2>"$tmp/several.err"
    check "grep $flags --threads $n exit code" "$one_rc" "$?"
    cmp -s "$tmp/one" "$tmp/several" || { echo "FAIL grep $flags --threads $n: stdout differs"; fail=1; }
    cmp -s "$tmp/one.err" "$tmp/several.err" ||
      { echo "FAIL grep $flags --threads $n: stderr differs"; fail=1; }
  done
done
check "grep --threads 0" 2 "$("$cli" grep --threads 0 a "$tmp/a.txt" 2>/dev/null; echo $?)"

exit $fail
