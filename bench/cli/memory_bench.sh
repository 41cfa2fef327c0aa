#!/usr/bin/env bash
# Peak resident memory of `cinderpath render` for a 10-minute and a 60-minute
# stereo 48 kHz input: files are streamed in blocks, so the two should differ
# by far less than 10 MB. The audio goes to /dev/null (nothing to store) at
# oversampling factor 1, to keep the hour short.
# Usage: bench/cli/memory_bench.sh [path/to/cinderpath]   (release build by default)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"

printf '%-10s %14s %12s\n' "input" "peak RSS (kB)" "seconds"
declare -A rss
for minutes in 10 60; do
  python3 "$here/make_input.py" "$work/in.wav" $((minutes * 60))
  read -r seconds rss[$minutes] < <(python3 "$here/measure.py" "$program" render "$work/in.wav" -o /dev/null \
    --quiet --set OS=1)
  printf '%-10s %14s %12s\n' "$minutes min" "${rss[$minutes]}" "$seconds"
  rm -f "$work/in.wav"
done
diff_kb=$(( rss[60] - rss[10] ))
echo "difference: $diff_kb kB (goal: under 10240 kB)"
[ "${diff_kb#-}" -lt 10240 ]
