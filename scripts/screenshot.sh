#!/usr/bin/env bash
# Starts the desktop application under Xvfb and writes PNG pictures of its
# window (pixmarsh-window.png) and of its About box (pixmarsh-about.png) into
# the folder given (default docs/). Build first: scripts/build.sh build
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
out=$(cd "$out" && pwd)
app=$(pwd)/build/src/app/pixmarsh
[ -x "$app" ] || { echo "no $app: build with the app on first (scripts/build.sh build)" >&2; exit 1; }
# FORM.INI is written to the working folder: keep it out of the tree.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && XDG_RUNTIME_DIR="$work" timeout 60 \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$app" --screenshot "$out")
ls -l "$out/pixmarsh-window.png" "$out/pixmarsh-about.png"
