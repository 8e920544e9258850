#!/usr/bin/env bash
# applet.exe under Wine against a faulty recorder (the virtual recorder as wnaspi32.dll), one
# row per fault. Each row checks the memo lines (method line, completion, failure or attention
# line), the status log's lines where a command failed (the sense text), the exit code, the
# statistics counter that moved (the key is removed before each row), that the run ends within
# its time and that no applet.exe or uidriver.exe of the row is left running.
#
# PASSTHROUGH=1 also runs route_rows through the SCSI pass-through (PASSTHROUGH=only: just those,
# as session_faults_passthrough.sh does): no wnaspi32.dll, drive D: a CD-ROM whose device is the
# SG_IO stand-in (passthrough_lib.sh); each method must record the album (cd-info, and each
# track against mpg123) and the faults end as on the ASPI route.
#
# Left to other checks: each method completing, paced 52x, a test write, a write error mid-track
# with SAO, a cancel (session_device_record.sh); an audio disc, its eject, the retry and the
# second miss with exit 5 (session_device_blank.sh).
#
#   ROWS   a regular expression: run only the rows whose name matches
. "$(dirname "$0")/session_device_lib.sh"
. "$(dirname "$0")/ending_lib.sh"
. "$(dirname "$0")/passthrough_lib.sh"
export LC_ALL=C

device_check_begin

completed='CD completed successfully!'
completion_lines=" *********************************|$completed|*********************************|Hint - Label your CD with a good felt marker."
failed='*** Error - A problem has prevented completion of your CD. This may be due to a defect on the blank CD, to running other programs while recording, running out of memory, to "Auto Insert Notification" (AIN) being enabled, or there may be a problem with your recorder. Click the Help button to read more or press OK to exit now.'
attention='*** Attention - No Blank CD was found, please check it. Then try again by pressing OK after inserting a blank CD. Program will exit if a blank CD is not found again.'
declare -A method_line=([sao]='(Using SAO method)' [dao]='(Using DAO method)'
  [tao]='(Using TAO method- Pause near end is normal)')
declare -A method_keys=([sao]='' [dao]='write_types = raw' [tao]='write_types = tao')
counters=(DAOModeFail DAOModeSuccess SAOModeFail SAOModeSuccess TAOModeFail TAOModeSuccess)

# Two short tracks (2.0 s and 2.5 s), and a long one for the paced rows.
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/s1.wav" synth 2.0 sine 220-880 vol 0.4 2>/dev/null
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/s2.wav" synth 2.5 sine 440 vol 0.5 2>/dev/null
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/long.wav" synth 150 sine 200-2000 pinknoise vol 0.4 \
  2>/dev/null
lame --quiet -b 128 "$E2E_SCRATCH/s1.wav" "$E2E_SCRATCH/t1.mp3"
lame --quiet -b 128 "$E2E_SCRATCH/s2.wav" "$E2E_SCRATCH/t2.mp3"
lame --quiet -b 128 "$E2E_SCRATCH/long.wav" "$E2E_SCRATCH/long.mp3"

mpg123 -q -s "$E2E_SCRATCH/t1.mp3" >"$E2E_SCRATCH/e1.pcm"
mpg123 -q -s "$E2E_SCRATCH/t2.mp3" >"$E2E_SCRATCH/e2.pcm"
ROUTE=aspi

# album_recorded DIR: cd-info reads two tracks from the image, and bchunk's tracks hold the audio
# of the MP3s within 2 per sample of mpg123, of the same length once the padding is taken off.
album_recorded() {
  local d=$1
  [ "$(cd-info --no-device-info --quiet --cue-file "$d/disc.cue" 2>/dev/null |
    grep -cE '^ +[0-9]+: .*audio')" = 2 ] && audio_matches "$d"
}

# row_processes NAME: the Windows processes of the row still running (its applet.exe, and the
# uidriver.exe that started it), as "PID COMMAND".
row_processes() {
  pgrep -af "^[^ ]*(uidriver\.exe .*|)$(basename "$E2E_SCRATCH").$1.applet\.exe" || true
}

