/*
 * clipwave.cpp - building and parsing the clipboard's RIFF WAVE image, the non-PCM path
 * through the file filters, and the saved-clipboard file.
 *
 * No global state of its own; uses Wave (the open waveform's format), the temporary-name
 * service and FilterIn (while a non-PCM clipboard wave is read).  Parsing never trusts a
 * size field beyond the block: every chunk is checked against the bytes that remain.
 */
#include "edit/clipwave.h"
#include "edit/clipboard.h"
#include "formats/filter.h"
#include "store/tempfile.h"
#include "store/voc.h"

#include <stdio.h>
#include <string.h>

#define PASTE_ERROR "Paste Error"
#define FILE_PIECE  32000u
#define SAVE_PIECE  16384u

static void put16(uint8_t *p, uint32_t v) { p[0] = (uint8_t)v; p[1] = (uint8_t)(v >> 8); }
static void put32(uint8_t *p, uint32_t v) { put16(p, v & 0xFFFF); put16(p + 2, v >> 16); }
static uint32_t get16(const uint8_t *p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8; }
static uint32_t get32(const uint8_t *p) { return get16(p) | get16(p + 2) << 16; }

void clipWaveHeader(uint8_t *out, uint32_t dataBytes, uint32_t rate, int oneChannel)
{
    uint32_t ba = Wave.blockAlign, channels = Wave.channels;
    if (oneChannel && channels == 2) {
        ba /= 2;
        channels = 1;
    }
    memcpy(out, "RIFF", 4);
    put32(out + 4, dataBytes + CLIP_HEADER - 8);
    memcpy(out + 8, "WAVEfmt ", 8);
    put32(out + 16, 16);
    put16(out + 20, 1);
    put16(out + 22, channels);
    put32(out + 24, rate);
    put32(out + 28, ba * rate);
    put16(out + 32, ba);
    put16(out + 34, Wave.bitsPerSample);
    memcpy(out + 36, "data", 4);
    put32(out + 40, dataBytes);
}

int clipWaveParse(const uint8_t *block, uint32_t size, ClipWave *w)
{
    memset(&w->format, 0, sizeof w->format);
    w->dataOffset = w->dataBytes = 0;
    w->fromFilter = 0;
    w->fault = CLIPF_NONE;
    /* The fmt chunk is taken from its fixed place, as every writer of clipboard waves puts
       it there; a block too short for it carries nothing usable. */
    if (!block || size < 36) {
        w->fault = block && size >= 4 && memcmp(block, "RIFF", 4) == 0 ? CLIPF_SHORT : CLIPF_NOTWAVE;
        return CLIP_NONE;
    }
    uint32_t fmtSize = get32(block + 16);
    w->format.formatTag = (uint16_t)get16(block + 20);
    w->format.channels = (uint16_t)get16(block + 22);
    w->format.sampleRate = get32(block + 24);
    w->format.avgBytesPerSec = get32(block + 28);
    w->format.blockAlign = (uint16_t)get16(block + 32);
    w->format.bitsPerSample = (uint16_t)get16(block + 34);
    if (w->format.formatTag != 1) {
        if (memcmp(block, "RIFF", 4) == 0)
            return CLIP_NONPCM;
        w->fault = CLIPF_NOTWAVE;
        return CLIP_NONE;
    }
    /* What the store can hold: 8 or 16 bits, 1 or 2 channels, frames of that size, at a
       rate the program works with (a rate beyond it overflows the byte rate of a save). */
    uint16_t ch = w->format.channels, bits = w->format.bitsPerSample;
    if ((ch != 1 && ch != 2) || (bits != 8 && bits != 16)) {
        w->fault = CLIPF_FORMAT;
        return CLIP_NONE;
    }
    if (w->format.sampleRate < CLIP_MINRATE || w->format.sampleRate > CLIP_MAXRATE) {
        w->fault = CLIPF_RATE;
        return CLIP_NONE;
    }
    w->format.blockAlign = (uint16_t)(ch * bits / 8);
    /* Chunks step by their size + 8 with no pad byte, as the clipboard's writers do. */
    uint64_t pos = 20 + (uint64_t)fmtSize;
    while (pos + 8 <= size) {
        uint32_t len = get32(block + pos + 4);
        if (memcmp(block + pos, "data", 4) == 0) {
            uint64_t start = pos + 8;
            uint64_t avail = size - start;
            uint32_t bytes = len < avail ? len : (uint32_t)avail;
            w->dataOffset = (uint32_t)start;
            w->dataBytes = bytes - bytes % w->format.blockAlign;
            if (w->dataBytes == 0)
                w->fault = CLIPF_EMPTY;
            return CLIP_PCM;
        }
        pos += (uint64_t)len + 8;
    }
    w->fault = CLIPF_NODATA;
    return CLIP_PCM;
}

