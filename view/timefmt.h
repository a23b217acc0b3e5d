/*
 * timefmt.h - the four time formats every sample position is printed in (0 decimal
 * "m:ss.ddd", 1 samples, 2 custom frames "m:ss:ff", 3 SMPTE drop frame) and the texts of
 * the status fields built from them.  Window-free; no state of its own: the field formats
 * and the custom frame rate live in Settings (LoTimeMode, HiTimeMode, TimeMode,
 * TimeCodeFrames) and are passed in.
 */
#ifndef ZELO_TIMEFMT_H
#define ZELO_TIMEFMT_H

#include <stddef.h>
#include <stdint.h>

enum TimeFormat { TIME_DECIMAL = 0, TIME_SAMPLES = 1, TIME_FRAMES = 2, TIME_SMPTE = 3 };

#define SMPTE_DROP_RATE 29.97

/* Format 0: minutes padded to two places, seconds and (unless shortForm) milliseconds,
   all by unsigned integer division: " 1:30.702".  A rate of 0 counts as 1. */
void FormatDecimal(uint32_t frame, uint32_t rate, char *text, size_t size, int shortForm);

/* Formats 2 and 3.  smpte 0: custom frames at fps per second ("m:ss:ff", one to three frame
   digits by fps); smpte 1: SMPTE drop frame at 29.97 ("m:ss:ff", minutes run past 59).
   count 1: the plain frame count instead ("%ld").  fps below 1 counts as 1. */
void FormatFrames(uint32_t frame, uint32_t rate, int fps, char *text, size_t size,
                  int shortForm, int smpte, int count);

/* What the status fields show for one state of the document. */
struct StatusInput {
    int      open;                  /* a document is open */
    uint32_t rate;
    int      bits, channels;
    uint32_t dataBytes;
    uint32_t selStart, selEnd;      /* selEnd 0xFFFFFFFF or < selStart: none, selStart is the cursor */
    uint32_t viewStart, viewEnd;
    int      begMode, endMode, lenMode; /* LoTimeMode, HiTimeMode, TimeMode */
    int      fps;                   /* TimeCodeFrames */
};
struct StatusTexts {
    char format[64], count[32], size[32];
    char beg[48], end[48], time[48];
};
void timeStatusTexts(const StatusInput *in, StatusTexts *out);

#endif
