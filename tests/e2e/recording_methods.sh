#!/usr/bin/env bash
# The recording engine natively: applet-tool record onto the virtual recorder's libwnaspi32.so,
# each layout with each method, and the album through SG_IO on the stand-in node (--device). cd-info must list the expected track starts and lead-out,
# bchunk must give back each track's audio (mpg123's decode of an MP3 padded to the sector, the
# WAV's data, the BIN's bytes, also where a cue sheet names the MP3 and the WAV) and the Mode 1
# track's user data, every Mode 1 sector must carry a valid EDC and the ECC our encoder gives,
# and raw DAO must pass the recorder's Q check.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/passthrough_lib.sh"

scratch_dir
S=$E2E_SCRATCH
cd "$S" || exit 1
cp "$NATIVE/tools/applet-tool/applet-tool" "$NATIVE/tools/qlnxaudio/libqlnxaudio.so" .
ASPI="$NATIVE/tools/virtual-recorder/libwnaspi32.so"
SECTOR=2352

# Sources: two MP3s and a WAV for the album; a Mode 1 image and an audio BIN for the cue sheet
# (a mode change, a generated pregap before an index 0 that lies in the file, a track with
# three indexes).
sox -n -r 44100 -c 2 -b 16 s1.wav synth 4.37 sine 220-880 pinknoise vol 0.4 2>/dev/null
sox -n -r 44100 -c 2 -b 16 t2.wav synth 3.1 sine 660 vol 0.5 2>/dev/null
sox -n -r 44100 -c 2 -b 16 s3.wav synth 2.9 pinknoise vol 0.3 2>/dev/null
lame --quiet -b 192 s1.wav t1.mp3
lame --quiet -V 4 s3.wav t3.mp3
head -c $((300 * 2048)) /dev/urandom >DATA.ISO
head -c $((900 * SECTOR)) /dev/urandom >AUDIO.BIN
cat >album.cue <<'CUE'
FILE "DATA.ISO" BINARY
  TRACK 01 MODE1/2048
    INDEX 01 00:00:00
FILE "AUDIO.BIN" BINARY
  TRACK 02 AUDIO
    PREGAP 00:01:00
    INDEX 00 00:00:00
    INDEX 01 00:02:00
  TRACK 03 AUDIO
    INDEX 01 00:06:00
    INDEX 02 00:07:00
    INDEX 03 00:08:30
CUE
# A sheet naming an MP3 (decoded as an MP3 track is) and a WAVE file whose data chunk follows
# another chunk (only the data chunk is audio); the names in lower case, as Linux keeps them.
python3 - t2.wav w2.wav <<'PY'
import sys
d = open(sys.argv[1], 'rb').read()
listing = b'LIST' + (10).to_bytes(4, 'little') + b'INFOIART\0\0'
body = d[12:36] + listing + d[36:]
open(sys.argv[2], 'wb').write(b'RIFF' + (4 + len(body)).to_bytes(4, 'little') + b'WAVE' + body)
PY
printf 'FILE "t1.mp3" MP3\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nFILE "w2.wav" WAVE\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n' \
  >audio.cue

# The expected audio of each album track, padded with zeros to whole sectors.
pad() { # FILE
  local size
  size=$(stat -c %s "$1")
  head -c $(((SECTOR - size % SECTOR) % SECTOR)) /dev/zero >>"$1"
}
mpg123 -q -s t1.mp3 >e1.pcm && pad e1.pcm
tail -c +45 t2.wav >e2.pcm && pad e2.pcm
mpg123 -q -s t3.mp3 >e3.pcm && pad e3.pcm
L1=$(($(stat -c %s e1.pcm) / SECTOR))
L2C=$(($(stat -c %s e2.pcm) / SECTOR)) # as a cue sheet's track
# A track file shorter than 4 s is recorded as 300 sectors, silence after its audio.
at_least_4s() { echo $(($1 < 300 ? 300 : $1)); }
L2=$(at_least_4s "$L2C")
L3=$(at_least_4s $(($(stat -c %s e3.pcm) / SECTOR)))
tail -c +$((150 * SECTOR + 1)) AUDIO.BIN | head -c $((300 * SECTOR)) >c2.pcm
tail -c +$((450 * SECTOR + 1)) AUDIO.BIN >c3.pcm

