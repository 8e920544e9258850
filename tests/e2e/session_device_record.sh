#!/usr/bin/env bash
# applet.exe under Wine records an album onto the virtual recorder (wnaspi32.dll beside it)
# with each method: the completion lines, the gauge at 102, exit 0 after OK, the disc ejected,
# the tracks removed; the image's tracks hold the audio of each MP3 within 2 per sample of
# mpg123 and of the same length. A test write says so in its log and its memo, leaves the disc
# blank, completes and keeps the applet. Failures end with the failure line and exit 1.
. "$(dirname "$0")/session_device_lib.sh"

device_check_begin
[ -f "$DECODER" ] && [ -x "$COMPARE" ] || { echo "build native and win32 first"; exit 1; }

completed='CD completed successfully!'
failed='*** Error - A problem has prevented completion of your CD.'

sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/s1.wav" synth 3.3 sine 220-880 pinknoise vol 0.4 2>/dev/null
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/s2.wav" synth 2.1 sine 440 vol 0.5 2>/dev/null
lame --quiet -b 192 "$E2E_SCRATCH/s1.wav" "$E2E_SCRATCH/t1.mp3"
lame --quiet -V 4 "$E2E_SCRATCH/s2.wav" "$E2E_SCRATCH/t2.mp3"
mpg123 -q -s "$E2E_SCRATCH/t1.mp3" >"$E2E_SCRATCH/e1.pcm"
mpg123 -q -s "$E2E_SCRATCH/t2.mp3" >"$E2E_SCRATCH/e2.pcm"

# method | recorder keys | method line
cases=(
  "sao||(Using SAO method)"
  "dao|write_types = raw|(Using DAO method)"
  "tao|write_types = tao|(Using TAO method- Pause near end is normal)"
)
for c in "${cases[@]}"; do
  IFS='|' read -r m keys line <<<"$c"
  applet=$(album "$m" $'[device.0]\nimage = disc\njournal = journal.txt\n'"$keys"$'\n')
  dir=$(dirname "$applet")
  out="$E2E_SCRATCH/$m.out"
  drive start "$(winpath "$applet")" wait-memo "$completed" 120000 dump click "&OK" \
    wait-exit 30000 >"$out"
  expect_eq "$m: uidriver steps held" "0" "$?"
  expect_true "$m: method line" grep -qxF "memo=$line" "$out"
  expect_eq "$m: completion lines" \
    " *********************************|$completed|*********************************|Hint - Label your CD with a good felt marker." \
    "$(grep '^memo=' "$out" | grep -A3 -F '**********' | head -4 | sed 's/^memo=//' | paste -sd'|')"
  expect_true "$m: no failure line" lacks "$failed" "$out"
  expect_eq "$m: gauge at completion" "gauge=102" "$(grep '^gauge=' "$out")"
  expect_eq "$m: OK ends with exit 0" "exit=0" "$(grep '^exit=' "$out")"
  expect_true "$m: disc ejected after the recording" grep -q 'START STOP UNIT eject | GOOD' \
    "$dir/journal.txt"
  expect_true "$m: recording complete" grep -q "recording complete: 2 track(s)" "$dir/journal.txt"
  expect_true "$m: staged tracks removed" test ! -e "$dir/QlnT-1.mp3" -a ! -e "$dir/QlnT-2.mp3"
  expect_true "$m: audio within 2 of mpg123" audio_matches "$dir"
done
expect_true "dao: Q check clean" grep -q "Q sub-channel check: 0 violation(s)" \
  "$E2E_SCRATCH/dao/journal.txt"

# A recorder paced at 52x (its 2 MB buffer lasts 0.23 s once full): six minutes in two tracks
# record without a buffer underrun.
applet=$(album paced $'[device.0]\nimage = disc\njournal = journal.txt\nspeed = 52\n')
dir=$(dirname "$applet")
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/three.wav" synth 180 sine 200-2000 pinknoise vol 0.4 \
  2>/dev/null
lame --quiet -b 192 "$E2E_SCRATCH/three.wav" "$dir/QlnT-1.mp3"
cp "$dir/QlnT-1.mp3" "$dir/QlnT-2.mp3"
drive start "$(winpath "$applet")" wait-memo "$completed" 120000 click "&OK" \
  wait-exit 30000 >"$E2E_SCRATCH/paced.out" &
first=$!
# A second start in the same folder while the album records: one box, exit 9, and the liner
# notes not staged again (their change time stays; the first run's ending keeps them).
for _ in $(seq 600); do grep -q 'WRITE(10)' "$dir/journal.txt" 2>/dev/null && break; sleep 0.1; done
files() { stat -c '%n %s %Z' "$dir/linernotes.htm"; }
before=$(files)
"$ROOT/scripts/wine-run" "$UIDRIVER" start "$(winpath "$applet")" wait-dialog "QLN Applet" 20000 \
  dialog-text dialog-click OK wait-exit 10000 2>&1 | tr -d '\r' >"$E2E_SCRATCH/second.out"
