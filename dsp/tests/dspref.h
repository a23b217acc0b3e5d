/*
 * dspref.h - independent double-precision references for the signal-analysis tests: the
 * plain DFT by its definition and the error of a float transform against it.
 */
#ifndef ZELO_DSPREF_H
#define ZELO_DSPREF_H

#include <complex>
#include <math.h>
#include <stdint.h>
#include <vector>

namespace dref {

typedef std::complex<double> C;

/* sum_k x_k e^{expSign 2 pi i jk/n}, with the angle reduced exactly (jk mod n). */
inline std::vector<C> dft(const std::vector<C> &x, int expSign)
{
    size_t n = x.size();
    std::vector<C> out(n), w(n);
    const double pi = 3.14159265358979323846;
    for (size_t t = 0; t < n; t++)
        w[t] = C(cos(2 * pi * (double)t / (double)n), expSign * sin(2 * pi * (double)t / (double)n));
    for (size_t j = 0; j < n; j++) {
        C s = 0;
        size_t t = 0;
        for (size_t k = 0; k < n; k++) {
            s += x[k] * w[t];
            t += j;
            if (t >= n)
                t -= n;
        }
        out[j] = s;
    }
    return out;
}

/* A reproducible pseudo-random value in [-1, 1). */
inline double noise(uint32_t &seed)
{
    seed = seed * 1664525u + 1013904223u;
    return (double)(seed >> 8) / (double)(1u << 23) - 1.0;
}

inline std::vector<C> randomSignal(size_t n, uint32_t seed)
{
    std::vector<C> x(n);
    for (size_t i = 0; i < n; i++) {
        double re = noise(seed);
        x[i] = C(re, noise(seed));
    }
    return x;
}

/* Largest |got - want| over the largest |want| (or 1 when all are 0). */
inline double relError(const std::vector<C> &got, const std::vector<C> &want)
{
    double peak = 0, err = 0;
    for (size_t i = 0; i < want.size(); i++) {
        peak = std::max(peak, std::abs(want[i]));
        err = std::max(err, std::abs(got[i] - want[i]));
    }
    return err / (peak > 0 ? peak : 1);
}

} // namespace dref

#endif
