#!/usr/bin/env bash
# update.exe under Wine against hostile version texts and servers: a link to a local program,
# a server that never answers, stops in the middle of the body or trickles it, redirect chains
# and loops.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/update_lib.sh"

update_setup
web="http://127.0.0.1:$SERVER_PORT"
ini="$APP_DIR/update.ini"

# A batch file that leaves a mark when it runs.
marker="$E2E_SCRATCH/ran.txt"
printf '@echo ran> "%s"\r\n' "$(winpath "$marker")" >"$E2E_SCRATCH/some.bat"
batch=$(winpath "$E2E_SCRATCH/some.bat")

# A version text from the network naming a local batch file: "Invalid URL.", nothing runs.
publish batch.htm 2.0 "$batch"
write_settings "$ini" "Test Program" 1.0 "$web/plain/batch.htm"
ui batch start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog Error dialog-text \
  dialog-click OK wait-exit
expect_eq "network text naming a batch file: Invalid URL." "text=Invalid URL.
exit=2" "$(cat "$E2E_SCRATCH/batch.out")"
sleep 2
expect_true "network text naming a batch file: the batch did not run" test ! -e "$marker"
expect_eq "network text naming a batch file: the browser got nothing" "" "$(cat "$BROWSED")"

# A UNC path and a file: address are no web pages either.
for link in '\\127.0.0.1\share\setup.exe' "file:///$(winpath "$E2E_SCRATCH/some.bat")"; do
  publish other.htm 2.0 "$link"
  write_settings "$ini" "Test Program" 1.0 "$web/plain/other.htm"
  ui other start "$APP /s" wait-dialog Error dialog-text dialog-click OK wait-exit
  expect_eq "network text naming $link: Invalid URL." "text=Invalid URL.
exit=2" "$(cat "$E2E_SCRATCH/other.out")"
done
expect_true "no link from the network ran anything" test ! -e "$marker"

# A web link in capitals still opens.
publish upper.htm 2.0 "HTTP://127.0.0.1:$SERVER_PORT/download/page.htm"
write_settings "$ini" "Test Program" 1.0 "$web/plain/upper.htm"
ui upper start "$APP /s" wait-exit
expect_eq "HTTP:// link: the dialog closes as OK" "exit=1" "$(cat "$E2E_SCRATCH/upper.out")"
# (Wine's browser launcher writes the scheme in lower case.)
expect_eq "HTTP:// link: the browser got it" "http://127.0.0.1:$SERVER_PORT/download/page.htm" \
  "$(browsed_after 20 | sed 's|^HTTP://|http://|')"

# The producer's own file keeps any link: its batch file runs.
printf "LatestVersion='2.0'\nUpdateLink='%s'\n" "$batch" >"$E2E_SCRATCH/own.txt"
write_settings "$ini" "Test Program" 1.0 "$(winpath "$E2E_SCRATCH/own.txt")"
ui own start "$APP /s" wait-exit
expect_eq "own file naming a batch file: the dialog closes as OK" "exit=1" \
  "$(cat "$E2E_SCRATCH/own.out")"
for _ in $(seq 100); do [ -e "$marker" ] && break; sleep 0.1; done
expect_true "own file naming a batch file: the batch ran" test -e "$marker"

# failed NAME URL: the OK check against URL must end as a failed download: the
# connection-failure box, the no-information box and the retry prompt, then Cancel. Sets
# SECONDS_TAKEN to the seconds until the program ended.
FAILED_LINES="text=Connection failed.
text=Cannot get information from the Web.
text=Please make sure that you are connected
text=to the Internet and try again.
$RETRY_LINES
exit=2"
# The wait for the error box outlasts the download's 120 s deadline (the trickling server).
failed() {
  write_settings "$ini" "Test Program" 1.0 "$2"
  local start end
  start=$(date +%s)
  ui "$1" start "$APP" wait-dialog Verilatch dialog-click OK wait-dialog ERROR 150000 dialog-text \
    dialog-click OK wait-dialog Error dialog-text dialog-click OK wait-dialog Verilatch \
    dialog-text dialog-click Cancel wait-exit
  end=$(date +%s)
  SECONDS_TAKEN=$((end - start))
  expect_eq "$1: a failed download, then the retry prompt" "$FAILED_LINES" \
    "$(cat "$E2E_SCRATCH/$1.out")"
}

# The same steps against a port nobody listens on fail at once: the time they take is the
# baseline of the waits below.
failed refused "http://127.0.0.1:$(free_port)/plain/none.htm"
baseline=$SECONDS_TAKEN
# waited WHAT: the wait beyond the baseline was the 30 s time-out, give or take.
waited() {
  local wait=$((SECONDS_TAKEN - baseline))
  expect_true "$1: ended by the time-out within 35 s (waited ${wait}s)" \
    test "$wait" -ge 28 -a "$wait" -le 35
}

# A server that takes the request and never answers.
: >"$SERVER_LOG"
failed silent "$web/silent/none.htm"
waited "silent server"
expect_eq "silent server: asked once" "/silent/none.htm" "$(cat "$SERVER_LOG")"
# A server that announces more than it sends and keeps the connection open.
publish held.htm 1.0 "$web/download/page.htm"
failed held "$web/held/held.htm"
waited "held connection"
# A server that sends a byte every 10 s, each within the time-outs: the download ends at its
# 120 s deadline.
failed trickle "$web/trickle/held.htm"
wait=$((SECONDS_TAKEN - baseline))
expect_true "trickling server: ended by the download's deadline (waited ${wait}s)" \
  test "$wait" -ge 115 -a "$wait" -le 135

# Redirects: ten are followed, the eleventh is not; a loop ends after ten.
publish equal.htm 1.0 "$web/download/page.htm"
: >"$SERVER_LOG"
write_settings "$ini" "Test Program" 1.0 "$web/hop10/equal.htm"
ui hop10 start "$APP /s" wait-exit
expect_eq "ten redirects: the text arrives" "exit=1" "$(cat "$E2E_SCRATCH/hop10.out")"
expect_eq "ten redirects: eleven requests" "11 /hop0/equal.htm" \
  "$(wc -l <"$SERVER_LOG") $(tail -1 "$SERVER_LOG")"
: >"$SERVER_LOG"
failed hop11 "$web/hop11/equal.htm"
expect_eq "eleven redirects: the last is not followed" "11 /hop1/equal.htm" \
  "$(wc -l <"$SERVER_LOG") $(tail -1 "$SERVER_LOG")"
: >"$SERVER_LOG"
failed loop "$web/loop/equal.htm"
expect_eq "redirect loop: the request and ten redirects" "11 /loop/equal.htm" \
  "$(wc -l <"$SERVER_LOG") $(sort -u "$SERVER_LOG")"

e2e_finish
