/*
 * voc.cpp - the sample-access calls over the block file.
 *
 * Global state: Wave (format and data length, owned by the document), VocHook.
 * Invariants kept here: Wave.dataLength follows every write, append, insert and cut;
 * reads never change the store (a read past the end delivers silence without seeking
 * there, because a block-file seek past the end would lengthen the data); a write or insert
 * past the end first lengthens the data with silence, so bytes left in reused blocks by an
 * earlier cut never show; every piece of every call seeks for itself, because the progress
 * hook (and any message box) pumps messages and whatever runs there may use the store and
 * move its one shared position, so no call relies on a position left by another.
 * Work buffers are taken and given back within each call; nothing persists between calls.
 */
#include "store/voc.h"
#include "store/blockfile.h"

#include <string.h>

WaveData Wave = {1, 16, 2, 0, 0, 0, 1};
VocHooks VocHook = {NULL, NULL, NULL, NULL};

#define READPIECE   32000u
#define APPENDPIECE 65536u   /* appends in aligned 64 KiB pieces: the file system takes them fastest */
#define READSPAN    65280u   /* one block's bytes: the most one bread takes */
#define BLANKPIECE  30000u
#define SINGLEOUT   512u     /* output bytes per piece of a one-channel read */
#define SINGLERMW   4096u    /* store bytes per piece of a one-channel write */

static uint8_t silenceByte(void) { return Wave.bitsPerSample == 8 ? 0x80 : 0x00; }
static int haveStore(void) { return BF.table != NULL && BF.file != OS_NOFILE; }
static uint32_t min32(uint32_t a, uint32_t b) { return a < b ? a : b; }

/* Byte j of the edited channel's stream lies at this index of an interleaved piece. */
static uint32_t interleavedIndex(uint32_t j, uint32_t bps, uint32_t channel)
{
    return (2 * (j / bps) + channel) * bps + j % bps;
}

static uint32_t singleChannelIndex(void)
{
    return Wave.editChannel == 2 ? 1u : 0u;
}

/* Tells the cue list of block-file insertions and deletions, in frames. */
static void blockInserted(uint32_t offset, uint32_t count)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    if (VocHook.cueInserted)
        VocHook.cueInserted(offset / ba, count / ba);
}

static void blockDeleted(uint32_t offset, uint32_t count)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    if (VocHook.cueDeleted)
        VocHook.cueDeleted(offset / ba, count / ba);
}

/* Lengthens the data with silence up to end.  A block-file seek past the end would leave
   whatever the file held there, which can be the samples of an earlier cut.  Returns 0 when
   the data reaches end. */
static short extendWithSilence(uint32_t end)
{
    uint8_t sil[1024];
    memset(sil, silenceByte(), sizeof sil);
    while (BF.total < end) {
        if (vocAppend(sil, min32(end - BF.total, sizeof sil)) != 0)
            return 1;
    }
    return 0;
}

void vocSetFormat(uint16_t channels, uint16_t bitsPerSample, uint32_t dataLength)
{
    Wave.channels = channels == 2 ? 2 : 1;
    Wave.bitsPerSample = bitsPerSample == 8 ? 8 : 16;
    Wave.blockAlign = (uint16_t)(Wave.channels * Wave.bitsPerSample / 8);
    Wave.dataLength = dataLength;
    BFHooks.inserted = blockInserted;
    BFHooks.deleted = blockDeleted;
}

short ZELOAPI vocRead(void *dst, int32_t offset, uint32_t count)
{
    uint8_t *out = (uint8_t *)dst;
    if (!haveStore())
        return 1;
    uint8_t sil = silenceByte();
    if (offset < 0) {
        uint32_t lead = min32((uint32_t)0 - (uint32_t)offset, count);
        memset(out, sil, lead);
        out += lead;
        count -= lead;
        offset = 0;
    }
    if (count == 0)
        return 0;
    uint32_t pos = (uint32_t)offset;
    while (count > 0) {
        /* Past the end is silence; seeking there would lengthen the data instead. */
        if (pos >= BF.total) {
            memset(out, sil, count);
            break;
        }
        uint32_t n = min32(count, READSPAN);
        bseek((int32_t)pos, 0, 0);
        uint32_t got = bread(out, (uint16_t)n);
        out += got;
        pos += got;
        count -= got;
        if (got < n) {
            memset(out, sil, count);
            break;
        }
    }
    return 0;
}

