/*
 * wavcore.h - the window-free RIFF WAVE reader and writer behind the wave filter (wave.flt).
 *
 * Owns: parsing a wave file (from disk or memory) into canonical PCM for the editor (8-bit
 * unsigned or 16-bit signed, one or two channels), the special items it carries, and writing
 * 8/16-bit PCM files with those items.  No global state: every reader and writer is its own
 * record.  Invariant: nothing is allocated from a size field before that size has been checked
 * against the bytes that really remain in the file.
 */
#ifndef ZELO_WAVCORE_H
#define ZELO_WAVCORE_H

#include "os/os.h"

#include <stddef.h>
#include <stdint.h>

/* Result codes of the open and write calls. */
#define WAV_OK          0
#define WAV_NOTWAVE     1   /* not a RIFF WAVE file at all */
#define WAV_DAMAGED     2   /* a wave file whose header cannot be used */
#define WAV_UNSUPPORTED 3   /* a sound encoding or layout this filter does not read */
#define WAV_NOMEM       4
#define WAV_IOERROR     5   /* the file could not be opened, created or written */
#define WAV_BADTYPE     6   /* writing: not 8/16-bit mono/stereo PCM */

/* Special item codes this core exchanges (the same numbers as the filter interface). */
#define WAV_SP_INFO_FIRST 20   /* IART .. ISRF: 20..33 */
#define WAV_SP_INFO_LAST  33
#define WAV_SP_DISP       34
#define WAV_SP_CUE        40
#define WAV_SP_CUELEN     41
#define WAV_SP_NOTES      42
#define WAV_SP_LABELS     43
#define WAV_SP_PLAYLIST   44

/* Encodings that a file may hold (after resolving WAVE_FORMAT_EXTENSIBLE). */
#define WAV_ENC_PCM   1
#define WAV_ENC_FLOAT 3
#define WAV_ENC_ALAW  6
#define WAV_ENC_MULAW 7
#define WAV_ENC_IMA   0x11  /* IMA ADPCM */

/* Options values of the writer: the encoding of the samples in the file. */
#define WAV_OPT_PCM   1
#define WAV_OPT_MULAW 2
#define WAV_OPT_ALAW  3
#define WAV_OPT_IMA   4

struct WavReader;
struct WavWriter;

/* What an open reader delivers and what the file holds. */
struct WavInfo {
    uint32_t rate;          /* frames per second */
    uint16_t bits;          /* delivered: 8 or 16 */
    uint16_t channels;      /* delivered: 1 or 2 */
    uint32_t bytes;         /* delivered bytes of sample data (whole frames) */
    uint16_t fileEncoding;  /* WAV_ENC_* */
    uint16_t fileBits;      /* bits per sample as stored (container size) */
    uint16_t fileChannels;  /* channels as stored; more than two are mixed down to stereo */
    int      extensible;    /* 1 when the fmt chunk was WAVE_FORMAT_EXTENSIBLE */
    int      truncated;     /* 1 when the data chunk was cut short by the end of the file */
};

/* Opens a wave file for reading (wavOpenFile) or a wave image in memory that stays valid
   while the reader lives (wavOpenMemory).  On failure *why (when given) points at a static
   English sentence saying what is wrong.  Returns the reader, or NULL with *result set. */
WavReader *wavOpenFile(const char *path, int *result, const char **why);
WavReader *wavOpenMemory(const void *data, size_t size, int *result, const char **why);
const WavInfo *wavInfo(const WavReader *r);

/* Delivers up to n bytes of canonical PCM from the current position.  Returns the bytes
   delivered; 0 at the end of the data or when the file can no longer be read. */
uint32_t wavRead(WavReader *r, void *buf, uint32_t n);

/* Moves to a delivered-byte position (clamped to the data).  Returns the position reached. */
uint32_t wavSeek(WavReader *r, uint32_t pos);

/* Special items.  wavSpecialSize gives the size of the next unread item of that code (0 when
   there is none); wavReadSpecial copies at most size bytes of it, moves on to the next item of
   the same code and returns the bytes copied (0 when there was no item). */
uint32_t wavSpecialSize(const WavReader *r, int code);
uint32_t wavReadSpecial(WavReader *r, int code, void *buf, uint32_t size);

void wavClose(WavReader *r);

/* Creates a PCM wave file for 8/16-bit mono/stereo data; dataBytes is the expected amount
   (the header is corrected at wavFinish when a different amount arrives).
   Returns the writer, or NULL with *result set (WAV_BADTYPE, WAV_IOERROR, WAV_NOMEM). */
WavWriter *wavCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                     uint32_t dataBytes, int *result);

/* The same for a file of one of the WAV_OPT_* encodings (any other value means PCM).  The
   compressed ones hold 8 or 16-bit input as u-law or A-law bytes, or as IMA ADPCM blocks, with
   a fact chunk giving the frame count. */
WavWriter *wavCreate2(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                      uint32_t dataBytes, uint32_t options, int *result);

/* Appends sample bytes; a partial frame is held back until it is completed.  Returns the
   bytes taken (fewer once the file cannot be written or is full). */
uint32_t wavWrite(WavWriter *w, const void *buf, uint32_t n);

/* 1 when wavWriteSpecial stores that code. */
int wavCanWriteSpecial(int code);

/* Keeps a special item for the end of the file.  Text items (20..33) and DISP (34) may
   repeat and are written in the order given.  Returns WAV_OK, WAV_NOMEM or WAV_BADTYPE
   (an unknown code or a malformed table). */
int wavWriteSpecial(WavWriter *w, int code, const void *data, uint32_t size);

/* Writes the special items, fixes the chunk sizes, closes the file and frees the writer.
   Returns WAV_OK, or WAV_IOERROR when any write failed (the file then still has sizes that
   match what it holds). */
int wavFinish(WavWriter *w);

/* G.711 expansions, exposed for the clipboard code and tests. */
int16_t wavAlawToLinear(uint8_t a);
int16_t wavMulawToLinear(uint8_t u);

#endif
