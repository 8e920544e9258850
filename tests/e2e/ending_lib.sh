# Helpers for the ending's end-to-end checks; source after lib.sh and session_lib.sh.
#
# Every Windows program here runs in a network namespace of the check's own: "offline" holds
# only the loopback interface; "online" adds a pair of virtual interfaces wired to each other
# and a default route into them, which Windows takes for a connection. Nothing can leave either
# namespace. Web addresses go to
# a recording browser that only writes them down.
TOOL="$WIN32/tools/applet-tool/applet-tool.exe"
# The endings here stop at the ASPI check: Wine's own ASPI layer is switched off.
export WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=d"
STATISTICS_KEY='HKCU\Software\Quillon\QLNApplet\1.0'
BROWSER_KEY='HKCU\Software\Wine\WineBrowser'

# wine_reg ARGS...: Wine's reg.exe without a display; CR dropped.
wine_reg() { QLN_NO_X=1 wine_run reg "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# statistics_values: "NAME TYPE DATA" for each value of the statistics key, sorted by name.
statistics_values() {
  wine_reg query "$STATISTICS_KEY" | awk '$2 ~ /^REG_/ { print $1, $2, $3 }' | sed 's/ $//' | sort
}

# netns_drive offline|online STEP...: uidriver in a namespace; prints its output.
netns_drive() {
  local mode=$1
  shift
  session_package "$@"
  in_netns "$mode" "$ROOT/scripts/wine-run" "$UIDRIVER" "$@" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# browser_install: Wine's browser launcher opens every address with a script that appends it
# to $BROWSER_LOG (and the time in nanoseconds to $BROWSER_LOG.times). The launcher's previous
# setting comes back when the check ends.
browser_install() {
  BROWSER_LOG="$E2E_SCRATCH/browser.log"
  local script="$E2E_SCRATCH/browser.sh"
  browser_clear
  cat >"$script" <<SCRIPT
#!/bin/sh
date +%s%N >>"$BROWSER_LOG.times"
printf '%s\n' "\$@" >>"$BROWSER_LOG"
SCRIPT
  chmod +x "$script"
  if wine_reg query "$BROWSER_KEY" /v Browsers >"$E2E_SCRATCH/browser.previous"; then
    BROWSER_HAD=yes
    BROWSER_PREVIOUS=$(sed -n 's/^ *Browsers *REG_SZ *//p' "$E2E_SCRATCH/browser.previous")
  else
    BROWSER_HAD=no
  fi
  trap 'browser_restore; rm -rf "$E2E_SCRATCH"' EXIT
  wine_reg add "$BROWSER_KEY" /v Browsers /t REG_SZ /d "$script" /f >/dev/null
}

browser_clear() { : >"$BROWSER_LOG" && : >"$BROWSER_LOG.times"; }

browser_restore() {
  if [ "$BROWSER_HAD" = yes ]; then
    wine_reg add "$BROWSER_KEY" /v Browsers /t REG_SZ /d "$BROWSER_PREVIOUS" /f >/dev/null
  else
    wine_reg delete "$BROWSER_KEY" /v Browsers /f >/dev/null
  fi
}

# opened: the addresses the browser was given, one a line (the launcher may end after the
# program that asked for them, so wait for it).
opened() {
  wineserver -w
  cat "$BROWSER_LOG"
}

# stage_dummies DIR: the files a package stages, as small dummies.
stage_dummies() {
  local n
  for n in $(seq 1 24); do printf 'mp3' >"$1/QlnT-$n.mp3"; done
  printf 'dll' >"$1/qlnxaudio.dll"
  printf 'ql' >"$1/qlnc.ql"
  printf 'jpg' >"$1/jewelcasecover.jpg"
}
