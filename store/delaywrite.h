/*
 * delaywrite.h - the delayed writer: a transform module hands its output over in pieces of
 * any size, and the writer puts it into the wave in runs of DELAYWRITE_RUN bytes, always
 * holding the most recent `delay` bytes back (they reach the store at the next run or at
 * Destroy).  Bytes beyond the total given at Init are dropped.  Exported to modules.
 *
 * Window-free.  Global state: DelayWriter (one writer per process; Init while one is open
 * starts a new one and its held bytes are lost).  Invariants: fill <= capacity; capacity is
 * delay + DELAYWRITE_RUN while a buffer is held and 0 otherwise.
 */
#ifndef ZELO_DELAYWRITE_H
#define ZELO_DELAYWRITE_H

#include "os/os.h"

#define DELAYWRITE_RUN 16384u

struct DelayWriterState {
    uint8_t  *buffer;       /* delay + DELAYWRITE_RUN bytes; NULL when none */
    uint32_t  capacity;     /* 0 when no buffer is held */
    uint16_t  delay;        /* bytes held back */
    uint32_t  fill;         /* bytes in the buffer */
    uint32_t  position;     /* store offset of the next byte written */
    uint32_t  remaining;    /* bytes still to be written in all; the rest is dropped */
    int       narrowing;    /* set during a 16to8 call: 16-bit data into an 8-bit wave */
    /* Tests see each run here instead of the store; NULL: the voc calls. */
    void    (*sink)(int narrowing, const void *src, uint32_t offset, uint32_t count);
};
extern DelayWriterState DelayWriter;

#ifdef __cplusplus
extern "C" {
#endif
/* Takes the buffer: the next byte goes to offset start, total bytes in all.  Returns 0, or
   1 when no buffer could be had (then delayWrite drops everything and Destroy does nothing). */
short ZELOAPI delayWriteInit(uint16_t delay, uint32_t start, uint32_t total);
short ZELOAPI delayWriteInit16to8(uint16_t delay, uint32_t start, uint32_t total);
/* Takes count bytes; writes what is due through vocWriteAt (vocWriteAtSingle while one
   channel is edited; the 16to8 forms narrow 16-bit data into an 8-bit wave). */
void  ZELOAPI delayWrite(const void *src, uint16_t count);
void  ZELOAPI delayWrite16to8(const void *src, uint16_t count);
/* Writes what is still held and releases the buffer. */
void  ZELOAPI delayWriteDestroy(void);
void  ZELOAPI delayWriteDestroy16to8(void);
#ifdef __cplusplus
}
#endif

#endif
