#!/usr/bin/env bash
# Installs every build and test dependency on Debian 12 (run as root). When
# every package is already installed it changes nothing and needs no network:
# the package lists are updated only when something is missing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
# fonts-dejavu-core supplies the editor's font, copied into the bundles at
# build time.
packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libsndfile1-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libx11-dev libxext-dev libxfixes-dev
  libxtst-dev xvfb xauth zenity xdg-utils xdotool x11-utils parallel
  lv2-dev liblilv-dev lilv-utils sordi libsuil-dev lintian
  clang libclang-rt-14-dev
  python3-numpy python3-matplotlib libxml2-utils
)
source "$(dirname "$0")/packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "setup: installing ${missing[*]}" >&2
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
