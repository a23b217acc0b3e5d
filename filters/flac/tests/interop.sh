#!/bin/sh
# Interoperability of flac.flt with the reference flac command.
#   interop.sh make DIR   makes wave files with sox at 8, 16 and 24 bits, mono and stereo, several
#                         rates; compresses each with `flac -0` .. `-8`; and keeps sox's own
#                         8/16-bit raw reading of each wave for the Wine test to compare with;
#                         plus one file with tags and a cue sheet;
#   interop.sh check DIR  checks that the files the module wrote there (out_*.flac, with the
#                         samples it was given in out_*.raw) pass `flac -t` and decode with
#                         `flac -d` to exactly those samples.
# No dither anywhere (-D): the references must be the plain rounding of the samples.
set -eu
mode="$1"
dir="$2"
command -v sox >/dev/null || { echo "sox missing: run tools/setup.sh"; exit 1; }
command -v flac >/dev/null || { echo "flac missing: run tools/setup.sh"; exit 1; }

if [ "$mode" = make ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir"
    # name  rate  sox output options
    while read -r name rate opts; do
        # shellcheck disable=SC2086
        sox -D -n -r "$rate" $opts "$name.wav" synth 0.3 sine 440 sine 661 vol 0.9 : synth 0.2 whitenoise vol 0.5
        case "$name" in
            u8*) sox -D "$name.wav" -t raw -e unsigned -b 8 "$name.ref" ;;
            *)   sox -D "$name.wav" -t raw -e signed -b 16 -L "$name.ref" ;;
        esac
        for level in 0 1 2 3 4 5 6 7 8; do
            flac -s -f "-$level" -o "${name}_l$level.flac" "$name.wav"
        done
    done <<EOF2
u8_mono 8000 -c 1 -b 8 -e unsigned
u8_stereo 22050 -c 2 -b 8 -e unsigned
s16_mono 11025 -c 1 -b 16 -e signed
s16_stereo 44100 -c 2 -b 16 -e signed
s16_stereo48 48000 -c 2 -b 16 -e signed
s24_stereo 96000 -c 2 -b 24 -e signed
EOF2
    printf 'FILE "x.wav" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:20\n' > tags.cue
    flac -s -f -5 -T "TITLE=Interop title" -T "ARTIST=Interop artist" -T "COMMENT=Interop comment" \
         --cuesheet=tags.cue -o tags.flac s16_stereo.wav
    ls ./*.flac | wc -l | sed 's/^/flac files made: /'
    exit 0
fi

[ "$mode" = check ] || { echo "usage: interop.sh make|check DIR"; exit 2; }
cd "$dir"
n=0
ls out_*.flac >/dev/null 2>&1 || { echo "no files written by the module in $dir: skipped"; exit 77; }
for f in out_*.flac; do
    base="${f%.flac}"
    flac -s -t "$f" || { echo "flac -t fails on $f"; exit 1; }
    bits="$(metaflac --show-bps "$f")"
    if [ "$bits" = 8 ]; then sign=unsigned; else sign=signed; fi
    flac -s -f -d --force-raw-format --endian=little --sign=$sign -o "$base.dec" "$f"
    cmp "$base.dec" "$base.raw" || { echo "flac -d gives other samples from $f"; exit 1; }
    # sox reads it too (through its own FLAC support) and agrees
    if [ "$bits" = 8 ]; then enc="-e unsigned -b 8"; else enc="-e signed -b 16 -L"; fi
    # shellcheck disable=SC2086
    sox -D "$f" -t raw $enc "$base.sox"
    cmp "$base.sox" "$base.raw" || { echo "sox reads other samples from $f"; exit 1; }
    n=$((n + 1))
done
# The file with items carries its texts as comments and its cues as a cue sheet.
if [ -f out_items.flac ]; then
    metaflac --export-tags-to=- out_items.flac | grep -qx "TITLE=Flac filter title" || { echo "TITLE missing"; exit 1; }
    metaflac --list --block-type=CUESHEET out_items.flac | grep -q "offset: 1000" || { echo "cue sheet missing"; exit 1; }
fi
echo "flac -t, flac -d and sox: $n files checked"
