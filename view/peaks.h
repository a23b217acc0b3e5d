/*
 * peaks.h - the waveform picture's data: the geometry of one paint, the PeakColumnCache
 * (per pixel column, the screen y of each channel's stroke top and bottom, with the dirty
 * column range and the flags of an interruptible recomputation) and the PeakSummary (per
 * block of g frames, each channel's minimum and maximum byte, built while a file is read).
 *
 * Window-free: the recomputation reads samples with vocRead and calls back for the message
 * pump and for drawing.  Global state: PeakColumnCache, PeakSummary.
 * Invariants:
 *   1. PeakColumnCache arrays hold `capacity` entries; columns beyond it are never touched.
 *   2. PeakSummary.present implies data holds blocks * channels * 2 bytes for `frames`
 *      frames at g frames per block (peakSummaryCreate); peakSummaryFree clears it.
 *   3. A recomputation never reads more than PEAK_MAXSPAN frames for one column.
 */
#ifndef ZELO_PEAKS_H
#define ZELO_PEAKS_H

#include <stdint.h>

#define PEAK_MAXSPAN  1024u     /* frames examined per column at most */
#define PEAK_READBUF  10000u    /* bytes of the recomputation's read buffer */

struct ViewRect { int left, top, right, bottom; };

/* Where one paint puts each channel (index 0 left or mono, 1 right). */
struct PeakGeom {
    int stereo;
    int h16;                    /* 1 for 16-bit data */
    int height;                 /* H (mono) or h (stereo) */
    int base[2];                /* y of the most negative sample */
    int centre[2];              /* y of silence (the red centre line) */
};
void peakGeometry(const ViewRect *area, int channels, int bits, PeakGeom *g);
/* Sample value to y (16-bit signed, or 8-bit unsigned 0..255). */
int  peakSampleY(const PeakGeom *g, int channel, int v);

struct PeakColumnCacheState {
    int16_t *top[2];            /* stroke top y per column, left (mono) and right */
    int16_t *bottom[2];         /* stroke bottom y per column */
    int      capacity;          /* entries of each array (the screen width) */
    uint16_t dirty;             /* the dirty range must be recomputed */
    int      dirtyFirst, dirtyLast; /* columns, inclusive */
    uint16_t computing;         /* a paint is recomputing columns */
    uint16_t interrupted;       /* 0 none, 1 recompute everything, 2 resume the saved range */
    uint32_t resumeFirst, resumeLast; /* flag 2: first column not yet computed, last column */
};
extern PeakColumnCacheState PeakColumnCache;

/* Allocates the four arrays (zero-filled) for `columns` entries; 0 ok, 1 no memory. */
int  peakCacheCreate(int columns);
void peakCacheFree(void);
/* Marks columns first..last dirty, widening a dirty range already set. */
void peakCacheDirty(int first, int last);

struct PeakSummaryState {
    uint8_t *data;              /* per block: channel 0 min, max, channel 1 min, max */
    uint32_t bytes;             /* length of data */
    uint32_t g;                 /* frames per block, a power of two from 128 */
    uint32_t frames;            /* total frames it was made for */
    uint32_t filled;            /* frames added so far (the reader feeds in order) */
    int      channels, bits;
    int      present;
    uint8_t  carry[4];          /* a frame split between two feeds */
    uint32_t carryLen;
};
extern PeakSummaryState PeakSummary;

/* Creates the summary for `frames` frames; 0 ok, 1 no memory (then absent). */
int  peakSummaryCreate(uint32_t frames, int channels, int bits);
/* Widens blocks with n frames (canonical bytes) from frame i; frames beyond the total free it. */
void peakSummaryAdd(uint32_t i, const void *bytes, uint32_t n);
/* Feeds bytes in reading order, frames split between calls included. */
void peakSummaryFeed(const void *bytes, uint32_t count);
/* Minimum and maximum over frames [i, i + n) per channel, as 16-bit values (byte x 256) or
   8-bit values; starts from silence, so the stroke always reaches the centre line. */
void peakSummaryGet(uint32_t i, uint32_t n, int mn[2], int mx[2]);
void peakSummaryFree(void);

/* One recomputation pass over dirty columns. */
struct PeakPass {
    ViewRect area;
    uint32_t viewStart, viewEnd;
    uint32_t frames;            /* frames of data */
    int      channels, bits;
    int      dots;              /* ViewingMode 1 */
    int      pump;              /* pump every tenth column */
    /* Every tenth column (when pump is set): nonzero ends the pass at that column. */
    int  (*pumpFn)(void *ctx, int column);
    /* After a column was stored. */
    void (*drawFn)(void *ctx, int column);
    void    *ctx;
    uint64_t bytesRead;         /* sample bytes read through vocRead */
    uint32_t summaryColumns;    /* columns taken from the summary */
};
/* Fills columns first..last with flat strokes at the centre lines. */
void peakFlatColumns(const PeakPass *p, int first, int last);
/* Recomputes columns first..last into the cache; buf holds PEAK_READBUF bytes.
   Returns the first column not computed (last + 1 when all were). */
int  peakComputeColumns(PeakPass *p, int first, int last, uint8_t *buf);

#endif
