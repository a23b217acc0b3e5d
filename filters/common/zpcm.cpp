/*
 * zpcm.cpp - the shared reader and writer of the bundled file filters (see zpcm.h).  No
 * global state: every reader and writer is its own record.  Stored samples are converted to
 * a left-justified 32-bit value and then to the delivered width, so every layout takes the
 * same rounding: to 16 bits half up with the top clipped, the way the usual converters do.
 */
#include "filters/common/zpcm.h"
#include "filters/common/zcodec.h"

#include <algorithm>
#include <string.h>

#ifdef _WIN32
#define zseek _fseeki64
#else
#define zseek fseeko
#endif

int zpBytesPer(int enc)
{
    switch (enc) {
    case ZE_U8: case ZE_S8: case ZE_ULAW: case ZE_ALAW: return 1;
    case ZE_S16LE: case ZE_S16BE: case ZE_U16LE: case ZE_U16BE: return 2;
    case ZE_S24LE: case ZE_S24BE: return 3;
    case ZE_S32LE: case ZE_S32BE: case ZE_F32BE: return 4;
    case ZE_F64BE: return 8;
    }
    return 0;
}

int zpIsEightBit(int enc)
{
    return enc == ZE_U8 || enc == ZE_S8;
}

/* ---- sources ---- */

int zsOpenFile(ZSource *s, const char *path)
{
    *s = ZSource();
    s->f = fopen(path, "rb");
    if (!s->f)
        return -1;
    if (zseek(s->f, 0, SEEK_END) == 0) {
        long long end;
#ifdef _WIN32
        end = _ftelli64(s->f);
#else
        end = ftello(s->f);
#endif
        s->size = end > 0 ? (uint64_t)end : 0;
    }
    return 0;
}

void zsOpenMemory(ZSource *s, const void *data, size_t size)
{
    *s = ZSource();
    s->mem = (const uint8_t *)data;
    s->size = data ? size : 0;
}

size_t zsRead(ZSource *s, uint64_t off, void *buf, size_t n)
{
    if (off >= s->size || n == 0)
        return 0;
    if (n > s->size - off)
        n = (size_t)(s->size - off);
    if (s->mem) {
        memcpy(buf, s->mem + off, n);
        return n;
    }
    if (!s->f || zseek(s->f, (long long)off, SEEK_SET) != 0)
        return 0;
    return fread(buf, 1, n, s->f);
}

void zsClose(ZSource *s)
{
    if (s->f)
        fclose(s->f);
    *s = ZSource();
}

/* ---- reading ---- */

static uint32_t frameBytesStored(const ZReader *r)
{
    return (uint32_t)zpBytesPer(r->enc) * r->fileChannels;
}

static uint32_t frameBytesOut(const ZReader *r)
{
    return (uint32_t)(r->bits / 8) * r->channels;
}

uint32_t zrAddStored(ZReader *r, uint64_t off, uint32_t frames)
{
    uint32_t fb = frameBytesStored(r);
    if (!fb || off >= r->src.size) {
        if (frames)
            r->truncated = 1;
        return 0;
    }
    uint64_t room = (r->src.size - off) / fb;
    if (frames > room) {
        frames = (uint32_t)room;
        r->truncated = 1;
    }
    if (frames)
        r->segs.push_back(ZSegment{off, frames, 0});
    return frames;
}

void zrAddSilence(ZReader *r, uint32_t frames)
{
    if (frames)
        r->segs.push_back(ZSegment{0, frames, 1});
}

int zrFinishOpen(ZReader *r)
{
    /* One stored frame must fit the conversion buffer of zrRead. */
    if (!zpBytesPer(r->enc) || r->fileChannels == 0 || frameBytesStored(r) > ZP_MAX_FRAME)
        return -1;
    r->bits = zpIsEightBit(r->enc) ? 8 : 16;
    r->channels = r->fileChannels >= 2 ? 2 : 1;
    uint32_t fo = frameBytesOut(r);
    uint32_t maxFrames = 0xFFFFFFFFu / fo;
    uint64_t total = 0;
    r->segStart.clear();
    size_t i = 0;
    for (; i < r->segs.size(); i++) {
        if (total >= maxFrames)
            break;
        if (total + r->segs[i].frames > maxFrames)
            r->segs[i].frames = (uint32_t)(maxFrames - total);
        r->segStart.push_back((uint32_t)total);
        total += r->segs[i].frames;
    }
    r->segs.resize(i);
    r->bytes = (uint32_t)(total * fo);
    r->pos = 0;
    return 0;
}

