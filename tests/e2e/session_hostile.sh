#!/usr/bin/env bash
# Hostile packages through the whole applet under Wine, one table: each packaged Applet.exe
# carries an archive written by applet-tool and rewritten by craft_archive.py (names that lead
# out of the folder, sizes that lie, a truncated archive, a member beyond 2 GiB, a checksum
# error in the first, a middle and the last member, 30 tracks). Each row checks that nothing is
# written outside the applet's folder (the scratch tree, Wine's drive C and the paths the names
# lead to on drive Z), the memo line and exit code of the ending, that no staged file is left,
# that nothing is recorded unless the album is whole, the time taken and that no process of the
# row is left. The same program is also expanded natively by `applet-tool package expand`.
. "$(dirname "$0")/session_device_lib.sh"

device_check_begin
TOOL="$NATIVE/tools/applet-tool/applet-tool"
CRAFT=(python3 "$ROOT/tests/e2e/craft_archive.py")
[ -x "$TOOL" ] && [ -f "$DECODER" ] || { echo "build native and win32 first"; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed"; exit 1; }

missing='*** Error - Required download files are missing!  Press OK to exit now.'
EVIL=qlnevil.txt

# The package's files: liner notes first, two tracks, the decoder, the working file last (it
# keeps the program above the size gate). evil.arc has a plain member to rename in the middle;
# album30.arc holds 30 tracks.
src="$E2E_SCRATCH/src"
mkdir -p "$src"
sox -q -n -r 44100 -c 2 -b 16 "$E2E_SCRATCH/t.wav" synth 2 sine 330 vol 0.3
lame --quiet -b 128 "$E2E_SCRATCH/t.wav" "$src/QlnT-1.mp3"
for n in $(seq 2 30); do cp "$src/QlnT-1.mp3" "$src/QlnT-$n.mp3"; done
printf '[INTERNAL]\r\nSize=1\r\n[TITLE]\r\nAlbum=Night Songs\r\n' >"$src/linernotes.htm"
cp "$DECODER" "$src/"
head -c 200000 /dev/zero >"$src/qlnc.ql"
printf 'written where it should never be\r\n' >"$src/$EVIL"
archive() { # OUT FILE...
  local out=$1
  shift
  (cd "$src" && "$TOOL" archive create "$E2E_SCRATCH/$out" --method NON --base . "$@" >/dev/null)
}
archive base.arc linernotes.htm QlnT-1.mp3 QlnT-2.mp3 qlnxaudio.dll qlnc.ql
archive evil.arc linernotes.htm QlnT-1.mp3 "$EVIL" QlnT-2.mp3 qlnxaudio.dll qlnc.ql
archive album30.arc linernotes.htm $(seq -f 'QlnT-%g.mp3' 1 30) qlnxaudio.dll qlnc.ql
rm "$src/$EVIL"

# Where the hostile names lead: the scratch tree's parent, drive Z's root and /tmp, drive C,
# and the UNC server's share as Wine or Linux would map it.
outside_hits() {
  {
    find "$E2E_SCRATCH/.." -maxdepth 1 -iname "$EVIL"
    find / -maxdepth 1 -iname "$EVIL"
    find / -maxdepth 1 -iname qlnsrv
    find "$WINEPREFIX/drive_c" -iname "$EVIL"
    find "$WINEPREFIX/dosdevices/" -maxdepth 1 -iname 'unc' 2>/dev/null
  } 2>/dev/null | sort -u | paste -sd' '
}
# Every file of the scratch tree but the row's folder and the logs, with its size and time.
logs="$E2E_SCRATCH/logs"
mkdir -p "$logs"
scratch_listing() { # ROW_DIR
  find "$E2E_SCRATCH" \( -path "$1" -o -path "$logs" \) -prune -o -printf '%P %s %T@\n' | sort
}
# The files of a session's folder but the recorder's journal and image.
session_files() { (cd "$1" && ls | grep -vxE 'journal.txt|disc\.(bin|cue)' | sort | paste -sd' '); }
unrecorded() { ! grep -qE 'WRITE\(1[02]\)|SEND CUE SHEET' "$1/journal.txt"; }
# No process of the row is left: none whose command line names its folder.
no_process_left() { ! pgrep -f "$(basename "$1")" >/dev/null; }

ini=$'[device.0]\nimage = disc\njournal = journal.txt\n'
# A session row runs the packaged program as a person would (staging, checks, ending); a spawn
# row expands it with /spawn#13, the same expansion without the twelve seconds of start-up.
# name | mode | base archive | expected ending | craft edits (space-separated)
rows=(
  "dotdot|session|evil.arc|refused|name:$EVIL=..\\$EVIL"
  "dotdot-deep|spawn|evil.arc|refused|name:$EVIL=a\\..\\..\\$EVIL"
  "root-backslash|session|evil.arc|refused|name:$EVIL=\\$EVIL"
  "root-slash|spawn|evil.arc|refused|name:$EVIL=/$EVIL"
  "drive-c|spawn|evil.arc|refused|name:$EVIL=C:\\$EVIL"
  "drive-z|spawn|evil.arc|refused|name:$EVIL=Z:\\tmp\\$EVIL"
  "unc|spawn|evil.arc|refused|name:$EVIL=\\\\qlnsrv\\share\\$EVIL"
  "long-name|spawn|evil.arc|refused|name:$EVIL=$(printf 'n%.0s' $(seq 300))"
  "size-larger|spawn|base.arc|refused|usize:QlnT-1.mp3=+1000"
  "size-smaller|spawn|base.arc|refused|usize:QlnT-1.mp3=-1000"
  "packed-beyond-end|spawn|base.arc|refused|csize:qlnc.ql=+100000"
  "truncated|session|base.arc|refused|cut=150000"
  "beyond-2gib|session|base.arc|refused|usize:QlnT-2.mp3=0x90000000 total=0x7fffffff"
  "checksum-first|session|base.arc|refused|sum:linernotes.htm"
  "checksum-middle|spawn|base.arc|refused|sum:QlnT-1.mp3"
  "checksum-last|session|base.arc|refused|sum:qlnc.ql"
  "tracks-30|session|album30.arc|refused|"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name mode base ending edits <<<"$row"
  [ -z "${ROWS:-}" ] || [[ "$name" =~ $ROWS ]] || continue
  dir="$E2E_SCRATCH/row-$name"
  mkdir -p "$dir"
  # shellcheck disable=SC2086 # the edits are words
  "${CRAFT[@]}" "$E2E_SCRATCH/$base" "$E2E_SCRATCH/$name.arc" $edits || { echo "craft $name"; exit 1; }
  cat "$APPLET" "$E2E_SCRATCH/$name.arc" >"$dir/Applet.exe"
  cp "$dir/Applet.exe" "$logs/$name.exe" # a successful session removes its program
  cp "$VREC_DLL" "$dir/"
  printf '%s' "$ini" >"$dir/virtualrecorder.ini"
  before=$(scratch_listing "$dir")
  touch "$logs/$name.start"
  out="$logs/$name.out"
  started=$SECONDS
  if [ "$mode" = spawn ]; then
    (cd "$dir" && QLN_NO_X=1 timeout 60 "$ROOT/scripts/wine-run" Applet.exe '/spawn#13' \
      >"$out" 2>&1)
    expect_eq "$name: /spawn#13 exit 1" "1" "$?"
    # What a failed expansion leaves is the package's own plain names, nothing else.
    expect_eq "$name: only the package's names in the folder" "" \
      "$(session_files "$dir" | tr ' ' '\n' | grep -vxE 'Applet.exe|virtualrecorder.ini|wnaspi32.dll|linernotes.htm|QlnT-[12].mp3|qlnxaudio.dll|qlnc.ql')"
    case $name in
      dotdot* | root* | drive* | unc | long-name)
        expect_eq "$name: nothing expanded" "Applet.exe virtualrecorder.ini wnaspi32.dll" \
          "$(session_files "$dir")"
        ;;
    esac
  elif [ "$ending" = refused ]; then
    drive start "$(winpath "$dir/Applet.exe")" wait-memo "Required download files are missing!" \
      60000 dump click "&OK" wait-exit 20000 >"$out"
    expect_eq "$name: uidriver steps held" "0" "$?"
    expect_true "$name: the files message" grep -qxF "memo=$missing" "$out"
    expect_eq "$name: exit 2" "exit=2" "$(grep '^exit=' "$out")"
    expect_eq "$name: no staged file left" "Applet.exe virtualrecorder.ini wnaspi32.dll" \
      "$(session_files "$dir")"
    expect_true "$name: nothing recorded" unrecorded "$dir"
  fi
  expect_true "$name: within 60 s ($((SECONDS - started)) s)" test $((SECONDS - started)) -lt 60
  expect_true "$name: no process left" no_process_left "$dir"
  expect_eq "$name: nothing written outside the folder" "" "$(outside_hits)"
  expect_eq "$name: the scratch tree unchanged" "$before" "$(scratch_listing "$dir")"
  expect_eq "$name: nothing new on drive C" "" \
    "$(find "$WINEPREFIX/drive_c" -newer "$logs/$name.start" -not -type d | head -5)"

  # The same program expanded natively: refused (exit 1) unless whole; nothing outside.
  mkdir -p "$dir/native/out"
  (cd "$dir/native" && "$TOOL" package expand "$logs/$name.exe" out >/dev/null 2>"$dir/native.err")
  status=$?
  # The producer's expansion takes a package of 30 tracks whole.
  expect_eq "$name: package expand exit" "$([ "$name" = tracks-30 ] && echo 0 || echo 1)" "$status"
  if [ "$name" != tracks-30 ]; then
    expect_true "$name: package expand names the program" grep -qF "$logs/$name.exe: " \
      "$dir/native.err"
  fi
  case $name in
    dotdot* | root* | drive* | unc) why='its name leads out of the folder' ;;
    long-name) why='its name is too long' ;;
    *) why='' ;;
  esac
  if [ -n "$why" ]; then
    expect_true "$name: package expand says why" grep -qF "$why" "$dir/native.err"
  fi
  expect_eq "$name: package expand wrote nothing outside" "" \
    "$(outside_hits; find "$dir/native" -mindepth 1 -not -path "$dir/native/out*")"
  rm -rf "$dir/native" "$dir/native.err" "$logs/$name.exe"
done
e2e_finish
