#!/usr/bin/env bash
# MP3 decoding through applet-tool and the decoder library, against mpg123 on files made with
# lame at several bitrates, CBR, ABR and VBR, with and without an info tag, and on tagged and
# damaged files: natively bit-exact, and the Windows build under Wine within 2 per sample with
# the same length. On each platform the measuring pass (mp3 size, no decoding) gives exactly
# the decoded length. Bad input gives no audio and no hang; without the library the tool refuses.
. "$(dirname "$0")/lib.sh"

scratch_dir
S=$E2E_SCRATCH
COMPARE="$NATIVE/tools/qlnxaudio/pcm-compare"

# Each tool copy finds the library beside itself, as the applet does.
mkdir -p "$S/native" "$S/win" "$S/nolib"
cp "$NATIVE/tools/applet-tool/applet-tool" "$NATIVE/tools/qlnxaudio/libqlnxaudio.so" "$S/native/"
cp "$NATIVE/tools/applet-tool/applet-tool" "$S/nolib/"
cp "$WIN32/tools/applet-tool/applet-tool.exe" "$WIN32/tools/qlnxaudio/qlnxaudio.dll" "$S/win/"
native() { env -u LD_LIBRARY_PATH "$S/native/applet-tool" "$@"; }
win() { timeout 300 "$ROOT/scripts/wine-run" "$S/win/applet-tool.exe" "$@"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

expect_true "Windows library imports no runtime DLL" \
  bash -c "! i686-w64-mingw32-objdump -p '$S/win/qlnxaudio.dll' | grep -i 'DLL Name' |
    grep -qiE 'libgcc|libstdc|libwinpthread'"
expect_true "Windows library exports the sixteen entry points" bash -c "
  i686-w64-mingw32-objdump -p '$S/win/qlnxaudio.dll' | grep -cE '\] (file_input_module_register|decoder_[a-z_]+)$' |
    grep -qx 16"

sox -n -r 44100 -c 2 -b 16 "$S/music.wav" synth 3.1 sine 220-880 pinknoise vol 0.4 2>/dev/null
sox -n -r 22050 -c 1 -b 16 "$S/mono22.wav" synth 2.3 sine 300 pinknoise vol 0.4 2>/dev/null
sox -n -r 48000 -c 2 -b 16 "$S/music48.wav" synth 1.7 pinknoise vol 0.3 2>/dev/null

# name, lame options, source
cases=(
  "cbr128|-b 128|music.wav"
  "cbr320|-b 320|music.wav"
  "cbr128-notag|-t -b 128|music.wav"
  "cbr64-mono|-m m -b 64|music.wav"
  "vbr2|-V 2|music.wav"
  "vbr6|-V 6|music.wav"
  "vbr4-notag|-t -V 4|music.wav"
  "abr96|--abr 96|music.wav"
  "crc192|-p -b 192|music.wav"
  "mono22-cbr48|-b 48|mono22.wav"
  "mono22-vbr5|-V 5|mono22.wav"
  "cbr160-48k|-b 160|music48.wav"
  "freeformat400|--freeformat -b 400|music.wav"
)

# check_file NAME [MPG123-OPTION]: $S/NAME.mp3 against mpg123's decoding of it, bit-exact
# natively and within 2 under Wine, or of the same length only where tol says so.
check_file() {
  local name=$1 mp3="$S/$1.mp3" exact=${tol:-0} near=${tol:-2}
  mpg123 -q -s "${@:2}" "$mp3" >"$S/$name.ref"
  ref_bytes=$(stat -c %s "$S/$name.ref")

  expect_eq "$name: measured size" "$ref_bytes" "$(native mp3 size "$mp3")"
  native mp3 decode "$mp3" "$S/$name.pcm"
  expect_true "$name: native as mpg123 (within $exact)" "$COMPARE" "$S/$name.ref" "$S/$name.pcm" \
    "$exact"
  native mp3 decode "$mp3" "$S/$name.13" --chunk 30576
  native mp3 decode "$mp3" "$S/$name.odd" --chunk 1001
  expect_true "$name: same bytes in any request size" \
    bash -c "cmp -s '$S/$name.pcm' '$S/$name.13' && cmp -s '$S/$name.pcm' '$S/$name.odd'"

  wine_ok || return 0
  win mp3 decode "$(winpath "$mp3")" "$(winpath "$S/$name.win")" >/dev/null
  if ! "$COMPARE" "$S/$name.ref" "$S/$name.win" "$near" >"$S/$name.cmp"; then
    cat "$S/$name.cmp"
  fi
  expect_true "$name: Windows within $near of mpg123, same length" \
    "$COMPARE" "$S/$name.ref" "$S/$name.win" "$near"
  expect_eq "$name: Windows measured size" "$(stat -c %s "$S/$name.win" 2>/dev/null || echo none)" \
    "$(win mp3 size "$(winpath "$mp3")" | tr -d '\r')"
}

for c in "${cases[@]}"; do
  IFS='|' read -r name opts src <<<"$c"
  # shellcheck disable=SC2086
  lame --quiet $opts "$S/$src" "$S/$name.mp3"
  # A mono MP3 is recorded in both channels of CD audio: mpg123 doubles it the same way.
  if [[ $name == *mono* ]]; then check_file "$name" --stereo; else check_file "$name"; fi
done

# Tagged and damaged files: an ID3v2 tag with a 60 kB cover picture (whose bytes hold frame
# sync patterns), an ID3v1 tag only, 777 bytes of junk between two frames, a last frame cut,
# and a WAVE file that is no MP3.
{ printf '\xff\xd8\xff\xe0'; head -c 60000 /dev/urandom; } >"$S/cover.jpg"
lame --quiet -b 128 --ti "$S/cover.jpg" --id3v2-only --tt Title "$S/music.wav" "$S/id3v2-cover.mp3"
lame --quiet -V 3 --id3v1-only --tt Title --ta Artist "$S/music.wav" "$S/id3v1.mp3"
python3 - "$S/cbr128-notag.mp3" "$S/junk-between.mp3" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
pos = 0
for _ in range(40):  # MPEG-1 Layer III frame sizes: 144 * bitrate / rate + padding
    h = data[pos:pos + 4]
    rate = [44100, 48000, 32000][(h[2] >> 2) & 3]
    kbps = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320][h[2] >> 4]
    pos += 144000 * kbps // rate + ((h[2] >> 1) & 1)
