/*
 * flacwrite.cpp - encoding 8/16-bit mono or stereo PCM into a FLAC file.
 *
 * Each block is tried as left/right, left/side, side/right and mid/side; each channel picks
 * the smallest of a constant, the fixed predictors of order 0..4, linear predictors found by
 * Levinson-Durbin on the windowed autocorrelation (with coefficients quantised to integers),
 * and the verbatim samples, each predictor's residual Rice-coded with the best partitioning.
 * The header blocks (STREAMINFO, the comments, the cue sheet) go out before the first frame;
 * the STREAMINFO sizes and MD5 sum and the cue sheet's end are filled in at the finish.
 */
#include "filters/flac/flaccore.h"
#include "filters/flac/flacint.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <map>
#include <new>
#include <string>
#include <vector>

#define FLC_MAX_LPC 12

static const double kPi = 3.14159265358979323846;

namespace {

/* Bits, most significant first, into a growing byte vector. */
struct BitOut {
    std::vector<uint8_t> buf;
    uint64_t acc = 0;
    int accBits = 0;

    void clear()
    {
        buf.clear();
        acc = 0;
        accBits = 0;
    }
    void put(uint32_t v, int k)
    {
        if (k == 0)
            return;
        acc = (acc << k) | (k == 32 ? v : (v & ((1u << k) - 1)));
        accBits += k;
        while (accBits >= 8) {
            accBits -= 8;
            buf.push_back((uint8_t)(acc >> accBits));
        }
    }
    void zeros(uint32_t q)
    {
        while (q >= 32) {
            put(0, 32);
            q -= 32;
        }
        put(0, (int)q);
    }
    uint64_t bits() const { return (uint64_t)buf.size() * 8 + accBits; }
    void alignByte()
    {
        if (accBits)
            put(0, 8 - accBits);
    }
    void append(const BitOut &o)
    {
        for (uint8_t b : o.buf)
            put(b, 8);
        if (o.accBits)
            put((uint32_t)o.acc, o.accBits);
    }
};

struct Level {
    uint32_t block;
    int maxLpc;        /* 0: fixed predictors only */
    int maxPartition;
    bool stereoModes;  /* try left/side, side/right and mid/side */
    bool exhaustive;   /* try every LPC order instead of the estimated best */
};

const Level kLevels[FLC_LEVEL_MAX + 1] = {
    {1152, 0, 3, false, false}, {1152, 0, 3, true, false}, {1152, 0, 4, true, false},
    {4096, 6, 4, true, false},  {4096, 8, 4, true, false}, {4096, 8, 5, true, false},
    {4096, 8, 6, true, false},  {4096, 12, 6, true, false}, {4096, 12, 6, true, true}};

/* A Rice coding plan for a residual: partition order and each partition's parameter. */
struct RicePlan {
    int order;
    uint8_t k[1 << 8];
    uint64_t bits;
};

} // namespace

struct FlcWriter {
    FILE *f;
    uint32_t rate;
    uint16_t bits, channels;
    uint32_t expectFrames;
    Level lv;
    int level;
    bool headerDone;
    int err;

    std::vector<int32_t> pcm[2];     /* samples of the block being gathered */
    uint32_t have;
    uint8_t partial[4];
    int partialLen;

    FlcMd5 md5;
    uint64_t frames;
    uint32_t frameNo, minFrame, maxFrame;
    long streamInfoAt, leadOutAt;

    std::vector<std::pair<int, std::string>> texts;
    std::vector<std::pair<uint32_t, uint32_t>> cues;   /* id, frame */
    std::map<uint32_t, std::string> labels, notes;
    std::map<uint32_t, uint32_t> lengths;

    /* scratch */
    std::vector<int32_t> side, mid, res, best;
    std::vector<uint32_t> u;
    std::vector<double> window, wdata;
    uint32_t windowLen;
    BitOut sub[2], frame;
};

/* ---- Rice coding ---- */

static inline uint32_t zigzag(int32_t v) { return ((uint32_t)v << 1) ^ (uint32_t)(v >> 31); }

static uint64_t paramCost(uint64_t sum, uint32_t count, int maxK, uint8_t *kOut)
{
    if (count == 0) {
        *kOut = 0;
        return 0;
    }
    uint64_t mean = sum / count;
    int k0 = 0;
    while (k0 < maxK && (mean >> (k0 + 1)) > 0)
        k0++;
    uint64_t best = ~(uint64_t)0;
    for (int k = k0 > 0 ? k0 - 1 : 0; k <= k0 + 1 && k <= maxK; k++) {
        uint64_t c = (uint64_t)count * (k + 1) + (sum >> k);
        if (c < best) {
            best = c;
            *kOut = (uint8_t)k;
        }
    }
    return best;
}

