#!/usr/bin/env bash
# applet.exe under Wine with its liner notes in place: the checks pass the files and space steps,
# show the version, and stop at the ASPI layer, which is not loaded (exit 4): Wine's own
# wnaspi32.dll is switched off. The same with a package that cannot be read: liner notes kept.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"

scratch_dir
session_prepare

applet=$(session_copy aspi 2000000)
printf '[INTERNAL]\r\nSize=1\r\n[TITLE]\r\nAlbum=Night Songs\r\n' >"$(dirname "$applet")/linernotes.htm"
out="$E2E_SCRATCH/aspi.out"
WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=d" drive start "$(winpath "$applet")" \
  wait-memo "Version 1.40b" 60000 \
  wait-memo "No suitable ASPI layer found!" 10000 dump click "&OK" wait-exit 10000 >"$out"
expect_eq "uidriver steps held" "0" "$?"
expect_eq "version, then the ASPI message" \
  "memo=Version 1.40b memo= memo= memo=*** Error - No suitable ASPI layer found!  Connect to the Internet then press OK to learn more at our web site. memo=" \
  "$(grep '^memo=' "$out" | tail -5 | tr '\n' ' ' | sed 's/ $//')"
expect_eq "OK caption" "button=&OK" "$(grep '^button=&O' "$out")"
expect_eq "no ASPI layer ends with exit 4" "exit=4" "$(grep '^exit=' "$out")"
expect_true "liner notes kept" test -f "$(dirname "$applet")/linernotes.htm"

# A package that cannot be read at all (a zero-filled tail): the liner notes beside it, which
# this run did not expand, stay, and the session goes on to the ASPI check.
mkdir -p "$E2E_SCRATCH/zeros"
cp "$APPLET" "$E2E_SCRATCH/zeros/applet.exe"
truncate -s 911000 "$E2E_SCRATCH/zeros/applet.exe"
cp "$(dirname "$applet")/linernotes.htm" "$E2E_SCRATCH/zeros/"
WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=d" drive start "$(winpath "$E2E_SCRATCH/zeros/applet.exe")" \
  wait-memo "No suitable ASPI layer found!" 60000 click "&OK" wait-exit 10000 >"$out"
expect_eq "zero tail: no ASPI layer, exit 4" "exit=4" "$(grep '^exit=' "$out")"
expect_true "zero tail: liner notes kept" test -f "$E2E_SCRATCH/zeros/linernotes.htm"
e2e_finish
