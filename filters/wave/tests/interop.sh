#!/bin/sh
# Interoperability of wave.flt with independent tools.
#   interop.sh make DIR   makes wave files with sox (and sox's own 16/8-bit raw reading of each)
#                         for the Wine test to open through the module;
#   interop.sh check DIR  checks that the files the module wrote there (out_*.wav, with the
#                         samples it was given in out_*.raw) read back identically in sox and in
#                         Python's wave module.
# No dither anywhere (-D): the references must be the plain rounding of the samples.
set -eu
mode="$1"
dir="$2"
command -v sox >/dev/null || { echo "sox missing: run tools/setup.sh"; exit 1; }

if [ "$mode" = make ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    cd "$dir"
    syn="synth 0.25 sine 440 sine 661 vol 0.9"
    # name  sox output options (channels, bits, encoding, container)
    while read -r name opts; do
        # shellcheck disable=SC2086
        sox -D -n -r 22050 $opts "$name.wav" $syn
        case "$name" in
            u8*) sox -D "$name.wav" -t raw -e unsigned -b 8 "$name.ref" ;;
            *)   sox -D "$name.wav" -t raw -e signed -b 16 -L "$name.ref" ;;
        esac
    done <<EOF
u8_mono -c 1 -b 8 -e unsigned
u8_stereo -c 2 -b 8 -e unsigned
s16_mono -c 1 -b 16 -e signed
s16_stereo -c 2 -b 16 -e signed
s24_ext -c 2 -b 24 -e signed
s24_plain -c 2 -b 24 -e signed -t wavpcm
s32_ext -c 1 -b 32 -e signed
s32_plain -c 1 -b 32 -e signed -t wavpcm
f32_ext -c 2 -b 32 -e float
f32_plain -c 2 -b 32 -e float -t wavpcm
f64_plain -c 1 -b 64 -e float -t wavpcm
alaw -c 1 -b 8 -e a-law
ulaw -c 2 -b 8 -e u-law
s16_comment -c 2 -b 16 -e signed --comment Interop_comment
s24_comment -c 1 -b 24 -e signed --comment Another
ima_mono -c 1 -e ima-adpcm
ima_stereo -c 2 -e ima-adpcm
EOF
    ls ./*.wav | wc -l | sed 's/^/sox files made: /'
    exit 0
fi

[ "$mode" = check ] || { echo "usage: interop.sh make|check DIR"; exit 2; }
cd "$dir"
n=0
# Nothing written: the Wine test was not part of this run (it fails by itself if it cannot write).
ls out_*.wav >/dev/null 2>&1 || { echo "no files written by the module in $dir: skipped"; exit 77; }
for w in out_*.wav; do
    base="${w%.wav}"
    bits="$(sox --i -b "$w")"
    if [ "$bits" = 8 ]; then enc="-e unsigned -b 8"; else enc="-e signed -b 16 -L"; fi
    # shellcheck disable=SC2086
    sox -D "$w" -t raw $enc "$base.sox"
    cmp "$base.sox" "$base.raw" || { echo "sox reads other samples from $w"; exit 1; }
    n=$((n + 1))
done
python3 - <<'EOF'
import glob, wave, sys
bad = 0
for name in sorted(glob.glob("out_*.wav")):
    raw = open(name[:-4] + ".raw", "rb").read()
    with wave.open(name, "rb") as w:
        frames = w.readframes(w.getnframes())
        parts = name[:-4].split("_")   # out_<rate>_<bits>_<channels>_...
        want = (int(parts[2]) // 8, int(parts[3]), int(parts[1]))
        got = (w.getsampwidth(), w.getnchannels(), w.getframerate())
        if frames != raw or got != want:
            print("python wave reads", name, "differently:", got, want, len(frames), len(raw))
            bad += 1
print("python wave module: %d files checked" % len(glob.glob("out_*.wav")))
sys.exit(1 if bad else 0)
EOF
echo "sox: $n files checked"
# Compressed files the module wrote (outc_<rate>_<bits>_<channels>_<options>.wav): sox must see
# the encoding the options chose and decode the samples the module itself reads back (.raw).
m=0
for w in outc_*.wav; do
    [ -e "$w" ] || break
    base="${w%.wav}"
    opt="$(echo "$base" | cut -d_ -f5)"
    case "$opt" in 2) want="u-law";; 3) want="A-law";; 4) want="IMA ADPCM";; *) want="?";; esac
    [ "$(sox --i -e "$w")" = "$want" ] || { echo "sox sees $(sox --i -e "$w") in $w, not $want"; exit 1; }
    sox -D "$w" -t raw -e signed -b 16 -L "$base.sox"
    # sox decodes IMA ADPCM to the end of the last block; the fact chunk ends the sound before.
    n="$(wc -c <"$base.raw")"
    [ "$(wc -c <"$base.sox")" -ge "$n" ] || { echo "sox decodes fewer samples from $w"; exit 1; }
    cmp -n "$n" "$base.sox" "$base.raw" || { echo "sox decodes $w differently from the module"; exit 1; }
    m=$((m + 1))
done
echo "sox: $m compressed files checked"
