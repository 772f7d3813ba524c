#!/usr/bin/env bash
# skarvo-cli replace: the preview rows, the overwrite with --yes and its line model, the
# backups byte for byte, files left with their reasons, and the exit codes.
set -u
cli="$(realpath "$1")"
fail=0
work="$(mktemp -d)"
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
mkdir -p "$work/tmp" "$work/cwd" "$work/t/sub"
t="$work/t"
T=$'\t'

expect() {  # expect NAME EXPECTED GOT
  if [ "$2" != "$3" ]; then
    echo "FAIL $1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3")
    fail=1
  fi
}
run() {  # run ARGS... : sets out and rc
  out="$(cd "$work/cwd" && TMPDIR="$work/tmp" "$cli" replace "$@" 2>"$work/err")"
  rc=$?
}
backup_of() {  # backup_of BACKUP-FOLDER FILE: the file's backup in the folder's newest run
  local run
  run="$(ls -d "$1"/*/ | tail -1)"
  printf '%s' "${run%/}/files$(realpath "$2")"
}
same_bytes() {  # same_bytes NAME FILE EXPECTED-PRINTF-FORMAT
  if ! cmp -s "$2" <(printf "$3"); then
    echo "FAIL $1: $(od -c "$2" | head -3)"
    fail=1
  fi
}

printf 'x1 a\nno\nx2 x\n' >"$t/lf.txt"
printf 'x\r\nx' >"$t/sub/crlf.txt"
printf 'none\n' >"$t/none.txt"
cp "$t/lf.txt" "$work/lf.orig"
cp "$t/sub/crlf.txt" "$work/crlf.orig"

# The preview writes nothing; the line number stays though the pattern matches digits.
run '[x1]' '<&>' "$t"
expect "preview exit" 0 "$rc"
expect "preview rows" "H${T}\"$t/lf.txt\",の検索結果
+${T}【1列目】<x><1> a
+${T}【3列目】<x>2 <x>
H${T}\"$t/sub/crlf.txt\",の検索結果
+${T}【1列目】<x>
+${T}【2列目】<x>" "$out"
cmp -s "$t/lf.txt" "$work/lf.orig" || { echo "FAIL preview wrote a file"; fail=1; }
[ -e "$work/cwd/Temp" ] && { echo "FAIL preview made a backup folder"; fail=1; }

# --yes writes with CR LF everywhere and keeps byte-exact backups in a run folder under ./Temp.
run --yes x y "$t"
expect "yes exit" 0 "$rc"
expect "yes lines" "W${T}$t/lf.txt
W${T}$t/sub/crlf.txt" "$out"
same_bytes "lf written" "$t/lf.txt" 'y1 a\r\nno\r\ny2 y\r\n'
same_bytes "crlf written" "$t/sub/crlf.txt" 'y\r\ny\r\n'
cmp -s "$(backup_of "$work/cwd/Temp" "$t/lf.txt")" "$work/lf.orig" || { echo "FAIL lf backup"; fail=1; }
cmp -s "$(backup_of "$work/cwd/Temp" "$t/sub/crlf.txt")" "$work/crlf.orig" || { echo "FAIL crlf backup"; fail=1; }
[ -z "$(ls -A "$work/tmp")" ] || { echo "FAIL private temp folder left"; fail=1; }

# A read-only file is left with its reason (exit 3), the others are written; --backup-dir.
chmod 444 "$t/lf.txt"
run --yes --backup-dir "$work/bk" --plain --ignore-case Y z "$t"
expect "read-only exit" 3 "$rc"
expect "read-only lines" "S${T}$t/lf.txt${T}write-failed
W${T}$t/sub/crlf.txt" "$out"
same_bytes "read-only kept" "$t/lf.txt" 'y1 a\r\nno\r\ny2 y\r\n'
same_bytes "crlf again" "$t/sub/crlf.txt" 'z\r\nz\r\n'
same_bytes "second backup" "$(backup_of "$work/bk" "$t/sub/crlf.txt")" 'y\r\ny\r\n'
chmod 644 "$t/lf.txt"

# Exit codes: nothing matched 1, a bad pattern or replacement 2, bad usage 2.
run --yes nomatch z "$t"
expect "no match" 1 "$rc"
run '(' z "$t"
expect "bad pattern" 2 "$rc"
run z 'bad\' "$t"
expect "bad replacement" 2 "$rc"
run z "$t"
expect "usage" 2 "$rc"
# Arguments after "--" are the pattern, the replacement and the folders, even with a '-'.
mkdir -p "$work/dash"
printf 'a-x\n' >"$work/dash/d.txt"
run -- -x '<&>' "$work/dash"
expect "after --: exit" 0 "$rc"
expect "after --: the pattern" "H${T}\"$work/dash/d.txt\",の検索結果
+${T}【1列目】a<-x>" "$out"
# A folder that is not there, a temp folder that cannot be made: refused, with the reason.
run x y "$work/no/such/folder"
expect "missing folder exit" 2 "$rc"
expect "missing folder said" 1 "$(grep -c 'no such folder: '"$work/no/such/folder" "$work/err")"
out="$(cd "$work/cwd" && TMPDIR="$work/nowhere" "$cli" replace x y "$work/dash" 2>"$work/err")"
expect "no temp folder exit" 2 "$?"
expect "no temp folder said" 1 "$(grep -c 'cannot make a private temp folder' "$work/err")"
exit $fail
