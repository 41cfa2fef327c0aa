#!/usr/bin/env bash
# Sets up the machine, builds the release configuration and runs the main job:
# `cinderpath render` on the built-in demo (written to ./cinderpath-demo.wav),
# or the cinderpath command given by the arguments, e.g.
#   bash scripts/run.sh render take.wav --set Drive=8 --set "HP On=on"
# Paths in the arguments are taken from the folder the script is started in.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
(cd "$root" && bash scripts/setup.sh && bash scripts/build.sh release)
bin="$root/build/release/host/cinderpath"
if [ $# -eq 0 ]; then exec "$bin" render; else exec "$bin" "$@"; fi
