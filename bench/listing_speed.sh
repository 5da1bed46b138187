#!/usr/bin/env bash
# Listing speed on a seeded 100,000-line VB6 project, in one go on the same
# input: layout alone (--count), the batch command to PDF (two pages per
# landscape sheet, shade bands on) without and with navigation (bookmarks,
# links, page labels: the cost of recording them and of the assembly),
# QPdfWriter drawing the same lines alone, and the closest peer, a2ps +
# ps2pdf (Debian packages a2ps, ghostscript).
#
# usage: bench/listing_speed.sh [BUILD_DIR] [LINES] [EXTRA SETTINGS LINES...]
#   e.g. bench/listing_speed.sh build 100000 "[reports]" "toc=1"
set -euo pipefail
build=${1:-build}
lines=${2:-100000}
shift $(( $# > 2 ? 2 : $# ))
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/make_corpus.py" "$work/corpus" "$lines" 1
{
  printf '[pagelayout]\ntwopage=1\n[general]\nshadeboxemulation=1\n'
  for l in "$@"; do printf '%s\n' "$l"; done
} > "$work/bench.ini"

now() { date +%s.%N; }
rate() { awk -v n="$lines" -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", n / (b - a) }'; }
peak() { awk '/Maximum resident/ { printf "%.0f MB", $NF / 1024 }' "$1"; }
# User plus system time: steadier than the clock on a shared machine.
cpu() { awk '/User time|System time/ { t += $NF } END { printf "%.2f", t }' "$1"; }

t0=$(now)
/usr/bin/time -v "$bin/listora-print" "$work/corpus/Bench.vbp" --settings "$work/bench.ini" --count \
  > "$work/count.out" 2> "$work/count.time"
t1=$(now)
/usr/bin/time -v "$bin/listora-print" "$work/corpus/Bench.vbp" --settings "$work/bench.ini" \
  --no-navigation -o "$work/listing.pdf" > "$work/pdf.out" 2> "$work/pdf.time"
t2=$(now)
/usr/bin/time -v "$bin/listora-print" "$work/corpus/Bench.vbp" --settings "$work/bench.ini" \
  -o "$work/navigable.pdf" > "$work/nav.out" 2> "$work/nav.time"
tn=$(now)
"$bin/bench_pdf_baseline" "$work/baseline.pdf" "$work"/corpus/*.bas > /dev/null
t3=$(now)
layout=$(rate "$t0" "$t1"); pdf=$(rate "$t1" "$t2"); nav=$(rate "$t2" "$tn"); base=$(rate "$tn" "$t3")
echo "listora-print --count: $layout lines/s ($(cat "$work/count.out"), peak $(peak "$work/count.time"))"
echo "listora-print to PDF:  $pdf lines/s ($(cat "$work/pdf.out"), peak $(peak "$work/pdf.time"))"
echo "  with navigation:     $nav lines/s ($(cat "$work/nav.out"), peak $(peak "$work/nav.time"))"
awk -v p="$(cpu "$work/pdf.time")" -v n="$(cpu "$work/nav.time")" \
  'BEGIN { printf "navigation costs %.1f %% of the PDF CPU time (%s s -> %s s)\n", (n / p - 1) * 100, p, n }'
echo "QPdfWriter alone:      $base lines/s"
awk -v p="$pdf" -v b="$base" 'BEGIN { printf "PDF vs QPdfWriter alone: %.2f of its speed\n", p / b }'
if command -v a2ps > /dev/null && command -v ps2pdf > /dev/null; then
  t4=$(now)
  a2ps -q -2 -r --pretty-print=vba --prologue=matrix -o "$work/a2ps.ps" "$work"/corpus/*.bas 2> /dev/null || true
  ps2pdf "$work/a2ps.ps" "$work/a2ps.pdf"
  t5=$(now)
  peer=$(rate "$t4" "$t5")
  echo "a2ps + ps2pdf:         $peer lines/s"
  awk -v p="$pdf" -v q="$peer" 'BEGIN { printf "PDF vs a2ps + ps2pdf: %.2fx\n", p / q }'
else
  echo "a2ps + ps2pdf: not installed (apt-get install a2ps ghostscript)"
fi
