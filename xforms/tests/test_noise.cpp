/*
 * Noise's core: the exact length of a duration, every colour held under its amplitude,
 * the same seed giving the same noise (in any pieces) and other seeds or channels other
 * noise; and the colours' spectra measured with numpy over a long run: white flat, pink
 * -3 dB and brown -6 dB per octave.
 */
#include "xforms/noise/noisecore.h"
#include "xforms/tests/fxref.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<short> noise(int colour, int ch, double amp, uint32_t seed, size_t frames, size_t piece = 4096,
                         uint32_t rate = 44100)
{
    NoiseState st;
    noiseInit(&st, colour, ch, amp, seed, rate);
    std::vector<short> out(frames * ch, 0x6666);
    for (size_t f = 0; f < frames; f += piece)
        noiseBlock(&st, out.data() + f * ch, std::min(piece, frames - f));
    return out;
}

TEST(Noise, DurationsBecomeExactFrameCounts)
{
    EXPECT_EQ(66150u, noiseFrames(1.5, 44100));
    EXPECT_EQ(1u, noiseFrames(1.0 / 44100, 44100));
    EXPECT_EQ(0u, noiseFrames(0, 44100));
    EXPECT_EQ(0u, noiseFrames(-1, 44100));
    EXPECT_EQ(0u, noiseFrames(3600.5, 44100)) << "over an hour";
    EXPECT_EQ(158760000u, noiseFrames(3600, 44100));
    EXPECT_EQ(16383.0, noiseAmplitudePercent(50));
    EXPECT_EQ(29203.0, noiseAmplitudeDb(-1));
}

TEST(Noise, NoColourEverPassesItsAmplitude)
{
    for (int colour = 0; colour < NOISE_COLOURS; colour++)
        for (double amp : {32767.0, 1000.0, 1.0}) {
            std::vector<short> s = noise(colour, 2, amp, 7, 1 << 19);
            int peak = 0;
            for (short v : s)
                peak = std::max(peak, abs((int)v));
            EXPECT_LE(peak, amp) << colour << " " << amp;
            EXPECT_GE(peak, amp * (colour == NOISE_PINK ? 0.45 : 0.9)) << "uses its range: " << colour << " " << amp;
        }
}

TEST(Noise, TheSeedDecidesTheNoise)
{
    for (int colour = 0; colour < NOISE_COLOURS; colour++) {
        std::vector<short> a = noise(colour, 2, 20000, 42, 50000, 50000);
        EXPECT_EQ(a, noise(colour, 2, 20000, 42, 50000, 333)) << "pieces: " << colour;
        EXPECT_NE(a, noise(colour, 2, 20000, 43, 50000)) << colour;
        int same = 0;
        for (size_t i = 0; i < a.size(); i += 2)
            same += a[i] == a[i + 1];
        EXPECT_LT(same, 2000) << "the channels are not one stream: " << colour;
    }
}

TEST(Noise, SpectraHaveTheirSlopesMeasuredWithNumpy)
{
    if (!fx::haveNumpy())
        GTEST_SKIP() << "python3 with numpy runs natively only";
    /* 2^21 frames per colour; Welch's average of Hann-windowed 8192-point spectra; the
       slope is a least-squares line through the power in octave bands from 100 Hz to
       6.4 kHz, and flatness the bands' spread around that line. */
    const char *script = R"(
import sys, numpy as np
rate, n = 44100, 8192
for name in sys.argv[1:]:
    x = np.fromfile(name, dtype='<i2').astype(np.float64)
    segs = x[: len(x) // n * n].reshape(-1, n)
    w = np.hanning(n)
    p = (np.abs(np.fft.rfft(segs * w, axis=1)) ** 2).mean(axis=0)
    f = np.arange(len(p)) * rate / n
    centres = 100 * 2 ** np.arange(7)
    bands = [10 * np.log10(p[(f >= c / 2 ** 0.5) & (f < c * 2 ** 0.5)].mean()) for c in centres]
    oct = np.arange(7)
    slope, icpt = np.polyfit(oct, bands, 1)
    spread = np.max(np.abs(np.array(bands) - (slope * oct + icpt)))
    print('%.3f %.3f' % (slope, spread))
)";
    std::string args;
    for (int colour = 0; colour < NOISE_COLOURS; colour++) {
        std::string p = fx::path(("noise" + std::to_string(colour) + ".raw").c_str());
        ASSERT_TRUE(fx::writeRaw(p, noise(colour, 1, 20000, 1, 1 << 21)));
        args += "'" + p + "' ";
    }
    ASSERT_TRUE(fx::python("noise.py", script, args + "> '" + fx::path("noise.txt") + "'"));
    std::string text = fx::readText(fx::path("noise.txt"));
    double slope[3], spread[3];
    ASSERT_EQ(6, sscanf(text.c_str(), "%lf %lf %lf %lf %lf %lf", &slope[0], &spread[0], &slope[1], &spread[1],
                        &slope[2], &spread[2]))
        << text;
    /* Power per hertz: white 0, pink -3, brown -6 dB per octave. */
    EXPECT_NEAR(0, slope[0], 0.2) << text;
    EXPECT_LT(spread[0], 0.5) << text;
    EXPECT_NEAR(-3, slope[1], 0.3) << text;
    EXPECT_LT(spread[1], 1.0) << text;
    EXPECT_NEAR(-6, slope[2], 0.3) << text;
    EXPECT_LT(spread[2], 1.0) << text;
}

} // namespace
