#!/usr/bin/env bash
# applet.exe under Wine with the virtual recorder as wnaspi32.dll: the blank-disc check and its
# one retry. No tracks are staged, so once a blank disc is found the run ends in the
# files-missing path (exit 2) without starting a recording.
. "$(dirname "$0")/session_device_lib.sh"

device_check_begin

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
  close close close close close click "&OK" wait-memo "Required download files are missing!" \
  10000 dump click "&OK" wait-exit 10000 >"$out"
expect_eq "retry: uidriver steps held" "0" "$?"
wait "$swapper"
expect_eq "retry: the disc was swapped after the eject" "0" "$?"
dumps() { awk -v n="$1" '/^client=/{k++} k==n' "$out"; }
expect_eq "retry: attention message" "Version 1.40b||$attention||" \
  "$(dumps 1 | grep '^memo=' | tail -5 | sed 's/^memo=//' | paste -sd'|')"
expect_eq "retry: OK caption after the attention" "button=&OK" "$(dumps 1 | grep '^button=&O')"
expect_eq "retry: the blank disc passes; no track staged is the files-missing path" \
  "$attention|*** Error - Required download files are missing!  Press OK to exit now." \
  "$(dumps 2 | grep '^memo=.' | tail -2 | sed 's/^memo=//' | paste -sd'|')"
expect_true "retry: no recording started" lacks "Using CDR device" "$out"
expect_eq "retry: OK caption after the failure" "button=&OK" "$(dumps 2 | grep '^button=&O')"
expect_eq "retry: OK ends with exit 2" "exit=2" "$(grep '^exit=' "$out")"
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

# A TAO-only recorder with a blank disc at once and no track staged: nothing is sent to it
# after the blank-disc check, the files-missing path ends the run.
applet=$(device_session tao $'[device.0]\nwrite_types = tao\njournal = journal.txt\n')
out="$E2E_SCRATCH/tao.out"
drive start "$(winpath "$applet")" wait-memo "Required download files are missing!" 60000 dump \
  click "&OK" wait-exit 10000 >"$out"
expect_eq "no tracks: uidriver steps held" "0" "$?"
expect_true "no tracks: no attention message" lacks "No Blank CD" "$out"
expect_true "no tracks: no recording started" lacks "Using CDR device" "$out"
expect_true "no tracks: nothing written" lacks "WRITE(10)" "$(dirname "$applet")/journal.txt"
expect_eq "no tracks: OK ends with exit 2" "exit=2" "$(grep '^exit=' "$out")"
e2e_finish
