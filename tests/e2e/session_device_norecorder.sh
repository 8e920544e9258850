#!/usr/bin/env bash
# applet.exe under Wine with an ASPI layer but no recorder: the virtual recorder with a reader
# only or without devices, and Wine's own layer (no host adapters). The ASPI check passes, the
# recorder check fails, and OK ends with exit 8.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/session_device_lib.sh"

scratch_dir
session_device_prepare

no_recorder='*** Error - There is no CD recorder present or no compatible recording method available with your CD recorder.  Your ASPI layer may be OUTDATED, please update and try again.  No CD can be made.  Press Help or OK to exit.'

check_no_recorder() { # name applet overrides
  local out="$E2E_SCRATCH/$1.out"
  WINEDLLOVERRIDES="$3" drive start "$(winpath "$2")" wait-memo "There is no CD recorder" 60000 \
    dump click "&OK" wait-exit 10000 >"$out"
  expect_eq "$1: uidriver steps held" "0" "$?"
  expect_eq "$1: version, then the recorder message" "Version 1.40b|||$no_recorder|" \
    "$(memo_tail "$out" 5)"
  expect_true "$1: no ASPI message" lacks "No suitable ASPI layer" "$out"
  expect_eq "$1: ends with exit 8" "exit=8" "$(grep '^exit=' "$out")"
}

reader=$(device_session reader $'[device.0]\nkind = reader\njournal = journal.txt\n')
check_no_recorder "reader only" "$reader" "$NATIVE_ASPI"
expect_true "reader only: the recorder's DLL was used" grep -q 'INQUIRY allocation 36 | GOOD' \
  "$(dirname "$reader")/journal.txt"

empty=$(device_session empty $'; no devices on the bus\n')
check_no_recorder "no devices" "$empty" "$NATIVE_ASPI"

builtin=$(device_session builtin "")
check_no_recorder "Wine's own ASPI layer" "$builtin" "mscoree,mshtml="
e2e_finish
