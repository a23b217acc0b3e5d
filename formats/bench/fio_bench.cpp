/*
 * fio_bench.cpp - opening a large wave file into the store and saving it again through the
 * filter host and the wave filter, against a plain copy of the same file (read and write
 * in 64 KiB pieces, as cp does) measured in the same run.  Prints seconds, MB/s and the
 * ratios open/copy and save/copy (1.0 = as fast as the copy), best of three rounds each.
 *
 * Natively the wave filter's core is wired into the host through FltOs (no module
 * loading on POSIX); the Win32 build loads the real wave.flt from the program folder.
 * ZELO_BENCH_DIR chooses the folder, ZELO_BENCH_MB the size (default 100).
 */
#include "formats/fio.h"
#include "formats/flttable.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "os/os.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#ifndef _WIN32
#include "filters/wave/wavcore.h"
#endif

static double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static std::string dirOf()
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

static std::string join(const std::string &dir, const char *name) { return dir + OS_PATHSEP + name; }

#ifndef _WIN32
/* The wave filter's entry points over its core, for the native host. */
static WavReader *benchIn;
static WavWriter *benchOut;

static short nQuery(FltRecord *r)
{
    memset(r, 0, sizeof *r);
    strcpy(r->formatName, "Windows PCM");
    r->flags = FLT_CANREAD | FLT_CANWRITE;
    strcpy(r->ext, "wav");
    return 0x0480;
}
static short nUnderstands(const char *name)
{
    int result = 0;
    const char *why = NULL;
    WavReader *r = wavOpenFile(name, &result, &why);
    if (r)
        wavClose(r);
    return r ? 1 : 0;
}
static FltHandle nOpenIn(const char *name, uint32_t *rate, uint16_t *bits, uint16_t *channels, void *,
                         uint32_t *piece)
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
    *piece = 32768;
    return 1;
}
static uint32_t nSize(FltHandle) { return wavInfo(benchIn)->bytes; }
static uint32_t nRead(FltHandle, uint8_t *buf, uint32_t n) { return wavRead(benchIn, buf, n); }
static void nCloseIn(FltHandle)
{
    wavClose(benchIn);
    benchIn = NULL;
}
static FltHandle nOpenOut(const char *name, uint32_t rate, uint16_t bits, uint16_t channels, uint32_t bytes,
                          uint32_t *piece, uint32_t)
{
    int result = 0;
    benchOut = wavCreate(name, rate, bits, channels, bytes, &result);
    *piece = 32768;
    return benchOut ? 1 : 0;
}
static uint32_t nWrite(FltHandle, const uint8_t *buf, uint32_t n) { return wavWrite(benchOut, buf, n); }
static void nCloseOut(FltHandle)
{
    wavFinish(benchOut);
    benchOut = NULL;
}
static int nLoad(const char *, FltModule *m, uint32_t *)
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
static void nUnload(FltModule *m) { m->instance = NULL; }
#endif

static int newStore(const FioFormat *f) { return tempStoreSetup(f->channels, f->rate, f->bits); }

static int writeInput(const std::string &path, uint32_t bytes)
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
    std::vector<uint8_t> buf(1 << 16);
    for (size_t i = 0; i < buf.size(); i++)
        buf[i] = (uint8_t)(i * 131 + (i >> 9));
    for (uint32_t done = 0; done < bytes && ok; done += (uint32_t)buf.size()) {
        uint32_t n = bytes - done < buf.size() ? bytes - done : (uint32_t)buf.size();
        ok = osWrite(f, buf.data(), n) == (long)n;
    }
    osClose(f);
    return ok;
}

static double copyFile(const std::string &from, const std::string &to)
{
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

int main()
{
    std::string dir = dirOf();
    const char *mb = getenv("ZELO_BENCH_MB");
    uint32_t bytes = (uint32_t)((mb && atoi(mb) > 0 ? atoi(mb) : 100) * 1000000u / 4u * 4u);
    std::string in = join(dir, "zelo-fio-in.wav"), copy = join(dir, "zelo-fio-copy.wav"),
                out = join(dir, "zelo-fio-out.wav");
    if (!writeInput(in, bytes)) {
        fprintf(stderr, "cannot write %s\n", in.c_str());
        return 1;
    }
    tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
    FioHook.newStore = newStore;
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
        return 1;
    }
    fioInitSaveType();

    /* Warm the file cache once, then take the best of three rounds of each, so that other
       work on the machine disturbs the figures less. */
    copyFile(in, copy);
    double tCopy = 1e9, tOpen = 1e9, tSave = 1e9;
    int loaded = 1, saveRc = 0;
    for (int round = 0; round < 3; round++) {
        double c = copyFile(in, copy);
        if (c > 0 && c < tCopy)
            tCopy = c;
        double t0 = now();
        int openRc = fioOpen(in.c_str(), 0, NULL);
        double t = now() - t0;
        loaded = loaded && openRc == 0 && Wave.dataLength == bytes;
        if (t < tOpen)
            tOpen = t;
        char name[FLT_PATH_MAX];
        snprintf(name, sizeof name, "%s", out.c_str());
        t0 = now();
        saveRc |= fioSave(name, 0, 0, NULL);
        t = now() - t0;
        if (t < tSave)
            tSave = t;
    }
    double m = bytes / 1e6;
    printf("wave file of %.0f MB, 16-bit stereo, folder %s\n", m, dir.c_str());
    printf("  copy (64 KiB pieces)  %7.3f s  %8.1f MB/s\n", tCopy, m / tCopy);
    printf("  open into the store   %7.3f s  %8.1f MB/s  ratio to copy %.2f%s\n", tOpen, m / tOpen,
           tCopy / tOpen, loaded ? "" : "  (FAILED)");
    printf("  save from the store   %7.3f s  %8.1f MB/s  ratio to copy %.2f%s\n", tSave, m / tSave,
           tCopy / tSave, saveRc == 0 ? "" : "  (FAILED)");
    tempStoreTeardown(1);
    osDelete(in.c_str());
    osDelete(copy.c_str());
    osDelete(out.c_str());
    return loaded && saveRc == 0 ? 0 : 1;
}