open(sys.argv[2], "wb").write(data[:pos] + b"\x55" * 777 + data[pos:])
PY
head -c 30000 "$S/vbr2.mp3" >"$S/truncated.mp3"
cp "$S/music.wav" "$S/not-mp3.mp3"
for name in id3v2-cover id3v1 truncated not-mp3; do
  check_file "$name"
done
# Across the junk mpg123 drops the bit reservoir, the library (fed whole frames) keeps it: the
# three frames after the junk differ, the length does not.
tol=32768 check_file junk-between

# Bad input: no audio, no hang, exit 0.
: >"$S/empty.mp3"
head -c 300000 /dev/urandom >"$S/random.mp3"
printf 'ID3\3\0\0\0\0\1\0' >"$S/id3only.mp3"
head -c 128 /dev/zero >>"$S/id3only.mp3"
printf 'ID3\3\0\0\177\177\177\177' >"$S/id3absurd.mp3"
cat "$S/cbr128.mp3" >>"$S/id3absurd.mp3"
for name in empty random id3only id3absurd; do
  expect_eq "$name: native size" "0" "$(timeout 60 env -u LD_LIBRARY_PATH "$S/native/applet-tool" mp3 size "$S/$name.mp3")"
  wine_ok && expect_eq "$name: Windows size" "0" "$(win mp3 size "$(winpath "$S/$name.mp3")" | tr -d '\r')"
done
# Without the library the tool refuses, and says why.
env -u LD_LIBRARY_PATH "$S/nolib/applet-tool" mp3 size "$S/cbr128.mp3" >/dev/null 2>"$S/nolib.err"
expect_eq "no library: exit code" "1" "$?"
expect_true "no library: message" grep -q 'qlnxaudio.dll" is not loaded' "$S/nolib.err"
native mp3 decode "$S/cbr128.mp3" "$S/x" --chunk 0 2>/dev/null
expect_eq "bad chunk: usage" "2" "$?"
native mp3 size "$S/missing.mp3" 2>/dev/null
expect_eq "missing file: exit code" "1" "$?"

e2e_finish
