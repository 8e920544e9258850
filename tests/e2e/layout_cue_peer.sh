#!/usr/bin/env bash
# Cue sheets over generated BIN images: the track starts and the lead-out that libcdio's
# cd-info reads from each sheet agree with the file offsets, index starts and lengths of our
# layout; the Windows applet-tool under Wine prints the same layout and tables as the native one.
. "$(dirname "$0")/lib.sh"

TOOL="$NATIVE/tools/applet-tool/applet-tool"
SECTOR=2352

# make_case NAME SECTORS EXTRA_BYTES: DISC.BIN of SECTORS raw sectors plus EXTRA_BYTES, and the
# cue sheet from standard input as DISC.CUE (cd-info finds the image by the sheet's name).
make_case() {
  local dir="$E2E_SCRATCH/$1"
  mkdir -p "$dir"
  head -c $(($2 * SECTOR + $3)) /dev/urandom >"$dir/DISC.BIN"
  cat >"$dir/DISC.CUE"
  echo "$dir"
}

# "starts ... leadout N" as cd-info reports them, in sectors from the image's start.
peer_starts() {
  (cd "$1" && cd-info --no-device-info --cue-file DISC.CUE 2>/dev/null) |
    awk '$1 ~ /^[0-9]+:$/ { n = $3 + 0; if ($1 == "170:") lo = n; else s = s " " n }
         END { print "starts" s " leadout " lo }'
}

# The same from our layout: index 1 of each track lies at FileOffset / SectorSize plus its
# start; the image ends where the last track's data ends.
our_starts() {
  (cd "$1" && "$TOOL" layout DISC.CUE 2>/dev/null) |
    awk -F'\t' '$1 == "DiscType" { exit }
      { size = $10; off = $11; n = $14
        for (i = 0; i < n; i++) { split($(15 + i), e, ":"); if (e[1] == 1) start = off / size + e[2] }
        s = s " " start; lo = (off + $13) / size }
      END { print "starts" s " leadout " lo }'
}

# Each track's data ends where the next one's first index begins.
contiguous() {
  (cd "$1" && "$TOOL" layout DISC.CUE 2>/dev/null) |
    awk -F'\t' '$1 == "DiscType" { exit }
      { if (NR > 1 && $11 != end) bad = 1; end = $11 + $13 }
      END { exit bad }'
}

check_case() { # NAME DIR
  expect_eq "$1: track starts and lead-out agree with cd-info" "$(peer_starts "$2")" "$(our_starts "$2")"
  expect_true "$1: tracks follow each other in the image" contiguous "$2"
  expect_true "$1: the whole sheet was imported" bash -c "cd '$2' && '$TOOL' layout DISC.CUE >/dev/null 2>&1"
}

scratch_dir

d=$(make_case mixed 1000 0 <<'CUE'
FILE "DISC.BIN" BINARY
  TRACK 01 MODE1/2352
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 00:05:00
    INDEX 01 00:07:00
  TRACK 03 AUDIO
    INDEX 01 00:10:10
CUE
)
check_case "data then audio" "$d"

d=$(make_case audio 4500 0 <<'CUE'
REM GENRE Test
CATALOG 0000000000000
PERFORMER "Nobody"
FILE "DISC.BIN" BINARY
  TRACK 01 AUDIO
    TITLE "One"
    INDEX 00 00:00:00
    INDEX 01 00:02:00
  TRACK 02 AUDIO
    FLAGS DCP
    INDEX 00 00:10:00
    INDEX 01 00:11:33
  TRACK 03 AUDIO
    INDEX 01 00:20:00
    INDEX 02 00:25:00
    INDEX 03 00:30:00
  TRACK 04 AUDIO
    INDEX 00 00:40:00
    INDEX 01 00:42:74
  TRACK 05 AUDIO
    INDEX 01 00:55:01
CUE
)
check_case "five audio tracks with indexes" "$d"

d=$(make_case xa 700 1000 <<'CUE'
FILE "DISC.BIN" BINARY
  TRACK 01 MODE2/2352
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 00:03:00
    INDEX 01 00:05:00
CUE
)
check_case "mode 2 with a partial last sector" "$d"

d=$(make_case late 600 0 <<'CUE'
FILE "DISC.BIN" BINARY
  TRACK 01 AUDIO
    INDEX 01 00:02:00
  TRACK 02 AUDIO
    INDEX 01 00:04:00
CUE
)
check_case "first track after the image's start" "$d"

