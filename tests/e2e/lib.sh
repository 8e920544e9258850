# Shared helpers for the end-to-end checks; source it from a check script.
# A check exits 0 when every expectation held and prints what failed otherwise.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NATIVE="$ROOT/build/native"
WIN32="$ROOT/build/win32"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}" WINEARCH=win32 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
E2E_FAILURES=0

# wine_ok: true where Wine can run the Windows programs. scripts/test sets QLN_NO_WINE on a
# machine whose kernel does not execute 32-bit code (Wine's own programs are 32-bit).
wine_ok() { [ -z "${QLN_NO_WINE:-}" ]; }

# require_wine: ends a check that needs Wine as skipped (exit 77) where Wine cannot run.
require_wine() {
  wine_ok && return 0
  echo "skipped: Wine cannot run 32-bit programs on this machine"
  exit 77
}

# end_unless_wine: where Wine cannot run, ends a check after its native part.
end_unless_wine() {
  wine_ok && return 0
  echo "the Windows part is skipped: Wine cannot run 32-bit programs on this machine"
  e2e_finish
  exit 0
}

# wine_run PROGRAM ARGS...: runs a Windows program under the project's Wine prefix.
wine_run() { "$ROOT/scripts/wine-run" "$@"; }

# in_netns offline|online COMMAND...: runs the command in a network namespace of its own, with
# a Wine server of its own there (Wine answers network questions from its server's processes,
# so a server still running outside is waited for first).
in_netns() {
  local mode=$1
  shift
  wineserver -w
  unshare -n -- bash -c '
    mode=$1; shift
    ip link set lo up
    if [ "$mode" = online ]; then
      ip link add qlnwire0 type veth peer name qlnwire1 &&
        ip addr add 192.0.2.1/24 dev qlnwire0 && ip link set qlnwire0 up &&
        ip link set qlnwire1 up && ip route add default via 192.0.2.2 dev qlnwire0 || exit 97
    fi
    "$@"
    status=$?
    wineserver -w
    exit $status' in_netns "$mode" "$@"
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
    E2E_FAILURES=$((E2E_FAILURES + 1))
  else
    printf 'ok   %s\n' "$1"
  fi
}

# expect_true WHAT COMMAND...
expect_true() {
  local what=$1
  shift
  if "$@"; then printf 'ok   %s\n' "$what"; else
    printf 'FAIL %s\n' "$what"
    E2E_FAILURES=$((E2E_FAILURES + 1))
  fi
}

# A scratch folder removed at exit.
scratch_dir() {
  E2E_SCRATCH=$(mktemp -d /tmp/qln-e2e.XXXXXX)
  trap 'rm -rf "$E2E_SCRATCH"' EXIT
}

e2e_finish() {
  [ "$E2E_FAILURES" -eq 0 ] || { echo "$E2E_FAILURES expectation(s) failed"; exit 1; }
  echo "all expectations held"
}
