/*
 * core_bench.cpp - the core as the user meets it, against plain baselines measured in the
 * same run (medians of five rounds; every ratio is our time divided by the baseline's):
 *   - opening a 10- and a 60-minute 16-bit stereo wave file through the filter host, the
 *     store and the peak summary, wired as the program wires them, against a copy of the
 *     same file in 64 KiB pieces (what cp does);
 *   - saving the wave to a new name against the same copy;
 *   - Reverse and Invert of the whole 10-minute wave in the store, against a memcpy of the
 *     same bytes, and the Reverse command with its undo copy;
 *   - natively, open + Reverse + save and open + Invert + save as a whole process (this
 *     program run again with --pipeline) against sox doing the same to the same file.
 *
 * Natively the wave filter's core is wired into the host through FltOs (no module loading
 * on POSIX); the Win32 build loads the real wave.flt from the program folder.
 * ZELO_BENCH_DIR chooses the folder, ZELO_BENCH_MINUTES the lengths (default "10,60").
 */
#include "edit/edits.h"
#include "edit/undo.h"
#include "edit/xforms.h"
#include "formats/fio.h"
#include "formats/flttable.h"
#include "core/document.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "view/peaks.h"
#include "view/view.h"
#include "os/os.h"

#include <algorithm>
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#ifndef _WIN32
#include "filters/wave/wavcore.h"
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

/* "(0.101..0.140)": the fastest and slowest round, to judge how steady the machine was. */
std::string spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    char t[48];
    snprintf(t, sizeof t, "(%.3f..%.3f)", v.empty() ? 0 : v.front(), v.empty() ? 0 : v.back());
    return t;
}

std::string dirOf()
{
    const char *d = getenv("ZELO_BENCH_DIR");
    std::string dir = d && *d ? d : ZELO_BENCH_DEFAULT_DIR;
#ifdef _WIN32
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir;
    for (auto &c : dir)
        if (c == '/')
            c = '\\';
#endif
    return dir;
}

std::string join(const std::string &dir, const char *name) { return dir + OS_PATHSEP + name; }

#ifndef _WIN32
/* The wave filter's entry points over its core, for the native host. */
WavReader *benchIn;
WavWriter *benchOut;

short nQuery(FltRecord *r)
{
    memset(r, 0, sizeof *r);
    strcpy(r->formatName, "Windows PCM");
    r->flags = FLT_CANREAD | FLT_CANWRITE;
    strcpy(r->ext, "wav");
    return 0x0480;
}
short nUnderstands(const char *name)
{
    int result = 0;
    const char *why = NULL;
    WavReader *r = wavOpenFile(name, &result, &why);
    if (r)
        wavClose(r);
    return r ? 1 : 0;
}
FltHandle nOpenIn(const char *name, uint32_t *rate, uint16_t *bits, uint16_t *channels, void *, uint32_t *piece)
{
    int result = 0;
    const char *why = NULL;
    benchIn = wavOpenFile(name, &result, &why);
    if (!benchIn)
        return 0;
    const WavInfo *i = wavInfo(benchIn);
    *rate = i->rate;
    *bits = i->bits;
    *channels = i->channels;
    *piece = 65536;
    return 1;
}
uint32_t nSize(FltHandle) { return wavInfo(benchIn)->bytes; }
uint32_t nRead(FltHandle, uint8_t *buf, uint32_t n) { return wavRead(benchIn, buf, n); }
void nCloseIn(FltHandle)
{
    wavClose(benchIn);
    benchIn = NULL;
}
FltHandle nOpenOut(const char *name, uint32_t rate, uint16_t bits, uint16_t channels, uint32_t bytes, uint32_t *piece,
                   uint32_t)
{
    int result = 0;
    benchOut = wavCreate(name, rate, bits, channels, bytes, &result);
    *piece = 65536;
    return benchOut ? 1 : 0;
}
uint32_t nWrite(FltHandle, const uint8_t *buf, uint32_t n) { return wavWrite(benchOut, buf, n); }
void nCloseOut(FltHandle)
{
    wavFinish(benchOut);
    benchOut = NULL;
}
int nLoad(const char *, FltModule *m, uint32_t *)
{
    memset(m, 0, sizeof *m);
    m->instance = (void *)1;
    m->QueryZeloFilter = nQuery;
    m->FilterUnderstandsFormat = nUnderstands;
    m->OpenFilterInput = nOpenIn;
    m->FilterGetFileSize = nSize;
    m->ReadFilterInput = nRead;
    m->CloseFilterInput = nCloseIn;
    m->OpenFilterOutput = nOpenOut;
    m->WriteFilterOutput = nWrite;
    m->CloseFilterOutput = nCloseOut;
    return 0;
}
void nUnload(FltModule *m) { m->instance = NULL; }
#endif

int newStore(const FioFormat *f) { return tempStoreSetup(f->channels, f->rate, f->bits); }

/* What the program's start-up wires for opening and saving, without the windows: the store,
   the peak summary built while reading and the view's end following the data.  The progress
   meter is the windows' part (the Win32 launch benchmark measures it in the real program). */
