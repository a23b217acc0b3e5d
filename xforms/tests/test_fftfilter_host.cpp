/*
 * FFT Filter in the real transform host, run as the repeat of the last command (no dialog)
 * on mono and stereo waves, so the host's Convolute does the work with the module's filter
 * layouts: a flat curve gives the wave back within the convolution's truncation (1 LSB) and
 * with no shift in time, a low-pass drawn into the graph keeps a 500 Hz tone and removes
 * one at 3000 Hz up to the selection's last frame, the frames around the selection stay as
 * they were, and Undo gives the original back.
 */
#include "xfmfixture.h"
#include "plugins/graph.h"

#include <math.h>

namespace {

const double kPi = 3.14159265358979323846;

std::vector<int16_t> samples()
{
    std::vector<int16_t> w(Wave.dataLength / 2);
    if (!w.empty())
        vocRead(w.data(), 0, (uint32_t)w.size() * 2);
    return w;
}

/* Amplitude of the tone at hz in channel ch of interleaved samples. */
double amplitude(const std::vector<int16_t> &s, int channels, int ch, double hz, size_t from, size_t frames)
{
    double c = 0, q = 0;
    for (size_t i = from; i < from + frames; i++) {
        c += s[i * channels + ch] * cos(2 * kPi * hz * i / 44100.0);
        q += s[i * channels + ch] * sin(2 * kPi * hz * i / 44100.0);
    }
    return 2 * sqrt(c * c + q * q) / frames;
}

TEST_F(XfmTest, FilterThroughTheHostKeepsTimingAndStopsWhatTheCurveStops)
{
    std::string dir = moduleDir("fftfilter", {"fftfilter"});
    ASSERT_EQ(1, xfmScan(dir.c_str(), 32, NULL));
    int r = row("FFT Filter");
    ASSERT_GE(r, 0);
    /* The selection ends 100 frames before the end of Convolute's third block of new frames
       (4411 taps at 44.1 kHz: blocks of 32768, 28357 new frames), so its last frames come
       out only when the run goes on past the selection by the filter's delay. */
    const uint32_t frames = 3 * 44100, from = 20000, to = from + 3 * 28357 - 100 - 1;
    for (int channels = 1; channels <= 2; channels++) {
        SCOPED_TRACE(channels);
        std::vector<int16_t> wave(frames * channels);
        for (uint32_t i = 0; i < frames; i++) {
            double v = 8000 * sin(2 * kPi * 500 * i / 44100.0) + 8000 * sin(2 * kPi * 3000 * i / 44100.0);
            wave[i * channels] = (int16_t)lrint(v);
            if (channels == 2)
                wave[i * 2 + 1] = (int16_t)lrint(-v / 2);
        }
        ASSERT_EQ(0, tempStoreSetup((uint16_t)channels, 44100, 16));
        ASSERT_EQ(0, vocAppend(wave.data(), (uint32_t)wave.size() * 2));
        Doc.viewStart = 0;
        Doc.viewEnd = frames - 1;
        select(from, to);

        /* A flat curve at 0 dB (fresh settings, or put back). */
        if (XfmHost.rows[r].data) {
            short graph = -1;
            memcpy(&graph, (char *)GlobalLock(XfmHost.rows[r].data) + 4, 2);
            GlobalUnlock(XfmHost.rows[r].data);
            graphapiSetPoint(graph, 0, 0, 0, 0);
            graphapiSetPoint(graph, 1, 24000, 0, 1);
        }
        RunTransformCommand(IDM_XFM_FIRST + r, 1);
        EXPECT_STREQ("Undo FFT Filter", Doc.undoText);
        std::vector<int16_t> flat = samples();
        ASSERT_EQ(wave.size(), flat.size());
        int worst = 0;
        for (uint32_t i = 0; i < wave.size(); i++) {
            uint32_t f = i / channels;
            if (f < from || f > to)
                ASSERT_EQ(wave[i], flat[i]) << "outside the selection " << i;
            else
                worst = std::max(worst, abs(wave[i] - flat[i]));
        }
        EXPECT_LE(worst, 1) << "a flat response gives the wave back, unshifted";

        /* The low-pass drawn into the settings' graph. */
        short graph = -1;
        memcpy(&graph, (char *)GlobalLock(XfmHost.rows[r].data) + 4, 2);
        GlobalUnlock(XfmHost.rows[r].data);
        ASSERT_GE(graph, 0);
        const long xy[] = {0, 0, 1000, 0, 1200, -100, 24000, -100};
        for (short i = 0; i < 4; i++)
            graphapiSetPoint(graph, i, xy[2 * i], xy[2 * i + 1], i == 3);
        RunTransformCommand(IDM_XFM_FIRST + r, 1);
        std::vector<int16_t> low = samples();
        ASSERT_EQ(wave.size(), low.size());
        for (int ch = 0; ch < channels; ch++) {
            double a = ch ? 4000 : 8000;
            EXPECT_NEAR(a, amplitude(low, channels, ch, 500, 44100, 44100), a * 0.06) << "0.5 dB";
            EXPECT_LT(amplitude(low, channels, ch, 3000, 44100, 44100), a / 1000) << "at least 60 dB down";
            EXPECT_LT(amplitude(low, channels, ch, 3000, to - 2204, 2205), a / 10)
                << "the selection's last frames are filtered too";
        }
        for (uint32_t i = 0; i < from * channels; i++)
            ASSERT_EQ(wave[i], low[i]) << i;

        EXPECT_EQ(0, undoPerform());
        EXPECT_EQ(0, undoPerform());
        EXPECT_EQ(wave, samples()) << "Undo gives the original back";
        undoFree();
        tempStoreTeardown(1);
    }
}

}  // namespace
