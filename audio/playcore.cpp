/*
 * playcore.cpp - the window-free half of playback: buffer size rule, play range with loops
 * and list entries, FillPlayBuffer and the position arithmetic.  Writes Play's range,
 * shaping and position fields; reads samples only through vocRead.
 */
#include "audio/playcore.h"
#include "store/voc.h"

#include <string.h>

PlayState Play;
PlayListHooks PlayListHook;

#define CHUNK 8192u   /* source bytes shaped per step: a multiple of every block align */

int playClampBuffers(int n)
{
    return n < PLAY_MINBUFFERS ? PLAY_MINBUFFERS : n > PLAY_MAXBUFFERS ? PLAY_MAXBUFFERS : n;
}

uint32_t playBufferSize(uint32_t rate, uint16_t blockAlign, double seconds, int buffers)
{
    if (blockAlign == 0)
        return 0;
    if (!(seconds > 0))
        seconds = 0;
    double total = (double)rate * blockAlign * seconds;
    if (total > 4.0e9)
        return 0;
    uint64_t each = (uint64_t)total / (uint64_t)playClampBuffers(buffers);
    uint64_t block = (uint64_t)blockAlign * 1024u;
    each -= each % block;
    /* A very short BufferSize at a low rate would round down to nothing: keep one block. */
    if (each < block)
        each = block;
    return each > PLAY_MAXBUFFER ? 0 : (uint32_t)each;
}

uint32_t playPadThreshold(uint32_t rate)
{
    return rate < 22050 ? PLAY_PADLOW : PLAY_PADHIGH;
}

void playSetFormat(uint32_t rate, uint16_t channels, uint16_t bits, int convert8, int editChannel)
{
    Play.rate = rate;
    Play.channels = channels;
    Play.srcBits = bits;
    Play.srcAlign = (uint16_t)(channels * bits / 8);
    Play.convert8 = convert8 && bits == 16;
    Play.outBits = Play.convert8 ? 8 : bits;
    Play.outAlign = (uint16_t)(channels * Play.outBits / 8);
    Play.editChannel = channels == 2 ? editChannel : 0;
}

void SetupPlayRange(uint32_t start, uint32_t length, uint32_t rangeStart, uint32_t loops)
{
    if (start < rangeStart)
        rangeStart = start;
    Play.rangeStart = rangeStart;
    Play.rangeEnd = length > UINT32_MAX - start ? UINT32_MAX : start + length;
    Play.position = start - rangeStart;
    Play.loopsLeft = loops;
    Play.listMode = 0;
}

int SetupPlayList(int index)
{
    int n = PlayListHook.count ? PlayListHook.count() : 0;
    for (; index >= 0 && index < n && index < (int)PLAY_NOENTRY; index++) {
        if (Play.listOnly && index != (int)Play.listOnly - 1)
            break;   /* Auto-cue plays one entry */
        PlayListEntry e;
        uint32_t frame;
        if (!PlayListHook.entry || PlayListHook.entry(index, &e) != 0)
            continue;
        if (!PlayListHook.cueStart || PlayListHook.cueStart(e.cue, &frame) != 0 || e.frames == 0)
            continue;
        uint64_t start = (uint64_t)frame * Play.srcAlign, end = start + (uint64_t)e.frames * Play.srcAlign;
        if (start > UINT32_MAX)
            continue;
        Play.rangeStart = (uint32_t)start;
        Play.rangeEnd = end > UINT32_MAX ? UINT32_MAX : (uint32_t)end;
        Play.position = 0;
        Play.loopsLeft = e.count > 0 ? e.count - 1 : 0;
        Play.listMode = 1;
        Play.listEntry = (uint16_t)index;
        return 0;
    }
    Play.listEntry = PLAY_NOENTRY;
    return 1;
}

/* Silences the channel that is not edited in whole frames of src. */
static void silenceOther(uint8_t *src, uint32_t bytes)
{
    if (Play.channels != 2 || (Play.editChannel != 1 && Play.editChannel != 2))
        return;
    if (Play.srcBits == 16) {
        uint32_t at = Play.editChannel == 1 ? 2 : 0;   /* edited left: clear right */
        for (uint32_t i = at; i + 1 < bytes; i += 4)
            src[i] = src[i + 1] = 0;
    } else {
        uint32_t at = Play.editChannel == 1 ? 1 : 0;
        for (uint32_t i = at; i < bytes; i += 2)
            src[i] = 0x80;
    }
}

