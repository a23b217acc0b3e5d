/*
 * peaks.cpp - paint geometry, the PeakColumnCache, the PeakSummary and the column
 * recomputation (window-free).
 */
#include "view/peaks.h"
#include "store/voc.h"

#include <math.h>
#include <string.h>

PeakColumnCacheState PeakColumnCache;
PeakSummaryState PeakSummary;

void peakGeometry(const ViewRect *a, int channels, int bits, PeakGeom *g)
{
    memset(g, 0, sizeof *g);
    g->h16 = bits == 16 ? 1 : 0;
    g->stereo = channels == 2;
    int h0 = (a->bottom - a->top - 5) / 2 - 1;
    if (!g->stereo) {
        g->height = a->bottom - a->top - 2 + g->h16;
        g->base[0] = g->base[1] = a->bottom - 1;
        g->centre[0] = g->centre[1] = a->top + h0 + 3;
    } else {
        g->height = h0 + g->h16;
        g->base[0] = a->top + h0 + 1;
        g->base[1] = a->bottom - 1;
        g->centre[0] = a->top + 1 + (h0 + 1) / 2;
        g->centre[1] = a->bottom - 1 - (h0 + 1) / 2;
    }
}

int peakSampleY(const PeakGeom *g, int channel, int v)
{
    int base = g->base[channel ? 1 : 0];
    if (g->h16)
        return base + (int)(((int64_t)(-32767 - v) * g->height) / 65535);
    return base - (int)(((int64_t)v * g->height) / 255);
}

/* ---- column cache ---- */

int peakCacheCreate(int columns)
{
    peakCacheFree();
    if (columns < 1)
        columns = 1;
    for (int c = 0; c < 2; c++) {
        PeakColumnCache.top[c] = (int16_t *)osAlloc((size_t)columns * sizeof(int16_t));
        PeakColumnCache.bottom[c] = (int16_t *)osAlloc((size_t)columns * sizeof(int16_t));
        if (!PeakColumnCache.top[c] || !PeakColumnCache.bottom[c]) {
            peakCacheFree();
            return 1;
        }
        memset(PeakColumnCache.top[c], 0, (size_t)columns * sizeof(int16_t));
        memset(PeakColumnCache.bottom[c], 0, (size_t)columns * sizeof(int16_t));
    }
    PeakColumnCache.capacity = columns;
    return 0;
}

void peakCacheFree(void)
{
    for (int c = 0; c < 2; c++) {
        osFree(PeakColumnCache.top[c]);
        osFree(PeakColumnCache.bottom[c]);
    }
    memset(&PeakColumnCache, 0, sizeof PeakColumnCache);
}

void peakCacheDirty(int first, int last)
{
    if (first < 0)
        first = 0;
    if (PeakColumnCache.dirty) {
        if (first > PeakColumnCache.dirtyFirst)
            first = PeakColumnCache.dirtyFirst;
        if (last < PeakColumnCache.dirtyLast)
            last = PeakColumnCache.dirtyLast;
    }
    PeakColumnCache.dirty = 1;
    PeakColumnCache.dirtyFirst = first;
    PeakColumnCache.dirtyLast = last;
}

/* ---- summary ---- */

int peakSummaryCreate(uint32_t frames, int channels, int bits)
{
    peakSummaryFree();
    if (channels < 1 || channels > 2 || (bits != 8 && bits != 16))
        return 1;
    uint32_t g = 128;
    double size;
    for (;;) {
        size = trunc((double)channels / g * frames * 2.0) + 32;
        if (size < 65536)
            break;
        g *= 2;
    }
    uint8_t *data = (uint8_t *)osAlloc((size_t)size);
    if (!data)
        return 1;
    memset(data, bits == 8 ? 128 : 0, (size_t)size);
    PeakSummary.data = data;
    PeakSummary.bytes = (uint32_t)size;
    PeakSummary.g = g;
    PeakSummary.frames = frames;
    PeakSummary.channels = channels;
    PeakSummary.bits = bits;
    PeakSummary.present = 1;
    return 0;
}

void peakSummaryFree(void)
{
    osFree(PeakSummary.data);
    memset(&PeakSummary, 0, sizeof PeakSummary);
}

