#!/usr/bin/env bash
# Wall-clock time of `cinderpath render` on 8 one-minute stereo 48 kHz files
# with -j 1 and with -j 2, and the ratio (how much faster two jobs are). On a
# 2-core machine the ideal is 2.0.
# Usage: bench/cli/jobs_bench.sh [path/to/cinderpath]   (release build by default)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"

mkdir "$work/out"
python3 "$here/make_input.py" "$work/in-1.wav" 60
for i in 2 3 4 5 6 7 8; do cp "$work/in-1.wav" "$work/in-$i.wav"; done

declare -A seconds
for jobs in 1 2; do
  rm -f "$work/out/"*
  read -r seconds[$jobs] _ < <(python3 "$here/measure.py" "$program" render "$work"/in-*.wav -o "$work/out/" \
    -j "$jobs" --quiet --set OS=4)
  printf -- '-j %s: %8s s for 8 minutes of audio\n' "$jobs" "${seconds[$jobs]}"
done
python3 -c "import sys; print('ratio (-j 1 time / -j 2 time): %.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" \
  "${seconds[1]}" "${seconds[2]}"
