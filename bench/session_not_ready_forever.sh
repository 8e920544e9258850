#!/usr/bin/env bash
# A recorder that never becomes ready (fault.not_ready_ms = forever), under Wine: the blank-disc
# check's first TEST UNIT READY is retried for about five minutes, then "Operation has timed out"
# shows in an error box. Measures how long that takes and counts the attempts in the journal,
# then ends the program (it would go on through two more attempts, the load, three attempts
# again and the TOC read, each as long, before the attention line: too long for scripts/test).
# Needs DISPLAY (an X server) and the native and win32 builds.
. "$(dirname "$0")/../tests/e2e/lib.sh"
. "$(dirname "$0")/../tests/e2e/session_lib.sh"
. "$(dirname "$0")/../tests/e2e/session_device_lib.sh"
export WINEDLLOVERRIDES="$NATIVE_ASPI"

scratch_dir
session_device_prepare
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/s.wav" synth 2.0 sine 440 vol 0.5 2>/dev/null
lame --quiet -b 128 "$E2E_SCRATCH/s.wav" "$E2E_SCRATCH/t1.mp3"
cp "$E2E_SCRATCH/t1.mp3" "$E2E_SCRATCH/t2.mp3"
applet=$(album forever $'[device.0]\nimage = disc\njournal = journal.txt\nfault.not_ready_ms = forever\n')
journal="$(dirname "$applet")/journal.txt"
out="$E2E_SCRATCH/forever.out"

start=$SECONDS
# The last step fails on purpose: uidriver then ends the program it started.
drive start "$(winpath "$applet")" wait-memo "Version 1.40b" 60000 wait-dialog Error 400000 \
  dialog-text wait-exit 1000 >"$out"
seconds=$((SECONDS - start))
cat "$out"
expect_true "the error box says \"Operation has timed out\"" grep -qx 'text=Operation has timed out' "$out"
attempts=$(grep -c 'TEST UNIT READY | CHECK CONDITION 2/04/01' "$journal")
printf 'box after about %d s from the start (12.8 s of it the start-up pauses); %d TEST UNIT READY answered 2/04/01\n' \
  "$seconds" "$attempts"
expect_true "about 3001 attempts (at least 3001)" test "$attempts" -ge 3001
e2e_finish
