#!/bin/sh
# Interoperability of raw.flt with sox, which is told each layout as the module is.
#   interop.sh make DIR LIST   makes the raw files of LIST with sox ("name rate bits channels
#                              raw-options sox-options"), sox's canonical reading of each
#                              (name.ref), and DIR/list.txt for the Wine test;
#   interop.sh check DIR EXT   reads each file the module wrote (out_<rate>_<bits>_<ch>_<options>.raw,
#                              the samples it was given in the matching .can) with sox in
#                              the layout its options name, and compares.
set -eu
mode="$1"
dir="$2"
command -v sox >/dev/null || { echo "sox missing: run tools/setup.sh"; exit 1; }

canon() {   # bits: sox output options for canonical PCM
    if [ "$1" = 8 ]; then echo "-e unsigned -b 8"; else echo "-e signed -b 16 -L"; fi
}
layout() {  # bits options: sox options for that stored layout
    if [ "$1" = 8 ]; then
        if [ $(($2 & 4)) -ne 0 ]; then echo "-b 8 -e signed"; else echo "-b 8 -e unsigned"; fi
    else
        e=signed; [ $(($2 & 8)) -ne 0 ] && e=unsigned
        o=-L; [ $(($2 & 2)) -ne 0 ] && o=-B
        echo "-b 16 -e $e $o"
    fi
}

if [ "$mode" = make ]; then
    list="$3"
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir"
    : >list.txt
    grep -v '^#' "$list" | while read -r name rate bits ch opt soxopts; do
        [ -n "$name" ] || continue
        # shellcheck disable=SC2086
        sox -D -n -r "$rate" -c "$ch" $soxopts -t raw "$name" synth 0.3 sine 440 sine 661 vol 0.9
        # shellcheck disable=SC2046
        sox -D -t raw -r "$rate" -c "$ch" $soxopts "$name" -t raw $(canon "$bits") "$name.ref"
        echo "$name $bits $ch $rate $opt" >>list.txt
    done
    wc -l <list.txt | sed 's/^/sox files made: /'
    exit 0
fi

[ "$mode" = check ] || { echo "usage: interop.sh make DIR LIST | check DIR EXT"; exit 2; }
cd "$dir"
n=0
ls out_*.raw >/dev/null 2>&1 || { echo "no files written by the module in $dir: skipped"; exit 77; }
for w in out_*.raw; do
    base="${w%.raw}"
    rate="$(echo "$base" | cut -d_ -f2)"; bits="$(echo "$base" | cut -d_ -f3)"
    ch="$(echo "$base" | cut -d_ -f4)"; opt="$(echo "$base" | cut -d_ -f5)"
    # shellcheck disable=SC2046
    sox -D -t raw -r "$rate" -c "$ch" $(layout "$bits" "$opt") "$w" -t raw $(canon "$bits") "$base.sox"
    cmp "$base.sox" "$base.can" || { echo "sox reads other samples from $w"; exit 1; }
    n=$((n + 1))
done
echo "sox: $n files checked"
