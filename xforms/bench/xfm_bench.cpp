/*
 * xfm_bench.cpp - what a user waits for when amplifying a long recording: Amplify at 50 %
 * over a 10-minute 16-bit stereo 44.1 kHz wave through its menu entry in the real program,
 * from pressing OK until the program is idle again, with the undo copy and without it,
 * against sox vol 0.5 and cp of the same file (both run natively and timed by the shell).
 * Medians of three runs after one warm-up.  ZELO_BENCH_MINUTES chooses the length.
 * Not a test: tools/bench.sh runs it under Wine.
 */
#include "zdriver.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

double seconds()
{
    static LARGE_INTEGER f;
    if (!f.QuadPart)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

std::string unixPath(const std::string &winPath)
{
    typedef char *(CDECL * ToUnix)(LPCWSTR);
    static ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return "";
    wchar_t w[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, w, MAX_PATH);
    char *u = toUnix(w);
    std::string s = u ? u : "";
    if (u)
        HeapFree(GetProcessHeap(), 0, u);
    return s;
}

/* Seconds the native command took (timed by the shell), -1 when it could not run. */
double timeNative(const std::string &dir, const std::string &cmd)
{
    std::string out = dir + "\\native.ns";
    DeleteFileA(out.c_str());
    std::string line = "/bin/sh -c \"a=$(date +%s%N); " + cmd + " >/dev/null 2>&1; b=$(date +%s%N); echo $((b-a)) > '" +
                       unixPath(out) + "'\"";
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(NULL, buf.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int t = 0; t < 600000; t += 20) {
        FILE *f = fopen(out.c_str(), "rb");
        if (f) {
            double ns = 0;
            int n = fscanf(f, "%lf", &ns);
            fclose(f);
            if (n == 1)
                return ns / 1e9;
        }
        Sleep(20);
    }
    return -1;
}

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

/* Waits until the program answers and no dialog of it (the progress meter) is up. */
void waitIdle(zd::App &app)
{
    for (;;) {
        DWORD_PTR r = 0;
        if (SendMessageTimeoutA(app.main(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &r) && app.dialogs().empty())
            return;
        Sleep(5);
    }
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
