/*
 * The FFT Filter's design core: which curves are refused, the gain read off a curve, the
 * filter length, and the designed filters' responses against the curves they come from,
 * measured here by the textbook sum (not the core's own helper): passbands within 0.1 dB,
 * stopbands at least 70 dB down, exact linear phase and the delay of (taps - 1) / 2.
 */
#include "xforms/fftfilter/fftfcore.h"

#include <gtest/gtest.h>

#include <math.h>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

FftfCurve curve(std::initializer_list<long> xy)
{
    FftfCurve c{};
    std::vector<long> v(xy);
    c.count = (int)v.size() / 2;
    for (int i = 0; i < c.count; i++) {
        c.x[i] = v[2 * i];
        c.y[i] = v[2 * i + 1];
    }
    return c;
}

/* |H(f)| in dB by the definition, sum of h[n] e^{-i 2 pi f n / rate}. */
double responseDb(const std::vector<double> &h, double rate, double f)
{
    double re = 0, im = 0;
    for (size_t n = 0; n < h.size(); n++) {
        re += h[n] * cos(2 * kPi * f * n / rate);
        im -= h[n] * sin(2 * kPi * f * n / rate);
    }
    return 20 * log10(sqrt(re * re + im * im) + 1e-300);
}

std::vector<double> design(const FftfCurve &c, unsigned rate, uint32_t taps)
{
    std::vector<double> h(taps, 6.66e66);
    EXPECT_EQ(FFTF_OK, fftfDesign(&c, rate, taps, h.data()));
    return h;
}

/* ---- 1. Curves ---- */

TEST(FftfCore, CurvesWithoutPointsOrOrderOrSoundAreRefused)
{
    FftfCurve none{};
    EXPECT_EQ(FFTF_NO_POINTS, fftfCheck(&none));
    EXPECT_EQ(FFTF_NO_POINTS, fftfCheck(nullptr));
    FftfCurve one = curve({0, 0});
    EXPECT_EQ(FFTF_NO_POINTS, fftfCheck(&one));
    FftfCurve back = curve({0, 0, 500, 0, 500, -10, 24000, 0});
    EXPECT_EQ(FFTF_NOT_RISING, fftfCheck(&back));
    FftfCurve silent = curve({0, FFTF_DB_FLOOR, 24000, FFTF_DB_FLOOR - 5});
    EXPECT_EQ(FFTF_ALL_SILENT, fftfCheck(&silent));
    std::vector<double> h(15, 1.5);
    EXPECT_EQ(FFTF_NO_POINTS, fftfDesign(&none, 44100, 15, h.data()));
    EXPECT_EQ(1.5, h[0]) << "a refused curve leaves the filter alone";
    for (int p = 0; p < FFTF_PRESETS; p++) {
        FftfCurve c{};
        ASSERT_TRUE(fftfPresetCurve(p, &c));
        EXPECT_EQ(FFTF_OK, fftfCheck(&c)) << fftfPresetName(p);
        EXPECT_EQ(0, c.x[0]);
        EXPECT_EQ(FFTF_X_MAX, c.x[c.count - 1]);
    }
    EXPECT_FALSE(fftfPresetCurve(FFTF_PRESETS, nullptr));
}

TEST(FftfCore, GainIsStraightInDecibelsBetweenPointsAndHeldBeyond)
{
    FftfCurve c = curve({0, 0, 1000, -20, 2000, -20, 3000, FFTF_DB_FLOOR});
    EXPECT_DOUBLE_EQ(1.0, fftfGainAt(&c, 0));
    EXPECT_NEAR(pow(10, -10 / 20.0), fftfGainAt(&c, 500), 1e-12);
    EXPECT_NEAR(0.1, fftfGainAt(&c, 1500), 1e-12);
    EXPECT_EQ(0.0, fftfGainAt(&c, 3000)) << "the floor is silence";
    EXPECT_EQ(0.0, fftfGainAt(&c, 30000)) << "beyond the last point: its gain";
    FftfCurve up = curve({0, 0, 100, 6});
    EXPECT_NEAR(pow(10, 6 / 20.0), fftfGainAt(&up, 20000), 1e-12);
}

