/*
 * bench_core.cpp - the sample store's measurements (see bench_core.h).  Global state: the
 * block file (one store at a time, opened and closed by each measurement) and Wave.
 */
#include "bench_core.h"

#include "os/os.h"
#include "store/blockfile.h"
#include "store/voc.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#ifndef ZELO_BENCH_DEFAULT_DIR
#define ZELO_BENCH_DEFAULT_DIR "."
#endif

static double now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string benchDir()
{
    const char *d = getenv("ZELO_BENCH_DIR");
    std::string dir = d && *d ? d : ZELO_BENCH_DEFAULT_DIR;
#if defined(_WIN32)
    /* Wine shows the Unix root as drive Z:. */
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir;
#endif
    return dir;
}

uint32_t benchMegabytes(const char *var, uint32_t fallback)
{
    const char *v = getenv(var);
    long n = v && *v ? strtol(v, NULL, 10) : 0;
    return n > 0 && n <= 1000 ? (uint32_t)n : fallback;
}

static std::string benchPath(const char *name)
{
    return benchDir() + "/" + name;
}

static void fillPattern(std::vector<uint8_t> &v)
{
    for (size_t i = 0; i < v.size(); i++)
        v[i] = (uint8_t)(i * 7 + (i >> 10));
}

static int openStore(void)
{
    if (bopen(benchPath("zelo-bench-store.tmp").c_str()) != 0 || BF.file == OS_NOFILE)
        return 0;
    vocSetFormat(2, 16, 0);
    Wave.editChannel = 0;
    return 1;
}

SeqTimes benchSeqVoc(uint32_t bytes, uint32_t piece)
{
    SeqTimes t = {0, 0, 0};
    if (!openStore())
        return t;
    std::vector<uint8_t> buf(piece);
    fillPattern(buf);
    int ok = 1;
    double t0 = now();
    for (uint32_t done = 0; done < bytes && ok; done += piece)
        ok = vocWriteAt(buf.data(), (int32_t)done, piece) == 0;
    double t1 = now();
    for (uint32_t done = 0; done < bytes && ok; done += piece)
        ok = vocRead(buf.data(), (int32_t)done, piece) == 0;
    double t2 = now();
    ok = ok && BF.total >= bytes;
    bclose();
    t.write = t1 - t0;
    t.read = t2 - t1;
    t.ok = ok;
    return t;
}

SeqTimes benchSeqPlain(uint32_t bytes, uint32_t piece)
{
    SeqTimes t = {0, 0, 0};
    std::string path = benchPath("zelo-bench-plain.tmp");
    OsFile f = osCreate(path.c_str());
    if (f == OS_NOFILE)
        return t;
    std::vector<uint8_t> buf(piece);
    fillPattern(buf);
    int ok = 1;
    double t0 = now();
    for (uint32_t done = 0; done < bytes && ok; done += piece)
        ok = osWrite(f, buf.data(), piece) == (long)piece;
    double t1 = now();
    ok = ok && osSeek(f, 0, 0) == 0;
    for (uint32_t done = 0; done < bytes && ok; done += piece)
        ok = osRead(f, buf.data(), piece) == (long)piece;
    double t2 = now();
    osClose(f);
    osDelete(path.c_str());
    t.write = t1 - t0;
    t.read = t2 - t1;
    t.ok = ok;
    return t;
}

EditTimes benchEditMiddle(uint32_t storeBytes, uint32_t editBytes, int rounds)
{
    EditTimes t = {0, 0, 0};
    if (!openStore())
        return t;
    /* Growth by seeking: every block is linked but nothing is written, so a gigabyte store
       costs no disk time to set up; each edit then reads and rewrites real blocks. */
    bseek((int32_t)storeBytes, 0, 0);
    Wave.dataLength = BF.total;
    int ok = BF.total == storeBytes;
    uint32_t mid = storeBytes / 2;
    double ins = 0, cut = 0;
    for (int i = 0; i < rounds && ok; i++) {
        double t0 = now();
        ok = vocInsertBlank((int32_t)mid, editBytes) == 0;
        double t1 = now();
        ok = ok && vocCut((int32_t)mid, editBytes) == 0;
        double t2 = now();
        ins += t1 - t0;
        cut += t2 - t1;
    }
    ok = ok && BF.total == storeBytes;
    bclose();
    t.insert = ins / rounds;
    t.cut = cut / rounds;
    t.ok = ok;
    return t;
}

