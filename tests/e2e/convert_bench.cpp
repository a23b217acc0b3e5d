/*
 * convert_bench.cpp - what a user waits for when converting a long recording: Convert
 * Sample Type from 44.1 kHz to 22.05 kHz at each quality, and 16 to 8 bits with dither,
 * over a 10-minute 16-bit stereo wave through the real program's dialog, from OK until the
 * program is idle, against sox doing the same to the same file in the same run ("rate -q",
 * "-m", "-h", "-v"; "-b 8 ... dither -s") and cp.  Each conversion is undone before the
 * next, so all work on the same wave.  Medians of three.  ZELO_BENCH_MINUTES chooses the
 * length.  Not a test: tools/bench.sh runs it under Wine.
 */
#include "zbench.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kConvert = 120, kUndo = 102, kStop = 198;
const int kRate = 321, k8bit = 110, k16bit = 111, kDither = 3036;

bool writeInput(const std::string &path, unsigned frames)
{
    std::vector<unsigned char> data((size_t)frames * 4);
    unsigned seed = 5;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        double t = i / 44100.0;
        int noise = (int)(seed >> 23) - 256;
        short l = (short)lrint(12000 * sin(2 * 3.14159265358979 * 440 * t) + noise);
        short r = (short)lrint(8000 * sin(2 * 3.14159265358979 * 3000 * t) - noise);
        memcpy(&data[(size_t)i * 4], &l, 2);
        memcpy(&data[(size_t)i * 4 + 2], &r, 2);
    }
    return zd::writeWave(path, 44100, 16, 2, data);
}

/* Median seconds of one conversion through the dialog (quality 1..4, or 0 for 16 to 8 bits
   with dither), each undone after; -1 when the program did not do it. */
double convertRuns(zd::App &app, int quality, int runs)
{
    std::vector<double> t;
    for (int k = 0; k < runs; k++) {
        app.command(kConvert);
        HWND dlg = app.waitWindow("Convert Sample Type", 10000);
        if (!dlg)
            return -1;
        if (quality) {
            zd::setText(dlg, kRate, "22050");
            zd::click(dlg, k16bit);
            zd::click(dlg, 2000 + quality);   /* the quality radios are 2001..2004 */
        } else {
            zd::setText(dlg, kRate, "44100");
            zd::click(dlg, k8bit);
            app.idle();
            zd::check(dlg, kDither, true);
        }
        app.idle();
        double t0 = zb::seconds();
        zd::click(dlg, IDOK);
        zd::waitGone(dlg, 10000);
        if (!zd::waitUndo(app, "Undo Convert Sample Type", 600000))
            return -1;
        zb::waitIdle(app);
        double dt = zb::seconds() - t0;
        t.push_back(dt);
        printf("  %s run %d: %.3f s\n", quality ? "rate" : "16 to 8", k, dt);
        app.command(kUndo);
        if (!zd::waitUndo(app, "Can't Undo", 600000))
            return -1;
        zb::waitIdle(app);
    }
    return zb::median(t);
}

} // namespace

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    double minutes = m ? atof(m) : 10.0;
    unsigned frames = (unsigned)(minutes * 60 * 44100);
    std::string dir = zd::freshDir("convert-bench");
    std::string file = dir + "\\long.wav";
    printf("Convert Sample Type over %.1f minutes of 16-bit stereo 44.1 kHz (%.1f MB)\n", minutes, frames * 4 / 1e6);
    if (!writeInput(file, frames)) {
        printf("cannot write %s\n", file.c_str());
        return 1;
    }
    std::string u = zd::unixPath(file), out = zd::unixPath(dir + "\\out.wav");
    const char *soxRate[5] = {"", "-q", "-m", "-h", "-v"};
    std::vector<double> sox[6];
    for (int k = 0; k < 3; k++) {
        for (int q = 1; q <= 4; q++)
            sox[q].push_back(zb::timeNative(dir, "sox '" + u + "' -r 22050 '" + out + "' rate " + soxRate[q]));
        sox[0].push_back(zb::timeNative(dir, "sox '" + u + "' -b 8 '" + out + "' dither -s"));
        sox[5].push_back(zb::timeNative(dir, "cp '" + u + "' '" + out + "'"));
    }

    std::string settings = zd::freshDir("convert-bench-settings");
    zd::App app;
    if (!app.start("\"" + file + "\"", settings))
        return 1;
    zd::settle(app);
    app.command(kStop);
    zb::waitIdle(app);
    double ours[5];
    for (int q = 1; q <= 3; q++)
        ours[q] = convertRuns(app, q, 3);
    ours[0] = convertRuns(app, 0, 3);
    zd::closeDiscarding(app, 120000);

    /* X-High: its radio is hidden in the dialog, but a stored ConvQuality of 4 checks it;
       the program is started afresh to read it. */
    zd::writeIni(settings + "\\zelo.ini", "Recent", "ConvQuality", "4");
    zd::App x;
    ours[4] = -1;
    if (x.start("\"" + file + "\"", settings)) {
        zd::settle(x);
        x.command(kStop);
        zb::waitIdle(x);
        std::vector<double> t;
        for (int k = 0; k < 3; k++) {
            x.command(kConvert);
            HWND dlg = x.waitWindow("Convert Sample Type", 10000);
            if (!dlg)
                break;
            zd::setText(dlg, kRate, "22050");
            zd::click(dlg, k16bit);
            x.idle();
            double t0 = zb::seconds();
            zd::click(dlg, IDOK);
            zd::waitGone(dlg, 10000);
            if (!zd::waitUndo(x, "Undo Convert Sample Type", 600000))
                break;
            zb::waitIdle(x);
            t.push_back(zb::seconds() - t0);
            printf("  rate x-high run %d: %.3f s\n", k, t.back());
            x.command(kUndo);
            zd::waitUndo(x, "Can't Undo", 600000);
            zb::waitIdle(x);
            /* The next dialog opens on the last choice, which is X-High again. */
        }
        ours[4] = zb::median(t);
        zd::closeDiscarding(x, 120000);
    }

    const char *names[5] = {"16 to 8 bits, dither", "44.1 to 22.05 kHz, Low", "44.1 to 22.05 kHz, Medium",
                            "44.1 to 22.05 kHz, High", "44.1 to 22.05 kHz, X-High"};
    const char *soxNames[5] = {"-b 8 dither -s", "rate -q", "rate -m", "rate -h", "rate -v"};
    double cp = zb::median(sox[5]);
    printf("\nmedians of 3 (the program: from OK until idle, under Wine; sox and cp natively):\n");
    for (int q = 0; q <= 4; q++) {
        double s = zb::median(sox[q]);
        printf("  %-28s %8.3f s   sox %-15s %8.3f s   ours / sox %.2f", names[q], ours[q], soxNames[q], s,
               s > 0 && ours[q] > 0 ? ours[q] / s : -1.0);
        if (cp > 0 && ours[q] > 0)
            printf("   ours / cp %.2f", ours[q] / cp);
        printf("\n");
    }
    printf("  cp of the file %8.3f s\n", cp);
    DeleteFileA(file.c_str());
    DeleteFileA((dir + "\\out.wav").c_str());
    return 0;
}
