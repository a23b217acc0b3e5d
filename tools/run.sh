#!/usr/bin/env bash
# The run command: sets up and builds what is missing, then starts the editor under Wine
# (on a private virtual display, with a screenshot, when there is no display), opening
# the given files or the bundled demo sound.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="$ROOT/build/win32"

bash "$ROOT/tools/setup.sh"
if [ ! -f "$B/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$B" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
fi
cmake --build "$B" -j"$(nproc 2>/dev/null || echo 2)" >/dev/null

EXE="$B/bin/zelo.exe"
if [ ! -f "$EXE" ]; then
    echo "The build did not produce $EXE." >&2
    exit 1
fi

export ZELO_BUILD="$B"
# shellcheck source=wine-env.sh
. "$ROOT/tools/wine-env.sh"
had_display=1
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then had_display=0; fi
zelo_start_display
zelo_init_prefix

# The program takes one file name on its command line.
file="${1:-}"
if [ -z "$file" ] && [ -f "$B/demo/demo.wav" ]; then
    file="$B/demo/demo.wav"
fi
winargs=()
if [ -n "$file" ]; then
    winargs+=("$(winepath -w "$(realpath "$file")" 2>/dev/null || echo "$file")")
fi

if [ $had_display -eq 1 ]; then
    exec wine "$EXE" "${winargs[@]}"
fi
# No display of our own: run on the private one, save a screenshot, keep running until
# the editor closes.
wine "$EXE" "${winargs[@]}" &
pid=$!
sleep 5
import -window root "$ROOT/build/screenshot.png" 2>/dev/null && echo "Screenshot: $ROOT/build/screenshot.png"
echo "Zelo Edit runs on the private display $DISPLAY; close it there, or press Ctrl+C."
wait $pid || true
zelo_stop_display
