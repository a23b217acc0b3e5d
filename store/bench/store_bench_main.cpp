/*
 * store_bench_main.cpp - the sample store's benchmarks without Google Benchmark: the Win32
 * build runs this under Wine.  Each measurement runs twice and the faster run counts.
 * ZELO_BENCH_MB and ZELO_BENCH_BIG_MB shrink the sizes for a quick look.
 */
#include "bench_core.h"

#include <stdio.h>

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    BenchFigures f = {};
    f.seqBytes = benchMegabytes("ZELO_BENCH_MB", 100) << 20;
    f.smallStore = 10u << 20;
    f.bigStore = benchMegabytes("ZELO_BENCH_BIG_MB", 1000) << 20;
    f.editBytes = 1024;
    f.readBytes = 4096;
    for (int run = 0; run < 2; run++) {
        SeqTimes v = benchSeqVoc(f.seqBytes, 65536), p = benchSeqPlain(f.seqBytes, 65536);
        if (run == 0 || (v.ok && v.write + v.read < f.voc.write + f.voc.read))
            f.voc = v;
        if (run == 0 || (p.ok && p.write + p.read < f.plain.write + f.plain.read))
            f.plain = p;
    }
    f.small = benchEditMiddle(f.smallStore, f.editBytes, 200);
    f.big = benchEditMiddle(f.bigStore, f.editBytes, 200);
    f.random = benchRandomReads(f.bigStore, f.readBytes, 20000);
    benchPrintSummary(f);
    return f.voc.ok && f.plain.ok && f.small.ok && f.big.ok && f.random.ok ? 0 : 1;
}
