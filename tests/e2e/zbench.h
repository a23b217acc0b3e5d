/*
 * zbench.h - what the Win32 benchmarks that drive the real program share: a clock, the
 * median, native commands timed by the shell, and waiting until the program is idle.
 */
#ifndef ZELO_ZBENCH_H
#define ZELO_ZBENCH_H

#include "zdriver.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

namespace zb {

inline double seconds()
{
    static LARGE_INTEGER f;
    if (!f.QuadPart)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

/* Seconds the native command took (timed by the shell), -1 when it could not run. */
inline double timeNative(const std::string &dir, const std::string &cmd)
{
    std::string out = dir + "\\native.ns";
    DeleteFileA(out.c_str());
    std::string line = "/bin/sh -c \"a=$(date +%s%N); " + cmd + " >/dev/null 2>&1; b=$(date +%s%N); echo $((b-a)) > '" +
                       zd::unixPath(out) + "'\"";
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

/* Waits until the program answers and no dialog of it (the progress meter) is up. */
inline void waitIdle(zd::App &app)
{
    for (;;) {
        DWORD_PTR r = 0;
        if (SendMessageTimeoutA(app.main(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &r) && app.dialogs().empty())
            return;
        Sleep(5);
    }
}

} // namespace zb

#endif
