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

d="$E2E_SCRATCH/xa"
# One sheet through the Windows build: the same layout, lead-in table and cue sheet.
for cmd in layout leadin cuesheet; do
  native=$(cd "$d" && "$TOOL" $cmd DISC.CUE 2>&1)
  wine=$(cd "$d" && wine_run "$WIN32/tools/applet-tool/applet-tool.exe" $cmd DISC.CUE 2>&1 | tr -d '\r')
  expect_eq "applet-tool $cmd under Wine prints what the native one does" "$native" "$wine"
done
expect_eq "the cue sheet ends with the lead-out" "01 AA 01 01 00 00 0B 19" \
  "$(cd "$d" && "$TOOL" cuesheet DISC.CUE | tail -1)"

e2e_finish