int wire(const std::string &dir)
{
    tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
    docInit();
    FioHook.newStore = newStore;
    FioHook.overviewBegin = viewOverviewBegin;
    FioHook.overviewFeed = viewOverviewFeed;
    FioHook.viewEnd = viewFollowEnd;
#ifdef _WIN32
    fltTableBuild(ZELO_BIN_DIR_DEFAULT_WIN, "zelo.exe");
#else
    FltOs.load = nLoad;
    FltOs.unload = nUnload;
    FltRecord r;
    nQuery(&r);
    strcpy(r.moduleName, "wave.flt");
    fltTableAdd(&r);
#endif
    if (FltTable.count < 1) {
        fprintf(stderr, "no wave filter found\n");
        return 0;
    }
    fioInitSaveType();
    return 1;
}

int writeInput(const std::string &path, uint32_t bytes)
{
    OsFile f = osCreate(path.c_str());
    if (f == OS_NOFILE)
        return 0;
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 2, 0,
                     0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 'd', 'a', 't', 'a'};
    uint32_t riff = bytes + 36;
    memcpy(h + 4, &riff, 4);
    memcpy(h + 40, &bytes, 4);
    int ok = osWrite(f, h, 44) == 44;
    /* Noise shaped like music: a slow wave with random detail, so the peaks vary. */
    std::vector<int16_t> buf(1 << 15);
    uint32_t seed = 12345, frame = 0;
    for (uint32_t done = 0; done < bytes && ok;) {
        for (size_t i = 0; i < buf.size(); i += 2, frame++) {
            seed = seed * 1664525u + 1013904223u;
            int v = (int)((frame / 7) % 4000) * 8 - 16000 + (int)(seed >> 22) - 512;
            buf[i] = (int16_t)v;
            buf[i + 1] = (int16_t)(v / 2);
        }
        uint32_t n = bytes - done < buf.size() * 2 ? bytes - done : (uint32_t)buf.size() * 2;
        ok = osWrite(f, buf.data(), n) == (long)n;
        done += n;
    }
    osClose(f);
    return ok;
}

double copyFile(const std::string &from, const std::string &to)
{
    osDelete(to.c_str());
    double t0 = now();
    OsFile in = osOpen(from.c_str(), 0), out = osCreate(to.c_str());
    if (in == OS_NOFILE || out == OS_NOFILE)
        return -1;
    std::vector<uint8_t> buf(1 << 16);
    long n;
    while ((n = osRead(in, buf.data(), (unsigned long)buf.size())) > 0)
        if (osWrite(out, buf.data(), (unsigned long)n) != n)
            return -1;
    osClose(in);
    osClose(out);
    return now() - t0;
}

int noStep(uint32_t, uint32_t) { return 0; }

void selectAll()
{
    Doc.selStart = 0;
    Doc.selEnd = Wave.dataLength / 4 - 1;
    Doc.selectionShown = 0xFFFF;
}

struct Round {
    double copy, open, save;
};

int openAndSave(const std::string &dir, uint32_t minutes, int rounds)
{
    uint32_t bytes = minutes * 60u * 44100u * 4u;
    std::string in = join(dir, "zelo-bench-in.wav"), copy = join(dir, "zelo-bench-copy.wav"),
                out = join(dir, "zelo-bench-out.wav");
    if (!writeInput(in, bytes)) {
        fprintf(stderr, "cannot write %s\n", in.c_str());
        return 0;
    }
    copyFile(in, copy);   /* warms the file cache */
    std::vector<double> tc, to, ts;
    int ok = 1;
    for (int r = 0; r < rounds; r++) {
        tc.push_back(copyFile(in, copy));
        /* The copy's target is removed before its clock starts; so is the last store. */
        tempStoreTeardown(1);
        double t0 = now();
        int rc = fioOpen(in.c_str(), 0, NULL);
        to.push_back(now() - t0);
        ok = ok && rc == 0 && Wave.dataLength == bytes && PeakSummary.present && PeakSummary.filled == bytes / 4;
        osDelete(out.c_str());
        char name[FLT_PATH_MAX];
        snprintf(name, sizeof name, "%s", out.c_str());
        t0 = now();
        rc = fioSave(name, 0, 0, NULL);
        ts.push_back(now() - t0);
        ok = ok && rc == 0;
    }
    double m = bytes / 1e6, c = median(tc), o = median(to), s = median(ts);
    printf("%u-minute wave file (%.0f MB), 16-bit stereo 44.1 kHz\n", minutes, m);
    printf("  copy in 64 KiB pieces          %7.3f s %s  %5.0f MB/s\n", c, spread(tc).c_str(), m / c);
    printf("  open (filter, store, summary)  %7.3f s %s  %5.2f x copy%s\n", o, spread(to).c_str(), o / c,
           ok ? "" : "  FAILED");
    printf("  save to a new name             %7.3f s %s  %5.2f x copy\n", s, spread(ts).c_str(), s / c);
    osDelete(copy.c_str());
    osDelete(out.c_str());
    return ok;
}

