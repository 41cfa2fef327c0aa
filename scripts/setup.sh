#!/usr/bin/env bash
# Installs every build and test dependency on Debian 12 (run as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config python3 \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libpng-dev zlib1g-dev libsndfile1-dev \
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libx11-dev libxext-dev libxfixes-dev \
  libxtst-dev xvfb xauth zenity xdg-utils \
  lv2-dev liblilv-dev lilv-utils sordi
