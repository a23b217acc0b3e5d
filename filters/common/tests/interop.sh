#!/bin/sh
# Interoperability of a bundled filter module with sox.
#   interop.sh make DIR LIST   makes the files of LIST with sox ("name rate bits channels sox
#                              options" per line), sox's own 8/16-bit raw reading of each
#                              (name.ref), and DIR/list.txt for the Wine test;
#   interop.sh check DIR EXT   checks that the files the module wrote there (out_*.EXT, named
#                              out_<rate>_<bits>_<channels>[_...], with the samples it was given
#                              in the matching .raw) read back identically in sox.
# No dither anywhere (-D): the references must be the plain rounding of the samples.
set -eu
mode="$1"
dir="$2"
command -v sox >/dev/null || { echo "sox missing: run tools/setup.sh"; exit 1; }

if [ "$mode" = make ]; then
    list="$3"
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir"
    syn="synth 0.3 sine 440 sine 661 vol 0.9"
    : >list.txt
    grep -v '^#' "$list" | while read -r name rate bits ch opts; do
        [ -n "$name" ] || continue
        # shellcheck disable=SC2086
        sox -D -n -r "$rate" -c "$ch" $opts "$name" $syn
        if [ "$bits" = 8 ]; then
            sox -D "$name" -t raw -e unsigned -b 8 "$name.ref"
        else
            sox -D "$name" -t raw -e signed -b 16 -L "$name.ref"
        fi
        echo "$name $bits $ch $rate" >>list.txt
    done
    wc -l <list.txt | sed 's/^/sox files made: /'
    exit 0
fi

[ "$mode" = check ] || { echo "usage: interop.sh make DIR LIST | check DIR EXT"; exit 2; }
ext="$3"
cd "$dir"
n=0
ls out_*."$ext" >/dev/null 2>&1 || { echo "no files written by the module in $dir: skipped"; exit 77; }
for w in out_*."$ext"; do
    base="${w%.*}"
    rate="$(echo "$base" | cut -d_ -f2)"; bits="$(echo "$base" | cut -d_ -f3)"; ch="$(echo "$base" | cut -d_ -f4)"
    [ "$(sox --i -r "$w")" = "$rate" ] || { echo "sox sees another rate in $w"; exit 1; }
    [ "$(sox --i -c "$w")" = "$ch" ] || { echo "sox sees another channel count in $w"; exit 1; }
    if [ "$bits" = 8 ]; then enc="-e unsigned -b 8"; else enc="-e signed -b 16 -L"; fi
    # shellcheck disable=SC2086
    sox -D "$w" -t raw $enc "$base.sox"
    cmp "$base.sox" "$base.raw" || { echo "sox reads other samples from $w"; exit 1; }
    n=$((n + 1))
done
echo "sox: $n files checked"
