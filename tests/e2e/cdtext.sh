#!/usr/bin/env bash
# CD-TEXT in session-at-once recordings. applet-tool record sao --cd-text takes the MP3s' tags
# onto the virtual recorder, which reads the lead-in back: cd-info must list the disc's and
# each track's title and performer (from the image's cue sheet, and from its CDTEXTFILE alone),
# and a decoder written here checks the .cdt packs on their own: CRC, sequence numbers,
# character positions, the size information. A recorder without CD-TEXT records the album
# without it. The limits: 24 long titles just below and just past the 253 text packs, empty,
# 160-character and non-Latin-1 titles. Under Wine, a package whose liner notes opt in.
. "$(dirname "$0")/lib.sh"

scratch_dir
S=$E2E_SCRATCH
cd "$S" || exit 1
cp "$NATIVE/tools/applet-tool/applet-tool" "$NATIVE/tools/qlnxaudio/libqlnxaudio.so" .
ASPI="$NATIVE/tools/virtual-recorder/libwnaspi32.so"

sox -n -r 44100 -c 2 -b 16 s.wav synth 4.2 sine 330 vol 0.4 2>/dev/null
lame --quiet -b 128 s.wav plain.mp3
for n in 1 2 3; do
  lame --quiet -b 128 --tt "Song $n" --ta "Band Y" --tl "Album X" s.wav t$n.mp3
done

# tagged OUT TITLE ARTIST ALBUM: plain.mp3 behind an ID3v2.4 tag with UTF-8 frames.
tagged() {
  python3 - "$@" <<'PY'
import sys
out, title, artist, album = sys.argv[1:5]
def syncsafe(n): return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])
frames = b''
for fid, text in (('TIT2', title), ('TPE1', artist), ('TALB', album)):
    body = b'\x03' + text.encode('utf-8')
    frames += fid.encode() + syncsafe(len(body)) + b'\0\0' + body
open(out, 'wb').write(b'ID3\x04\0\0' + syncsafe(len(frames)) + frames + open('plain.mp3', 'rb').read())
PY
}

# decode CDT TRACKS: checks the packs and prints "TYPE INDEX TEXT" for each string (80 titles,
# 81 performers; index 0 the disc) after a line "packs N"; exits 1 naming the first fault.
decode() {
  PYTHONIOENCODING=utf-8 python3 - "$@" <<'PY'
import sys
data, tracks = open(sys.argv[1], 'rb').read(), int(sys.argv[2])
def fail(why): sys.exit('cdt: ' + why)
def crc(b):
    c = 0
    for byte in b:
        c ^= byte << 8
        for _ in range(8):
            c = ((c << 1) ^ 0x1021) & 0xFFFF if c & 0x8000 else (c << 1) & 0xFFFF
    return c ^ 0xFFFF
if len(data) % 18 or not 0 < len(data) // 18 <= 256:
    fail('%d bytes are no whole number of packs' % len(data))
packs = [data[i:i + 18] for i in range(0, len(data), 18)]
counts, text = {}, {}
for i, p in enumerate(packs):
    if int.from_bytes(p[16:18], 'big') != crc(p[:16]): fail('pack %d: bad CRC' % i)
    if p[2] != i: fail('pack %d: sequence number %d' % (i, p[2]))
    if p[3] & 0xF0: fail('pack %d: block or DBCC bits %02x' % (i, p[3]))
    counts[p[0]] = counts.get(p[0], 0) + 1
    text.setdefault(p[0], []).append(p)
if [p[0] for p in packs] != sorted(p[0] for p in packs): fail('pack types out of order')
size = [p for p in packs if p[0] == 0x8F]
if len(size) != 3 or packs[-3:] != size or [p[1] for p in size] != [0, 1, 2]:
    fail('the size information is not the last three packs')
info = b''.join(p[4:16] for p in size)
if info[0] != 0 or info[1] != 1 or info[2] != tracks: fail('size: code/first/last %r' % info[:3])
if list(info[4:20]) != [counts.get(0x80 + t, 0) for t in range(16)]: fail('size: pack counts')
if info[20] != len(packs) - 1 or any(info[21:28]): fail('size: last sequence numbers')
if info[28] != 0x09 or any(info[29:36]): fail('size: languages')
print('packs', len(packs))
for t in (0x80, 0x81):
    strings, at = [''], []
    for p in text.get(t, []):
        # The track of the pack's first byte, and how many of its string's characters precede it.
        if p[1] != len(strings) - 1 or p[3] & 15 != min(len(strings[-1]), 15):
            fail('pack %d: track %d position %d' % (p[2], p[1], p[3] & 15))
        for b in p[4:16]:
            if b: strings[-1] += chr(b)
            else: strings.append('')
    strings = strings[:-1]
    if t in text and (len(strings) < tracks + 1 or any(strings[tracks + 1:])):
        fail('type %02x: %d strings' % (t, len(strings)))
    for i, s in enumerate(strings[:tracks + 1]):
        print('%02x %d %s' % (t, i, s))
PY
}

