#!/usr/bin/env bash
# The SCSI pass-through route against the ASPI route, natively, on an album of MINUTES minutes
# in TRACKS MP3 tracks:
#   unpaced  applet-tool record sao through the SG_IO stand-in (vrec-sg-server, the preloaded
#            libqlnsg64.so, --device) and into libwnaspi32.so (--aspi), no image, side by side
#            in each of ROUNDS rounds; the best whole runs compared (target: the pass-through
#            at most 10 % slower), and the difference per request of the recording (each one
#            a socket round trip to the stand-in's server).
#   paced    session-at-once through the pass-through against a recorder at SPEED x CD speed:
#            exit 0, no buffer underrun, every track listed by cd-info; with the cache's
#            low-water mark.
# The native tools come from an optimised tree of their own (build/release).
#   MINUTES  default 74    TRACKS  default 12    ROUNDS  default 3    SPEED  default 52
set -uo pipefail
. "$(dirname "$0")/recording_lib.sh"
minutes=${MINUTES:-74}
tracks=${TRACKS:-12}
rounds=${ROUNDS:-3}
speed=${SPEED:-52}
release_build
scratch
make_album "$minutes" "$tracks"
echo "album: $tracks tracks, $audio_seconds s of 192 kbps MP3; load: $(uptime | sed 's/.*load/load/')"
vrec="$release/tools/virtual-recorder"
cp "$release/tools/applet-tool/applet-tool" "$release/tools/qlnxaudio/libqlnxaudio.so" .
: >sr-stand-in

# sg_run INI COMMAND...: COMMAND with the stand-in node served by a recorder of INI.
sg_run() {
  local ini=$1 pid code
  shift
  rm -f sg.sock
  VIRTUAL_RECORDER_CONFIG=$ini "$vrec/vrec-sg-server" "$PWD/sg.sock" &
  pid=$!
  for _ in $(seq 100); do [ -S sg.sock ] && break; sleep 0.05; done
  LD_PRELOAD="$vrec/libqlnsg64.so" QLN_SG_NODE="$PWD/sr-stand-in" QLN_SG_SOCKET="$PWD/sg.sock" "$@"
  code=$?
  kill "$pid"
  wait "$pid" 2>/dev/null
  return $code
}

# timed LOG COMMAND...: the seconds COMMAND took, or 999999 when the recording failed.
timed() {
  local log=$1 start end
  shift
  start=$(date +%s.%N)
  "$@" >"$log" 2>&1
  end=$(date +%s.%N)
  grep -qx "recording succeeded" "$log" || { echo 999999; return; }
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f\n", b - a }'
}

printf '[device.0]\nimage = none\n' >vr-none.ini
printf '[device.0]\nimage = none\njournal = journal.txt\n' >vr-journal.ini
times=$(for _ in $(seq "$rounds"); do
  a=$(VIRTUAL_RECORDER_CONFIG="$PWD/vr-none.ini" timed aspi.log ./applet-tool record sao \
    --aspi "$vrec/libwnaspi32.so" "${files[@]}")
  p=$(sg_run "$PWD/vr-none.ini" timed sg.log ./applet-tool record sao --device "$PWD/sr-stand-in" \
    "${files[@]}")
  echo "$a $p"
done)
aspi=$(awk '{ print $1 }' <<<"$times" | sort -g | head -1)
pass=$(awk '{ print $2 }' <<<"$times" | sort -g | head -1)
# The requests of one recording, counted from a journal, and the stand-in's cost per request.
rm -f journal.txt
sg_run "$PWD/vr-journal.ini" ./applet-tool record sao --device "$PWD/sr-stand-in" "${files[@]}" \
  >/dev/null 2>&1
requests=$(grep -c ' | ' journal.txt)
writes=$(grep -c 'WRITE(10)' journal.txt)
echo "rounds (ASPI s, pass-through s): $(paste -sd, <<<"$times" | sed 's/,/; /g')"
echo "native: ASPI best $aspi s, pass-through best $pass s for $audio_seconds s of audio;" \
  "$requests requests ($writes WRITE(10)); the difference per request" \
  "$(awk -v a="$aspi" -v p="$pass" -v n="$requests" 'BEGIN { printf "%.1f", (p - a) / n * 1e6 }') µs"
check "pass-through against ASPI, whole run (slower by)" \
  "$(awk -v a="$aspi" -v p="$pass" 'BEGIN { printf "%.1f", (p / a - 1) * 100 }')" 10 % below

# Paced: no underrun; the low-water mark is in the run's line.
printf '[device.0]\nimage = disc\njournal = journal.txt\nspeed = %s\n' "$speed" >vr-paced.ini
rm -f journal.txt disc.*
sg_run "$PWD/vr-paced.ini" ./applet-tool record sao --device "$PWD/sr-stand-in" "${files[@]}" \
  >paced.log 2>paced.err
code=$?
listed=$(cd-info --no-device-info --quiet --cue-file disc.cue 2>/dev/null |
  awk '$1 ~ /^[0-9]+:$/ && $1 != "170:"' | wc -l)
echo "pass-through paced at ${speed}x: $(grep -h 'peak private bytes' paced.err)"
check "pass-through ${speed}x: exit code" "$((code == 0))" 1 ""
check "pass-through ${speed}x: buffer underruns" "$(grep -c 'buffer underrun' journal.txt)" 1 "" below
check "pass-through ${speed}x: tracks cd-info lists" "$listed" "$tracks" ""
grep -h 'buffer underrun' journal.txt | head -3
echo "load: $(uptime | sed 's/.*load/load/')"
exit $status
