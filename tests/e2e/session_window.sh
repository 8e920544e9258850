#!/usr/bin/env bash
# applet.exe under Wine: the size gate, the main window's dressing, the refused system close,
# the ignored click while "Please Wait" stands, and the missing-files ending (exit 2).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"

scratch_dir
session_prepare

# One byte short of a package: no window, exit code 0.
short=$(session_copy short 910999)
drive start "$(winpath "$short")" wait-gone 8000 wait-exit 30000 >"$E2E_SCRATCH/short.out"
expect_eq "910999 bytes: uidriver steps held" "0" "$?"
expect_eq "910999 bytes: exit code 0 without a window" "exit=0" "$(cat "$E2E_SCRATCH/short.out")"

# Exactly the smallest package: the window opens. No liner notes lie beside it.
applet=$(session_copy window 911000)
shot="$E2E_SCRATCH/window.bmp"
drive start "$(winpath "$applet")" dump screenshot "$(winpath "$shot")" close click "Please Wait" \
  dump wait-memo "Required download files are missing!" 60000 dump click "&OK" wait-exit 10000 \
  >"$E2E_SCRATCH/window.out"
expect_eq "911000 bytes: uidriver steps held" "0" "$?"
out="$E2E_SCRATCH/window.out"
dumps() { awk -v n="$1" '/^client=/{k++} k==n' "$out"; }
expect_eq "client area 334 x 343" "client=334x343" "$(dumps 1 | grep '^client=')"
expect_eq "no caption bar" "caption=no" "$(dumps 1 | grep '^caption=')"
expect_eq "buttons at start" "button=&Help button=Please Wait" "$(dumps 1 | grep '^button=' | xargs)"
expect_eq "gauge at start" "gauge=0" "$(dumps 1 | grep '^gauge=')"
expect_eq "window still there after close and click" "button=Please Wait" \
  "$(dumps 2 | grep '^button=Please')"
expect_eq "gauge after the pauses" "gauge=3" "$(dumps 3 | grep '^gauge=')"
expect_eq "OK caption after the failure" "button=&OK" "$(dumps 3 | grep '^button=&O')"
expect_eq "files message as the last memo lines" \
  "memo= memo= memo=*** Error - Required download files are missing!  Press OK to exit now. memo=" \
  "$(dumps 3 | grep '^memo=' | tail -4 | tr '\n' ' ' | sed 's/ $//')"
expect_true "no version line after the files check" bash -c "! grep -q 'Version 1.40b' '$out'"
expect_eq "missing liner notes end with exit 2" "exit=2" "$(grep '^exit=' "$out")"

# The gradient: black at the top, band 127 as MulDiv gives it at the bottom, never darker
# further down the window's left margin.
expect_eq "gradient in the screenshot" "top 0,0,0 bottom 253,237,0 monotonic yes" \
  "$(python3 - "$shot" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
offset = struct.unpack_from('<I', data, 10)[0]
width, height = struct.unpack_from('<ii', data, 18)
row = (width * 3 + 3) & ~3
def pixel(x, y):
    b, g, r = data[offset + (height - 1 - y) * row + 3 * x: offset + (height - 1 - y) * row + 3 * x + 3]
    return (r, g, b)
column = [pixel(2, y) for y in range(height)]
monotonic = all(column[y] <= column[y + 1] for y in range(height - 1))
print('top %d,%d,%d bottom %d,%d,%d monotonic %s' % (column[0] + column[-1] + ('yes' if monotonic else 'no',)))
PY
)"
e2e_finish
