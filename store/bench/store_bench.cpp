/*
 * store_bench.cpp - the sample store's benchmarks under Google Benchmark (native builds):
 * sequential voc access against plain file access, edits in a small and a large store, and
 * random reads.  After the run it prints the same summary as the Win32 program, with the
 * ratios against the baselines measured in this run.
 */
#include "bench_core.h"

#include <benchmark/benchmark.h>

static BenchFigures F;

static void keepBetter(SeqTimes &best, const SeqTimes &t)
{
    if (!best.ok || (t.ok && t.write + t.read < best.write + best.read))
        best = t;
}

static void BM_SequentialVoc(benchmark::State &st)
{
    for (auto _ : st) {
        SeqTimes t = benchSeqVoc(F.seqBytes, 65536);
        if (!t.ok) {
            st.SkipWithError("store failed");
            break;
        }
        st.SetIterationTime(t.write + t.read);
        keepBetter(F.voc, t);
    }
    st.SetBytesProcessed((int64_t)st.iterations() * 2 * F.seqBytes);
}

static void BM_SequentialPlainFile(benchmark::State &st)
{
    for (auto _ : st) {
        SeqTimes t = benchSeqPlain(F.seqBytes, 65536);
        if (!t.ok) {
            st.SkipWithError("plain file failed");
            break;
        }
        st.SetIterationTime(t.write + t.read);
        keepBetter(F.plain, t);
    }
    st.SetBytesProcessed((int64_t)st.iterations() * 2 * F.seqBytes);
}

static void BM_InsertCutMiddle(benchmark::State &st)
{
    uint32_t store = st.range(0) == 0 ? F.smallStore : F.bigStore;
    EditTimes &keep = st.range(0) == 0 ? F.small : F.big;
    for (auto _ : st) {
        EditTimes t = benchEditMiddle(store, F.editBytes, 200);
        if (!t.ok) {
            st.SkipWithError("edit failed");
            break;
        }
        st.SetIterationTime(t.insert + t.cut);
        keep = t;
    }
    st.counters["insert_us"] = keep.insert * 1e6;
    st.counters["cut_us"] = keep.cut * 1e6;
    st.SetLabel(std::to_string(store >> 20) + " MiB store");
}

static void BM_RandomRead4K(benchmark::State &st)
{
    for (auto _ : st) {
        RandomReads r = benchRandomReads(F.bigStore, F.readBytes, 20000);
        if (!r.ok) {
            st.SkipWithError("reads failed");
            break;
        }
        st.SetIterationTime(20000 / r.perSecond);
        F.random = r;
    }
    st.counters["reads_per_s"] = F.random.perSecond;
}

BENCHMARK(BM_SequentialVoc)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequentialPlainFile)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertCutMiddle)->Arg(0)->Arg(1)->UseManualTime()->Iterations(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RandomRead4K)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    F.seqBytes = benchMegabytes("ZELO_BENCH_MB", 100) << 20;
    F.smallStore = 10u << 20;
    F.bigStore = benchMegabytes("ZELO_BENCH_BIG_MB", 1000) << 20;
    F.editBytes = 1024;
    F.readBytes = 4096;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    benchPrintSummary(F);
    return 0;
}
