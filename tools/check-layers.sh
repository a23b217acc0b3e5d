#!/usr/bin/env bash
# The folders form a one-way stack: os, store, core (document, settings, help book),
# ui (what every window shares), then the subsystems, with shell/ on top.  This check fails
# when a folder includes one above it, and when a .cpp file declares something `extern`
# (a declaration belongs in the header of the file that defines it).
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT" || exit 1
status=0

# folder -> the folders it must not include
declare -A ABOVE=(
  [os]="store core ui formats filters edit view analysis audio plugins dsp lists scripts toolbar cd shell"
  [store]="core ui formats filters edit view analysis audio plugins dsp lists scripts toolbar cd shell"
  [core]="ui formats filters edit view analysis audio plugins dsp lists scripts toolbar cd shell"
  [ui]="formats filters edit view analysis audio plugins dsp lists scripts toolbar cd shell"
  [dsp]="ui formats filters edit view analysis audio plugins lists scripts toolbar cd shell"
  [formats]="shell"
  [filters]="store core ui formats edit view analysis audio plugins dsp lists scripts toolbar cd shell"
  [edit]="shell"
  [view]="analysis shell"
  [analysis]="shell"
  [audio]="shell"
  [plugins]="shell"
  [lists]="shell"
  [scripts]="shell"
  [toolbar]="shell"
  [cd]="shell"
  [music]="shell"
  [resources]="shell"
)

for dir in "${!ABOVE[@]}"; do
  [ -d "$dir" ] || continue
  for up in ${ABOVE[$dir]}; do
    hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$up/" "$dir" \
             --include='*.c' --include='*.cpp' --include='*.h' --include='*.rc' 2>/dev/null)
    if [ -n "$hits" ]; then
      echo "layering: $dir/ includes $up/, which sits above it:"
      echo "$hits" | sed 's/^/  /'
      status=1
    fi
  done
done

# `extern` declarations inside .cpp files; extern "C" (linkage of a definition) is fine.
hits=$(git ls-files '*.cpp' | xargs grep -nE '^[[:space:]]*extern[[:space:]]' 2>/dev/null \
         | grep -vE 'extern[[:space:]]+"C"')
if [ -n "$hits" ]; then
  echo "layering: extern declarations inside .cpp files (move them to a header):"
  echo "$hits" | sed 's/^/  /'
  status=1
fi

[ $status -eq 0 ] && echo "layering: ok"
exit $status
