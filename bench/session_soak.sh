#!/usr/bin/env bash
# A soak of the packaged applet.exe under Wine: RUNS recordings in a row in one Wine prefix
# with the virtual recorder, each with a method (DAO = a raw-only recorder, SAO, TAO = a
# TAO-only recorder) and a fault drawn from the seed: none, a write error at a random LBA, the
# medium removed after a random number of blocks, the cue sheet refused, a recorder not ready
# for a while, a cancel at a random moment, a test write. Counts the outcomes it sees (the
# memo's completion or failure line, the exit code) and checks that the registry's statistics
# grew by exactly what they imply: a completion is one success, a failure shown and then OK
# two failures, a cancel one failure. All runs journal into one file; after each run's exit
# the script appends a marker, and no request may follow a marker before the next run starts.
# Prints a table; exits 1 on any mismatch.
#   bench/session_soak.sh [SEED] [RUNS]      (defaults: a seed from the clock, 20)
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here" || exit 1
. tests/e2e/lib.sh
. tests/e2e/session_lib.sh
. tests/e2e/session_device_lib.sh
SEED=${1:-$(date +%s)}
RUNS=${2:-20}
RANDOM=$SEED
echo "seed $SEED, $RUNS runs (bench/session_soak.sh $SEED $RUNS repeats them)"

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 150 190); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
  done
fi
scratch_dir
trap 'rm -rf "$E2E_SCRATCH"; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null' EXIT
session_device_prepare
export WINEDLLOVERRIDES="$NATIVE_ASPI"
DECODER="$WIN32/tools/qlnxaudio/qlnxaudio.dll"
JOURNAL="$E2E_SCRATCH/journal.txt"
completed='CD completed successfully!'
failed='*** Error - A problem has prevented completion of your CD.'

# The album: two tracks, 10 s and 20 s (750 + 1500 sectors). A write error lies in track 1 (in
# TAO the recorder itself makes the 150 blocks after it), a removed medium before the end.
SECTORS=2250 TRACK1=750
for t in 1:10 2:20; do
  sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/t.wav" synth "${t#*:}" sine 200-900 pinknoise \
    vol 0.4 2>/dev/null && lame --quiet -b 128 "$E2E_SCRATCH/t.wav" "$E2E_SCRATCH/t${t%%:*}.mp3" ||
    exit 1
done

# counters: the seven statistics values as NAME=VALUE (the Wine server has ended after drive).
counters() {
  awk '/^\[Software\\\\Quillon\\\\QLNApplet\\\\1.0\]/ { on = 1; next } /^\[/ { on = 0 }
       on && /^"/ { gsub(/"/, ""); print }' "$WINEPREFIX/user.reg" | sort
}
value() { sed -n "s/^$2=//p" <<<"$1" | grep . || echo 0; } # COUNTERS NAME

