#!/usr/bin/env bash
# Runs real LV2 hosts against the built Cinderpath.lv2 bundle:
#   1. lv2_validate     the bundle's Turtle against the LV2 vocabularies
#   2. lv2apply         a stereo file through the stereo URI and a mono file
#                       through the mono URI, compared with `cinderpath render`
#                       of the same file and settings (the command-line host
#                       compensates the 4-sample latency, lv2apply does not)
#   3. jalv             under `jackd -d dummy`: instantiates the plug-in,
#                       passes a metronome through it into a recording and
#                       loads one of the bundle's named presets
#   4. ardour7-lua      loads the plug-in on a track, sets a parameter, saves,
#                       reloads the session and reads the value back
#   5. jalv.gtk3        under Xvfb and `jackd -d dummy`, with the plug-in's own
#                       UI: the editor on screen equals the plug-in's off-screen
#                       drawing at jalv's settings (lv2_ui_probe), an xdotool
#                       click on Bypass reaches the processing instance (its
#                       clip output, printed by jalv, goes out) and the editor
#                       shows it
#   6. carla-single     instantiates the UI, where it is installed
# A host whose package is missing is installed with apt-get when running as
# root (the test command installs them all beforehand with
# scripts/setup-hosts.sh, and sets CINDERPATH_HOSTS_INSTALLED so that this
# script does not try again); when that fails, its check is skipped with a
# message. Exit status: 0 when nothing failed and something ran, 77 when
# everything was skipped, 1 on any failure.
#
# Usage: hosts_test.sh --bundle DIR --wavdiff EXE [--cli EXE] [--probe EXE] [--sanitized 0|1]

set -u

bundle="" wavdiff="" cli="" probe="" sanitized=0
while [ $# -gt 0 ]; do
  case "$1" in
    --bundle) bundle="$2"; shift 2 ;;
    --wavdiff) wavdiff="$2"; shift 2 ;;
    --cli) cli="$2"; shift 2 ;;
    --probe) probe="$2"; shift 2 ;;
    --sanitized) sanitized="$2"; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$bundle" ] || [ -z "$wavdiff" ]; then
  echo "usage: $0 --bundle DIR --wavdiff EXE [--cli EXE] [--sanitized 0|1]" >&2
  exit 2
fi
if [ "$sanitized" = "1" ]; then
  echo "SKIP all: this build instruments the bundle with the address sanitizer, which" \
       "uninstrumented hosts cannot load; the release build runs these checks"
  exit 77
fi
if [ ! -f "$bundle/manifest.ttl" ]; then
  echo "FAIL: no bundle at $bundle (build the cinderpath_lv2_bundle target)"
  exit 1
fi

here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
stereo_uri="https://cinderpath.example/lv2/cinderpath"
mono_uri="https://cinderpath.example/lv2/cinderpath-mono"

