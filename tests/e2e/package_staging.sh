#!/usr/bin/env bash
# The producer's flow under Wine: a bare applet.exe builds the packaged Applet.exe from its
# authoring listing (/#27#58), the package expands (/spawn#13) and strips (/empty#13), a
# missing track ends the build with exit 1, the packaged program started normally stages itself
# and runs the session to the recorder, a damaged package is not recorded (exit 2, nothing left),
# a package too large for the disk shows the space message with only the liner notes out, and a
# disk that fills while staging names that reason before the files message.
# applet-tool's Linux build of the same package expands under Wine to the same files.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/session_device_lib.sh"

scratch_dir
session_device_prepare
TOOL="$NATIVE/tools/applet-tool/applet-tool"
[ -x "$TOOL" ] && [ -f "$DECODER" ] || { echo "build native and win32 first"; exit 1; }
command -v sox >/dev/null && command -v lame >/dev/null || { echo "sox and lame are needed"; exit 1; }

media="$E2E_SCRATCH/media"
mkdir -p "$media"
for n in 1 2 3; do
  sox -q -n -r 44100 -c 2 -b 16 "$media/t$n.wav" synth "$((n + 1))" sine "$((220 * n))" vol 0.3
  lame --quiet -b 128 "$media/t$n.wav" "$media/t$n.mp3"
done
cp "$DECODER" "$media/qlnxaudio.dll"
NOTES=$'[INTERNAL]\r\nSize=1\r\n[TITLE]\r\nAlbum=Night Songs\r\n[TRACKS AND TAGS]\r\n1=Evening\r\n'
MEMBERS='QlnT-1.mp3 QlnT-2.mp3 QlnT-3.mp3 qlnxaudio.dll linernotes.htm jewelcasecover.jpg'

# producer NAME TRACK...: a folder with the bare applet, liner notes, cover and a listing of
# the tracks and the library (Windows paths; Linux paths with LISTING=linux); prints the folder.
listed() { if [ "${LISTING:-}" = linux ]; then printf '%s' "$1"; else winpath "$1"; fi; }
producer() {
  local dir="$E2E_SCRATCH/$1"
  shift
  mkdir -p "$dir"
  cp "$APPLET" "$dir/applet.exe"
  printf '%s' "$NOTES" >"$dir/linernotes.htm"
  head -c 5000 /dev/urandom >"$dir/jewelcasecover.jpg"
  {
    printf '[Files]\r\n'
    for t in "$@"; do printf '%s\r\n' "$(listed "$t")"; done
    printf '[Library]\r\n%s\r\n' "$(listed "$media/qlnxaudio.dll")"
  } >"$dir/qln1e.ini"
  printf '%s' "$dir"
}
members() { "$TOOL" package list "$1" | cut -f1 | paste -sd' '; }
folder_files() { (cd "$1" && ls | sort | paste -sd' '); }
# The files of a session's folder but the recorder's journal, which it writes from its start.
session_files() { (cd "$1" && ls | grep -vx journal.txt | sort | paste -sd' '); }
# unrecorded DIR: the recorder's journal holds no write and no cue sheet.
unrecorded() { ! grep -qE 'WRITE\(1[02]\)|SEND CUE SHEET' "$1/journal.txt"; }
# old_name DIR: the bare program's lower-case name, while it is still there.
old_name() { (cd "$1" && ls | grep -x applet.exe); }
# switch_run DIR PROGRAM SWITCH: runs the job, waits for its batch; prints the exit code.
switch_run() {
  (cd "$1" && QLN_NO_X=1 timeout 120 "$ROOT/scripts/wine-run" "$2" "$3" >/dev/null 2>&1)
  local status=$?
  # Wine's command interpreter keeps the running batch open, so the batch cannot delete itself
  # there and spins on its last step (:try3). Once the new program is in place and the old name
  # gone (at most 60 s), this check's own prefix's server is ended and the batch removed.
  for _ in $(seq 600); do
    [ ! -e "$1/qln1etmp.ql" ] && [ -f "$1/Applet.exe" ] && [ -z "$(old_name "$1")" ] && break
    sleep 0.1
  done
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
  rm -f "$1/qln1ebat.bat"
  printf '%s' "$status"
}

# 1. The build.
dir=$(producer build "$media/t1.mp3" "$media/t2.mp3" "$media/t3.mp3")
expect_eq "build: exit 0" "0" "$(switch_run "$dir" applet.exe '/#27#58')"
expect_eq "build: Applet.exe replaces applet.exe; batch, copies and extras gone" \
  "Applet.exe qln1e.ini" "$(folder_files "$dir")"
expect_eq "build: the archive's members" "$MEMBERS" "$(members "$dir/Applet.exe")"
expect_eq "build: the bare program in front" "$(head -c 749568 "$APPLET" | md5sum)" \
  "$(head -c 749568 "$dir/Applet.exe" | md5sum)"
