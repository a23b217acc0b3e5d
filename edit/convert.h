/*
 * convert.h - Convert Sample Type: the data rewritten to another rate, channel count or
 * resolution in a fixed order of steps (8 to 16 bits, stereo to mono, the rate through the
 * "Resample" module, mono to stereo, 16 to 8 bits with optional dither), and the frame
 * positions of the document carried over to the new rate.
 *
 * Window-free.  Global state: Convert (the targets, kept while the program runs and in
 * [Recent] of zelo.ini, and the hooks to the module host and the meter).
 */
#ifndef ZELO_CONVERT_H
#define ZELO_CONVERT_H

#include <stdint.h>

#define CONVERT_WORK    32768u   /* bytes of each half of the work buffer (source, result) */
#define CONVERT_MAXRATE 200000u

/* Results of the run and of the resample hook. */
#define CONVERT_DONE      0
#define CONVERT_FAILED    1      /* no work buffer, no room for blank frames, a store error */
#define CONVERT_CANCELLED 2      /* the user pressed Cancel in a step's meter */
#define CONVERT_NOMODULE  3      /* resample hook only: no module named "Resample" */

struct ConvertTargets {
    uint32_t rate;           /* ConvSampleRate: Hz, 0 the current rate */
    uint16_t bits;           /* ConvBitsPerSample: 8 or 16, 0 the current */
    uint16_t channels;       /* ConvChannels: 1 or 2, 0 the current */
    int16_t  quality;        /* ConvQuality: 1 Low, 2 Medium, 3 High, 4 extra high */
    int16_t  dither;         /* ConvDither: dither when narrowing 16 to 8 bits */
    double   emphasis;       /* ConvEmphasis: kept and shown only */
    double   left, right;    /* ConvLeft, ConvRight: channel gains as fractions */
};

struct ConvertHooks {
    /* Runs the "Resample" module over the whole wave with the 12-byte data block and
       leaves the samples at the new rate (the caller relabels the rate).  Returns
       CONVERT_DONE, CONVERT_NOMODULE (nothing changed), CONVERT_CANCELLED or CONVERT_FAILED. */
    int  (*resample)(const uint8_t block[12]);
    /* The cue positions (and the lists that show them) carried to the new rate with the
       same rule as the selection. */
    void (*cuesRescale)(uint32_t oldRate, uint32_t newRate);
    /* The script engine hears of the rate change. */
    void (*rateChanged)(uint32_t oldRate, uint32_t newRate);
    /* Each step's meter; step returns nonzero once the user cancelled. */
    void (*progressOpen)(const char *caption);
    int  (*step)(uint32_t done, uint32_t total);
    void (*progressClose)(void);
};

struct ConvertState {
    ConvertTargets target;
    ConvertHooks   hook;
};
extern ConvertState Convert;

/* The program-start values (quality Medium, dither on, mixes 1.0, the rest 0). */
void convertDefaults(ConvertTargets *t);

/* The Resample module's data block for a change from rate cur to rate want at quality:
   new rate (u32), second and first shape parameters (u16 each), block length (u32). */
void convertResampleBlock(uint32_t cur, uint32_t want, int quality, uint8_t block[12]);

/* A frame position carried from rate oldRate to newRate: a start (trunc(p * new / old))
   or an inclusive end (trunc((p + 1) * new / old) - 1; 0xFFFFFFFF stays). */
uint32_t convertStartAt(uint32_t p, uint32_t oldRate, uint32_t newRate);
uint32_t convertEndAt(uint32_t p, uint32_t oldRate, uint32_t newRate);

/* Rewrites the loaded wave to the targets of t (0 fields keep the current value).  The
   document's rate, format, selection and view follow.  Returns CONVERT_DONE, or the
   result of the step that stopped: the format then describes the data as converted so far
   (the caller's undo copy restores the whole wave). */
int convertRun(const ConvertTargets *t);

#endif
