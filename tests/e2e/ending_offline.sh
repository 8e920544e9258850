#!/usr/bin/env bash
# applet.exe ended under Wine in a network namespace that holds only the loopback interface:
# no report is sent (the ASPI help page of the OK at the ASPI check still opens), while the
# statistics are saved and the working files removed.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/ending_lib.sh"

scratch_dir
session_prepare
browser_install

applet=$(session_copy offline 2000000)
dir=$(dirname "$applet")
printf '[INTERNAL]\r\nSize=1\r\nSource=Night Songs Live\r\n' >"$dir/linernotes.htm"
stage_dummies "$dir"
wine_reg delete "$STATISTICS_KEY" /f >/dev/null
expect_eq "result 4" "exit=4" "$(netns_drive offline start "$(winpath "$applet")" \
  wait-memo "No suitable ASPI layer found!" 60000 click "&OK" wait-exit 10000 | grep '^exit=')"
expect_eq "only the ASPI help page opens, no report" \
  "http://support.example.com/support/aboutaspi-perm.asp" "$(opened)"
expect_eq "statistics saved" "7" "$(statistics_values | grep -c ' REG_SZ 0$')"
expect_eq "working files removed" "applet.exe jewelcasecover.jpg linernotes.htm" \
  "$(cd "$dir" && ls | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
e2e_finish
