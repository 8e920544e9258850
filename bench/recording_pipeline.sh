#!/usr/bin/env bash
# The whole recording pipeline on an album of MINUTES minutes of MP3 tracks: decoding, sector
# building, the cache and the writer, into the virtual recorder unpaced.
#   native  applet-tool record sao into libwnaspi32.so without an image: the recording
#           (decoding, sectors, cache, writes; the measuring pass at the start is shown apart)
#           against `mpg123 -q -s` decoding the same files to /dev/null (target: at least 0.9
#           of its throughput), the whole run in CD speed, and the engine's peak resident size
#           (target: below 40 MB);
#   wine    applet-tool.exe record sao into wnaspi32.dll under Wine, image written: the speed
#           in multiples of CD speed (target: 60x), counted from the start of the recording
#           (measuring included) to the end of the writer.
# The native tools come from an optimised tree of their own (build/release).
#   MINUTES  album length (default 74)    TRACKS  number of tracks (default 12)
#   SKIP_WINE=1  native figures only
set -uo pipefail
. "$(dirname "$0")/recording_lib.sh"
minutes=${MINUTES:-74}
tracks=${TRACKS:-12}
release_build
scratch
make_album "$minutes" "$tracks"
echo "album: $tracks tracks, $audio_seconds s of 192 kbps MP3"

# Native.
cp "$release/tools/applet-tool/applet-tool" "$release/tools/qlnxaudio/libqlnxaudio.so" .
printf '[device.0]\nimage = none\n' >vr-none.ini
best() { sort -g | head -1; }
mpg=$(for _ in 1 2 3; do
  /usr/bin/time -f %e mpg123 -q -s "${files[@]}" 2>&1 >/dev/null | tail -1
done | best)
# Each run: "whole-seconds peak-kB start-seconds recording-seconds".
rec=$(for _ in 1 2 3; do
  VIRTUAL_RECORDER_CONFIG="$PWD/vr-none.ini" /usr/bin/time -f "%e %M" ./applet-tool record sao \
    --aspi "$release/tools/virtual-recorder/libwnaspi32.so" "${files[@]}" 2>times.txt >rec.log
  grep -qx "recording succeeded" rec.log || { echo "999999 0 0 999999"; continue; }
  echo "$(tail -1 times.txt) $(awk '/^start/ {print $2, $5}' times.txt)"
done | sort -g -k4 | head -1)
read -r rec_time rss_kb start_time record_time <<<"$rec"
rss_mb=$(awk -v k="$rss_kb" 'BEGIN { printf "%.1f", k / 1024 }')
echo "native: mpg123 $mpg s; engine $rec_time s in all: start (import, measuring) $start_time s," \
  "recording $record_time s; peak resident $rss_mb MB"
check "native recording against mpg123 (throughput ratio)" \
  "$(awk -v a="$mpg" -v b="$record_time" 'BEGIN { printf "%.2f", a / b }')" 0.9 x
check "native engine peak resident size" "$rss_mb" 40 MB below
check "native engine speed, whole run" "$(awk -v s="$audio_seconds" -v t="$rec_time" \
  'BEGIN { printf "%.0f", s / t }')" 60 "x CD speed"

# Wine: the Windows engine with its ACM decoder, image written.
if [ -z "${SKIP_WINE:-}" ]; then
  wine_setup
  cp "$here/build/win32/tools/applet-tool/applet-tool.exe" \
    "$here/build/win32/tools/qlnxaudio/qlnxaudio.dll" \
    "$here/build/win32/tools/virtual-recorder/wnaspi32.dll" .
  printf '[device.0]\nimage = disc\n' >virtualrecorder.ini
  "$here/scripts/wine-run" ./applet-tool.exe >/dev/null 2>&1 # starts the Wine server
  start=$(date +%s.%N)
  "$here/scripts/wine-run" ./applet-tool.exe record sao "${files[@]}" >wine.log 2>&1
  end=$(date +%s.%N)
  grep -q "recording succeeded" wine.log || { echo "Wine recording failed"; tail wine.log; status=1; }
  elapsed=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }')
  echo "wine: $elapsed s for $audio_seconds s of audio (image $(du -m disc.bin | cut -f1) MB)"
  check "Windows engine under Wine" "$(awk -v s="$audio_seconds" -v t="$elapsed" \
    'BEGIN { printf "%.0f", s / t }')" 60 "x CD speed"
fi
exit $status
