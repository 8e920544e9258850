#!/usr/bin/env bash
# The fault rows of session_faults.sh through the SCSI pass-through route (no ASPI layer; drive D:
# a CD-ROM whose device is the SG_IO stand-in), beside the ASPI rows so the two run in lanes.
PASSTHROUGH=only exec "$(dirname "$0")/session_faults.sh" "$@"
