#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz/ and
# runs each for the given number of seconds (default 10) over its seed corpus
# fuzz/corpus/<format>/. New inputs go to a scratch copy, not into the tree.
# A target name may follow the seconds to run only that one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
only=${2:-}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXMARSH_FUZZ=ON -DPIXMARSH_TESTS=OFF -DPIXMARSH_APP=OFF > /dev/null
cmake --build build-fuzz -j "$(nproc)"
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  format=${name#fuzz_}
  [ -n "$only" ] && [ "$only" != "$format" ] && continue
  work=$(mktemp -d)
  mkdir -p "$work/corpus"
  cp -r "fuzz/corpus/$format/." "$work/corpus/" 2>/dev/null || true
  echo "fuzzing $format for ${seconds}s"
  # Slow units on a loaded machine are not findings: the timeout is generous.
  # Crash reproducers go to the scratch folder's artifacts/, copied out on failure.
  mkdir -p "$work/artifacts"
  "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -malloc_limit_mb=3072 -timeout=120 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" 2>&1 | grep -E 'stat::number_of_executed_units|cov:|ERROR|SUMMARY' | tail -4
  status=${PIPESTATUS[0]}
  if [ "$status" -ne 0 ]; then
    mkdir -p fuzz-findings && cp -r "$work/artifacts/." fuzz-findings/ 2>/dev/null || true
    rm -rf "$work"
    echo "fuzz target $name failed; reproducers in fuzz-findings/"
    exit 1
  fi
  rm -rf "$work"
done