/* Chooses partition order and parameters for u[order..n) (zigzagged residuals). */
static void planRice(const uint32_t *u, uint32_t n, uint32_t order, int maxPart, RicePlan *plan)
{
    int top = 0;
    while (top < maxPart && (n & ((2u << top) - 1)) == 0 && (n >> (top + 1)) >= order &&
           (n >> (top + 1)) > 0)
        top++;
    uint64_t sums[1 << 8];
    uint32_t parts = 1u << top, size = n >> top;
    for (uint32_t p = 0, i = order; p < parts; p++) {
        uint32_t end = (p + 1) * size;
        uint64_t s = 0;
        for (; i < end; i++)
            s += u[i];
        sums[p] = s;
    }
    plan->bits = ~(uint64_t)0;
    for (int o = top; o >= 0; o--) {
        uint32_t cnt = 1u << o, sz = n >> o;
        uint64_t total = 0;
        uint8_t ks[1 << 8];
        for (uint32_t p = 0; p < cnt; p++)
            total += 4 + paramCost(sums[p], sz - (p == 0 ? order : 0), 30, &ks[p]);
        if (total < plan->bits) {
            plan->bits = total;
            plan->order = o;
            memcpy(plan->k, ks, cnt);
        }
        if (o > 0)   /* merge pairs for the next coarser order */
            for (uint32_t p = 0; p < cnt / 2; p++)
                sums[p] = sums[2 * p] + sums[2 * p + 1];
    }
    plan->bits += 6;
}

static void writeResidual(BitOut &o, const uint32_t *u, uint32_t n, uint32_t order, const RicePlan &plan)
{
    uint32_t cnt = 1u << plan.order, size = n >> plan.order;
    bool wide = false;
    for (uint32_t p = 0; p < cnt; p++)
        wide |= plan.k[p] > 14;
    o.put(wide ? 1 : 0, 2);
    o.put((uint32_t)plan.order, 4);
    for (uint32_t p = 0, i = order; p < cnt; p++) {
        int k = plan.k[p];
        o.put((uint32_t)k, wide ? 5 : 4);
        uint32_t end = (p + 1) * size;
        for (; i < end; i++) {
            uint32_t q = u[i] >> k;
            if (q + 1 + k <= 32) {
                o.put((1u << k) | (u[i] & ((1u << k) - 1)), (int)q + 1 + k);
            } else {
                o.zeros(q);
                o.put(1, 1);
                o.put(u[i] & (k ? ((1u << k) - 1) : 0), k);
            }
        }
    }
}

/* ---- one channel ---- */

static void tukey(FlcWriter *w, uint32_t n)
{
    if (w->windowLen == n)
        return;
    w->window.resize(n);
    uint32_t taper = n / 4;   /* p = 0.5: a quarter of the block at each side */
    for (uint32_t i = 0; i < n; i++) {
        double v = 1.0;
        if (taper > 0 && i < taper)
            v = 0.5 - 0.5 * cos(kPi * i / taper);
        else if (taper > 0 && i >= n - taper)
            v = 0.5 - 0.5 * cos(kPi * (n - 1 - i) / taper);
        w->window[i] = v;
    }
    w->windowLen = n;
}

/* How one channel of a block is to be coded, and about how many bits that takes. */
struct Choice {
    int type;            /* CH_* */
    uint32_t order;
    int32_t coef[FLC_MAX_LPC];
    int precision, shift, wasted;
    uint64_t bits;
};
enum { CH_CONSTANT, CH_VERBATIM, CH_FIXED, CH_LPC };

/* The residual of s[order..n) under a predictor, zigzagged into u; 0 when it is too wide. */
template <int ORDER>
static int lpcResidual(const int32_t *s, uint32_t n, const int32_t *coef, int shift, uint32_t *u)
{
    int64_t wide = 0;
    for (uint32_t i = ORDER; i < n; i++) {
        int64_t sum = 0;
#pragma GCC unroll 12
        for (int j = 0; j < ORDER; j++)
            sum += (int64_t)coef[j] * s[i - 1 - j];
        int64_t r = s[i] - (sum >> shift);
        wide |= (r + (1 << 30)) >> 31;   /* nonzero once r leaves -2^30 .. 2^30 - 1 */
        u[i] = zigzag((int32_t)r);
    }
    return wide == 0;
}

