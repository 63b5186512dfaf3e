#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [normal|asan|tsan|fuzz|core|windows]   (default: normal)
# Build trees: build/ (normal), build-asan/, build-tsan/, build-fuzz/, build-core/ (the
# core alone, without Qt, as on a machine that has none), build-windows/ (the Windows
# executables, cross-built with mingw-w64; their tests run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-normal}
jobs=$(nproc)
case "$flavour" in
  normal) dir=build;      args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)   dir=build-asan; args=(-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=address) ;;
  tsan)   dir=build-tsan; args=(-DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=thread) ;;
  fuzz)   dir=build-fuzz; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON
                                -DKESTRUNE_SANITIZE=address
                                -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang) ;;
  core)   dir=build-core; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_QT=OFF) ;;
  windows) dir=build-windows; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_QT=OFF
                                   -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake") ;;
  *) echo "build.sh: unknown flavour '$flavour' (normal, asan, tsan, fuzz, core, windows)" >&2; exit 2 ;;
esac

# A compiler cache, where one is installed, shares objects between build trees and
# worktrees (paths under the tree's parent count as relative).
if command -v ccache >/dev/null; then
  launcher="env;CCACHE_BASEDIR=$(cd .. && pwd);ccache"
  args+=("-DCMAKE_CXX_COMPILER_LAUNCHER=$launcher" "-DCMAKE_C_COMPILER_LAUNCHER=$launcher")
fi
cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
if [ "$flavour" = tsan ]; then
  # Only the threaded code's tests run under ThreadSanitizer.
  cmake --build "$dir" -j "$jobs" --target kestrune_thread_tests
elif [ "$flavour" = fuzz ]; then
  # The libraries carry libFuzzer's coverage hooks here: only the fuzzers link.
  cmake --build "$dir" -j "$jobs" --target kestrune_fuzzers
else
  cmake --build "$dir" -j "$jobs"
fi
