/*
 * sonogram_bench.cpp - a full recomputation of a 1000-column spectral area (stereo, 300
 * pixels high) at 512, 2048 and 4096 points, as the paint runs it: samples read through the
 * store, one FFT per column, every row's colour written into a 32-bit pixel buffer like the
 * view's bitmap.  A plain program: sonogram_bench natively, sonogram_bench_win under Wine.
 * Goal: at most 100 ms at 2048 points.  ZELO_BENCH_MINUTES sets the file's length (default 5).
 */
#include "view/sonogram.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <chrono>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const int kColumns = 1000, kHeight = 300;

struct Picture {
    std::vector<uint32_t> px;
    uint64_t sum = 0;
};

void column(void *ctx, int c, const uint8_t *idx, const SpectralGeom *g)
{
    Picture *p = (Picture *)ctx;
    for (int ch = 0; ch < g->channels; ch++)
        for (int r = 0; r < g->height; r++) {
            int y = g->bottom[ch] - r - 1;
            const uint8_t *rgb = SpectralPalette.rgb[idx[ch * g->height + r]];
            p->px[(size_t)y * kColumns + c] = ((uint32_t)rgb[0] << 16) | ((uint32_t)rgb[1] << 8) | rgb[2];
        }
    p->sum += idx[0];
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    int minutes = m && atoi(m) > 0 ? atoi(m) : 5;
    const char *dir = getenv("ZELO_BENCH_DIR");
    std::string path = std::string(dir ? dir : ZELO_BENCH_DEFAULT_DIR) + "/sonogram_bench.tmp";
    if (bopen(path.c_str()) != 0) {
        printf("FAILED: could not make the store %s\n", path.c_str());
        return 1;
    }
    vocSetFormat(2, 16, 0);
    const uint32_t rate = 44100, frames = (uint32_t)minutes * 60 * rate;
    std::vector<int16_t> chunk(2 * 44100);
    double phase = 0;
    for (uint32_t done = 0; done < frames; done += 44100) {
        for (uint32_t i = 0; i < 44100; i++) {
            double f = 100 + 15000.0 * (done + i) / frames;
            phase += 2 * 3.14159265358979 * f / rate;
            chunk[2 * i] = (int16_t)(12000 * sin(phase));
            chunk[2 * i + 1] = (int16_t)(8000 * sin(phase * 0.5));
        }
        if (vocAppend(chunk.data(), (uint32_t)(chunk.size() * 2)) != 0) {
            printf("FAILED: store write\n");
            return 1;
        }
    }
    BuildSpectralPalette(0x00DCFFF0, 0x00202000, 1);
    Picture pic;
    pic.px.assign((size_t)kColumns * (kHeight + 1), 0);
    printf("spectral view: %d columns x %d pixels, stereo 16-bit, %d-minute wave\n", kColumns, kHeight, minutes);
    int fail = 0;
    for (int bits : {9, 11, 12}) {
        SpectralPass p = {};
        p.area = {0, 0, kColumns, kHeight};
        p.viewStart = 0;
        p.viewEnd = frames - 1;
        p.channels = 2;
        p.bits = 16;
        p.resolution = bits;
        p.columnFn = column;
        p.ctx = &pic;
        double best = 1e9;
        for (int run = 0; run < 5; run++) {
            double t = now();
            if (DrawSpectralColumns(&p, 0, kColumns - 1) != kColumns)
                fail = 1;
            double s = now() - t;
            best = s < best ? s : best;
        }
        printf("  %4d points: %.1f ms per full recomputation%s\n", 1 << bits, best * 1e3,
               bits == 11 ? (best <= 0.100 ? " (goal <= 100 ms: met)" : " (goal <= 100 ms: MISSED)") : "");
    }
    bclose();
    remove(path.c_str());
    return fail;
}
