#!/usr/bin/env bash
# skarvo-cli's help: the tool's and each command's on stdout with exit 0, usage errors on
# stderr with exit 2, help asked for only by a command's first argument, and the manual page
# and the bash completion naming every command and option that the help names.
set -u
cli=$(readlink -f "$1")
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
man="$root/data/man/skarvo-cli.1.in"
completion="$root/data/completion/skarvo-cli"
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
has() {  # has NAME TEXT LINE: TEXT holds LINE as a whole line
  grep -qxF -- "$3" <<<"$2" || { echo "FAIL: $1: no line \"$3\""; fail=1; }
}
run() {  # run ARG...: sets out, err and rc
  "$cli" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
  rc=$?
  out=$(cat "$tmp/out")
  err=$(cat "$tmp/err")
}
# What bash completion offers for the last of the given words.
offers() {
  bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" || exit 2
    shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _skarvo_cli skarvo-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sort
}
# The lines of the manual page's section about one command.
man_section() { sed -n "/^\.SS $1\$/,/^\.S[SH] /p" "$man"; }

version=$(sed -n 's/^project(Skarvo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
run --version
check "--version" "0 skarvo-cli $version" "$rc $out"

for flag in --help -h; do
  run "$flag"
  check "$flag: exit code and stderr" "0 " "$rc $err"
  check "$flag: first line" "usage: skarvo-cli COMMAND [OPTION...] [ARGUMENT...]" "${out%%$'\n'*}"
  has "$flag" "$out" "  3  a write command skipped some files or failed to write them"
  has "$flag" "$out" "Example:"
done
tool_help=$out
listed=$(sed -n '/^Commands:$/,/^$/p' <<<"$tool_help" | awk 'NF > 1 {print $1}')
for c in cells doctext grep gsub join match replace restore search split; do
  grep -qxF "$c" <<<"$listed" || { echo "FAIL: --help does not list $c"; fail=1; }
done
all_commands=$(offers skarvo-cli '')

for c in $listed; do
  for flag in --help -h; do
    run "$c" "$flag"
    check "$c $flag: exit code and stderr" "0 " "$rc $err"
    first=${out%%$'\n'*}
    check "$c $flag: usage line" "usage: skarvo-cli $c " "${first:0:$((19 + ${#c}))}"
    has "$c $flag" "$out" "       skarvo-cli $c --help"
    grep -q '^Exit status:' <<<"$out" || { echo "FAIL: $c $flag: no exit status"; fail=1; }
    has "$c $flag" "$out" "Example:"
  done
  grep -qxF "$c" <<<"$all_commands" || { echo "FAIL: completion does not offer $c"; fail=1; }
  section=$(man_section "$c")
  [ -n "$section" ] || { echo "FAIL: the manual page has no section for $c"; fail=1; }
  offered=$(offers skarvo-cli "$c" --)
  # Every option of the usage line is explained, in the manual page and completed.
  for option in $(grep -o -- '--[a-z-]*' <<<"${first#usage: skarvo-cli $c }" | sort -u); do
    grep -qE -- "^  $option( |\$)" <<<"$out" || { echo "FAIL: $c --help: $option unexplained"; fail=1; }
    grep -qF -- "${option//-/\\-}" <<<"$section" || { echo "FAIL: man page, $c: no $option"; fail=1; }
    grep -qxF -- "$option" <<<"$offered" || { echo "FAIL: completion, $c: no $option"; fail=1; }
  done
done
check "completion: a command's help only as its first argument" "--help
--lf" "$(offers skarvo-cli match --h; offers skarvo-cli match --fuzzy --l)"
check "completion: split modes" "1 2 3" "$(offers skarvo-cli split --mode '' | xargs)"

# The manual pages format without a warning.
for page in "$root"/data/man/*.1.in; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null)
  check "man page $(basename "$page") formats cleanly" "" "$warnings"
done

# Usage errors go to stderr with exit 2 and nothing on stdout.
run
check "no arguments: exit code and stdout" "2 " "$rc $out"
check "no arguments: the usage" "usage:" "${err%%$'\n'*}"
has "no arguments" "$err" "  skarvo-cli COMMAND --help"
run nosuch
check "unknown command" "2 skarvo-cli: unknown command nosuch" "$rc ${err%%$'\n'*}"
run --nosuch
check "unknown option" "2 skarvo-cli: unknown option --nosuch" "$rc ${err%%$'\n'*}"
run grep
check "grep without operands" "2 skarvo-cli: usage: skarvo-cli grep [--fuzzy] [--count] [--raw] [--threads N] PATTERN FILE..." \
  "$rc $err"

# Only the first argument asks for help: after it, --help and -h are patterns and texts.
check "match -- --help: a pattern" "2 6" "$(printf 'a--helpb\n' | "$cli" match -- --help)"
printf 'x\n' > "$tmp/in.txt"
(cd "$tmp" && "$cli" join --separator -h --out joined.txt in.txt > /dev/null)
check "join --separator -h: a separator" "-h x -h" "$(tr -d '\r' < "$tmp/joined.txt" | xargs)"

exit $fail
