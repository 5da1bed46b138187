#!/usr/bin/env bash
# A change listing against the full listing of the same project: a copy of
# ComCtlsDemo (the corpus's largest) committed to a fresh repository, one
# line edited in 20 procedures, then the PDF of every section and the PDF
# of what changed since HEAD. The change listing must take less time.
#
# The machine may be shared: each step runs RUNS times (3) and its fastest
# run counts.
#
# usage: bench/change_listing_speed.sh [BUILD_DIR] [CORPUS_DIR]
set -euo pipefail
build=${1:-build}
corpus=${2:-../shared/corpus}
runs=${RUNS:-3}
bin="$build/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$corpus/vbccr" "$work/vbccr"
cd "$work/vbccr"
git init -q && git add -A && git -c user.name=bench -c user.email=bench@example.org commit -qm base
project="$work/vbccr/Standard EXE Version/ComCtlsDemo.vbp"
# One comment appended to the first line after the declaration of every
# procedure until 20 are edited, a few hundred lines apart.
python3 - <<'EOF'
import glob, re
edited = 0
for name in sorted(glob.glob('Standard EXE Version/**/*.*', recursive=True)):
    if not name.lower().endswith(('.bas', '.cls', '.ctl', '.frm')) or edited >= 20:
        continue
    lines = open(name, 'rb').read().split(b'\r\n')
    i = 0
    while i < len(lines) - 1 and edited < 20:
        if re.match(rb'^(Public |Private |Friend )?(Sub|Function) ', lines[i]) \
                and not lines[i].endswith(b'_') and not lines[i + 1].endswith(b'_'):
            lines[i + 1] += b" ' edited"
            edited += 1
            i += 200
        i += 1
    open(name, 'wb').write(b'\r\n'.join(lines))
print(f"{edited} procedures edited")
EOF
cd - > /dev/null
export XDG_CONFIG_HOME="$work/config"

fastest() {
  local best=""
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    best=$(echo "$end - $start" | bc | awk -v b="$best" '{ print (b == "" || $1 < b) ? $1 : b }')
  done
  echo "$best"
}

full=$(fastest "$bin/listora-print" "$project" -o "$work/full.pdf")
changes=$(fastest "$bin/listora-print" "$project" --changed-since HEAD -o "$work/changes.pdf")
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "full listing:   $full s ($("$bin/listora-print" "$project" --count))"
echo "change listing: $changes s ($("$bin/listora-print" "$project" --changed-since HEAD --count))"
awk -v f="$full" -v c="$changes" 'BEGIN { exit !(c < f) }' && echo "the change listing is faster" ||
  { echo "the change listing is NOT faster"; exit 1; }