# bounded_drive NAME SECONDS OUT STEP...: drive, bounded by SECONDS of wall-clock time, then
# the statistics key read into OUT.reg. Past the bound the row's processes are named, ended and
# the drive counts as failed. Returns uidriver's exit code.
bounded_drive() {
  local name=$1 limit=$2 out=$3 pid start=$SECONDS left
  shift 3
  session_package "$@"
  # The statistics key is read by the same Wine server, right after uidriver.
  in_netns offline bash -c '
    out=$1 wine_run=$2 key=$3
    shift 3
    "$wine_run" "$@" | tr -d "\r" >"$out"
    echo "${PIPESTATUS[0]}" >"$out.status"
    QLN_NO_X=1 "$wine_run" reg query "$key" 2>/dev/null | tr -d "\r" >"$out.reg"' \
    bounded_drive "$out" "$ROOT/scripts/wine-run" "$STATISTICS_KEY" "$UIDRIVER" "$@" &
  pid=$!
  while kill -0 "$pid" 2>/dev/null && ((SECONDS - start < limit)); do sleep 0.5; done
  if kill -0 "$pid" 2>/dev/null; then
    left=$(row_processes "$name")
    expect_eq "$name: ends within $limit s (still running: ${left:-none})" "ended" "running"
    kill -9 $(printf '%s\n' "$left" | awk '{print $1}') 2>/dev/null
  fi
  wait "$pid"
  return "$(cat "$out.status" 2>/dev/null || echo 99)"
}

# counter_changes REG_OUTPUT: sets CHANGES to the counters that changed since the last call, as
# NAME+N (or none); the key is removed once before the first row, and read after each.
COUNTERS_BEFORE=$(for c in "${counters[@]}"; do echo "$c 0"; done)
counter_changes() {
  local now
  now=$(awk '$2 ~ /^REG_/ && $1 != "AINmatters" { print $1, $3 }' "$1" 2>/dev/null | sort)
  if [ -z "$now" ]; then
    CHANGES="no statistics key"
    return
  fi
  CHANGES=$(join <(printf '%s\n' "$COUNTERS_BEFORE") <(printf '%s\n' "$now") |
    awk '$3 != $2 { printf "%s%s%+d", sep, $1, $3 - $2; sep = " " } END { if (!sep) print "none" }')
  COUNTERS_BEFORE=$now
}

# The LBA of the WRITE that failed, from the journal.
failed_write_lba() {
  grep -m1 -E 'WRITE\((10|12)\) LBA .*CHECK CONDITION' "$1" | sed -E 's/.*LBA (-?[0-9]+),.*/\1/'
}

# row NAME METHOD KEYS ENDING EXIT COUNTER JOURNAL LOG [SECONDS] [STEPS]
#   METHOD   sao, dao or tao: the recorder's write types (sao: all three)
#   KEYS     further recorder keys, "~" between them
#   ENDING   complete, fail, no-blank or cancel (Cancel pressed while the method runs)
#   COUNTER  the one counter that moved and by how much (NAME+N), or none
#   JOURNAL  texts that stand in the recorder's journal, "~" between them
#   LOG      consecutive lines of the status log; @LBA is the failed WRITE's LBA
#   SECONDS  the wall-clock bound (default 90)
#   STEPS    uidriver steps between the start and the wait for the ending, "~" between them
row() {
  local name=$1 method=$2 keys=$3 ending=$4 code=$5 counter=$6 journal=$7 log=$8
  local limit=${9:-90} extra=${10:-} applet dir out steps=() pre=() lba text start=$SECONDS
  [[ $name =~ ${ROWS:-.} ]] || return 0
  [ "$ROUTE" != aspi ] || [ "${PASSTHROUGH:-}" != only ] || return 0
  [ "$ROUTE" = aspi ] || name=pt-$name
  applet=$(album "$name" $'[device.0]\nimage = disc\njournal = journal.txt\n'"${method_keys[$method]}"$'\n'"${keys//\~/$'\n'}"$'\n')
  dir=$(dirname "$applet")
  out="$E2E_SCRATCH/$name.out"
  [ -z "$extra" ] || IFS='~' read -ra pre <<<"$extra"
  case $ending in
  complete) steps=(wait-memo "$completed" 60000 dump status-log click '&OK' wait-exit 30000) ;;
  fail) steps=(wait-memo "A problem has prevented" 60000 dump status-log click '&OK' wait-exit 30000) ;;
  no-blank) steps=(wait-memo "No Blank CD was found" 60000 dump click '&OK' wait-exit 30000) ;;
  cancel) steps=(wait-memo "${method_line[$method]}" 60000 sleep 3000 dump status-log click
    '&Cancel' wait-exit 30000) ;;
  esac
  [ -z "${ROW_SETUP:-}" ] || "$ROW_SETUP" "$dir"
  if [ "$ROUTE" = aspi ]; then
    bounded_drive "$name" "$limit" "$out" start "$(winpath "$applet")" "${pre[@]}" "${steps[@]}"
  else
    rm "$dir/wnaspi32.dll"
    sg_start "$dir/virtualrecorder.ini" "$E2E_SCRATCH/sr0"
    QLN_WINE_PRELOAD=$SG_PRELOAD_ANY bounded_drive "$name" "$limit" "$out" start "$(winpath "$applet")" \
      "${pre[@]}" "${steps[@]}"
  fi
  expect_eq "$name: uidriver steps held" "0" "$?"
  sg_stop
  if [ "$ROUTE" != aspi ] && [ "$ending" != no-blank ]; then
    expect_true "$name: the status log names the route" grep -qxF \
      "log=Device route: SCSI pass-through" "$out"
  fi
  expect_eq "$name: exit $code" "exit=$code" "$(grep '^exit=' "$out")"
  case $ending in
  complete)
    expect_true "$name: method line" grep -qxF "memo=${method_line[$method]}" "$out"
    expect_eq "$name: completion lines" "$completion_lines" \
      "$(grep '^memo=' "$out" | grep -A3 -F '**********' | head -4 | sed 's/^memo=//' | paste -sd'|')"
    expect_true "$name: no failure line" lacks "$failed" "$out"
    [ "$ROUTE" = aspi ] || expect_true "$name: the album on the disc" album_recorded "$dir"
    ;;
  fail)
    expect_true "$name: method line" grep -qxF "memo=${method_line[$method]}" "$out"
    expect_eq "$name: failure line last" "memo=$failed" "$(grep '^memo=' "$out" | tail -1)"
    expect_true "$name: no completion" lacks "$completed" "$out"
    ;;
  cancel)
    expect_true "$name: method line" grep -qxF "memo=${method_line[$method]}" "$out"
    expect_true "$name: cancelled mid-track" grep -qE 'WRITE\(10\) LBA [1-9]' "$dir/journal.txt"
    expect_true "$name: the disc was not finished" lacks "recording complete" "$dir/journal.txt"
    ;;
  no-blank)
    expect_true "$name: attention line" grep -qxF "memo=$attention" "$out"
    expect_true "$name: no recording started" lacks "Using CDR device" "$out"
    ;;
  esac
  counter_changes "$out.reg"
  expect_eq "$name: statistics counter moved" "$counter" "$CHANGES"
  if [ -n "$journal" ]; then
    IFS='~' read -ra texts <<<"$journal"
    for text in "${texts[@]}"; do
      expect_true "$name: journal has \"$text\"" grep -qF -- "$text" "$dir/journal.txt"
    done
  fi
  if [ -n "$log" ]; then
    lba=$(failed_write_lba "$dir/journal.txt")
    log=${log//@LBA/$lba}
    expect_true "$name: status log has \"$log\"" bash -c '[[ "~$(grep "^log=" "$1" | sed "s/^log=//" | paste -sd"~")~" == *"~$2~"* ]]' \
      _ "$out" "$log"
  fi
  expect_eq "$name: no process left behind" "" "$(row_processes "$name")"
  echo "     $name: $((SECONDS - start)) s"
}