faults=(none write_error medium_removed cue_refused not_ready cancel test_write)
methods=(DAO SAO TAO)
declare -A seen expect_success expect_fail
before=$(counters)
start=$(date +%s)
mismatches=0
printf '%-4s %-4s %-15s %-22s %-10s %-5s %s\n' run meth fault detail outcome exit counted
for ((n = 1; n <= RUNS; n++)); do
  fault=${faults[RANDOM % ${#faults[@]}]}
  method=${methods[RANDOM % 3]}
  keys=$(printf '[device.0]\nimage = disc\njournal = %s\n' "$(winpath "$JOURNAL")")
  case "$method" in DAO) keys+=$'\nwrite_types = raw' ;; TAO) keys+=$'\nwrite_types = tao' ;; esac
  detail="" args="" finish=(wait-button "&OK" 180000 dump click "&OK" wait-exit 30000)
  case "$fault" in
  write_error) detail="LBA $((RANDOM % TRACK1))"; keys+=$'\nfault.write_error_lba = '"${detail#LBA }" ;;
  medium_removed)
    detail="after $((RANDOM % (SECTORS - 750))) blocks"
    keys+=$'\nfault.remove_medium_after_blocks = '"$(awk '{print $2}' <<<"$detail")" ;;
  cue_refused) keys+=$'\nfault.reject_cue_sheet = yes' ;;
  not_ready) detail="$((1000 + RANDOM % 8000)) ms"; keys+=$'\nfault.not_ready_ms = '"${detail% ms}" ;;
  cancel)
    detail="after $((RANDOM % 2000)) ms"
    keys+=$'\nspeed = 4' # the recording lasts longer than the cancel's delay
    finish=(wait-memo "(Using" 180000 sleep "$(awk '{print $2}' <<<"$detail")" click "&Cancel"
      wait-exit 30000) ;;
  test_write) args=" /test#13" ;;
  esac
  applet=$(device_session "run$n" "$keys"$'\n')
  dir=$(dirname "$applet")
  cp "$DECODER" "$dir/" && cp "$E2E_SCRATCH/t1.mp3" "$dir/QlnT-1.mp3" &&
    cp "$E2E_SCRATCH/t2.mp3" "$dir/QlnT-2.mp3"
  echo "=== run $n starts" >>"$JOURNAL"
  drive start "$(winpath "$applet")$args" "${finish[@]}" >"$dir/out.txt" 2>"$dir/err.txt"
  status=$?
  code=$(sed -n 's/^exit=//p' "$dir/out.txt")
  echo "=== run $n ended (exit ${code:-none})" >>"$JOURNAL"
  # The outcome as the window showed it, and what the statistics should count for it.
  used=$(grep -o '(Using [A-Z]*' "$dir/out.txt" | head -1 | sed 's/(Using //')
  [ -n "$used" ] || used=$method
  if [ "$fault" = cancel ]; then
    outcome=cancelled counted="${used}ModeFail+1"
    [ "$status" -eq 0 ] && [ "$code" = 1 ] || outcome="cancel missed"
  elif grep -qF "$completed" "$dir/out.txt" && [ "$code" = 0 ]; then
    outcome=success counted="${used}ModeSuccess+1"
  elif grep -qF "$failed" "$dir/out.txt" && [ "$code" = 1 ]; then
    outcome=failure counted="${used}ModeFail+2"
  else
    outcome="other" counted=""
  fi
  [ "$status" -eq 0 ] || outcome="$outcome!"
  case "$outcome" in
  success) expect_success[$used]=$((${expect_success[$used]:-0} + 1)) ;;
  failure) expect_fail[$used]=$((${expect_fail[$used]:-0} + 2)) ;;
  cancelled) expect_fail[$used]=$((${expect_fail[$used]:-0} + 1)) ;;
  *) counted="-"; mismatches=$((mismatches + 1)); grep '^uidriver:' "$dir/out.txt" ;;
  esac
  # What the fault must give: a completion for none, a test write, a recorder that becomes
  # ready, and a cue sheet refused by a method that sends none; a failure otherwise.
  want=failure
  case "$fault" in none | test_write | not_ready) want=success ;; cancel) want=cancelled ;;
  cue_refused) [ "$used" = SAO ] || want=success ;; esac
  if [ "$outcome" != "$want" ]; then
    outcome="$outcome (want $want)"
    mismatches=$((mismatches + 1))
  fi
  seen[$used]=1
  printf '%-4s %-4s %-15s %-22s %-10s %-5s %s\n' "$n" "$used" "$fault" "${detail:--}" \
    "$outcome" "${code:--}" "$counted"
  if grep -qaE 'Unhandled exception|page fault|Backtrace:' "$dir/out.txt" "$dir/err.txt"; then
    echo "run $n: crash text in the output"
    mismatches=$((mismatches + 1))
  fi
done
seconds=$(($(date +%s) - start))

# The registry against the outcomes counted.
after=$(counters)
echo
printf '%-16s %8s %8s %8s\n' counter expected registry ok
for m in DAO SAO TAO; do
  for kind in Success Fail; do
    name="${m}Mode$kind"
    if [ "$kind" = Success ]; then want=${expect_success[$m]:-0}; else want=${expect_fail[$m]:-0}; fi
    got=$(($(value "$after" "$name") - $(value "$before" "$name")))
    mark=yes
    [ "$got" -eq "$want" ] || { mark=NO; mismatches=$((mismatches + 1)); }
    printf '%-16s %8s %8s %8s\n' "$name" "$want" "$got" "$mark"
  done
done

# No request after a run's end marker: the next line is the next run's start marker.
late=$(awk '/^=== run [0-9]+ ended/ { ended = $3; next } /^=== run [0-9]+ starts/ { ended = ""; next }
            ended != "" { print "run " ended ": " $0; ended = "" }' "$JOURNAL")
if [ -n "$late" ]; then
  echo "requests after a run had ended:"
  echo "$late"
  mismatches=$((mismatches + 1))
else
  echo "journal: no request after any run's end ($(grep -c '^=== run .* ended' "$JOURNAL") runs)"
fi
echo "$RUNS runs in $seconds s; $mismatches mismatch(es)"
[ "$mismatches" -eq 0 ]
