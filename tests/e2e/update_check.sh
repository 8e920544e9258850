#!/usr/bin/env bash
# update.exe under Wine, driven by uidriver: the OK check against a loopback server and local
# files, quiet mode, the settings file, failed connections and launches, the About box.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/update_lib.sh"

update_setup
web="http://127.0.0.1:$SERVER_PORT"
ini="$APP_DIR/update.ini"

# A newer version: the prompt, then the link goes to the browser and the dialog ends as OK.
publish newer.htm 1.1 "$web/download/page.htm?from=update"
write_settings "$ini" "Test Program" 1.0 "$web/plain/newer.htm"
ui newer start "$APP" wait-dialog Verilatch dialog-text dialog-click OK wait-exit
expect_eq "newer: uidriver succeeds" 0 "$UI_STATUS"
expect_eq "newer: prompt, then OK" "$PROMPT_LINES
exit=1" "$(cat "$E2E_SCRATCH/newer.out")"
expect_eq "newer: the link reaches the browser" "$web/download/page.htm?from=update" \
  "$(browsed_after 20)"
expect_eq "newer: fetched once over HTTP" "/plain/newer.htm" "$(cat "$SERVER_LOG")"

# Equal versions: the information box, and no browser.
: >"$BROWSED"
publish equal.htm 1.0 "$web/download/page.htm"
write_settings "$ini" "Test Program" 1.0 "$web/plain/equal.htm"
ui equal start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog "Update Info" dialog-text \
  dialog-click OK wait-exit
expect_eq "equal: latest version box, then OK" "text=You have the latest version!
exit=1" "$(cat "$E2E_SCRATCH/equal.out")"

# Quiet mode with equal versions: no box at all, the program ends by itself.
ui quiet start "$APP /s" wait-exit 20000
expect_eq "quiet equal: ends as OK without a box" "exit=1" "$(cat "$E2E_SCRATCH/quiet.out")"

# 1.9 installed against a published 1.10: byte-wise, 1.10 is not newer.
publish bytewise.htm 1.10 "$web/download/page.htm"
write_settings "$ini" "Test Program" 1.9 "$web/plain/bytewise.htm"
ui bytewise start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog "Update Info" \
  dialog-text dialog-click OK wait-exit
expect_eq "1.9 against 1.10: no update offered" "text=You have the latest version!
exit=1" "$(cat "$E2E_SCRATCH/bytewise.out")"
expect_eq "equal and 1.10: the browser got nothing" "" "$(browsed_after 2)"

# A version text without "UpdateLink=": "Invalid URL." and the dialog ends as cancel.
printf "LatestVersion='2.0'\n" >"$WEB_DIR/nolink.txt"
write_settings "$ini" "Test Program" 1.0 "$web/plain/nolink.txt"
ui nolink start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog Error dialog-text \
  dialog-click OK wait-exit
expect_eq "no link: Invalid URL." "text=Invalid URL.
exit=2" "$(cat "$E2E_SCRATCH/nolink.out")"

# The server down: "Connection failed.", the no-information box, and the dialog stays open with
# the retry prompt until Cancel.
write_settings "$ini" "Test Program" 1.0 "http://127.0.0.1:$(free_port)/plain/newer.htm"
ui down start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog ERROR dialog-text \
  dialog-click OK wait-dialog Error dialog-text dialog-click OK wait-dialog Verilatch dialog-text \
  dialog-click Cancel wait-exit
expect_eq "server down: both boxes, the retry prompt, then cancel" "text=Connection failed.
text=Cannot get information from the Web.
text=Please make sure that you are connected
text=to the Internet and try again.
$RETRY_LINES
exit=2" "$(cat "$E2E_SCRATCH/down.out")"

