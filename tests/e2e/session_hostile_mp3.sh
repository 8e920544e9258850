#!/usr/bin/env bash
# Broken and unusual MP3s staged as QlnT-2.mp3 behind a good QlnT-1.mp3 in the packaged applet
# under Wine, one table. A track that cannot be recorded (no bytes, random bytes, a WAV renamed,
# an ID3v2 tag whose size claims more than the file, 22.05 kHz audio) refuses the whole album
# before anything is written: no box (it would hold the run), one last memo line that names the
# track by its title and says why, exit 1, the applet kept for a retry. A mono track and one truncated mid-frame record
# as mpg123 decodes them (mono doubled into both channels), exit 0. Each row leaves no staged
# track and no process, within a minute. A refused track without a title is named by its file.
. "$(dirname "$0")/session_device_lib.sh"

device_check_begin
[ -f "$DECODER" ] && [ -x "$COMPARE" ] || { echo "build native and win32 first"; exit 1; }

completed='CD completed successfully!'
S=$E2E_SCRATCH
sox -n -r 44100 -c 2 -b 16 "$S/good.wav" synth 3 sine 330 vol 0.4 2>/dev/null
lame --quiet -b 128 "$S/good.wav" "$S/good.mp3"
sox -n -r 44100 -c 1 -b 16 "$S/mono.wav" synth 2.5 sine 440-880 vol 0.4 2>/dev/null
lame --quiet -b 64 -m m "$S/mono.wav" "$S/mono.mp3"
sox -n -r 22050 -c 2 -b 16 "$S/low.wav" synth 2 sine 330 vol 0.4 2>/dev/null
lame --quiet -b 64 "$S/low.wav" "$S/low.mp3"
head -c 30123 "$S/good.mp3" >"$S/truncated.mp3" # 30123 lies inside a 417-byte frame
: >"$S/empty.mp3"
{ printf 'junk'; head -c 60000 /dev/urandom; } >"$S/random.mp3"
# A tag header whose syncsafe size (0x7f7f7f7f: 256 MB) runs far past the end, then frames.
{ printf 'ID3\x03\x00\x00\x7f\x7f\x7f\x7f'; cat "$S/good.mp3"; } >"$S/id3.mp3"

# expected_pcm MP3 OUT: mpg123's decode, mono doubled into both channels.
expected_pcm() { mpg123 -q -s --stereo "$1" >"$2"; }
expected_pcm "$S/good.mp3" "$S/good.pcm"

# track_matches DIR N PCM: track N of the image holds the PCM within 2 per sample, same length
# once the padding of the last sector is taken off.
track_matches() {
  local d=$1 n
  (cd "$d" && rm -f out*.wav && bchunk -w disc.bin disc.cue out >/dev/null 2>&1) || return 1
  n=$(stat -c %s "$3")
  tail -c +45 "$d/out0$2.wav" | head -c "$n" >"$d/got$2.pcm"
  "$COMPARE" "$3" "$d/got$2.pcm" 2 >/dev/null
}
tracks_in_image() { grep -c '^ *TRACK' "$1/disc.cue"; }
no_process_left() { ! pgrep -f "$(basename "$1")/[Aa]pplet" >/dev/null; }

# refused_line TITLE REASON: the album's refusal as the memo's last line.
refused_line() { printf '*** Error - %s cannot be recorded. %s Nothing was recorded.' "$1" "$2"; }

# name | file staged as QlnT-2.mp3 | why it is refused ("" when the track records)
rows=(
  "empty|empty.mp3|It holds no track data."
  "random|random.mp3|It is not an MP3 file."
  "renamed-wav|good.wav|It is not an MP3 file."
  "id3-size|id3.mp3|It holds no track data."
  "low-rate|low.mp3|Its audio has a sample rate of 22050 Hz; a CD holds audio of 44100 Hz only."
  "mono|mono.mp3|"
  "truncated|truncated.mp3|"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name file refusal <<<"$row"
  [ -z "${ROWS:-}" ] || [[ "$name" =~ $ROWS ]] || continue
  applet=$(device_session "$name" $'[device.0]\nimage = disc\njournal = journal.txt\n')
  dir=$(dirname "$applet")
  cp "$DECODER" "$dir/"
  cp "$S/good.mp3" "$dir/QlnT-1.mp3"
  cp "$S/$file" "$dir/QlnT-2.mp3"
  out="$S/$name.out"
  started=$SECONDS
  if [ -n "$refusal" ]; then
    drive start "$(winpath "$applet")" wait-memo "cannot be recorded" 60000 dump click "&OK" \
      wait-exit 30000 >"$out"
    expect_eq "$name: uidriver steps held" "0" "$?"
    expect_eq "$name: the last line names the track and why" \
      "$(refused_line '"Lantern Light"' "$refusal")" "$(memo_tail "$out" 1)"
    expect_eq "$name: exit 1" "exit=1" "$(grep '^exit=' "$out")"
    expect_true "$name: nothing written" lacks "WRITE(10)" "$dir/journal.txt"
    expect_true "$name: the applet stays for a retry" test -e "$applet"
  else
    drive start "$(winpath "$applet")" wait-memo "$completed" 60000 click "&OK" \
      wait-exit 30000 >"$out"
    expect_eq "$name: uidriver steps held" "0" "$?"
    expect_eq "$name: both tracks recorded" "2" "$(tracks_in_image "$dir")"
    expected_pcm "$S/$file" "$S/$name.pcm"
    expect_true "$name: track 2 as mpg123 decodes it" track_matches "$dir" 2 "$S/$name.pcm"
    expect_eq "$name: exit 0" "exit=0" "$(grep '^exit=' "$out")"
    expect_true "$name: track 1 as mpg123 decodes it" track_matches "$dir" 1 "$S/good.pcm"
  fi
  expect_true "$name: no staged track left" test ! -e "$dir/QlnT-1.mp3" -a ! -e "$dir/QlnT-2.mp3"
  expect_true "$name: within 60 s ($((SECONDS - started)) s)" test $((SECONDS - started)) -lt 60
  expect_true "$name: no process left" no_process_left "$dir"
done

# A refused track that the liner notes give no title is named by its file.
if [ -z "${ROWS:-}" ] || [[ alone =~ $ROWS ]]; then
  applet=$(device_session alone $'[device.0]\nimage = disc\njournal = journal.txt\n')
  dir=$(dirname "$applet")
  printf '[INTERNAL]\r\nSize=1\r\n' >"$dir/linernotes.htm"
  cp "$DECODER" "$dir/"
  cp "$S/random.mp3" "$dir/QlnT-1.mp3"
  started=$SECONDS
  drive start "$(winpath "$applet")" wait-memo "cannot be recorded" 60000 dump click "&OK" \
    wait-exit 30000 >"$S/alone.out"
  expect_eq "alone: uidriver steps held" "0" "$?"
  expect_eq "alone: named by its file" "$(refused_line QlnT-1.mp3 "It is not an MP3 file.")" \
    "$(memo_tail "$S/alone.out" 1)"
  expect_eq "alone: exit 1" "exit=1" "$(grep '^exit=' "$S/alone.out")"
  expect_true "alone: nothing written" lacks "WRITE(10)" "$dir/journal.txt"
  expect_true "alone: no image" test ! -e "$dir/disc.cue"
  expect_true "alone: no staged track left" test ! -e "$dir/QlnT-1.mp3"
  expect_true "alone: within 60 s ($((SECONDS - started)) s)" test $((SECONDS - started)) -lt 60
  expect_true "alone: no process left" no_process_left "$dir"
fi
e2e_finish
