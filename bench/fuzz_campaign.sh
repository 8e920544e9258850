#!/usr/bin/env bash
# Run: bench/fuzz_campaign.sh SECONDS [TARGET-REGEX]   (660 s x 11 targets = 2 CPU-hours)
# Runs every fuzz target of the clang fuzz tree for SECONDS, one target at a time on one core,
# from its seed corpus tests/fuzz/<target>/. New coverage is merged back into that folder
# minimised; every crash, hang or out-of-memory input is kept there as a regression seed
# (crash-*, timeout-*, oom-*, never dropped by the minimisation). Prints executions per target.
# SECONDS 0 only minimises the seed folders again. Named seeds stay as they are; the seeds named
# by their SHA-1 are chosen anew, keeping every covered edge (not every hit count) so the
# folders stay small. Exits 1 when there were findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: $0 SECONDS [TARGET-REGEX]}
only=${2:-.}
cd "$root"
scripts/build fuzz >/dev/null
scratch=$(mktemp -d /tmp/qln-fuzz-campaign.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

summary=()
found=0
while IFS= read -r fuzzer; do
  name=$(basename "$fuzzer")
  [[ $name =~ $only ]] || continue
  seeds="$root/tests/fuzz/$name"
  work="$scratch/$name/work" merged="$scratch/$name/merged" findings="$scratch/$name/findings"
  mkdir -p "$seeds" "$work" "$merged" "$findings"
  # Named seeds (hand-made ones and regression seeds) always stay; seeds named by their SHA-1
  # are the minimisation's own and are chosen anew. Findings are not fuzzed from again.
  for seed in "$seeds"/*; do
    [ -f "$seed" ] || continue
    case $(basename "$seed") in
    crash-* | timeout-* | oom-*) ;;
    [0-9a-f][0-9a-f]*) if [[ $(basename "$seed") =~ ^[0-9a-f]{40}$ ]]; then
      mv "$seed" "$work/"
    else cp "$seed" "$merged/"; fi ;;
    *) cp "$seed" "$merged/" ;;
    esac
  done
  log="$scratch/$name.log"
  : >"$log"
  echo "== $name: ${seconds}s"
  # Fork mode with one job: a finding is saved and the campaign goes on.
  if [ "$seconds" -gt 0 ]; then
    "$fuzzer" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$findings/" "$work" "$merged" >"$log" 2>&1 || true
  fi
  execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  # The named seeds count as covered already; what the rest adds is minimised into the folder.
  "$fuzzer" -merge=1 -use_counters=0 -rss_limit_mb=2048 -timeout=10 "$merged" "$work" \
    >"$scratch/$name.merge.log" 2>&1 ||
    { cp -n -t "$seeds" "$work"/* 2>/dev/null; echo "merge of $name failed:";
      tail -20 "$scratch/$name.merge.log"; exit 1; }
  cp -n -t "$seeds" "$merged"/* 2>/dev/null || true
  # One fault is often hit many times: the three smallest inputs become regression seeds.
  new=$(find "$findings" -type f | wc -l)
  while IFS= read -r artifact; do
    cp "$artifact" "$seeds/"
    echo "   finding: tests/fuzz/$name/$(basename "$artifact")"
  done < <(find "$findings" -type f -printf '%s %p\n' | sort -n | head -3 | cut -d' ' -f2-)
  found=$((found + new))
  files=$(find "$seeds" -type f | wc -l)
  kib=$(du -sk "$seeds" | cut -f1)
  summary+=("$(printf '%-24s %12s executions  %4s seeds  %5s KiB  %s findings' \
    "$name" "${execs:-?}" "$files" "$kib" "$new")")
done < <(find build/fuzz -type f -name 'fuzz_*' -perm -u+x | sort)

echo "== executions per target (${seconds}s each)"
printf '%s\n' "${summary[@]}"
[ "$found" -eq 0 ] || { echo "$found findings saved as regression seeds"; exit 1; }
