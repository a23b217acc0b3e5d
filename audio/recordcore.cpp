/*
 * recordcore.cpp - recording's bookkeeping without a device: buffer size, where a returned
 * buffer is written, the shortfall of short buffers, the limit, the space budget and the size
 * ratio.  Writes Rec's bookkeeping fields only.
 */
#include "audio/recordcore.h"

RecordState Rec = {};

uint32_t recBufferSize(uint32_t rate, uint16_t align, double seconds, int buffers, uint32_t durationMs)
{
    if (align == 0)
        return 0;
    if (durationMs) {
        uint32_t bytes = (uint32_t)((double)durationMs * rate * align * 0.001);
        uint32_t frames = bytes / align;
        return (frames ? frames : 1) * align;
    }
    if (buffers < 1)
        buffers = 1;
    uint32_t bytes = (uint32_t)((double)rate * align * seconds) / (uint32_t)buffers + 4093u;
    return bytes & ~0xFFFu;
}

void recBegin(uint32_t insertion, uint32_t limit)
{
    Rec.sequence = 0;
    Rec.shortfall = 0;
    Rec.total = 0;
    Rec.insertion = insertion;
    Rec.limit = limit;
    Rec.ratioCounter = 0;
    if (Rec.ratio <= 0.0)
        Rec.ratio = 1.0;
}

uint32_t recAccept(uint32_t seq, uint32_t bytes, uint32_t *offset)
{
    uint32_t size = Rec.bufferSize;
    if (bytes > size)
        bytes = size;
    /* The position comes from the buffer as it was handed out: what earlier buffers lacked
       is taken off, this one's own lack counts for the buffers after it. */
    *offset = seq * size - Rec.shortfall + Rec.insertion;
    uint32_t write = bytes;
    if (Rec.limit != REC_NOLIMIT && write > Rec.limit)
        write = Rec.limit;
    if (Rec.limit != REC_NOLIMIT)
        Rec.limit -= write;
    if (write < size)
        Rec.shortfall += size - write;
    Rec.total += write;
    return write;
}

int32_t recSpaceBudget(uint64_t tempFileSize, double ratio, uint64_t freeBytes)
{
    if (ratio <= 0.0)
        ratio = 1.0;
    uint64_t b = (uint64_t)((double)tempFileSize / ratio) + freeBytes;
    return b > 0x7FFFFFFFu ? 0x7FFFFFFF : (int32_t)b;
}

int recRatioDue(int compressed)
{
    if (!compressed)
        return 0;
    if (++Rec.ratioCounter < REC_RATIO_EVERY)
        return 0;
    Rec.ratioCounter = 0;
    return 1;
}

void recRefreshRatio(uint64_t s, uint64_t f)
{
    if (s == 0)
        return;
    if ((int64_t)f >= (int64_t)Rec.budget) {
        Rec.ratio = 1.0;
        return;
    }
    double r = (double)s / ((double)Rec.budget - (double)f);
    if (r > 10.0)
        r = 10.0;
    if (r < 0.001)
        r = 0.001;
    Rec.ratio = r;
}

int64_t recRemaining(void)
{
    return (int64_t)((double)Rec.budget * Rec.ratio) - (int64_t)Rec.insertion - (int64_t)Rec.total - REC_RESERVE;
}

int recMustStop(void)
{
    return recRemaining() < 0 || Rec.limit == 0;
}
