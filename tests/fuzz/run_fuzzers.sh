#!/usr/bin/env bash
# Runs every fuzzer of a fuzz build for SECONDS each on a copy of its seed
# corpus (tests/fuzz/seeds/<fuzzer>/, empty when there is none). Any crash,
# sanitizer report, leak or timeout fails the run; the input that did it is
# left in ARTIFACTS and printed in base64, so that a CI log is enough to
# reproduce it. The mutations follow FUZZ_SEED (1 unless set): a run can be
# repeated; long runs with other seeds are where new faults are looked for.
#   tests/fuzz/run_fuzzers.sh BUILD_DIR [SECONDS] [ARTIFACTS]
set -euo pipefail
build=${1:?usage: run_fuzzers.sh BUILD_DIR [SECONDS] [ARTIFACTS]}
seconds=${2:-60}
here="$(cd "$(dirname "$0")" && pwd)"
artifacts=${3:-$build/fuzz-artifacts}
mkdir -p "$artifacts"
artifacts="$(cd "$artifacts" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=()
for fuzzer in "$build"/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "$here/seeds/$name" ]; then cp "$here/seeds/$name"/* "$corpus"/; fi
  echo "== $name: ${seconds}s"
  if ! QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$here/lsan.supp" "$fuzzer" -seed="${FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=30 \
      -rss_limit_mb=2560 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$artifacts/$name-" "$corpus" > "$work/$name.log" 2>&1; then
    tail -n 60 "$work/$name.log"
    for input in "$artifacts/$name"-*; do
      [ -f "$input" ] || continue
      echo "-- $(basename "$input"), base64:"
      head -c 65536 "$input" | base64
    done
    failed+=("$name")
  else
    grep -E "^stat::number_of_executed_units|^Done" "$work/$name.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzers failed: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "all fuzzers ran clean"