static int residual(const int32_t *s, uint32_t n, uint32_t order, int type, const int32_t *coef, int shift,
                    uint32_t *u)
{
    int64_t wide = 0;
#define FLC_FIXED(pred)                                \
    for (uint32_t i = order; i < n; i++) {             \
        int64_t r = s[i] - (int64_t)(pred);            \
        wide |= (r + (1 << 30)) >> 31;                 \
        u[i] = zigzag((int32_t)r);                     \
    }
    if (type == CH_FIXED) {
        switch (order) {
        case 0: FLC_FIXED(0) break;
        case 1: FLC_FIXED(s[i - 1]) break;
        case 2: FLC_FIXED(2 * (int64_t)s[i - 1] - s[i - 2]) break;
        case 3: FLC_FIXED(3 * (int64_t)s[i - 1] - 3 * (int64_t)s[i - 2] + s[i - 3]) break;
        default: FLC_FIXED(4 * (int64_t)s[i - 1] - 6 * (int64_t)s[i - 2] + 4 * (int64_t)s[i - 3] - s[i - 4])
        }
        return wide == 0;
    }
#undef FLC_FIXED
    switch (order) {
    case 1: return lpcResidual<1>(s, n, coef, shift, u);
    case 2: return lpcResidual<2>(s, n, coef, shift, u);
    case 3: return lpcResidual<3>(s, n, coef, shift, u);
    case 4: return lpcResidual<4>(s, n, coef, shift, u);
    case 5: return lpcResidual<5>(s, n, coef, shift, u);
    case 6: return lpcResidual<6>(s, n, coef, shift, u);
    case 7: return lpcResidual<7>(s, n, coef, shift, u);
    case 8: return lpcResidual<8>(s, n, coef, shift, u);
    case 9: return lpcResidual<9>(s, n, coef, shift, u);
    case 10: return lpcResidual<10>(s, n, coef, shift, u);
    case 11: return lpcResidual<11>(s, n, coef, shift, u);
    default: return lpcResidual<12>(s, n, coef, shift, u);
    }
}

/* Estimates a predictor's bits and keeps it in `best` when it beats what is there. */
static void tryPredictor(FlcWriter *w, const int32_t *s, uint32_t n, int bps, uint32_t order, int type,
                         const int32_t *coef, int precision, int shift, Choice *best)
{
    if (!residual(s, n, order, type, coef, shift, w->u.data()))
        return;
    RicePlan plan;
    planRice(w->u.data(), n, order, w->lv.maxPartition, &plan);
    uint64_t cost = 8 + (uint64_t)best->wasted + (uint64_t)order * bps + plan.bits +
                    (type == CH_LPC ? 4 + 5 + (uint64_t)order * precision : 0);
    if (cost >= best->bits)
        return;
    best->type = type;
    best->order = order;
    best->precision = precision;
    best->shift = shift;
    best->bits = cost;
    if (coef)
        memcpy(best->coef, coef, order * sizeof *coef);
}

/* Levinson-Durbin: lpc[o-1][0..o) for every order o up to maxOrder; err[o] the error left. */
static int levinson(const double *ac, int maxOrder, double lpc[][FLC_MAX_LPC], double *err)
{
    double a[FLC_MAX_LPC + 1] = {0}, tmp[FLC_MAX_LPC + 1];
    double e = ac[0];
    err[0] = e;
    int o;
    for (o = 1; o <= maxOrder; o++) {
        double acc = ac[o];
        for (int j = 1; j < o; j++)
            acc -= a[j] * ac[o - j];
        if (e <= 0)
            break;
        double k = acc / e;
        memcpy(tmp, a, sizeof a);
        a[o] = k;
        for (int j = 1; j < o; j++)
            a[j] = tmp[j] - k * tmp[o - j];
        e *= 1 - k * k;
        err[o] = e;
        for (int j = 0; j < o; j++)
            lpc[o - 1][j] = a[j + 1];
    }
    return o - 1;
}

/* Integer coefficients of the given precision; the shift, or -1 when they cannot be had. */
static int quantise(const double *lpc, int order, int precision, int32_t *q)
{
    double cmax = 0;
    for (int j = 0; j < order; j++)
        cmax = std::max(cmax, fabs(lpc[j]));
    if (cmax <= 0)
        return -1;
    int e;
    frexp(cmax, &e);
    int shift = precision - 1 - e;
    if (shift > 15)
        shift = 15;
    if (shift < 0)
        return -1;
    int32_t lim = (1 << (precision - 1)) - 1;
    double carry = 0;
    for (int j = 0; j < order; j++) {
        double x = lpc[j] * (1 << shift) + carry;
        long v = lround(x);
        if (v > lim)
            v = lim;
        if (v < -lim - 1)
            v = -lim - 1;
        carry = x - v;
        q[j] = (int32_t)v;
    }
    return shift;
}

