/*
 * xfmcall_bench.cpp - the cost of calling a transform module silently, as the composer and
 * other modules do through CallXfm: load the module, fill its context, run its XfmDo over one
 * frame (so the work itself is nothing), unload it.  Against the floor of that round trip, a
 * bare LoadLibrary / GetProcAddress / FreeLibrary of the same module, measured in the same run.
 * Prints microseconds per call (medians of five batches of 200 calls).
 */
#include "plugins/xfmhost.h"
#include "edit/edits.h"
#include "edit/undo.h"
#include "core/document.h"
#include "core/profile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "ui/frame.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

static double seconds()
{
    static LARGE_INTEGER f;
    if (!f.QuadPart)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

static std::string winPath(std::string p)
{
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

static double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main()
{
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string base = std::string(tmp) + "zelo-xfmcall-bench";
    CreateDirectoryA(base.c_str(), NULL);
    std::string mods = base + "\\modules";
    CreateDirectoryA(mods.c_str(), NULL);
    std::string module = mods + "\\probe.xfm";
    if (!CopyFileA((winPath(XFM_TEST_MODULES) + "\\probe.xfm").c_str(), module.c_str(), FALSE)) {
        fprintf(stderr, "no test module in %s\n", XFM_TEST_MODULES);
        return 1;
    }
    profileSetFolder((base + "\\settings").c_str());
    tempChooseDirs(base.c_str(), base.c_str(), NULL, NULL);
    docInit();
    editSetup(5, 1, 1, 0);
    Frame.instance = GetModuleHandleA(NULL);
    if (xfmScan(mods.c_str(), 32, NULL) != 1 || tempStoreSetup(1, 8000, 16) != 0) {
        fprintf(stderr, "cannot set up the module or the store\n");
        return 1;
    }
    short samples[64] = {0};
    vocAppend(samples, sizeof samples);
    HGLOBAL vars = CreateXfmVars("Probe");
    long gain = 10;
    SetXfmVar(vars, 0, 4, &gain);

    const int calls = 200;
    std::vector<double> ours, floor;
    for (int round = 0; round < 5; round++) {
        double t0 = seconds();
        for (int i = 0; i < calls; i++)
            CallXfm("Probe", vars, 3, 3, 0, NULL);
        ours.push_back((seconds() - t0) / calls);
        t0 = seconds();
        for (int i = 0; i < calls; i++) {
            HMODULE m = LoadLibraryA(module.c_str());
            if (m) {
                GetProcAddress(m, "QueryXfm");
                FreeLibrary(m);
            }
        }
        floor.push_back((seconds() - t0) / calls);
    }
    double o = median(ours), f = median(floor);
    printf("CallXfm round trip with a one-frame XfmDo (load, fill, call, unload)\n");
    printf("  CallXfm                          %8.1f us per call\n", o * 1e6);
    printf("  LoadLibrary + FreeLibrary alone  %8.1f us per call   CallXfm / that %.2f\n", f * 1e6, o / f);
    DeleteXfmVars("Probe", vars);
    xfmShutdown();
    tempStoreTeardown(1);
    DeleteFileA(module.c_str());
    return 0;
}
