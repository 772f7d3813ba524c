#!/usr/bin/env bash
# Times `skarvo-cli search` side by side with GNU grep -rnE (C locale, CP932 bytes) and
# ripgrep -n -E sjis on the Japanese manual-page corpus, every tool's output read through a
# pipe (GNU grep stops at a file's first match when its output is /dev/null), and prints
# the medians and the ratios of one run. Counts of reported lines are printed beside them:
# ripgrep decodes characters as skarvo does, so those two must agree; GNU grep matches bytes
# and may also match inside a 2-byte character.
#
# usage: bench/manpages_ja/compare.sh [SKARVO_CLI] [CORPUS_DIR]
#   SKARVO_CLI  default: a Release build in build-bench/ (configured and built when missing)
#   CORPUS_DIR  default: /tmp/skarvo-manpages-ja (built by make_corpus.py when missing)
#   RUNS=N      timed runs per command (default 7)
#   ONLY="1 3"  run only the numbered patterns
#   TIMER=hyperfine  time with hyperfine (all runs of one tool, then the next) instead of
#               interleaved.py (the three tools turn about, one run each per round)
# The machine may be shared: the three tools of a pattern are timed in one run, taken in
# turn so a burst of load falls on all of them; quote the ratios, not the absolute times.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=${1:-$root/build-bench/skarvo-cli}
corpus=${2:-/tmp/skarvo-manpages-ja}
runs=${RUNS:-7}
out=$root/bench/out/manpages_ja
mkdir -p "$out"

# Tools and data used only here, never by the build or the tests.
BENCH_PACKAGES=(hyperfine ripgrep grep manpages-ja python3)
# shellcheck source=/dev/null
source "$root/scripts/packages.sh"
skarvo_ensure_packages "${BENCH_PACKAGES[@]}"

if [ ! -x "$cli" ]; then
  cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKARVO_GUI=OFF >/dev/null
  cmake --build "$root/build-bench" -j2 --target skarvo-cli
  cli=$root/build-bench/skarvo-cli
fi
python3 "$here/make_corpus.py" "$corpus"
echo "corpus: $(find "$corpus" -type f | wc -l) files, $(du -sm "$corpus" | cut -f1) MB"

patterns=("ファイル" "ディレクトリを作成" "[0-9]+バイト" "オプション|引数" "zzqxnomatch")

header='| pattern | skarvo-cli search s | grep -rnE s | rg -n s | ratio to the fastest | skarvo/grep | skarvo/rg | lines skarvo | grep | rg |'
rows=""
for i in "${!patterns[@]}"; do
  n=$((i + 1))
  if [ -n "${ONLY:-}" ] && [[ " $ONLY " != *" $n "* ]]; then continue; fi
  pat=${patterns[$i]}
  printf '%s\n' "$pat" >"$out/p$n.utf8"
  # GNU grep in the C locale reads the pattern as bytes: a second byte that is an ASCII
  # metacharacter ("ー" is 81 5B, "表" 95 5C) is escaped to stay part of its character.
  python3 - "$out/p$n.utf8" "$out/p$n.sjis" <<'PY'
import sys
src, dst = sys.argv[1:]
data = open(src, encoding="utf-8").read().rstrip("\n").encode("cp932")
out = bytearray()
i = 0
while i < len(data):
    b = data[i]
    if (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) and i + 1 < len(data):
        out.append(b)
        if chr(data[i + 1]) in ".[]\\()*+?{}|^$":
            out.append(0x5C)
        out.append(data[i + 1])
        i += 2
    else:
        out.append(b)
        i += 1
open(dst, "wb").write(bytes(out) + b"\n")
PY
  skarvo_cmd="$cli search -- $pat $corpus"
  grep_cmd="env LC_ALL=C grep -rnE -f $out/p$n.sjis $corpus"
  rg_cmd="rg -n --no-ignore --hidden -a -E sjis -f $out/p$n.utf8 $corpus"

  # Exit code 1 (nothing found) is a result here, not a failure.
  s_lines=$( ("$cli" search -- "$pat" "$corpus" 2>/dev/null || true) | grep -c '^+' || true)
  g_lines=$( (bash -c "$grep_cmd" || true) | wc -l)
  r_lines=$( (bash -c "$rg_cmd" || true) | wc -l)

  if [ "${TIMER:-interleaved}" = hyperfine ]; then
    hyperfine -N -i --output=pipe --warmup 1 --runs "$runs" --export-json "$out/p$n.json" \
      -n skarvo "$skarvo_cmd" -n grep "$grep_cmd" -n rg "$rg_cmd" >"$out/p$n.hyperfine.txt" 2>&1
  else
    python3 "$here/interleaved.py" "$out/p$n.json" "$runs" 1 \
      "skarvo=$skarvo_cmd" "grep=$grep_cmd" "rg=$rg_cmd"
  fi

  row=$(python3 - "$out/p$n.json" "$pat" "$s_lines" "$g_lines" "$r_lines" <<'PY'
import json, sys
path, pat, s, g, r = sys.argv[1:]
med = {x["command"]: x["median"] for x in json.load(open(path))["results"]}
sk, gr, rg = med["skarvo"], med["grep"], med["rg"]
shown = pat.replace("|", "\\|")
print(f"| {shown} | {sk:.3f} | {gr:.3f} | {rg:.3f} | {sk / min(gr, rg):.2f} "
      f"| {sk / gr:.2f} | {sk / rg:.2f} | {s} | {g} | {r} |")
PY
)
  echo "$row" >&2
  rows+="$row"$'\n'
  if [ "$s_lines" != "$r_lines" ]; then
    echo "  note: skarvo $s_lines lines, ripgrep $r_lines" >&2
  fi
done
printf '%s\n|%s\n%s' "$header" "$(printf -- '---|%.0s' {1..10})" "$rows" | tee "$out/table.md"
echo "medians of $runs runs in seconds, the tools timed ${TIMER:-interleaved} in one run per pattern,"
echo "output through a pipe;"
echo "ratios > 1 mean skarvo is slower"
