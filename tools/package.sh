#!/usr/bin/env bash
# The packaging command: builds what is missing (the program, its modules and the demo
# sound, as the run command does) and makes the portable release archive
#     build/zelo-edit-<version>-win32.zip
# holding one folder zelo-edit-<version>/ with zelo.exe, every bundled file filter (*.flt)
# and transform (*.xfm), the help book as plain text (exported from the same source the
# program carries), the demo sound, a read-me and the licence.  The version comes from
# core/version.h.  The program and the modules are stripped copies; each may import only
# Windows system DLLs (and the modules the program itself), or the command fails.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
B="$ROOT/build/win32"
# The same set-up and build as the run command's, so the archive holds what it starts.
bash "$ROOT/tools/run.sh" --build-only || exit 1
LOG="$ROOT/build/package.log"
: > "$LOG"

VERSION="$(sed -n 's/^#define ZELO_VERSION_NUMBER[[:space:]]\+\([0-9A-Za-z._-]\+\).*/\1/p' "$ROOT/core/version.h")"
if [ -z "$VERSION" ]; then
    echo "No ZELO_VERSION_NUMBER in core/version.h." >&2
    exit 1
fi
NAME="zelo-edit-$VERSION"
ZIP="$ROOT/build/$NAME-win32.zip"
WORK="$ROOT/build/release"
STAGE="$WORK/$NAME"
rm -rf "$STAGE" "$ZIP"
mkdir -p "$STAGE"

die() { echo "package: $*" >&2; exit 1; }

# The program and its modules: exactly the files the build places in bin/ for them.
[ -f "$B/release-files.txt" ] || die "$B/release-files.txt is missing (configure the Win32 build again)"
mapfile -t FILES < <(grep -v '^$' "$B/release-files.txt" | sort -u)
[ ${#FILES[@]} -gt 0 ] || die "the build names no files for the release"
# What a Windows system brings along; a module may also import the calls the program exports.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll oleaut32.dll
  advapi32.dll winmm.dll version.dll msimg32.dll msvcrt.dll shlwapi.dll msacm32.dll "
for f in "${FILES[@]}"; do
    [ -f "$B/bin/$f" ] || die "$B/bin/$f was not built"
    i686-w64-mingw32-strip -o "$STAGE/$f" "$B/bin/$f"
    while read -r dll; do
        low="$(echo "$dll" | tr '[:upper:]' '[:lower:]')"
        case "$SYSTEM_DLLS" in *" $low "*) continue ;; esac
        if [ "$low" = "zelo.exe" ] && [ "$f" != "zelo.exe" ]; then continue; fi
        die "$f imports $dll, which Windows does not bring (link it statically)"
    done < <(i686-w64-mingw32-objdump -p "$STAGE/$f" | sed -n 's/^[[:space:]]*DLL Name: //p')
done

# The help book as the program's help window shows it, from the same source.
g++ -std=c++17 -O1 -I"$ROOT" "$ROOT/tools/release/helpexport.cpp" "$ROOT/core/helptext.cpp" \
    -o "$WORK/helpexport" >>"$LOG" 2>&1 || die "the help exporter did not build (see $LOG)"
"$WORK/helpexport" "$ROOT/resources/help/zelo-help.txt" "$STAGE/zelo-help.txt" || die "the help export failed"

[ -f "$B/demo/demo.wav" ] || die "$B/demo/demo.wav was not made"
cp "$B/demo/demo.wav" "$STAGE/demo.wav"
# Plain texts with CR LF, as Notepad wants them.
sed -e "s/@VERSION@/$VERSION/g" -e 's/$/\r/' "$ROOT/tools/release/README.txt" > "$STAGE/README.txt"
sed -e 's/$/\r/' "$ROOT/LICENSE" > "$STAGE/LICENSE.txt"

# The same archive from the same sources: file times from the last commit, sorted names.
stamp="$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || date +%s)"
find "$STAGE" -exec touch -d "@$stamp" {} +
(cd "$WORK" && find "$NAME" -print | LC_ALL=C sort | zip -X -q -D "$ZIP" -@) || die "zip failed"

echo "Release archive: $ZIP ($(stat -c %s "$ZIP") bytes)"
unzip -l "$ZIP"
