#!/usr/bin/env bash
# Builds and runs every test: the release build, the sanitizer build
# (AddressSanitizer + UndefinedBehaviorSanitizer) and a short pass of each
# fuzz target over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
scripts/build.sh build
(cd build && ctest --output-on-failure -j 2)
scripts/build.sh build-asan -DPIXMARSH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j 2)
if [ -f fuzz/CMakeLists.txt ]; then
  scripts/fuzz.sh 10
fi
echo "all tests passed"
