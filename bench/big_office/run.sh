#!/usr/bin/env bash
# Time and peak memory of skarvo-cli's document readers on a generated .doc and .xls of
# the given size (default 1024 MB), with GNU time -v. The files are deleted afterwards.
#   bench/big_office/run.sh [MEGABYTES] [skarvo-cli]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
size="${1:-1024}"
cli="${2:-$here/../../build/skarvo-cli}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
read -r -a gsf <<<"$(pkg-config --cflags --libs libgsf-1)"
g++ -std=c++20 -O2 "$here/make_big_office.cpp" "${gsf[@]}" -o "$work/make_big_office"
for kind in doc xls; do
  "$work/make_big_office" "$kind" "$work/big.$kind" "$size"
  command=doctext
  [ "$kind" = xls ] && command=cells
  echo "== $command big.$kind ($(stat -c %s "$work/big.$kind") bytes)"
  /usr/bin/time -v "$cli" "$command" "$work/big.$kind" 2>"$work/time.txt" | wc -lc
  grep -E "Elapsed|Maximum resident" "$work/time.txt"
  rm -f "$work/big.$kind"
done
