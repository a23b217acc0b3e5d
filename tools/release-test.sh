#!/usr/bin/env bash
# The release archive's test (the test command runs it after tools/package.sh): unpacks
# build/zelo-edit-<version>-win32.zip into an empty folder of a fresh Wine prefix
# (build/release/wineprefix) whose Z: drive is removed, so neither the program nor the test
# can reach anything of the build tree, and runs the Release end-to-end tests there
# (tests/e2e/test_release.cpp) against the unpacked program.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="$ROOT/build/win32"
VERSION="$(sed -n 's/^#define ZELO_VERSION_NUMBER[[:space:]]\+\([0-9A-Za-z._-]\+\).*/\1/p' "$ROOT/core/version.h")"
ZIP="$ROOT/build/zelo-edit-$VERSION-win32.zip"
TESTS="$B/tests/e2e/e2e_tests.exe"
if [ ! -f "$ZIP" ]; then
    echo "release-test: $ZIP is missing (bash tools/package.sh makes it)" >&2
    exit 1
fi
if [ ! -f "$TESTS" ]; then
    cmake --build "$B" -j"$(nproc 2>/dev/null || echo 2)" --target e2e_tests >/dev/null || exit 1
fi

export ZELO_BUILD="$B"
export ZELO_WINEPREFIX="$ROOT/build/release/wineprefix"
rm -rf "$ZELO_WINEPREFIX"
# shellcheck source=wine-env.sh
. "$ROOT/tools/wine-env.sh"
zelo_start_display || exit 1
zelo_init_prefix
C="$WINEPREFIX/drive_c"
mkdir -p "$C/Zelo" "$C/release" "$C/tests" "$C/shots"
cp "$ZIP" "$C/release/"
(cd "$C/Zelo" && unzip -q "$C/release/$(basename "$ZIP")") || { echo "release-test: unzip failed" >&2; exit 1; }
cp "$TESTS" "$C/tests/"
# From here on the prefix sees only its own C: drive.
rm -f "$WINEPREFIX/dosdevices/z:"

export ZELO_BIN_DIR="C:\\Zelo\\zelo-edit-$VERSION"
ZELO_RELEASE_ZIP="C:\\release\\$(basename "$ZIP")"
ZELO_RELEASE_FILES="$(tr '\n' ' ' < "$B/release-files.txt")"
export ZELO_RELEASE_ZIP ZELO_RELEASE_FILES
export ZELO_SHOT_DIR="C:\\shots"
status=0
(cd "$C/tests" && wine "C:\\tests\\e2e_tests.exe" --gtest_filter='Release.*') || status=1
wineserver -k 2>/dev/null || true
rm -rf "$ROOT/build/release/screenshots"
cp -r "$C/shots" "$ROOT/build/release/screenshots" 2>/dev/null || true
zelo_stop_display
# The prefix stays for a look after a failure only (it is some hundred megabytes).
[ $status -ne 0 ] || rm -rf "$ZELO_WINEPREFIX"
exit $status