void clipWaveFaultText(int fault, const ClipFormat *f, const char *what, char *out, unsigned size)
{
    switch (fault) {
    case CLIPF_SHORT:
        snprintf(out, size, "The %s is damaged: its header is cut short.", what);
        break;
    case CLIPF_NOTWAVE:
        snprintf(out, size, "The %s is not a wave that Zelo Edit can read.", what);
        break;
    case CLIPF_FORMAT:
        snprintf(out, size, "The %s has %u channels of %u-bit samples.  Zelo Edit pastes 8-bit or 16-bit "
                 "samples, mono or stereo.", what, (unsigned)f->channels, (unsigned)f->bitsPerSample);
        break;
    case CLIPF_RATE:
        snprintf(out, size, "The %s has a sample rate of %lu Hz.  Zelo Edit works with rates from %u to %u Hz.",
                 what, (unsigned long)f->sampleRate, CLIP_MINRATE, CLIP_MAXRATE);
        break;
    case CLIPF_NODATA:
        snprintf(out, size, "The %s is damaged: no sample data was found in it.", what);
        break;
    case CLIPF_EMPTY:
        snprintf(out, size, "The %s holds no samples.", what);
        break;
    default:
        if (size)
            out[0] = 0;
        break;
    }
}

int clipWaveRefuse(ClipWave *w, const char *what)
{
    if (w->fault == CLIPF_NONE && w->fromFilter) {
        /* A filter's format is checked as the chunk walk checks a PCM block's. */
        const ClipFormat *f = &w->format;
        if ((f->channels != 1 && f->channels != 2) || (f->bitsPerSample != 8 && f->bitsPerSample != 16))
            w->fault = CLIPF_FORMAT;
        else if (f->sampleRate < CLIP_MINRATE || f->sampleRate > CLIP_MAXRATE)
            w->fault = CLIPF_RATE;
        else if (w->dataBytes == 0)
            w->fault = CLIPF_EMPTY;
    }
    if (w->fault == CLIPF_NONE)
        return 0;
    char text[300];
    clipWaveFaultText(w->fault, &w->format, what, text, sizeof text);
    osMessage(text, PASTE_ERROR, OS_MB_OK | OS_MB_ICONEXCLAMATION);
    return 1;
}

static int writeAll(OsFile f, const uint8_t *p, uint32_t n, uint32_t piece)
{
    while (n > 0) {
        uint32_t k = n < piece ? n : piece;
        if (osWrite(f, p, k) != (long)k)
            return 1;
        p += k;
        n -= k;
    }
    return 0;
}

/* The non-PCM path: the block becomes a file that a filter which knows the compression
   reads for us.  Returns 0 open through FilterIn, 1 failed (message shown). */