/* 16-bit little-endian samples to their high byte + 128, in place; returns the bytes left. */
static uint32_t packTo8(uint8_t *buf, uint32_t bytes)
{
    uint32_t n = bytes / 2;
    for (uint32_t i = 0; i < n; i++)
        buf[i] = (uint8_t)(buf[2 * i + 1] + 128);
    return n;
}

/* At the end of the range: the next pass, or the next list entry.  0 when there is more. */
static int nextPass(void)
{
    if (Play.rangeEnd <= Play.rangeStart)
        return 1;   /* an empty range never loops (it would spin through every pass) */
    if (Play.loopsLeft > 0) {
        Play.loopsLeft--;
        Play.position = 0;
        return 0;
    }
    if (Play.listMode && Play.listEntry != PLAY_NOENTRY)
        return SetupPlayList(Play.listEntry + 1);
    return 1;
}

uint32_t FillPlayBuffer(void *dst, uint32_t count)
{
    uint8_t *out = (uint8_t *)dst;
    uint32_t done = 0, align = Play.srcAlign ? Play.srcAlign : 1;
    int ended = 0;
    uint8_t scratch[CHUNK];
    count -= count % (Play.outAlign ? Play.outAlign : 1);
    while (done < count) {
        uint32_t left = Play.rangeEnd - Play.rangeStart - Play.position;
        if (Play.rangeEnd < Play.rangeStart + Play.position)
            left = 0;
        left -= left % align;
        if (left == 0) {
            if (nextPass() != 0) {
                ended = 1;
                break;
            }
            continue;
        }
        uint32_t want = count - done;
        if (Play.convert8)
            want = want > UINT32_MAX / 2 ? UINT32_MAX : want * 2;
        if (want > left)
            want = left;
        if (want > CHUNK)
            want = CHUNK;
        want -= want % align;
        if (want == 0)
            break;
        if (vocRead(scratch, (int32_t)(Play.rangeStart + Play.position), want) != 0) {
            ended = 1;   /* the store went away: the material ends here */
            break;
        }
        /* List playback sounds both channels: the list is of whole ranges. */
        if (!Play.listMode)
            silenceOther(scratch, want);
        uint32_t put = Play.convert8 ? packTo8(scratch, want) : want;
        memcpy(out + done, scratch, put);
        Play.position += want;
        done += put;
        if (Play.chunkDone)
            Play.chunkDone();
    }
    uint32_t pad = playPadThreshold(Play.rate);
    if (ended && done > 0 && done < pad) {
        uint32_t to = pad < count ? pad : count;
        to -= to % (Play.outAlign ? Play.outAlign : 1);
        if (to > done)
            memset(out + done, Play.outBits == 8 ? 0x80 : 0, to - done);
        if (to > done)
            done = to;
    }
    return done;
}

void playSetPositionBase(uint32_t startFrame, uint32_t offsetFrames, uint32_t playedFrames, int loop)
{
    Play.startFrame = startFrame;
    Play.offsetFrames = offsetFrames;
    Play.loopFrames = offsetFrames + playedFrames;
    Play.loopReport = loop;
}

uint32_t playRawFrames(int kind, uint32_t value)
{
    if (kind == 1)
        return Play.outAlign ? value / Play.outAlign : value;
    if (kind == 2)
        return (uint32_t)((uint64_t)value * Play.rate / 1000u);
    return value;
}

uint32_t playFrameAt(uint32_t raw)
{
    /* Some 8-bit drivers count the bytes of 16-bit data played as 8-bit as half. */
    if (Play.convert8 && (Play.correction == 2 || (Play.correction == 1 && Play.oldSystem)))
        raw *= 2;
    if (Play.loopReport && Play.loopFrames > 0)
        return Play.startFrame + (uint32_t)(((uint64_t)Play.offsetFrames + raw) % Play.loopFrames);
    return Play.startFrame + Play.offsetFrames + raw;
}

int playCursorColumn(uint32_t frame, int left, int right, uint32_t viewStart, uint32_t viewEnd)
{
    if (right <= left || frame < viewStart || frame > viewEnd)
        return -1;
    double f = viewEnd > viewStart ? (double)(frame - viewStart) / (double)(viewEnd - viewStart) : 0.0;
    int x = (int)((double)(right - left) * f + left);
    return x >= right ? right - 1 : x;
}