bad=$(make_case malformed 10 0 <<'CUE'
FILE "DISC.BIN" BINARY
  TRACK 01 AUDIO
    INDEX 01 0:00
CUE
)
(cd "$bad" && "$TOOL" layout DISC.CUE >"$E2E_SCRATCH/out" 2>"$E2E_SCRATCH/err")
expect_eq "a malformed sheet fails" "1" "$?"
expect_true "with one clear error" grep -q 'Line 3 ("INDEX 01 0:00"): "0:00" is not a valid time' \
  "$E2E_SCRATCH/err"
expect_eq "and imports nothing" "DiscType	CD-DA or CD-ROM" "$(head -1 "$E2E_SCRATCH/out")"

# Image names in any case: the sheet is upper-cased as it is read, and the image is still found
# beside it (one case-insensitive match per path element).
while IFS='|' read -r label image written; do
  dir="$E2E_SCRATCH/case-$label"
  mkdir -p "$dir/Sub Folder"
  head -c $((300 * SECTOR)) /dev/urandom >"$dir/$image"
  printf 'FILE "%s" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n' "$written" >"$dir/disc.cue"
  out=$(cd "$dir" && "$TOOL" layout disc.cue 2>"$E2E_SCRATCH/err")
  expect_eq "$label FILE name imports" "0 300" \
    "$?$(awk -F'\t' '$1 == "1" { printf " %s", $12 }' <<<"$out")"
done <<'TABLE'
lower|disc.bin|disc.bin
mixed|Disc Image.Bin|disc image.BIN
folder|Sub Folder/Take.bin|SUB FOLDER\take.BIN
TABLE

# The multi-file layout rippers write for gaps appended to the previous track: each TRACK but
# the first has its INDEX 00 at the end of one FILE and its INDEX 01 at 00:00:00 of the next.
# Its track starts are those cd-info reads from the same audio in one file.
eac="$E2E_SCRATCH/eac"
mkdir -p "$eac"
head -c $((3000 * SECTOR)) /dev/urandom >"$eac/DISC.BIN"
head -c $((1800 * SECTOR)) "$eac/DISC.BIN" >"$eac/01.bin"
tail -c +$((1800 * SECTOR + 1)) "$eac/DISC.BIN" | head -c $((700 * SECTOR)) >"$eac/02.bin"
tail -c +$((2500 * SECTOR + 1)) "$eac/DISC.BIN" >"$eac/03.bin"
cat >"$eac/DISC.CUE" <<'CUE'
FILE "DISC.BIN" BINARY
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 00:20:00
    INDEX 01 00:24:00
  TRACK 03 AUDIO
    INDEX 00 00:30:00
    INDEX 01 00:33:25
    INDEX 02 00:35:00
CUE
cat >"$eac/eac.cue" <<'CUE'
FILE "01.bin" BINARY
  TRACK 01 AUDIO
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    INDEX 00 00:20:00
FILE "02.bin" BINARY
    INDEX 01 00:00:00
  TRACK 03 AUDIO
    INDEX 00 00:06:00
FILE "03.bin" BINARY
    INDEX 01 00:00:00
    INDEX 02 00:01:50
CUE
# Starts over the files in sheet order: each file's sectors follow those of the files before.
multi_starts() {
  (cd "$1" && "$TOOL" layout "$2" 2>/dev/null) |
    awk -F'\t' '$1 == "DiscType" { exit }
      { size = $10; off = $11; n = $14
        if ($7 != file) { base += end / size; file = $7 }
        end = $(18 + n)
        for (i = 0; i < n; i++) { split($(15 + i), e, ":"); if (e[1] == 1) start = off / size + e[2] }
        s = s " " (base + start); lo = base + (off + $13) / size }
      END { print "starts" s " leadout " lo }'
}
expect_eq "multi-file gaps: track starts agree with cd-info on one file" \
  "$(peer_starts "$eac")" "$(multi_starts "$eac" eac.cue)"
(cd "$eac" && "$TOOL" layout eac.cue >/dev/null 2>&1)
expect_eq "multi-file gaps: the whole sheet was imported" "0" "$?"

# An input that is not imported in full: exit 1 and a line on standard error, for each command.
fail="$E2E_SCRATCH/fail"
mkdir -p "$fail"
head -c $((100 * SECTOR)) /dev/urandom >"$fail/HERE.BIN"
printf 'FILE "GONE.BIN" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\nFILE "HERE.BIN" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n' \
  >"$fail/missing.cue"