TEST(FftfCore, LengthIsOddAndHeldToItsLimits)
{
    EXPECT_EQ(4411u, fftfTaps(44100, 0)) << "a tenth of the rate, odd";
    EXPECT_EQ(801u, fftfTaps(8000, 0));
    EXPECT_EQ(1001u, fftfTaps(44100, 1000));
    EXPECT_EQ(15u, fftfTaps(44100, 3));
    EXPECT_EQ(15u, fftfTaps(100, 0));
    EXPECT_EQ(65535u, fftfTaps(44100, 1000000));
}

/* ---- 2. Designed filters ---- */

TEST(FftfCore, LowPassPresetPassesBelowAndStopsAboveItsCorner)
{
    FftfCurve c{};
    ASSERT_TRUE(fftfPresetCurve(FFTF_LOWPASS, &c));
    uint32_t taps = fftfTaps(44100, 0);
    std::vector<double> h = design(c, 44100, taps);
    for (double f : {0.0, 50.0, 440.0, 700.0, 900.0, 950.0})
        EXPECT_NEAR(0.0, responseDb(h, 44100, f), 0.1) << f;
    for (double f : {1300.0, 1500.0, 3000.0, 8000.0, 15000.0, 22050.0})
        EXPECT_LT(responseDb(h, 44100, f), -70.0) << f;
    double sum = 0;
    for (double v : h)
        sum += v;
    EXPECT_NEAR(1.0, sum, 1e-3) << "unity gain at 0 Hz";
}

TEST(FftfCore, EveryPresetFollowsItsCurveAwayFromTheCorners)
{
    for (unsigned rate : {8000u, 22050u, 44100u, 48000u}) {
        for (int p = 0; p < FFTF_PRESETS; p++) {
            FftfCurve c{};
            ASSERT_TRUE(fftfPresetCurve(p, &c));
            uint32_t taps = fftfTaps(rate, 0);
            std::vector<double> h = design(c, rate, taps);
            for (double f = 0; f <= rate / 2.0; f += rate / 2.0 / 97) {
                bool nearCorner = false;
                for (int i = 0; i < c.count; i++)
                    nearCorner |= fabs(f - c.x[i]) < 250;
                if (nearCorner)
                    continue;
                double want = fftfGainAt(&c, f);
                double got = responseDb(h, rate, f);
                if (want > 0.01)
                    EXPECT_NEAR(20 * log10(want), got, 0.1) << fftfPresetName(p) << " " << rate << " " << f;
                else
                    EXPECT_LT(got, -70.0) << fftfPresetName(p) << " " << rate << " " << f;
            }
        }
    }
}

TEST(FftfCore, FilterIsSymmetricSoItDelaysByHalfItsLength)
{
    FftfCurve c = curve({0, 0, 3000, 0, 5000, -40, 24000, -60});
    for (uint32_t taps : {15u, 101u, 1001u}) {
        std::vector<double> h = design(c, 22050, taps);
        for (uint32_t n = 0; n < taps; n++)
            ASSERT_DOUBLE_EQ(h[n], h[taps - 1 - n]) << taps << " " << n;
        size_t peak = 0;
        for (size_t n = 1; n < h.size(); n++)
            if (fabs(h[n]) > fabs(h[peak]))
                peak = n;
        EXPECT_EQ((taps - 1) / 2, peak);
    }
    std::vector<double> h = design(c, 22050, 1001);
    EXPECT_NEAR(fftfResponse(h.data(), 1001, 22050, 4000), pow(10, responseDb(h, 22050, 4000) / 20), 1e-9);
}

TEST(FftfCore, GainAboveUnityAndAnEvenLengthAreHandled)
{
    FftfCurve c = curve({0, 6, 24000, 6});
    std::vector<double> h = design(c, 44100, 201);
    EXPECT_NEAR(6.0, responseDb(h, 44100, 1000), 0.05);
    std::vector<double> g(200, 0);
    EXPECT_EQ(-1, fftfDesign(&c, 44100, 200, g.data())) << "the caller makes lengths odd";
    EXPECT_EQ(-1, fftfDesign(&c, 0, 201, h.data()));
}

}  // namespace
