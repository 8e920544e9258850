#!/usr/bin/env bash
# Cancels of applet.exe under Wine at seeded random moments: each method (DAO = a raw-only
# recorder, SAO, TAO = a TAO-only recorder) in each phase it has: at the start (the tracks
# measured, the recorder prepared), in the lead-in, in the pregap (TAO: between the tracks),
# mid-track, with the cache full behind a slow recorder, and while the recorder flushes its
# cache (fault.sync_cache_ms), also for longer than the cancel waits for the threads
# (kCancelWaitMs, 5 s).
# Every run must end with exit 1 at once, count one failure for its method and nothing else,
# show no crash, leave no process, and unload the decoder library only after the recording
# threads have ended. A cancel in the last flush, which finishes the disc whatever comes, ends
# as the completed recording it is (OK, exit 0, one success), also when the flush outlasts the
# cancel's wait: the decoder is then unloaded once the threads have ended.
#
#   CANCEL_SEED   the seed (printed; default below)     CANCEL_RUNS   runs (default 20)
#   CANCEL_LANES  runs side by side, each lane in a Wine prefix of its own (default 2)
. "$(dirname "$0")/session_device_lib.sh"

device_check_begin
SEED=${CANCEL_SEED:-20261208}
RUNS=${CANCEL_RUNS:-20}
LANES=${CANCEL_LANES:-2}
echo "seed $SEED (CANCEL_SEED=$SEED repeats this draw), $RUNS runs in $LANES lanes"
RANDOM=$SEED

# The albums: short (20 s), long (3 min), two tracks (10 s, 20 s), and four of 5 min whose
# measuring (a decoding pass each) takes a while; the window reacts between two files.
ALBUMS="$E2E_SCRATCH/albums"
mkdir -p "$ALBUMS"
mp3() { # NAME SECONDS [KBPS]
  sox -n -r 44100 -c 2 -b 16 "$ALBUMS/$1.wav" synth "$2" sine 200-900 pinknoise vol 0.4 \
    2>/dev/null && lame --quiet --resample 44.1 -b "${3:-128}" "$ALBUMS/$1.wav" "$ALBUMS/$1.mp3" && rm "$ALBUMS/$1.wav"
}
mp3 s20 20 && mp3 s10 10 && mp3 l180 180 && mp3 m300 300 32 || { echo "cannot make the MP3s"; exit 1; }
album_files() { # PHASE METHOD: the album's MP3s, in track order
  case "$1" in
  measure) echo m300 m300 m300 m300 ;;
  midtrack | cachefull) echo l180 ;;
  pregap) [ "$2" = tao ] && echo s10 l180 || echo s20 ;;
  *) echo s20 ;;
  esac
}

# What each phase needs from the recorder, the condition that reaches it (a memo text, or a
# text of the journal), the range of the delay after it (ms), and which methods have it. DAO
# streams an 11484-block lead-in first: a large drive buffer takes it at once where the phase
# lies beyond it.
phase_keys() { # PHASE METHOD SPEED
  case "$1" in
  measure) echo "speed = 1" ;;
  leadin) echo "speed = 4" ;;
  pregap) [ "$2" = sao ] && printf 'speed = 1\nbuffer_kb = 64\n' || echo "speed = 4" ;;
  midtrack) [ "$2" = dao ] && printf 'speed = 8\nbuffer_kb = 30000\n' || echo "speed = 8" ;;
  cachefull) printf 'speed = %s\n' "$3"; [ "$2" = dao ] && echo "buffer_kb = 30000" ;;
  sync) echo "fault.sync_cache_ms = 3000" ;;
  longflush) echo "fault.sync_cache_ms = 8000" ;;
  esac
}
phase_wait() { # PHASE METHOD -> "memo|TEXT" or "journal|TEXT"
  case "$1" in
  measure) echo "memo|Do not disturb or run other programs while recording.  Please wait..." ;;
  leadin) echo "journal|WRITE(10) LBA -11634," ;;
  pregap) [ "$2" = tao ] && echo "journal|SYNCHRONIZE CACHE" || echo "journal|WRITE(10) LBA -150," ;;
  midtrack | cachefull) echo "journal|WRITE(10) LBA 0," ;;
  sync | longflush) echo "journal|SYNCHRONIZE CACHE" ;;
  esac
}
phase_delay() { # PHASE METHOD -> "MIN MAX"
  case "$1" in
  measure) echo "0 100" ;;
  leadin) echo "0 3000" ;;
  pregap) [ "$2" = tao ] && echo "0 100" || echo "0 600" ;;
  midtrack) echo "0 1500" ;;
  cachefull) echo "500 2500" ;;
  sync) echo "0 2500" ;;
  longflush) echo "0 1500" ;;
  esac
}
method_keys() { # METHOD
  case "$1" in dao) echo "write_types = raw" ;; tao) echo "write_types = tao" ;; esac
}

