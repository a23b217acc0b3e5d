#!/bin/sh
# Interoperability of aiff.flt with sox.
#   interop.sh make DIR   makes AIFF and AIFF-C files with sox, and sox's own 8/16-bit raw
#                         reading of each (name.ref), listed in DIR/list.txt for the Wine test;
#   interop.sh check DIR  checks that the files the module wrote there (out_*.aiff, with the
#                         samples it was given in out_*.raw) read back identically in sox.
# No dither anywhere (-D): the references must be the plain rounding of the samples.
set -eu
mode="$1"
dir="$2"
command -v sox >/dev/null || { echo "sox missing: run tools/setup.sh"; exit 1; }

if [ "$mode" = make ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir"
    syn="synth 0.3 sine 440 sine 661 vol 0.9"
    : >list.txt
    # name  rate bits channels  extra sox output options
    while read -r name rate bits ch opts; do
        # shellcheck disable=SC2086
        sox -D -n -r "$rate" -c "$ch" -b "$bits" $opts "$name" $syn
        if [ "$bits" = 8 ]; then
            sox -D "$name" -t raw -e unsigned -b 8 "$name.ref"; out=8
        else
            sox -D "$name" -t raw -e signed -b 16 -L "$name.ref"; out=16
        fi
        echo "$name $out $ch $rate" >>list.txt
    done <<EOF2
s8_mono_8000.aiff 8000 8 1 -e signed
s8_stereo_22050.aiff 22050 8 2 -e signed
s16_mono_11025.aiff 11025 16 1 -e signed
s16_stereo_44100.aiff 44100 16 2 -e signed
s16_stereo_48000.aifc 48000 16 2 -e signed
s24_mono_96000.aiff 96000 24 1 -e signed
s32_stereo_32000.aiff 32000 32 2 -e signed
EOF2
    sox -D -n -r 22050 -c 2 -b 16 cues.aiff synth 0.2 sine 300
    wc -l <list.txt | sed 's/^/sox files made: /'
    exit 0
fi

[ "$mode" = check ] || { echo "usage: interop.sh make|check DIR"; exit 2; }
cd "$dir"
n=0
ls out_*.aiff >/dev/null 2>&1 || { echo "no files written by the module in $dir: skipped"; exit 77; }
for w in out_*.aiff; do
    base="${w%.aiff}"
    # out_<rate>_<bits>_<channels>
    rate="$(echo "$base" | cut -d_ -f2)"; bits="$(echo "$base" | cut -d_ -f3)"; ch="$(echo "$base" | cut -d_ -f4)"
    [ "$(sox --i -r "$w")" = "$rate" ] || { echo "sox sees another rate in $w"; exit 1; }
    [ "$(sox --i -c "$w")" = "$ch" ] || { echo "sox sees another channel count in $w"; exit 1; }
    [ "$(sox --i -b "$w")" = "$bits" ] || { echo "sox sees another sample size in $w"; exit 1; }
    if [ "$bits" = 8 ]; then enc="-e unsigned -b 8"; else enc="-e signed -b 16 -L"; fi
    # shellcheck disable=SC2086
    sox -D "$w" -t raw $enc "$base.sox"
    cmp "$base.sox" "$base.raw" || { echo "sox reads other samples from $w"; exit 1; }
    n=$((n + 1))
done
echo "sox: $n files checked"