/* One-channel read; with clear set, each sample taken is silenced in the store. */
static short readSingle(void *dst, int32_t offset, uint32_t count, int clear)
{
    uint8_t *out = (uint8_t *)dst;
    if (!haveStore())
        return 1;
    if (Wave.channels != 2 && !clear)
        return vocRead(dst, offset, count);   /* a mono wave's one channel is its data */
    uint8_t sil = silenceByte();
    if (offset < 0) {
        uint32_t lead = min32((uint32_t)0 - (uint32_t)offset, count);
        memset(out, sil, lead);
        out += lead;
        count -= lead;
        offset = 0;
    }
    uint8_t *piece = (uint8_t *)osAlloc(2 * SINGLEOUT);
    if (!piece)
        return 1;
    uint32_t bps = Wave.bitsPerSample / 8u, ch = Wave.channels == 2 ? singleChannelIndex() : 0;
    uint32_t ways = Wave.channels == 2 ? 2 : 1;
    uint32_t pos = (uint32_t)offset * ways;
    while (count > 0) {
        /* Whole frames: an odd byte count of 16-bit data still needs its last sample's
           frame, or the right channel's last byte would read as silence. */
        uint32_t outN = min32(count, SINGLEOUT), inN = (outN + bps - 1) / bps * bps * ways, got = 0;
        if (pos < BF.total) {
            bseek((int32_t)pos, 0, 0);
            got = bread(piece, (uint16_t)inN);
        }
        for (uint32_t j = 0; j < outN; j++) {
            uint32_t at = ways == 2 ? interleavedIndex(j, bps, ch) : j;
            if (at < got) {
                out[j] = piece[at];
                if (clear)
                    piece[at] = sil;
            } else {
                out[j] = sil;
            }
        }
        if (clear && got > 0) {
            bseek((int32_t)pos, 0, 0);
            bwrite(piece, (uint16_t)got);
        }
        out += outN;
        count -= outN;
        pos += inN;
    }
    osFree(piece);
    return 0;
}

short ZELOAPI vocReadSingle(void *dst, int32_t offset, uint32_t count)
{
    return readSingle(dst, offset, count, 0);
}

short vocReadSingleClear(void *dst, int32_t offset, uint32_t count)
{
    return readSingle(dst, offset, count, 1);
}

static short readWidened(int16_t *dst, int32_t offset, uint32_t count, int single)
{
    uint32_t n = count / 2;
    uint8_t *buf = (uint8_t *)osAlloc(n);
    if (!buf)
        return 1;
    short r = single ? vocReadSingle(buf, offset / 2, n) : vocRead(buf, offset / 2, n);
    for (uint32_t i = 0; i < n; i++)
        dst[i] = vocWiden(buf[i]);
    osFree(buf);
    return r;
}

short ZELOAPI vocRead8to16(int16_t *dst, int32_t offset, uint32_t count)
{
    return readWidened(dst, offset, count, 0);
}

short ZELOAPI vocReadSingle8to16(int16_t *dst, int32_t offset, uint32_t count)
{
    return readWidened(dst, offset, count, 1);
}

short ZELOAPI vocWriteAt(const void *src, int32_t offset, uint32_t count)
{
    const uint8_t *in = (const uint8_t *)src;
    if (offset < 0) {
        uint32_t skip = min32((uint32_t)0 - (uint32_t)offset, count);
        in += skip;
        count -= skip;
        offset = 0;
    }
    if (!haveStore())
        return 1;
    if (count == 0)
        return 0;
    uint32_t passes = Wave.passes ? Wave.passes : 1;
    uint32_t left = count, pos = (uint32_t)offset;
    while (left > 0) {
        /* The progress hook pumps messages, and a paint or a playback refill run there
           reads the store and moves its position: every piece seeks for itself. */
        if (pos > BF.total && extendWithSilence(pos) != 0)
            break;
        uint32_t n = min32(left, READPIECE);
        bseek((int32_t)pos, 0, 0);
        uint32_t put = bwrite(in, (uint16_t)n);
        in += n;
        pos += n;
        left -= n;
        if (put < n)
            break;   /* the rest would land behind a gap; short writes are not reported */
        if (VocHook.progress &&
            VocHook.progress((Wave.pass + 1) * count - left, passes * count))
            break;
    }
    if ((uint32_t)offset + count > Wave.dataLength)
        Wave.dataLength = (uint32_t)offset + count;
    return 0;
}

