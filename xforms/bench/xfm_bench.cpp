/*
 * xfm_bench.cpp - what a user waits for when amplifying a long recording: Amplify at 50 %
 * over a 10-minute 16-bit stereo 44.1 kHz wave through its menu entry in the real program,
 * from pressing OK until the program is idle again, with the undo copy and without it,
 * against sox vol 0.5 and cp of the same file (both run natively and timed by the shell).
 * Medians of three runs after one warm-up.  ZELO_BENCH_MINUTES chooses the length.
 * Not a test: tools/bench.sh runs it under Wine.
 */
#include "zbench.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

using zb::median;
using zb::seconds;
using zb::timeNative;
using zb::waitIdle;
using zd::unixPath;

bool writeInput(const std::string &path, unsigned frames)
{
    std::vector<unsigned char> data((size_t)frames * 4);
    unsigned seed = 7;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        int v = (int)((i / 7) % 4000) * 8 - 16000 + (int)(seed >> 22) - 512;
        short l = (short)v, r = (short)(v / 2);
        memcpy(&data[(size_t)i * 4], &l, 2);
        memcpy(&data[(size_t)i * 4 + 2], &r, 2);
    }
    return zd::writeWave(path, 44100, 16, 2, data);
}

/* Median seconds of Amplify 50 % through the menu, or -1. */
double amplifyRuns(const std::string &file, bool undo, int runs)
{
    std::string settings = zd::freshDir(undo ? "bench-undo" : "bench-noundo");
    zd::writeIni(settings + "\\win.ini", "Zelo Edit", "Undo", undo ? "Yes" : "No");
    zd::App app;
    if (!app.start("\"" + file + "\"", settings))
        return -1;
    std::string name = file.substr(file.find_last_of('\\') + 1);
    if (!zd::waitTitle(app, name + " - Zelo Edit", 120000))
        return -1;
    zd::settle(app);
    int id = 0;
    for (int i = 7000; i < 7040 && !id; i++)
        if (zd::menuText(app, i) == "Amplify...")
            id = i;
    if (!id)
        return -1;
    std::vector<double> t;
    for (int k = 0; k <= runs; k++) {
        app.command(id);
        HWND dlg = app.waitWindow("Amplify", 10000);
        if (!dlg)
            return -1;
        zd::click(dlg, 102);
        app.idle();
        zd::setText(dlg, 103, "50");
        double t0 = seconds();
        zd::click(dlg, IDOK);
        zd::waitGone(dlg, 10000);
        waitIdle(app);
        double dt = seconds() - t0;
        if (k > 0)
            t.push_back(dt);
        printf("  amplify (undo %s) run %d: %.3f s\n", undo ? "on" : "off", k, dt);
        fflush(stdout);
    }
    zd::closeDiscarding(app, 120000);
    return median(t);
}

}  // namespace

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    double minutes = m ? atof(m) : 10.0;
    unsigned frames = (unsigned)(minutes * 60 * 44100);
    std::string dir = zd::freshDir("xfm-bench");
    std::string file = dir + "\\long.wav";
    printf("Amplify 50 %% over %.1f minutes of 16-bit stereo 44.1 kHz (%.1f MB)\n", minutes, frames * 4 / 1e6);
    if (!writeInput(file, frames)) {
        printf("cannot write %s\n", file.c_str());
        return 1;
    }
    std::string u = unixPath(file), out = unixPath(dir + "\\out.wav");
    std::vector<double> sox, cp;
    for (int k = 0; k <= 3; k++) {
        double s = timeNative(dir, "sox -D '" + u + "' '" + out + "' vol 0.5");
        double c = timeNative(dir, "cp '" + u + "' '" + out + "'");
        if (k > 0) {
            sox.push_back(s);
            cp.push_back(c);
        }
    }
    double amp = amplifyRuns(file, true, 3);
    double ampNoUndo = amplifyRuns(file, false, 3);
    double ms = median(sox), mc = median(cp);
    printf("\nmedians of 3:\n");
    printf("  Amplify, undo on   %8.3f s\n", amp);
    printf("  Amplify, undo off  %8.3f s\n", ampNoUndo);
    printf("  sox vol 0.5        %8.3f s%s\n", ms, ms < 0 ? " (sox missing)" : "");
    printf("  cp                 %8.3f s\n", mc);
    if (ms > 0)
        printf("ratios to sox:  undo on %.2f, undo off %.2f\n", amp / ms, ampNoUndo / ms);
    if (mc > 0)
        printf("ratios to cp:   undo on %.2f, undo off %.2f, sox %.2f\n", amp / mc, ampNoUndo / mc, ms / mc);
    DeleteFileA(file.c_str());
    DeleteFileA((dir + "\\out.wav").c_str());
    return 0;
}
