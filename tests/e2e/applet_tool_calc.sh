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
  # The ends of the range, and values past them: a usage error each.
  while read -r cmd arg want; do
    expect_eq "$label $cmd $arg" "$want" "$("$@" "$cmd" "$arg" 2>/dev/null)"
  done <<'TABLE'
lba2msf -45150 90:00:00
lba2msf 449849 99:59:74
msf2lba 99:59:74 -151
msf2lba 90:00:00 -45150
msf2lba 89:59:74 404849
TABLE
  for args in "lba2msf -45151" "lba2msf 449850" "lba2msf 2147483647" "lba2msf -1000000" \
    "msf2lba 00:60:00" "msf2lba 00:00:75" "msf2lba 100:00:00" "msf2lba -1:00:00"; do
    # shellcheck disable=SC2086
    "$@" $args >"$E2E_SCRATCH/out" 2>"$E2E_SCRATCH/err"
    expect_eq "$label $args exits 2" "2" "$?"
    expect_true "$label $args: usage only" bash -c \
      "[ ! -s '$E2E_SCRATCH/out' ] && grep -q '^usage: applet-tool ${args%% *}' '$E2E_SCRATCH/err'"
  done
}

scratch_dir
check_tool native "$NATIVE/tools/applet-tool/applet-tool"
wine_ok && check_tool wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"

# The native platform's connection state comes from the interfaces that are up.
native="$NATIVE/tools/applet-tool/applet-tool"
expect_eq "native online namespace counts as connected" "connected=1" \
  "$(in_netns online "$native" connected)"
expect_eq "native loopback-only namespace does not" "connected=0" \
  "$(in_netns offline "$native" connected)"
e2e_finish
