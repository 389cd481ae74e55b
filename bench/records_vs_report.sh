#!/usr/bin/env bash
# vy-report --format records against the default report on the 1 GB folder
# of the scan benchmark (generated once with vy-loggen under build/bench-data).
# Each round times both, one right after the other, warm cache: wall time,
# and processor time (user + system), which other work on the machine
# disturbs less. Usage: bench/records_vs_report.sh [BUILD] [ROUNDS]
set -euo pipefail
build=${1:-build}
rounds=${2:-5}
dir=$build/bench-data/records-1g
if [ ! -f "$dir/.stamp" ]; then
  "$build/tools/vy-loggen" --seed 5 --files 10 --connections 1000000 --other 4000000 --users 2000 \
    --domains 8 --servers 24 --ports 8 --speeds 6 --from 1998-01-01 --to 1998-12-31 "$dir"
  touch "$dir/.stamp"
fi
report=(env LC_ALL=C "$build/src/cli/vy-report" --from 1998-01-01 --to 1998-12-31)
cat "$dir"/*.txt > /dev/null
# "wall cpu" of one run
times() { /usr/bin/time -f '%e %U %S' "$@" 2>&1 > /dev/null | tail -1 | awk '{ print $1, $2 + $3 }'; }
for _ in $(seq "$rounds"); do
  read -r tw tc < <(times "${report[@]}" "$dir")
  read -r rw rc < <(times "${report[@]}" --format records "$dir")
  awk -v tw="$tw" -v tc="$tc" -v rw="$rw" -v rc="$rc" 'BEGIN {
    printf "default %.2f s (cpu %.2f)   records %.2f s (cpu %.2f)   ratio %.2f (cpu %.2f)\n", tw, tc, rw, rc, rw / tw, rc / tc }'
done
