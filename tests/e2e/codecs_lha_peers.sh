#!/usr/bin/env bash
# The LZH (-lh1-) and LH5 (-lh5-) codecs against LHA peers: streams made by historical LHA tools
# decode to their recorded SHA-256, and lhasa extracts our encoders' output, CRC-checked, back to
# the original for a varied input set generated here.
. "$(dirname "$0")/lib.sh"

TOOL="$NATIVE/tools/applet-tool/applet-tool"
TOOL_EXE="$WIN32/tools/applet-tool/applet-tool.exe"

peer_dir() {
  local d
  for d in "${QLN_LHA_PEERS:-}" "$ROOT/../shared/peers/lha" "$ROOT/../../shared/peers/lha"; do
    [ -n "$d" ] && [ -f "$d/manifest.tsv" ] && { echo "$d"; return; }
  done
}

scratch_dir
S=$E2E_SCRATCH
PEERS=$(peer_dir)
expect_true "peer corpus found (shared/peers/lha beside the tree)" test -n "$PEERS"

# 1. Every corpus stream decodes to its recorded output.
if [ -n "$PEERS" ]; then
  while IFS=$'\t' read -r method stream size sha _; do
    [ "$method" = method ] && continue
    "$TOOL" lha decode "$method" "$size" "$PEERS/$stream" "$S/out" 2>"$S/err"
    expect_eq "decode $stream ($method, $size bytes)" "$sha" "$(sha256sum <"$S/out" | cut -c1-64)"
  done <"$PEERS/manifest.tsv"
  # The 32-bit Windows build decodes the large text streams the same way.
  wine_ok && for stream in lh1-06.bin lh5-19.bin; do
    method=${stream%%-*}
    row=$(awk -F'\t' -v s="$stream" '$2 == s' "$PEERS/manifest.tsv")
    cp "$PEERS/$stream" "$S/in.bin"
    wine_run "$TOOL_EXE" lha decode "$method" "$(cut -f3 <<<"$row")" 'Z:'"${S//\//\\}"'\in.bin' \
      'Z:'"${S//\//\\}"'\wine.out' >/dev/null 2>&1
    expect_eq "decode $stream under Wine" "$(cut -f4 <<<"$row")" \
      "$(sha256sum <"$S/wine.out" | cut -c1-64)"
  done
fi

# 2. Our encoders' output, wrapped in a level-0 header, extracts with lhasa to the original.
mkdir -p "$S/in"
python3 - "$S/in" <<'EOF'
import random, sys
d = sys.argv[1]
rng = random.Random(6)
words = b"the disc track of and recorder audio sector a write to session cache buffer".split()
def text(n):
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words) + (b".\r\n" if rng.random() < 0.1 else b" ")
    return bytes(out[:n])
files = {"empty": b"", "one-byte": b"Q", "text-4095": text(4095), "text-4096": text(4096),
         "text-4097": text(4097), "text-8191": text(8191), "text-8192": text(8192),
         "text-8193": text(8193), "zeros-2m": bytes(2 * 1024 * 1024),
         "random-1m": rng.randbytes(1024 * 1024), "text-300k": text(300000)}
for name, data in files.items():
    open(f"{d}/{name}", "wb").write(data)
EOF
sox -n -r 44100 -c 2 -b 16 "$S/in/tones.wav" synth 6 pluck C3 pluck E3 remix - fade 0 6 1 2>/dev/null
cat /usr/share/common-licenses/* >"$S/in/licenses.txt"
cp "$TOOL" "$S/in/program.bin"
expect_true "inputs generated" test -s "$S/in/tones.wav" -a -s "$S/in/random-1m"

for method in lh1 lh5; do
  for f in "$S"/in/*; do
    name=$(basename "$f")
    archive="$S/$name.$method.lzh"
    rm -rf "$S/x" && mkdir -p "$S/x"
    "$TOOL" lha wrap "$method" "$f" "$archive" &&
      lhasa tq2 "$archive" >/dev/null 2>&1 &&
      lhasa xq2fw="$S/x" "$archive" >/dev/null 2>&1 &&
      cmp -s "$f" "$S/x/$name"
    expect_eq "lhasa tests and extracts our -$method- of $name" 0 "$?"
  done
done

# The peer check can fail: a damaged stream fails lhasa's CRC test.
cp "$S/licenses.txt.lh5.lzh" "$S/damaged.lzh"
printf '\x55' | dd of="$S/damaged.lzh" bs=1 seek=3000 conv=notrunc 2>/dev/null
lhasa tq2 "$S/damaged.lzh" >/dev/null 2>&1
expect_eq "lhasa rejects a damaged member" 1 "$?"

# Our Windows build's encoder output passes the same check.
if wine_ok; then
  cp "$S/in/text-300k" "$S/wine-in.txt"
  wine_run "$TOOL_EXE" lha wrap lh5 'Z:'"${S//\//\\}"'\wine-in.txt' 'Z:'"${S//\//\\}"'\wine.lzh' \
    >/dev/null 2>&1
  lhasa tq2 "$S/wine.lzh" >/dev/null 2>&1
  expect_eq "lhasa accepts -lh5- written under Wine" 0 "$?"
fi

# 3. A damaged LH5 table is reported, not decoded.
printf '\xff\xff\xff\xff\xff\xff' >"$S/bad-table.bin"
"$TOOL" lha decode lh5 1000 "$S/bad-table.bin" "$S/out" 2>"$S/err"
expect_eq "bad LH5 table exits 1" 1 "$?"
expect_eq "bad LH5 table message" "Bad decode table in archive!" "$(cat "$S/err")"

e2e_finish