mkdir -p "$E2E_SCRATCH/check"
"$TOOL" package expand "$dir/Applet.exe" "$E2E_SCRATCH/check" >/dev/null
for n in 1 2 3; do
  expect_true "build: track $n equals its source" cmp -s "$media/t$n.mp3" "$E2E_SCRATCH/check/QlnT-$n.mp3"
done
packaged="$E2E_SCRATCH/packaged.exe"
cp "$dir/Applet.exe" "$packaged"
# The same build in a folder named with umlauts: the batch still installs Applet.exe.
dir=$(producer "Müller" "$media/t1.mp3")
expect_eq "build in Müller: exit 0" "0" "$(switch_run "$dir" applet.exe '/#27#58')"
expect_eq "build in Müller: Applet.exe replaces applet.exe" "Applet.exe qln1e.ini" \
  "$(folder_files "$dir")"

# 2. Whole expansion and strip.
spawn="$E2E_SCRATCH/spawn"
mkdir -p "$spawn"
cp "$packaged" "$spawn/Applet.exe"
expect_eq "spawn: exit 0" "0" "$(switch_run "$spawn" Applet.exe '/spawn#13')"
expect_eq "spawn: every member expanded" \
  "Applet.exe QlnT-1.mp3 QlnT-2.mp3 QlnT-3.mp3 jewelcasecover.jpg linernotes.htm qlnxaudio.dll" \
  "$(folder_files "$spawn")"
expect_true "spawn: track 2 as packed" cmp -s "$media/t2.mp3" "$spawn/QlnT-2.mp3"
expect_eq "empty: exit 0" "0" "$(switch_run "$spawn" Applet.exe '/empty#13')"
expect_eq "empty: the bare program stays" "749568" "$(stat -c %s "$spawn/Applet.exe")"
expect_true "empty: no batch left" test ! -e "$spawn/qln1ebat.bat"

# 3. A listing that names a missing track; a stale numbered track lies in the folder.
dir=$(producer missing "$media/t1.mp3" "$media/absent.mp3" "$media/t3.mp3")
printf 'stale' >"$dir/QlnT-2.mp3"
expect_eq "missing track: exit 1" "1" "$(switch_run "$dir" applet.exe '/#27#58')"
expect_eq "missing track: not packed, nothing stale" \
  "QlnT-1.mp3 QlnT-3.mp3 qlnxaudio.dll linernotes.htm jewelcasecover.jpg" "$(members "$dir/Applet.exe")"

# 4. The packaged program started as a person would: it stages itself and records the album.
export WINEDLLOVERRIDES="$NATIVE_ASPI"
blank=$'[device.0]\nvendor = QLN\nproduct = CDR-4800\nrevision = 2.5\nmedium = blank\njournal = journal.txt\n'
run_dir() { # NAME PROGRAM: a folder with the program as Applet.exe and the recorder
  local d="$E2E_SCRATCH/$1"
  mkdir -p "$d"
  cp "$2" "$d/Applet.exe"
  cp "$VREC_DLL" "$d/"
  printf '%s' "$blank" >"$d/virtualrecorder.ini"
  printf '%s' "$d"
}
dir=$(run_dir normal "$packaged")
# Notes the folder once the last track is out (the session removes them when it ends).
(for _ in $(seq 1200); do
  [ -f "$dir/QlnT-3.mp3" ] && { sleep 0.5; folder_files "$dir" >"$E2E_SCRATCH/staged"; exit 0; }
  sleep 0.05
done) &
watcher=$!
out="$E2E_SCRATCH/normal.out"
drive start "$(winpath "$dir/Applet.exe")" wait-memo "(Using SAO method)" 90000 \
  wait-memo "CD completed successfully!" 120000 dump click "&OK" wait-exit 30000 >"$out"
expect_eq "normal: uidriver steps held" "0" "$?"
wait "$watcher"
expect_eq "normal: the package staged" \
  "Applet.exe QlnT-1.mp3 QlnT-2.mp3 QlnT-3.mp3 jewelcasecover.jpg journal.txt linernotes.htm qlnxaudio.dll virtualrecorder.ini wnaspi32.dll" \
  "$(cat "$E2E_SCRATCH/staged" 2>/dev/null)"
expect_true "normal: the recorder is named" grep -qF 'memo=Using CDR device QLN CDR-4800 2.5' "$out"
expect_true "normal: the title from the staged liner notes" grep -qF 'memo=Album=Night Songs' "$out"
expect_true "normal: the album recorded" grep -qx 'exit=0' "$out"

# 5. One byte of track 1 damaged: the files message, exit 2, no expanded file left.
dir=$(run_dir damaged "$packaged")
printf 'X' | dd of="$dir/Applet.exe" bs=1 seek=$((749568 + 21 + 25 + 10 + 4000)) conv=notrunc 2>/dev/null
out="$E2E_SCRATCH/damaged.out"
drive start "$(winpath "$dir/Applet.exe")" wait-memo "Required download files are missing!" 90000 \
  click "&OK" wait-exit 20000 >"$out"
