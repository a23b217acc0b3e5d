#!/usr/bin/env bash
# Builds and runs the benchmarks: natively (build/bench, Release, Google Benchmark), then the
# Win32 builds of the same measurements under Wine (build/win32), printing the figures.
# ZELO_BENCH_DIR chooses the folder of the temporary files (default: each build folder);
# ZELO_BENCH_MB / ZELO_BENCH_BIG_MB shrink the store sizes for a quick look.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="${ZELO_BUILD_ROOT:-$ROOT/build}"   # the folder holding bench/ and win32/
JOBS="$(nproc 2>/dev/null || echo 2)"
status=0

bash "$ROOT/tools/setup.sh" || { echo "set-up failed"; exit 1; }

where="${ZELO_BENCH_DIR:-$B}"
fstype="$(df -P -T "$where" 2>/dev/null | awk 'NR==2 {print $2}')"
echo "benchmark files in $where (file system ${fstype:-unknown})"
if [ "$fstype" = "tmpfs" ]; then
    echo "warning: $where is in memory (tmpfs); set ZELO_BENCH_DIR to a folder on disk"
fi

echo; echo "=== native benchmarks (build/bench) ==="
cmake -S "$ROOT" -B "$B/bench" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
      -DZELO_BENCH=ON -DZELO_TESTS=OFF >/dev/null \
  && cmake --build "$B/bench" -j"$JOBS" >/dev/null || { echo "FAILED: native benchmark build"; exit 1; }
for exe in $(find "$B/bench" -type f -perm -u+x -name '*_bench' -not -path '*/CMakeFiles/*' | sort); do
    echo; echo "-- $(basename "$exe")"
    ZELO_BENCH_DIR="${ZELO_BENCH_DIR:-$(dirname "$exe")}" "$exe" || { echo "FAILED: $exe"; status=1; }
done

echo; echo "=== Win32 benchmarks under Wine (build/win32) ==="
if [ ! -f "$B/win32/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$B/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null \
      || { echo "FAILED: Win32 configure"; exit 1; }
fi
targets="$(cmake --build "$B/win32" --target help 2>/dev/null | sed -n 's/^\.\.\. \([A-Za-z0-9_]*_bench_win\).*/\1/p')"
if [ -z "$targets" ]; then
    echo "no Win32 benchmark targets"
else
    for t in $targets; do
        cmake --build "$B/win32" --target "$t" -j"$JOBS" >/dev/null || { echo "FAILED: build $t"; status=1; }
    done
    # The host's own cp of a file as long as launch_bench's (60 minutes, 16-bit stereo),
    # median of five, for the launch benchmark's ratio.
    cpfile="$where/zelo-bench-cp.wav"
    if head -c 635040044 /dev/urandom > "$cpfile" 2>/dev/null; then
        cat "$cpfile" > /dev/null
        times=""
        for _ in 1 2 3 4 5; do
            rm -f "$cpfile.copy"
            t0=$(date +%s.%N); cp "$cpfile" "$cpfile.copy"; t1=$(date +%s.%N)
            times="$times $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')"
        done
        export ZELO_BENCH_CP_SECONDS="$(echo $times | tr ' ' '\n' | sort -n | sed -n 3p)"
        echo "cp of 635 MB on this machine: ${ZELO_BENCH_CP_SECONDS} s (median of 5)"
    fi
    rm -f "$cpfile" "$cpfile.copy"
    export ZELO_BUILD="$B/win32"
    # shellcheck source=wine-env.sh
    . "$ROOT/tools/wine-env.sh"
    zelo_start_display || { echo "FAILED: display"; exit 1; }
    zelo_init_prefix
    wineserver -p
    # The recording benchmark records from the private PulseAudio rig.
    if bash "$ROOT/tools/pulse-rig.sh" start "$B/win32/pulse-rig" >/dev/null; then
        export PULSE_SERVER="unix:$B/win32/pulse-rig/native"
    fi
    for t in $targets; do
        exe="$(find "$B/win32" -type f -name "$t.exe" -not -path '*/CMakeFiles/*' | head -1)"
        [ -n "$exe" ] || continue
        echo; echo "-- $t.exe (Wine)"
        ZELO_BENCH_DIR="${ZELO_BENCH_DIR:-$(dirname "$exe")}" "$ROOT/tools/wine-run" "$exe" \
          || { echo "FAILED: $t.exe"; status=1; }
    done
    bash "$ROOT/tools/pulse-rig.sh" stop "$B/win32/pulse-rig" || true
    wineserver -k 2>/dev/null || true
    zelo_stop_display
fi
exit $status