RandomReads benchRandomReads(uint32_t storeBytes, uint32_t readBytes, int reads)
{
    RandomReads r = {0, 0, 0};
    if (!openStore())
        return r;
    std::vector<uint8_t> buf(32000);
    fillPattern(buf);
    int ok = 1;
    double t0 = now();
    for (uint32_t done = 0; done < storeBytes && ok; done += (uint32_t)buf.size()) {
        uint32_t n = storeBytes - done < buf.size() ? storeBytes - done : (uint32_t)buf.size();
        ok = vocWriteAt(buf.data(), (int32_t)done, n) == 0;
    }
    double t1 = now();
    std::vector<uint8_t> out(readBytes);
    uint64_t x = 0x2545F4914F6CDD1Dull;
    uint32_t span = storeBytes - readBytes;
    for (int i = 0; i < reads && ok; i++) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        ok = vocRead(out.data(), (int32_t)(x % span), readBytes) == 0;
    }
    double t2 = now();
    ok = ok && BF.total == storeBytes;
    bclose();
    r.fillSeconds = t1 - t0;
    r.perSecond = reads / (t2 - t1);
    r.ok = ok;
    return r;
}

static double mbps(uint32_t bytes, double seconds)
{
    return seconds > 0 ? bytes / 1048576.0 / seconds : 0;
}

void benchPrintSummary(const BenchFigures &f)
{
    printf("\n== sample store figures (files in %s) ==\n", benchDir().c_str());
    if (f.voc.ok && f.plain.ok) {
        printf("(a) sequential %u MiB, 64 KiB calls:\n", f.seqBytes >> 20);
        printf("    vocWriteAt %8.1f MiB/s   osWrite %8.1f MiB/s   voc/plain time ratio %.2f\n",
               mbps(f.seqBytes, f.voc.write), mbps(f.seqBytes, f.plain.write),
               f.plain.write > 0 ? f.voc.write / f.plain.write : 0);
        printf("    vocRead    %8.1f MiB/s   osRead  %8.1f MiB/s   voc/plain time ratio %.2f\n",
               mbps(f.seqBytes, f.voc.read), mbps(f.seqBytes, f.plain.read),
               f.plain.read > 0 ? f.voc.read / f.plain.read : 0);
    } else {
        printf("(a) sequential: FAILED (voc %d, plain %d)\n", f.voc.ok, f.plain.ok);
    }
    if (f.small.ok && f.big.ok) {
        printf("(b) %u-byte edit in the middle, %u MiB store vs %u MiB store (made by seeking past the end):\n",
               f.editBytes, f.smallStore >> 20, f.bigStore >> 20);
        printf("    vocInsertBlank %9.1f us  %9.1f us   big/small ratio %.2f\n", f.small.insert * 1e6,
               f.big.insert * 1e6, f.small.insert > 0 ? f.big.insert / f.small.insert : 0);
        printf("    vocCut         %9.1f us  %9.1f us   big/small ratio %.2f\n", f.small.cut * 1e6,
               f.big.cut * 1e6, f.small.cut > 0 ? f.big.cut / f.small.cut : 0);
    } else {
        printf("(b) edits: FAILED (small %d, big %d)\n", f.small.ok, f.big.ok);
    }
    if (f.random.ok)
        printf("(c) random %u-byte vocRead over %u MiB: %.0f reads/s (store filled at %.1f MiB/s)\n",
               f.readBytes, f.bigStore >> 20, f.random.perSecond, mbps(f.bigStore, f.random.fillSeconds));
    else
        printf("(c) random reads: FAILED\n");
    fflush(stdout);
}
