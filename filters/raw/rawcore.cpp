/*
 * rawcore.cpp - headerless PCM (see rawcore.h).  No global state.  Unknown option bits are
 * ignored, so a value saved by a later version still opens.
 */
#include "filters/raw/rawcore.h"

#include <ctype.h>
#include <string.h>

int rawEncoding(uint32_t options, uint16_t bits)
{
    if (bits == 8)
        return (options & RAW_OPT_SIGNED8) ? ZE_S8 : ZE_U8;
    int big = (options & RAW_OPT_BIGENDIAN) != 0, uns = (options & RAW_OPT_UNSIGNED16) != 0;
    return big ? (uns ? ZE_U16BE : ZE_S16BE) : (uns ? ZE_U16LE : ZE_S16LE);
}

static ZReader *opened(ZReader *r)
{
    r->options = RAW_OPT_VALID;
    return r;
}

ZReader *rawOpenFile(const char *path)
{
    ZReader *r = new ZReader();
    if (!path || zsOpenFile(&r->src, path) != 0) {
        zrFree(r);
        return NULL;
    }
    return opened(r);
}

ZReader *rawOpenMemory(const void *data, size_t size)
{
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, data, size);
    return opened(r);
}

int rawSetLayout(ZReader *r, uint32_t options, uint32_t rate, uint16_t channels, uint16_t bits)
{
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || rate == 0)
        return -1;
    r->segs.clear();
    r->segStart.clear();
    r->truncated = 0;
    r->options = (options & RAW_OPT_ALL) | RAW_OPT_VALID;
    r->enc = rawEncoding(r->options, bits);
    r->rate = rate;
    r->fileChannels = channels;
    r->storedBits = bits;
    uint64_t frames = r->src.size / ((uint64_t)channels * bits / 8);
    zrAddStored(r, 0, frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)frames);
    return zrFinishOpen(r);
}

int rawNameFits(const char *path)
{
    if (!path)
        return 0;
    size_t n = strlen(path);
    if (n < 4 || path[n - 4] != '.')
        return 0;
    char e[4];
    for (int i = 0; i < 3; i++)
        e[i] = (char)tolower((unsigned char)path[n - 3 + i]);
    e[3] = 0;
    return strcmp(e, "pcm") == 0 || strcmp(e, "raw") == 0;
}

ZWriter *rawCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                   uint32_t dataBytes, uint32_t options)
{
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || !path)
        return NULL;
    ZWriter *w = new ZWriter();
    w->f = fopen(path, "wb");
    if (!w->f) {
        delete w;
        return NULL;
    }
    w->options = (options & RAW_OPT_ALL) | RAW_OPT_VALID;
    w->enc = rawEncoding(w->options, bits);
    w->rate = rate;
    w->bits = bits;
    w->channels = channels;
    w->expected = dataBytes;
    return w;
}

int rawFinish(ZWriter *w)
{
    return w->failed ? -1 : 0;
}
