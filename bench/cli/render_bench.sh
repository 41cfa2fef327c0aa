#!/usr/bin/env bash
# Times `cinderpath render` on a 60-second stereo 48 kHz file at oversampling
# factors 1, 2, 4, 8 and 16 and prints the realtime factor of each (audio seconds
# divided by wall-clock seconds of the whole command, start-up included; best
# of three runs). The settings are those of effect_bench's BM_EffectSignal
# (every input filter on, Drive 10 dB, Peak Gain 5 dB, Shelf Gain -3 dB, Cutoff
# 9 kHz, blocks of 512 frames); when effect_bench is built beside the program,
# its factor-16 figure (best of five) is measured in the same run and the
# ratio render / effect printed: the whole command's overhead over the effect
# alone (reading, writing, start-up, the host binding).
# Usage: bench/cli/render_bench.sh [path/to/cinderpath]   (release build by default)
set -euo pipefail
source "$(dirname "$0")/common.sh" "$@"

input="$work/bench-60s.wav"
python3 "$here/make_input.py" "$input" 60

printf '%-6s %12s %16s\n' "OS" "seconds" "realtime factor"
best16=""
for os in 1 2 4 8 16; do
  best=""
  for run in 1 2 3; do
    read -r seconds _ < <(python3 "$here/measure.py" "$program" render "$input" -o "$work/out-$os-$run.wav" --quiet \
      --set "OS=$os" --set "LP On=on" --set "HP On=on" --set "Peak On=on" --set "Shelf On=on" --set "Drive=10" \
      --set "Peak Gain=5" --set "Shelf Gain=-3" --set "Cutoff=9" --block 512)
    rm -f "$work/out-$os-$run.wav"
    best=$(python3 -c "import sys; print(min(float(a) for a in sys.argv[1:]))" "$seconds" ${best:+"$best"})
  done
  python3 -c "import sys; s=float(sys.argv[1]); print('%-6s %12.3f %15.1fx' % (sys.argv[2], s, 60.0/s))" "$best" "$os"
  [ "$os" = 16 ] && best16="$best"
done

effect_bench="$(dirname "$program")/../bench/effect/effect_bench"
if [ -x "$effect_bench" ]; then
  effect=$("$effect_bench" --benchmark_filter='BM_EffectSignal/16$' --benchmark_repetitions=5 \
    --benchmark_min_time=0.2 2>/dev/null | python3 -c "
import re, sys
text = re.sub(r'\x1b\[[0-9;]*m', '', sys.stdin.read())
print(max(float(x) for x in re.findall(r'^BM_EffectSignal/16 .* ([0-9.]+)/s', text, re.M)))")
  python3 -c "import sys; r=60.0/float(sys.argv[1]); e=float(sys.argv[2]); \
print('factor 16: render %.1fx, effect_bench %.1fx, ratio %.3f (goal: at least 0.9)' % (r, e, r/e))" "$best16" "$effect"
fi
