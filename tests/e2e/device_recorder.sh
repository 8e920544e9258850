#!/usr/bin/env bash
# applet-tool's drive commands over the virtual recorder: natively through libwnaspi32.so, and
# under Wine through its wnaspi32.dll beside the program (loaded in place of Wine's own).
# Both list the same devices in bus order; blank and eject act on the emulated drives.
. "$(dirname "$0")/lib.sh"

scratch_dir
tool="$NATIVE/tools/applet-tool/applet-tool"
exe="$WIN32/tools/applet-tool/applet-tool.exe"
so="$NATIVE/tools/virtual-recorder/libwnaspi32.so"
dll="$WIN32/tools/virtual-recorder/wnaspi32.dll"

# A reader, a TAO-only recorder and a recorder that rejects every write type on adapter 0; a
# recorder answering on its own thread on adapter 1.
ini="$E2E_SCRATCH/recorders.ini"
cat >"$ini" <<'INI'
[device.0]
kind = reader
medium = audio
completion = sync
[device.1]
vendor = QLN
product = TAO ONLY
revision = 0.9
write_types = tao
max_write_kbps = 1411
max_read_kbps = 4234
completion = sync
journal = journal.txt
[device.2]
product = NO WRITE TYPE
write_types = none
completion = sync
[device.3]
adapter = 1
target = 4
product = CDR-4800
medium = audio
INI

cat >"$E2E_SCRATCH/want" <<'TEXT'
00:00  VIRTUAL CD-ROM READER 1.0
  recorder no
  sao no
  raw no
  tao no
  maxwrite 0
  maxread 48
  write-speeds Max
  read-speeds Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  vendor VIRTUAL
  product CD-ROM READER
  revision 1.0
00:01  QLN TAO ONLY 0.9
  recorder yes
  sao no
  raw no
  tao yes
  maxwrite 8
  maxread 24
  write-speeds Max,8x,6x,4x,2x,1x
  read-speeds Max,20x,16x,12x,10x,8x,6x,4x,2x,1x
  vendor QLN
  product TAO ONLY
  revision 0.9
00:02  VIRTUAL NO WRITE TYPE 1.0
  recorder no
  sao no
  raw no
  tao no
  maxwrite 40
  maxread 48
  write-speeds Max,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  read-speeds Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  vendor VIRTUAL
  product NO WRITE TYPE
  revision 1.0
01:04  VIRTUAL CDR-4800 1.0
  recorder yes
  sao yes
  raw yes
  tao yes
  maxwrite 40
  maxread 48
  write-speeds Max,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  read-speeds Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  vendor VIRTUAL
  product CDR-4800
  revision 1.0
TEXT

# Natively.
VIRTUAL_RECORDER_CONFIG="$ini" "$tool" drives --aspi "$so" >"$E2E_SCRATCH/native.out"
expect_eq "native drives over the recorder exits 0" "0" "$?"
expect_true "native drives lists every device" cmp -s "$E2E_SCRATCH/want" "$E2E_SCRATCH/native.out"
expect_eq "native blank disc" "blank" \
  "$(VIRTUAL_RECORDER_CONFIG="$ini" "$tool" blank --aspi "$so" 0 1)"
expect_eq "native audio CD" "not blank" \
  "$(VIRTUAL_RECORDER_CONFIG="$ini" "$tool" blank --aspi "$so" 1 4)"

end_unless_wine
# Under Wine: the DLL beside the program, preferred to Wine's own by the override.
mkdir -p "$E2E_SCRATCH/win"
cp "$exe" "$dll" "$E2E_SCRATCH/win/"
export VIRTUAL_RECORDER_CONFIG="Z:${ini//\//\\}"
run_wine_tool() {
  (cd "$E2E_SCRATCH/win" && WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n" \
    wine_run applet-tool.exe "$@")
}
run_wine_tool drives >"$E2E_SCRATCH/wine.out" 2>"$E2E_SCRATCH/wine.err"
expect_eq "wine drives over the recorder exits 0" "0" "$?"
tr -d '\r' <"$E2E_SCRATCH/wine.out" >"$E2E_SCRATCH/wine.txt"
expect_true "wine drives lists every device" cmp -s "$E2E_SCRATCH/want" "$E2E_SCRATCH/wine.txt"
expect_true "the recorder journalled the scan" grep -q \
  '^0:1 55 10 00 00 00 00 00 00 3C 00 | MODE SELECT(10) 60 bytes: page 05: write type 1 (track-at-once), test write' \
  "$E2E_SCRATCH/journal.txt"
expect_eq "wine blank disc" "blank" "$(run_wine_tool blank 0 1 | tr -d '\r')"
expect_eq "wine audio CD" "not blank" "$(run_wine_tool blank 1 4 | tr -d '\r')"
expect_eq "wine reader with an audio CD" "not blank" "$(run_wine_tool blank 0 0 | tr -d '\r')"
run_wine_tool eject 0 1 >/dev/null
expect_eq "wine eject exits 0" "0" "$?"
expect_eq "the recorder ejected" "1" \
  "$(grep -c '^0:1 1B .* | START STOP UNIT eject | GOOD' "$E2E_SCRATCH/journal.txt")"
if [ "$E2E_FAILURES" -ne 0 ]; then
  diff "$E2E_SCRATCH/want" "$E2E_SCRATCH/native.out"
  diff "$E2E_SCRATCH/want" "$E2E_SCRATCH/wine.txt"
  cat "$E2E_SCRATCH/wine.err"
fi
e2e_finish
