#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and benchmarks with.
# Run as root on Debian 12. Safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # codecs and text
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libopenjp2-7-dev libtiff-dev libgif-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  # desktop application
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-qpa-plugins
  # tests
  googletest libgtest-dev
  # independent decoders and encoders used by tests, fixtures and benchmarks
  imagemagick libtiff-tools libjpeg-turbo-progs libopenjp2-tools giflib-tools
  python3 python3-pil python3-numpy pngcheck
  # screenshots of the window
  xvfb xauth x11-apps
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