short ZELOAPI vocWriteAtSingle(const void *src, int32_t offset, uint32_t count)
{
    const uint8_t *in = (const uint8_t *)src;
    if (offset < 0) {
        uint32_t skip = min32((uint32_t)0 - (uint32_t)offset, count);
        in += skip;
        count -= skip;
        offset = 0;
    }
    if (!haveStore())
        return 1;
    if (count == 0)
        return 0;
    if (Wave.channels != 2)
        return vocWriteAt(in, offset, count);
    uint32_t bps = Wave.bitsPerSample / 8u, ch = singleChannelIndex();
    /* Whole frames, so that the last sample of an odd byte count lands too. */
    uint32_t start = 2 * (uint32_t)offset, bytes = (count + bps - 1) / bps * bps * 2;
    uint8_t *piece = (uint8_t *)osAlloc(SINGLERMW);
    if (!piece)
        return 1;
    /* A range beyond the end cannot be written one channel at a time: the data is first
       lengthened with silence, so the samples land and the length stays true. */
    if (start + bytes > BF.total)
        extendWithSilence(start + bytes);
    uint32_t pos = start, left = bytes, srcLeft = count;
    while (left > 0 && pos < BF.total) {
        uint32_t n = min32(left, SINGLERMW);
        bseek((int32_t)pos, 0, 0);
        uint32_t got = bread(piece, (uint16_t)n);
        if (got < n)
            osDebug("vocWriteAtSingle, read %ld not %ld\n", (long)got, (long)n);
        uint32_t take = min32(n / 2, srcLeft);
        for (uint32_t j = 0; j < take; j++) {
            uint32_t at = interleavedIndex(j, bps, ch);
            if (at < got)
                piece[at] = in[j];
        }
        bseek((int32_t)pos, 0, 0);
        bwrite(piece, (uint16_t)got);
        in += take;
        srcLeft -= take;
        pos += n;
        left -= n;
    }
    osFree(piece);
    if (start + bytes > Wave.dataLength)
        Wave.dataLength = start + bytes;
    return 0;
}

static short writeNarrowed(const int16_t *src, int32_t offset, uint32_t count, int single)
{
    uint32_t n = count / 2;
    uint8_t *buf = (uint8_t *)osAlloc(n);
    if (!buf)
        return 1;
    for (uint32_t i = 0; i < n; i++)
        buf[i] = vocNarrow(src[i]);
    short r = single ? vocWriteAtSingle(buf, offset / 2, n) : vocWriteAt(buf, offset / 2, n);
    osFree(buf);
    return r;
}

short ZELOAPI vocWriteAt16to8(const int16_t *src, int32_t offset, uint32_t count)
{
    return writeNarrowed(src, offset, count, 0);
}

short ZELOAPI vocWriteAtSingle16to8(const int16_t *src, int32_t offset, uint32_t count)
{
    return writeNarrowed(src, offset, count, 1);
}

short ZELOAPI vocInsertBlank(int32_t offset, uint32_t count)
{
    if (!haveStore())
        return 1;
    if (offset < 0)
        offset = 0;
    /* The buffer comes first: room opened without it could not be silenced. */
    uint8_t *buf = (uint8_t *)osAlloc(BLOCKSIZE);
    if (!buf)
        return 1;
    if ((uint32_t)offset > BF.total)
        extendWithSilence((uint32_t)offset);
    uint32_t room = binsert((uint32_t)offset, count);
    if (room == 0 && BF.writeFailed) {
        /* The block file could not move the samples behind the edit point, changed nothing
           and has told the user why. */
        osFree(buf);
        return 1;
    }
    if (room != count)
        osMessage("Inserted wrong number of bytes", "Error!", OS_MB_OK | OS_MB_ICONEXCLAMATION);
    memset(buf, silenceByte(), min32(count, BLANKPIECE));
    /* Only the room that was really opened is silenced and counted: writing the full count
       would overwrite the samples behind a short insert. */
    Wave.dataLength += room;
    for (uint32_t done = 0; done < room;) {
        uint32_t n = min32(room - done, BLANKPIECE);
        bseek((int32_t)((uint32_t)offset + done), 0, 0);
        if (bwrite(buf, (uint16_t)n) < n)
            break;
        done += n;
    }
    osFree(buf);
    return 0;
}