work="$(mktemp -d)"
started_pids=()
# Stops the processes this script started, the last started first, each
# asked and then killed when it is still there five seconds later (a host
# stuck on its audio server must not hold the test until its time-out).
# The order matters to JACK: a server stopped while its clients are still
# leaving keeps its entry in the machine-wide server registry, and after a
# few such entries no server starts at all.
stop_started() {
  local i k pid
  for (( i = ${#started_pids[@]} - 1; i >= 0; i-- )); do
    pid=${started_pids[$i]}
    kill "$pid" 2>/dev/null || continue
    for k in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  started_pids=()
}
cleanup() {
  exec 3>&-
  stop_started
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0 skipped=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
skip() { echo "SKIP: $*"; skipped=$((skipped + 1)); }
# Each check announces itself with the seconds since the start, so that a
# check that stalls can be told from the output.
started_at=$(date +%s)
step() { echo "-- $* (at $(( $(date +%s) - started_at )) s)"; }

# have_or_install COMMAND PACKAGE...: true when COMMAND is there, installing
# the packages first when it is not and this runs as root.
have_or_install() {
  local cmd="$1"; shift
  command -v "$cmd" >/dev/null 2>&1 && return 0
  if [ -n "${CINDERPATH_HOSTS_INSTALLED:-}" ]; then
    echo "note: $cmd is missing; scripts/setup-hosts.sh could not install it"
    return 1
  fi
  if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null 2>&1; then
    echo "note: $cmd is missing and packages can only be installed as root"
    return 1
  fi
  echo "note: installing $* for $cmd"
  DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y --no-install-recommends \
    -o DPkg::Lock::Timeout=60 "$@" \
    >"$work/apt-$cmd.log" 2>&1 || tail -3 "$work/apt-$cmd.log"
  command -v "$cmd" >/dev/null 2>&1
}

# The bundle is installed the way a user installs it, into a folder of its own.
if ! cmake -DBUNDLE="$bundle" -DDEST="$work/lv2" -P "$source_dir/Cinderpath/lv2_install.cmake" >/dev/null; then
  fail "installing the bundle into $work/lv2"
  exit 1
fi
export LV2_PATH="$work/lv2:/usr/lib/lv2"

# ---- 1. lv2_validate ----
step "lv2_validate"
if have_or_install lv2_validate lv2-dev && have_or_install sord_validate sordi; then
  if lv2_validate "$work/lv2/Cinderpath.lv2/"*.ttl >"$work/validate.log" 2>&1 &&
     ! grep -q '^error' "$work/validate.log"; then
    pass "lv2_validate: $(tail -1 "$work/validate.log")"
  else
    fail "lv2_validate reported errors:"; grep -v '^Skipping' "$work/validate.log" | head -20
  fi
else
  skip "lv2_validate: packages lv2-dev and sordi could not be installed"
fi

# ---- 2. lv2apply against cinderpath render ----
step "lv2apply against cinderpath render"
# Two seconds of a rising two-tone signal with a little noise, 32-bit float.
make_input() {
  python3 - "$1" "$2" <<'EOF'
import math, random, struct, sys
path, channels, rate = sys.argv[1], int(sys.argv[2]), 48000
random.seed(7)
data = bytearray()
for i in range(2 * rate):
    t = i / rate
    for c in range(channels):
        f = 110.0 * (1 + c) * (1 + 4 * t)
        data += struct.pack('<f', 0.7 * math.sin(2 * math.pi * f * t) + 0.05 * (random.random() - 0.5))
fmt = struct.pack('<HHIIHH', 3, channels, rate, rate * 4 * channels, 4 * channels, 32)
body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data
open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
EOF
}

if have_or_install lv2apply lilv-utils; then
  make_input "$work/stereo.wav" 2 && make_input "$work/mono.wav" 1
  for variant in stereo mono; do
    uri="$stereo_uri"; [ "$variant" = mono ] && uri="$mono_uri"
    # The same settings by port symbol (LV2) and by parameter name (command line).
    if ! lv2apply -i "$work/$variant.wav" -o "$work/$variant-lv2.wav" \
         -c drive 9 -c bias 2.5 -c os 2 -c hp_on 1 -c hp_freq 120 -c volume -3 "$uri" \
         >"$work/lv2apply-$variant.log" 2>&1; then
      fail "lv2apply $variant ($uri):"; tail -5 "$work/lv2apply-$variant.log"
      continue
    fi
    if [ -n "$cli" ] && [ -x "$cli" ]; then
      if ! "$cli" render "$work/$variant.wav" -o "$work/$variant-cli.wav" --quiet \
           --set Drive=9 --set Bias=2.5 --set OS=2 --set "HP On=on" --set "HP Freq=120" --set Volume=-3 \
           >"$work/cli-$variant.log" 2>&1; then
        fail "cinderpath render $variant:"; tail -5 "$work/cli-$variant.log"
        continue
      fi
      # lv2apply's output is late by the reported latency of 4 samples.
      if "$wavdiff" "$work/$variant-lv2.wav" "$work/$variant-cli.wav" --shift 4 --tolerance 1e-6 \
           >"$work/diff-$variant.log" 2>&1; then
        pass "lv2apply $variant equals cinderpath render: $(cat "$work/diff-$variant.log")"
      else
        fail "lv2apply $variant differs from cinderpath render: $(cat "$work/diff-$variant.log")"
      fi
    else
      # The in-process comparison lives in lv2_tests (ModuleProcessesLikeThePlugInClass).
      "$wavdiff" "$work/$variant-lv2.wav" "$work/$variant.wav" --shift 4 >"$work/diff-$variant.log" 2>&1
      if grep -q "peak" "$work/diff-$variant.log" && ! grep -q "max difference 0 " "$work/diff-$variant.log"; then
        pass "lv2apply $variant rendered a processed file ($(cat "$work/diff-$variant.log"))"
      else
        fail "lv2apply $variant output looks unprocessed: $(cat "$work/diff-$variant.log")"
      fi
      skip "comparison with cinderpath render ($variant): no command-line host at '${cli:-unset}'"
    fi
  done
else
  skip "lv2apply: package lilv-utils could not be installed"
fi

# ---- 3. jalv under jackd -d dummy ----
step "jalv under jackd -d dummy"
# The waits are generous: with other tests running beside this one the hosts
# start slowly, and a wait that is met returns at once.
wait_for() {  # wait_for SECONDS COMMAND...: polls COMMAND every 0.2 s
  local deadline=$(( $(date +%s) + $1 )); shift
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# Every JACK client is bounded in time: a client that meets a server still
# starting, or one that went away, can otherwise wait for ever. Nor may a
# client start a server of its own: only the one this script starts is used.
export JACK_NO_START_SERVER=1
port_exists() { timeout 5 jack_lsp 2>/dev/null | grep -qx "$1"; }
# What jackd said, without its banner.
jackd_said() { grep -vE '^(jackdmp |Copyright |jackdmp comes|This is free|under certain)' "$1" | tail -5; }

if have_or_install jackd jackd2 && have_or_install jalv jalv; then
  export JACK_DEFAULT_SERVER="cinderpath-lv2-test-$$"
  export JACK_NO_AUDIO_RESERVATION=1
  jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 &
  started_pids+=($!)
  if ! wait_for 30 port_exists system:playback_1; then
    fail "jackd -d dummy did not start:"; jackd_said "$work/jackd.log"
  else
    # jalv reads commands from standard input: a FIFO kept open by this
    # script until the end (descriptor 3). It is opened for reading and
    # writing, which never blocks, before jalv starts: opening it for writing
    # alone would wait for ever on a jalv that failed to start.
    mkfifo "$work/jalv.in"
    exec 3<>"$work/jalv.in"
    # (line-buffered, so its answers reach the log while it runs).
    stdbuf -oL jalv -x -n cinderpath -c drive=9 -c os=2 "$stereo_uri" <"$work/jalv.in" >"$work/jalv.log" 2>&1 &
    started_pids+=($!)
    jack_metro -n metro -b 600 -f 440 -A 0.5 -D 50 >"$work/metro.log" 2>&1 &
    started_pids+=($!)
    if ! wait_for 30 port_exists cinderpath:out_l || ! wait_for 30 port_exists metro:600_bpm; then
      fail "jalv did not create its ports:"; tail -5 "$work/jalv.log"
    else
      timeout 10 jack_connect metro:600_bpm cinderpath:in_l
      timeout 10 jack_connect metro:600_bpm cinderpath:in_r
      timeout 20 jack_rec -f "$work/jalv.wav" -d 2 cinderpath:out_l cinderpath:out_r >"$work/rec.log" 2>&1
      "$wavdiff" "$work/jalv.wav" "$work/jalv.wav" >"$work/jalv-peak.log" 2>&1
      peak=$(sed -n 's/.*peak \([0-9.e+-]*\).*/\1/p' "$work/jalv-peak.log")
      if [ -n "$peak" ] && python3 -c "import sys; sys.exit(0 if float('$peak') > 0.05 else 1)"; then
        pass "jalv passed audio under jackd -d dummy (output peak $peak)"
      else
        fail "jalv produced no audio (peak '${peak}'):"; tail -5 "$work/jalv.log" "$work/rec.log"
      fi
      # A named preset from the bundle: listed, loaded, its values applied.
      printf 'presets\npreset %s#preset-crunch\ncontrols\n' "$stereo_uri" >&3
      if wait_for 30 grep -q "drive = 8\.0" "$work/jalv.log" && grep -q "Crunch" "$work/jalv.log" &&
         ! grep -q "Failed to find preset" "$work/jalv.log"; then
        pass "jalv lists the named presets and loads \"Crunch\""
      else
        fail "jalv did not load the preset \"Crunch\":"; tail -8 "$work/jalv.log"
      fi
    fi
  fi
  # Stop the JACK side before the next host, which must not depend on it.
  exec 3>&-
  stop_started
  unset JACK_DEFAULT_SERVER
else
  skip "jalv: packages jackd2 and jalv could not be installed"
fi

# ---- 4. Ardour's headless Lua tool ----
step "Ardour's headless Lua tool"
if have_or_install ardour7-lua ardour; then
  cat >"$work/session.lua" <<EOF
local dir = "$work/session"
local s = create_session(dir, "cinderpath", 48000)
assert(s, "create_session failed")
local tl = Session:new_audio_track(2, 2, nil, 1, "CP", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local proc = ARDOUR.LuaAPI.new_plugin(Session, "$stereo_uri", ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "plug-in not found")
assert(tl:front():add_processor_by_index(proc, 0, nil, true) == 0, "could not add the plug-in")
assert(ARDOUR.LuaAPI.set_processor_param(proc, 2, 9.5), "could not set Drive")
assert(ARDOUR.LuaAPI.set_processor_param(proc, 19, 8), "could not set OS")
Session:save_state("", false, false, false, false, false)
close_session()
assert(load_session(dir, "cinderpath"), "load_session failed")
local p = Session:route_by_name("CP"):nth_plugin(0)
assert(not p:isnil(), "plug-in missing after reload")
print("RELOADED " .. p:name() .. " drive=" .. ARDOUR.LuaAPI.get_processor_param(p, 2, true)
      .. " os=" .. ARDOUR.LuaAPI.get_processor_param(p, 19, true))
print("LUA-DONE")
io.stdout:flush()
-- Stopped first: the tool's exit handlers free its plug-in world while the
-- engine thread may still be running the track (a crash at exit in about
-- one run in four).
AudioEngine:stop(false)
os.exit(0)
EOF
  # The tool lingers for minutes while its engine shuts down: wait for the
  # script's last line, then stop it (the saved session is on disk by then).
  # Its configuration and caches go to the scratch folder, not the home folder.
  run_ardour() {
    rm -rf "$work/session"
    XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" \
      ardour7-lua "$work/session.lua" >"$work/ardour.log" 2>&1 &
    ardour_pid=$!
    started_pids+=($ardour_pid)
    wait_for 180 sh -c "grep -q LUA-DONE '$work/ardour.log' || ! kill -0 $ardour_pid"
    kill "$ardour_pid" 2>/dev/null
  }
  # Should the tool still die before its script ends, the run is reported
  # and repeated once, so the round trip itself is still judged.
  run_ardour
  if ! grep -q LUA-DONE "$work/ardour.log"; then
    echo "NOTE: ardour7-lua ended before its script did; its log ends:"
    grep -v "^\[WARNING\]" "$work/ardour.log" | tail -3
    echo "NOTE: running the round trip once more"
    run_ardour
  fi
  line=$(grep "^RELOADED" "$work/ardour.log")
  # The session also keeps the plug-in's own state chunk (state extension).
  if echo "$line" | grep -q "drive=9.5 os=8" &&
     grep -rqs "cinderpath#state" "$work/session/plugins"; then
    pass "ardour7-lua: loaded on a track, saved with its state and reloaded with the values intact ($line)"
  else
    fail "ardour7-lua session round trip:"; grep -v "^\[WARNING\]" "$work/ardour.log" | tail -10
  fi
else
  skip "ardour7-lua: package ardour could not be installed"
fi

# ---- 5. jalv.gtk3 with the plug-in's own UI ----
step "jalv.gtk3 with the plug-in's own UI"
# Settings by port symbol for jalv and by parameter index for the probe:
# loud enough that the output clips once audio flows.
ui_settings=(-c drive=16 -c volume=18 -c hp_on=1 -c os=8)
probe_settings=(2=16 4=18 10=1 19=8)
last_clip() { grep '^clip = ' "$work/jalv-ui.log" | tail -1; }
if [ -z "$probe" ] || [ ! -x "$probe" ]; then
  skip "jalv.gtk3 with the UI: no lv2_ui_probe given"
elif have_or_install Xvfb xvfb && have_or_install xdotool xdotool && have_or_install xwininfo x11-utils &&
     have_or_install jackd jackd2 && have_or_install jalv.gtk3 jalv; then
  # Xvfb picks a free display and writes its number to descriptor 4.
  Xvfb -displayfd 4 -screen 0 1280x800x24 -nolisten tcp 4>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
  started_pids+=($!)
  if ! wait_for 30 test -s "$work/xvfb.display"; then
    fail "Xvfb did not start:"; tail -3 "$work/xvfb.log"
  else
    export DISPLAY=":$(head -1 "$work/xvfb.display")"
    export JACK_DEFAULT_SERVER="cinderpath-lv2-ui-test-$$"
    export JACK_NO_AUDIO_RESERVATION=1
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd-ui.log" 2>&1 &
    started_pids+=($!)
    wait_for 30 port_exists system:playback_1 ||
      { echo "note: jackd -d dummy for the UI checks did not start:"; jackd_said "$work/jackd-ui.log"; }
    stdbuf -oL jalv.gtk3 --print-controls -x --jack-name cpui "${ui_settings[@]}" "$stereo_uri" \
      >"$work/jalv-ui.log" 2>&1 &
    started_pids+=($!)
    # The editor's view: the innermost 780 x 200 window of jalv's.
    view_of() { timeout 10 xwininfo -root -tree | awk '/ 780x200\+0\+0 / { id = $1 } END { if (id) print id }'; }
    if ! wait_for 60 sh -c "xwininfo -root -tree | grep -q 'Cinderpath' && xwininfo -root -tree | grep -q ' 780x200+0+0 '"; then
      fail "jalv.gtk3 showed no editor:"; tail -5 "$work/jalv-ui.log"
    else
      view=$(view_of)
      # The picture to expect: `cinderpath snapshot` at the same settings
      # where the command-line host is built, else the probe's own drawing.
      want=("${probe_settings[@]}" clip=0) by="the plug-in's drawing"
      if [ -n "$cli" ] && [ -x "$cli" ] &&
         "$cli" snapshot -o "$work/snapshot.png" $(printf -- '--set %s ' "${probe_settings[@]}") \
           >"$work/snapshot.log" 2>&1; then
        want=(--png "$work/snapshot.png") by="cinderpath snapshot"
      fi
      if wait_for 30 timeout 20 "$probe" "$view" "${want[@]}"; then
        pass "jalv.gtk3 shows the editor, pixel-equal to $by at jalv's settings"
      else
        fail "jalv.gtk3's editor differs from $by: $("$probe" "$view" "${want[@]}" 2>&1)"
      fi
      jack_metro -n metro -b 600 -f 440 -A 0.5 -D 50 >"$work/metro-ui.log" 2>&1 &
      started_pids+=($!)
      wait_for 30 port_exists metro:600_bpm
      timeout 10 jack_connect metro:600_bpm cpui:in_l
      timeout 10 jack_connect metro:600_bpm cpui:in_r
      if ! wait_for 30 sh -c "grep '^clip = ' '$work/jalv-ui.log' | tail -1 | grep -q '= 1'"; then
        fail "the clip output never lit with the output past full scale: $(last_clip)"
      else
        # Bypass (550, 50, 40 x 20): the view is two pixels right of and below the editor.
        timeout 10 xdotool mousemove --window "$view" 572 62 click 1
        # Bypassed, the half-scale input no longer clips: the light goes out
        # after its 0.75 s hold.
        if wait_for 30 sh -c "grep '^clip = ' '$work/jalv-ui.log' | tail -1 | grep -q '= 0'"; then
          pass "an xdotool click on Bypass bypassed the plug-in in jalv (its clip output went from 1 to 0)"
        else
          fail "the click on Bypass did not reach jalv's plug-in: $(last_clip)"
        fi
        # The pointer leaves the editor, taking the readout of the control
        # it rested on off the picture.
        timeout 10 xdotool mousemove --window "$view" 820 240
        if wait_for 30 timeout 20 "$probe" "$view" "${probe_settings[@]}" 6=1 clip=0; then
          pass "the editor shows Bypass on and the clip light out, as the plug-in draws them"
        else
          fail "the editor after the click: $("$probe" "$view" "${probe_settings[@]}" 6=1 clip=0 2>&1)"
        fi
      fi
    fi
    # A desktop at twice the density: GTK doubles jalv's own window
    # (GDK_SCALE=2) and the X server's Xft.dpi resource says 192, which the
    # editor follows (jalv passes no ui:scaleFactor of its own).
    xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	192"
    GDK_SCALE=2 stdbuf -oL jalv.gtk3 -x --jack-name cpui2 "$stereo_uri" >"$work/jalv-ui2.log" 2>&1 &
    scaled_jalv=$!
    started_pids+=($scaled_jalv)
    if wait_for 60 sh -c "xwininfo -root -tree | grep -q ' 1560x400+'"; then
      pass "jalv.gtk3 with GDK_SCALE=2 and Xft.dpi 192 embeds the editor at 1560 x 400"
    else
      fail "jalv.gtk3 with GDK_SCALE=2 and Xft.dpi 192 shows no 1560 x 400 editor: $(xwininfo -root -tree | grep -E '[0-9]+x[0-9]+\+0\+0' | head -5)"
    fi
    kill "$scaled_jalv" 2>/dev/null
    xprop -root -remove RESOURCE_MANAGER
  fi
  exec 3>&-
  stop_started
  unset JACK_DEFAULT_SERVER DISPLAY
else
  skip "jalv.gtk3 with the UI: packages xvfb, xdotool, x11-utils, jackd2 or jalv could not be installed"
fi

# ---- 6. Carla ----
step "Carla"
if command -v carla-single >/dev/null 2>&1; then
  skip "carla-single is installed but cannot be driven without a person; the jalv checks stand for it"
else
  skip "carla-single: not installed (Debian 12 has no package of it)"
fi

echo "lv2 hosts: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -gt 0 ] && exit 1
[ "$passed" -eq 0 ] && exit 77
exit 0
