#!/usr/bin/env bash
# A private PulseAudio server for the recording tests: a pipe source the tests feed with known
# samples (in.fifo) and a pipe sink (out.fifo), reachable at unix:DIR/native without
# authentication.  Nothing outside DIR is touched; the user's own sound server is never used.
#
#   pulse-rig.sh start DIR             start the server (idempotent), print PULSE_SERVER=...
#   pulse-rig.sh stop DIR              stop it (by the pid it wrote)
#   pulse-rig.sh source DIR FMT RATE CH  a fresh pipe source (u8 or s16le), stale samples dropped
#   pulse-rig.sh corked DIR            exit 0 when a recording stream runs uncorked
#   pulse-rig.sh feed DIR RAW RATE ALIGN  write RAW into the source at real-time pace, 20 ms pieces
set -uo pipefail
cmd="${1:-}"; D="${2:-}"
[ -n "$cmd" ] && [ -n "$D" ] || { echo "usage: $0 start|stop|source|corked|feed DIR ..." >&2; exit 2; }
export PULSE_RUNTIME_PATH="$D/run" PULSE_SERVER="unix:$D/native" HOME="$D/home"
pactl_() { pactl "$@" 2>/dev/null; }

case "$cmd" in
start)
    mkdir -p "$D/run" "$D/home"
    if [ -f "$D/pid" ] && kill -0 "$(cat "$D/pid")" 2>/dev/null && pactl_ info >/dev/null; then
        echo "PULSE_SERVER=unix:$D/native"; exit 0
    fi
    rm -f "$D/native" "$D/in.fifo" "$D/out.fifo"
    cat > "$D/rig.pa" <<PA
load-module module-native-protocol-unix socket=$D/native auth-anonymous=1
load-module module-pipe-sink sink_name=out file=$D/out.fifo rate=44100 channels=2 format=s16le use_system_clock_for_timing=yes
load-module module-pipe-source source_name=in file=$D/in.fifo rate=44100 channels=2 format=s16le
set-default-sink out
set-default-source in
PA
    setsid pulseaudio -n -F "$D/rig.pa" --exit-idle-time=-1 --daemonize=no --disallow-exit \
        --log-target=file:"$D/pulse.log" </dev/null >/dev/null 2>&1 &
    echo $! > "$D/pid"
    # Something must read the sink's pipe, or playback through it stalls.
    for i in $(seq 1 50); do [ -p "$D/out.fifo" ] && break; sleep 0.1; done
    setsid sh -c "cat '$D/out.fifo' > /dev/null" </dev/null >/dev/null 2>&1 &
    echo $! > "$D/drain.pid"
    for i in $(seq 1 100); do
        pactl_ info >/dev/null && { echo "PULSE_SERVER=unix:$D/native"; exit 0; }
        sleep 0.1
    done
    echo "pulse-rig: server did not start (see $D/pulse.log)" >&2; exit 1;;
stop)
    for f in drain.pid feed.pid pid; do
        if [ -f "$D/$f" ]; then kill "$(cat "$D/$f")" 2>/dev/null; rm -f "$D/$f"; fi
    done
    rm -f "$D/native"; exit 0;;
source)
    fmt="$3"; rate="$4"; ch="$5"
    [ -f "$D/feed.pid" ] && { kill "$(cat "$D/feed.pid")" 2>/dev/null; rm -f "$D/feed.pid"; }
    pactl_ unload-module module-pipe-source
    rm -f "$D/in.fifo"
    pactl_ load-module module-pipe-source source_name=in file="$D/in.fifo" rate="$rate" channels="$ch" format="$fmt" >/dev/null || exit 1
    pactl_ set-default-source in;;
corked)
    pactl_ list source-outputs | grep -q 'Corked: no';;
feed)
    raw="$3"; rate="$4"; align="$5"
    rm -f "$D/feed.done"
    cat > "$D/feed.py" <<'PY'
import sys, time, os
fifo, raw, rate, align, done = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
data = open(raw, 'rb').read()
piece = rate * align // 50              # 20 ms
fd = os.open(fifo, os.O_WRONLY)
start = time.monotonic()
for i, off in enumerate(range(0, len(data), piece)):
    delay = start + i * 0.02 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    os.write(fd, data[off:off + piece])
os.close(fd)
open(done, 'w').close()
PY
    setsid python3 "$D/feed.py" "$D/in.fifo" "$raw" "$rate" "$align" "$D/feed.done" </dev/null >"$D/feed.log" 2>&1 &
    echo $! > "$D/feed.pid";;
*)
    echo "pulse-rig: unknown command $cmd" >&2; exit 2;;
esac
