/*
 * spectral.h - the spectral picture's window-free half: the 192-colour palette between the
 * low- and high-energy colours, the octave marks, and the recomputation of pixel columns (one
 * FFT per column, stereo channels separated from one transform, bins spread over the rows,
 * each row a palette index), interruptible through a pump callback every fifth column.
 *
 * Global state: SpectralPalette (the colours, rebuilt from the settings).  The column pass
 * reads samples with vocRead and keeps no state between passes.
 * Invariants:
 *   1. A column's transform length is 2^bits with bits clamped to 4..12 (at most 4096).
 *   2. Every row of a channel gets exactly one bin, so a column writes each row once.
 */
#ifndef ZELO_SPECTRAL_H
#define ZELO_SPECTRAL_H

#include <stdint.h>
#include "view/peaks.h"

#define SPECTRAL_COLORS   192
#define SPECTRAL_MAXBITS  12      /* 4096 points */
#define SPECTRAL_MARKS    7       /* octave marks per channel */
#define SPECTRAL_MARKLEN  15      /* their length in pixels, inward from each side */

struct SpectralPaletteState {
    uint8_t rgb[SPECTRAL_COLORS][3];   /* red, green, blue of each entry */
    uint32_t builtHigh, builtLow;      /* the colours (0x00BBGGRR) it was built from */
    int      builtReverse;
    int      built;
};
extern SpectralPaletteState SpectralPalette;

/* Fills the 192 colours from high and low (0x00BBGGRR) and the reverse flag. */
void BuildSpectralPalette(uint32_t high, uint32_t low, int reverse);

/* The transform length for the SpectrumResolution setting. */
int  spectralPoints(int resolutionBits);
/* Palette index of one bin's magnitude |X| / half. */
int  spectralIndex(double magnitude);

/* Where a channel's rows lie: row r is drawn at y = bottom[ch] - r - 1, r < height. */
struct SpectralGeom {
    int channels;
    int height;        /* rows per channel: mono area height - 1, stereo half of it - 1 */
    int bottom[2];
};
void spectralGeometry(const ViewRect *area, int channels, SpectralGeom *g);
/* y of the octave marks: count filled (7 per channel). */
int  spectralOctaveMarks(const ViewRect *area, int channels, int ys[2 * SPECTRAL_MARKS]);
/* The bin shown in each row (rows 0..height-1, low frequencies first); bins from firstBin. */
void spectralRowBins(int height, int half, int firstBin, int *rowBin);
/* First frame of a column's picture: trunc((view end - view start) / (W + 1) * c + view start). */
uint32_t spectralColumnFrame(uint32_t viewStart, uint32_t viewEnd, int columns, int column);

struct SpectralPass {
    ViewRect area;
    uint32_t viewStart, viewEnd;
    int      channels, bits;
    int      resolution;        /* SpectrumResolution (bits) */
    /* Every fifth column: nonzero ends the pass before that column. */
    int  (*pumpFn)(void *ctx, int column);
    /* A finished column: rows palette indices per channel, channel ch at idx[ch * height]. */
    void (*columnFn)(void *ctx, int column, const uint8_t *idx, const SpectralGeom *g);
    void    *ctx;
};
/* Recomputes columns first..last.  Returns the first column not computed (last + 1 when all
   were), or -1 when the work block could not be had (nothing drawn). */
int  DrawSpectralColumns(SpectralPass *p, int first, int last);

#endif
