#!/usr/bin/env bash
# Times `cinderpath render` on a 60-second stereo 48 kHz file at oversampling
# factors 1, 4 and 16 and prints the realtime factor of each (audio seconds
# divided by wall-clock seconds of the whole command, start-up included).
# Usage: bench/cli/render_bench.sh [path/to/cinderpath]   (release build by default)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
program="${1:-$root/build/release/host/cinderpath}"
[ -x "$program" ] || { echo "render_bench: $program is not built (cmake --build --preset release)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
input="$work/bench-60s.wav"

# 60 s of stereo 16-bit PCM: a chord of detuned saw-ish partials with a slow
# tremolo, so every filter and the shaper see a busy signal.
python3 - "$input" <<'PY'
import math, struct, sys, wave
rate, seconds = 48000, 60
freqs = [110.0, 164.8, 220.0, 277.2, 329.6]
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
    chunk = bytearray()
    for n in range(rate * seconds):
        t = n / rate
        env = 0.6 + 0.4 * math.sin(2 * math.pi * 0.5 * t)
        l = sum(math.sin(2 * math.pi * f * t) + 0.3 * math.sin(4 * math.pi * f * t) for f in freqs)
        r = sum(math.sin(2 * math.pi * f * 1.003 * t) for f in freqs)
        chunk += struct.pack("<hh", int(3000 * env * l), int(3000 * env * r))
        if len(chunk) > 1 << 20:
            w.writeframes(chunk); chunk = bytearray()
    w.writeframes(chunk)
PY

printf '%-6s %12s %16s\n' "OS" "seconds" "realtime factor"
for os in 1 4 16; do
  start=$(date +%s.%N)
  "$program" render "$input" -o "$work/out-$os.wav" --quiet --set "OS=$os" --set "LP On=on" --set "HP On=on" \
    --set "Peak On=on" --set "Shelf On=on" --block 512
  end=$(date +%s.%N)
  python3 -c "import sys; s=float(sys.argv[2])-float(sys.argv[1]); print('%-6s %12.3f %15.1fx' % (sys.argv[3], s, 60.0/s))" "$start" "$end" "$os"
done