# cd-info's "start start ... leadout" line, in LBAs.
starts() {
  cd-info --no-device-info --quiet --cue-file "$1" 2>/dev/null |
    awk '$1 ~ /^[0-9]+:$/ { n = $3 + 0; if ($1 == "170:") lo = n; else s = s n " " }
         END { print s "leadout " lo }'
}

# same_audio WAV EXPECTED: the WAV's data begins with the expected bytes and only zeros
# follow (a track-at-once pause after the track belongs to the track before it).
same_audio() {
  local n
  n=$(stat -c %s "$2")
  cmp -s <(tail -c +45 "$1" | head -c "$n") "$2" &&
    [ -z "$(tail -c +$((45 + n)) "$1" | tr -d '\0' | head -c 1)" ]
}

# Every sector of the Mode 1 track: sync, header of its address, mode 1, the user data of the
# image, an EDC computed here; the parity is compared with applet-tool's encoder on a sample.
mode1_valid() { # IMAGE FIRST_LBA COUNT
  python3 - "$1" "$2" "$3" DATA.ISO <<'PY' || return 1
import sys
img, first, count, iso = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
data = open(img, 'rb').read()
user = open(iso, 'rb').read()
table = []
for i in range(256):
    r = i
    for _ in range(8):
        r = (r >> 1) ^ (0xD8018001 if r & 1 else 0)
    table.append(r)
def bcd(v): return (v // 10) * 16 + v % 10
for n in range(count):
    lba = first + n
    s = data[lba * 2352:(lba + 1) * 2352]
    a = lba + 150
    head = bytes([0] + [255] * 10 + [0, bcd(a // 4500), bcd(a // 75 % 60), bcd(a % 75), 1])
    r = 0
    for b in s[:2064]:
        r = table[(r ^ b) & 0xFF] ^ (r >> 8)
    if s[:16] != head or s[16:2064] != user[n * 2048:(n + 1) * 2048] or \
            int.from_bytes(s[2064:2068], 'little') != r or any(s[2068:2076]):
        sys.exit('sector %d is not a valid Mode 1 sector' % lba)
PY
  local lba
  for lba in 0 137 $(($3 - 1)); do
    tail -c +$((lba * 2048 + 1)) DATA.ISO | head -c 2048 >user.bin
    ./applet-tool sector mode1 --unscrambled "$lba" user.bin ours.bin || return 1
    cmp -s ours.bin <(tail -c +$((lba * SECTOR + 1)) "$1" | head -c $SECTOR) || return 1
  done
}

record() { # NAME METHOD FILES...: records into disc-NAME-METHOD.*; VR_KEYS: more recorder keys;
  # names beginning with "sg" record through the SG_IO stand-in (SG_DURING: a command run then)
  local name=$1 m=$2 stem=disc-$1-$2 status during
  shift 2
  printf '[device.0]\nimage = %s\njournal = journal-%s-%s.txt\n%s\n' "$stem" "$name" "$m" \
    "${VR_KEYS:-}" >vr.ini
  if [[ $name != sg* ]]; then
    VIRTUAL_RECORDER_CONFIG="$PWD/vr.ini" timeout 120 ./applet-tool record "$m" --aspi "$ASPI" \
      "$@" >out-$name-$m.txt 2>&1
    echo $?
    return
  fi
  sg_start "$PWD/vr.ini" "$PWD/sr-stand-in"
  ${SG_DURING:-true} &
  during=$!
  LD_PRELOAD=$SG_PRELOAD64 ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
    timeout 120 ./applet-tool record "$m" --device "$PWD/sr-stand-in" "$@" >out-$name-$m.txt 2>&1
  status=$?
  wait "$during"
  sg_stop
  rm -f sr-stand-in
  echo $status
}

# name | method | files | expected cd-info line
cases=(
  "album|sao|t1.mp3 t2.wav t3.mp3|0 $L1 $((L1 + L2)) leadout $((L1 + L2 + L3))"
  "album|dao|t1.mp3 t2.wav t3.mp3|0 $L1 $((L1 + L2)) leadout $((L1 + L2 + L3))"
  "album|tao|t1.mp3 t2.wav t3.mp3|0 $((L1 + 150)) $((L1 + L2 + 300)) leadout $((L1 + L2 + L3 + 300))"
  "audiocue|sao|audio.cue|0 $L1 leadout $((L1 + L2C))"
  "sg-album|sao|t1.mp3 t2.wav t3.mp3|0 $L1 $((L1 + L2)) leadout $((L1 + L2 + L3))"
  "cue|sao|album.cue|0 525 825 leadout 1275"
  "cue|dao|album.cue|0 525 825 leadout 1275"
  "cue|tao|album.cue|0 450 900 leadout 1350"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name m files expected <<<"$c"
  stem=disc-$name-$m
  # shellcheck disable=SC2086
  expect_eq "$name $m: exit code" 0 "$(record "$name" "$m" $files)"
  expect_true "$name $m: log ends in success" grep -qx "recording succeeded" out-$name-$m.txt
  expect_eq "$name $m: cd-info track starts and lead-out" "$expected" "$(starts $stem.cue)"
  rm -f out*.wav out*.iso
  bchunk -w $stem.bin $stem.cue out >/dev/null 2>&1
  if [[ $name == *album ]]; then
    for t in 1 2 3; do
      expect_true "$name $m: track $t audio" same_audio out0$t.wav e$t.pcm
    done
    expect_true "$name $m: track lines" grep -q \
      "Thread1: Processing Track 1  \[Audio\]  \[$L1 Sectors\]" out-$name-$m.txt
    expect_true "$name $m: track 2 extended to 4 s" grep -q \
      "Track 2 (t2.wav) lasts [0-9.]* s; silence extends it to 4 s \[300 Sectors\]" out-$name-$m.txt
    expect_eq "$name $m: in a pipe a progress line per track" "1 2 3" \
      "$(sed -n 's/^Processing Track \([0-9]*\) .*/\1/p' out-$name-$m.txt | paste -sd' ')"
  elif [ "$name" = audiocue ]; then
    for t in 1 2; do
      expect_true "$name $m: track $t audio" same_audio out0$t.wav e$t.pcm
    done
  else
    expect_true "$name $m: Mode 1 user data through bchunk" cmp -s out01.iso DATA.ISO
    expect_true "$name $m: Mode 1 sectors valid" mode1_valid $stem.bin 0 300
    expect_true "$name $m: track 2 audio" same_audio out02.wav c2.pcm
    # bchunk starts a track at its last INDEX line, so track 3 is read from the image itself.
    read -r _ _ start3 _ leadout <<<"$expected"
    expect_true "$name $m: track 3 audio" cmp -s c3.pcm \
      <(tail -c +$((start3 * SECTOR + 1)) $stem.bin | head -c $(((leadout - start3) * SECTOR)))
  fi
  if [ "$m" = dao ]; then
    expect_true "$name $m: Q check clean" grep -q "Q sub-channel check: 0 violation(s)" \
      journal-$name-$m.txt
    expect_true "$name $m: no Q faults" bash -c "! grep -q 'Q-check:' journal-$name-$m.txt"
  fi
done
expect_true "tao: Mode 1 track converted line absent for 2048-byte data" bash -c \
  "! grep -q Converting out-cue-tao.txt"
expect_true "dao: lead-in start logged" grep -q "Thread1: Start LBA is -11634" out-album-dao.txt

# The drive goes away in the middle of the recording (its node is removed): the recording fails
# with the host adapter's reason, and nothing is left running.
vanish() {
  for _ in $(seq 400); do
    grep -q 'WRITE(10) LBA [1-9]' journal-sg-vanish-sao.txt 2>/dev/null && break
    sleep 0.05
  done
  rm -f sr-stand-in
}
expect_eq "sg vanish: exit code" 1 \
  "$(VR_KEYS=$'speed = 1\nbuffer_kb = 64' SG_DURING=vanish record sg-vanish sao t1.mp3)"
expect_true "sg vanish: the reason" grep -qF "Host Adapter Status: HASTAT_SEL_TO" out-sg-vanish-sao.txt

# Faults of the route itself (the stand-in's QLN_SG_FAULT): a request that never answers (the
# kernel's DID_TIME_OUT once its timeout, here 1.5 s, is over), and sense data that is short,
# missing, in descriptor format or of no known format (its bytes would read as "becoming ready",
# a five-minute retry). Each ends in the failure with its line, in time.
while IFS='|' read -r name fault said; do
  start=$SECONDS
  expect_eq "$name: exit code" 1 \
    "$(QLN_SG_FAULT=$fault QLN_SG_TIMEOUT_MS=1500 record "$name" sao t2.wav)"
  expect_true "$name: ends in time" test $((SECONDS - start)) -lt 30
  expect_true "$name: says why" grep -qF "$said" "out-$name-sao.txt"
done <<'TABLE'
sg-timeout|2A stall|Host Adapter Status: HASTAT_COMMAND_TIMEOUT
sg-short-sense|2A sense 70 00 03 00 00 00 00 0A 00 00 00 00 0C|WRITE ERROR ($03/$0C/$00)
sg-tiny-sense|2A sense 70 00 03 00 00 00|Unknown Error ($03/$00/$00)
sg-no-sense|2A sense|Unknown Error ($00/$00/$00)
sg-descriptor-sense|5D sense 72 05 26 00|INVALID FIELD IN PARAMETER LIST ($05/$26/$00)
sg-odd-sense|2A sense 7F 00 02 00 00 00 00 0A 00 00 00 00 04 01|Unknown Error ($00/$00/$00)
TABLE

# Broken cue sheets: refused before anything is written, with a line naming the sheet (or the
# line at fault), exit 1, no image. A PREGAP longer than a disc does not fit with the methods
# that write pregaps; track-at-once leaves pregaps to the recorder.
printf 'FILE "GONE.BIN" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n' >bad-missing.cue
printf 'TRACK 01 AUDIO\n  INDEX 01 00:00:00\nFILE "AUDIO.BIN" BINARY\n' >bad-order.cue
printf 'FILE "AUDIO.BIN" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 01 20:00:00\n' \
  >bad-beyond.cue
printf 'FILE "AUDIO.BIN" BINARY\n TRACK 01 AUDIO\n  PREGAP 99:59:74\n  INDEX 01 00:00:00\n' >bad-pregap.cue
head -c 3000 /dev/urandom >bad-garbage.cue
: >bad-empty.cue
# Long enough to hold sectors of its own: it would be recorded as noise.
{ printf 'FILE "bad-self.cue" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n'; seq -f 'REM %g' 3000; } \
  >bad-self.cue
sox -n -r 22050 -c 2 -b 16 low.wav synth 1 sine 440 2>/dev/null
printf 'FILE "low.wav" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n' >bad-rate.cue
# sheet | methods | the line that says why
while IFS='|' read -r sheet methods said; do
  for m in $methods; do
    expect_eq "$sheet $m: exit code" 1 "$(record "$sheet" "$m" "$sheet.cue")"
    expect_true "$sheet $m: says why" grep -qF "$said" "out-$sheet-$m.txt"
    expect_true "$sheet $m: nothing written" bash -c \
      "! grep -qE 'WRITE\(1[02]\)|SEND CUE SHEET' journal-$sheet-$m.txt"
    expect_true "$sheet $m: no image" test ! -e "disc-$sheet-$m.bin"
  done
done <<'TABLE'
bad-missing|sao dao tao|bad-missing.cue was not imported in full
bad-order|sao dao tao|bad-order.cue was not imported in full
bad-beyond|sao dao tao|Unable to import the Cue file bad-beyond.cue.  The image file AUDIO.BIN ends before the data of TRACK 02
bad-pregap|sao dao|This album needs 100:12 minutes but the blank CD holds only 80:00 minutes
bad-garbage|sao dao tao|bad-garbage.cue was not imported in full
bad-empty|sao dao tao|bad-empty.cue was not imported in full
bad-rate|sao|The WAVE file LOW.WAV cannot be recorded: its audio has 2 channel(s) of 16 bits at 22050 Hz
bad-self|sao dao tao|Unable to import the Cue file bad-self.cue.  The FILE line BAD-SELF.CUE names the Cue file itself.
TABLE

# A recorder paced at 52x, whose 2 MB buffer lasts 0.23 s once full: six minutes in two tracks
# record without a buffer underrun.
sox -n -r 44100 -c 2 -b 16 long.wav synth 180 sine 200-2000 pinknoise vol 0.4 2>/dev/null
lame --quiet -b 192 long.wav p1.mp3
cp p1.mp3 p2.mp3
expect_eq "paced 52x: exit code" 0 "$(VR_KEYS="speed = 52" record paced sao p1.mp3 p2.mp3)"
expect_true "paced 52x: no buffer underrun" bash -c "! grep -q 'buffer underrun' journal-paced-sao.txt"
expect_eq "paced 52x: cd-info lists both tracks" 2 \
  "$(starts disc-paced-sao.cue | awk '{ print NF - 2 }')"
grep -h "cache low water" out-paced-sao.txt

# A package build names a listed track shorter than a CD track's 4 s.
sox -n -r 44100 -c 2 -b 16 blip.wav synth 0.03 sine 440 2>/dev/null
lame --quiet blip.wav blip.mp3
printf '[Files]\n%s\n%s\n[Library]\n%s\n' "$PWD/t1.mp3" "$PWD/blip.mp3" "$PWD/libqlnxaudio.so" \
  >short.ini
./applet-tool package build "$WIN32/applet/ui/applet.exe" short.ini short.exe >/dev/null 2>short.err
expect_eq "short track: one warning, naming track 2" \
  "applet-tool: warning: track 2 ($PWD/blip.mp3) lasts" "$(grep warning short.err | cut -d' ' -f1-6)"

# A pressed disc is refused as not blank; without the decoder library beside the tool the
# refusal names the file looked for; a cache low water is a real figure or left out.
expect_eq "pressed disc: exit code" 1 "$(VR_KEYS="medium = audio" record pressed sao t2.wav)"
expect_true "pressed disc: says so" grep -qx "applet-tool: the disc is not blank" out-pressed-sao.txt
mkdir -p nodecoder && cp applet-tool nodecoder/
printf '[device.0]\nimage = disc-nodecoder\n' >vr.ini
VIRTUAL_RECORDER_CONFIG="$PWD/vr.ini" timeout 60 nodecoder/applet-tool record sao --aspi "$ASPI" \
  t1.mp3 >out-nodecoder.txt 2>&1
expect_true "no decoder: names the file looked for" grep -qF \
  "The MP3 decoder library $PWD/nodecoder/libqlnxaudio.so could not be loaded." out-nodecoder.txt

# A test write goes through and leaves the disc blank.
expect_eq "test write: exit code" 0 "$(record test sao --test t2.wav)"
expect_true "test write: no image" test ! -e disc-test-sao.cue
expect_true "test write: journal says test" grep -q "test" journal-test-sao.txt
expect_true "cache low water never -1" bash -c "! grep -h 'low water -1' out-*.txt"
e2e_finish
