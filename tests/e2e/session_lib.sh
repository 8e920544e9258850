# Helpers for the session's end-to-end checks; source after lib.sh.
require_wine
APPLET="$WIN32/applet/ui/applet.exe"
UIDRIVER="$WIN32/tools/uidriver/uidriver.exe"

# The Windows path of a Linux path (Wine maps / to drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# drive STEP...: runs uidriver with the steps, offline in a network namespace of its own (an
# ending may open the report address); prints its output, returns its exit code.
drive() {
  session_package "$@"
  in_netns offline "$ROOT/scripts/wine-run" "$UIDRIVER" "$@" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

session_prepare() {
  [ -f "$APPLET" ] && [ -f "$UIDRIVER" ] || { echo "build win32 first"; exit 1; }
  expect_eq "bare applet.exe is padded to the package offset" "749568" "$(stat -c %s "$APPLET")"
}

# session_copy NAME SIZE: a folder of its own with applet.exe grown to SIZE bytes by filler;
# prints the program's path. Before each run (drive, netns_drive) the program is packaged from
# the staged files that lie beside it then (session_package), so that its own staging expands
# them again; without liner notes beside it, it stays the filler, which staging finds damaged.
session_copy() {
  local dir="$E2E_SCRATCH/$1"
  mkdir -p "$dir"
  cp "$APPLET" "$dir/applet.exe"
  truncate -s "$2" "$dir/applet.exe"
  printf '%s\n' "$dir/applet.exe" >>"$E2E_SCRATCH/session-programs"
  printf '%s' "$dir/applet.exe"
}

# session_package STEP...: when the steps start a program made by session_copy that has liner
# notes beside it, rebuilds it as a producer's build would: the bare applet followed by a
# package of the staged files beside it (liner notes, cover, decoder library, QlnT-1..24), and
# a working file "qlnc.ql" (which every ending removes) that keeps it above the size gate.
session_package() {
  [ "${1:-}" = start ] || return 0
  local program=${2%% /*} dir n names=()
  program=${program#Z:}
  program=${program//\\//}
  grep -qxF "$program" "$E2E_SCRATCH/session-programs" 2>/dev/null || return 0
  dir=$(dirname "$program")
  [ -f "$dir/linernotes.htm" ] || return 0
  for n in linernotes.htm jewelcasecover.jpg qlnxaudio.dll $(seq -f 'QlnT-%g.mp3' 1 24); do
    [ -f "$dir/$n" ] && names+=("$n")
  done
  head -c 1300000 /dev/zero >"$dir/qlnc.ql"
  names+=(qlnc.ql)
  (cd "$dir" && "$NATIVE/tools/applet-tool/applet-tool" archive create "$E2E_SCRATCH/package.arc" \
    --method NON --base . "${names[@]}" >/dev/null) || { echo "session_package: $dir" >&2; return 1; }
  cat "$APPLET" "$E2E_SCRATCH/package.arc" >"$program"
  rm -f "$E2E_SCRATCH/package.arc"
}
