/*
 * sonogram.cpp - the spectral picture's arithmetic: palette, geometry, octave marks and the
 * column pass (read N frames around the column's frame, window type 3, one FFT, magnitudes
 * in dB mapped onto the palette).  Window-free; reads samples only through vocRead.
 */
#include "view/sonogram.h"
#include "view/fftcalls.h"
#include "store/voc.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

SpectralPaletteState SpectralPalette;

/* ---- palette ---- */

namespace {
struct Hsl {
    double h, s, l;   /* hue in degrees, saturation and lightness 0..1 */
};

Hsl toHsl(uint32_t colour)
{
    double r = (colour & 0xFF) / 255.0, g = ((colour >> 8) & 0xFF) / 255.0, b = ((colour >> 16) & 0xFF) / 255.0;
    double mx = r > g ? (r > b ? r : b) : (g > b ? g : b);
    double mn = r < g ? (r < b ? r : b) : (g < b ? g : b);
    Hsl o = {0, 0, (mx + mn) / 2};
    double d = mx - mn;
    if (d <= 0)
        return o;
    o.s = o.l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    if (r == mx)
        o.h = 60 * ((g - b) / d);
    else if (g == mx)
        o.h = 60 * ((b - r) / d + 2);
    else
        o.h = 60 * ((r - g) / d + 4);
    if (o.h < 0)
        o.h += 360;
    return o;
}

double hueChannel(double p, double q, double h)
{
    h = fmod(h, 360.0);
    if (h < 0)
        h += 360;
    if (h < 60)
        return p + (q - p) * h / 60;
    if (h < 180)
        return q;
    if (h < 240)
        return p + (q - p) * (240 - h) / 60;
    return p;
}

void fromHsl(const Hsl &c, uint8_t out[3])
{
    double l = c.l < 0 ? 0 : c.l > 1 ? 1 : c.l;
    double s = c.s < 0 ? 0 : c.s > 1 ? 1 : c.s;
    double q = l <= 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    double rgb[3] = {hueChannel(p, q, c.h + 120), hueChannel(p, q, c.h), hueChannel(p, q, c.h - 120)};
    for (int i = 0; i < 3; i++) {
        double v = rgb[i] * 255.0;
        out[i] = (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}
} // namespace

void BuildSpectralPalette(uint32_t high, uint32_t low, int reverse)
{
    Hsl hi = toHsl(high), lo = toHsl(low);
    /* A grey has no hue of its own: it takes the other colour's, so the ramp keeps one hue. */
    if (hi.s == 0)
        hi.h = lo.h;
    if (lo.s == 0)
        lo.h = hi.h;
    if (reverse) {
        if (hi.h < lo.h)
            hi.h += 360;
        else
            lo.h += 360;
    }
    for (int i = 0; i < SPECTRAL_COLORS; i++) {
        double t = i / 186.0;
        if (t > 1)
            t = 1;
        Hsl c;
        c.l = (hi.l - lo.l) * pow(t, 1.62) + lo.l;
        c.s = (hi.s - lo.s) * i / 192.0 + lo.s;
        c.h = (hi.h - lo.h) * i / 192.0 + lo.h;
        fromHsl(c, SpectralPalette.rgb[i]);
    }
    SpectralPalette.builtHigh = high;
    SpectralPalette.builtLow = low;
    SpectralPalette.builtReverse = reverse;
    SpectralPalette.built = 1;
}

/* ---- geometry ---- */

int spectralPoints(int bits)
{
    if (bits < 4)
        bits = 4;
    if (bits > SPECTRAL_MAXBITS)
        bits = SPECTRAL_MAXBITS;
    return 1 << bits;
}

int spectralIndex(double m)
{
    if (!(m >= 1e-9))
        m = 1e-9;
    int d = (int)(20.0 * log10(m)) + 10;
    int i = (int)(d * 1.51 + 191);
    return i < 0 ? 0 : i > SPECTRAL_COLORS - 1 ? SPECTRAL_COLORS - 1 : i;
}

void spectralGeometry(const ViewRect *a, int channels, SpectralGeom *g)
{
    /* H rows above row 0, so a channel fills rows 0..H: mono from bottom - 1 up to top + 1. */
    int h = a->bottom - a->top, top;
    if (channels == 2) {
        g->channels = 2;
        top = h / 2 - 2;
        g->bottom[0] = (a->top + a->bottom) / 2;
        g->bottom[1] = a->bottom;
    } else {
        g->channels = 1;
        top = h - 2;
        g->bottom[0] = g->bottom[1] = a->bottom;
    }
    g->height = top < 0 ? 0 : top + 1;
}

int spectralOctaveMarks(const ViewRect *a, int channels, int ys[2 * SPECTRAL_MARKS])
{
    int ch = channels == 2 ? 2 : 1, n = 0;
    int h = (a->bottom - a->top) / ch;
    for (int k = 1; k <= SPECTRAL_MARKS; k++) {
        int hk = h >> k;
        ys[n++] = a->bottom - hk;
        if (ch == 2)
            ys[n++] = (a->top + a->bottom) / 2 - hk;
    }
    return n;
}

void spectralRowBins(int rows, int half, int firstBin, int *rowBin)
{
    /* Bin k reaches up to row trunc((k + 1) * H / half), H = rows - 1, starting one row above
       the previous bin's last: with more bins than rows the lowest bin of each row shows. */
    int h = rows - 1, row = 0;
    for (int k = firstBin; k < half && row < rows; k++) {
        int last = (int)((int64_t)(k + 1) * h / half);
        for (; row <= last && row < rows; row++)
            rowBin[row] = k;
    }
    for (; row < rows; row++)
        rowBin[row] = half - 1;
}

uint32_t spectralColumnFrame(uint32_t viewStart, uint32_t viewEnd, int columns, int column)
{
    double span = viewEnd >= viewStart ? (double)viewEnd - viewStart : 0.0;
    return (uint32_t)(span / (columns + 1) * column + viewStart);
}

/* ---- the column pass ---- */

int DrawSpectralColumns(SpectralPass *p, int first, int last)
{
    int w = p->area.right - p->area.left;
    if (first < 0)
        first = 0;
    if (last > w - 1)
        last = w - 1;
    if (w < 1 || last < first)
        return last + 1;
    int stereo = p->channels == 2;
    int block = (stereo ? 2 : 1) * (p->bits == 16 ? 2 : 1);
    int n = spectralPoints(p->resolution), half = n / 2;
    SpectralGeom g;
    spectralGeometry(&p->area, p->channels, &g);

    float *data = (float *)malloc(sizeof(float) * (size_t)(2 * n + 2));
    uint8_t *frames = (uint8_t *)malloc((size_t)n * block);
    int *rowBin = (int *)malloc(sizeof(int) * (size_t)(g.height + 1));
    uint8_t *idx = (uint8_t *)malloc((size_t)(g.height + 1) * 2);
    if (!data || !frames || !rowBin || !idx) {
        free(data);
        free(frames);
        free(rowBin);
        free(idx);
        return -1;
    }
    spectralRowBins(g.height, half, stereo ? 1 : 0, rowBin);
    SetWindowType(3);
    int stop = last + 1;
    for (int c = first; c <= last; c++) {
        if (c % 5 == 0 && p->pumpFn) {
            if (p->pumpFn(p->ctx, c)) {
                stop = c;
                break;
            }
            SetWindowType(3);   /* whatever ran in the pump may have chosen another window */
        }
        int64_t at = (int64_t)spectralColumnFrame(p->viewStart, p->viewEnd, w, c) - half;
        int64_t offset = at * block;
        if (offset < INT32_MIN)
            offset = INT32_MIN;
        if (offset > INT32_MAX)
            offset = INT32_MAX;
        if (vocRead(frames, (int32_t)offset, (uint32_t)(n * block)) != 0)
            memset(frames, p->bits == 16 ? 0 : 128, (size_t)n * block);
        if (stereo) {
            if (p->bits == 16)
                SetStereoFFT16bitInterleaved(data, (const int16_t *)frames, (short)n);
            else
                SetStereoFFT8bitInterleaved(data, frames, (short)n);
        } else if (p->bits == 16) {
            SetFFT16bit(data, (const int16_t *)frames, (short)n);
        } else {
            SetFFT8bit(data, frames, (short)n);
        }
        WindowFFT(data, (short)n, (short)stereo);
        FFT(data, (short)n, 1);
        double scale = 1.0 / half;
        for (int r = 0; r < g.height; r++) {
            /* With more bins than rows, a row also stands for the bins above its own that reach
               no row of their own: it shows the strongest, so a narrow tone never drops out. */
            int k0 = rowBin[r], k1 = r + 1 < g.height && rowBin[r + 1] > k0 ? rowBin[r + 1] : k0 + 1;
            if (r + 1 == g.height)
                k1 = half;
            double ml = 0, mr = 0;
            for (int k = k0; k < k1; k++) {
                double re = data[2 * k + 1], im = data[2 * k + 2];
                if (!stereo) {
                    double m = re * re + im * im;
                    ml = m > ml ? m : ml;
                    continue;
                }
                /* One transform of left + i right: X[k] and the conjugate of X[N-k] part them. */
                double rn = data[2 * (n - k) + 1], in = data[2 * (n - k) + 2];
                double lr = (re + rn) / 2, li = (im - in) / 2, rr = (im + in) / 2, ri = (rn - re) / 2;
                double a = lr * lr + li * li, b = rr * rr + ri * ri;
                ml = a > ml ? a : ml;
                mr = b > mr ? b : mr;
            }
            idx[r] = (uint8_t)spectralIndex(sqrt(ml) * scale);
            if (stereo)
                idx[g.height + r] = (uint8_t)spectralIndex(sqrt(mr) * scale);
        }
        if (p->columnFn)
            p->columnFn(p->ctx, c, idx, &g);
    }
    free(data);
    free(frames);
    free(rowBin);
    free(idx);
    return stop;
}