/* Samples with their wasted low bits shifted out (s itself when there are none). */
static const int32_t *unwasted(FlcWriter *w, const int32_t *in, uint32_t n, int wasted)
{
    if (!wasted)
        return in;
    w->best.resize(n);
    for (uint32_t i = 0; i < n; i++)
        w->best[i] = in[i] >> wasted;
    return w->best.data();
}

static void analyseChannel(FlcWriter *w, const int32_t *in, uint32_t n, int bps, Choice *c)
{
    bool same = true;
    uint32_t ored = 0;
    for (uint32_t i = 0; i < n; i++) {
        same &= in[i] == in[0];
        ored |= (uint32_t)in[i];
    }
    c->wasted = 0;
    if (same) {
        c->type = CH_CONSTANT;
        c->bits = 8 + (uint64_t)bps;
        return;
    }
    /* Bits that are zero in every sample are "wasted": shifted out and counted. */
    while (!(ored & 1) && c->wasted < bps - 1) {
        ored >>= 1;
        c->wasted++;
    }
    const int32_t *s = unwasted(w, in, n, c->wasted);
    bps -= c->wasted;
    /* VERBATIM is the fallback every predictor has to beat. */
    c->type = CH_VERBATIM;
    c->bits = 8 + (uint64_t)c->wasted + (uint64_t)n * bps;

    w->u.resize(n);
    for (uint32_t order = 0; order <= 4 && order < n; order++)
        tryPredictor(w, s, n, bps, order, CH_FIXED, NULL, 0, 0, c);

    int maxLpc = w->lv.maxLpc;
    if (maxLpc > 0 && n > (uint32_t)maxLpc * 2 && n >= 64) {
        tukey(w, n);
        w->wdata.resize(n);
        for (uint32_t i = 0; i < n; i++)
            w->wdata[i] = s[i] * w->window[i];
        /* All lags in one pass, each its own sum, so the additions do not wait on each other. */
        double ac[FLC_MAX_LPC + 1] = {0};
        const double *x = w->wdata.data();
        uint32_t i = 0;
        for (; i < FLC_MAX_LPC && i < n; i++)
            for (uint32_t l = 0; l <= i; l++)
                ac[l] += x[i] * x[i - l];
        for (; i < n; i++) {
#pragma GCC unroll 13
            for (int l = 0; l <= FLC_MAX_LPC; l++)
                ac[l] += x[i] * x[i - l];
        }
        if (ac[0] > 0) {
            ac[0] *= 1.0 + 1e-10;   /* keeps the recursion stable on pure tones */
            double lpc[FLC_MAX_LPC][FLC_MAX_LPC], err[FLC_MAX_LPC + 1];
            int got = levinson(ac, maxLpc, lpc, err);
            int precision = bps <= 8 ? 12 : 15;
            if (n < 1024)
                precision -= 2;
            /* Coefficients no wider than keeps every prediction sum within 32 bits, so that
               decoders (ours on 32-bit Windows above all) can restore in 32-bit arithmetic. */
            auto precisionFor = [&](int order) {
                int lg = 0;
                while ((1 << lg) < order)
                    lg++;
                int p = 32 - bps - lg;
                return p < precision ? (p < 5 ? 5 : p) : precision;
            };
            int first = 1, last = got;
            if (!w->lv.exhaustive && got > 0) {
                /* Estimated bits per block for each order: residual plus coefficients. */
                double bestEst = 1e300;
                int bestOrder = 1;
                for (int o = 1; o <= got; o++) {
                    double perSample = err[o] > 0 ? 0.5 * log2(err[o] / n) : 0;
                    if (perSample < 0)
                        perSample = 0;
                    double est = perSample * (n - o) + o * (precisionFor(o) + bps);
                    if (est < bestEst) {
                        bestEst = est;
                        bestOrder = o;
                    }
                }
                first = last = bestOrder;
            }
            for (int o = first; o <= last; o++) {
                int32_t q[FLC_MAX_LPC];
                int prec = precisionFor(o);
                int shift = quantise(lpc[o - 1], o, prec, q);
                if (shift >= 0)
                    tryPredictor(w, s, n, bps, (uint32_t)o, CH_LPC, q, prec, shift, c);
            }
        }
    }
}

