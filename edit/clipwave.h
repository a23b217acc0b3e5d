/*
 * clipwave.h - the clipboard's wave: a RIFF WAVE image in memory with a 44-byte header.
 * Building one from the open waveform's frames, parsing one from any program (the chunk
 * walk, the non-PCM path through a temporary file and the file filters), and the file form
 * that keeps a clipboard wave while the clipboard is borrowed.
 *
 * Window-free: the clipboard itself is reached through clipboard.h.  No global state; a
 * ClipWave owns its block (and its temporary file) until clipWaveFree.
 */
#ifndef ZELO_CLIPWAVE_H
#define ZELO_CLIPWAVE_H

#include <stdint.h>

#define CLIP_HEADER 44u

struct ClipFormat {
    uint16_t formatTag;             /* 1 PCM */
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

struct ClipWave {
    uint8_t   *block;               /* private copy of the clipboard's block (osAlloc) */
    uint32_t   size;                /* its size */
    ClipFormat format;              /* the fmt chunk, or the filter's format */
    uint32_t   dataOffset;          /* where the samples start in block */
    uint32_t   dataBytes;           /* bytes of samples; 0: the wave has none */
    int        fromFilter;          /* 1: the samples come through FilterIn (non-PCM) */
    char       tempName[260];       /* the temporary file of the non-PCM path, "" none */
    int        fault;               /* why a block is not usable: CLIPF_* (clipWaveParse) */
};

/* What clipWaveParse found wrong with a block; clipWaveGet tells the user. */
#define CLIPF_NONE      0   /* usable */
#define CLIPF_SHORT     1   /* too short for its header */
#define CLIPF_NOTWAVE   2   /* not a RIFF wave */
#define CLIPF_FORMAT    3   /* channels or bits the program cannot hold */
#define CLIPF_RATE      4   /* a sample rate outside CLIP_MINRATE..CLIP_MAXRATE */
#define CLIPF_NODATA    5   /* no "data" chunk inside the block (damaged chunk sizes) */
#define CLIPF_EMPTY     6   /* a "data" chunk with no whole frame */

/* The sample rates the program works with (those the New Waveform dialog accepts). */
#define CLIP_MINRATE 1000u
#define CLIP_MAXRATE 200000u

/* Writes the 44-byte header of a wave of dataBytes bytes (one channel of a stereo wave when
   oneChannel is set) in the open waveform's format, rate as given. */
void clipWaveHeader(uint8_t *out, uint32_t dataBytes, uint32_t rate, int oneChannel);

/* Parses block (size bytes) into w without taking it over: PCM through the chunk walk,
   anything else marked as needing the filters.  Returns 0 PCM (dataBytes may be 0),
   1 non-PCM RIFF (fromFilter path needed), 2 neither (no samples); w->fault tells why a
   PCM wave has no usable samples or a block is neither. */
#define CLIP_PCM    0
#define CLIP_NONPCM 1
#define CLIP_NONE   2
int  clipWaveParse(const uint8_t *block, uint32_t size, ClipWave *w);

/* Takes the clipboard's wave: "Can't get data off of clipboard" when there is none, "Not
   enough memory or clipboard data invalid" when it cannot be copied; a non-PCM RIFF goes
   through a "ZEL" temporary file and the filters ("Error generating temporary disk file for
   non-PCM format", "Error opening temporary disk file for non-PCM format").  All with the
   caption "Paste Error".  A block that is not a usable wave (see CLIPF_*) is refused with
   a message saying why.  Returns 0 with w filled (dataBytes > 0), 1 failed. */
int  clipWaveGet(ClipWave *w, void *owner);
/* The message for a fault found in a source of the given format (rate, channels and bits
   for the texts); NULL for CLIPF_NONE.  what: "clipboard's wave" or a file name. */
void clipWaveFaultText(int fault, const ClipFormat *f, const char *what, char *out, unsigned size);
/* Describes the input a filter has open (FilterIn) as a source: its format and its whole
   frames.  Used for non-PCM clipboard waves and for files pasted from. */
void clipWaveFromFilter(ClipWave *w);
/* Refuses a source the store cannot take (the fault found by the parse, or for a filter's
   source its format, rate or emptiness), saying why in "Paste Error" with what naming the
   source ("clipboard's wave", "file").  Returns 0 usable, 1 refused. */
int  clipWaveRefuse(ClipWave *w, const char *what);
/* Frees the block, closes the filter input and deletes the temporary file. */
void clipWaveFree(ClipWave *w);

/* Saves the clipboard's wave to path (u32 size, then the block).  Returns 1 written, 0 not
   (no wave, not RIFF, short write: the file is deleted). */
int  clipSaveToFile(const char *path);
/* Puts a wave saved by clipSaveToFile back on the clipboard.  Returns 1 done, 0 not. */
int  clipRestoreFromFile(const char *path);

#endif
