#!/usr/bin/env bash
# The result report under Wine, online (in a network namespace of the check's own) with a
# recording browser: at the ASPI check of applet.exe, Help opens the general help page, and the
# ending opens the ASPI help page and the report for result 4; without liner notes (result 2)
# nothing opens. The report for result 8 and for a
# success (with the liner notes after it) is acted out by applet-tool beside the liner notes,
# as the recorder checks cannot be reached yet.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/ending_lib.sh"

scratch_dir
session_prepare
[ -f "$TOOL" ] || { echo "build win32 first"; exit 1; }
browser_install

report="http://results.example.com/qlns1.asp?r="
source_text="source=Version1.40bNight_Songs_Live"
notes='[INTERNAL]\r\nSize=1\r\nSource=Night Songs Live\r\n'

expect_eq "online namespace counts as connected" "connected=1" \
  "$(in_netns online "$ROOT/scripts/wine-run" "$TOOL" connected | tr -d '\r')"
expect_eq "offline namespace does not" "connected=0" \
  "$(in_netns offline "$ROOT/scripts/wine-run" "$TOOL" connected | tr -d '\r')"

applet=$(session_copy aspi 2000000)
printf "$notes" >"$(dirname "$applet")/linernotes.htm"
browser_clear
expect_eq "Help, then OK: result 4" "exit=4" "$(netns_drive online start "$(winpath "$applet")" \
  wait-memo "No suitable ASPI layer found!" 60000 click "&Help" click "&OK" wait-exit 10000 |
  grep '^exit=')"
# Each address starts a launcher process of its own, so addresses opened together may be
# written down in either order.
expect_eq "the report with r=4 and the three-word source, the ASPI and the general help page" \
  "${report}4&$source_text
http://support.example.com/support/aboutaspi-perm.asp
http://support.example.com/support/qlns/helpbutton-perm.asp" "$(opened | LC_ALL=C sort)"

applet=$(session_copy files 2000000)
browser_clear
expect_eq "result 2" "exit=2" "$(netns_drive online start "$(winpath "$applet")" \
  wait-memo "Required download files are missing!" 60000 click "&OK" wait-exit 10000 |
  grep '^exit=')"
expect_eq "nothing opens for result 2" "" "$(opened)"

tool_dir="$E2E_SCRATCH/tool"
mkdir -p "$tool_dir"
cp "$TOOL" "$tool_dir/NightSongs.exe"
printf "$notes" >"$tool_dir/linernotes.htm"
browser_clear
in_netns online "$ROOT/scripts/wine-run" "$tool_dir/NightSongs.exe" report 8
expect_eq "report for result 8" "${report}8&$source_text" "$(opened)"

browser_clear
in_netns online "$ROOT/scripts/wine-run" "$tool_dir/NightSongs.exe" report 0
mapfile -t lines < <(opened)
expect_eq "report for a success first" "${report}0&$source_text" "${lines[0]:-}"
expect_true "then the liner notes (${lines[1]:-none})" \
  grep -q "tool/linernotes.htm\$" <<<"${lines[1]:-}"
expect_eq "two addresses" "2" "${#lines[@]}"
mapfile -t times <"$BROWSER_LOG.times"
gap=$(((${times[1]:-0} - ${times[0]:-0}) / 1000000))
expect_true "the liner notes open after the pause (${gap} ms)" test "$gap" -ge 1700
e2e_finish
