#!/usr/bin/env bash
# Configures and builds one preset: release (default), asan or tsan (the
# tsan build preset builds only the editor, plug-in base and bindings stress
# tests).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
