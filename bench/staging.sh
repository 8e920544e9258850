#!/usr/bin/env bash
# Staging benchmark: ordinary staging of a packaged program (about 600 MB of tracks: noise like
# MP3 data, which is stored, and noise broken by runs of zeros, which RLE shrinks) through the
# package module, against cat of the same program file onto the same disk. Times include a
# sync, best of ROUNDS (interleaved, each after a sync and a second's rest). Exits 1 when
# staging reaches less than 80 % of cat's throughput. With WINE=1 also times
# "applet.exe /spawn#13" (the same expansion) under Wine.
#   PACKAGE_MB  content in MB (default 600)   ROUNDS  timed rounds (default 5)
#   BENCH_DIR   folder for the data (default /tmp)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
if [ ! -f build/bench/CMakeCache.txt ]; then
  cmake -S . -B build/bench -DQLN_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/bench -j "${JOBS:-2}" --target staging_bench package_bench applet-tool >/dev/null
tool="$here/build/bench/tools/applet-tool/applet-tool"
bench="$here/build/bench/applet/package/staging_bench"
content="$here/build/bench/applet/package/package_bench"
package_mb=${PACKAGE_MB:-600}
rounds=${ROUNDS:-5}
work=$(mktemp -d "${BENCH_DIR:-/tmp}/qln-staging.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/app"

head -c 749568 /dev/zero >"$work/bare.exe"
printf '[Files]\r\n' >"$work/src/qln1e.ini"
for ((n = 1; n * 100 <= package_mb; n++)); do
  if ((n % 2)); then
    head -c $((100 * 1000 * 1000)) /dev/urandom >"$work/src/t$n.mp3"
  else
    "$content" --mixed "$work/src/t$n.mp3" 100 "$n"
  fi
  printf '%s\r\n' "$work/src/t$n.mp3" >>"$work/src/qln1e.ini"
done
printf 'library' >"$work/src/qlnxaudio.dll"
printf '[Library]\r\n%s\r\n' "$work/src/qlnxaudio.dll" >>"$work/src/qln1e.ini"
printf '[INTERNAL]\r\nSize=%s\r\n' "$package_mb" >"$work/src/linernotes.htm"
"$tool" package build "$work/bare.exe" "$work/src/qln1e.ini" "$work/app/applet.exe" >/dev/null
rm -f "$work"/src/t*.mp3
size=$(stat -c %s "$work/app/applet.exe")

now() { date +%s%N; }
best_cat=0
best_stage=0
for ((r = 0; r < rounds; r++)); do
  sync; sleep 1
  t0=$(now); cat "$work/app/applet.exe" >"$work/copy"; sync; t=$(($(now) - t0))
  ((best_cat == 0 || t < best_cat)) && best_cat=$t
  rm -f "$work/copy"
  sync; sleep 1
  t0=$(now); "$bench" "$work/app/applet.exe" >/dev/null; sync; t=$(($(now) - t0))
  ((best_stage == 0 || t < best_stage)) && best_stage=$t
  (cd "$work/app" && rm -f QlnT-*.mp3 qlnxaudio.dll linernotes.htm)
done
mbps() { awk -v b="$size" -v ns="$1" 'BEGIN {printf "%.0f", b / 1e6 / (ns / 1e9)}'; }
ratio=$(awk -v c="$best_cat" -v s="$best_stage" 'BEGIN {printf "%.2f", c / s}')
echo "package: $((size / 1000000)) MB"
echo "cat:     $(mbps "$best_cat") MB/s"
echo "staging: $(mbps "$best_stage") MB/s  ($ratio x cat)"

if [ "${WINE:-0}" = 1 ]; then
  cp "$here/build/win32/applet/ui/applet.exe" "$work/wine.exe"
  tail -c +749569 "$work/app/applet.exe" >>"$work/wine.exe"
  best_wine=0
  for ((r = 0; r < rounds; r++)); do
    sync; sleep 1
    t0=$(now)
    (cd "$work" && QLN_NO_X=1 "$here/scripts/wine-run" wine.exe '/spawn#13' >/dev/null 2>&1)
    sync; t=$(($(now) - t0))
    ((best_wine == 0 || t < best_wine)) && best_wine=$t
    (cd "$work" && rm -f QlnT-*.mp3 qlnxaudio.dll linernotes.htm)
  done
  echo "wine /spawn#13: $(mbps "$best_wine") MB/s (process start included)"
fi
awk -v r="$ratio" 'BEGIN {exit !(r >= 0.8)}' || { echo "staging below 0.8 x cat"; exit 1; }
