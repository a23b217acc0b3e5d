/*
 * delaywrite.cpp - the delayed writer (see delaywrite.h).  Writes DelayWriter and, through
 * the sample-access calls, the wave.  The only copies are the slide of the held-back bytes
 * to the buffer's front after each run.
 */
#include "store/delaywrite.h"
#include "store/voc.h"

#include <string.h>

DelayWriterState DelayWriter;

static void writeOut(const uint8_t *src, uint32_t offset, uint32_t count)
{
    DelayWriterState &w = DelayWriter;
    if (count == 0)
        return;
    if (w.sink) {
        w.sink(w.narrowing, src, offset, count);
        return;
    }
    /* Errors of the store are not passed on: a module cannot act on them mid-stream. */
    int single = Wave.channels == 2 && (Wave.editChannel == 1 || Wave.editChannel == 2);
    if (w.narrowing) {
        if (single)
            vocWriteAtSingle16to8((const int16_t *)src, (int32_t)offset, count);
        else
            vocWriteAt16to8((const int16_t *)src, (int32_t)offset, count);
    } else {
        if (single)
            vocWriteAtSingle(src, (int32_t)offset, count);
        else
            vocWriteAt(src, (int32_t)offset, count);
    }
}

static void release(void)
{
    osFree(DelayWriter.buffer);
    DelayWriter.buffer = NULL;
    DelayWriter.capacity = 0;
    DelayWriter.fill = 0;
}

short ZELOAPI delayWriteInit(uint16_t delay, uint32_t start, uint32_t total)
{
    release();
    DelayWriterState &w = DelayWriter;
    w.delay = delay;
    w.position = start;
    w.remaining = total;
    w.fill = 0;
    w.buffer = (uint8_t *)osAlloc((size_t)delay + DELAYWRITE_RUN);
    if (!w.buffer) {
        w.remaining = 0;
        return 1;
    }
    w.capacity = (uint32_t)delay + DELAYWRITE_RUN;
    return 0;
}

short ZELOAPI delayWriteInit16to8(uint16_t delay, uint32_t start, uint32_t total)
{
    return delayWriteInit(delay, start, total);
}

void ZELOAPI delayWrite(const void *source, uint16_t n)
{
    DelayWriterState &w = DelayWriter;
    const uint8_t *src = (const uint8_t *)source;
    uint32_t count = n;
    if (!w.buffer || !src)
        return;
    while (w.fill + count >= w.capacity) {
        uint32_t take = w.capacity - w.fill;
        memcpy(w.buffer + w.fill, src, take);
        w.fill += take;
        src += take;
        count -= take;
        uint32_t due = w.fill > w.delay ? w.fill - w.delay : 0;
        if (due > w.remaining)
            due = w.remaining;
        if (due == 0)
            break;   /* nothing more may be written: the rest is dropped */
        writeOut(w.buffer, w.position, due);
        memmove(w.buffer, w.buffer + due, w.fill - due);
        w.fill -= due;
        w.remaining -= due;
        w.position += due;
    }
    if (count > 0 && w.remaining > 0) {
        uint32_t room = w.capacity - w.fill;
        uint32_t take = count < w.remaining ? count : w.remaining;
        if (take > room)
            take = room;
        memcpy(w.buffer + w.fill, src, take);
        w.fill += take;
    }
}

void ZELOAPI delayWrite16to8(const void *src, uint16_t count)
{
    DelayWriter.narrowing = 1;
    delayWrite(src, count);
    DelayWriter.narrowing = 0;
}

void ZELOAPI delayWriteDestroy(void)
{
    DelayWriterState &w = DelayWriter;
    if (w.buffer && w.fill > 0) {
        uint32_t n = w.fill < w.remaining ? w.fill : w.remaining;
        writeOut(w.buffer, w.position, n);
        w.remaining -= n;
        w.position += w.fill;
    }
    release();
}

void ZELOAPI delayWriteDestroy16to8(void)
{
    DelayWriter.narrowing = 1;
    delayWriteDestroy();
    DelayWriter.narrowing = 0;
}
