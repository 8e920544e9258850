#!/usr/bin/env bash
# Recording engine benchmarks (optimised build): Mode 1 sector encoding on one core and the
# sector cache between two threads, each the median of five rounds against its target (the
# machine is shared, so single rounds vary).
#   ROUND_SECONDS   seconds of encoding per round (default 1)
#   PACKETS         DAO packets through the cache per round (default 15000, about 960 MB)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-1} "$here/scripts/build" bench >/dev/null || { echo "bench build failed"; exit 1; }
bin="$here/build/bench/applet/recording"
status=0

check() { # name value target unit
  if awk -v v="$2" -v t="$3" 'BEGIN { exit !(v >= t) }'; then
    printf 'ok   %s: %s %s (target %s)\n' "$1" "$2" "$4" "$3"
  else
    printf 'FAIL %s: %s %s (target %s)\n' "$1" "$2" "$4" "$3"
    status=1
  fi
}

out=$(taskset -c 0 "$bin/bench_recording_sector" "${ROUND_SECONDS:-1}") || status=1
echo "$out" | sed 's/^/  /'
check "Mode 1 encoding, one core" "$(echo "$out" | awk '/^mode1_sectors_per_second/ {print $2}')" \
  75000 sectors/s

out=$("$bin/bench_recording_cache" "${PACKETS:-15000}") || status=1
echo "$out" | sed 's/^/  /'
check "cache between two threads" \
  "$(echo "$out" | awk '/^cache_bytes_per_second/ {printf "%.0f", $2 / 1e6}')" 1000 MB/s
exit $status
