#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test in the release and the
# sanitizer configuration. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The audio hosts for the LV2 host test, installed once and outside the
# tests' time limits; that test skips what could not be installed.
bash scripts/setup-hosts.sh
export CINDERPATH_HOSTS_INSTALLED=1
for preset in release asan; do
  bash scripts/build.sh "$preset"
  ctest --preset "$preset"
done
# The editor, the plug-in base and the bindings stress test (the effect's
# bundle driven by render, host, reader and editor threads at once) under
# ThreadSanitizer: only these three test executables and what they need are
# built in this configuration.
bash scripts/build.sh tsan
ctest --preset tsan
# Every fuzz target for a few seconds from its committed corpus (clang,
# libFuzzer, ASan, UBSan); bench/fuzz/run.sh runs them for longer.
bash scripts/build.sh fuzz
ctest --preset fuzz
