#!/usr/bin/env bash
# The main job on the bundled samples: copies samples/ to a scratch folder,
# points the bundled profile at it and runs one scan-and-run, which prints
# where each output went.
set -euo pipefail
cd "$(dirname "$0")/.."
work=${1:-/tmp/pixmarsh-demo}
rm -rf "$work" && mkdir -p "$work/in"
cp samples/images/* "$work/in/"
sed "s|@IN@|$work/in/|g" samples/demo.ini > "$work/demo.ini"
build/pixmarsh-cli run --profile "$work/demo.ini"
# One output per caption placement, from the caption profile.
for align in topleft topcenter topright bottomleft bottomcenter bottomright; do
  sed -e "s|@IN@|$work/in/|g" -e "s|@ALIGN@|$align|g" samples/captions.ini > "$work/captions-$align.ini"
  build/pixmarsh-cli run --profile "$work/captions-$align.ini"
done
echo "outputs are in $work/in/done/"