expect_eq "damaged: uidriver steps held" "0" "$?"
expect_eq "damaged: exit 2" "exit=2" "$(grep '^exit=' "$out")"
expect_eq "damaged: no expanded file left" "Applet.exe virtualrecorder.ini wnaspi32.dll" \
  "$(session_files "$dir")"
expect_true "damaged: the recorder was loaded" test -f "$dir/journal.txt"
expect_true "damaged: nothing recorded" unrecorded "$dir"

# 6. A size setting beyond the free space, built on Linux by applet-tool: the space message and
# only the liner notes out. The same build expands under Wine to the files the tool packed.
src=$(LISTING=linux producer linux "$media/t1.mp3" "$media/t2.mp3" "$media/t3.mp3")
printf '[INTERNAL]\r\nSize=2000000000\r\n' >"$src/linernotes.htm"
"$TOOL" package build "$APPLET" "$src/qln1e.ini" "$E2E_SCRATCH/huge.exe" >/dev/null
expect_eq "tool build: exit 0" "0" "$?"
expect_eq "tool build: the producer's files stay" \
  "applet.exe jewelcasecover.jpg linernotes.htm qln1e.ini" "$(folder_files "$src")"
dir=$(run_dir space "$E2E_SCRATCH/huge.exe")
out="$E2E_SCRATCH/space.out"
drive start "$(winpath "$dir/Applet.exe")" wait-memo "Insufficient drive space" 90000 \
  click "&OK" wait-exit 20000 >"$out"
expect_eq "space: uidriver steps held" "0" "$?"
expect_eq "space: exit 3" "exit=3" "$(grep '^exit=' "$out")"
expect_eq "space: only the liner notes expanded" \
  "Applet.exe linernotes.htm virtualrecorder.ini wnaspi32.dll" "$(session_files "$dir")"

# 7. A package larger than its liner notes say, in a folder whose disk fills while it is staged:
# a memo line names the reason before the files message (exit 2); nothing staged is left.
full="$E2E_SCRATCH/full"
mkdir -p "$full" "$E2E_SCRATCH/fullsrc"
head -c 3000000 /dev/urandom >"$E2E_SCRATCH/fullsrc/QlnT-1.mp3"
printf '[INTERNAL]\r\nSize=0\r\n' >"$E2E_SCRATCH/fullsrc/linernotes.htm"
(cd "$E2E_SCRATCH/fullsrc" && "$TOOL" archive create ../full.arc --method NON --base . \
  linernotes.htm QlnT-1.mp3 >/dev/null)
cat "$APPLET" "$E2E_SCRATCH/full.arc" >"$E2E_SCRATCH/full.exe"
size=$(($(stat -c %s "$E2E_SCRATCH/full.exe") + $(stat -c %s "$VREC_DLL") + 2500000))
if mount -t tmpfs -o "size=$size" tmpfs "$full"; then
  trap 'umount "$full" 2>/dev/null; rm -rf "$E2E_SCRATCH"' EXIT
  cp "$E2E_SCRATCH/full.exe" "$full/Applet.exe"
  cp "$VREC_DLL" "$full/"
  printf '%s' "$blank" >"$full/virtualrecorder.ini"
  out="$E2E_SCRATCH/full.out"
  drive start "$(winpath "$full/Applet.exe")" wait-memo "Required download files are missing!" \
    90000 dump click "&OK" wait-exit 20000 >"$out"
  expect_eq "full disk: exit 2" "exit=2" "$(grep '^exit=' "$out")"
  expect_true "full disk: the reason first" grep -qxF \
    'memo=*** The album could not be unpacked: there is no space left on the drive of this folder.' \
    "$out"
  expect_eq "full disk: nothing staged left" "Applet.exe virtualrecorder.ini wnaspi32.dll" \
    "$(session_files "$full")"
  umount "$full"
else
  expect_eq "full disk: a small file system to fill" "mounted" "not mounted"
fi

export WINEDLLOVERRIDES="mscoree,mshtml="
expect_eq "tool build: spawn under Wine exit 0" "0" "$(switch_run "$dir" Applet.exe '/spawn#13')"
for f in QlnT-1.mp3 QlnT-2.mp3 QlnT-3.mp3 qlnxaudio.dll jewelcasecover.jpg linernotes.htm; do
  case $f in
    QlnT-*) ref="$media/t${f:5:1}.mp3" ;;
    qlnxaudio.dll) ref="$media/qlnxaudio.dll" ;;
    *) ref="$src/$f" ;;
  esac
  expect_true "tool build: $f expands under Wine as packed" cmp -s "$ref" "$dir/$f"
done
e2e_finish
