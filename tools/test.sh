#!/usr/bin/env bash
# The test command: set-up, both builds, every ctest suite, a short fuzz smoke run.
# Exits non-zero when anything fails.  ZELO_LONG=1 runs the long differential mode.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="$ROOT/build"
JOBS="$(nproc 2>/dev/null || echo 2)"
status=0
step() { echo; echo "=== $* ==="; }
fail() { echo "FAILED: $*"; status=1; }

step "set-up"
bash "$ROOT/tools/setup.sh" || { echo "set-up failed"; exit 1; }

step "layering"
bash "$ROOT/tools/check-layers.sh" || fail "layering"

step "native build (ASan + UBSan)"
cmake -S "$ROOT" -B "$B/native" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null \
  && cmake --build "$B/native" -j"$JOBS" || fail "native build"

step "native benchmarks build"
cmake -S "$ROOT" -B "$B/bench" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
      -DZELO_BENCH=ON -DZELO_TESTS=OFF >/dev/null \
  && cmake --build "$B/bench" -j"$JOBS" || fail "benchmark build"

step "fuzz targets build (clang)"
cmake -S "$ROOT" -B "$B/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DZELO_FUZZ=ON -DZELO_TESTS=OFF >/dev/null \
  && cmake --build "$B/fuzz" -j"$JOBS" || fail "fuzz build"

step "Win32 build (mingw-w64 i686)"
cmake -S "$ROOT" -B "$B/win32" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null \
  && cmake --build "$B/win32" -j"$JOBS" || fail "Win32 build"

step "native tests"
(cd "$B/native" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest -j"$JOBS" --output-on-failure) || fail "native tests"

step "fuzz smoke runs"
if [ -d "$B/fuzz" ]; then
  for f in $(find "$B/fuzz" -maxdepth 3 -type f -name 'fuzz_*' -perm -u+x | sort); do
    name="$(basename "$f")"
    seeds="$ROOT/tests/fuzz-seeds/$name"
    args=()
    [ -d "$seeds" ] && args+=("$seeds")
    case "$name" in
      fuzz_wave*) [ -d "$ROOT/../shared/corpus/wave" ] && args+=("$ROOT/../shared/corpus/wave/valid" "$ROOT/../shared/corpus/wave/invalid" "$ROOT/../shared/corpus/wave/unsupported");;
    esac
    work="$B/fuzz/corpus-$name"; mkdir -p "$work"
    echo "-- $name"
    "$f" -max_total_time="${ZELO_FUZZ_SECONDS:-10}" -print_final_stats=0 "$work" "${args[@]}" >"$B/fuzz/$name.log" 2>&1 \
      || { tail -40 "$B/fuzz/$name.log"; fail "fuzz $name"; }
    grep -E '^#[0-9]+.*DONE' "$B/fuzz/$name.log" | tail -1
  done
fi

step "Win32 tests under Wine"
if [ -d "$B/win32" ]; then
  export ZELO_BUILD="$B/win32"
  # shellcheck source=wine-env.sh
  . "$ROOT/tools/wine-env.sh"
  zelo_start_display || fail "display"
  zelo_init_prefix
  wineserver -p
  # The recording tests record from the pipe source of a private PulseAudio server.
  if bash "$ROOT/tools/pulse-rig.sh" start "$B/win32/pulse-rig" >/dev/null; then
    export PULSE_SERVER="unix:$B/win32/pulse-rig/native"
  else
    echo "pulse rig did not start: the recording tests are skipped"
  fi
  (cd "$B/win32" && ctest -j"$JOBS" --output-on-failure --timeout 600) || fail "Win32 tests"
  bash "$ROOT/tools/pulse-rig.sh" stop "$B/win32/pulse-rig" || true
  unset PULSE_SERVER
  wineserver -k 2>/dev/null || true
  zelo_stop_display
fi

step "release archive (packaged, then tested unpacked in a fresh Wine prefix)"
bash "$ROOT/tools/package.sh" && bash "$ROOT/tools/release-test.sh" || fail "release archive"

echo
if [ $status -eq 0 ]; then echo "ALL TESTS PASSED"; else echo "SOME STEPS FAILED"; fi
exit $status