wine_reg delete "$STATISTICS_KEY" /f >/dev/null

# Each row: name, method, recorder keys, ending, exit, counter, journal texts, status log lines.
# Readiness: a recorder that becomes ready late is waited for; one that is busy at the scan too.
row not-ready-18s sao 'fault.not_ready_ms = 18000' complete 0 SAOModeSuccess+1 \
  'TEST UNIT READY | CHECK CONDITION 2/04/01' ''
row busy-4s sao 'fault.busy_ms = 4000' complete 0 SAOModeSuccess+1 'BUSY' ''
row attention-at-scan sao 'fault.unit_attention = 29' complete 0 SAOModeSuccess+1 \
  'CHECK CONDITION 6/29/00' ''
# Write errors by where they strike. Only DAO writes the lead-in and the lead-out itself; SAO and
# DAO write track 1's pregap (-150..-1), TAO does not (the recorder makes it): that row is the
# TAO-only recorder completing.
row dao-lead-in dao 'fault.write_error_lba = -6000' fail 1 DAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
row dao-pregap dao 'fault.write_error_lba = -100' fail 1 DAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
row sao-pregap sao 'fault.write_error_lba = -100' fail 1 SAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
row tao-pregap tao 'fault.write_error_lba = -100' complete 0 TAOModeSuccess+1 \
  'recording complete: 2 track(s)' ''
row dao-mid-track dao 'fault.write_error_lba = 100' fail 1 DAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
row tao-mid-track tao 'fault.write_error_lba = 100' fail 1 TAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
row dao-lead-out dao 'fault.write_error_lba = 3000' fail 1 DAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
# The cue sheet refused, the disc taken out while recording.
row cue-sheet-refused sao 'fault.reject_cue_sheet = yes' fail 1 SAOModeFail+2 '' \
  'Thread1: Error sending cue sheet~Thread1: INVALID FIELD IN PARAMETER LIST ($05/$26/$00)'
row medium-removed sao 'fault.remove_medium_after_blocks = 300' fail 1 SAOModeFail+2 '' \
  'Thread2: Write Error @ Sector @LBA~Thread2: MEDIUM NOT PRESENT ($02/$3A/$01)'
