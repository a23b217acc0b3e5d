/*
 * bench_core.h - the sample store's measurements as plain functions, shared by the Google
 * Benchmark program (native) and the small stand-alone program built for Win32 (run under
 * Wine), which has no Google Benchmark.  Every function opens its own store or plain file in
 * benchDir() and removes it again; times are seconds of a steady clock.
 */
#ifndef ZELO_BENCH_CORE_H
#define ZELO_BENCH_CORE_H

#include <stdint.h>
#include <string>

/* Folder of the temporary files: ZELO_BENCH_DIR, else the build folder. */
std::string benchDir();
/* Megabytes from an environment variable, or the default. */
uint32_t benchMegabytes(const char *var, uint32_t fallback);

struct SeqTimes {
    double write, read;   /* seconds for the whole size */
    int ok;               /* 0 when a file could not be made or a call failed */
};
/* Sequential vocWriteAt then vocRead of bytes, in calls of piece bytes, on a fresh store. */
SeqTimes benchSeqVoc(uint32_t bytes, uint32_t piece);
/* The same through osWrite / osRead on a plain file of the same size in the same folder. */
SeqTimes benchSeqPlain(uint32_t bytes, uint32_t piece);

struct EditTimes {
    double insert, cut;   /* seconds per call */
    int ok;
};
/* vocInsertBlank and vocCut of editBytes in the middle of a store of storeBytes, averaged
   over rounds; the store is made by seeking past the end (sparse growth, no data written). */
EditTimes benchEditMiddle(uint32_t storeBytes, uint32_t editBytes, int rounds);

struct RandomReads {
    double perSecond;
    double fillSeconds;   /* time taken to write the store first */
    int ok;
};
/* vocRead of readBytes at random offsets over a store of storeBytes filled by vocWriteAt. */
RandomReads benchRandomReads(uint32_t storeBytes, uint32_t readBytes, int reads);

struct BenchFigures {
    uint32_t seqBytes, smallStore, bigStore, editBytes, readBytes;
    SeqTimes voc, plain;
    EditTimes small, big;
    RandomReads random;
};
/* Prints the figures and the ratios against the baselines measured in the same run. */
void benchPrintSummary(const BenchFigures &f);

#endif