/* Writes one subframe as the choice says. */
static void emitChannel(FlcWriter *w, const int32_t *in, uint32_t n, int bps, const Choice &c, BitOut &out)
{
    static const uint32_t kType[4] = {0, 1, 8, 32};
    out.clear();
    if (c.type == CH_CONSTANT) {
        out.put(0, 8);
        out.put((uint32_t)in[0], bps);
        return;
    }
    out.put(0, 1);
    out.put(c.type == CH_LPC ? 32 + (c.order - 1) : c.type == CH_FIXED ? 8 + c.order : kType[c.type], 6);
    if (c.wasted) {
        out.put(1, 1);
        out.zeros((uint32_t)c.wasted - 1);
        out.put(1, 1);
    } else {
        out.put(0, 1);
    }
    const int32_t *s = unwasted(w, in, n, c.wasted);
    bps -= c.wasted;
    if (c.type == CH_VERBATIM) {
        for (uint32_t i = 0; i < n; i++)
            out.put((uint32_t)s[i], bps);
        return;
    }
    for (uint32_t i = 0; i < c.order; i++)
        out.put((uint32_t)s[i], bps);
    if (c.type == CH_LPC) {
        out.put((uint32_t)c.precision - 1, 4);
        out.put((uint32_t)c.shift, 5);
        for (uint32_t j = 0; j < c.order; j++)
            out.put((uint32_t)c.coef[j], c.precision);
    }
    residual(s, n, c.order, c.type, c.coef, c.shift, w->u.data());
    RicePlan plan;
    planRice(w->u.data(), n, c.order, w->lv.maxPartition, &plan);
    writeResidual(out, w->u.data(), n, c.order, plan);
}

/* ---- frames ---- */

static void putCoded(BitOut &o, uint32_t v)
{
    if (v < 0x80) {
        o.put(v, 8);
        return;
    }
    int more = v < 0x800 ? 1 : v < 0x10000 ? 2 : v < 0x200000 ? 3 : v < 0x4000000 ? 4 : 5;
    o.put(((0xFF00u >> (more + 1)) & 0xFF) | (v >> (6 * more)), 8);
    for (int i = more - 1; i >= 0; i--)
        o.put(0x80 | ((v >> (6 * i)) & 0x3F), 8);
}

static int rateCode(uint32_t rate)
{
    static const uint32_t rates[] = {0, 88200, 176400, 192000, 8000, 16000, 22050, 24000,
                                     32000, 44100, 48000, 96000};
    for (int i = 1; i < 12; i++)
        if (rates[i] == rate)
            return i;
    if (rate % 1000 == 0 && rate / 1000 <= 255)
        return 12;
    if (rate <= 65535)
        return 13;
    if (rate % 10 == 0 && rate / 10 <= 65535)
        return 14;
    return 0;
}

static void writeBytes(FlcWriter *w, const void *p, size_t n)
{
    if (!w->err && fwrite(p, 1, n, w->f) != n)
        w->err = 1;
}

