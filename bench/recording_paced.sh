#!/usr/bin/env bash
# A whole album recorded against a recorder paced at SPEED x CD speed (drive buffer 2 MB, so
# at 52x the writer must send the next WRITE within about 0.23 s): natively with applet-tool
# into libwnaspi32.so and under Wine with applet-tool.exe into wnaspi32.dll, each METHOD. Each
# recording must exit 0, leave no "buffer underrun" line in the recorder's journal and give an
# image whose cue sheet cd-info lists with every track. Shows the margin: the fewest packets
# the writer left in the applet's cache while the cache thread still built them, and the peak
# private bytes the process reported.
#   MINUTES  album length (default 74)    TRACKS  number of tracks (default 12)
#   SPEED    recorder speed (default 52)  METHODS  default "sao dao"
#   SKIP_WINE=1  native only    SKIP_NATIVE=1  Wine only
set -uo pipefail
. "$(dirname "$0")/recording_lib.sh"
minutes=${MINUTES:-74}
tracks=${TRACKS:-12}
speed=${SPEED:-52}
methods=${METHODS:-sao dao}
release_build
scratch
make_album "$minutes" "$tracks"
echo "album: $tracks tracks, $audio_seconds s of 192 kbps MP3; recorder at ${speed}x"
printf '[device.0]\nimage = disc\njournal = journal.txt\nspeed = %s\n' "$speed" >virtualrecorder.ini

# paced NAME COMMAND...: runs one recording and checks it; the image is removed afterwards.
paced() {
  local name=$1 code listed start end
  shift
  rm -f disc.* journal.txt
  start=$(date +%s.%N)
  "$@" >"$name.log" 2>"$name.err"
  code=$?
  end=$(date +%s.%N)
  listed=$(cd-info --no-device-info --quiet --cue-file disc.cue 2>/dev/null |
    awk '$1 ~ /^[0-9]+:$/ && $1 != "170:"' | wc -l)
  echo "$name: $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') s;" \
    "$(grep -h 'peak private bytes' "$name.err" | tr -d '\r')"
  check "$name: exit code" "$((code == 0))" 1 ""
  check "$name: buffer underruns" "$(grep -c 'buffer underrun' journal.txt)" 1 "" below
  check "$name: tracks cd-info lists" "$listed" "$tracks" ""
  grep -h 'buffer underrun' journal.txt | head -3
  rm -f disc.*
}

aspi="$release/tools/virtual-recorder/libwnaspi32.so"
cp "$release/tools/applet-tool/applet-tool" "$release/tools/qlnxaudio/libqlnxaudio.so" .
[ -n "${SKIP_NATIVE:-}" ] || for m in $methods; do
  VIRTUAL_RECORDER_CONFIG="$PWD/virtualrecorder.ini" \
    paced "native $m" ./applet-tool record "$m" --aspi "$aspi" "${files[@]}"
done

if [ -z "${SKIP_WINE:-}" ]; then
  wine_setup
  cp "$here/build/win32/tools/applet-tool/applet-tool.exe" \
    "$here/build/win32/tools/qlnxaudio/qlnxaudio.dll" \
    "$here/build/win32/tools/virtual-recorder/wnaspi32.dll" .
  "$here/scripts/wine-run" ./applet-tool.exe >/dev/null 2>&1 # starts the Wine server
  for m in $methods; do
    paced "wine $m" "$here/scripts/wine-run" ./applet-tool.exe record "$m" "${files[@]}"
  done
fi
exit $status
