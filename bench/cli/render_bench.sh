#!/usr/bin/env bash
# Times `cinderpath render` on a 60-second stereo 48 kHz file at oversampling
# factors 1, 2, 4, 8 and 16 and prints the realtime factor of each (audio seconds
# divided by wall-clock seconds of the whole command, start-up included).
# Usage: bench/cli/render_bench.sh [path/to/cinderpath]   (release build by default)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"

input="$work/bench-60s.wav"
python3 "$here/make_input.py" "$input" 60

printf '%-6s %12s %16s\n' "OS" "seconds" "realtime factor"
for os in 1 2 4 8 16; do
  read -r seconds _ < <(python3 "$here/measure.py" "$program" render "$input" -o "$work/out-$os.wav" --quiet \
    --set "OS=$os" --set "LP On=on" --set "HP On=on" --set "Peak On=on" --set "Shelf On=on" --block 512)
  python3 -c "import sys; s=float(sys.argv[1]); print('%-6s %12.3f %15.1fx' % (sys.argv[2], s, 60.0/s))" "$seconds" "$os"
done
