#!/usr/bin/env bash
# The statistics after an ending of applet.exe under Wine: the registry key holds the seven
# string values. Text that is not a number comes back as a number, a value of another type
# counts as missing, and AINmatters is carried through.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"
. "$(dirname "$0")/ending_lib.sh"
export LC_ALL=C

scratch_dir
session_prepare
browser_install

# aspi_ending NAME: an applet with liner notes that stops at the ASPI check; OK ends it.
aspi_ending() {
  local applet
  applet=$(session_copy "$1" 2000000)
  printf '[INTERNAL]\r\nSize=1\r\n' >"$(dirname "$applet")/linernotes.htm"
  netns_drive offline start "$(winpath "$applet")" \
    wait-memo "No suitable ASPI layer found!" 60000 click "&OK" wait-exit 10000 | grep '^exit='
}

wine_reg delete "$STATISTICS_KEY" /f >/dev/null
expect_eq "first run ends with exit 4" "exit=4" "$(aspi_ending first)"
expect_eq "first run creates the key with seven string values" \
  "AINmatters REG_SZ 0
DAOModeFail REG_SZ 0
DAOModeSuccess REG_SZ 0
SAOModeFail REG_SZ 0
SAOModeSuccess REG_SZ 0
TAOModeFail REG_SZ 0
TAOModeSuccess REG_SZ 0" "$(statistics_values)"

wine_reg add "$STATISTICS_KEY" /v AINmatters /t REG_SZ /d 5 /f >/dev/null
wine_reg add "$STATISTICS_KEY" /v TAOModeSuccess /t REG_SZ /d many /f >/dev/null
wine_reg add "$STATISTICS_KEY" /v SAOModeSuccess /t REG_SZ /d 41 /f >/dev/null
wine_reg add "$STATISTICS_KEY" /v DAOModeSuccess /t REG_DWORD /d 3 /f >/dev/null
wine_reg add "$STATISTICS_KEY" /v TAOModeFail /t REG_SZ /d 2147483647 /f >/dev/null
wine_reg add "$STATISTICS_KEY" /v SAOModeFail /t REG_SZ /d -3 /f >/dev/null
wine_reg delete "$STATISTICS_KEY" /v DAOModeFail /f >/dev/null
expect_eq "preset values in place" "DAOModeSuccess REG_DWORD 0x3" \
  "$(statistics_values | grep DAOModeSuccess)"
expect_eq "second run ends with exit 4" "exit=4" "$(aspi_ending second)"
expect_eq "numbers kept, other text and other types rewritten, AINmatters carried" \
  "AINmatters REG_SZ 1
DAOModeFail REG_SZ 0
DAOModeSuccess REG_SZ 0
SAOModeFail REG_SZ -3
SAOModeSuccess REG_SZ 41
TAOModeFail REG_SZ 2147483647
TAOModeSuccess REG_SZ 0" "$(statistics_values)"
e2e_finish