# cd-info's CD-TEXT lines of a cue sheet: "Disc TITLE: ..." or "1 PERFORMER: ...".
cdinfo_text() {
  cd-info --no-device-info --quiet --cue-file "$1" 2>/dev/null | awk '
    /^CD-TEXT for Disc:/ { who = "Disc"; next }
    /^CD-TEXT for Track/ { who = $4 + 0; next }
    /^\t/ && who != "" { sub(/^\t/, ""); print who " " $0 }'
}

record() { # NAME KEYS ARGS...: applet-tool record sao into disc-NAME.*; prints the exit code
  local name=$1
  printf '[device.0]\nimage = disc-%s\njournal = journal-%s.txt\n%s\n' "$name" "$name" "$2" >vr.ini
  shift 2
  VIRTUAL_RECORDER_CONFIG="$PWD/vr.ini" timeout 120 ./applet-tool record sao --aspi "$ASPI" "$@" \
    >"out-$name.txt" 2>&1
  echo $?
}

# The album with its tags; cd-info reads the text from the cue sheet's lines and, in a copy
# that keeps only the CDTEXTFILE line, from the packs.
expect_eq "tags: exit code" 0 "$(record tags "" --cd-text t1.mp3 t2.mp3 t3.mp3)"
want=$'Disc TITLE: Album X\nDisc PERFORMER: Band Y'
for n in 1 2 3; do want+=$'\n'"$n TITLE: Song $n"$'\n'"$n PERFORMER: Band Y"; done
expect_eq "tags: cd-info lists the CD-TEXT" "$want" "$(cdinfo_text disc-tags.cue)"
grep -v -e '^ *TITLE' -e '^ *PERFORMER' disc-tags.cue >packs-only.cue
ln -sf disc-tags.bin packs-only.bin
expect_true "tags: the cue sheet names the packs" grep -qx 'CDTEXTFILE "disc-tags.cdt"' disc-tags.cue
expect_eq "tags: cd-info reads the .cdt alone" "$want" "$(cdinfo_text packs-only.cue)"
expect_eq "tags: the packs decode" "packs 9
80 0 Album X
80 1 Song 1
80 2 Song 2
80 3 Song 3
81 0 Band Y
81 1 Band Y
81 2 Band Y
81 3 Band Y" "$(decode disc-tags.cdt 3)"
expect_true "tags: journal counts the packs, none bad" grep -qE \
  'CD-TEXT in the lead-in: [0-9]+ packs read, 0 with a bad CRC, 9 distinct' journal-tags.txt
expect_true "tags: lead-in written from its start" grep -q \
  'WRITE(10) LBA -11634, 682 blocks, 65472 bytes | GOOD' journal-tags.txt
expect_true "tags: the lead-in runs up to the first pregap" grep -qF \
  'Thread1: Processing Lead-in [CD-TEXT, 9 packs] [11484 Sectors]' out-tags.txt

# --title and --performer name the disc; the tracks keep their tags.
expect_eq "override: exit code" 0 \
  "$(record override "" --cd-text --title "Best Of" --performer "Various" t1.mp3 t2.mp3)"
