/*
 * The FFT family: PCM into FftArrays, the power-of-two FFT against a double-precision DFT
 * and against the radix-2 recurrence, the six analysis windows and their table, and the way
 * back to PCM with its limits.  Outputs start as a poison pattern so a skipped or extra
 * write shows.
 */
#include "dsp/dsp.h"
#include "dspref.h"

#include <gtest/gtest.h>
#include <string.h>

using dref::C;

namespace {

const float POISON = -12345.678f;

std::vector<float> poisoned(size_t n) { return std::vector<float>(n, POISON); }

/* FftArray of a complex signal. */
std::vector<float> toArray(const std::vector<C> &x)
{
    std::vector<float> a(2 * x.size() + 1, 0.0f);
    for (size_t j = 0; j < x.size(); j++) {
        a[2 * j + 1] = (float)x[j].real();
        a[2 * j + 2] = (float)x[j].imag();
    }
    return a;
}

std::vector<C> fromArray(const std::vector<float> &a, size_t n)
{
    std::vector<C> x(n);
    for (size_t j = 0; j < n; j++)
        x[j] = C(a[2 * j + 1], a[2 * j + 2]);
    return x;
}

/* The radix-2 recurrence written out plainly, with the rotation held in two floats. */
void recurrence(float *data, long nn, int isign)
{
    long n = nn << 1, j = 1;
    for (long i = 1; i < n; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        long m = nn;
        while (m >= 2 && j > m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    for (long mmax = 2; n > mmax; mmax <<= 1) {
        long istep = mmax << 1;
        double theta = 6.2831854820251465 / (mmax * isign);
        double t = sin(0.5 * theta), c = 1 - 2 * t * t, s = sin(theta);
        float wr = 1, wi = 0;
        for (long m = 1; m < mmax; m += 2) {
            for (long i = m; i < n; i += istep) {
                long k = i + mmax;
                double tr = (double)wr * data[k] - (double)wi * data[k + 1];
                double ti = (double)wr * data[k + 1] + (double)wi * data[k];
                data[k] = (float)(data[i] - tr);
                data[k + 1] = (float)(data[i + 1] - ti);
                data[i] = (float)(data[i] + tr);
                data[i + 1] = (float)(data[i + 1] + ti);
            }
            float nwr = (float)(wr * c - wi * s);
            wi = (float)(wi * c + wr * s);
            wr = nwr;
        }
    }
}

class Fft : public ::testing::Test {
protected:
    void SetUp() override
    {
        osFaultReset();
        dspShutdown();
        SetWindowType(0);
    }
    void TearDown() override
    {
        osFaultReset();
        dspShutdown();
    }
};

/* ---- 1. PCM in ---- */

TEST_F(Fft, SetCallsScaleSamplesAndClearIndexZero)
{
    int16_t s16[4] = {-32768, 16384, 0, 32767};
    uint8_t s8[4] = {0, 128, 255, 64};
    std::vector<float> a = poisoned(12);
    SetFFT16bit(a.data(), s16, 4);
    EXPECT_EQ(0.0f, a[0]);
    EXPECT_EQ(-1.0f, a[1]);
    EXPECT_EQ(0.5f, a[3]);
    EXPECT_EQ(0.0f, a[5]);
    EXPECT_EQ(32767.0f / 32768.0f, a[7]);
    for (int j = 0; j < 4; j++)
        EXPECT_EQ(0.0f, a[2 * j + 2]);
    EXPECT_EQ(POISON, a[9]);   /* nothing past 2N */

    a = poisoned(12);
    SetFFT8bit(a.data(), s8, 4);
    EXPECT_EQ(0.0f, a[0]);
    EXPECT_EQ(-1.0f, a[1]);
    EXPECT_EQ(0.0f, a[3]);
    EXPECT_EQ(127.0f / 128.0f, a[5]);
    EXPECT_EQ(-0.5f, a[7]);
    EXPECT_EQ(0.0f, a[8]);
    EXPECT_EQ(POISON, a[9]);
}

TEST_F(Fft, StereoSetCallsPutLeftRealAndRightImaginary)
{
    int16_t l16[3] = {100, -200, 300}, r16[3] = {-1, 2, -32768};
    int16_t i16[6] = {100, -1, -200, 2, 300, -32768};
    uint8_t l8[3] = {0, 200, 128}, r8[3] = {255, 1, 64};
    uint8_t i8[6] = {0, 255, 200, 1, 128, 64};
    std::vector<float> a = poisoned(9), b = poisoned(9);
    SetStereoFFT16bit(a.data(), l16, r16, 3);
    SetStereoFFT16bitInterleaved(b.data(), i16, 3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(0.0f, a[0]);
    EXPECT_EQ(-200.0f / 32768, a[3]);
    EXPECT_EQ(-1.0f, a[6]);
    a = poisoned(9);
    b = poisoned(9);
    SetStereoFFT8bit(a.data(), l8, r8, 3);
    SetStereoFFT8bitInterleaved(b.data(), i8, 3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(0.0f, a[0]);
    EXPECT_EQ(-1.0f, a[1]);
    EXPECT_EQ(127.0f / 128, a[2]);
    EXPECT_EQ(-0.5f, a[6]);
}

TEST_F(Fft, SetCallsWithNoLengthWriteOnlyIndexZero)
{
    int16_t s[2] = {1, 2};
    for (short n : {(short)0, (short)-5}) {
        std::vector<float> a = poisoned(5);
        SetFFT16bit(a.data(), s, n);
        SetStereoFFT8bitInterleaved(a.data(), s, n);
        EXPECT_EQ(0.0f, a[0]);
        EXPECT_EQ(POISON, a[1]);
    }
}

/* ---- 2. the FFT ---- */

TEST_F(Fft, ImpulseGivesOneInEveryBinBothSigns)
{
    for (int n = 2; n <= 16384; n *= 2)
        for (short sign : {(short)1, (short)-1}) {
            std::vector<float> a(2 * n + 1, 0.0f);
            a[1] = 1.0f;
            FFT(a.data(), (short)n, sign);
            for (int j = 0; j < n; j++) {
                ASSERT_EQ(1.0f, a[2 * j + 1]) << n << " bin " << j;
                ASSERT_EQ(0.0f, a[2 * j + 2]) << n << " bin " << j;
            }
        }
}

TEST_F(Fft, SineLandsInItsBinWithTheSignsExponent)
{
    /* x_k = e^{2 pi i 5k/N}: sign -1 sums x e^{-2 pi i jk/N}, so bin 5 holds N; sign +1
       puts it in bin N - 5. */
    const int n = 256;
    std::vector<C> x(n);
    for (int k = 0; k < n; k++)
        x[k] = std::polar(1.0, 2 * 3.14159265358979323846 * 5 * k / n);
    for (short sign : {(short)-1, (short)1}) {
        std::vector<float> a = toArray(x);
        FFT(a.data(), n, sign);
        int peak = sign < 0 ? 5 : n - 5;
        for (int j = 0; j < n; j++) {
            double want = j == peak ? n : 0;
            EXPECT_NEAR(want, a[2 * j + 1], 2e-3) << "sign " << sign << " bin " << j;
            EXPECT_NEAR(0, a[2 * j + 2], 2e-3) << "sign " << sign << " bin " << j;
        }
    }
}

TEST_F(Fft, MatchesTheDefinitionAtEveryLength)
{
    for (int n = 2; n <= 4096; n *= 2)
        for (short sign : {(short)1, (short)-1}) {
            std::vector<C> x = dref::randomSignal(n, 7u + n);
            std::vector<float> a = toArray(x);
            FFT(a.data(), (short)n, sign);
            double e = dref::relError(fromArray(a, n), dref::dft(x, sign));
            EXPECT_LT(e, 1e-6) << "n " << n << " sign " << sign;
        }
}

TEST_F(Fft, EqualsTheRecurrenceToSinglePrecision)
{
    for (int n : {8, 2048, 16384}) {
        std::vector<C> x = dref::randomSignal(n, 99);
        std::vector<float> a = toArray(x), b = a;
        FFT(a.data(), (short)n, 1);
        recurrence(b.data(), n, 1);
        EXPECT_LT(dref::relError(fromArray(a, n), fromArray(b, n)), 1e-5) << n;
    }
}

TEST_F(Fft, ForwardThenBackwardGivesNTimesTheInput)
{
    for (int n : {2, 4, 64, 2048, 16384}) {
        std::vector<C> x = dref::randomSignal(n, 3);
        std::vector<float> a = toArray(x);
        FFT(a.data(), (short)n, 1);
        FFT(a.data(), (short)n, -1);
        std::vector<C> want(x);
        for (C &v : want)
            v *= n;
        EXPECT_LT(dref::relError(fromArray(a, n), want), 1e-6) << n;
        EXPECT_EQ(0.0f, a[0]);   /* index 0 is not data */
    }
}

TEST_F(Fft, WithoutMemoryForTablesTheResultIsTheSame)
{
    const int n = 1024;
    std::vector<C> x = dref::randomSignal(n, 5);
    std::vector<float> a = toArray(x);
    OsFault.allocBudget = 0;
    FFT(a.data(), n, -1);
    osFaultReset();
    EXPECT_EQ(nullptr, Dsp.fftPlan[10]);
    EXPECT_LT(dref::relError(fromArray(a, n), dref::dft(x, -1)), 1e-5);
}

TEST_F(Fft, LengthsThatAreNoPowerOfTwoLeaveTheDataAlone)
{
    for (short n : {(short)0, (short)1, (short)3, (short)12, (short)1000, (short)-8, (short)-32768}) {
        std::vector<float> a(2 * 1000 + 1);
        for (size_t i = 0; i < a.size(); i++)
            a[i] = (float)i;
        std::vector<float> before = a;
        FFT(a.data(), n, 1);
        EXPECT_EQ(before, a) << n;
    }
}

/* ---- 3. windows ---- */

/* The weight of sample j by the formulas, in long double. */
float expectedWeight(int type, int n, int j)
{
    const long double tp = 6.2831854820251465L;
    int m = n / 2;
    int jj = j < m ? j : n - 1 - j;   /* the mirror image in the left half */
    long double k = m - 1 - jj, x = tp * jj / n;
    switch (type) {
    case 0: return (float)(1 - k / (m + 1));
    case 1: return (float)(0.5001L - 0.4999L * cosl(x));
    case 2: return (float)(0.54L - 0.46L * cosl(x));
    case 3: return (float)(0.42L - 0.5L * cosl(x) + 0.08L * cosl(2 * x));
    case 4: return (float)(cosl(tp / 2 * k / n) * cosl(tp / 2 * k / n));
    default: return (float)(0.35875L - 0.48829L * cosl(x) + 0.14128L * cosl(2 * x) - 0.01168L * cosl(3 * x));
    }
}

TEST_F(Fft, EveryWindowsWeightsAt8And2048)
{
    for (int type = 0; type <= 5; type++)
        for (int n : {8, 2048}) {
            EXPECT_EQ(type, SetWindowType((short)type));
            std::vector<float> a(2 * n + 1, 1.0f);
            WindowFFT(a.data(), (short)n, 1);
            for (int j = 0; j < n; j++) {
                float want = expectedWeight(type, n, j);
                ASSERT_NEAR(want, a[2 * j + 1], 1e-6) << "type " << type << " n " << n << " j " << j;
                ASSERT_EQ(a[2 * j + 1], a[2 * j + 2]);
                ASSERT_EQ(a[2 * j + 1], a[2 * (n - 1 - j) + 1]) << "not symmetric";
            }
        }
}

TEST_F(Fft, TriangleAndHanningFixedValues)
{
    std::vector<float> a(17, 1.0f);
    SetWindowType(0);
    WindowFFT(a.data(), 8, 0);
    const float tri[8] = {0.4f, 0.6f, 0.8f, 1.0f, 1.0f, 0.8f, 0.6f, 0.4f};
    for (int j = 0; j < 8; j++) {
        EXPECT_FLOAT_EQ(tri[j], a[2 * j + 1]);
        EXPECT_EQ(1.0f, a[2 * j + 2]);   /* stereo 0: imaginary parts untouched */
    }
    EXPECT_EQ(1.0f, a[0]);
    std::vector<float> h(2 * 2048 + 1, 1.0f);
    SetWindowType(1);
    WindowFFT(h.data(), 2048, 0);
    EXPECT_FLOAT_EQ(0.0002f, h[1]);            /* the outermost weight is not 0 */
    EXPECT_FLOAT_EQ(0.0002f, h[2 * 2047 + 1]);
}

TEST_F(Fft, TableIsReusedAndRebuiltWhenTypeOrLengthChanges)
{
    std::vector<float> a(2 * 64 + 1, 1.0f);
    SetWindowType(2);
    WindowFFT(a.data(), 64, 0);
    const float *table = Dsp.window.weight;
    ASSERT_NE(nullptr, table);
    OsFault.allocBudget = 0;   /* a reuse allocates nothing */
    WindowFFT(a.data(), 64, 0);
    EXPECT_EQ(table, Dsp.window.weight);
    EXPECT_FLOAT_EQ(0.08f * 0.08f, a[1]);
    osFaultReset();
    SetWindowType(3);
    std::vector<float> b(2 * 64 + 1, 1.0f);
    WindowFFT(b.data(), 64, 0);
    EXPECT_EQ(3, Dsp.window.builtType);
    EXPECT_NEAR(expectedWeight(3, 64, 10), b[21], 1e-7);
    WindowFFT(b.data(), 32, 0);
    EXPECT_EQ(32, Dsp.window.n);
    WindowFFT(b.data(), 0, 0);   /* frees */
    EXPECT_EQ(nullptr, Dsp.window.weight);
    std::vector<float> c = b;
    IWindowFFT(b.data(), 1);     /* no table: nothing */
    EXPECT_EQ(c, b);
}

TEST_F(Fft, InverseWindowUndoesTheWindow)
{
    const int n = 512;
    std::vector<C> x = dref::randomSignal(n, 11);
    std::vector<float> a = toArray(x);
    SetWindowType(2);
    WindowFFT(a.data(), n, 1);
    IWindowFFT(a.data(), 1);
    EXPECT_LT(dref::relError(fromArray(a, n), x), 1e-6);
    /* stereo 0 leaves the imaginary parts alone both ways */
    std::vector<float> b = toArray(x);
    WindowFFT(b.data(), n, 0);
    for (int j = 0; j < n; j++)
        ASSERT_EQ((float)x[j].imag(), b[2 * j + 2]);
}

TEST_F(Fft, WindowTypeAndBadLengths)
{
    EXPECT_EQ(0, SetWindowType(-3));
    EXPECT_EQ(0, Dsp.window.type);
    EXPECT_EQ(5, SetWindowType(5));
    std::vector<float> a(2 * 9 + 1, 1.0f), before = a;
    WindowFFT(a.data(), 7, 1);     /* odd */
    WindowFFT(a.data(), -8, 1);    /* negative */
    EXPECT_EQ(before, a);
    EXPECT_EQ(nullptr, Dsp.window.weight);
    SetWindowType(9);              /* outside 0..5: weighs 1 */
    WindowFFT(a.data(), 8, 1);
    EXPECT_EQ(before, a);
}

/* ---- 4. back to PCM ---- */

TEST_F(Fft, BackTo16BitLimitsToPlusMinus32767AndTruncates)
{
    const short n = 4;   /* scale 8192 */
    float v[4][2] = {{5.0f, -5.0f}, {1.9f / 8192, -1.9f / 8192}, {1000.0f / 8192, -1000.0f / 8192}, {0, 0}};
    std::vector<float> a(9, 0.0f);
    for (int j = 0; j < 4; j++) {
        a[2 * j + 1] = v[j][0];
        a[2 * j + 2] = v[j][1];
    }
    int16_t out[8];
    memset(out, 0x66, sizeof out);
    GetStereoFFT16bitInterleaved(a.data(), out, n, 0);
    const int16_t want[8] = {32767, -32767, 1, -1, 1000, -1000, 0, 0};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(want[i], out[i]) << i;
}

TEST_F(Fft, BackTo16BitMode1SubtractsWithoutLimit)
{
    std::vector<float> a(5, 0.0f);
    a[1] = -10000.0f / 16384;   /* n = 2: scale 16384 */
    a[2] = 2.5f / 16384;
    a[3] = 0;
    a[4] = 1e12f;               /* beyond 32 bits: the low bits of 0x80000000 */
    int16_t out[4] = {30000, 7, -5, 1234};
    GetStereoFFT16bitInterleaved(a.data(), out, 2, 1);
    EXPECT_EQ((int16_t)40000, out[0]);   /* wraps, no limiting */
    EXPECT_EQ(4, out[1]);               /* 7 - 2.5 = 4.5, truncated */
    EXPECT_EQ(-5, out[2]);
    EXPECT_EQ(0, out[3]);
    int16_t keep[4] = {1, 2, 3, 4};
    GetStereoFFT16bitInterleaved(a.data(), keep, 2, 2);   /* other modes: nothing */
    EXPECT_EQ(1, keep[0]);
    EXPECT_EQ(4, keep[3]);
}

TEST_F(Fft, BackTo8BitOffsetLimitAndMode1)
{
    std::vector<float> a(5, 0.0f);
    a[1] = 200.0f / 64;   /* n = 2: scale 64 */
    a[2] = -200.0f / 64;
    a[3] = 10.9f / 64;
    a[4] = -10.9f / 64;
    uint8_t out[4];
    memset(out, 0x66, sizeof out);
    GetStereoFFT8bitInterleaved(a.data(), out, 2, 0);
    EXPECT_EQ(255, out[0]);
    EXPECT_EQ(0, out[1]);
    EXPECT_EQ(138, out[2]);   /* 138.9 */
    EXPECT_EQ(117, out[3]);   /* 117.1 */
    uint8_t dst[4] = {10, 250, 0, 100};
    GetStereoFFT8bitInterleaved(a.data(), dst, 2, 1);
    EXPECT_EQ((uint8_t)(10 - 200), dst[0]);   /* no offset, no limit */
    EXPECT_EQ((uint8_t)(250 + 200), dst[1]);
    EXPECT_EQ((uint8_t)-10, dst[2]);          /* -10.9 truncates to -10 */
    EXPECT_EQ(110, dst[3]);                   /* 110.9 */
}

TEST_F(Fft, RoundTripThroughPcm)
{
    const int n = 1024;
    std::vector<int16_t> pcm(2 * n), back(2 * n, 0x6666);
    uint32_t seed = 1;
    for (int16_t &s : pcm)
        s = (int16_t)(dref::noise(seed) * 32767);
    std::vector<float> a(2 * n + 1);
    SetStereoFFT16bitInterleaved(a.data(), pcm.data(), n);
    FFT(a.data(), n, 1);
    FFT(a.data(), n, -1);
    GetStereoFFT16bitInterleaved(a.data(), back.data(), n, 0);
    for (int i = 0; i < 2 * n; i++)
        ASSERT_LE(abs(pcm[i] - back[i]), 1) << i;
}

} // namespace
