/*
 * recordcore.h - the window-free half of recording: the state of the one recording (or input
 * monitoring) a program instance runs (Rec), the input buffer size rule, where each returned
 * buffer lands in the store (sequence number, shortfall, insertion offset), the record
 * limit, the space budget and the size ratio of a compressing temporary drive.
 *
 * The device side (audio/record.cpp) owns the handle and buffer fields; this file owns the
 * bookkeeping.  Invariants: a buffer with sequence number s lands at s x bufferSize -
 * shortfall + insertion, where shortfall is what the buffers before it lacked of a full
 * buffer, so short buffers leave no gap; total counts the bytes written since the start.
 */
#ifndef ZELO_RECORDCORE_H
#define ZELO_RECORDCORE_H

#include <stdint.h>

#define REC_MAXBUFFERS   32
#define REC_NOLIMIT      0xFFFFFFFFu     /* record limit: none */
#define REC_RESERVE      256000          /* bytes of the budget never recorded into */
#define REC_RATIO_EVERY  9               /* buffers between refreshes of the size ratio */
#define REC_FREE_UNKNOWN 100000u         /* free bytes assumed when the drive will not say */

struct RecordState {
    /* device side (audio/record.cpp) */
    uintptr_t device;               /* HWAVEIN, 0 when closed */
    uint32_t  deviceId;             /* input device number (WAVE_MAPPER when none chosen) */
    uint32_t  bufferSize;           /* bytes per buffer */
    int       bufferCount;          /* buffers in the ring */
    void     *data[REC_MAXBUFFERS];    /* buffer memory */
    void     *header[REC_MAXBUFFERS];  /* WAVEHDR of each buffer */
    uintptr_t dataMem[REC_MAXBUFFERS], headerMem[REC_MAXBUFFERS]; /* their global handles */
    int       stopRequest;          /* no buffer goes back to the device */
    int       closing;              /* waveInClose done, MM_WIM_CLOSE still to come */
    int       running;              /* from the first buffer added until the device closed */
    int       paused;               /* stopped by Pause, not closed */
    uint16_t  monitor;              /* input runs for the meter only */
    uint32_t  cursorFrame;          /* where the recording started (frames) */
    uint32_t  oldFrames;            /* frames of the document before the recording */
    int       undoSaved;            /* an undo copy of the overwritten tail was taken */
    uint32_t  buffersBack;          /* buffers returned by the device (figures, tests) */
    int       noSpace;              /* stopped because the temporary drive ran short */
    uint16_t  bits, align;          /* the format the device was opened with */
    uint32_t  rate;
    uint16_t  channels;
    /* bookkeeping (recordcore.cpp) */
    uint32_t  sequence;             /* the next buffer's sequence number */
    uint32_t  insertion;            /* bytes: where the recording starts in the store */
    uint32_t  shortfall;            /* bytes the returned buffers lacked of a full buffer */
    uint32_t  total;                /* bytes recorded */
    uint32_t  limit;                /* bytes still to record; REC_NOLIMIT none */
    int32_t   budget;               /* space budget in bytes */
    double    ratio;                /* data bytes of the temporary file per byte of disk */
    uint16_t  ratioCounter;         /* returned buffers since the last ratio refresh */
};
extern RecordState Rec;

/* Bytes per input buffer.  With durationMs: that many milliseconds, whole frames; otherwise
   rate x align x seconds spread over the buffers, plus 4093, low 12 bits cleared. */
uint32_t recBufferSize(uint32_t rate, uint16_t align, double seconds, int buffers, uint32_t durationMs);

/* A fresh recording at insertion (bytes): sequence, shortfall and total back to 0. */
void recBegin(uint32_t insertion, uint32_t limit);

/* A buffer came back with bytes recorded and sequence number seq.  Clips bytes to the limit,
   puts in *offset where they belong in the store, counts the shortfall, the total and the
   limit.  Returns the bytes to write (0 when nothing is to be written). */
uint32_t recAccept(uint32_t seq, uint32_t bytes, uint32_t *offset);

/* trunc(tempFileSize / ratio) + free bytes of the temporary drive, held to 32 bits signed. */
int32_t recSpaceBudget(uint64_t tempFileSize, double ratio, uint64_t freeBytes);
/* A buffer came back: 1 when the size ratio is due for a refresh (every ninth buffer, and
   never while the temporary drive is not compressed). */
int recRatioDue(int compressed);
/* Refreshes Rec.ratio from the temporary file's size s and the drive's free bytes f. */
void recRefreshRatio(uint64_t s, uint64_t f);
/* Bytes that may still be recorded: trunc(budget x ratio) - insertion - total - reserve. */
int64_t recRemaining(void);
/* 1 when recording must stop now: no room left, or the limit used up. */
int recMustStop(void);

#endif
