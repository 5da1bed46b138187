#!/usr/bin/env bash
# What the cross-reference adds to the PDF of ComCtlsDemo (the corpus's
# largest project): the listing with and without --xref, in wall-clock and
# in CPU time. Goal: at most 15 % more wall-clock time.
#
# The machine may be shared: the two runs alternate, RUNS times (7) each,
# and the fastest of each counts, so that a busy spell slows both alike.
#
# usage: bench/xref_overhead.sh [BUILD_DIR] [CORPUS_DIR]
set -euo pipefail
build=${1:-build}
corpus=${2:-../shared/corpus}
runs=${RUNS:-7}
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
project="$corpus/vbccr/Standard EXE Version/ComCtlsDemo.vbp"

# Prints "wall cpu" in seconds for one run of the command.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" > /dev/null 2>&1
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time"
}

best() { # best FILE COLUMN
  sort -n -k"$2" "$1" | head -1 | cut -d' ' -f"$2"
}

: > "$work/plain" && : > "$work/xref"
for _ in $(seq "$runs"); do
  timed "$bin/listora-print" "$project" -o "$work/plain.pdf" >> "$work/plain"
  timed "$bin/listora-print" "$project" --xref -o "$work/xref.pdf" >> "$work/xref"
done
more() { echo "scale=1; ($2 - $1) * 100 / $1" | bc; }
pw=$(best "$work/plain" 1) xw=$(best "$work/xref" 1)
pc=$(best "$work/plain" 2) xc=$(best "$work/xref" 2)
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "wall: listing $pw s, with cross-reference $xw s ($(more "$pw" "$xw") % more; goal: 15 %)"
echo "cpu:  listing $pc s, with cross-reference $xc s ($(more "$pc" "$xc") % more)"
