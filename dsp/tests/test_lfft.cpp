/*
 * LFFT: the factor order, transforms of many lengths against a double-precision DFT, the
 * round trip, and the lengths whose square-free part exceeds the permutation limit.
 */
#include "dsp/dsp.h"
#include "dspref.h"

#include <algorithm>
#include <gtest/gtest.h>

using dref::C;

namespace {

class Lfft : public ::testing::Test {
protected:
    void SetUp() override { osFaultReset(); dspShutdown(); }
    void TearDown() override { osFaultReset(); dspShutdown(); }

    static std::vector<C> run(const std::vector<C> &x, short sign)
    {
        std::vector<double> re(x.size()), im(x.size());
        for (size_t i = 0; i < x.size(); i++) {
            re[i] = x[i].real();
            im[i] = x[i].imag();
        }
        LFFT(re.data(), im.data(), (int32_t)x.size(), sign);
        std::vector<C> out(x.size());
        for (size_t i = 0; i < x.size(); i++)
            out[i] = C(re[i], im[i]);
        return out;
    }
    static std::vector<int> factors(int32_t n, int *limited = nullptr)
    {
        int f[64], lim = 0;
        int k = dspLfftFactors(n, f, 64, &lim);
        if (limited)
            *limited = lim;
        return std::vector<int>(f, f + std::max(k, 0));
    }
};

TEST_F(Lfft, FactorOrderSquaresFreeThenSquaresMirrored)
{
    EXPECT_EQ((std::vector<int>{4, 4, 4, 4, 4}), factors(1024));
    EXPECT_EQ((std::vector<int>{4, 4, 4, 2, 4, 4, 4}), factors(8192));
    EXPECT_EQ((std::vector<int>{2, 3, 5, 7}), factors(210));
    EXPECT_EQ((std::vector<int>{2, 3, 2}), factors(12));
    EXPECT_EQ((std::vector<int>{3, 5, 7, 7, 5, 3}), factors(9 * 25 * 49));
    EXPECT_EQ((std::vector<int>{4, 3, 2, 5, 3, 4}), factors(16 * 9 * 10));
    EXPECT_EQ((std::vector<int>{199}), factors(199));
    int limited = 0;
    factors(210, &limited);
    EXPECT_EQ(0, limited);
    factors(2310, &limited);
    EXPECT_EQ(1, limited);
    factors(211, &limited);
    EXPECT_EQ(1, limited);
}

TEST_F(Lfft, MatchesTheDefinitionForManyLengths)
{
    /* sign +1 takes the negative exponent */
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 12, 16, 30, 49, 64, 100, 105, 199, 210, 360, 1024, 2048, 11025 / 5}) {
        std::vector<C> x = dref::randomSignal(n, 17u + n);
        EXPECT_LT(dref::relError(run(x, 1), dref::dft(x, -1)), 1e-12) << n;
        EXPECT_LT(dref::relError(run(x, -1), dref::dft(x, 1)), 1e-12) << n;
    }
}

TEST_F(Lfft, LongerLengthsMatchTheDefinitionInEveryThirteenthBin)
{
    const double pi = 3.14159265358979323846;
    for (int n : {8192, 11025, 2 * 3 * 5 * 7 * 4 * 9}) {
        std::vector<C> x = dref::randomSignal(n, 5);
        std::vector<C> got = run(x, 1);
        double peak = 0, err = 0;
        for (int j = 0; j < n; j += 13) {
            C s = 0;
            for (int k = 0; k < n; k++)
                s += x[k] * std::polar(1.0, -2 * pi * (double)(((int64_t)j * k) % n) / n);
            peak = std::max(peak, std::abs(s));
            err = std::max(err, std::abs(s - got[j]));
        }
        EXPECT_LT(err / peak, 1e-11) << n;
    }
}

TEST_F(Lfft, ForwardThenBackwardGivesNTimesTheInput)
{
    for (int n : {210, 256, 1000, 4096, 262144}) {
        std::vector<C> x = dref::randomSignal(n, 9);
        std::vector<C> y = run(run(x, 1), -1);
        std::vector<C> want(x);
        for (C &v : want)
            v *= n;
        EXPECT_LT(dref::relError(y, want), 1e-12) << n;
    }
}

TEST_F(Lfft, LengthOneOrLessLeavesTheDataAlone)
{
    double re[2] = {3.5, 7}, im[2] = {-1.25, 8};
    for (int32_t n : {1, 0, -5, (int32_t)0x80000000}) {
        LFFT(re, im, n, 1);
        EXPECT_EQ(3.5, re[0]);
        EXPECT_EQ(-1.25, im[0]);
        EXPECT_EQ(7, re[1]);
    }
    LFFT(nullptr, im, 2, 1);   /* no arrays: nothing */
}

TEST_F(Lfft, OverTheLimitTheValuesAreThereButOutOfOrder)
{
#if !defined(_WIN32)
    testing::internal::CaptureStderr();
#endif
    const int n = 2310;
    std::vector<C> x = dref::randomSignal(n, 21);
    std::vector<C> got = run(x, 1), want = dref::dft(x, -1);
#if !defined(_WIN32)
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("permute:: product of square free factors exceeds allowed limit"));
#endif
    EXPECT_LT(std::abs(got[0] - want[0]), 1e-9);   /* the sum stays first */
    auto byValue = [](const C &a, const C &b) { return a.real() != b.real() ? a.real() < b.real() : a.imag() < b.imag(); };
    std::sort(got.begin(), got.end(), byValue);
    std::sort(want.begin(), want.end(), byValue);
    EXPECT_LT(dref::relError(got, want), 1e-9);    /* a permutation of the transform */
}

TEST_F(Lfft, APrimeOverTheLimitIsLeftAsItWasAndDoesNotHang)
{
    for (int n : {211, 1000003}) {
        std::vector<C> x = dref::randomSignal(n, 4);
        std::vector<C> y = run(x, 1);
        EXPECT_EQ(x, y) << n;
    }
}

TEST_F(Lfft, NoMemoryForTheTablesLeavesTheData)
{
    std::vector<C> x = dref::randomSignal(64, 1);
    OsFault.allocBudget = 0;
    std::vector<C> y = run(x, 1);
    osFaultReset();
    EXPECT_EQ(x, y);
    EXPECT_EQ(0, dspLfftPrepare(0) == 0);   /* lengths <= 1 need nothing */
}

} // namespace
