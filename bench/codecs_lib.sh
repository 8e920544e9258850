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

# random_bytes SEED N: N pseudo-random bytes, the same for the same seed (AES-CTR of zeros).
random_bytes() {
  head -c "$2" /dev/zero |
    openssl enc -aes-128-ctr -nosalt -K "$(printf '%032x' "$1")" -iv 0 2>/dev/null
}

# mixed_text_random TEXT OUT: slices of TEXT with random blocks of 1 to 64 KB between them.
mixed_text_random() {
  local text=$1 out=$2 size i n
  size=$(stat -c %s "$text")
  : >"$out"
  for i in $(seq 0 13); do
    n=$((8192 + i * 3072))
    dd if="$text" iflag=skip_bytes,count_bytes skip=$((i * 19456 % (size - n))) count=$n \
      status=none >>"$out"
    random_bytes $((i + 1)) $((1024 << (i % 7))) >>"$out"
  done
}
