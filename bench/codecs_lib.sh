# Shared helpers of the codec benchmarks: the bench build, the LHA peer corpus and timing.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$ROOT/scripts/build" bench >/dev/null
TOOL="$ROOT/build/bench/tools/applet-tool/applet-tool"
CODEC_BENCH="$ROOT/build/bench/applet/package/codec_bench"

PEERS=""
for d in "${QLN_LHA_PEERS:-}" "$ROOT/../shared/peers/lha" "$ROOT/../../shared/peers/lha"; do
  if [ -n "$d" ] && [ -f "$d/manifest.tsv" ]; then PEERS=$d; break; fi
done
[ -n "$PEERS" ] || { echo "LHA peer corpus not found (shared/peers/lha beside the tree)" >&2; exit 1; }

SCRATCH=$(mktemp -d /tmp/qln-bench.XXXXXX)
trap 'rm -rf "$SCRATCH"' EXIT

# original_size of a corpus stream
corpus_size() { awk -F'\t' -v s="$1" '$2 == s { print $3 }' "$PEERS/manifest.tsv"; }

# best_seconds RUNS COMMAND...: the fastest of three rounds of RUNS runs, in seconds per run.
best_seconds() {
  local runs=$1 best="" round i start end t
  shift
  for round in 1 2 3; do
    start=$(date +%s.%N)
    for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
    end=$(date +%s.%N)
    t=$(echo "($end - $start) / $runs" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}

mbps() { echo "scale=1; $1 / $2 / 1000000" | bc -l; }