expect_eq "second start: exit 9" "exit=9" "$(grep '^exit=' "$E2E_SCRATCH/second.out")"
expect_true "second start: the box says so" grep -q 'already being recorded from this folder' \
  "$E2E_SCRATCH/second.out"
expect_eq "second start: the liner notes untouched" "$before" "$(files)"
wait "$first"
expect_eq "paced 52x: uidriver steps held" "0" "$?"
expect_eq "paced 52x: exit 0" "exit=0" "$(grep '^exit=' "$E2E_SCRATCH/paced.out")"
expect_true "paced 52x: recording complete" grep -q "recording complete: 2 track(s)" \
  "$dir/journal.txt"
expect_true "paced 52x: no buffer underrun" lacks "buffer underrun" "$dir/journal.txt"

# A test write: the recorder's test mode, the disc left blank, the session completes, says
# that nothing was written, and the applet stays for the real recording.
applet=$(album test $'[device.0]\nimage = disc\njournal = journal.txt\n')
dir=$(dirname "$applet")
drive start "$(winpath "$applet") /test#13" \
  wait-memo "Test completed: nothing was written to the CD." 120000 dump click "&OK" \
  wait-exit 30000 >"$E2E_SCRATCH/test.out"
expect_eq "test write: uidriver steps held" "0" "$?"
expect_eq "test write: exit 0" "exit=0" "$(grep '^exit=' "$E2E_SCRATCH/test.out")"
expect_true "test write: test mode set" grep -q "test write" "$dir/journal.txt"
expect_true "test write: no image" test ! -e "$dir/disc.cue"
expect_true "test write: no success line" lacks "$completed" "$E2E_SCRATCH/test.out"
expect_true "test write: the applet stays, no removal batch" \
  test -f "$applet" -a ! -e "$dir/qln1ebat.bat"

# A write error: the failure line, OK ends with exit 1 and nothing is ejected.
applet=$(album fail $'[device.0]\nimage = disc\njournal = journal.txt\nfault.write_error_lba = 200\n')
dir=$(dirname "$applet")
drive start "$(winpath "$applet")" wait-memo "$failed" 120000 dump click "&OK" \
  wait-exit 30000 >"$E2E_SCRATCH/fail.out"
expect_eq "write error: uidriver steps held" "0" "$?"
expect_true "write error: OK caption" grep -qx "button=&OK" "$E2E_SCRATCH/fail.out"
expect_true "write error: no completion" lacks "$completed" "$E2E_SCRATCH/fail.out"
expect_eq "write error: exit 1" "exit=1" "$(grep '^exit=' "$E2E_SCRATCH/fail.out")"
expect_true "write error: not ejected" lacks "START STOP UNIT eject" "$dir/journal.txt"

# Cancel while the recorder streams a minute of audio at 1x: exit 1 at once, the disc not
# finished.
applet=$(album cancel $'[device.0]\nimage = disc\njournal = journal.txt\nspeed = 1\n')
dir=$(dirname "$applet")
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/long.wav" synth 60 sine 300 vol 0.4 2>/dev/null
lame --quiet -b 128 "$E2E_SCRATCH/long.wav" "$dir/QlnT-1.mp3"
drive start "$(winpath "$applet")" wait-memo "(Using SAO method)" 60000 click "&Cancel" \
  wait-exit 15000 >"$E2E_SCRATCH/cancel.out"
expect_eq "cancel: uidriver steps held" "0" "$?"
expect_eq "cancel: exit 1" "exit=1" "$(grep '^exit=' "$E2E_SCRATCH/cancel.out")"
expect_true "cancel: the recording had been started" grep -q "SET CD SPEED" "$dir/journal.txt"
expect_true "cancel: the disc was not finished" lacks "recording complete" "$dir/journal.txt"

# No decoder library: said once in the memo as its last line, nothing recorded, exit 1 after OK.
applet=$(album nodecoder $'[device.0]\nimage = disc\njournal = journal.txt\n')
dir=$(dirname "$applet")
rm "$dir/qlnxaudio.dll"
drive start "$(winpath "$applet")" wait-memo "could not be loaded" 120000 dump click "&OK" \
  wait-exit 30000 >"$E2E_SCRATCH/nodecoder.out"
expect_eq "no decoder: uidriver steps held" "0" "$?"
expect_eq "no decoder: said once" "1" "$(grep -c 'qlnxaudio.dll could not be loaded' "$E2E_SCRATCH/nodecoder.out")"
expect_eq "no decoder: the last line" \
  "*** Error - The MP3 decoder library qlnxaudio.dll could not be loaded. Nothing was recorded." \
  "$(memo_tail "$E2E_SCRATCH/nodecoder.out" 1)"
expect_eq "no decoder: exit 1" "exit=1" "$(grep '^exit=' "$E2E_SCRATCH/nodecoder.out")"
expect_true "no decoder: nothing written" lacks "WRITE(10)" "$dir/journal.txt"
e2e_finish
