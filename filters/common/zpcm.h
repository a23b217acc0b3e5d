/*
 * zpcm.h - the parts every bundled file filter shares, window-free: a byte source (a file or
 * a memory image), a reader that turns stored samples (any of the ZE_* layouts, in one or
 * more segments of the source or of silence) into the editor's canonical PCM (8-bit unsigned
 * or 16-bit signed little-endian, one or two channels), the special items a file carries,
 * and a writer that stores canonical PCM in one of the layouts.
 * Files are reached through stdio: the filter modules stand apart from the host's own
 * operating-system layer.  Invariant: segments never reach past the bytes the source holds.
 */
#ifndef ZELO_ZPCM_H
#define ZELO_ZPCM_H

#include <stdint.h>
#include <stdio.h>
#include <stddef.h>
#include <vector>

/* Stored sample layouts. */
enum {
    ZE_U8 = 1, ZE_S8, ZE_S16LE, ZE_S16BE, ZE_U16LE, ZE_U16BE, ZE_S24LE, ZE_S24BE,
    ZE_S32LE, ZE_S32BE, ZE_F32BE, ZE_F64BE, ZE_ULAW, ZE_ALAW
};

/* Bytes one stored sample takes (0 for an unknown layout). */
int zpBytesPer(int enc);
/* 1 when the layout is delivered as 8-bit samples, else it is delivered as 16-bit. */
int zpIsEightBit(int enc);

/* A byte source: a file (owned) or a memory image (borrowed). */
struct ZSource {
    FILE *f = NULL;
    const uint8_t *mem = NULL;
    uint64_t size = 0;
};
/* Opens a file; 0 on success, -1 when it cannot be opened. */
int zsOpenFile(ZSource *s, const char *path);
void zsOpenMemory(ZSource *s, const void *data, size_t size);
/* Copies up to n bytes from off; returns the bytes copied. */
size_t zsRead(ZSource *s, uint64_t off, void *buf, size_t n);
void zsClose(ZSource *s);

/* A stretch of delivered frames: stored samples from off, or silence. */
struct ZSegment {
    uint64_t off;
    uint32_t frames;
    int silent;
};

struct ZItem {
    int code;
    std::vector<uint8_t> data;
};

struct ZReader {
    ZSource src;
    int enc = 0;                /* ZE_* */
    uint32_t rate = 0;
    uint16_t fileChannels = 0;  /* stored; only the first two are delivered */
    uint16_t bits = 0;          /* delivered: 8 or 16 */
    uint16_t channels = 0;      /* delivered: 1 or 2 */
    uint32_t bytes = 0;         /* delivered bytes (whole frames) */
    uint32_t pos = 0;           /* next delivered byte */
    int truncated = 0;          /* the sample data was cut short by the end of the file */
    uint32_t options = 0;       /* the filter's own */
    uint16_t storedBits = 0;    /* bits per sample as the file states them */
    uint32_t mark = 0;          /* the format's own: a code it wants to keep */
    std::vector<ZSegment> segs;
    std::vector<uint32_t> segStart;   /* first delivered frame of each segment */
    std::vector<ZItem> items;
    size_t nextItem[64] = {0};  /* per code: items of that code already handed out */
};

/* The largest stored frame a reader takes (1024 channels of 64-bit samples). */
#define ZP_MAX_FRAME 8192u

/* Settles bits, channels and the byte count from enc, fileChannels and the segments (frames
   are dropped from the end so the count fits in 32 bits).  Returns 0, or -1 when the layout
   or the channel count cannot be delivered (a stored frame larger than ZP_MAX_FRAME). */
int zrFinishOpen(ZReader *r);
/* Adds one stored segment, cut to the whole frames that remain in the source from off
   (setting truncated when it had to be cut).  Returns the frames kept. */
uint32_t zrAddStored(ZReader *r, uint64_t off, uint32_t frames);
void zrAddSilence(ZReader *r, uint32_t frames);
/* Delivers up to n bytes (whole frames) of canonical PCM; 0 at the end. */
uint32_t zrRead(ZReader *r, void *buf, uint32_t n);
/* Moves to a delivered byte position, clamped and cut to a frame.  Returns the position. */
uint32_t zrSeek(ZReader *r, uint32_t pos);
void zrAddItem(ZReader *r, int code, const void *data, size_t size);
/* Size of the next unhanded item of that code, 0 when none. */
uint32_t zrSpecialSize(const ZReader *r, int code);
/* Copies at most size bytes of that item and moves on; returns the bytes copied. */
uint32_t zrReadSpecial(ZReader *r, int code, void *buf, uint32_t size);
void zrFree(ZReader *r);

/* The writing side: canonical PCM in, the chosen layout out, through a stdio file. */
struct ZWriter {
    FILE *f = NULL;
    int enc = 0;
    uint32_t rate = 0;
    uint16_t bits = 0, channels = 0;    /* canonical input */
    uint32_t expected = 0;              /* bytes the host announced */
    uint32_t frames = 0;                /* frames stored so far */
    uint64_t dataStart = 0;             /* file offset of the first stored sample */
    uint64_t dataBytes = 0;             /* stored bytes of samples */
    uint64_t written = 0;               /* bytes written to the end of the file so far */
    uint8_t partial[4];
    int nPartial = 0;
    int failed = 0;                     /* a write failed */
    int started = 0;                    /* the header is out */
    uint32_t options = 0;
    uint64_t mark[4] = {0, 0, 0, 0};    /* the format's own offsets to patch at the end */
    /* Formats that hold the samples in blocks of limited size: blockMax stored bytes per block
       (a multiple of the stored frame; 0 = one stretch), newBlock starts the next one. */
    uint32_t blockMax = 0, blockUsed = 0;
    int (*newBlock)(struct ZWriter *w) = NULL;
    std::vector<ZItem> items;           /* kept for the end of the file */
};

/* Stores canonical bytes; a partial frame is kept until it is whole.  Returns bytes taken. */
uint32_t zwPut(ZWriter *w, const void *buf, uint32_t n);
/* Writes raw bytes at the current end; returns 0 or -1 (and sets failed). */
int zwRaw(ZWriter *w, const void *buf, size_t n);
/* Overwrites bytes at an offset, then returns to the end. */
int zwPatch(ZWriter *w, uint64_t off, const void *buf, size_t n);
void zwKeepItem(ZWriter *w, int code, const void *data, uint32_t size);
/* Closes the file; returns 0, or -1 when any write failed. */
int zwClose(ZWriter *w);

/* Items the filters share: the text of a text item (without trailing zeros). */
std::vector<uint8_t> zpText(const std::vector<uint8_t> &item);

#endif
