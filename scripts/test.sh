#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, the ThreadSanitizer build of
# the threaded code, the core built and tested without Qt, a short run of every fuzz
# target (scripts/fuzz.sh), and the Windows build's tests under Wine. Tests that build network namespaces need root; without it they
# say so and skip.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

run_suite() {
  local flavour=$1 dir=$2
  echo "=== $flavour build"
  bash scripts/build.sh "$flavour"
  echo "=== $flavour tests"
  ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$(nproc)"
}

start=$SECONDS
run_suite normal build
run_suite asan build-asan
run_suite tsan build-tsan
run_suite core build-core
echo "=== fuzz targets"
bash scripts/fuzz.sh 20
# After the core suite: the Windows site tests use the hubsim it built.
echo "=== windows build"
bash scripts/build.sh windows
echo "=== windows tests (Wine)"
bash scripts/wine-tests.sh --timeout 300 -j "$(nproc)"
echo "=== all tests passed in $((SECONDS - start)) s"
