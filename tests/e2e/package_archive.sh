#!/usr/bin/env bash
# applet-tool's archive and codec commands, natively and as applet-tool.exe under Wine:
# archives round-trip through create, list and extract; keys, selections, offsets, damaged
# archives and the raw RLE byte patterns; no command writes over its own input.
. "$(dirname "$0")/lib.sh"
# applet-tool is a console program: no X server needed.
export QLN_NO_X=1

# Little-endian integers and whole records for hand-made archives.
le16() { printf "%b" "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
archive_header() { # ID TOTAL TYPE
  printf 'KVRA\x1a%s' "$1"; le32 "$2"; printf "%b" "\\x$(printf %02x "$3")"; le32 0; le32 0
}
stored_member() { # NAME DATA (checksum 0: not tested for stored members)
  le16 ${#1}; le32 0; le16 0; le32 ${#2}; le32 ${#2}; printf '\0'; le32 0; le32 0
  printf '%s%s' "$1" "$2"
}
byte_sum() { od -An -tu1 -v "$1" | awk '{for (i = 1; i <= NF; i++) s += $i} END {printf "%08X", s % 4294967296}'; }
hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }
# The message written to err (Windows ends it with CR LF).
message() { tr -d '\r' <err; }

make_sources() {
  mkdir -p src/sub
  printf 'hello, archive\r\n' >src/notes.txt
  { head -c 5000 /dev/zero; printf 'tail'; head -c 700 /dev/zero | tr '\0' 'A'; } >src/sub/runs.bin
  head -c 1000 /dev/zero | tr '\0' '\224' >src/markers.bin
  head -c 70000 /dev/urandom >src/noise.bin
  : >src/empty.txt
}

check_tool() { # label, then the command that runs applet-tool
  local label=$1
  shift
  local files=(src/empty.txt src/notes.txt src/sub/runs.bin src/markers.bin src/noise.bin)
  rm -rf out* ./*.qa

  "$@" archive create pkg.qa --method RLE --base src "${files[@]}" >created
  expect_eq "$label create exits 0" 0 $?
  expect_eq "$label create prints stored names" \
    "$(printf 'empty.txt\nnotes.txt\nsub\\runs.bin\nmarkers.bin\nnoise.bin')" "$(cat created)"

  "$@" codec encode RLE src/sub/runs.bin runs.rle >/dev/null
  local runs_size
  runs_size=$(stat -c %s runs.rle)
  "$@" archive list pkg.qa >listed
  expect_eq "$label list exits 0" 0 $?
  local noise_method=NON noise_size=70000
  if "$@" codec encode RLE src/noise.bin noise.rle >/dev/null 2>&1; then
    noise_method=RLE noise_size=$(stat -c %s noise.rle)
  fi
  printf '%s\t%s\t%s\t%s\t%s\t-\n' \
    empty.txt RLE 0 0 00000000 \
    notes.txt RLE 16 16 "$(byte_sum src/notes.txt)" \
    'sub\runs.bin' RLE 5704 "$runs_size" "$(byte_sum src/sub/runs.bin)" \
    markers.bin NON 1000 1000 "$(byte_sum src/markers.bin)" \
    noise.bin "$noise_method" 70000 "$noise_size" "$(byte_sum src/noise.bin)" >want
  expect_true "$label list shows every member" cmp -s want listed

  "$@" archive extract pkg.qa out >written
  expect_eq "$label extract exits 0" 0 $?
  expect_eq "$label extract prints the paths written" \
    "$(printf 'out\\empty.txt\nout\\notes.txt\nout\\sub\\runs.bin\nout\\markers.bin\nout\\noise.bin')" \
    "$(cat written)"
  local f ok=true
  for f in "${files[@]}"; do cmp -s "$f" "out/${f#src/}" || ok=false; done
  expect_true "$label every member round-trips" $ok

  expect_eq "$label selection ignores case" 'out2\sub\runs.bin' \
    "$("$@" archive extract pkg.qa out2 'SUB\RUNS.BIN' nothing.txt)"
  expect_true "$label only the selection is written" test ! -e out2/notes.txt

  # An archive inside other bytes, read from its offset; what follows it is never read.
  { head -c 1000 /dev/urandom; cat pkg.qa; cat pkg.qa; } >embedded.qa
  expect_eq "$label list at an offset" "$(cat listed)" \
    "$("$@" archive list embedded.qa --offset 1000 | head -5)"
  expect_eq "$label extract at an offset stops at the archive's end" "$(sed 's/^out/out3/' written)" \
    "$("$@" archive extract embedded.qa out3 --offset 1000)"

  # Keys.
  "$@" archive create locked.qa --method RLE --key 0x1234 --base src src/notes.txt >/dev/null
  expect_eq "$label locked member listed" locked "$("$@" archive list locked.qa | cut -f6)"
  "$@" archive extract locked.qa out4 >/dev/null 2>err
  expect_eq "$label locked without key exits 1" 1 $?
  expect_eq "$label locked without key message" "File locked -- valid key required" "$(message)"
  "$@" archive extract locked.qa out4 --key 4661 >/dev/null 2>err
  expect_eq "$label wrong key message" "File locked -- valid key required" "$(message)"
  expect_true "$label wrong key leaves no file" test ! -e out4/notes.txt
  "$@" archive extract locked.qa out4 --key 4660 >/dev/null
  expect_true "$label right key expands" cmp -s src/notes.txt out4/notes.txt

  # Damaged and hostile archives.
  { archive_header NON 4 2; stored_member a.txt abcd; } >type.qa
  "$@" archive list type.qa >/dev/null 2>err
  expect_eq "$label type byte exits 1" 1 $?
  expect_eq "$label type byte message" "Archive type must be caMulti" "$(message)"
  { archive_header ZIP 4 1; stored_member a.txt abcd; } >zip.qa
  "$@" archive extract zip.qa out5 >/dev/null 2>err
  expect_eq "$label unknown method message" 'Unrecognized compression method: "ZIP" in header' \
    "$(message)"
  { archive_header NON 8 1; stored_member '..\evil.txt' evil; stored_member good.txt good; } >dots.qa
  expect_eq "$label a '..' member is skipped" 'out5\good.txt' "$("$@" archive extract dots.qa out5)"
  expect_true "$label nothing is written outside the folder" test ! -e evil.txt
  # Names from a root, with a drive, of a share or with ".." elements: refused by name (exit 1),
  # the other members extracted, nothing written where the names lead.
  local evil
  for evil in '\qlnevil.txt' '/qlnevil.txt' 'C:\qlnevil.txt' 'Z:\tmp\qlnevil.txt' \
    '\\qlnsrv\share\qlnevil.txt' 'a\..\..\qlnevil.txt'; do
    { archive_header NON 8 1; stored_member "$evil" evil; stored_member good.txt good; } >named.qa
    rm -rf out7
    "$@" archive extract named.qa out7 >written 2>err
    expect_eq "$label $evil: exit 1" 1 $?
    expect_eq "$label $evil: the other member extracted" 'out7\good.txt' "$(cat written)"
    expect_true "$label $evil: refused by name" \
      grep -qF "member $evil is not extracted: its name leads out of the folder" err
    expect_eq "$label $evil: nothing written outside" "" "$(find / /tmp .. "$WINEPREFIX/drive_c" \
      -maxdepth 1 \( -iname qlnevil.txt -o -iname qlnsrv \) 2>/dev/null; find out7 -mindepth 1 \
      -not -name good.txt)"
  done
  printf 'KVRA' >short.qa
  expect_eq "$label a short stream is an empty archive" "" "$("$@" archive list short.qa)"

  # Raw codec runs.
  printf '\0\0\0' >zeros
  expect_eq "$label codec checksum" 00000000 "$("$@" codec encode RLE zeros zeros.rle)"
  expect_eq "$label 00 00 00" 009403 "$(hex zeros.rle)"
  head -c 300 /dev/zero | tr '\0' 'A' >a300
  expect_eq "$label 300 x 41 checksum" "$(byte_sum a300)" "$("$@" codec encode RLE a300 a300.rle)"
  expect_eq "$label 300 x 41" 4194ff41942d "$(hex a300.rle)"
  "$@" codec decode RLE 300 a300.rle a300.out >/dev/null
  expect_true "$label decode gives the bytes back" cmp -s a300 a300.out
  "$@" codec encode RLE src/markers.bin markers.rle >/dev/null 2>err
  local status=$?
  expect_eq "$label growing encoding refused" \
    "1 Could not compress data, will store instead" "$status $(message)"
  expect_true "$label refused output is removed" test ! -e markers.rle

  # The dictionary methods round-trip every file.
  for method in LZH LH5; do
    "$@" archive create dict.qa --method $method --base src "${files[@]}" >/dev/null 2>err
    expect_eq "$label $method create" 0 $?
    rm -rf out6
    "$@" archive extract dict.qa out6 >/dev/null
    for f in "${files[@]}"; do
      expect_true "$label $method round-trip $(basename "$f")" cmp -s "$f" "out6/${f#src/}"
    done
  done
  "$@" archive create bad.qa --method XYZ src/notes.txt >/dev/null 2>&1
  expect_eq "$label unknown method is a usage error" 2 $?
}

scratch_dir
# A member with the archive's own name, extracted into the archive's folder (written in another
# case too): refused with a message, the archive left whole and the other members extracted.
check_self_member() { # label, then the command that runs applet-tool
  local label=$1
  shift
  rm -rf self && mkdir -p self/src self/out
  printf 'first\r\n' >self/src/first.txt
  printf 'member named like the archive\r\n' >self/src/self.qa
  printf 'last\r\n' >self/src/last.txt
  (cd self && "$@" archive create out/self.qa --method RLE --base src src/first.txt src/self.qa \
    src/last.txt >/dev/null)
  cp self/out/self.qa self/copy.qa
  for target in out OUT; do
    (cd self && "$@" archive extract out/self.qa "$target" >/dev/null 2>err)
    expect_eq "$label self member into $target exits 1" "1" "$?"
    expect_true "$label self member into $target is named" \
      grep -q 'member self.qa is not extracted: it would overwrite the archive itself' self/err
    expect_true "$label self member into $target: archive whole" cmp -s self/copy.qa self/out/self.qa
    expect_true "$label self member into $target: others extracted" \
      cmp -s self/src/last.txt self/out/last.txt
    rm -f self/out/first.txt self/out/last.txt
  done
}

# Every command that writes a file, with its output naming its input: refused, input whole.
check_same_output() { # label, then the command that runs applet-tool
  local label=$1 row what
  shift
  rm -rf same && mkdir -p same/m
  printf 'member named like the program\r\n' >same/m/in
  (cd same && "$@" archive create m.qa --method NON --base m m/in >/dev/null)
  { head -c 749568 /dev/zero; cat same/m.qa; } >same/keep
  printf '[Files]\r\nin\r\n' >same/list.ini
  for row in "package build in list.ini in" "package strip in in" "package expand in ." \
    "archive create in --method RLE in" "codec encode RLE in in" "codec decode RLE 5 in in" \
    "lha wrap lh5 in in" "lha decode lh5 5 in in" "mp3 decode in in" "sector mode1 0 in in" \
    "sector scramble in in"; do
    what=${row% in*}
    cp same/keep same/in
    # shellcheck disable=SC2086 # the row is words
    (cd same && "$@" $row >/dev/null 2>err)
    expect_eq "$label $what: exit 1" "1" "$?"
    expect_true "$label $what: the input whole" cmp -s same/keep same/in
    expect_true "$label $what: says so" grep -q 'is the same file as the input' same/err
  done
}

cd "$E2E_SCRATCH" || exit 1
make_sources
check_same_output native "$NATIVE/tools/applet-tool/applet-tool"
wine_ok && check_same_output wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"
check_self_member native "$NATIVE/tools/applet-tool/applet-tool"
wine_ok && check_self_member wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"
check_tool native "$NATIVE/tools/applet-tool/applet-tool"
wine_ok && check_tool wine wine_run "$WIN32/tools/applet-tool/applet-tool.exe"
e2e_finish
