#!/usr/bin/env bash
# The search on every core, measured in one run with hyperfine, every tool's output read
# through a pipe:
#  1. bench/manpages_ja/compare.sh with TIMER=hyperfine: `skarvo-cli search` (one worker per
#     core, its default) against GNU grep and ripgrep on the five patterns;
#  2. `skarvo-cli search --threads 1` against its default on the same corpus (what the
#     workers bring, and that their rows are the same bytes);
#  3. `skarvo-cli grep --count x` over SIZE_MB of zero bytes against as many bytes of `a`.
#
# usage: bench/workers/run.sh [SKARVO_CLI] [CORPUS_DIR]
#   SKARVO_CLI  default: a Release build in build-bench/ (configured and built when missing)
#   CORPUS_DIR  default: /tmp/skarvo-manpages-ja (built by make_corpus.py when missing)
#   RUNS=N      timed runs per command (default 7); SIZE_MB (default 300)
# The machine may be shared: quote the ratios of one run, not the absolute times.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=${1:-$root/build-bench/skarvo-cli}
corpus=${2:-/tmp/skarvo-manpages-ja}
runs=${RUNS:-7}
size_mb=${SIZE_MB:-300}
out=$root/bench/out/workers
mkdir -p "$out"

TIMER=hyperfine RUNS=$runs "$root/bench/manpages_ja/compare.sh" "$cli" "$corpus"
cli=${1:-$root/build-bench/skarvo-cli}

echo
echo "one worker against one per core ($(nproc) cores):"
for pat in "ファイル" "zzqxnomatch"; do
  "$cli" search --threads 1 -- "$pat" "$corpus" >"$out/one.txt" || true
  "$cli" search -- "$pat" "$corpus" >"$out/all.txt" || true
  cmp -s "$out/one.txt" "$out/all.txt" || { echo "rows differ for $pat" >&2; exit 1; }
  hyperfine -N -i --output=pipe --warmup 1 --runs "$runs" --export-json "$out/threads.json" \
    -n one "$cli search --threads 1 -- $pat $corpus" -n all "$cli search -- $pat $corpus" \
    >"$out/threads.txt" 2>&1
  python3 - "$out/threads.json" "$pat" <<'PY'
import json, sys
med = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print(f"  {sys.argv[2]}: one {med['one']:.3f} s, all {med['all']:.3f} s, all/one {med['all'] / med['one']:.2f}")
PY
done

echo
echo "grep --count x over $size_mb MB of zero bytes and of 'a':"
zeros=$out/zeros.bin
as=$out/as.txt
head -c "${size_mb}000000" /dev/zero >"$zeros"
head -c "${size_mb}000000" /dev/zero | tr '\0' a >"$as"
hyperfine -N -i --output=pipe --warmup 1 --runs "$runs" --export-json "$out/zeros.json" \
  -n zeros "$cli grep --count x $zeros" -n a "$cli grep --count x $as" >"$out/zeros.txt" 2>&1
python3 - "$out/zeros.json" <<'PY'
import json, sys
med = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print(f"  zeros {med['zeros']:.3f} s, a {med['a']:.3f} s, zeros/a {med['zeros'] / med['a']:.2f}")
PY
rm -f "$zeros" "$as"
