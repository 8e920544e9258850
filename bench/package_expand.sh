#!/usr/bin/env bash
# Package benchmark: expanding a package of stored and RLE members (about 700 MB of content)
# against cat (and dd) over the same package bytes on the same disk, and RLE encoding
# throughput. Builds the optimised bench tree first. Times are the best of several rounds,
# both until the command returns and until the data are on disk (sync). Exits 1 when a target
# is missed: expansion to disk at 80 % or more of cat's throughput, RLE encoding at 300 MB/s
# or more over memory.
#   PACKAGE_MB  content size in MB (default 700)    ROUNDS  timed rounds, best kept (default 5)
#   BENCH_DIR   folder for the data (default /tmp)  SETTLE  seconds of rest before each command (1)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
JOBS=${JOBS:-1} scripts/build bench >/dev/null
tool="$here/build/bench/tools/applet-tool/applet-tool"
bench="$here/build/bench/applet/package/package_bench"
package_mb=${PACKAGE_MB:-700}
rounds=${ROUNDS:-5}
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

# Each command runs from a clean state (nothing left to write back, and a second for the disk
# to settle after the removal of the previous copy) and is timed twice: until it returns (the
# data in the page cache) and until a following sync returns (the data on disk).
declare -A cached durable
timed() { # NAME COMMAND...
  local name=$1 t0 t1 t2
  shift
  sync
  sleep "${SETTLE:-1}"
  t0=$(now)
  "$@"
  t1=$(now)
  sync
  t2=$(now)
  if [ -z "${cached[$name]:-}" ] || ((t1 - t0 < cached[$name])); then cached[$name]=$((t1 - t0)); fi
  if [ -z "${durable[$name]:-}" ] || ((t2 - t0 < durable[$name])); then durable[$name]=$((t2 - t0)); fi
}
cat_copy() { cat package.qa >copy; }
dd_copy() { dd if=package.qa of=copy bs=1M status=none; }
expand() { "$tool" archive extract package.qa out >/dev/null; }
for ((round = 1; round <= rounds; round++)); do
  rm -rf out copy
  timed cat cat_copy
  rm -f copy
  timed dd dd_copy
  rm -f copy
  timed expand expand
done
for f in "${files[@]}"; do cmp -s "$f" "out/${f#src/}" || { echo "expansion differs: $f" >&2; exit 1; }; done

# RLE encoding of the compressible content, file to file (best round), and over memory.
t_encode=0
for ((round = 1; round <= rounds; round++)); do
  rm -f track2.rle
  sync
  t0=$(now)
  "$tool" codec encode RLE src/track2.wav track2.rle >/dev/null
  t=$(($(now) - t0))
  ((t_encode == 0 || t < t_encode)) && t_encode=$t
done
memory=$("$bench")

stored=$(awk -F'\t' '$2 == "NON"' listing | wc -l)
rle=$(awk -F'\t' '$2 == "RLE"' listing | wc -l)
percent() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.0f", 100 * a / b}'; }
encode_file=$(mbps 100000000 "$t_encode")
encode_memory=$(echo "$memory" | awk '/^rle-encode noise-and-silence/ {print $3}')
echo "package: $((content / 1000000)) MB of content in $stored stored and $rle RLE members," \
  "$((packaged / 1000000)) MB packaged (created in $(seconds "$t_create") s); best of $rounds rounds"
for kind in cached durable; do
  declare -n t=$kind
  echo "$kind (until the command returns$([ $kind = durable ] && echo ', then sync')):"
  echo "  cat of the package:  $(seconds "${t[cat]}") s, $(mbps "$packaged" "${t[cat]}") MB/s"
  echo "  dd bs=1M of it:      $(seconds "${t[dd]}") s, $(mbps "$packaged" "${t[dd]}") MB/s," \
    "$(percent "${t[cat]}" "${t[dd]}") % of cat"
  echo "  expansion:           $(seconds "${t[expand]}") s, $(mbps "$packaged" "${t[expand]}") MB/s" \
    "of package ($(mbps "$content" "${t[expand]}") MB/s of content)," \
    "$(percent "${t[cat]}" "${t[expand]}") % of cat"
  unset -n t
done
echo "RLE encode, file to file: $encode_file MB/s; over memory: $encode_memory MB/s (target 300)"
echo "over memory, best of 5:"
echo "$memory" | sed 's/^/  /'
status=0
ratio=$(percent "${durable[cat]}" "${durable[expand]}")
((ratio >= 80)) || { echo "MISSED: expansion to disk below 80 % of cat"; status=1; }
((encode_memory >= 300)) || { echo "MISSED: RLE encoding below 300 MB/s"; status=1; }
exit $status