/* Reverse and Invert of the whole wave now open, against memcpy of the same bytes. */
int transforms(int rounds)
{
    uint32_t bytes = Wave.dataLength;
    std::vector<uint8_t> a(bytes), b(bytes);
    memset(a.data(), 1, bytes);
    memset(b.data(), 2, bytes);
    std::vector<double> tm, tr, ti, tu;
    uint32_t last = bytes / 4 - 1;
    int ok = 1;
    for (int r = 0; r < rounds; r++) {
        double t0 = now();
        memcpy(b.data(), a.data(), bytes);
        tm.push_back(now() - t0);
        a[r] = b[bytes - 1 - r];   /* keeps the copy from being optimised away */
        t0 = now();
        ok &= xformReverse(0, last, noStep) == 0;
        tr.push_back(now() - t0);
        t0 = now();
        ok &= xformInvert(0, last, noStep) == 0;
        ti.push_back(now() - t0);
        /* The command as the user gives it: the undo copy of the range, then the work. */
        undoSetEnabled(1);
        selectAll();
        t0 = now();
        editReverse(noStep);
        tu.push_back(now() - t0);
        undoClear();
    }
    double m = median(tm), rv = median(tr), iv = median(ti), cmd = median(tu);
    printf("in-place transforms of %.0f MB in the store\n", bytes / 1e6);
    printf("  memcpy of the same bytes  %7.3f s\n", m);
    printf("  Reverse                   %7.3f s  %5.2f x memcpy\n", rv, rv / m);
    printf("  Invert                    %7.3f s  %5.2f x memcpy\n", iv, iv / m);
    printf("  Reverse command with undo %7.3f s  %5.2f x memcpy\n", cmd, cmd / m);
    return ok;
}

/* One whole process: open, the transform, save.  0 ok. */
int pipeline(const char *what, const char *in, const char *out, const std::string &dir)
{
    if (!wire(dir) || fioOpen(in, 0, NULL) != 0)
        return 1;
    selectAll();
    if (!strcmp(what, "reverse"))
        editReverse(noStep);
    else
        editInvert(noStep);
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", out);
    int rc = fioSave(name, 0, 0, NULL);
    tempStoreTeardown(1);
    return rc;
}

#ifndef _WIN32
double runProcess(const std::vector<std::string> &args)
{
    double t0 = now();
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv;
        for (auto &s : args)
            argv.push_back((char *)s.c_str());
        argv.push_back(NULL);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    double t = now() - t0;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? t : -1;
}

void againstSox(const char *self, const std::string &dir, uint32_t minutes, int rounds)
{
    if (system("sox --version >/dev/null 2>&1") != 0) {
        printf("sox not found: whole-process comparison skipped\n");
        return;
    }
    uint32_t bytes = minutes * 60u * 44100u * 4u;
    std::string in = join(dir, "zelo-bench-in.wav"), out = join(dir, "zelo-bench-out.wav");
    if (!writeInput(in, bytes))
        return;
    printf("whole process on the %u-minute file (open, transform, save)\n", minutes);
    const char *names[2] = {"reverse", "invert"};
    for (const char *what : names) {
        std::vector<double> ours, sox;
        for (int r = 0; r < rounds; r++) {
            osDelete(out.c_str());
            ours.push_back(runProcess({self, "--pipeline", what, in, out, dir}));
            osDelete(out.c_str());
            if (!strcmp(what, "reverse"))
                sox.push_back(runProcess({"sox", in, out, "reverse"}));
            else
                sox.push_back(runProcess({"sox", "-D", in, out, "vol", "-1"}));
        }
        double o = median(ours), s = median(sox);
        printf("  %-7s zelo %7.3f s   sox %7.3f s   ratio %.2f%s\n", what, o, s, o / s,
               o < 0 || s < 0 ? "  FAILED" : "");
    }
    osDelete(in.c_str());
    osDelete(out.c_str());
}
#endif

} // namespace

int main(int argc, char **argv)
{
    std::string dir = dirOf();
    if (argc == 6 && !strcmp(argv[1], "--pipeline"))
        return pipeline(argv[2], argv[3], argv[4], argv[5]);
    if (!wire(dir))
        return 1;
    std::vector<uint32_t> lengths;
    const char *env = getenv("ZELO_BENCH_MINUTES");
    for (const char *p = env && *env ? env : "10,60"; *p;) {
        uint32_t v = (uint32_t)strtoul(p, (char **)&p, 10);
        if (v > 0 && v <= 100)
            lengths.push_back(v);
        while (*p && (*p < '0' || *p > '9'))
            p++;
    }
    int ok = 1;
    printf("folder %s, medians of 5 rounds; ratios are our time over the baseline's\n", dir.c_str());
    for (size_t i = 0; i < lengths.size(); i++) {
        ok &= openAndSave(dir, lengths[i], 5);
        if (i == 0)
            ok &= transforms(5);
    }
    tempStoreTeardown(1);
#ifndef _WIN32
    if (!lengths.empty())
        againstSox(argv[0], dir, lengths[0], 3);
#endif
    osDelete(join(dir, "zelo-bench-in.wav").c_str());
    return ok ? 0 : 1;
}
