#!/usr/bin/env bash
# applet-tool's drive commands: natively over the device tests' scripted ASPI library, a
# missing ASPI layer and bad arguments, and through SG_IO (--device) on the stand-in node and on
# nodes that are missing, no CD device or not open to the user (listing and recording); under
# Wine over Wine's own ASPI layer, which loads but reports no host adapters.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/passthrough_lib.sh"

scratch_dir
tool="$NATIVE/tools/applet-tool/applet-tool"
exe="$WIN32/tools/applet-tool/applet-tool.exe"

"$tool" drives --aspi "$E2E_SCRATCH/missing.dll" >"$E2E_SCRATCH/out" 2>"$E2E_SCRATCH/err"
expect_eq "native missing layer exits 1" "1" "$?"
expect_true "native missing layer is named" grep -q "no ASPI layer: cannot load .*missing.dll" \
  "$E2E_SCRATCH/err"
expect_eq "native missing layer prints no devices" "" "$(cat "$E2E_SCRATCH/out")"
fake="$NATIVE/applet/device/libfakeaspi.so"
"$tool" drives --aspi "$fake" >"$E2E_SCRATCH/out"
expect_eq "native drives exits 0" "0" "$?"
expect_eq "native drives lists three devices in bus order" \
  "00:00  VIRTUAL CD-ROM 1.0|00:01  VIRTUAL CD-R 1.0|01:02  VIRTUAL CD-R 1.0" \
  "$(grep -v '^ ' "$E2E_SCRATCH/out" | paste -sd'|')"
cat >"$E2E_SCRATCH/want" <<'TEXT'
01:02  VIRTUAL CD-R 1.0
  recorder yes
  sao no
  raw no
  tao yes
  maxwrite 48
  maxread 24
  write-speeds Max,48x,40x,30x,20x,16x,12x,10x,8x,6x,4x,2x,1x
  read-speeds Max,20x,16x,12x,10x,8x,6x,4x,2x,1x
  vendor VIRTUAL
  product CD-R
  revision 1.0
TEXT
expect_true "native drives describes a TAO-only recorder" cmp -s "$E2E_SCRATCH/want" \
  <(sed -n '/^01:02/,$p' "$E2E_SCRATCH/out")
expect_eq "native reader is no recorder" "  recorder no" "$(sed -n 2p "$E2E_SCRATCH/out")"
expect_eq "native blank disc" "blank" "$("$tool" blank --aspi "$fake" 0 1)"
expect_eq "native blank disc behind an open tray" "blank" "$("$tool" blank 1 2 --aspi "$fake")"
expect_eq "native audio CD" "not blank" "$("$tool" blank --aspi "$fake" 0 0)"
"$tool" eject --aspi "$fake" 0 1
expect_eq "native eject exits 0" "0" "$?"
"$tool" eject --aspi "$fake" 0 5 2>"$E2E_SCRATCH/err"
expect_eq "native eject of an empty target exits 1" "1" "$?"
expect_true "native eject failure gives the status" grep -q "HASTAT_SEL_TO" "$E2E_SCRATCH/err"

for args in "blank 0" "eject 0 256" "blank --aspi" "drives extra" "eject x 1"; do
  # shellcheck disable=SC2086
  "$tool" $args >/dev/null 2>&1
  expect_eq "native usage error: $args" "2" "$?"
done

printf '[device.0]\nproduct = CDR-4800\n' >"$E2E_SCRATCH/vr.ini"
sg_start "$E2E_SCRATCH/vr.ini" "$E2E_SCRATCH/sr0"
expect_eq "native --device lists the stand-in drive" \
  "00:00  VIRTUAL CDR-4800 1.0|  recorder yes|  path $E2E_SCRATCH/sr0" \
  "$(LD_PRELOAD=$SG_PRELOAD64 ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
    "$tool" drives --device "$E2E_SCRATCH/sr0" | grep -E '^(00|  recorder|  path)' | paste -sd'|')"
sg_stop
: >"$E2E_SCRATCH/plain"
chmod 711 "$E2E_SCRATCH"
install -m 600 /dev/null "$E2E_SCRATCH/locked"
sox -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/t.wav" synth 1 sine 440 2>/dev/null
while IFS='|' read -r what node user said; do
  for command in drives "record sao $E2E_SCRATCH/t.wav"; do
    # shellcheck disable=SC2086
    setpriv --reuid="$user" --regid="$user" --clear-groups timeout 60 "$tool" $command \
      --device "$node" >/dev/null 2>"$E2E_SCRATCH/err"
    expect_eq "native ${command%% /*} --device $what exits 1" "1" "$?"
    expect_true "native ${command%% /*} --device $what: says why" grep -qF "$said" \
      "$E2E_SCRATCH/err"
  done
done <<TABLE
missing|$E2E_SCRATCH/missing|0|cannot open $E2E_SCRATCH/missing: no such device
no CD device|$E2E_SCRATCH/plain|0|$E2E_SCRATCH/plain is not a CD device
not open to the user|$E2E_SCRATCH/locked|65534|cannot open $E2E_SCRATCH/locked: permission denied (CD devices need membership in the cdrom group)
TABLE

end_unless_wine
wine_run "$exe" drives >"$E2E_SCRATCH/out" 2>"$E2E_SCRATCH/err"
expect_eq "wine builtin layer exits 0" "0" "$?"
expect_eq "wine builtin layer lists nothing" "" "$(tr -d '\r' <"$E2E_SCRATCH/out")"
expect_true "wine builtin layer reports no devices" grep -q "no CD devices found" \
  "$E2E_SCRATCH/err"
expect_eq "wine blank without a drive" "not blank" \
  "$(wine_run "$exe" blank 0 0 2>/dev/null | tr -d '\r')"
wine_run "$exe" eject 0 0 >/dev/null 2>"$E2E_SCRATCH/err"
expect_eq "wine eject without a drive exits 1" "1" "$?"
expect_true "wine eject failure gives the status" grep -q "eject failed: ASPI Status:" \
  "$E2E_SCRATCH/err"

# Under Wine with the virtual recorder beside the tool: whatever the length of the capabilities
# page (a 34-byte page makes the MODE SENSE header's length byte 0x2A), the recorder shows its
# true speeds and write methods.
vrec="$E2E_SCRATCH/vrec"
mkdir -p "$vrec"
cp "$exe" "$WIN32/tools/virtual-recorder/wnaspi32.dll" "$vrec/"
for length in 20 34 60; do
  printf '[device.0]\nmax_write_kbps = 7056\nmax_read_kbps = 8467\nwrite_types = sao, tao\ncapabilities_page_length = %s\n' \
    "$length" >"$vrec/virtualrecorder.ini"
  got=$(cd "$vrec" && WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n" wine_run applet-tool.exe drives |
    tr -d '\r' | grep -E '^  (recorder|sao|raw|tao|maxwrite|maxread) ' | paste -sd'|')
  expect_eq "wine virtual recorder with a capabilities page of $length bytes" \
    "  recorder yes|  sao yes|  raw no|  tao yes|  maxwrite 40|  maxread 48" "$got"
done

WINEDLLOVERRIDES="wnaspi32=d" wine_run "$exe" drives >/dev/null 2>"$E2E_SCRATCH/err"
expect_eq "wine disabled layer exits 1" "1" "$?"
expect_true "wine disabled layer is reported" grep -q "no ASPI layer: cannot load wnaspi32.dll" \
  "$E2E_SCRATCH/err"
e2e_finish