expect_eq "override: the disc's fields" $'80 0 Best Of\n80 1 Song 1\n80 2 Song 2\n81 0 Various\n81 1 Band Y\n81 2 Band Y' \
  "$(decode disc-override.cdt 2 | tail -n +2)"

# Without --cd-text the cue sheet, the commands and the image are as before.
expect_eq "none: exit code" 0 "$(record none "" t1.mp3 t2.mp3 t3.mp3)"
expect_true "none: lead-in entry without sub-channel" grep -q \
  'SEND CUE SHEET 48 bytes: 01 00 00 01 00' journal-none.txt
expect_true "none: no CD-TEXT, no lead-in writes" bash -c \
  "! grep -q -e CD-TEXT -e 'LBA -11' journal-none.txt out-none.txt && test ! -e disc-none.cdt"
expect_true "none: same audio as with CD-TEXT" cmp -s disc-none.bin disc-tags.bin

# CD-TEXT is for session-at-once only; the disc fields need --cd-text.
for args in "dao --cd-text" "tao --cd-text" "sao --title X"; do
  # shellcheck disable=SC2086
  expect_eq "$args: a usage error" 2 "$(./applet-tool record $args --aspi "$ASPI" t1.mp3 >/dev/null 2>&1
    echo $?)"
done

# Recorders that cannot take it: page 0x2A without R-W (the cue sheet is not tried), or a
# cue sheet refused. The album is recorded without CD-TEXT.
while IFS='|' read -r name keys said; do
  expect_eq "$name: exit code" 0 "$(record "$name" "$keys" --cd-text t1.mp3 t2.mp3 t3.mp3)"
  expect_true "$name: the log says why" grep -qF "$said" "out-$name.txt"
  expect_true "$name: recorded in full" grep -q 'recording complete: 3 track(s)' "journal-$name.txt"
  expect_true "$name: same audio" cmp -s "disc-$name.bin" disc-tags.bin
  expect_true "$name: no text in the image" bash -c \
    "! grep -q -e TITLE -e CDTEXTFILE disc-$name.cue && test ! -e disc-$name.cdt"
done <<'TABLE'
no-rw|cd_text = no|No CD-TEXT: the recorder reports no R-W sub-channel; recording without it
refused|cd_text = refuse|The recorder refused CD-TEXT in the lead-in; recording without it
TABLE
expect_eq "refused: the plain cue sheet follows the refused one" "41 01" "$(grep -o \
  'SEND CUE SHEET 48 bytes: 01 00 00 [0-9A-F]*' journal-refused.txt | awk '{ print $NF }' | paste -sd' ')"

# Titles of 0 and 160 characters and characters beyond ISO 8859-1 ('?').
L160=$(printf 'L%.0s' $(seq 160))
tagged odd1.mp3 "" "Zoë" "Ünïcode Ålbum"
tagged odd2.mp3 "$L160" "Zoë" ""
tagged odd3.mp3 "Café Ωmega 日本" "Zoë" ""
expect_eq "odd: exit code" 0 "$(record odd "" --cd-text odd1.mp3 odd2.mp3 odd3.mp3)"
expect_eq "odd: the strings" "80 0 Ünïcode Ålbum
80 1 
80 2 $L160
80 3 Café ?mega ??
81 0 Zoë" "$(decode disc-odd.cdt 3 | sed -n '2,6p')"

# Broken tags give no text, and no text gives no CD-TEXT: an extended header and a frame that
# claim more than the tag holds, a UTF-16 frame of odd length, an unsynchronised tag cut short.
python3 - <<'PY'
plain = open('plain.mp3', 'rb').read()
def tag(version, flags, body):
    n = len(body)
    return b'ID3' + bytes([version, 0, flags, n >> 21 & 127, n >> 14 & 127, n >> 7 & 127, n & 127]) + body
