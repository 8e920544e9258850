#!/usr/bin/env bash
# applet.exe under Wine with the virtual recorder as wnaspi32.dll: the blank-disc check and its
# one retry, and the start of a recording with the method line, the TITLE and the TRACKS AND
# TAGS lines. No tracks are staged, so each start records nothing: the failure line follows
# and OK ends the session with exit 1.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/session_device_lib.sh"

scratch_dir
session_device_prepare
export WINEDLLOVERRIDES="$NATIVE_ASPI"

attention='*** Attention - No Blank CD was found, please check it. Then try again by pressing OK after inserting a blank CD. Program will exit if a blank CD is not found again.'
audio_cd=$'[device.0]\nvendor = QLN\nproduct = CDR-4800\nrevision = 2.5\nmedium = audio\njournal = journal.txt\n'

# An audio CD, then a blank disc put in after the eject: OK goes on to the recording.
applet=$(device_session retry "$audio_cd")
dir=$(dirname "$applet")
out="$E2E_SCRATCH/retry.out"
# Puts the blank disc in once the recorder has ejected the audio CD.
(
  for _ in $(seq 600); do
    if grep -q 'START STOP UNIT eject | GOOD' "$dir/journal.txt" 2>/dev/null; then
      printf '[device.0]\nvendor = QLN\nproduct = CDR-4800\nrevision = 2.5\nmedium = blank\njournal = journal.txt\n' \
        >"$dir/virtualrecorder.ini"
      exit 0
    fi
    sleep 0.05
  done
) &
swapper=$!
# Each close is refused and lets 300 ms pass: time for the disc to go in before OK.
drive start "$(winpath "$applet")" wait-memo "No Blank CD was found" 60000 dump \
  close close close close close click "&OK" wait-memo "A problem has prevented" 10000 dump \
  click "&OK" wait-exit 10000 >"$out"
expect_eq "retry: uidriver steps held" "0" "$?"
wait "$swapper"
expect_eq "retry: the disc was swapped after the eject" "0" "$?"
dumps() { awk -v n="$1" '/^client=/{k++} k==n' "$out"; }
expect_eq "retry: attention message" "Version 1.40b||$attention||" \
  "$(dumps 1 | grep '^memo=' | tail -5 | sed 's/^memo=//' | paste -sd'|')"
expect_eq "retry: OK caption after the attention" "button=&OK" "$(dumps 1 | grep '^button=&O')"
expect_eq "retry: the recording starts on the blank disc" \
  "Using CDR device QLN CDR-4800 2.5|Burn Time will be less than 2 minutes.|Do not disturb or run other programs while recording.  Please wait...|(Using SAO method)|$RECORDING_TAIL" \
  "$(dumps 2 | grep '^memo=' | tail -11 | head -10 | sed 's/^memo=//' | paste -sd'|')"
expect_true "retry: nothing to record is a failed recording" bash -c \
  "grep '^memo=' '$out' | tail -1 | grep -q '^memo=\*\*\* Error - A problem has prevented completion'"
expect_eq "retry: OK caption after the failure" "button=&OK" "$(dumps 2 | grep '^button=&O')"
expect_eq "retry: gauge at completion" "gauge=102" "$(dumps 2 | grep '^gauge=')"
expect_eq "retry: OK ends with exit 1" "exit=1" "$(grep '^exit=' "$out")"
journal="$dir/journal.txt"
expect_eq "retry: one eject" "1" "$(grep -c 'START STOP UNIT eject | GOOD' "$journal")"
expect_true "retry: the new disc was taken from the configuration" grep -q \
  'note: configuration changed, new disc: QLN CDR-4800 2.5, medium blank' "$journal"
# In the journal: the eject, then the new disc, then its TOC read failing (no TOC: blank).
expect_eq "retry: eject, new disc, blank disc in this order" "eject|new disc|no TOC" \
  "$(awk '/START STOP UNIT eject/ {print "eject"} /new disc:/ {print "new disc"}
    /READ TOC .*5\/24\/00/ {print "no TOC"}' "$journal" | paste -sd'|')"

# The audio CD stays in: the second miss ends with exit 5 and nothing more is shown.
applet=$(device_session miss "$audio_cd")
out="$E2E_SCRATCH/miss.out"
drive start "$(winpath "$applet")" wait-memo "No Blank CD was found" 60000 click "&OK" \
  wait-exit 10000 >"$out"
expect_eq "second miss: uidriver steps held" "0" "$?"
expect_eq "second miss ends with exit 5" "exit=5" "$(grep '^exit=' "$out")"
expect_eq "second miss: the tray was closed again to look" "1" \
  "$(grep -c 'START STOP UNIT load | GOOD' "$(dirname "$applet")/journal.txt")"

# A TAO-only recorder with a blank disc: the recording starts at once with the TAO method.
applet=$(device_session tao $'[device.0]\nwrite_types = tao\n')
out="$E2E_SCRATCH/tao.out"
drive start "$(winpath "$applet")" wait-memo "A problem has prevented" 60000 dump click "&OK" \
  wait-exit 10000 >"$out"
expect_eq "tao: uidriver steps held" "0" "$?"
expect_eq "tao: method line, title and tracks" \
  "Using CDR device VIRTUAL CD-R RECORDER 1.0|Burn Time will be less than 2 minutes.|Do not disturb or run other programs while recording.  Please wait...|(Using TAO method- Pause near end is normal)|$RECORDING_TAIL" \
  "$(memo_tail "$out" 11 | cut -d'|' -f1-10)"
expect_true "tao: no attention message" lacks "No Blank CD" "$out"
expect_eq "tao: OK ends with exit 1" "exit=1" "$(grep '^exit=' "$out")"
e2e_finish
