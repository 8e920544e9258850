#!/usr/bin/env bash
# LH5 output size against jlha (`jlha ao5`, Debian's jlha-utils, a Java LHA archiver) on a corpus
# of text, binaries, audio and mixed files made here; compressed sizes as lhasa lists them.
. "$(dirname "$0")/codecs_lib.sh"
command -v jlha >/dev/null || { echo "jlha not installed (apt-get install jlha-utils)" >&2; exit 1; }

C="$SCRATCH/corpus"
mkdir -p "$C"
"$TOOL" lha decode lh5 "$(corpus_size lh5-19.bin)" "$PEERS/lh5-19.bin" "$C/long.txt"
cat /usr/share/common-licenses/* >"$C/licenses.txt"
cp "$(g++ -print-file-name=libstdc++.so.6)" "$C/libstdc++.so"
cp "$TOOL" "$C/applet-tool.bin"
# -R: sox's noise sources repeat from run to run.
sox -R -n -r 44100 -c 2 -b 16 "$C/chords.wav" synth 8 pluck C3 pluck E3 pluck G3 remix - \
  fade 0 8 1 2>/dev/null
sox -R -n -r 44100 -c 2 -b 16 "$C/pinknoise.wav" synth 5 pinknoise vol 0.3 2>/dev/null
sox -R -n -r 44100 -c 2 -b 16 "$SCRATCH/song.wav" synth 10 pluck A2 pluck C4 pluck E4 \
  tremolo 3 remix - 2>/dev/null
lame --quiet -b 128 "$SCRATCH/song.wav" "$SCRATCH/song.mp3"
mpg123 -q -w "$C/decoded-mp3.wav" "$SCRATCH/song.mp3"

# Mixed content, the same bytes on every run.
mixed_text_random "$C/licenses.txt" "$C/text-random.bin"
mkdir -p "$SCRATCH/tar"
cp /usr/share/common-licenses/GPL-3 /usr/share/common-licenses/Apache-2.0 "$SCRATCH/tar/"
gzip -9nc "$C/long.txt" >"$SCRATCH/tar/long.txt.gz"
cp "$SCRATCH/song.mp3" "$SCRATCH/tar/"
random_bytes 7 200000 >"$SCRATCH/tar/random.bin"
tar -C "$SCRATCH/tar" --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner \
  -cf "$C/text-compressed.tar" .
cat "$C/chords.wav" "$C/licenses.txt" >"$C/wav-text.bin"

# packed_size ARCHIVE NAME: the compressed size lhasa lists for a member
packed_size() {
  lhasa v "$1" | awk -v n="$2" '$NF == n { for (i = 1; i <= NF; i++) if ($i ~ /^-lh/) print $(i - 3) }'
}

total_ours=0 total_jlha=0 worse=0
printf '%-18s %10s %10s %10s %8s\n' file size jlha ours ours-jlha
for f in "$C"/*; do
  name=$(basename "$f")
  (cd "$C" && jlha ao5q "$SCRATCH/j-$name.lzh" "$name" >/dev/null)
  "$TOOL" lha wrap lh5 "$f" "$SCRATCH/o-$name.lzh"
  lhasa tq2 "$SCRATCH/o-$name.lzh" >/dev/null || { echo "lhasa rejects ours for $name" >&2; exit 1; }
  j=$(packed_size "$SCRATCH/j-$name.lzh" "$name")
  o=$(packed_size "$SCRATCH/o-$name.lzh" "$name")
  printf '%-18s %10d %10d %10d %8d\n' "$name" "$(stat -c %s "$f")" "$j" "$o" $((o - j))
  total_ours=$((total_ours + o))
  total_jlha=$((total_jlha + j))
  [ "$o" -le "$j" ] || worse=$((worse + 1))
done
printf '%-18s %10s %10d %10d %8d\n' total "" "$total_jlha" "$total_ours" $((total_ours - total_jlha))
echo "files where ours is larger: $worse"
echo "ours against jlha in total: $(echo "scale=2; 100 * ($total_ours - $total_jlha) / $total_jlha" |
  bc -l) %"
# Ours is no larger on any file and at least 1 % smaller in total.
[ "$worse" -eq 0 ] && [ $((100 * total_ours)) -le $((99 * total_jlha)) ]
