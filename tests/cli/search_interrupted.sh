#!/usr/bin/env bash
# skarvo-cli search: names it leaves out are said on stderr, and an interrupted search
# (SIGINT, SIGTERM) removes its private temp folder before it ends by the signal.
set -u
cli="$(realpath "$1")"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp" "$work/tree" "$work/big"

printf 'abc\n' >"$work/tree/a.txt"
printf 'abc\n' >"$work/tree/"$'bad\xff.txt'
err="$(cd "$work" && TMPDIR="$work/tmp" "$cli" search abc "$work/tree" 2>&1 >/dev/null)"
case "$err" in
  *"1 name(s) without a Shift-JIS form left out"*) ;;
  *) echo "FAIL left-out name not said on stderr: $err"; fail=1 ;;
esac

# A document read as plain text, large enough that its extraction takes a while.
yes 'a line of a large document with abc in it' | head -c 60000000 >"$work/big/big.doc"
for signal in INT TERM; do
  # A background job ignores SIGINT; a command run from a terminal has it.
  (cd "$work" && TMPDIR="$work/tmp" exec env --default-signal=INT "$cli" search --ext .doc abc \
    "$work/big" >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 1 2000); do
    [ -n "$(ls -A "$work/tmp")" ] && break
    sleep 0.01
  done
  # Stopped while its temp folder exists, the search cannot finish before the signal.
  kill -STOP "$pid"
  if [ -z "$(ls -A "$work/tmp")" ]; then echo "FAIL $signal: no temp folder seen"; fail=1; fi
  kill -"$signal" "$pid"
  kill -CONT "$pid"
  wait "$pid"
  rc=$?
  expected=$((128 + $(kill -l "$signal")))
  if [ "$rc" != "$expected" ]; then echo "FAIL $signal: exit $rc, expected $expected"; fail=1; fi
  if [ -n "$(ls -A "$work/tmp")" ]; then
    echo "FAIL $signal: temp folder left behind: $(ls -A "$work/tmp")"
    fail=1
    rm -rf "${work:?}/tmp/"*
  fi
done
exit "$fail"
