#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for SECONDS (default 60)
# each, starting from its committed corpus and reproducers. Prints one line
# per target: executions, edge coverage, features, and findings (crash, leak,
# timeout and out-of-memory reproducers, kept in build/fuzz/findings/<target>).
# What a run learns goes to build/fuzz/work/<target>, never to the committed
# corpus. Exits non-zero when any target found something.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzz_dir=build/fuzz/tests/fuzz
found_any=0
printf '%-16s %14s %10s %10s %9s\n' target executions coverage features findings
for exe in "$fuzz_dir"/fuzz_*; do
  [ -x "$exe" ] || continue
  target="${exe##*/fuzz_}"
  work="$fuzz_dir/work/$target"
  findings="build/fuzz/findings/$target"
  log="build/fuzz/findings/$target.log"
  mkdir -p "$work" "$findings"
  inputs=("tests/fuzz/corpus/$target")
  [ -d "tests/fuzz/regressions/$target" ] && inputs+=("tests/fuzz/regressions/$target")
  set +e
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "${inputs[@]}" >"$log" 2>&1
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  cov=$(grep -o ' cov: [0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  ft=$(grep -o ' ft: [0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  n=$(find "$findings" -type f | wc -l)
  [ "$n" -gt 0 ] && found_any=1
  printf '%-16s %14s %10s %10s %9s\n' "$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$n"
done
exit $found_any
