#!/usr/bin/env bash
# MP3 decoding through applet-tool and the decoder library, against mpg123 on files made with
# lame at several bitrates, CBR, ABR and VBR, with and without an info tag: natively bit-exact,
# and the Windows build under Wine within 2 per sample with the same length. Bad input gives
# no audio and no hang; without the library the tool refuses.
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

for c in "${cases[@]}"; do
  IFS='|' read -r name opts src <<<"$c"
  mp3="$S/$name.mp3"
  # shellcheck disable=SC2086
  lame --quiet $opts "$S/$src" "$mp3"
  # A mono MP3 is recorded in both channels of CD audio: mpg123 doubles it the same way.
  stereo=()
  [[ $name == *mono* ]] && stereo=(--stereo)
  mpg123 -q -s "${stereo[@]}" "$mp3" >"$S/$name.ref"
  ref_bytes=$(stat -c %s "$S/$name.ref")

  expect_eq "$name: size" "$ref_bytes" "$(native mp3 size "$mp3")"
  native mp3 decode "$mp3" "$S/$name.pcm"
  expect_true "$name: native bit-exact with mpg123" "$COMPARE" "$S/$name.ref" "$S/$name.pcm" 0
  native mp3 decode "$mp3" "$S/$name.13" --chunk 30576
  native mp3 decode "$mp3" "$S/$name.odd" --chunk 1001
  expect_true "$name: same bytes in any request size" \
    bash -c "cmp -s '$S/$name.pcm' '$S/$name.13' && cmp -s '$S/$name.pcm' '$S/$name.odd'"

  wine_ok || continue
  win mp3 decode "$(winpath "$mp3")" "$(winpath "$S/$name.win")" >/dev/null
  if ! "$COMPARE" "$S/$name.ref" "$S/$name.win" 2 >"$S/$name.cmp"; then
    cat "$S/$name.cmp"
  fi
  expect_true "$name: Windows within 2 of mpg123, same length" \
    "$COMPARE" "$S/$name.ref" "$S/$name.win" 2
done

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
head -c 30000 "$S/vbr2.mp3" >"$S/truncated.mp3"
mpg123 -q -s "$S/truncated.mp3" >"$S/truncated.ref"
native mp3 decode "$S/truncated.mp3" "$S/truncated.pcm"
expect_true "truncated: native bit-exact with mpg123" \
  "$COMPARE" "$S/truncated.ref" "$S/truncated.pcm" 0

# Without the library the tool refuses, and says why.
env -u LD_LIBRARY_PATH "$S/nolib/applet-tool" mp3 size "$S/cbr128.mp3" >/dev/null 2>"$S/nolib.err"
expect_eq "no library: exit code" "1" "$?"
expect_true "no library: message" grep -q 'qlnxaudio.dll" is not loaded' "$S/nolib.err"
native mp3 decode "$S/cbr128.mp3" "$S/x" --chunk 0 2>/dev/null
expect_eq "bad chunk: usage" "2" "$?"
native mp3 size "$S/missing.mp3" 2>/dev/null
expect_eq "missing file: exit code" "1" "$?"

e2e_finish