/* Widens the blocks over frames [i, i + n) of interleaved samples, C channels of 8 or 16
   bits: block by block, each channel's extremes kept in locals, so the inner loop does no
   division and no format test, and writes the block's entry once. */
template <int C, bool Wide> static void widen(PeakSummaryState *s, uint32_t i, const uint8_t *p, uint32_t n)
{
    const uint32_t g = s->g, shift = (uint32_t)__builtin_ctz(g);
    const int step = C * (Wide ? 2 : 1);
    uint8_t *data = s->data;
    while (n > 0) {
        uint32_t blockFrames = g - (i & (g - 1));
        uint32_t m = n < blockFrames ? n : blockFrames;
        uint8_t *e = data + (size_t)(i >> shift) * (C * 2);
        for (int c = 0; c < C; c++) {
            const uint8_t *q = p + (Wide ? 2 * c + 1 : c);
            if (Wide) {
                int lo = (int8_t)e[2 * c], hi = (int8_t)e[2 * c + 1];
                for (uint32_t f = 0; f < m; f++, q += step) {
                    int v = (int8_t)*q;
                    lo = v < lo ? v : lo;
                    hi = v > hi ? v : hi;
                }
                e[2 * c] = (uint8_t)lo;
                e[2 * c + 1] = (uint8_t)hi;
            } else {
                unsigned lo = e[2 * c], hi = e[2 * c + 1];
                for (uint32_t f = 0; f < m; f++, q += step) {
                    unsigned v = *q;
                    lo = v < lo ? v : lo;
                    hi = v > hi ? v : hi;
                }
                e[2 * c] = (uint8_t)lo;
                e[2 * c + 1] = (uint8_t)hi;
            }
        }
        p += (size_t)m * step;
        i += m;
        n -= m;
    }
}

void peakSummaryAdd(uint32_t i, const void *bytes, uint32_t n)
{
    PeakSummaryState *s = &PeakSummary;
    if (!s->present || n == 0)
        return;
    if (i > s->frames || n > s->frames - i) {
        peakSummaryFree();   /* more data than announced: the summary would lie */
        return;
    }
    const uint8_t *p = (const uint8_t *)bytes;
    if (s->bits == 16)
        s->channels == 2 ? widen<2, true>(s, i, p, n) : widen<1, true>(s, i, p, n);
    else
        s->channels == 2 ? widen<2, false>(s, i, p, n) : widen<1, false>(s, i, p, n);
    if (i + n > s->filled)
        s->filled = i + n;
}

void peakSummaryFeed(const void *bytes, uint32_t count)
{
    PeakSummaryState *s = &PeakSummary;
    if (!s->present)
        return;
    uint32_t block = (uint32_t)(s->channels * s->bits / 8);
    const uint8_t *p = (const uint8_t *)bytes;
    while (s->carryLen && count) {
        s->carry[s->carryLen++] = *p++;
        count--;
        if (s->carryLen == block) {
            s->carryLen = 0;
            peakSummaryAdd(s->filled, s->carry, 1);
            if (!s->present)
                return;
        }
    }
    uint32_t whole = count / block;
    if (whole)
        peakSummaryAdd(s->filled, p, whole);
    if (!s->present)
        return;
    p += whole * block;
    count -= whole * block;
    memcpy(s->carry, p, count);
    s->carryLen = count;
}

void peakSummaryGet(uint32_t i, uint32_t n, int mn[2], int mx[2])
{
    const PeakSummaryState *s = &PeakSummary;
    int silence = s->bits == 8 ? 128 : 0;
    mn[0] = mn[1] = mx[0] = mx[1] = silence;
    if (!s->present || n == 0)
        return;
    uint32_t last = i + n - 1 < s->frames ? i + n - 1 : s->frames - 1;
    if (i > last)
        return;
    int entry = s->channels * 2;
    for (uint32_t b = i / s->g; b <= last / s->g; b++) {
        const uint8_t *e = s->data + (size_t)b * entry;
        for (int c = 0; c < s->channels; c++, e += 2) {
            int lo = s->bits == 16 ? (int8_t)e[0] * 256 : e[0];
            int hi = s->bits == 16 ? (int8_t)e[1] * 256 : e[1];
            if (lo < mn[c]) mn[c] = lo;
            if (hi > mx[c]) mx[c] = hi;
        }
    }
}