static int openThroughFilters(ClipWave *w, void *owner)
{
    w->tempName[0] = 0;
    getTempName("ZEL", w->tempName);
    OsFile f = w->tempName[0] ? osCreate(w->tempName) : OS_NOFILE;
    int bad = f == OS_NOFILE || writeAll(f, w->block, w->size, FILE_PIECE) != 0;
    if (f != OS_NOFILE)
        osClose(f);
    if (bad) {
        if (w->tempName[0])
            osDelete(w->tempName);
        w->tempName[0] = 0;
        osMessage("Error generating temporary disk file for non-PCM format", PASTE_ERROR,
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    FltProbe probe;
    int index = filterProbe(w->tempName, -1, &probe);
    if (index < 0 || filterOpenInput(index, w->tempName, owner, NULL, 0) != FILTER_OPENED) {
        osDelete(w->tempName);
        w->tempName[0] = 0;
        osMessage("Error opening temporary disk file for non-PCM format", PASTE_ERROR,
                  OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    clipWaveFromFilter(w);
    return 0;
}

void clipWaveFromFilter(ClipWave *w)
{
    w->fromFilter = 1;
    w->format.formatTag = 1;
    w->format.sampleRate = FilterIn.rate;
    w->format.bitsPerSample = FilterIn.bits;
    w->format.channels = FilterIn.channels;
    w->format.blockAlign = (uint16_t)(FilterIn.channels * FilterIn.bits / 8);
    w->format.avgBytesPerSec = w->format.blockAlign * FilterIn.rate;
    /* Whole frames only: a trailing part of one is not a sample of every channel. */
    w->dataBytes = w->format.blockAlign ? FilterIn.bytes - FilterIn.bytes % w->format.blockAlign : 0;
}

int clipWaveGet(ClipWave *w, void *owner)
{
    memset(w, 0, sizeof *w);
    int r = clipTake(&w->block, &w->size);
    if (r == 1) {
        osMessage("Can't get data off of clipboard", PASTE_ERROR, OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    if (r != 0) {
        osMessage("Not enough memory or clipboard data invalid", PASTE_ERROR, OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 1;
    }
    int kind = clipWaveParse(w->block, w->size, w);
    if (kind == CLIP_NONPCM && openThroughFilters(w, owner) != 0) {
        clipWaveFree(w);
        return 1;
    }
    if (clipWaveRefuse(w, "clipboard's wave")) {
        clipWaveFree(w);
        return 1;
    }
    return 0;
}

void clipWaveFree(ClipWave *w)
{
    if (w->fromFilter)
        filterCloseInput();
    w->fromFilter = 0;
    if (w->tempName[0])
        osDelete(w->tempName);
    w->tempName[0] = 0;
    osFree(w->block);
    w->block = NULL;
    w->size = 0;
}

int clipSaveToFile(const char *path)
{
    OsFile f = osCreate(path);
    if (f == OS_NOFILE)
        return 0;
    uint8_t *block = NULL;
    uint32_t size = 0;
    int ok = clipTake(&block, &size) == 0 && size >= 4 && memcmp(block, "RIFF", 4) == 0;
    if (ok) {
        uint8_t head[4];
        put32(head, size);
        ok = osWrite(f, head, 4) == 4 && writeAll(f, block, size, SAVE_PIECE) == 0;
    }
    osFree(block);
    osClose(f);
    if (!ok)
        osDelete(path);
    return ok;
}

int clipRestoreFromFile(const char *path)
{
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return 0;
    uint8_t head[4];
    int64_t fileSize = osFileSize(f);
    uint32_t size = osRead(f, head, 4) == 4 ? get32(head) : 0;
    /* The size field must agree with the file: it is never trusted for an allocation. */
    if (size == 0 || fileSize < 4 || (uint64_t)size > (uint64_t)fileSize - 4) {
        osClose(f);
        return 0;
    }
    uint8_t *block = clipBegin(size);
    if (!block) {
        osClose(f);
        osMessage("Not enough memory for clipboard", "Sorry", OS_MB_OK | OS_MB_ICONEXCLAMATION);
        return 0;
    }
    uint32_t done = 0;
    while (done < size) {
        uint32_t k = size - done < SAVE_PIECE ? size - done : SAVE_PIECE;
        long got = osRead(f, block + done, k);
        if (got <= 0)
            break;
        done += (uint32_t)got;
    }
    osClose(f);
    if (done < size) {
        clipAbort();   /* a cut-off file would put a damaged wave on the clipboard */
        return 0;
    }
    clipCommit();
    return 1;
}
