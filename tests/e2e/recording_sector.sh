#!/usr/bin/env bash
# applet-tool sector: the raw data sectors the recording engine builds, natively and as
# applet-tool.exe under Wine (byte for byte the same), with the EDC checked by an independent
# computation.
. "$(dirname "$0")/lib.sh"

bytes() { # FILE OFFSET COUNT: the bytes as hexadecimal pairs separated by spaces
  od -An -tx1 -v -j "$2" -N "$3" "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

edc_of() { # FILE: the CRC of bytes 0-2063 as four bytes, least significant first
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()[:2064]
r = 0
for b in data:
    r ^= b
    for _ in range(8):
        r = (r >> 1) ^ (0xD8018001 if r & 1 else 0)
print(' '.join('%02x' % ((r >> (8 * i)) & 0xFF) for i in range(4)))
PY
}

check_tool() { # label, then the command that runs applet-tool
  local label=$1 d=$E2E_SCRATCH/$1
  shift
  mkdir -p "$d"
  cp "$E2E_SCRATCH/user.bin" "$d/user.bin"
  (cd "$d" && "$@" sector mode1 0 user.bin m1.bin && "$@" sector mode1 --unscrambled 0 user.bin \
    m1u.bin && "$@" sector scramble m1u.bin m1s.bin && "$@" sector mode2 -151 m2.bin &&
    "$@" sector mode2 --unscrambled -151 m2u.bin && "$@" sector scramble m2.bin m2back.bin)
  expect_eq "$label commands succeed" 0 "$?"
  expect_eq "$label sector size" 2352 "$(stat -c %s "$d/m1.bin")"
  expect_eq "$label sync and scrambled header" \
    "00 ff ff ff ff ff ff ff ff ff ff 00 01 82 00 61" "$(bytes "$d/m1.bin" 0 16)"
  expect_eq "$label unscrambled header, mode 1" "00 02 00 01" "$(bytes "$d/m1u.bin" 12 4)"
  expect_true "$label user data in place" cmp -s "$d/user.bin" <(tail -c +17 "$d/m1u.bin" | head -c 2048)
  expect_eq "$label EDC" "$(edc_of "$d/m1u.bin")" "$(bytes "$d/m1u.bin" 2064 4)"
  expect_eq "$label zero bytes before P" "00 00 00 00 00 00 00 00" "$(bytes "$d/m1u.bin" 2068 8)"
  expect_true "$label scramble of unscrambled" cmp -s "$d/m1.bin" "$d/m1s.bin"
  expect_eq "$label mode 2 lead-in header and sub-header" \
    "99 59 74 02 00 00 20 00 00 00 20 00" "$(bytes "$d/m2u.bin" 12 12)"
  expect_eq "$label mode 2 zeros" "2328" \
    "$(tail -c +25 "$d/m2u.bin" | od -An -tx1 -v | tr -s ' \n' '\n' | grep -c '^00$')"
  expect_true "$label unscramble restores" cmp -s "$d/m2u.bin" "$d/m2back.bin"

  head -c 2047 "$d/user.bin" >"$d/short.bin"
  (cd "$d" && "$@" sector mode1 0 short.bin out.bin >/dev/null 2>"$d/err")
  expect_eq "$label short user data fails" 1 "$?"
  expect_true "$label says why" grep -q 'must hold exactly 2048 bytes' "$d/err"
  (cd "$d" && "$@" sector mode2 449850 out.bin >/dev/null 2>&1)
  expect_eq "$label LBA out of range fails" 1 "$?"
  (cd "$d" && "$@" sector mode1 0 user.bin >/dev/null 2>&1)
  expect_eq "$label missing argument is a usage error" 2 "$?"
}

scratch_dir
head -c 2048 /dev/urandom >"$E2E_SCRATCH/user.bin"
check_tool native "$NATIVE/tools/applet-tool/applet-tool"
wine_ok && check_tool wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"
wine_ok && for f in m1.bin m1u.bin m2.bin m2u.bin; do
  expect_true "native and Windows build the same $f" cmp -s "$E2E_SCRATCH/native/$f" \
    "$E2E_SCRATCH/wine/$f"
done
e2e_finish
