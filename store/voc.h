/*
 * voc.h - the sample-access calls: the one way anything reads or changes the open
 * waveform's samples (the editor's commands, file readers and writers, playback and
 * recording, and transform plug-ins through their table of host services).
 *
 * They sit on the block file's byte stream and add the waveform's format, silence past
 * either end, access to one channel of a stereo wave, 8/16-bit conversion and the data
 * length.  Offsets and counts are bytes: of the interleaved data for the full calls, of the
 * one channel's stream for the Single calls, of 16-bit data for the 8to16 / 16to8 calls.
 * Every exported call returns 0 for success and 1 for failure (no store, no work buffer, or
 * an insert or cut whose moved bytes the temporary file would not take: nothing changed).
 */
#ifndef ZELO_VOC_H
#define ZELO_VOC_H

#include "os/os.h"

/* The part of the document that the store reads and keeps up to date.  The document owns
   this record; the sample-access calls only read the format and maintain dataLength. */
struct WaveData {
    uint16_t channels;        /* 1 or 2 */
    uint16_t bitsPerSample;   /* 8 or 16 */
    uint16_t blockAlign;      /* bytes per frame: channels * bits / 8 */
    uint32_t dataLength;      /* bytes of sample data; kept by the calls below */
    int      editChannel;     /* 0 both, 1 left, 2 right: the channel of the Single calls */
    uint32_t pass, passes;    /* repeat counters of a repeated paste, for progress: 0 and 1 */
};
extern WaveData Wave;

/* What the rest of the program plugs in; every hook may be NULL. */
struct VocHooks {
    void (*cueInserted)(uint32_t frame, uint32_t frames);  /* frames inserted at frame */
    void (*cueDeleted)(uint32_t frame, uint32_t frames);   /* frames removed at frame */
    void (*lengthChanged)(void);   /* after vocCut: bring view and selection within the length */
    /* While a progress meter is up: report done of total; returns nonzero once cancelled. */
    int  (*progress)(uint32_t done, uint32_t total);
};
extern VocHooks VocHook;

/* Sets the waveform's format (and block align) and its data length. */
void vocSetFormat(uint16_t channels, uint16_t bitsPerSample, uint32_t dataLength);

/* Exported calls (C names, so the program exports them undecorated). */
#ifdef __cplusplus
extern "C" {
#endif
short ZELOAPI vocRead(void *dst, int32_t offset, uint32_t count);
short ZELOAPI vocReadSingle(void *dst, int32_t offset, uint32_t count);
short ZELOAPI vocRead8to16(int16_t *dst, int32_t offset, uint32_t count);
short ZELOAPI vocReadSingle8to16(int16_t *dst, int32_t offset, uint32_t count);
short ZELOAPI vocWriteAt(const void *src, int32_t offset, uint32_t count);
short ZELOAPI vocWriteAtSingle(const void *src, int32_t offset, uint32_t count);
short ZELOAPI vocWriteAt16to8(const int16_t *src, int32_t offset, uint32_t count);
short ZELOAPI vocWriteAtSingle16to8(const int16_t *src, int32_t offset, uint32_t count);
short ZELOAPI vocInsertBlank(int32_t offset, uint32_t count);
short ZELOAPI vocInsertBlank16to8(int32_t offset, uint32_t count);
short ZELOAPI vocCut(int32_t offset, uint32_t count);
short ZELOAPI vocCut16to8(int32_t offset, uint32_t count);
#ifdef __cplusplus
}
#endif

/* Internal to the program. */
/* vocReadSingle that also silences each sample it takes (cutting one channel). */
short vocReadSingleClear(void *dst, int32_t offset, uint32_t count);
/* Adds count bytes at the end of the data; 1 when the store took fewer bytes. */
short vocAppend(const void *src, uint32_t count);
/* Nearest upward zero crossing from start (direction 1 forward, -1 backward) on channel
   0/1 (left) or 2 (right); returns the frame on the upper side, or start when none. */
uint32_t vocZeroCross(uint32_t start, int direction, int channel);

/* Sample conversions. */
static inline int16_t vocWiden(uint8_t b) { return (int16_t)(((int)b - 128) * 256); }
static inline uint8_t vocNarrow(int16_t w) { return (uint8_t)(((w >> 8) + 128) & 0xFF); }

#endif
