/*
 * sonogram.h - the spectral picture's window-free half: the 192-colour palette between the
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
#ifndef ZELO_SONOGRAM_H
#define ZELO_SONOGRAM_H

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

#ifdef _WIN32
#include <windows.h>

/* The spectral view on screen (sonogram_win.cpp). */
struct SpectralViewState {
    int      on;                /* the spectral flag: the area shows the spectrogram */
    HBITMAP  bitmap;            /* area-sized picture (32-bit DIB section), NULL until drawn */
    uint32_t *bits;             /* its pixels, top-down, 0x00RRGGBB */
    int      width, height;     /* its size: area width, area height + 1 */
    ViewRect at;                /* the area it was made for */
    HPALETTE palette;           /* logical palette for palette displays, from the first switch */
    int      copyPending;       /* a repaint came while the bitmap was being drawn into */
    int      copiedInPump;      /* such a copy was made: the highlight must be redone */
    int      hold;              /* Ctrl+D: dirty columns wait until the hold is let go */
    HPEN     whitePen;          /* octave marks */
};
extern SpectralViewState SpectralView;

/* The logical palette from SpectralPalette (built first when needed). */
void MakeSpectralPalette(void);
/* Copies the cached picture over the part of the area inside paint; while the bitmap is
   being drawn into only sets the copy-pending flag. */
void PaintSpectralBitmap(HDC dc, const RECT *paint, const ViewRect *area);
/* Recomputes columns first..last into the bitmap and onto dc.  pump(ctx, column) runs every
   fifth column and ends the pass when nonzero.  Returns the first column not computed. */
int  spectralRecompute(HDC dc, const ViewRect *area, uint32_t viewStart, uint32_t viewEnd, int first,
                       int last, int (*pump)(void *ctx, int column), void *ctx);
/* A pending copy, done from the drawing loop's pump (the whole picture onto dc). */
void spectralCopyPending(HDC dc);
/* The white octave marks at both edges of the area. */
void spectralDrawMarks(HDC dc, const ViewRect *area, int channels);
/* Switching: flag, palette on the first switch, menu text; the caller redraws. */
void spectralSwitch(HMENU menu, int on);
/* The bitmap and pen (at shutdown, and when the view goes back to the waveform). */
void spectralFreeBitmap(void);
void spectralShutdown(void);
#endif

#endif
