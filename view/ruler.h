/*
 * ruler.h - the general ruler: given a strip, a value range, a unit text and the most labels
 * to print, it picks a label step (plain values in 1-2-5 or 1-3-6 steps, or times and frames
 * from a table of steps) that leaves room between labels, and draws ticks and labels.  Used
 * by the time ruler under the waveform, the level meter's dB scale and the analysis window.
 *
 * The step search and the label texts are window-free (rulerLayout, rulerLabel); only
 * rulerDraw needs a device context.  No state.
 */
#ifndef ZELO_RULER_H
#define ZELO_RULER_H

#include <stddef.h>
#include <stdint.h>

/* Flag bits. */
#define RULER_UNITLEFT  0x0001   /* the unit box at the strip's left end (else the right) */
#define RULER_COARSE    0x0002   /* start the search with factor 0.4 instead of 0.7 */
#define RULER_TICKSUP   0x0040   /* ticks rise from the strip's bottom (else hang from its top) */
#define RULER_TIME      0x0080   /* values are frames shown as m:ss.ddd */
#define RULER_FRAMES    0x0100   /* values are frames shown as m:ss:ff at the custom rate */
#define RULER_TWELVE    0x0200   /* plain steps 1-3-6-12 instead of 1-2-5-10 */
#define RULER_SMPTE     0x0800   /* values are frames shown as SMPTE drop frame (with 0x100) */

struct RulerScale {
    int    kind;       /* 0 plain, 1 decimal time, 2 custom frames, 3 SMPTE */
    double step;       /* label distance in values (frames for the time kinds) */
    double first;      /* first labelled value (may lie before the range start) */
    int    precision;  /* label precision: 1, 10, 100, 1000 (fraction digits 0..3) */
    int    minor;      /* ticks per step (1: no minor ticks) */
    double stepSeconds;/* the time kinds: step in seconds */
};

struct RulerParams {
    unsigned flags;
    double   first, last;   /* value range */
    int      width;         /* strip width in pixels */
    int      maxLabels;     /* at least 1 */
    uint32_t rate;          /* time kinds: frames per second of the values */
    int      fps;           /* custom frame rate (RULER_FRAMES) */
};

/* The step for one raw step (in values), without the fitting loop. */
void rulerChooseStep(const RulerParams *p, double rawStep, RulerScale *out);
/* The label text of value v. */
void rulerLabel(const RulerParams *p, const RulerScale *s, double v, char *text, size_t size);
/* The whole search: widens the step (factor x 1.2) until labels are more than their width + 8
   pixels apart, measuring the widest label of the range with measure(ctx, text), so no two
   labels overlap.  Always ends.
   Returns the number of rounds taken. */
int rulerLayout(const RulerParams *p, int (*measure)(void *ctx, const char *text), void *ctx,
                RulerScale *out);

#ifdef _WIN32
#include <windows.h>
/* Draws the ruler into rect with the current font and text colour; the background is the
   caller's.  Unit text shows in a box (with a leading space) at the end the flags name. */
void rulerDraw(HDC dc, const RulerParams *p, const RECT *rect, const char *unit);
#endif

#endif
