#!/usr/bin/env bash
# uidriver's own contract on a message box: waiting for a dialog by title, reading its texts,
# pressing its buttons (by exact and by accelerator-free caption), and reporting failed steps.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session_lib.sh"

scratch_dir
probe=$(winpath "$WIN32/tools/uidriver/dialogprobe.exe")

out=$(drive start "$probe" wait-dialog Probe 20000 dialog-text dialog-click No wait-exit)
expect_eq "texts, then the No answer" \
  "text=First line of the probe text=Second line of the probe exit=7" "$(echo $out)"
out=$(drive start "$probe" wait-dialog Probe dialog-click "&Yes" wait-exit)
expect_eq "the Yes answer by its exact caption" "exit=6" "$out"

out=$(drive start "$probe" wait-dialog Elsewhere 1500)
expect_eq "a missing dialog fails its step" "1" "$?"
expect_eq "the failed step is named" \
  'uidriver: step 2 (wait-dialog) failed: dialog "Elsewhere": not within 1500 ms' "$out"
out=$(drive start "$probe" wait-dialog Probe dialog-click Maybe)
expect_eq "a missing button fails" \
  'uidriver: step 3 (dialog-click) failed: the dialog has no button "Maybe"' "$out"
out=$(drive wait-exit)
expect_eq "steps need a started process" \
  "uidriver: step 1 (wait-exit) failed: no process was started" "$out"
e2e_finish
