#!/usr/bin/env bash
# The clean-up under Wine. An ending of applet.exe removes the staged tracks, the decoder
# library and the package working file, and keeps the applet, the liner notes and the cover.
# Self-removal, acted out by applet-tool in a folder whose name holds "%" and a space, and in
# one named with umlauts: once the hidden batch has run, only the liner notes and the cover are
# left.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/ending_lib.sh"

scratch_dir
session_prepare
[ -f "$TOOL" ] || { echo "build win32 first"; exit 1; }
browser_install

listing() { (cd "$1" && ls -A | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'); }

applet=$(session_copy ending 2000000)
dir=$(dirname "$applet")
printf '[INTERNAL]\r\nSize=1\r\n' >"$dir/linernotes.htm"
stage_dummies "$dir"
printf 'mp3' >"$dir/QlnT-25.mp3"
expect_eq "result 4" "exit=4" "$(netns_drive offline start "$(winpath "$applet")" \
  wait-memo "No suitable ASPI layer found!" 60000 click "&OK" wait-exit 10000 | grep '^exit=')"
expect_eq "tracks 1-24, decoder and working file removed" \
  "QlnT-25.mp3 applet.exe jewelcasecover.jpg linernotes.htm" "$(listing "$dir")"

# Also in a folder whose name the command interpreter reads in another code page.
for self in "$E2E_SCRATCH/self/Night 50% off" "$E2E_SCRATCH/self/Jürgen Müller"; do
  mkdir -p "$self"
  cp "$TOOL" "$self/NightSongs.exe"
  printf '[INTERNAL]\r\nSize=1\r\n' >"$self/linernotes.htm"
  stage_dummies "$self"
  # Without the clean-up at completion before it, so the batch itself has the package working
  # file and the decoder library to delete.
  in_netns offline "$ROOT/scripts/wine-run" "$self/NightSongs.exe" cleanup --self
  expect_eq "${self##*/}: self-removal ran (the namespace waits for the batch)" "0" "$?"
  expect_eq "${self##*/}: only the liner notes and the cover are left" \
    "jewelcasecover.jpg linernotes.htm" "$(listing "$self")"
done
e2e_finish