static void encodeFrame(FlcWriter *w, uint32_t n)
{
    BitOut &fr = w->frame;
    fr.clear();
    fr.put(0xFFF8, 16);
    uint32_t bsCode;
    if (n == 192)
        bsCode = 1;
    else if (n == 576 || n == 1152 || n == 2304 || n == 4608)
        bsCode = n == 576 ? 2 : n == 1152 ? 3 : n == 2304 ? 4 : 5;
    else if (n >= 256 && n <= 32768 && (n & (n - 1)) == 0)
        bsCode = 8 + (uint32_t)(__builtin_ctz(n) - 8);
    else
        bsCode = n <= 256 ? 6 : 7;
    int sr = rateCode(w->rate);
    fr.put(bsCode, 4);
    fr.put((uint32_t)sr, 4);

    int bps = w->bits;
    const int32_t *l = w->pcm[0].data();
    int mode = 0;   /* 0 independent, 8 left/side, 9 side/right, 10 mid/side */
    Choice c[4];
    if (w->channels == 2) {
        const int32_t *r = w->pcm[1].data();
        analyseChannel(w, l, n, bps, &c[0]);
        analyseChannel(w, r, n, bps, &c[1]);
        if (w->lv.stereoModes) {
            w->side.resize(n);
            w->mid.resize(n);
            for (uint32_t i = 0; i < n; i++) {
                w->side[i] = l[i] - r[i];
                w->mid[i] = (l[i] + r[i]) >> 1;
            }
            analyseChannel(w, w->side.data(), n, bps + 1, &c[2]);
            analyseChannel(w, w->mid.data(), n, bps, &c[3]);
            uint64_t L = c[0].bits, R = c[1].bits, S = c[2].bits, M = c[3].bits;
            uint64_t best = L + R;
            if (L + S < best) { best = L + S; mode = 8; }
            if (S + R < best) { best = S + R; mode = 9; }
            if (M + S < best) { best = M + S; mode = 10; }
        }
        fr.put(mode ? (uint32_t)mode : 1, 4);
        /* Only the two subframes that go into the frame are written. */
        const int32_t *src[4] = {l, r, w->side.data(), w->mid.data()};
        const int bits[4] = {bps, bps, bps + 1, bps};
        const int pick[11][2] = {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1},
                                 {0, 2}, {2, 1}, {3, 2}};
        for (int k = 0; k < 2; k++) {
            int v = pick[mode][k];
            emitChannel(w, src[v], n, bits[v], c[v], w->sub[k]);
        }
    } else {
        analyseChannel(w, l, n, bps, &c[0]);
        emitChannel(w, l, n, bps, c[0], w->sub[0]);
        fr.put(0, 4);
    }
    fr.put(bps == 8 ? 1 : 4, 3);
    fr.put(0, 1);
    putCoded(fr, w->frameNo);
    if (bsCode == 6)
        fr.put(n - 1, 8);
    else if (bsCode == 7)
        fr.put(n - 1, 16);
    if (sr == 12)
        fr.put(w->rate / 1000, 8);
    else if (sr == 13)
        fr.put(w->rate, 16);
    else if (sr == 14)
        fr.put(w->rate / 10, 16);
    fr.put(flcCrc8(fr.buf.data(), fr.buf.size()), 8);
    fr.append(w->sub[0]);
    if (w->channels == 2)
        fr.append(w->sub[1]);
    fr.alignByte();
    fr.put(flcCrc16(0, fr.buf.data(), fr.buf.size()), 16);
    writeBytes(w, fr.buf.data(), fr.buf.size());
    uint32_t size = (uint32_t)fr.buf.size();
    if (w->frameNo == 0 || size < w->minFrame)
        w->minFrame = size;
    if (size > w->maxFrame)
        w->maxFrame = size;
    w->frameNo++;
    w->frames += n;
}

/* ---- header blocks ---- */

static void blockHeader(std::string &s, int type, size_t len, bool last)
{
    s += (char)((last ? 0x80 : 0) | type);
    s += (char)(len >> 16);
    s += (char)(len >> 8);
    s += (char)len;
}

static void le(std::string &s, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        s += (char)(v >> (8 * i));
}

static void beN(std::string &s, uint64_t v, int n)
{
    for (int i = n - 1; i >= 0; i--)
        s += (char)(v >> (8 * i));
}

static std::string streamInfo(const FlcWriter *w, const uint8_t md5[16])
{
    std::string s;
    beN(s, w->lv.block, 2);
    beN(s, w->lv.block, 2);
    beN(s, w->minFrame, 3);
    beN(s, w->maxFrame, 3);
    uint64_t packed = ((uint64_t)w->rate << 44) | ((uint64_t)(w->channels - 1) << 41) |
                      ((uint64_t)(w->bits - 1) << 36) | (w->frames & 0xFFFFFFFFFULL);
    beN(s, packed, 8);
    s.append((const char *)md5, 16);
    return s;
}

