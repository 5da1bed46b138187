#!/usr/bin/env bash
# How layout time and memory grow with the listing: listora-print --count on
# seeded projects of 10,000, 100,000 and 1,000,000 lines (two pages per
# sheet, shade bands on), with wall time, CPU time (user + system, which a
# busy machine disturbs less than wall time), peak memory, and the growth of
# CPU time and memory from one size to the next. Linear layout grows both
# by the size ratio (10 here); the goal is within 20 % of it (at most 12).
# Each size runs RUNS times (3) and the run with the least CPU time counts:
# on a virtual machine the first touch of fresh memory sometimes costs the
# system half a second more, which says nothing about the layout.
#
# usage: bench/count_scaling.sh [BUILD_DIR] [SIZES...]
#   e.g. bench/count_scaling.sh build 10000 100000 1000000
set -euo pipefail
build=${1:-build}
shift $(( $# > 0 ? 1 : 0 ))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[pagelayout]\ntwopage=1\n[general]\nshadeboxemulation=1\n' > "$work/bench.ini"

prev_n="" prev_cpu="" prev_mb=""
printf '%9s %8s %8s %8s %11s %11s  %s\n' lines wall-s cpu-s peak-MB cpu-growth mem-growth output
for n in "${sizes[@]}"; do
  python3 "$(dirname "$0")/make_corpus.py" "$work/c$n" "$n" 1
  cpu=""
  for _ in $(seq "${RUNS:-3}"); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time$n" "$build/bin/listora-print" \
      "$work/c$n/Bench.vbp" --settings "$work/bench.ini" --count > "$work/out$n" 2> /dev/null
    read -r w user sys kb < "$work/time$n"
    c=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    if [ -z "$cpu" ] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then
      cpu=$c wall=$w mb=$(( kb / 1024 ))
    fi
  done
  grow_cpu="-" grow_mem="-"
  if [ -n "$prev_n" ]; then
    grow_cpu=$(awk -v a="$prev_cpu" -v b="$cpu" -v m="$prev_n" -v n="$n" \
      'BEGIN { printf "%.1fx/%gx", b / a, n / m }')
    grow_mem=$(awk -v a="$prev_mb" -v b="$mb" -v m="$prev_n" -v n="$n" \
      'BEGIN { printf "%.1fx/%gx", b / a, n / m }')
  fi
  printf '%9s %8s %8s %8s %11s %11s  %s\n' "$n" "$wall" "$cpu" "$mb" "$grow_cpu" "$grow_mem" \
    "$(cat "$work/out$n")"
  prev_n=$n prev_cpu=$cpu prev_mb=$mb
  rm -rf "$work/c$n"
done
