#!/usr/bin/env bash
# How fast the virtual recorder accepts writes in unlimited mode (target: 500x CD speed or
# more), for each recording method, with the disc image written to a temporary folder and
# without an image. Builds the optimised bench tree first.
#   MINUTES   audio per run (default 20)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${JOBS:-1} "$here/scripts/build" bench >/dev/null
bench="$here/build/bench/tools/virtual-recorder/vrec-bench"
scratch=$(mktemp -d /tmp/vrec-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
"$bench" "$scratch" "${MINUTES:-20}"
"$bench" none "${MINUTES:-20}"
