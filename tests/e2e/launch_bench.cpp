/*
 * launch_bench.cpp - what a user waits for when starting the program with a long recording:
 * from launching zelo.exe with a 60-minute 16-bit stereo wave file on its command line until
 * the program is idle with the file's name in its title and its waveform drawn, against a
 * copy of the same file (64 KiB pieces, as cp does) in the same run.  Medians of five runs
 * after one warm-up; ZELO_BENCH_CP_SECONDS (the host's own cp, timed by tools/bench.sh just
 * before) adds the ratio against that too.  ZELO_BENCH_MINUTES chooses the length.
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
    return v.empty() ? 0 : v[v.size() / 2];
}

bool writeInput(const std::string &path, unsigned bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2,
                           0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a'};
    unsigned riff = bytes + 36;
    memcpy(h + 4, &riff, 4);
    memcpy(h + 40, &bytes, 4);
    DWORD put = 0;
    bool ok = WriteFile(f, h, 44, &put, NULL) && put == 44;
    std::vector<short> buf(1 << 15);
    unsigned seed = 7, frame = 0;
    for (unsigned done = 0; ok && done < bytes;) {
        for (size_t i = 0; i < buf.size(); i += 2, frame++) {
            seed = seed * 1664525u + 1013904223u;
            int v = (int)((frame / 7) % 4000) * 8 - 16000 + (int)(seed >> 22) - 512;
            buf[i] = (short)v;
            buf[i + 1] = (short)(v / 2);
        }
        DWORD n = bytes - done < buf.size() * 2 ? bytes - done : (DWORD)buf.size() * 2;
        ok = WriteFile(f, buf.data(), n, &put, NULL) && put == n;
        done += n;
    }
    CloseHandle(f);
    return ok;
}

double copyFile(const std::string &from, const std::string &to)
{
    DeleteFileA(to.c_str());
    double t0 = seconds();
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    std::vector<char> buf(1 << 16);
    DWORD got = 0, put = 0;
    bool ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;
    while (ok && ReadFile(in, buf.data(), (DWORD)buf.size(), &got, NULL) && got > 0)
        ok = WriteFile(out, buf.data(), got, &put, NULL) && put == got;
    CloseHandle(in);
    CloseHandle(out);
    double t = seconds() - t0;
    DeleteFileA(to.c_str());
    return ok ? t : -1;
}

struct Find {
    DWORD pid;
    const char *want;   /* in the main window's title */
    HWND main;
    int dialogs;        /* visible dialogs of the process (the progress meter) */
};

BOOL CALLBACK look(HWND w, LPARAM lp)
{
    Find *f = (Find *)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != f->pid || !IsWindowVisible(w))
        return TRUE;
    char cls[64], title[300];
    GetClassNameA(w, cls, sizeof cls);
    if (!strcmp(cls, "#32770"))
        f->dialogs++;
    else if (!strncmp(cls, "ZELO-v9", 7) && GetWindowTextA(w, title, sizeof title) > 0) {
        CharUpperA(title);
        if (strstr(title, f->want))
            f->main = w;
    }
    return TRUE;
}

/* One launch: seconds until idle with the file open, or -1.  *drawn: colours in the client. */
double launch(const std::string &file, const char *name, int *drawn)
{
    std::string settings = zd::freshDir("launch-settings");
    SetEnvironmentVariableA("ZELO_SETTINGS_DIR", settings.c_str());
    std::string exe = zd::binDir() + "\\zelo.exe";
    std::string cmd = "\"" + exe + "\" \"" + file + "\"";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double t0 = seconds(), t = -1;
    if (!CreateProcessA(exe.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, zd::binDir().c_str(), &si, &pi))
        return -1;
    HWND main = NULL;
    for (int i = 0; i < 20000; i++) {
        Find f{pi.dwProcessId, name, NULL, 0};
        EnumWindows(look, (LPARAM)&f);
        if (f.main && f.dialogs == 0) {
            main = f.main;
            DWORD_PTR r = 0;
            SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r);
            UpdateWindow(main);
            WaitForInputIdle(pi.hProcess, 10000);
            t = seconds() - t0;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0)
            break;
        if (i == 19999)
            fprintf(stderr, "no idle main window: main %p, dialogs %d\n", (void *)f.main, f.dialogs);
    }
    if (main && drawn) {
        int w = 0, h = 0;
        std::vector<unsigned> px;
        *drawn = 0;
        if (zd::grabClient(main, &w, &h, &px)) {
            std::sort(px.begin(), px.end());
            *drawn = (int)(std::unique(px.begin(), px.end()) - px.begin());
        }
    }
    if (main)
        PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return t;
}

} // namespace

int main()
{
    const char *m = getenv("ZELO_BENCH_MINUTES");
    unsigned minutes = m && atoi(m) > 0 && atoi(m) <= 100 ? (unsigned)atoi(m) : 60;
    std::string dir = zd::freshDir("launch-bench");
    std::string file = dir + "\\LAUNCH.WAV", copy = dir + "\\COPY.WAV";
    unsigned bytes = minutes * 60u * 44100u * 4u;
    if (!writeInput(file, bytes)) {
        fprintf(stderr, "cannot write %s\n", file.c_str());
        return 1;
    }
    int drawn = 0;
    launch(file, "LAUNCH", &drawn);   /* warm-up: the program's files and the input in the cache */
    std::vector<double> tc, tl;
    for (int r = 0; r < 5; r++) {
        tc.push_back(copyFile(file, copy));
        tl.push_back(launch(file, "LAUNCH", r == 0 ? &drawn : NULL));
    }
    double c = median(tc), l = median(tl);
    printf("%u-minute wave file (%.0f MB) on the command line, medians of 5 runs\n", minutes, bytes / 1e6);
    printf("  copy in 64 KiB pieces (Wine)       %7.3f s\n", c);
    printf("  launch until idle and drawn        %7.3f s  %5.2f x copy%s\n", l, l / c,
           *std::min_element(tl.begin(), tl.end()) < 0 || drawn < 3 ? "  FAILED" : "");
    const char *cp = getenv("ZELO_BENCH_CP_SECONDS");
    if (cp && atof(cp) > 0)
        printf("  the host's cp of the same file     %7.3f s  ratio %5.2f\n", atof(cp), l / atof(cp));
    DeleteFileA(file.c_str());
    return *std::min_element(tl.begin(), tl.end()) < 0 || drawn < 3 ? 1 : 0;
}
