#!/usr/bin/env bash
# update.exe under Wine reading version texts from a loopback server that announces no length,
# sends the body in pieces or in chunks, or announces far more than it sends.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/update_lib.sh"

update_setup
web="http://127.0.0.1:$SERVER_PORT"
ini="$APP_DIR/update.ini"
keys="LatestVersion='1.0' UpdateLink='$web/download/page.htm'"

# padding BYTES: that many bytes of filler text.
padding() { head -c "$1" /dev/zero | tr '\0' 'x'; }

# check NAME PATH: runs the quiet check of version 1.0 against the text at PATH. Equal versions
# end the program as OK without a box; anything else leaves a box or ends as cancel.
check() {
  write_settings "$ini" "Test Program" 1.0 "$web/$2"
  ui "$1" start "$APP /s" wait-exit 20000
}

{ printf '<html>%s<!--' "$keys"; padding 6000; printf -- '--></html>'; } >"$WEB_DIR/early.htm"
{ printf '<html><!--'; padding 2100; printf -- '-->%s</html>' "$keys"; } >"$WEB_DIR/late.htm"
{ printf '<html><!--'; padding 9000; printf -- '-->%s</html>' "$keys"; } >"$WEB_DIR/long.htm"
{ printf '<html><!--'; padding 1200; printf -- '-->%s</html>' "$keys"; } >"$WEB_DIR/short.htm"

# No content length: the first 2000 bytes are read, to the end of the body if it is shorter.
check nolength-early nolength/early.htm
expect_eq "no length: keys in the first 2000 bytes" "exit=1" \
  "$(cat "$E2E_SCRATCH/nolength-early.out")"
check nolength-short nolength/short.htm
expect_eq "no length: a body shorter than 2000 bytes" "exit=1" \
  "$(cat "$E2E_SCRATCH/nolength-short.out")"
write_settings "$ini" "Test Program" 1.0 "$web/nolength/late.htm"
ui nolength-late start "$APP /s" wait-dialog Error dialog-text dialog-click OK wait-exit
expect_eq "no length: keys after 2000 bytes are not read" "text=Invalid URL.
exit=2" "$(cat "$E2E_SCRATCH/nolength-late.out")"

# The body in several pieces: read on to the announced length, or to the end of the chunks.
check pieces pieces/long.htm
expect_eq "content length, body in four pieces" "exit=1" "$(cat "$E2E_SCRATCH/pieces.out")"
check chunked chunked/short.htm
expect_eq "chunked body in four chunks" "exit=1" "$(cat "$E2E_SCRATCH/chunked.out")"
check plain plain/long.htm
expect_eq "content length beyond 2000 bytes" "exit=1" "$(cat "$E2E_SCRATCH/plain.out")"

# A length far beyond what is sent: reading ends with the body.
check overstated overstated/short.htm
expect_eq "overstated length: ends with the body" "exit=1" "$(cat "$E2E_SCRATCH/overstated.out")"

expect_eq "every request reached the loopback server" \
  "/nolength/early.htm /nolength/short.htm /nolength/late.htm /pieces/long.htm \
/chunked/short.htm /plain/long.htm /overstated/short.htm" "$(paste -sd' ' "$SERVER_LOG")"

e2e_finish
