# Helpers for the SCSI pass-through route: the virtual recorder behind the SG_IO stand-in
# (tools/virtual-recorder/README.md). Source after lib.sh; needs the native tree.
SG_SERVER="$NATIVE/tools/virtual-recorder/vrec-sg-server"
SG_PRELOAD32="$NATIVE/tools/virtual-recorder/libqlnsg32.so"
SG_PRELOAD64="$NATIVE/tools/virtual-recorder/libqlnsg64.so"
# For Wine runs: the dynamic loader picks the 32-bit or the 64-bit build by its own $LIB.
SG_PRELOAD_ANY="$NATIVE/tools/virtual-recorder/sg/\$LIB/libqlnsg.so"

# sg_start INI NODE: vrec-sg-server for the configuration INI on a socket beside it, and the
# stand-in NODE (made when missing); exports QLN_SG_NODE and QLN_SG_SOCKET, sets SG_PID.
sg_start() {
  local socket
  socket="$(dirname "$1")/sg.sock"
  [ -e "$2" ] || : >"$2"
  rm -f "$socket"
  VIRTUAL_RECORDER_CONFIG=$1 env -u LD_PRELOAD "$SG_SERVER" "$socket" 2>>"$(dirname "$1")/sg-server.err" &
  SG_PID=$!
  for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.05; done
  export QLN_SG_NODE=$2 QLN_SG_SOCKET=$socket
}

sg_stop() {
  [ -n "${SG_PID:-}" ] || return 0
  kill "$SG_PID" 2>/dev/null
  wait "$SG_PID" 2>/dev/null
  SG_PID=
}

# passthrough_prefix NODE: a copy of the project's Wine prefix in $E2E_SCRATCH/prefix, made the
# current one, with no ASPI layer and drive D: a CD-ROM whose device is NODE; the 32-bit
# programs started by wine-run with QLN_WINE_PRELOAD=$SG_PRELOAD_ANY reach the stand-in.
passthrough_prefix() {
  local prefix="$E2E_SCRATCH/prefix"
  wineserver -k 2>/dev/null
  # drive_c is shared through hard links (the programs' own files live outside the prefix).
  mkdir -p "$prefix"
  cp -a "$WINEPREFIX"/*.reg "$WINEPREFIX/.update-timestamp" "$WINEPREFIX/dosdevices" "$prefix/"
  cp -al "$WINEPREFIX/drive_c" "$prefix/"
  mkdir -p "$E2E_SCRATCH/cdroot"
  ln -sfn "$E2E_SCRATCH/cdroot" "$prefix/dosdevices/d:"
  ln -sfn "$1" "$prefix/dosdevices/d::"
  printf '\n[Software\\\\Wine\\\\Drives] 1700000000\n"d:"="cdrom"\n' >>"$prefix/system.reg"
  export WINEPREFIX=$prefix
  trap 'sg_stop; WINEPREFIX='"$prefix"' wineserver -k 2>/dev/null; rm -rf "$E2E_SCRATCH"' EXIT
}