printf 'REM no FILE line\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n' >"$fail/nofile.cue"
printf 'FILE "HERE.BIN" BINARY\r\n TRACK 01 AUDIO\r\n  INDEX 01 00:00:00\r\n' |
  iconv -f ASCII -t UTF-16 >"$fail/utf16.cue"
head -c 5000 /dev/urandom >"$fail/noise.mp3"
printf 'TRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE "HERE.BIN" BINARY\n' >"$fail/order.cue"
printf 'FILE "HERE.BIN" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 01 20:00:00\n' \
  >"$fail/beyond.cue"
head -c 3000 /dev/urandom >"$fail/garbage.cue"
: >"$fail/empty.cue"
{ printf 'FILE "self.cue" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n'; seq -f 'REM %g' 3000; } \
  >"$fail/self.cue"
while IFS='|' read -r input said; do
  for cmd in layout leadin cuesheet; do
    (cd "$fail" && "$TOOL" $cmd "$input" HERE.BIN >/dev/null 2>"$E2E_SCRATCH/err")
    expect_eq "$cmd $input exits 1" "1" "$?"
    expect_true "$cmd $input says so" grep -q "$said" "$E2E_SCRATCH/err"
  done
done <<'TABLE'
missing.cue|applet-tool: missing.cue was not imported in full
nofile.cue|applet-tool: nofile.cue was not imported in full
utf16.cue|written in UTF-16
noise.mp3|applet-tool: noise.mp3 was not imported$
order.cue|applet-tool: order.cue was not imported in full
beyond.cue|The image file HERE.BIN ends before the data of TRACK 02
garbage.cue|applet-tool: garbage.cue was not imported in full
empty.cue|applet-tool: empty.cue was not imported in full
self.cue|The FILE line SELF.CUE names the Cue file itself.
TABLE

# MP3 inputs are measured with the decoder library beside the tool, as the applet binds it.
mp3="$E2E_SCRATCH/mp3"
mkdir -p "$mp3"
cp "$TOOL" "$NATIVE/tools/qlnxaudio/libqlnxaudio.so" "$mp3/"
sox -n -r 44100 -c 2 -b 16 "$mp3/tone.wav" synth 2 sine 440 2>/dev/null
lame --quiet -b 128 "$mp3/tone.wav" "$mp3/tone.mp3"
want=$(env -u LD_LIBRARY_PATH "$mp3/applet-tool" mp3 size "$mp3/tone.mp3")
row=$(cd "$mp3" && env -u LD_LIBRARY_PATH ./applet-tool layout tone.mp3 2>"$E2E_SCRATCH/err")
expect_eq "an MP3 imports with the library beside the tool" "0 $want" \
  "$? $(awk -F'\t' 'NR == 1 { print $13 }' <<<"$row")"

# A sheet marked as UTF-8 whose image name has umlauts imports under Wine too.
utf="$E2E_SCRATCH/utf8"
mkdir -p "$utf"
head -c $((200 * SECTOR)) /dev/urandom >"$utf/Tränen über Bäume.bin"
printf '\xEF\xBB\xBFFILE "Tränen über Bäume.bin" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n' \
  >"$utf/sheet.cue"
for run in native $(wine_ok && echo wine); do
  if [ "$run" = native ]; then
    out=$(cd "$utf" && "$TOOL" layout sheet.cue 2>"$E2E_SCRATCH/err")
  else
    out=$(cd "$utf" && wine_run "$WIN32/tools/applet-tool/applet-tool.exe" layout sheet.cue \
      2>"$E2E_SCRATCH/err" | tr -d '\r')
  fi
  expect_eq "$run: a UTF-8 sheet with umlauts in its image name imports" "0 200" \
    "$?$(awk -F'\t' '$1 == "1" { printf " %s", $12 }' <<<"$out")"
done

d="$E2E_SCRATCH/xa"
# One sheet through the Windows build: the same layout, lead-in table and cue sheet.
wine_ok && for cmd in layout leadin cuesheet; do
  native=$(cd "$d" && "$TOOL" $cmd DISC.CUE 2>&1)
  wine=$(cd "$d" && wine_run "$WIN32/tools/applet-tool/applet-tool.exe" $cmd DISC.CUE 2>&1 | tr -d '\r')
  expect_eq "applet-tool $cmd under Wine prints what the native one does" "$native" "$wine"
done
expect_eq "the cue sheet ends with the lead-out" "01 AA 01 01 00 00 0B 19" \
  "$(cd "$d" && "$TOOL" cuesheet DISC.CUE | tail -1)"

e2e_finish
