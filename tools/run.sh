#!/usr/bin/env bash
# The run command: sets up and builds what is missing (the program, its modules and the demo
# sound, not the tests), then starts the editor under Wine, opening the given file or the
# bundled demo sound.  The display: --display N (or ZELO_DISPLAY=N), else $DISPLAY when it
# works, else a private virtual display with a screenshot.  Build output and Wine's console
# noise go to build/run.log; only a failed build is shown.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="$ROOT/build/win32"
LOG="$ROOT/build/run.log"

usage() {
    echo "usage: bash tools/run.sh [--display N] [file.wav]" >&2
    echo "       bash tools/run.sh --build-only   (set up and build, then stop)" >&2
    exit 2
}

display="${ZELO_DISPLAY:-}"
file=""
build_only=""
while [ $# -gt 0 ]; do
    case "$1" in
        -d|--display) [ $# -ge 2 ] || usage; display="$2"; shift 2 ;;
        --display=*)  display="${1#--display=}"; shift ;;
        --build-only) build_only=1; shift ;;
        -h|--help)    usage ;;
        *)            [ -z "$file" ] || usage; file="$1"; shift ;;
    esac
done
if [ -n "$display" ]; then
    display=":${display#:}"
fi

bash "$ROOT/tools/setup.sh"
mkdir -p "$ROOT/build"
: > "$LOG"
# The program, the modules it loads from its own folder (the bundled file filters and
# transforms), and the demo sound.  A new module joins this list, or a target already in it;
# the test run_command_builds_every_module fails while one is missing.
TARGETS=(zelo flt_modules xfm_modules zelo_demo)
build() {
    if [ ! -f "$B/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$B" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" || return 1
    fi
    cmake --build "$B" -j"$(nproc 2>/dev/null || echo 2)" --target "${TARGETS[@]}"
}
echo "Building Zelo Edit ..."
if ! build >>"$LOG" 2>&1; then
    echo "The build failed; the end of $LOG:" >&2
    grep -E "error|Error" "$LOG" | tail -n 20 >&2 || tail -n 20 "$LOG" >&2
    exit 1
fi

EXE="$B/bin/zelo.exe"
if [ ! -f "$EXE" ]; then
    echo "The build did not produce $EXE." >&2
    exit 1
fi
[ -z "$build_only" ] || exit 0

export ZELO_BUILD="$B"
# shellcheck source=wine-env.sh
. "$ROOT/tools/wine-env.sh"
own_xvfb=""
had_display=1
if [ -n "$display" ]; then
    export DISPLAY="$display"
    if ! xdpyinfo >/dev/null 2>&1; then
        # Nothing there yet: a virtual display on the number asked for.
        Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >>"$LOG" 2>&1 &
        own_xvfb=$!
        for _ in $(seq 1 50); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
        if ! xdpyinfo >/dev/null 2>&1; then
            echo "No display could be started on $DISPLAY." >&2
            exit 1
        fi
        had_display=0
    fi
else
    if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then had_display=0; fi
    zelo_start_display
fi
zelo_init_prefix >>"$LOG" 2>&1

if [ -z "$file" ] && [ -f "$B/demo/demo.wav" ]; then
    file="$B/demo/demo.wav"
fi
winargs=()
if [ -n "$file" ]; then
    winargs+=("$(winepath -w "$(realpath "$file")" 2>/dev/null || echo "$file")")
fi

if [ $had_display -eq 1 ]; then
    exec wine "$EXE" "${winargs[@]}" 2>>"$LOG"
fi
# A display of our own: save a screenshot, keep running until the editor closes.
wine "$EXE" "${winargs[@]}" 2>>"$LOG" &
pid=$!
sleep 5
import -window root "$ROOT/build/screenshot.png" 2>/dev/null && echo "Screenshot: $ROOT/build/screenshot.png"
echo "Zelo Edit runs on the display $DISPLAY; close it there, or press Ctrl+C."
wait $pid || true
if [ -n "$own_xvfb" ]; then
    kill "$own_xvfb" 2>/dev/null || true
    wait "$own_xvfb" 2>/dev/null || true
else
    zelo_stop_display
fi
