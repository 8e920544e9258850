# Shared helpers of the recording benchmarks: the optimised native tree, the Windows build and
# its Wine environment, a scratch folder, the album of MP3 tracks and target checks.
#   JOBS  build jobs (default 2)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
release="$here/build/release"
status=0

# release_build: applet-tool, libwnaspi32.so, libqlnxaudio.so and the SG_IO stand-in
# (vrec-sg-server, libqlnsg64.so), optimised.
release_build() {
  export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=true
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  [ -f "$release/CMakeCache.txt" ] ||
    cmake -S "$here" -B "$release" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build "$release" -j "${JOBS:-2}" --target applet-tool wnaspi32 qlnxaudio \
    vrec-sg-server qln_sg_preload >/dev/null ||
    { echo "release build failed"; exit 1; }
}

# wine_setup: the Windows build and the Wine environment of its programs (wnaspi32.dll native).
wine_setup() {
  JOBS=${JOBS:-2} "$here/scripts/build" win32 >/dev/null || { echo "win32 build failed"; exit 1; }
  "$here/scripts/wineprefix" >/dev/null || { echo "wine prefix failed"; exit 1; }
  export WINEPREFIX="$here/build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n"
}

# scratch: a temporary folder, removed at exit, made the current folder.
scratch() {
  work=$(mktemp -d /tmp/qln-bench-rec.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  cd "$work" || exit 1
}

# make_album MINUTES TRACKS: QlnT-1.mp3 ... in the current folder, each MINUTES * 60 / TRACKS
# seconds of 192 kbps MP3 (one encoded source, copied); sets files and audio_seconds.
make_album() {
  local seconds=$(($1 * 60 / $2)) n
  sox -n -r 44100 -c 2 -b 16 source.wav synth "$seconds" sine 200-2000 pinknoise vol 0.4 \
    2>/dev/null
  lame --quiet -b 192 source.wav source.mp3
  rm source.wav
  files=()
  for n in $(seq "$2"); do
    cp source.mp3 "QlnT-$n.mp3"
    files+=("QlnT-$n.mp3")
  done
  audio_seconds=$((seconds * $2))
}

check() { # name value target unit [below]
  if awk -v v="$2" -v t="$3" -v below="${5:-}" 'BEGIN { exit !(below ? v < t : v >= t) }'; then
    printf 'ok   %s: %s %s (target %s%s)\n' "$1" "$2" "$4" "${5:+below }" "$3"
  else
    printf 'FAIL %s: %s %s (target %s%s)\n' "$1" "$2" "$4" "${5:+below }" "$3"
    status=1
  fi
}
