#!/usr/bin/env bash
# Package benchmark: expanding a package of stored and RLE members (about 700 MB of content)
# against cat over the same package bytes on the same disk, and RLE encoding throughput.
# Builds the optimised bench tree first. Exits 1 when a target is missed: expansion at 80 %
# or more of cat's throughput, RLE encoding at 300 MB/s or more.
#   PACKAGE_MB  content size in MB (default 700)    ROUNDS  timed rounds, best kept (default 3)
#   BENCH_DIR   folder for the data (default /tmp)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
JOBS=${JOBS:-1} scripts/build bench >/dev/null
tool="$here/build/bench/tools/applet-tool/applet-tool"
bench="$here/build/bench/applet/package/package_bench"
package_mb=${PACKAGE_MB:-700}
rounds=${ROUNDS:-3}
work=$(mktemp -d "${BENCH_DIR:-/tmp}/qln-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Content: noise like MP3 data (RLE would grow it, so it is stored) and noise broken by runs of
# zeros (RLE shrinks it), in files of 100 MB.
mkdir src
files=()
n=0
for ((mb = 0; mb < package_mb; mb += 100)); do
  n=$((n + 1))
  if ((n % 2)); then
    head -c $((100 * 1000 * 1000)) /dev/urandom >"src/track$n.mp3"
  else
    "$bench" --mixed "src/track$n.wav" 100 "$n"
  fi
  files+=(src/track$n.*)
done

now() { date +%s%N; }
seconds() { awk -v ns="$1" 'BEGIN {printf "%.3f", ns / 1e9}'; }
mbps() { awk -v b="$1" -v ns="$2" 'BEGIN {printf "%.0f", b / 1e6 / (ns / 1e9)}'; }

sync
t0=$(now)
"$tool" archive create package.qa --method RLE --base src "${files[@]}" >/dev/null
t_create=$(($(now) - t0))
"$tool" archive list package.qa >listing
content=$(cat "${files[@]}" | wc -c)
packaged=$(stat -c %s package.qa)

best_cat=0
best_expand=0
for ((round = 1; round <= rounds; round++)); do
  rm -rf out copy
  sync
  t0=$(now)
  cat package.qa >copy
  t=$(($(now) - t0))
  ((best_cat == 0 || t < best_cat)) && best_cat=$t
  rm -f copy
  sync
  t0=$(now)
  "$tool" archive extract package.qa out >/dev/null
  t=$(($(now) - t0))
  ((best_expand == 0 || t < best_expand)) && best_expand=$t
done
for f in "${files[@]}"; do cmp -s "$f" "out/${f#src/}" || { echo "expansion differs: $f" >&2; exit 1; }; done

# RLE encoding of the compressible content, file to file, and over memory.
t0=$(now)
"$tool" codec encode RLE src/track2.wav track2.rle >/dev/null
t_encode=$(($(now) - t0))
memory=$("$bench")

stored=$(awk -F'\t' '$2 == "NON"' listing | wc -l)
rle=$(awk -F'\t' '$2 == "RLE"' listing | wc -l)
ratio=$(awk -v c="$best_cat" -v e="$best_expand" 'BEGIN {printf "%.0f", 100 * c / e}')
encode_file=$(mbps 100000000 "$t_encode")
encode_memory=$(echo "$memory" | awk '/^rle-encode noise-and-silence/ {print $3}')
echo "package: $((content / 1000000)) MB of content in $stored stored and $rle RLE members," \
  "$((packaged / 1000000)) MB packaged (created in $(seconds "$t_create") s)"
echo "cat of the package: $(seconds "$best_cat") s, $(mbps "$packaged" "$best_cat") MB/s"
echo "expansion: $(seconds "$best_expand") s, $(mbps "$packaged" "$best_expand") MB/s of package," \
  "$(mbps "$content" "$best_expand") MB/s of content"
echo "expansion throughput: $ratio % of cat's (target 80 %)"
echo "RLE encode, file to file: $encode_file MB/s; over memory: $encode_memory MB/s (target 300)"
echo "over memory, best of 5:"
echo "$memory" | sed 's/^/  /'
status=0
((ratio >= 80)) || { echo "MISSED: expansion below 80 % of cat"; status=1; }
((encode_memory >= 300)) || { echo "MISSED: RLE encoding below 300 MB/s"; status=1; }
exit $status
