#!/usr/bin/env bash
# LH5 decoding against lhasa on the corpus's 1.2 MB text stream, as whole-process throughput:
# `applet-tool lha decode` of the raw stream versus `lhasa p` of the same stream in an archive.
. "$(dirname "$0")/codecs_lib.sh"
STREAM=lh5-19.bin
SIZE=$(corpus_size $STREAM)
"$TOOL" lha decode lh5 "$SIZE" "$PEERS/$STREAM" "$SCRATCH/long.txt"
"$TOOL" lha wrap lh5 "$SCRATCH/long.txt" "$SCRATCH/long.lzh" "$PEERS/$STREAM"
lhasa p "$SCRATCH/long.lzh" | tail -c "$SIZE" | cmp -s - "$SCRATCH/long.txt" ||
  { echo "lhasa p does not give the stream's text" >&2; exit 1; }

ours=$(best_seconds 20 "$TOOL" lha decode lh5 "$SIZE" "$PEERS/$STREAM" /dev/null)
peer=$(best_seconds 20 lhasa p "$SCRATCH/long.lzh")
printf 'LH5 decode, %s (%s bytes), whole process, best of 3x20 runs:\n' "$STREAM" "$SIZE"
printf '  applet-tool lha decode  %6.1f MB/s  (%.4f s)\n' "$(mbps "$SIZE" "$ours")" "$ours"
printf '  lhasa p                 %6.1f MB/s  (%.4f s)\n' "$(mbps "$SIZE" "$peer")" "$peer"
if [ "$(echo "$ours <= $peer" | bc -l)" = 1 ]; then echo "  ours is at least as fast"; else
  echo "  ours is SLOWER"; exit 1; fi
