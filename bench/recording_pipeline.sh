#!/usr/bin/env bash
# The whole recording pipeline as the person meets it, on an album of MINUTES minutes in TRACKS
# MP3 tracks: the start (import with the measuring pass) and the recording, into the virtual
# recorder unpaced. Exits 0 only when every target holds.
#   native  applet-tool record sao into libwnaspi32.so without an image, side by side with
#           `mpg123 -q -s` decoding the same files to /dev/null: the whole run's throughput
#           against mpg123's (target: at least 0.85); measuring the album (`applet-tool mp3
#           size`, target: at most 0.5 s); from the start operation to the first WRITE(10)
#           (target: at most 1 s, not counting the 250 ms pauses after failed commands, which
#           are counted from the recorder's journal); the peak resident size (below 40 MB);
#   wine    applet-tool.exe into wnaspi32.dll under Wine with the ACM decoder, image written:
#           measuring (at most 2 s), start to first write (at most 3 s, pauses not counted),
#           the whole run in CD speed (at least 200x), the ACM decoding against native mpg123
#           (`applet-tool.exe mp3 decode`, reported), and the codec's time in its conversion calls
#           per batch size (acm_batch_bench, reported);
#   paced   recording_paced.sh with session-at-once at 52x, natively and under Wine: no
#           underrun, with the cache's low-water mark.
# The native tools come from an optimised tree of their own (build/release).
#   MINUTES  album length (default 74)    TRACKS  number of tracks (default 12)
#   SKIP_WINE=1  native figures only      SKIP_PACED=1  no paced recordings
set -uo pipefail
. "$(dirname "$0")/recording_lib.sh"
minutes=${MINUTES:-74}
tracks=${TRACKS:-12}
release_build
scratch
make_album "$minutes" "$tracks"
echo "album: $tracks tracks, $audio_seconds s of 192 kbps MP3"
best() { sort -g | head -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# pauses JOURNAL: the failed commands (each followed by a 250 ms pause) before the first
# WRITE(10), and their operation codes.
pauses() {
  awk '/WRITE\(10\)/ { exit } / \| / && !/\| GOOD/ { n++; split($0, f, " \\| "); names = names \
    (names ? ", " : "") f[2] } END { printf "%d%s\n", n, n ? " (" names ")" : "" }' "$1"
}
# field NAME FILE: the number after NAME in the tool's timing lines.
field() { tr -d '\r' <"$2" | awk -v k="$1" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' |
  head -1; }

# Native.
cp "$release/tools/applet-tool/applet-tool" "$release/tools/qlnxaudio/libqlnxaudio.so" .
printf '[device.0]\nimage = none\njournal = journal.txt\n' >vr-none.ini
# Each round: mpg123 and the engine, one after the other, so both see the same machine.
# Round line: "mpg123-seconds whole-seconds peak-kB start-seconds first-write-seconds
# recording-seconds".
rounds=$(for _ in 1 2 3; do
  m=$(/usr/bin/time -f %e mpg123 -q -s "${files[@]}" 2>&1 >/dev/null | tail -1)
  rm -f journal.txt
  VIRTUAL_RECORDER_CONFIG="$PWD/vr-none.ini" /usr/bin/time -f "%e %M" ./applet-tool record sao \
    --aspi "$release/tools/virtual-recorder/libwnaspi32.so" "${files[@]}" 2>times.txt >rec.log
  grep -qx "recording succeeded" rec.log || { echo "$m 999999 0 0 999999 0"; continue; }
  echo "$m $(tail -1 times.txt) $(field start times.txt) $(field write times.txt)" \
    "$(field recording times.txt)"
  cp journal.txt journal-native.txt
done)
mpg=$(awk '{ print $1 }' <<<"$rounds" | best)
# The whole run is the start operation (import with measuring) plus the recording; the process
# and device start-up before it are shown apart.
read -r _ process_time rss_kb start_time first_write record_time _ <<<"$(awk '{ print $0, $4 + $6 }' \
  <<<"$rounds" | sort -g -k7 | head -1)"
rec_time=$(awk -v s="$start_time" -v r="$record_time" 'BEGIN { printf "%.2f", s + r }')
rss_mb=$(awk -v k="$rss_kb" 'BEGIN { printf "%.1f", k / 1024 }')
measure=$(./applet-tool mp3 size "${files[@]}" 2>&1 >/dev/null | awk '/^measured/ { print $5 }')
native_pauses=$(pauses journal-native.txt)
# Before the start operation the device start-up scans the bus: INQUIRY of each empty target
# fails once and is followed by its 250 ms pause (seven with one recorder at target 0).
startup=$(awk -v w="$process_time" -v t="$rec_time" 'BEGIN { printf "%.2f", w - t }')
echo "native: mpg123 $mpg s; whole run $rec_time s (start with measuring $start_time s," \
  "recording $record_time s; process and device start-up before it $startup s);" \
  "measuring alone $measure s; first WRITE(10) $first_write s after the start; failed" \
  "commands (250 ms pauses) in the start: $native_pauses; peak resident $rss_mb MB"
check "native whole run against mpg123 decode-only (throughput ratio)" \
  "$(ratio "$mpg" "$rec_time")" 0.85 x
check "native measuring of the album" "$measure" 0.5 s below
check "native start to first WRITE(10), pauses not counted" \
  "$(awk -v t="$first_write" -v p="${native_pauses%% *}" 'BEGIN { printf "%.2f", t - p * 0.25 }')" \
  1 s below
check "native engine peak resident size" "$rss_mb" 40 MB below

# Wine: the Windows engine with its ACM decoder, image written.
if [ -z "${SKIP_WINE:-}" ]; then
  wine_setup
  cp "$here/build/win32/tools/applet-tool/applet-tool.exe" \
    "$here/build/win32/tools/qlnxaudio/qlnxaudio.dll" \
    "$here/build/win32/tools/virtual-recorder/wnaspi32.dll" .
  printf '[device.0]\nimage = disc\njournal = journal.txt\n' >virtualrecorder.ini
  "$here/scripts/wine-run" ./applet-tool.exe >/dev/null 2>&1 # starts the Wine server
  wmeasure=$("$here/scripts/wine-run" ./applet-tool.exe mp3 size "${files[@]}" 2>&1 >/dev/null |
    tr -d '\r' | awk '/^measured/ { print $5 }')
  rm -f journal.txt
  start=$(date +%s.%N)
  "$here/scripts/wine-run" ./applet-tool.exe record sao "${files[@]}" >wine.log 2>wtimes.txt
  end=$(date +%s.%N)
  grep -q "recording succeeded" wine.log || { echo "Wine recording failed"; tail wine.log; status=1; }
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  wfirst=$(field write wtimes.txt)
  wine_pauses=$(pauses journal.txt)
  # ACM decoding alone: one track decoded by the Windows library, against native mpg123.
  dstart=$(date +%s.%N)
  "$here/scripts/wine-run" ./applet-tool.exe mp3 decode QlnT-1.mp3 track.pcm >/dev/null 2>&1
  dend=$(date +%s.%N)
  mpg1=$(for _ in 1 2 3; do
    /usr/bin/time -f %e mpg123 -q -s QlnT-1.mp3 2>&1 >/dev/null | tail -1
  done | best)
  acm=$(awk -v a="$dstart" -v b="$dend" 'BEGIN { printf "%.2f", b - a }')
  echo "wine: whole run $elapsed s for $audio_seconds s of audio (image $(du -m disc.bin |
    cut -f1) MB); measuring $wmeasure s; first WRITE(10) ${wfirst:-?} s after the start;" \
    "pauses before it: $wine_pauses; ACM decoding of one track $acm s against mpg123 $mpg1 s"
  rm -f disc.bin track.pcm
  check "Windows measuring of the album under Wine" "${wmeasure:-999}" 2 s below
  check "Windows start to first WRITE(10) under Wine, pauses not counted" \
    "$(awk -v t="${wfirst:-999}" -v p="${wine_pauses%% *}" 'BEGIN { printf "%.2f", t - p * 0.25 }')" \
    3 s below
  check "Windows engine under Wine, whole run" "$(awk -v s="$audio_seconds" -v t="$elapsed" \
    'BEGIN { printf "%.0f", s / t }')" 200 "x CD speed"
  echo "info ACM decoding under Wine against native mpg123: $(ratio "$mpg1" "$acm") x" \
    "(Wine start-up included)"
  # The codec alone, in-process (no start-up): one frame per conversion against batches, and the
  # library's whole path; the output checksums must agree between batch sizes.
  "$here/scripts/wine-run" "$here/build/win32/tools/qlnxaudio/acm_batch_bench.exe" QlnT-1.mp3 \
    1 8 32 2>&1 | tr -d '\r' | sed 's/^/info ACM codec: /'
fi

# Paced at 52x: no underrun; the low-water mark is in each run's line.
if [ -z "${SKIP_PACED:-}" ]; then
  METHODS=sao SPEED=52 "$here/bench/recording_paced.sh" || status=1
fi
exit $status