static void writeHeader(FlcWriter *w)
{
    w->headerDone = true;
    std::string out = "fLaC";
    static const uint8_t noMd5[16] = {0};
    std::string info = streamInfo(w, noMd5);
    std::string comments;
    char vendor[64];
    snprintf(vendor, sizeof vendor, FLC_VENDOR "%d)", w->level);
    le(comments, (uint32_t)strlen(vendor));
    comments += vendor;
    std::vector<std::string> list;
    for (auto &t : w->texts)
        list.push_back(std::string(flcCommentName(t.first)) + "=" + flcLatin1ToUtf8(t.second.data(), t.second.size()));
    for (auto &c : w->cues) {
        char name[40];
        auto lb = w->labels.find(c.first), nt = w->notes.find(c.first);
        auto ln = w->lengths.find(c.first);
        uint32_t track = (uint32_t)(&c - &w->cues[0]) + 1;
        if (lb != w->labels.end()) {
            snprintf(name, sizeof name, FLC_CUE_PREFIX "%u_LABEL=", (unsigned)track);
            list.push_back(name + flcLatin1ToUtf8(lb->second.data(), lb->second.size()));
        }
        if (nt != w->notes.end()) {
            snprintf(name, sizeof name, FLC_CUE_PREFIX "%u_NOTE=", (unsigned)track);
            list.push_back(name + flcLatin1ToUtf8(nt->second.data(), nt->second.size()));
        }
        if (ln != w->lengths.end() && ln->second) {
            snprintf(name, sizeof name, FLC_CUE_PREFIX "%u_LENGTH=%u", (unsigned)track, (unsigned)ln->second);
            list.push_back(name);
        }
    }
    le(comments, (uint32_t)list.size());
    for (auto &c : list) {
        le(comments, (uint32_t)c.size());
        comments += c;
    }
    if (comments.size() > 0xFFFFFF)
        comments.resize(0);   /* cannot be stored; leave it out */

    std::string sheet;
    size_t leadOutInSheet = 0;
    if (!w->cues.empty()) {
        sheet.append(128, '\0');            /* media catalog number */
        beN(sheet, 0, 8);                   /* lead-in */
        sheet.append(259, '\0');            /* not a CD; reserved */
        sheet += (char)(w->cues.size() + 1);
        for (size_t i = 0; i < w->cues.size(); i++) {
            beN(sheet, w->cues[i].second, 8);
            sheet += (char)(i + 1);
            sheet.append(12 + 14, '\0');    /* ISRC, audio track, reserved */
            sheet += (char)1;               /* one index point ... */
            beN(sheet, 0, 8);               /* ... at the track's start */
            sheet += (char)1;
            sheet.append(3, '\0');
        }
        leadOutInSheet = sheet.size();
        beN(sheet, w->expectFrames, 8);
        sheet += (char)255;
        sheet.append(12 + 14, '\0');
        sheet += (char)0;
    }
    bool haveComments = !comments.empty();
    blockHeader(out, 0, info.size(), !haveComments && sheet.empty());
    w->streamInfoAt = (long)out.size();
    out += info;
    if (haveComments) {
        blockHeader(out, 4, comments.size(), sheet.empty());
        out += comments;
    }
    if (!sheet.empty()) {
        blockHeader(out, 5, sheet.size(), true);
        w->leadOutAt = (long)(out.size() + leadOutInSheet);
        out += sheet;
    }
    writeBytes(w, out.data(), out.size());
}

/* ---- the interface ---- */

FlcWriter *flcCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                     uint32_t dataBytes, int level, int *result)
{
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || rate == 0 || rate > 655350) {
        if (result)
            *result = FLC_BADTYPE;
        return NULL;
    }
    FlcWriter *w = new (std::nothrow) FlcWriter();
    if (!w) {
        if (result)
            *result = FLC_NOMEM;
        return NULL;
    }
    w->f = path ? fopen(path, "wb") : NULL;
    if (!w->f) {
        delete w;
        if (result)
            *result = FLC_IOERROR;
        return NULL;
    }
    w->rate = rate;
    w->bits = bits;
    w->channels = channels;
    w->expectFrames = dataBytes / (channels * (bits / 8));
    w->level = (level >= 0 && level <= FLC_LEVEL_MAX) ? level : FLC_LEVEL_DEFAULT;
    w->lv = kLevels[w->level];
    w->headerDone = false;
    w->err = 0;
    w->have = 0;
    w->partialLen = 0;
    flcMd5Init(&w->md5);
    w->frames = 0;
    w->frameNo = w->minFrame = w->maxFrame = 0;
    w->streamInfoAt = w->leadOutAt = -1;
    w->windowLen = 0;
    try {
        for (int c = 0; c < channels; c++)
            w->pcm[c].resize(w->lv.block);
    } catch (const std::bad_alloc &) {
        fclose(w->f);
        delete w;
        if (result)
            *result = FLC_NOMEM;
        return NULL;
    }
    if (result)
        *result = FLC_OK;
    return w;
}

/* Takes one canonical frame of samples into the block. */
static void takeFrame(FlcWriter *w, const uint8_t *p)
{
    uint8_t md[4];
    int mn = 0;
    for (int c = 0; c < w->channels; c++) {
        int32_t v;
        if (w->bits == 8) {
            v = (int32_t)p[c] - 128;
            md[mn++] = (uint8_t)v;
        } else {
            v = (int16_t)(p[2 * c] | (p[2 * c + 1] << 8));
            md[mn++] = p[2 * c];
            md[mn++] = p[2 * c + 1];
        }
        w->pcm[c][w->have] = v;
    }
    flcMd5Update(&w->md5, md, (size_t)mn);
    if (++w->have == w->lv.block) {
        encodeFrame(w, w->have);
        w->have = 0;
    }
}