/* Halves a 16-bit offset; a negative one stays negative rather than turning into a huge
   one that would cut or pad far past the end. */
static int32_t halfOffset(int32_t offset)
{
    return offset / 2;
}

short ZELOAPI vocInsertBlank16to8(int32_t offset, uint32_t count)
{
    return vocInsertBlank(halfOffset(offset), count / 2);
}

short ZELOAPI vocCut(int32_t offset, uint32_t count)
{
    if (!haveStore())
        return 1;
    if (offset < 0) {
        /* Nothing lies before the start: only the part of the range from 0 on is cut. */
        count -= min32((uint32_t)0 - (uint32_t)offset, count);
        offset = 0;
    }
    if (count == 0)
        return 0;
    uint32_t deleted = bdelete((uint32_t)offset, count);
    if (deleted == 0 && BF.writeFailed)
        return 1;   /* nothing changed; the block file has told the user */
    Wave.dataLength = deleted < Wave.dataLength ? Wave.dataLength - deleted : 0;
    if (Wave.dataLength > BF.total)
        Wave.dataLength = BF.total;
    if (VocHook.lengthChanged)
        VocHook.lengthChanged();
    return 0;
}

short ZELOAPI vocCut16to8(int32_t offset, uint32_t count)
{
    return vocCut(halfOffset(offset), count / 2);
}

short vocAppend(const void *src, uint32_t count)
{
    const uint8_t *in = (const uint8_t *)src;
    if (!haveStore())
        return 1;
    while (count > 0) {
        uint32_t n = min32(count, APPENDPIECE);
        bseek(0, 2, 0);
        uint32_t put = bwriteLong(in, n);
        Wave.dataLength += put;
        if (put < n)
            return 1;
        in += n;
        count -= n;
    }
    return 0;
}

static int sampleAt(const uint8_t *frame, uint32_t index)
{
    if (Wave.bitsPerSample == 8)
        return (int)frame[index] - 128;
    return (int16_t)(frame[2 * index] | (frame[2 * index + 1] << 8));
}

uint32_t vocZeroCross(uint32_t start, int direction, int channel)
{
    uint32_t ba = Wave.blockAlign ? Wave.blockAlign : 1;
    uint32_t frames = Wave.dataLength / ba;
    uint32_t window = min32(frames * ba, 8000u);
    uint32_t winFrames = window / ba;
    uint32_t index = (Wave.channels == 2 && channel == 2) ? 1u : 0u;
    if (winFrames == 0)
        return start;
    uint8_t *buf = (uint8_t *)osAlloc(window);
    if (!buf)
        return start;
    uint32_t result = start;
    if (direction >= 0) {
        vocRead(buf, (int32_t)(start * ba), winFrames * ba);
        int seenNegative = 0;
        for (uint32_t f = start; f < frames && f - start < winFrames; f++) {
            int v = sampleAt(buf + (f - start) * ba, index);
            if (seenNegative && v >= 0) {
                result = f;
                break;
            }
            if (v < 0)
                seenNegative = 1;
        }
    } else if (start > 0) {
        uint32_t first = start > winFrames ? start - winFrames : 0;
        vocRead(buf, (int32_t)(first * ba), (start - first) * ba);
        int seenPositive = 0;
        for (uint32_t f = start - 1; f > first; f--) {
            int v = sampleAt(buf + (f - first) * ba, index);
            if (seenPositive && v <= 0) {
                result = f + 1;
                break;
            }
            if (v > 0)
                seenPositive = 1;
        }
    }
    osFree(buf);
    return result;
}
