#!/usr/bin/env bash
# Throughput of MP3 decoding through the applet's adapter (TGetMP3DecodedData over the decoder
# library, in 27-sector requests) against `mpg123 -q -s` on the same files, natively. Both
# write to /dev/null; each side's best of ROUNDS runs counts. Checks first that both give the
# same bytes. Prints the ratio; exits 1 when the adapter is below 95 % of mpg123's throughput.
#   ROUNDS   timed runs per side (default 7)
#   SECONDS_OF_AUDIO   length of each test file (default 60)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench="$here/build/bench/tools/qlnxaudio/mp3_adapter_bench"
if [ ! -x "$bench" ] || [ ! -f "$here/build/bench/tools/qlnxaudio/libqlnxaudio.so" ]; then
  JOBS=${JOBS:-1} "$here/scripts/build" bench
fi
rounds=${ROUNDS:-7}
seconds=${SECONDS_OF_AUDIO:-60}
target=95

work=$(mktemp -d /tmp/qln-bench-mp3.XXXXXX)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/source.wav" synth "$seconds" sine 200-2000 pinknoise vol 0.4 \
  2>/dev/null
files=()
for opts in "-b 128" "-b 320" "-V 2" "-t -b 192"; do
  name="$work/$(echo "$opts" | tr -d ' -').mp3"
  # shellcheck disable=SC2086
  lame --quiet $opts "$work/source.wav" "$name"
  files+=("$name")
done

"$bench" "${files[@]}" >"$work/adapter.pcm"
mpg123 -q -s "${files[@]}" >"$work/mpg123.pcm"
if ! cmp -s "$work/adapter.pcm" "$work/mpg123.pcm"; then
  echo "the adapter's output differs from mpg123's" >&2
  exit 1
fi
bytes=$(stat -c %s "$work/mpg123.pcm")
rm -f "$work"/*.pcm

elapsed_ns() { # command...: runs it with output to /dev/null, prints the nanoseconds it took
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $((end - start))
}

best_mpg123=
best_adapter=
for _ in $(seq "$rounds"); do
  t=$(elapsed_ns mpg123 -q -s "${files[@]}")
  if [ -z "$best_mpg123" ] || [ "$t" -lt "$best_mpg123" ]; then best_mpg123=$t; fi
  t=$(elapsed_ns "$bench" "${files[@]}")
  if [ -z "$best_adapter" ] || [ "$t" -lt "$best_adapter" ]; then best_adapter=$t; fi
done

awk -v m="$best_mpg123" -v a="$best_adapter" -v b="$bytes" -v n="${#files[@]}" -v s="$seconds" \
  -v target="$target" 'BEGIN {
  ratio = 100 * m / a
  printf "%d files of %d s, %d bytes of PCM; best of runs: mpg123 %.3f s (%.1f MB/s), adapter %.3f s (%.1f MB/s)\n",
    n, s, b, m / 1e9, b / m * 1e3, a / 1e9, b / a * 1e3
  printf "adapter throughput: %.1f %% of mpg123 (target %d %%)\n", ratio, target
  exit ratio >= target ? 0 : 1
}'
