# Helpers for the session's end-to-end checks; source after lib.sh.
APPLET="$WIN32/applet/ui/applet.exe"
UIDRIVER="$WIN32/tools/uidriver/uidriver.exe"

# The Windows path of a Linux path (Wine maps / to drive Z:).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# drive STEP...: runs uidriver with the steps, offline in a network namespace of its own (an
# ending may open the report address); prints its output, returns its exit code.
drive() { in_netns offline "$ROOT/scripts/wine-run" "$UIDRIVER" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

session_prepare() {
  [ -f "$APPLET" ] && [ -f "$UIDRIVER" ] || { echo "build win32 first"; exit 1; }
  expect_eq "bare applet.exe is padded to the package offset" "749568" "$(stat -c %s "$APPLET")"
}

# session_copy NAME SIZE: a folder of its own with applet.exe grown to SIZE bytes (the filler
# stands for a package); prints the program's path.
session_copy() {
  local dir="$E2E_SCRATCH/$1"
  mkdir -p "$dir"
  cp "$APPLET" "$dir/applet.exe"
  truncate -s "$2" "$dir/applet.exe"
  printf '%s' "$dir/applet.exe"
}
