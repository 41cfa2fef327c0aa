#!/usr/bin/env bash
# Sets up the machine, builds the release configuration and runs the main job.
# Arguments are passed to the main program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release
bin=build/release/host/cinderpath
if [ -x "$bin" ]; then
  if [ $# -eq 0 ]; then exec "$bin" render; else exec "$bin" "$@"; fi
fi
echo "The render command is not built yet. Built so far:"
find build/release -maxdepth 3 -type f \( -name '*.a' -o -name '*.so' -o -perm -u+x -name '*_tests' \) | sort
