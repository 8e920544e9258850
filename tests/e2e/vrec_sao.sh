#!/usr/bin/env bash
# The virtual recorder through its native library: a scripted session-at-once write of two
# audio tracks (and the same tracks raw and track-at-once) must give an image whose track
# starts cd-info lists and whose audio bchunk returns unchanged.
. "$(dirname "$0")/lib.sh"

drive="$NATIVE/tools/virtual-recorder/vrec-drive"
scratch_dir
cd "$E2E_SCRATCH" || exit 1

# Two tones of odd lengths, padded to whole 2352-byte sectors.
sox -n -r 44100 -c 2 -b 16 -e signed t1.raw synth 4.2 sine 440 >/dev/null 2>&1
sox -n -r 44100 -c 2 -b 16 -e signed t2.raw synth 3.1 sine 660 >/dev/null 2>&1
for t in t1 t2; do
  size=$(stat -c %s $t.raw)
  head -c $(((2352 - size % 2352) % 2352)) /dev/zero >>$t.raw
done
len1=$(($(stat -c %s t1.raw) / 2352))
len2=$(($(stat -c %s t2.raw) / 2352))

# cd-info's track list as "number LSN" lines.
track_starts() {
  cd-info --no-device-info --quiet --cue-file "$1" 2>/dev/null |
    awk '/^ *[0-9]+: [0-9][0-9]:/ {sub(":", "", $1); print $1, $3 + 0}'
}

check_method() { # method
  local m=$1 stem=disc-$1
  cat >vr-$m.ini <<INI
[device.0]
journal = journal-$m.txt
image = $stem
INI
  VIRTUAL_RECORDER_CONFIG="$PWD/vr-$m.ini" "$drive" record "$m" t1.raw t2.raw >out-$m.txt 2>&1
  expect_eq "$m: recorded" "recorded 2 track(s) with $m" "$(cat out-$m.txt)"
  expect_eq "$m: cd-info track starts" "$(printf '1 0\n2 %d\n170 %d' $((len1 + 150)) \
    $((len1 + 150 + len2)))" "$(track_starts $stem.cue)"
  rm -f out*.wav
  bchunk -w $stem.bin $stem.cue out >/dev/null 2>&1
  expect_true "$m: bchunk track 1 unchanged" cmp -s <(tail -c +45 out01.wav) t1.raw
  expect_true "$m: bchunk track 2 unchanged" cmp -s <(tail -c +45 out02.wav) t2.raw
  expect_true "$m: journal notes the recording" grep -q "recording complete: 2 track(s)" \
    journal-$m.txt
}

check_method sao
expect_true "sao: the cue sheet is journalled" grep -q \
  "| SEND CUE SHEET 48 bytes: 01 00 00 01 00 00 00 00 / 01 01 00 00 00 00 00 00 / " journal-sao.txt
check_method raw
expect_eq "raw: sub-channel of every block" $(((11634 + len1 + 150 + len2 + 6750) * 16)) \
  "$(stat -c %s disc-raw.sub)"
expect_true "raw: Q check clean" grep -q "Q sub-channel check: 0 violation(s)" journal-raw.txt
check_method tao

# An audio disc reads back through the library; a test write leaves a blank disc blank.
printf '[device.0]\nmedium = audio\naudio_tracks = 1000, 2000\n' >vr-audio.ini
expect_eq "TOC of an audio disc" "$(printf 'track 01 0 audio\ntrack 02 1000 audio\nlead-out 3000')" \
  "$(VIRTUAL_RECORDER_CONFIG="$PWD/vr-audio.ini" "$drive" toc)"
cat >vr-test.ini <<INI
[device.0]
image = test-disc
INI
export VIRTUAL_RECORDER_CONFIG="$PWD/vr-test.ini"
expect_eq "test write" "recorded 1 track(s) with sao (test)" "$("$drive" record sao --test t1.raw)"
expect_true "test write leaves no image" test ! -e test-disc.cue
expect_eq "disc still blank" "status blank, last track 1, lead-in start -11634" \
  "$("$drive" discinfo)"
e2e_finish
