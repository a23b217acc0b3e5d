/*
 * flaccore.h - the window-free FLAC reader and writer behind the FLAC filter (flac.flt).
 *
 * Owns: parsing a FLAC stream (from disk or memory) into canonical PCM for the editor (8-bit
 * unsigned or 16-bit signed, one or two channels), checking its MD5 signature, mapping its
 * Vorbis comments and cue sheet to the editor's special items, and encoding 8/16-bit mono or
 * stereo PCM into FLAC at a chosen compression level.  No global state: every reader and
 * writer is its own record.  Invariant: every length and count in the file is checked against
 * the bytes that really remain before anything is allocated or read from it.
 */
#ifndef ZELO_FLACCORE_H
#define ZELO_FLACCORE_H

#include <stddef.h>
#include <stdint.h>

/* Result codes of the open and write calls. */
#define FLC_OK          0
#define FLC_NOTFLAC     1   /* not a FLAC stream at all */
#define FLC_DAMAGED     2   /* a FLAC stream whose header cannot be used */
#define FLC_UNSUPPORTED 3   /* a layout this filter does not read (over 30 bits per sample) */
#define FLC_NOMEM       4
#define FLC_IOERROR     5   /* the file could not be opened, created or written */
#define FLC_BADTYPE     6   /* writing: not 8/16-bit mono/stereo */

/* What the MD5 signature check has found so far. */
#define FLC_MD5_PENDING  0  /* not every sample has been decoded yet */
#define FLC_MD5_OK       1
#define FLC_MD5_MISMATCH 2  /* the samples differ from the ones the file was made from */
#define FLC_MD5_ABSENT   3  /* the file carries no signature */
#define FLC_MD5_DAMAGED  4  /* decoding stopped at damage before the end */

/* Special item codes this core exchanges (the same numbers as the filter interface). */
#define FLC_SP_INFO_FIRST 20   /* IART .. ISRF: 20..33 */
#define FLC_SP_INFO_LAST  33
#define FLC_SP_CUE        40
#define FLC_SP_CUELEN     41
#define FLC_SP_NOTES      42
#define FLC_SP_LABELS     43

/* Compression levels, as with the reference encoder: 0 fastest .. 8 smallest. */
#define FLC_LEVEL_DEFAULT 5
#define FLC_LEVEL_MAX     8

struct FlcReader;
struct FlcWriter;

struct FlcInfo {
    uint32_t rate;
    uint16_t bits;          /* delivered: 8 or 16 */
    uint16_t channels;      /* delivered: 1 or 2 (more are reduced to the front pair) */
    uint32_t bytes;         /* delivered bytes of sample data (whole frames) */
    uint16_t fileBits;      /* bits per sample in the stream (4..30) */
    uint16_t fileChannels;  /* channels in the stream (1..8) */
    uint64_t fileFrames;    /* frames in the stream */
    uint32_t minBlock, maxBlock;
    int level;              /* the compression level a file of ours was made at, or -1 */
};

/* Opens a FLAC file (flcOpenFile) or a FLAC image in memory that stays valid while the reader
   lives (flcOpenMemory).  On failure *why (when given) points at a static English sentence. */
FlcReader *flcOpenFile(const char *path, int *result, const char **why);
FlcReader *flcOpenMemory(const void *data, size_t size, int *result, const char **why);
const FlcInfo *flcInfo(const FlcReader *r);

/* Delivers up to n bytes of canonical PCM.  Returns 0 at the end, or from the first damaged
   frame on (what came before it has been delivered). */
uint32_t flcRead(FlcReader *r, void *buf, uint32_t n);

/* Moves to a delivered-byte position (clamped to the data; by decoding from the start when
   going back).  Returns the position reached. */
uint32_t flcSeek(FlcReader *r, uint32_t pos);

/* FLC_MD5_*: the signature check's state. */
int flcMd5State(const FlcReader *r);

/* Special items, as the wave core gives them: the size of the next unread item of a code, and
   a copy of it (moving on to the next). */
uint32_t flcSpecialSize(const FlcReader *r, int code);
uint32_t flcReadSpecial(FlcReader *r, int code, void *buf, uint32_t size);

void flcClose(FlcReader *r);

/* Creates a FLAC file for 8/16-bit mono/stereo data at a level 0..8 (others: the default).
   dataBytes is the expected amount, used for the cue sheet's end (corrected at the finish).
   Special items must be given before the first sample bytes. */
FlcWriter *flcCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                     uint32_t dataBytes, int level, int *result);
uint32_t flcWrite(FlcWriter *w, const void *buf, uint32_t n);
int flcCanWriteSpecial(int code);
int flcWriteSpecial(FlcWriter *w, int code, const void *data, uint32_t size);

/* Encodes what is left, writes the signature and sizes, closes the file and frees the writer.
   Returns FLC_OK or FLC_IOERROR. */
int flcFinish(FlcWriter *w);

/* MD5 (RFC 1321), exposed for tests. */
struct FlcMd5 {
    uint32_t h[4];
    uint64_t length;
    uint8_t block[64];
    uint32_t used;
};
void flcMd5Init(FlcMd5 *m);
void flcMd5Update(FlcMd5 *m, const void *data, size_t n);
void flcMd5Final(FlcMd5 *m, uint8_t digest[16]);

#endif