# The draw: every phase with every method it has once, in a seeded order, then phases and
# methods at random; each with a random delay (and a speed of 1..4 for the full cache).
combos=(measure:dao measure:sao measure:tao leadin:dao pregap:sao pregap:tao midtrack:dao
  midtrack:sao midtrack:tao cachefull:dao cachefull:sao cachefull:tao sync:dao sync:sao sync:tao
  longflush:dao longflush:sao longflush:tao)
for ((i = ${#combos[@]} - 1; i > 0; i--)); do
  j=$((RANDOM % (i + 1)))
  t=${combos[i]} combos[i]=${combos[j]} combos[j]=$t
done
draws=()
for ((n = 0; n < RUNS; n++)); do
  if ((n < ${#combos[@]})); then c=${combos[n]}; else c=${combos[RANDOM % ${#combos[@]}]}; fi
  read -r lo hi <<<"$(phase_delay "${c%%:*}" "${c##*:}")"
  draws+=("${c%%:*} ${c##*:} $((lo + RANDOM % (hi - lo + 1))) $((1 + RANDOM % 4))")
done

# counters PREFIX: the seven statistics values as NAME=VALUE, from the prefix's user registry
# (written when its Wine server has ended, which drive waits for).
counters() {
  awk '/^\[Software\\\\Quillon\\\\QLNApplet\\\\1.0\]/ { on = 1; next } /^\[/ { on = 0 }
       on && /^"/ { gsub(/"/, ""); print }' "$1/user.reg" | sort | paste -sd' '
}
# delta BEFORE AFTER: the counters that changed, as NAME+N; the counters wrap as signed 32-bit
# integers (another check leaves one at its largest value).
delta() {
  # A counter not there before (a new prefix) was 0.
  join -t= -a 2 -e 0 -o 0,1.2,2.2 <(tr ' ' '\n' <<<"$1" | sort) <(tr ' ' '\n' <<<"$2" | sort) |
    awk -F= '$3 != $2 { d = $3 - $2; if (d > 2147483647) d -= 4294967296;
                        if (d < -2147483648) d += 4294967296
                        printf "%s%s+%d", sep, $1, d; sep = " " }'
}
# writes JOURNAL: the first LBA of every WRITE(10), one a line.
writes() { sed -n 's/.*WRITE(10) LBA \(-\{0,1\}[0-9]*\),.*/\1/p' "$1"; }

# unload_after_threads TRACE [optional]: the decoder library is unloaded (FreeLibrary gives Wine's
# "Unloaded module" line) only after every recording thread has ended. Wine 8 traces no thread
# creation, so the recording threads are the threads of the applet's process, other than its
# first one, that show up in the trace after the decoder was loaded; each one's end is the
# "ThreadAmILastThread" query (class 12) that ExitThread makes, followed by the FLS clean-up.
# With "optional" the library may stay loaded to the process end (threads that outlived the
# cancel's wait); it must still not be unloaded under them.
unload_after_threads() {
  awk -v optional="${2:-}" '
    /trace:loaddll:build_module Loaded L".*qlnxaudio.dll"/ { split($1, f, ":"); pid = f[1]; main = f[2]; loaded = 1; next }
    !loaded { next }
    { split($1, f, ":") }
    f[1] != pid { next }
    /trace:loaddll:free_modref Unloaded module L".*qlnxaudio.dll"/ { unloaded = 1; for (t in seen) if (!(t in ended)) { print "thread " t " still ran at the unload"; bad = 1 } next }
    unloaded { next }
    f[2] != main { seen[f[2]] = 1 }
    f[2] != main && /NtQueryInformationThread \(0xfffffffe,12,/ { ended[f[2]] = 1 }
    END { if (!unloaded && optional == "") { print "no unload of the decoder library"; bad = 1 } exit bad }' "$1"
}
# recording_threads TRACE: how many threads of the applet ended after the decoder was loaded.
recording_threads() {
  awk '/Loaded L".*qlnxaudio.dll"/ { split($1, f, ":"); pid = f[1]; main = f[2]; on = 1; next }
       on { split($1, f, ":"); if (f[1] == pid && f[2] != main && /NtQueryInformationThread \(0xfffffffe,12,/) n++ }
       END { print n + 0 }' "$1"
}

# in_phase PHASE METHOD JOURNAL: the journal shows that the cancel came in the phase.
in_phase() {
  local j=$3 w
  w=$(writes "$j")
  case "$1" in
  # Measuring takes a few milliseconds now: the cancel comes during the start, before the slow
  # recorder (1x, a 2 MB buffer: 891 blocks) has taken much more than its buffer of audio.
  measure) [ "$( (echo -99999; writes "$j") | sort -n | tail -1)" -lt 1200 ] ;;
  leadin) [ -n "$w" ] && [ "$(sort -n <<<"$w" | tail -1)" -lt -150 ] ;;
  pregap)
    if [ "$2" = tao ]; then # the recorder makes the pause; the cancel comes before track 2 is far
      [ "$(sed -n '/SYNCHRONIZE CACHE/,$p' "$j" | grep -c 'WRITE(10)')" -le 20 ]
    else
      [ "$(awk '$1 >= 0' <<<"$w" | wc -l)" -le 1 ]
    fi ;;
  midtrack | cachefull) [ "$(sort -n <<<"$w" | tail -1)" -ge 0 ] ;; # the writer flushes after a cancel
  sync | longflush) grep -q "SYNCHRONIZE CACHE" "$j" ;;
  esac
}

# run_case N PREFIX: one drawn run in the given Wine prefix; prints its expectations.
run_case() {
  local n=$1 prefix=$2 phase method delay speed applet dir keys wait steps out before after
  read -r phase method delay speed <<<"${draws[n]}"
  local name="run $((n + 1)) (seed $SEED, $method, $phase, ${delay} ms)"
  export WINEPREFIX=$prefix
  keys=$(printf '[device.0]\nimage = disc\njournal = journal.txt\n%s\n%s\n' \
    "$(method_keys "$method")" "$(phase_keys "$phase" "$method" "$speed")")
  applet=$(device_session "case$n" "$keys")
  dir=$(dirname "$applet")
  cp "$DECODER" "$dir/"
  local t=1 f
  for f in $(album_files "$phase" "$method"); do cp "$ALBUMS/$f.mp3" "$dir/QlnT-$t.mp3"; t=$((t + 1)); done
  wait=$(phase_wait "$phase" "$method")
  if [ "${wait%%|*}" = memo ]; then steps=(wait-memo "${wait#*|}" 120000)
  else steps=(wait-memo "Please wait..." 120000 wait-file "$(winpath "$dir/journal.txt")" "${wait#*|}" 120000); fi
  before=$(counters "$prefix")
  out="$dir/uidriver.out"
  local flush="" ending=(wait-exit 15000) code=1 counted=Fail
  if [ "$phase" = sync ] || [ "$phase" = longflush ]; then
    flush=yes ending=(wait-memo "CD completed successfully!" 30000 click "&OK" wait-exit 15000)
    code=0 counted=Success
  fi
  WINEDEBUG=+pid,+loaddll,+thread drive start "$(winpath "$applet")" "${steps[@]}" sleep "$delay" \
    click "&Cancel" "${ending[@]}" >"$out" 2>"$dir/trace.txt"
  expect_eq "$name: uidriver steps held" "0" "$?"
  grep '^uidriver:' "$out"
  expect_eq "$name: exit $code" "exit=$code" "$(grep '^exit=' "$out")"
  after=$(counters "$prefix")
  expect_eq "$name: one outcome counted for the method, nothing else" \
    "${method^^}Mode$counted+1" "$(delta "$before" "$after")"
  expect_true "$name: the cancel came in the phase" in_phase "$phase" "$method" "$dir/journal.txt"
  expect_true "$name: no crash" bash -c "! grep -aE 'Unhandled exception|page fault|Backtrace:|err:seh|terminate called|abnormal program' '$out' '$dir/trace.txt'"
  expect_true "$name: no process left" bash -c "! ps -eo args | grep -qiE '[/\\\\]case$n[/\\\\]applet\\.exe'"
  expect_true "$name: decoder unloaded after the recording threads ended" \
    unload_after_threads "$dir/trace.txt"
  if [ "$phase" != measure ]; then
    expect_true "$name: recording threads ran and ended" test "$(recording_threads "$dir/trace.txt")" -ge 2
  fi
  if [ -n "$flush" ]; then
    expect_true "$name: the disc was finished" grep -q 'recording complete' "$dir/journal.txt"
  else
    expect_true "$name: the disc was not finished" lacks 'recording complete' "$dir/journal.txt"
  fi
  echo "$name: last write at LBA $(writes "$dir/journal.txt" | sort -n | tail -1), $(recording_threads "$dir/trace.txt") recording thread(s) ended"
}

# Lane 0 uses the checkout's prefix, the others a copy of it.
for ((l = 1; l < LANES; l++)); do
  cp -a "$WINEPREFIX" "$E2E_SCRATCH/prefix$l" || exit 1
done
for ((l = 0; l < LANES; l++)); do
  (
    prefix=$WINEPREFIX
    [ "$l" -eq 0 ] || prefix="$E2E_SCRATCH/prefix$l"
    for ((n = l; n < RUNS; n += LANES)); do
      E2E_SCRATCH_LANE="$E2E_SCRATCH/lane$l"
      mkdir -p "$E2E_SCRATCH_LANE"
      E2E_FAILURES=0
      (E2E_SCRATCH=$E2E_SCRATCH_LANE; run_case "$n" "$prefix"; exit "$E2E_FAILURES") \
        >"$E2E_SCRATCH/case$n.log" 2>&1
      echo $? >"$E2E_SCRATCH/case$n.status"
    done
  ) &
done
wait
for ((n = 0; n < RUNS; n++)); do
  cat "$E2E_SCRATCH/case$n.log"
  E2E_FAILURES=$((E2E_FAILURES + $(cat "$E2E_SCRATCH/case$n.status" 2>/dev/null || echo 1)))
done
e2e_finish