# A drive reset in the middle of the recording: its unit attention fails the write.
row attention-mid-recording sao 'fault.unit_attention_after_blocks = 300' fail 1 SAOModeFail+2 \
  '' 'Thread2: Write Error @ Sector @LBA~Thread2: POWER ON, RESET OR BUS DEVICE RESET OCURRED ($06/$29/$00)'
# The tray open at the start: the blank check closes it and records. No disc: the attention
# line, and a second miss ends with 5 and no counter.
row tray-open sao 'tray = open' complete 0 SAOModeSuccess+1 'START STOP UNIT load | GOOD' ''
row no-disc sao 'medium = none' no-blank 5 none \
  'START STOP UNIT load | GOOD~START STOP UNIT eject | GOOD' ''
# A raw-only recorder (tao-pregap above is the TAO-only one), and one whose capabilities page is
# too short to hold its write speeds: it records at the maximum speed.
row raw-only dao '' complete 0 DAOModeSuccess+1 'recording complete: 2 track(s)' ''
row short-capabilities sao 'capabilities_page_length = 14' complete 0 SAOModeSuccess+1 \
  'SET CD SPEED read 65535 write 65535~recording complete: 2 track(s)' ''

# Paced at 52x while the main window is dragged about for 2.5 s from the start of the recording
# (the dump after the drag shows it still running): no buffer underrun. The ending's pauses
# come after the recording has ended, so no row runs one during a recording.
long_tracks() { cp "$E2E_SCRATCH/long.mp3" "$1/QlnT-1.mp3" && cp "$E2E_SCRATCH/long.mp3" "$1/QlnT-2.mp3"; }
ROW_SETUP=long_tracks row paced-52x-moved sao 'speed = 52' complete 0 SAOModeSuccess+1 \
  'recording complete: 2 track(s)' '' 120 'wait-memo~(Using SAO method)~move-window~2500~dump'
if [[ paced-52x-moved =~ ${ROWS:-.} ]] && [ "${PASSTHROUGH:-}" != only ]; then
  out="$E2E_SCRATCH/paced-52x-moved.out"
  expect_true "paced-52x-moved: the window moved" grep -qE '^moves=[1-9]' "$out"
  expect_true "paced-52x-moved: still recording after the drag" bash -c \
    "awk '/^client=/{k++} k==1' '$out' | grep -q '^memo=(Using SAO method)' &&
     ! awk '/^client=/{k++} k==1' '$out' | grep -qF '$completed'"
  expect_true "paced-52x-moved: no buffer underrun" lacks "buffer underrun" \
    "$E2E_SCRATCH/paced-52x-moved/journal.txt"
fi
# The pass-through route, in a prefix of its own: each method completing (SAO after a drive not
# ready for 18 s; a raw-only and a TAO-only recorder), a write error mid-track, the disc taken
# out while recording, Cancel pressed in the middle of a track, sense data of an odd format.
route_rows() {
  row not-ready-18s sao 'fault.not_ready_ms = 18000' complete 0 SAOModeSuccess+1 \
    'TEST UNIT READY | CHECK CONDITION 2/04/01' ''
  row raw-only dao '' complete 0 DAOModeSuccess+1 'recording complete: 2 track(s)' ''
  row tao-pregap tao 'fault.write_error_lba = -100' complete 0 TAOModeSuccess+1 \
    'recording complete: 2 track(s)' ''
  row dao-mid-track dao 'fault.write_error_lba = 100' fail 1 DAOModeFail+2 '' \
    'Thread2: Write Error @ Sector @LBA~Thread2: WRITE ERROR ($03/$0C/$00)'
  row medium-removed sao 'fault.remove_medium_after_blocks = 300' fail 1 SAOModeFail+2 '' \
    'Thread2: Write Error @ Sector @LBA~Thread2: MEDIUM NOT PRESENT ($02/$3A/$01)'
  ROW_SETUP=long_tracks row cancel-mid-track sao 'speed = 1' cancel 1 SAOModeFail+1 '' '' 120
  # Sense data of no known format (its bytes would read as "becoming ready"): no retry, no key.
  QLN_SG_FAULT='2A sense 7F 00 02 00 00 00 00 0A 00 00 00 00 04 01' row odd-sense sao '' fail 1 \
    SAOModeFail+2 '' 'Thread2: Write Error @ Sector -150~Thread2: Unknown Error ($00/$00/$00)'
}
if [ -n "${PASSTHROUGH:-}" ]; then
  ROUTE=passthrough
  passthrough_prefix "$E2E_SCRATCH/sr0"
  wine_reg delete "$STATISTICS_KEY" /f >/dev/null 2>&1
  COUNTERS_BEFORE=$(for c in "${counters[@]}"; do echo "$c 0"; done)
  route_rows
fi
e2e_finish