open('bad1.mp3', 'wb').write(tag(3, 0x40, b'\xff\xff\xff\xf0' + b'TIT2\0\0\0\x05\0\0\0AB') + plain)
open('bad2.mp3', 'wb').write(tag(3, 0, b'TIT2\x7f\xff\xff\xff\0\0\x00Song' + b'TPE1\0\0\0\x04\0\0\x01\xff\xfeA') + plain)
open('bad3.mp3', 'wb').write(tag(4, 0x80, b'TALB\0\0\0\x09\0\0\x03\xff\x00\xff') + plain)
PY
expect_eq "bad tags: exit code" 0 "$(record bad "" --cd-text bad1.mp3 bad2.mp3 bad3.mp3)"
expect_true "bad tags: no CD-TEXT, said so" grep -q \
  'No CD-TEXT: the album has no title, performer or track title' out-bad.txt
expect_true "bad tags: a plain cue sheet" grep -q 'SEND CUE SHEET 48 bytes: 01 00 00 01 00' \
  journal-bad.txt

# 24 tracks whose titles take 247 of the 253 text packs (the performers 5), and one character
# more each: then the first seven titles lose a character and the block is full.
for len in 122 123; do
  files=()
  for n in $(seq 24); do
    title=$(printf '%02d' "$n")$(printf 'a%.0s' $(seq $((len - 2))))
    tagged "l$len-$n.mp3" "$title" "P" "Limits"
    files+=("l$len-$n.mp3")
  done
  expect_eq "limits $len: exit code" 0 "$(record "l$len" "" --cd-text "${files[@]}")"
  decode "disc-l$len.cdt" 24 >"l$len.txt"
  expect_eq "limits $len: decodes" 0 "$?"
  expect_eq "limits $len: 24 track titles" 24 "$(grep -c '^80 [1-9]' "l$len.txt")"
done
expect_eq "limits 122: 255 packs" "packs 255" "$(head -1 l122.txt)"
expect_true "limits 122: nothing cut" bash -c "! grep -q 'CD-TEXT shortened' out-l122.txt && \
  [ \$(grep -c '^80 [1-9][0-9]* [0-9][0-9]a\{120\}$' l122.txt) = 24 ]"
expect_eq "limits 123: 256 packs" "packs 256" "$(head -1 l123.txt)"
expect_true "limits 123: the cut is logged" grep -q \
  'CD-TEXT shortened by 7 characters to fit its 253 text packs' out-l123.txt
expect_eq "limits 123: titles 1-7 cut by one" "7 17" "$(grep -c '^80 [1-9][0-9]* [0-9][0-9]a\{120\}$' \
  l123.txt) $(grep -c '^80 [1-9][0-9]* [0-9][0-9]a\{121\}$' l123.txt)"

# Under Wine: a packaged applet whose liner notes opt in records three tracks with SAO; the
# duration after a title is dropped, a track without an entry gets none.
end_unless_wine
. "$ROOT/tests/e2e/session_lib.sh"
. "$ROOT/tests/e2e/session_device_lib.sh"
session_device_prepare
export WINEDLLOVERRIDES="$NATIVE_ASPI"
applet=$(album wine $'[device.0]\nimage = disc\njournal = journal.txt\n')
dir=$(dirname "$applet")
cp plain.mp3 "$dir/QlnT-3.mp3"
printf '[INTERNAL]\r\nSize=1\r\nCDText=1\r\n[TITLE]\r\nAlbum=Night Songs\r\nArtist=The Quiet Hours\r\n[TRACKS AND TAGS]\r\n1=Evening (3:12)\r\n2=Lantern Light\r\n' \
  >"$dir/linernotes.htm"
drive start "$(winpath "$applet")" wait-memo "CD completed successfully!" 120000 click "&OK" \
  wait-exit 30000 >wine.out
expect_eq "wine: uidriver steps held" "0" "$?"
expect_eq "wine: cd-info lists the CD-TEXT" "Disc TITLE: Night Songs
Disc PERFORMER: The Quiet Hours
1 TITLE: Evening
1 PERFORMER: The Quiet Hours
2 TITLE: Lantern Light
2 PERFORMER: The Quiet Hours
3 PERFORMER: The Quiet Hours" "$(cdinfo_text "$dir/disc.cue")"
expect_eq "wine: packs decode" "packs 12
80 0 Night Songs
80 1 Evening
80 2 Lantern Light
80 3 
81 0 The Quiet Hours" "$(decode "$dir/disc.cdt" 3 | head -6)"

e2e_finish