uint32_t flcWrite(FlcWriter *w, const void *buf, uint32_t n)
{
    if (!w->headerDone)
        writeHeader(w);
    if (w->err)
        return 0;
    const uint8_t *p = (const uint8_t *)buf;
    int align = w->channels * (w->bits / 8);
    uint32_t i = 0;
    while (w->partialLen && i < n) {
        w->partial[w->partialLen++] = p[i++];
        if (w->partialLen == align) {
            takeFrame(w, w->partial);
            w->partialLen = 0;
        }
    }
    for (; i + align <= n; i += align)
        takeFrame(w, p + i);
    while (i < n)
        w->partial[w->partialLen++] = p[i++];
    return w->err ? 0 : n;
}

int flcCanWriteSpecial(int code)
{
    return (code >= FLC_SP_INFO_FIRST && code <= FLC_SP_INFO_LAST) || code == FLC_SP_CUE ||
           code == FLC_SP_CUELEN || code == FLC_SP_NOTES || code == FLC_SP_LABELS;
}

static uint32_t rd32(const uint8_t *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

/* Splits "id, text, zero" records into a map. */
static int readTexts(const uint8_t *p, uint32_t size, std::map<uint32_t, std::string> &to)
{
    uint32_t at = 0;
    while (size - at >= 5) {
        uint32_t id = rd32(p + at);
        const uint8_t *t = p + at + 4;
        const uint8_t *z = (const uint8_t *)memchr(t, 0, size - at - 4);
        if (!z)
            return 0;
        to[id] = std::string((const char *)t, (size_t)(z - t));
        at = (uint32_t)(z - p) + 1;
    }
    return 1;
}

int flcWriteSpecial(FlcWriter *w, int code, const void *data, uint32_t size)
{
    const uint8_t *p = (const uint8_t *)data;
    if (!flcCanWriteSpecial(code) || (!p && size) || w->headerDone)
        return FLC_BADTYPE;
    if (code <= FLC_SP_INFO_LAST) {
        size_t len = p ? strnlen((const char *)p, size) : 0;
        if (len)
            w->texts.push_back({code, std::string((const char *)p, len)});
        return FLC_OK;
    }
    if (code == FLC_SP_CUE) {
        if (size % 24)
            return FLC_BADTYPE;
        for (uint32_t i = 0; i < size / 24 && w->cues.size() < 254; i++)
            if (rd32(p + i * 24 + 20) <= w->expectFrames)
                w->cues.push_back({rd32(p + i * 24), rd32(p + i * 24 + 20)});
        std::stable_sort(w->cues.begin(), w->cues.end(),
                         [](const std::pair<uint32_t, uint32_t> &a, const std::pair<uint32_t, uint32_t> &b) {
                             return a.second < b.second;
                         });
        return FLC_OK;
    }
    if (code == FLC_SP_CUELEN) {
        if (size % 20)
            return FLC_BADTYPE;
        for (uint32_t i = 0; i < size / 20; i++)
            w->lengths[rd32(p + i * 20)] = rd32(p + i * 20 + 4);
        return FLC_OK;
    }
    return readTexts(p, size, code == FLC_SP_NOTES ? w->notes : w->labels) ? FLC_OK : FLC_BADTYPE;
}

int flcFinish(FlcWriter *w)
{
    if (!w->headerDone)
        writeHeader(w);
    if (w->have)
        encodeFrame(w, w->have);
    uint8_t md5[16];
    flcMd5Final(&w->md5, md5);
    std::string info = streamInfo(w, md5);
    if (fseek(w->f, w->streamInfoAt, SEEK_SET) != 0)
        w->err = 1;
    writeBytes(w, info.data(), info.size());
    if (w->leadOutAt >= 0 && w->frames != w->expectFrames) {
        std::string lead;
        beN(lead, w->frames, 8);
        if (fseek(w->f, w->leadOutAt, SEEK_SET) != 0)
            w->err = 1;
        writeBytes(w, lead.data(), lead.size());
    }
    if (fclose(w->f) != 0)
        w->err = 1;
    int err = w->err;
    delete w;
    return err ? FLC_IOERROR : FLC_OK;
}