# A drive-letter location is read as a file (longer than one 511-byte piece), never over HTTP.
: >"$SERVER_LOG"
{
  for i in $(seq 40); do printf 'padding line %02d of the local version text\n' "$i"; done
  printf "LatestVersion='1.0'\nUpdateLink='%s'\n" "$web/download/page.htm"
} >"$WEB_DIR/local.txt"
write_settings "$ini" "Test Program" 1.0 "$(winpath "$WEB_DIR/local.txt")"
ui file start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog "Update Info" dialog-text \
  dialog-click OK wait-exit
expect_eq "drive letter: read as a file" "text=You have the latest version!
exit=1" "$(cat "$E2E_SCRATCH/file.out")"
write_settings "$ini" "Test Program" 1.0 "\\\\?\\$(winpath "$WEB_DIR/local.txt")"
ui unc start "$APP /s" wait-exit 20000
expect_eq "two leading backslashes: read as a file" "exit=1" "$(cat "$E2E_SCRATCH/unc.out")"
expect_eq "file locations: no HTTP request" "" "$(cat "$SERVER_LOG")"

# "/s" with a named settings file that is missing: the error box even in quiet mode.
ui missing start "$APP /s missing.ini" wait-dialog Error dialog-text dialog-click OK wait-exit
expect_eq "missing settings: error box, then the program quits" \
  "text=Error reading ini file data.
exit=2" "$(cat "$E2E_SCRATCH/missing.out")"
# A named settings file is read from the program's folder.
write_settings "$APP_DIR/other.ini" "Test Program" 1.0 "$web/plain/equal.htm"
ui named start "$APP /s other.ini" wait-exit 20000
expect_eq "named settings file in quiet mode" "exit=1" "$(cat "$E2E_SCRATCH/named.out")"
# Settings with one key missing.
printf '[Verilatch]\r\nProgramName=Test Program\r\nUpdateURL=%s\r\n' "$web/plain/equal.htm" \
  >"$ini"
ui nokey start "$APP" wait-dialog Error dialog-text dialog-click OK wait-exit
expect_eq "missing ExistingVersion: error box" "text=Error reading ini file data.
exit=2" "$(cat "$E2E_SCRATCH/nokey.out")"

# A link no program opens: "Jumping..." while the execute error shows, then the retry prompt.
# (Only the producer's own file may name something other than a web page.)
publish badlink.htm 2.0 "$(winpath "$E2E_SCRATCH/no-such-folder/page.htm")"
write_settings "$ini" "Test Program" 1.0 "$(winpath "$WEB_DIR/badlink.htm")"
ui badlink start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog "Execute Error" \
  dialog-text wait-dialog Verilatch dialog-text wait-dialog "Execute Error" dialog-click OK \
  wait-dialog Verilatch dialog-text dialog-click Cancel wait-exit
expect_eq "failed launch: execute error, status, retry prompt" \
  "text=The specified file was not found.
text=
text=
text=Jumping to update Web site...
$RETRY_LINES
exit=2" "$(cat "$E2E_SCRATCH/badlink.out")"

# The window menu's About command: any command from 16 to 31 shows the About box, 32 does not.
write_settings "$ini" "Test Program" 1.0 "$web/plain/equal.htm"
for command in 16 31 32; do
  wine_run "$WIN32/update/update-syscommand.exe" Verilatch "$command" >/dev/null 2>&1 &
  helper=$!
  ui "about$command" start "$APP" wait-dialog "About Verilatch" 5000 dialog-text dialog-click OK \
    wait-dialog Verilatch dialog-click Cancel wait-exit
  wait "$helper"
  expect_eq "window-menu command $command: helper posted it" 0 "$?"
done
about="text=Verilatch 1.0
text=Checks the Internet for newer versions.
exit=2"
expect_eq "command 16: the About box" "$about" "$(cat "$E2E_SCRATCH/about16.out")"
expect_eq "command 31: the About box" "$about" "$(cat "$E2E_SCRATCH/about31.out")"
expect_true "command 32: no About box" grep -q 'step 2 (wait-dialog) failed' \
  "$E2E_SCRATCH/about32.out"

e2e_finish
