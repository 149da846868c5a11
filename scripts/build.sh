#!/usr/bin/env bash
# Configures and builds the release tree in build/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
cmake --build "$dir" -j "$(nproc)"
