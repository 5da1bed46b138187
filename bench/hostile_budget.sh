#!/usr/bin/env bash
# Hostile inputs against the ordinary run: each case's wall time, CPU time
# (user + system, which a busy machine disturbs less than wall time) and
# peak memory beside those of listora-print --count on an ordinary project
# of 1,000,000 lines. Every input within the limits should be listed in
# time proportional to its size, and every input beyond them refused
# quickly with a message (exit 1), never hang or take all memory:
#   long lines (10 MB of string, word, comment or tabs, on standard input),
#   1,000,000 lines in one member, 100,000 procedures in one member,
#   4,000 members named in another case than their files, an archive
#   written over one of as many entries; a 400 MB member, a saved job whose
#   settings copy expands to 200 MB, 1,000,000 page-break commands, page
#   images at 600 dpi on 8 workers, 300,000 empty sections in the settings
#   file; a FIFO and a link to /dev/zero as the settings file.
# Each case runs under timeout, so a hang fails rather than hangs.
#
# usage: [LIMIT=10] bench/hostile_budget.sh [BUILD_DIR]
#   LIMIT=N: exit 1 when a case fails, times out, or takes more than N
#   times the ordinary run's CPU time or peak memory (but at least FLOOR_S
#   seconds, 2, and FLOOR_MB megabytes, 200, so that tiny runs do not fail
#   on noise). Without LIMIT the figures are only shown (timeouts at 10x).
#   LINE_MB (10) sets the size of the long lines.
set -uo pipefail
build=${1:-build}
bin=$(cd "$build/bin" && pwd) || exit 1
here=$(cd "$(dirname "$0")" && pwd)
limit=${LIMIT:-}
factor=${limit:-10}
floor_s=${FLOOR_S:-2}
floor_mb=${FLOOR_MB:-200}
line_mb=${LINE_MB:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
# Default settings unless a case brings its own.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME"
lp="$bin/listora-print"
crlf() { sed 's/$/\r/'; }

# measure NAME TIMEOUT STDIN COMMAND...: one run; leaves wall, cpu (seconds),
# mb (peak resident megabytes), rc and msg (the first line of its errors).
measure() {
  local name=$1 secs=$2 input=$3 w u s kb
  shift 3
  # A runaway case is stopped at the memory cap before it takes the
  # machine's (virtual memory: Qt reserves some beyond what it uses).
  (ulimit -v $(( cap_mb * 1024 ))
   exec /usr/bin/time -f '%e %U %S %M' -o "$work/time" timeout -k 5 "$secs" "$@" \
     < "$input" > "$work/$name.out" 2> "$work/$name.err")
  rc=$?
  read -r w u s kb < <(tail -n 1 "$work/time")
  wall=$w
  cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
  mb=$(( kb / 1024 ))
  # What it printed when it ran, why it stopped when it did not.
  if [ "$rc" = 0 ]; then
    msg=$(tail -n 1 "$work/$name.out" | cut -c1-60)
  else
    msg=$(grep -v -e '^QStandardPaths' "$work/$name.err" | sed 's/^listora-print: //' |
      head -n 1 | cut -c1-60)
  fi
}

cap_mb=${CAP_MB:-16384}
echo "load: $(uptime | sed 's/.*load average: //') on $(nproc) cores"
python3 "$here/make_corpus.py" "$work/ordinary" 1000000 1 > /dev/null
measure ordinary 600 /dev/null "$lp" "$work/ordinary/Bench.vbp" --count
[ "$rc" = 0 ] || { echo "the ordinary run failed ($rc): $msg"; exit 1; }
base_wall=$wall base_cpu=$cpu base_mb=$mb
# A hang is cut off at the budget's wall time (and a minute at the least,
# for a busy machine).
secs=$(awk -v w="$base_wall" -v f="$factor" 'BEGIN { t = w * f; printf "%d", t < 60 ? 60 : t + 1 }')
max_cpu=$(awk -v c="$base_cpu" -v f="$factor" -v m="$floor_s" 'BEGIN { t = c * f; printf "%.2f", t < m ? m : t }')
max_mb=$(awk -v c="$base_mb" -v f="$factor" -v m="$floor_mb" 'BEGIN { t = c * f; printf "%d", t < m ? m : t }')
# The cap: twice the budget, so that an overrun is measured, not cut short.
cap_mb=$(( max_mb * 2 ))
printf '%-18s %7s %7s %6s %7s %6s %3s  %s\n' case wall-s cpu-s MB x-cpu x-mem rc "verdict: message or output"
printf '%-18s %7s %7s %6s %7s %6s %3s  %s\n' ordinary "$wall" "$cpu" "$mb" 1 1 "$rc" "$msg"
echo "budget: CPU ${max_cpu} s, ${max_mb} MB, cut off after ${secs} s"

failed=0
# check NAME STDIN COMMAND...: runs a case and judges it. Exit 0 or 1 (a
# refusal with its message) both pass; a crash, a hang or a budget
# overrun fails.
check() {
  local name=$1 input=$2 verdict=ok
  shift 2
  measure "$name" "$secs" "$input" "$@"
  if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    verdict="TIMED OUT"
  elif [ "$rc" -gt 128 ]; then
    verdict="KILLED BY SIGNAL $(( rc - 128 ))"
  elif [ "$rc" != 0 ] && [ "$rc" != 1 ]; then
    verdict="FAILED"
  elif awk -v c="$cpu" -v m="$max_cpu" 'BEGIN { exit !(c > m) }'; then
    verdict="OVER TIME"
  elif [ "$mb" -gt "$max_mb" ]; then
    verdict="OVER MEMORY"
  fi
  [ "$verdict" = ok ] || failed=1
  printf '%-18s %7s %7s %6s %7s %6s %3s  %s: %s\n' "$name" "$wall" "$cpu" "$mb" \
    "$(awk -v a="$cpu" -v b="$base_cpu" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" \
    "$(awk -v a="$mb" -v b="$base_mb" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" \
    "$rc" "$verdict" "$msg"
}

# One long line of each kind, on standard input (its limit is 64 MB).
python3 - "$work" "$line_mb" <<'EOF'
import sys
work, n = sys.argv[1], int(sys.argv[2]) * 1000000
kinds = {"string": 'x = "' + "a" * n + '"', "word": "x = " + "a" * n,
         "comment": "' " + "word " * (n // 5), "tabs": "\t" * n + "x = 1"}
for kind, line in kinds.items():
    with open(f"{work}/line-{kind}.bas", "w") as f:
        f.write(line + "\n")
EOF
for kind in string word comment tabs; do
  check "line-$kind" "$work/line-$kind.bas" "$lp" - --count
  rm -f "$work/line-$kind.bas"
done

# project DIR MEMBER...: a project file naming the members as modules.
project() {
  local dir=$1 m
  shift
  { echo "Type=Exe"
    for m in "$@"; do echo "Module=${m%.*}; $m"; done
    echo 'Name="Hostile"'
    echo "MaxNumberOfThreads=1"; } | crlf > "$dir/P.vbp"
}

mkdir -p "$work/one"
cat "$work"/ordinary/Module*.bas > "$work/one/One.bas"
rm -rf "$work/ordinary"
project "$work/one" One.bas
check member-1m-lines /dev/null "$lp" "$work/one/P.vbp" --count
rm -rf "$work/one"

mkdir -p "$work/procs"
{ echo 'Attribute VB_Name = "Procs"'
  seq 100000 | awk '{ printf "Sub S%d()\n    x = %d\nEnd Sub\n", $1, $1 }'; } | crlf \
  > "$work/procs/Procs.bas"
project "$work/procs" Procs.bas
check procs-100k /dev/null "$lp" "$work/procs/P.vbp" --count

mkdir -p "$work/case"
for i in $(seq 4000); do printf 'Attribute VB_Name = "M%d"\r\nSub S%d()\r\nEnd Sub\r\n' "$i" "$i" > "$work/case/M$i.bas"; done
(cd "$work/case" && project . $(seq -f 'm%g.BAS' 4000))
check members-case-4k /dev/null "$lp" "$work/case/P.vbp" --count

mkdir -p "$work/arc/a" "$work/arc/b"
python3 -c "
import sys
for i in range(40000):
    open(f'{sys.argv[1]}/a/f{i}.txt', 'w').write('a')
    open(f'{sys.argv[1]}/b/g{i}.txt', 'w').write('b')
" "$work/arc"
(cd "$work/arc" && "$bin/listora-archive" create old.dat --method none a/* > /dev/null)
check archive-over-40k /dev/null bash -c 'cd "$1" && exec "$2" create old.dat --method none b/*' \
  _ "$work/arc" "$bin/listora-archive"
rm -rf "$work/arc"

# Beyond the limits.
mkdir -p "$work/big"
python3 -c "
import sys
block = ('x = x + 1\r\n' * 100000).encode()
with open(sys.argv[1], 'wb') as f:
    f.write(b'Attribute VB_Name = \"Big\"\r\n')
    for _ in range(400 * 1000000 // len(block)):
        f.write(block)
" "$work/big/Big.bas"
project "$work/big" Big.bas
check member-400mb /dev/null "$lp" "$work/big/P.vbp" --count
rm -rf "$work/big"

mkdir -p "$work/job" "$work/jobparts"
printf 'Attribute VB_Name = "Ten"\r\nSub Main()\r\n    x = 1\r\nEnd Sub\r\n' > "$work/job/Ten.bas"
project "$work/job" Ten.bas
python3 -c "
import sys
path = sys.argv[2].encode()
open(sys.argv[1] + '/projectinfo', 'wb').write(bytes([len(path)]) + path + bytes(255 - len(path)))
open(sys.argv[1] + '/projectprint', 'wb').write(b'')
with open(sys.argv[1] + '/projectparams', 'wb') as f:
    for _ in range(200):
        f.write(b' ' * 1000000)
" "$work/jobparts" "$work/job/P.vbp"
(cd "$work/jobparts" && "$bin/listora-archive" create "$work/job/Big.lrp" --method rle \
  projectinfo projectprint projectparams > /dev/null)
rm -rf "$work/jobparts"
check lrp-settings-200mb /dev/null "$lp" "$work/job/Big.lrp" --count

yes "'///PAGE" | head -n 1000000 > "$work/pages.bas"
check pages-1m "$work/pages.bas" "$lp" - --count
rm -f "$work/pages.bas"

# Eight pages, one for each worker.
for i in $(seq 8); do printf 'x = %d\n'"'"'///PAGE\n' "$i"; done > "$work/eight.bas"
check png-600dpi-8jobs "$work/eight.bas" "$lp" - --png "$work/png" --dpi 600 --jobs 8
rm -rf "$work/png"

# settings DIR: a config folder of its own for one case.
settings() { mkdir -p "$work/$1/Listora"; echo "$work/$1/Listora/Listora.INI"; }
seq 300000 | awk '{ printf "[s%d]\r\n", $1 }' > "$(settings sections)"
XDG_CONFIG_HOME="$work/sections" check ini-300k-sections /dev/null "$lp" "$work/job/P.vbp" --count
mkfifo "$(settings fifo)"
XDG_CONFIG_HOME="$work/fifo" check ini-fifo /dev/null "$lp" "$work/job/P.vbp" --count
ln -s /dev/zero "$(settings zero)"
XDG_CONFIG_HOME="$work/zero" check ini-dev-zero /dev/null "$lp" "$work/job/P.vbp" --count

if [ -n "$limit" ] && [ "$failed" != 0 ]; then
  echo "over the budget of ${limit}x the ordinary run"
  exit 1
fi
exit 0
