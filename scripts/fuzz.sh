#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a short time, starting from its committed corpus.
#   scripts/fuzz.sh [SECONDS]   (default: 20 s a target)
# A crash, a sanitizer's report, a leak or a time-out is a finding: the input is kept in
# build-fuzz/findings/ and the run fails. The committed corpora are only read; what the
# runs find that is new goes to build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
bash scripts/build.sh fuzz

out=build-fuzz/findings
mkdir -p "$out"
# The field fuzzer makes Qt widgets: no display is needed for them.
export QT_QPA_PLATFORM=offscreen
status=0
for corpus in tests/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  fuzzer=build-fuzz/tests/fuzz/${name}_fuzzer
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  echo "--- $name: ${seconds} s"
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/$name-" "$work" "$corpus" \
      >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz: $name found a fault; the input is in $out/, the report:" >&2
    tail -n 40 "build-fuzz/$name.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "build-fuzz/$name.log" || true
  fi
done
exit "$status"