/* ---- recomputation ---- */

void peakFlatColumns(const PeakPass *p, int first, int last)
{
    PeakGeom g;
    peakGeometry(&p->area, p->channels, p->bits, &g);
    if (last >= PeakColumnCache.capacity)
        last = PeakColumnCache.capacity - 1;
    for (int c = first < 0 ? 0 : first; c <= last; c++)
        for (int ch = 0; ch < 2; ch++)
            PeakColumnCache.top[ch][c] = PeakColumnCache.bottom[ch][c] = (int16_t)g.centre[ch];
}

int peakComputeColumns(PeakPass *p, int first, int last, uint8_t *buf)
{
    PeakGeom g;
    peakGeometry(&p->area, p->channels, p->bits, &g);
    int w = p->area.right - p->area.left;
    if (w < 1 || p->frames == 0)
        return last + 1;
    if (last > w - 1)
        last = w - 1;
    if (last >= PeakColumnCache.capacity)
        last = PeakColumnCache.capacity - 1;
    if (first < 0)
        first = 0;
    int ch = p->channels == 2 ? 2 : 1;
    int block = ch * p->bits / 8;
    double S = (double)(p->viewEnd >= p->viewStart ? p->viewEnd - p->viewStart : 0);
    if (S < w)
        S = w;
    int resetMin = p->bits == 16 ? 32760 : 256, resetMax = p->bits == 16 ? -32760 : 0;
    int silence = p->bits == 16 ? 0 : 128;
    int mn[2] = {resetMin, resetMin}, mx[2] = {resetMax, resetMax};
    uint32_t start = (uint32_t)trunc((double)first * S / w);
    for (int c = first; c <= last; c++) {
        uint32_t end = (uint32_t)trunc((double)(c + 1) * S / w + 1e-8);
        uint32_t n = end > start ? end - start : 0;
        uint32_t from = p->viewStart + start;
        if (from >= p->frames)
            return last + 1;   /* past the data: the rest keeps its flat strokes */
        if (p->pump && c % 10 == 0 && p->pumpFn && p->pumpFn(p->ctx, c))
            return c;
        if (p->dots) {
            mn[0] = mn[1] = resetMin;
            mx[0] = mx[1] = resetMax;
        }
        int lastV[2] = {silence, silence};
        if (PeakSummary.present && n >= 2 * PeakSummary.g && PeakSummary.frames == p->frames) {
            int smn[2], smx[2];
            peakSummaryGet(from, n, smn, smx);
            for (int k = 0; k < ch; k++) {
                mn[k] = smn[k];
                mx[k] = smx[k];
            }
            p->summaryColumns++;
        } else {
            uint32_t span = n < 1 ? 1 : n > PEAK_MAXSPAN ? PEAK_MAXSPAN : n;
            if (span > p->frames - from)
                span = p->frames - from;
            if (vocRead(buf, (int32_t)((uint64_t)from * block), span * (uint32_t)block) == 0) {
                p->bytesRead += (uint64_t)span * block;
                const uint8_t *q = buf;
                for (uint32_t f = 0; f < span; f++)
                    for (int k = 0; k < ch; k++) {
                        int v;
                        if (p->bits == 16) {
                            v = (int16_t)(q[0] | (q[1] << 8));
                            q += 2;
                        } else {
                            v = *q++;
                        }
                        if (v < mn[k]) mn[k] = v;
                        if (v > mx[k]) mx[k] = v;
                        lastV[k] = v;
                    }
            }
        }
        for (int k = 0; k < ch; k++) {
            int lo = mn[k] > mx[k] ? silence : mn[k], hi = mn[k] > mx[k] ? silence : mx[k];
            PeakColumnCache.top[k][c] = (int16_t)peakSampleY(&g, k, hi);
            PeakColumnCache.bottom[k][c] = (int16_t)peakSampleY(&g, k, lo);
            if (!p->dots)
                mn[k] = mx[k] = lastV[k];   /* Lines: the next stroke starts where this one ended */
        }
        if (p->drawFn)
            p->drawFn(p->ctx, c);
        start = end;
    }
    return last + 1;
}
