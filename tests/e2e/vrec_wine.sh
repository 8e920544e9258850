#!/usr/bin/env bash
# The virtual recorder as wnaspi32.dll under Wine: a program loads the DLL from its own folder
# (with the override that prefers a native DLL) and sends INQUIRY with event notification.
# The DLL must be fully static and export the two entry points under their plain names.
. "$(dirname "$0")/lib.sh"
require_wine

dir="$WIN32/tools/virtual-recorder"
scratch_dir
cp "$dir/wnaspi32.dll" "$dir/aspi-probe.exe" "$E2E_SCRATCH/"

imports=$(objdump -p "$E2E_SCRATCH/wnaspi32.dll" | awk '/DLL Name:/ {print tolower($3)}' | sort |
  tr '\n' ' ')
expect_eq "DLL imports system libraries only" "kernel32.dll msvcrt.dll " "$imports"
exports=$(objdump -p "$E2E_SCRATCH/wnaspi32.dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && NF == 0 {on = 0} on {print $NF}' |
  sort | tr '\n' ' ')
expect_eq "DLL exports" "GetASPI32SupportInfo SendASPI32Command " "$exports"

# The configuration beside the DLL: a recorder completing on its own thread, a reader
# completing at once on a second adapter.
cat >"$E2E_SCRATCH/virtualrecorder.ini" <<'INI'
[device.0]
vendor = WINE
journal = journal.txt
[device.1]
kind = reader
adapter = 1
target = 2
completion = sync
INI
out=$(cd "$E2E_SCRATCH" && WINEDLLOVERRIDES="mscoree,mshtml=;wnaspi32=n" wine_run aspi-probe.exe |
  tr -d '\r')
expect_true "the DLL came from the program's folder" grep -qi '^library .*qln-e2e.*wnaspi32.dll$' \
  <<<"$out"
expect_true "two host adapters" grep -qx 'support info 0102' <<<"$out"
expect_true "recorder answered after its event" grep -qx \
  'device 0:0 type 05 WINE    |CD-R RECORDER   |1.0  pending, event signalled' <<<"$out"
expect_true "reader answered at once" grep -qx \
  'device 1:2 type 05 VIRTUAL |CD-ROM READER   |1.0  completed at once' <<<"$out"
expect_true "INQUIRY journalled" grep -q '^0:0 12 00 00 00 24 00 | INQUIRY allocation 36 | GOOD' \
  "$E2E_SCRATCH/journal.txt"
[ "$E2E_FAILURES" -eq 0 ] || printf '%s\n' "$out"
e2e_finish
