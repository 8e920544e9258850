#!/usr/bin/env bash
# applet-tool's time arithmetic and status texts, natively and as applet-tool.exe under Wine.
. "$(dirname "$0")/lib.sh"

check_tool() { # label, then the command that runs applet-tool
  local label=$1
  shift
  expect_eq "$label lba2msf -151" "99:59:74" "$("$@" lba2msf -151)"
  expect_eq "$label lba2msf 0" "00:02:00" "$("$@" lba2msf 0)"
  expect_eq "$label msf2lba" "-11634" "$("$@" msf2lba 97:26:66)"
  expect_eq "$label frames" "100:00:00" "$("$@" frames 450000)"
  expect_eq "$label check condition" "INVALID FIELD IN COMMAND PACKET (\$05/\$24/\$00)" \
    "$("$@" status 04 00 02 05 24 00)"
  "$@" status 04 11 00 00 00 00 >"$E2E_SCRATCH/out"
  printf 'ASPI Status: SS_ERR\r\nHost Adapter Status: HASTAT_SEL_TO\r\nTarget Status: STATUS_GOOD\n' \
    >"$E2E_SCRATCH/want"
  expect_true "$label three-line form with CR LF" cmp -s "$E2E_SCRATCH/want" "$E2E_SCRATCH/out"
  "$@" status 04 00 >/dev/null 2>"$E2E_SCRATCH/err"
  expect_eq "$label bad arguments exit 2" "2" "$?"
  expect_true "$label usage on stderr" grep -q '^usage: applet-tool status' "$E2E_SCRATCH/err"
  "$@" msf2lba 1:2 >/dev/null 2>&1
  expect_eq "$label malformed time exits 2" "2" "$?"
}

scratch_dir
check_tool native "$NATIVE/tools/applet-tool/applet-tool"
check_tool wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"
e2e_finish
