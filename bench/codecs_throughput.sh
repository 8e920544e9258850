#!/usr/bin/env bash
# In-memory codec throughput (codec_bench, optimised build): LH5 encoding of text, a binary, audio,
# zeros and text with random blocks, and LZH and LH5 decoding of the corpus's large streams.
. "$(dirname "$0")/codecs_lib.sh"

C="$SCRATCH/corpus"
mkdir -p "$C"
"$TOOL" lha decode lh5 "$(corpus_size lh5-19.bin)" "$PEERS/lh5-19.bin" "$C/long.txt"
cp "$(g++ -print-file-name=libstdc++.so.6)" "$C/libstdc++.so"
cat /usr/share/common-licenses/* >"$C/licenses.txt"
sox -R -n -r 44100 -c 2 -b 16 "$C/chords.wav" synth 8 pluck C3 pluck E3 pluck G3 remix - \
  fade 0 8 1 2>/dev/null
head -c 2097152 /dev/zero >"$C/zeros"
mixed_text_random "$C/licenses.txt" "$C/text-random.bin"

echo "LH5 encode (input MB/s):"
for f in "$C"/*; do "$CODEC_BENCH" lh5 encode "$f" | sed 's/^/  /'; done
echo "LZH encode (input MB/s):"
"$CODEC_BENCH" lh1 encode "$C/long.txt" | sed 's/^/  /'
echo "LZH decode (output MB/s):"
for s in lh1-06.bin lh1-02.bin lh1-07.bin; do
  "$CODEC_BENCH" lh1 decode "$PEERS/$s" "$(corpus_size $s)" | sed 's/^/  /'
done
echo "LH5 decode (output MB/s):"
"$CODEC_BENCH" lh5 decode "$PEERS/lh5-19.bin" "$(corpus_size lh5-19.bin)" | sed 's/^/  /'