static int32_t toS32(int enc, const uint8_t *p)
{
    switch (enc) {
    case ZE_U8: return (int32_t)((uint32_t)(p[0] ^ 0x80) << 24);
    case ZE_S8: return (int32_t)((uint32_t)p[0] << 24);
    case ZE_S16LE: return (int32_t)((uint32_t)zcLe16(p) << 16);
    case ZE_S16BE: return (int32_t)((uint32_t)zcBe16(p) << 16);
    case ZE_U16LE: return (int32_t)((uint32_t)(zcLe16(p) ^ 0x8000) << 16);
    case ZE_U16BE: return (int32_t)((uint32_t)(zcBe16(p) ^ 0x8000) << 16);
    case ZE_S24LE: return (int32_t)(zcLe24(p) << 8);
    case ZE_S24BE: return (int32_t)(((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8));
    case ZE_S32LE: return (int32_t)zcLe32(p);
    case ZE_S32BE: return (int32_t)zcBe32(p);
    case ZE_ULAW: return (int32_t)((uint32_t)(uint16_t)zcUlawToLinear(p[0]) << 16);
    case ZE_ALAW: return (int32_t)((uint32_t)(uint16_t)zcAlawToLinear(p[0]) << 16);
    case ZE_F32BE: case ZE_F64BE: {
        double d;
        if (enc == ZE_F32BE) {
            uint32_t v = zcBe32(p);
            float f;
            memcpy(&f, &v, 4);
            d = f;
        } else {
            uint64_t v = ((uint64_t)zcBe32(p) << 32) | zcBe32(p + 4);
            memcpy(&d, &v, 8);
        }
        if (!(d == d))
            return 0;
        double x = d * 2147483648.0;
        if (x >= 2147483647.5)
            return INT32_MAX;
        if (x <= -2147483648.5)
            return INT32_MIN;
        return (int32_t)(x < 0 ? x - 0.5 : x + 0.5);
    }
    }
    return 0;
}

static void putOut(const ZReader *r, int32_t s, uint8_t *o)
{
    if (r->bits == 8) {
        o[0] = (uint8_t)(((uint32_t)s >> 24) ^ 0x80);
        return;
    }
    int64_t v = ((int64_t)s + 32768) >> 16;
    if (v > 32767)
        v = 32767;
    zcPutLe16(o, (uint16_t)(int16_t)v);
}

uint32_t zrRead(ZReader *r, void *buf, uint32_t n)
{
    uint32_t fo = frameBytesOut(r), fs = frameBytesStored(r);
    if (!fo || !buf || r->pos >= r->bytes)
        return 0;
    uint32_t want = std::min(n, r->bytes - r->pos) / fo;
    uint8_t *out = (uint8_t *)buf;
    uint32_t done = 0;
    uint8_t tmp[ZP_MAX_FRAME];
    int bps = zpBytesPer(r->enc);
    while (done < want) {
        uint32_t frame = r->pos / fo;
        size_t si = (size_t)(std::upper_bound(r->segStart.begin(), r->segStart.end(), frame) - r->segStart.begin()) - 1;
        const ZSegment &sg = r->segs[si];
        uint32_t inSeg = frame - r->segStart[si];
        uint32_t k = std::min(want - done, sg.frames - inSeg);
        if (sg.silent) {
            if (r->bits == 8)
                memset(out, 0x80, (size_t)k * fo);
            else
                memset(out, 0, (size_t)k * fo);
        } else {
            k = std::min<uint32_t>(k, sizeof tmp / fs);
            size_t got = zsRead(&r->src, sg.off + (uint64_t)inSeg * fs, tmp, (size_t)k * fs);
            if (got < (size_t)k * fs) {
                /* The file changed under us: stop here for good. */
                r->bytes = r->pos;
                break;
            }
            const uint8_t *p = tmp;
            uint8_t *o = out;
            for (uint32_t i = 0; i < k; i++, p += fs)
                for (uint16_t c = 0; c < r->channels; c++, o += r->bits / 8)
                    putOut(r, toS32(r->enc, p + c * bps), o);
        }
        out += (size_t)k * fo;
        done += k;
        r->pos += k * fo;
    }
    return done * fo;
}

uint32_t zrSeek(ZReader *r, uint32_t pos)
{
    uint32_t fo = frameBytesOut(r);
    if (!fo)
        return 0;
    if (pos > r->bytes)
        pos = r->bytes;
    r->pos = pos - pos % fo;
    return r->pos;
}

void zrAddItem(ZReader *r, int code, const void *data, size_t size)
{
    if (size == 0 || size > 0x7FFFFFFF || code < 0 || code >= 64)
        return;
    ZItem it;
    it.code = code;
    it.data.assign((const uint8_t *)data, (const uint8_t *)data + size);
    r->items.push_back(std::move(it));
}

static const ZItem *nextOf(const ZReader *r, int code)
{
    if (code < 0 || code >= 64)
        return NULL;
    size_t seen = 0;
    for (const ZItem &it : r->items)
        if (it.code == code && seen++ == r->nextItem[code])
            return &it;
    return NULL;
}

uint32_t zrSpecialSize(const ZReader *r, int code)
{
    const ZItem *it = nextOf(r, code);
    return it ? (uint32_t)it->data.size() : 0;
}

uint32_t zrReadSpecial(ZReader *r, int code, void *buf, uint32_t size)
{
    const ZItem *it = nextOf(r, code);
    if (!it || !buf)
        return 0;
    uint32_t n = std::min<uint32_t>(size, (uint32_t)it->data.size());
    memcpy(buf, it->data.data(), n);
    r->nextItem[code]++;
    return n;
}

void zrFree(ZReader *r)
{
    if (!r)
        return;
    zsClose(&r->src);
    delete r;
}

/* ---- writing ---- */

static void storeFrames(ZWriter *w, const uint8_t *in, uint32_t frames, std::vector<uint8_t> &out)
{
    int bps = zpBytesPer(w->enc);
    out.resize((size_t)frames * w->channels * bps);
    uint8_t *o = out.data();
    uint32_t n = frames * w->channels;
    for (uint32_t i = 0; i < n; i++, o += bps) {
        int16_t s;
        if (w->bits == 8) {
            s = (int16_t)((in[i] ^ 0x80) << 8);
            if (w->enc == ZE_U8) { o[0] = in[i]; continue; }
            if (w->enc == ZE_S8) { o[0] = (uint8_t)(in[i] ^ 0x80); continue; }
        } else {
            s = (int16_t)zcLe16(in + 2 * i);
        }
        switch (w->enc) {
        case ZE_S16LE: zcPutLe16(o, (uint16_t)s); break;
        case ZE_S16BE: zcPutBe16(o, (uint16_t)s); break;
        case ZE_U16LE: zcPutLe16(o, (uint16_t)(s ^ 0x8000)); break;
        case ZE_U16BE: zcPutBe16(o, (uint16_t)(s ^ 0x8000)); break;
        case ZE_ULAW: o[0] = zcLinearToUlaw(s); break;
        case ZE_ALAW: o[0] = zcLinearToAlaw(s); break;
        case ZE_U8: o[0] = (uint8_t)(((uint16_t)s >> 8) ^ 0x80); break;
        case ZE_S8: o[0] = (uint8_t)((uint16_t)s >> 8); break;
        default: memset(o, 0, (size_t)bps); break;
        }
    }
}

int zwRaw(ZWriter *w, const void *buf, size_t n)
{
    if (!w->f || w->failed)
        return -1;
    if (n && fwrite(buf, 1, n, w->f) != n) {
        w->failed = 1;
        return -1;
    }
    w->written += n;
    return 0;
}

/* Stores converted bytes, opening a new block whenever the current one is full. */
static int storeOut(ZWriter *w, const uint8_t *p, size_t n)
{
    while (n) {
        size_t k = n;
        if (w->blockMax) {
            if (w->blockUsed >= w->blockMax) {
                if (!w->newBlock || w->newBlock(w) != 0) {
                    w->failed = 1;
                    return -1;
                }
                w->blockUsed = 0;
            }
            if (k > w->blockMax - w->blockUsed)
                k = w->blockMax - w->blockUsed;
        }
        if (zwRaw(w, p, k) != 0)
            return -1;
        w->blockUsed += (uint32_t)k;
        p += k;
        n -= k;
    }
    return 0;
}

int zwPatch(ZWriter *w, uint64_t off, const void *buf, size_t n)
{
    if (!w->f || w->failed)
        return -1;
    if (zseek(w->f, (long long)off, SEEK_SET) != 0 || fwrite(buf, 1, n, w->f) != n ||
        zseek(w->f, 0, SEEK_END) != 0) {
        w->failed = 1;
        return -1;
    }
    return 0;
}

uint32_t zwPut(ZWriter *w, const void *buf, uint32_t n)
{
    if (!w->f || w->failed || !buf)
        return 0;
    uint32_t fb = (uint32_t)(w->bits / 8) * w->channels;
    const uint8_t *p = (const uint8_t *)buf;
    uint32_t taken = 0;
    std::vector<uint8_t> out;
    while (w->nPartial && taken < n) {
        w->partial[w->nPartial++] = p[taken++];
        if ((uint32_t)w->nPartial == fb) {
            storeFrames(w, w->partial, 1, out);
            w->nPartial = 0;
            if (storeOut(w, out.data(), out.size()) != 0)
                return taken - fb;
            w->frames++;
            w->dataBytes += out.size();
        }
    }
    while (n - taken >= fb) {
        uint32_t k = std::min<uint32_t>((n - taken) / fb, 16384);
        storeFrames(w, p + taken, k, out);
        if (storeOut(w, out.data(), out.size()) != 0)
            return taken;
        taken += k * fb;
        w->frames += k;
        w->dataBytes += out.size();
    }
    while (taken < n)
        w->partial[w->nPartial++] = p[taken++];
    return taken;
}

void zwKeepItem(ZWriter *w, int code, const void *data, uint32_t size)
{
    if (!data || !size)
        return;
    ZItem it;
    it.code = code;
    it.data.assign((const uint8_t *)data, (const uint8_t *)data + size);
    w->items.push_back(std::move(it));
}

int zwClose(ZWriter *w)
{
    int bad = w->failed;
    if (w->f && fclose(w->f) != 0)
        bad = 1;
    w->f = NULL;
    return bad ? -1 : 0;
}

std::vector<uint8_t> zpText(const std::vector<uint8_t> &item)
{
    size_t n = 0;
    while (n < item.size() && item[n])
        n++;
    return std::vector<uint8_t>(item.begin(), item.begin() + n);
}
