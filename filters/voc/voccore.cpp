/*
 * voccore.cpp - Creative Voice parsing and writing (see voccore.h).  No global state.  The
 * prefix is vocf: voc* belongs to the editor's sample store.  The first sound block fixes the
 * layout; a later block of another layout or an encoding this filter does not read ends the
 * data there (what came before is kept).  Repeats are expanded, endless ones played once,
 * and the expansion is bounded by the 32-bit byte count the host can take.
 */
#include "filters/voc/voccore.h"
#include "filters/common/zcodec.h"

#include <string.h>

namespace {

const char Magic[20] = {'C', 'r', 'e', 'a', 't', 'i', 'v', 'e', ' ', 'V', 'o', 'i', 'c', 'e', ' ',
                        'F', 'i', 'l', 'e', 0x1A};

#define MAX_SEGMENTS 200000

void le32(std::vector<uint8_t> &b, uint32_t v) { uint8_t x[4]; zcPutLe32(x, v); b.insert(b.end(), x, x + 4); }

struct Parser {
    ZReader *r;
    int haveFormat = 0;
    int enc = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint64_t frames = 0;            /* delivered so far, for markers */
    int stopped = 0;
    /* pending extended block (type 8) */
    int extPending = 0;
    uint32_t extRate = 0;
    uint16_t extChannels = 0;
    int extCodec = 0;
    /* open repeat */
    int inRepeat = 0;
    size_t repeatFrom = 0;
    uint32_t repeatCount = 0;
    uint64_t repeatFramesFrom = 0;
    std::vector<uint8_t> cues, lens;
    int haveText = 0;

    /* Settles or checks the layout; 0 when the block's data may be used. */
    int layout(int e, uint16_t ch, uint32_t hz)
    {
        if (!e || ch == 0 || hz == 0)
            return -1;
        if (!haveFormat) {
            haveFormat = 1;
            enc = e;
            channels = ch;
            rate = hz;
            r->enc = e;
            r->fileChannels = ch;
            return 0;
        }
        return (e == enc && ch == channels) ? 0 : -1;
    }

    void stored(uint64_t off, uint64_t bytes)
    {
        uint32_t fb = (uint32_t)zpBytesPer(enc) * channels;
        uint64_t n = bytes / fb;
        if (n > 0xFFFFFFFFu)
            n = 0xFFFFFFFFu;
        if (r->segs.size() < MAX_SEGMENTS)
            frames += zrAddStored(r, off, (uint32_t)n);
    }
};

int codecEnc(int codec, int bits)
{
    switch (codec) {
    case 0: return bits == 8 || bits == 0 ? ZE_U8 : 0;
    case 4: return bits == 16 || bits == 0 ? ZE_S16LE : 0;
    case 6: return ZE_ALAW;
    case 7: return ZE_ULAW;
    }
    return 0;
}

ZReader *parse(ZReader *r, const char **why)
{
#define FAIL(text) do { if (why) *why = text; zrFree(r); return NULL; } while (0)
    uint8_t h[26];
    if (zsRead(&r->src, 0, h, 26) != 26 || memcmp(h, Magic, 20) != 0) {
        zrFree(r);
        return NULL;
    }
    Parser p;
    p.r = r;
    uint64_t pos = zcLe16(h + 20);
    if (pos < 26)
        FAIL("the voc header's size is too small");
    const char *stopWhy = NULL;
    while (!p.stopped && pos < r->src.size) {
        uint8_t b[16];
        if (zsRead(&r->src, pos, b, 1) != 1)
            break;
        int type = b[0];
        if (type == 0)
            break;
        if (zsRead(&r->src, pos + 1, b + 1, 3) != 3) {
            r->truncated = 1;
            break;
        }
        uint64_t len = zcLe24(b + 1);
        uint64_t body = pos + 4, end = body + len;
        if (end > r->src.size) {
            r->truncated = 1;
            end = r->src.size;
            /* Only sound data is of use when cut; anything else ends the walk here. */
            if (type != 1 && type != 2 && type != 9)
                break;
        }
        uint64_t have = end - body;
        size_t head = type == 1 ? 2 : type == 3 ? 3 : type == 4 ? 2 : type == 6 ? 2 : type == 8 ? 4 : type == 9 ? 12 : 0;
        if (have < head || (head && zsRead(&r->src, body, b, head) != head)) {
            r->truncated = 1;
            break;
        }
        switch (type) {
        case 1: {
            int codec = b[1];
            uint16_t ch = 1;
            uint32_t hz = b[0] == 0 ? 0 : 1000000u / (256u - b[0]);
            if (p.extPending) {
                codec = p.extCodec;
                ch = p.extChannels;
                hz = p.extRate;
                p.extPending = 0;
            }
            if (p.layout(codecEnc(codec, 0), ch, hz) != 0) {
                stopWhy = "a voc sound block in an encoding this filter does not read";
                p.stopped = 1;
                break;
            }
            p.stored(body + 2, have - 2);
            break;
        }
        case 2:
            if (!p.haveFormat) {
                stopWhy = "a voc continuation block before any sound block";
                p.stopped = 1;
                break;
            }
            p.stored(body, have);
            break;
        case 3: {
            uint32_t n = (uint32_t)zcLe16(b) + 1;
            if (!p.haveFormat && !p.rate && b[2])
                p.rate = 1000000u / (256u - b[2]);
            if (r->segs.size() < MAX_SEGMENTS) {
                zrAddSilence(r, n);
                p.frames += n;
            }
            break;
        }
        case 4: {
            uint32_t id = zcLe16(b);
            uint32_t at = p.frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)p.frames;
            if (p.cues.size() < 24 * 4096) {
                le32(p.cues, id); le32(p.cues, at);
                p.cues.insert(p.cues.end(), {'d', 'a', 't', 'a'});
                le32(p.cues, 0); le32(p.cues, 0); le32(p.cues, at);
                le32(p.lens, id); le32(p.lens, 0);
                p.lens.insert(p.lens.end(), {'m', 'a', 'r', 'k', 0, 0, 0, 0, 0, 0, 0, 0});
            }
            break;
        }
        case 5:
            if (!p.haveText && have) {
                size_t n = have > 65536 ? 65536 : (size_t)have;
                std::vector<uint8_t> t(n);
                if (zsRead(&r->src, body, t.data(), n) == n) {
                    t = zpText(t);
                    if (!t.empty()) {
                        t.push_back(0);
                        if (t.size() & 1)
                            t.push_back(0);
                        zrAddItem(r, 21, t.data(), t.size());
                        p.haveText = 1;
                    }
                }
            }
            break;
        case 6:
            p.inRepeat = 1;
            p.repeatFrom = r->segs.size();
            p.repeatCount = zcLe16(b);
            p.repeatFramesFrom = p.frames;
            break;
        case 7:
            if (p.inRepeat) {
                p.inRepeat = 0;
                /* Count n plays the stretch n times; 0xFFFF (endless) and 0 play it once. */
                uint32_t extra = (p.repeatCount == 0xFFFF || p.repeatCount == 0) ? 0 : p.repeatCount - 1;
                size_t to = r->segs.size();
                uint64_t span = p.frames - p.repeatFramesFrom;
                for (uint32_t k = 0; k < extra && span; k++) {
                    if (p.frames > 0xFFFFFFFFu || r->segs.size() + (to - p.repeatFrom) > MAX_SEGMENTS)
                        break;
                    for (size_t i = p.repeatFrom; i < to; i++)
                        r->segs.push_back(r->segs[i]);
                    p.frames += span;
                }
            }
            break;
        case 8: {
            uint32_t tc = zcLe16(b);
            uint16_t ch = b[3] ? 2 : 1;
            p.extPending = 1;
            p.extCodec = b[2];
            p.extChannels = ch;
            p.extRate = 256000000u / (ch * (65536u - tc));
            break;
        }
        case 9: {
            uint32_t hz = zcLe32(b);
            int bits = b[4], ch = b[5], codec = zcLe16(b + 6);
            if (p.layout(codecEnc(codec, bits), (uint16_t)ch, hz) != 0) {
                stopWhy = "a voc sound block in a layout this filter does not read";
                p.stopped = 1;
                break;
            }
            p.stored(body + 12, have - 12);
            break;
        }
        default:
            break;
        }
        pos = body + len;
    }
    if (!p.haveFormat) {
        if (stopWhy)
            FAIL(stopWhy);
        if (r->segs.empty() && !p.rate)
            FAIL("the voc file holds no sound block");
        /* Nothing but silence: deliver it as 8-bit mono. */
        r->enc = ZE_U8;
        r->fileChannels = 1;
        p.rate = p.rate ? p.rate : 8000;
    }
    r->rate = p.haveFormat ? p.rate : p.rate;
    r->storedBits = (uint16_t)(zpBytesPer(r->enc) * 8);
    if (zrFinishOpen(r) != 0)
        FAIL("the voc sample layout is not one this filter reads");
    zrAddItem(r, 40, p.cues.data(), p.cues.size());
    zrAddItem(r, 41, p.lens.data(), p.lens.size());
    return r;
#undef FAIL
}

} // namespace

ZReader *vocfOpenFile(const char *path, const char **why)
{
    if (why)
        *why = NULL;
    ZReader *r = new ZReader();
    if (!path || zsOpenFile(&r->src, path) != 0) {
        zrFree(r);
        return NULL;
    }
    return parse(r, why);
}

ZReader *vocfOpenMemory(const void *data, size_t size, const char **why)
{
    if (why)
        *why = NULL;
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, data, size);
    return parse(r, why);
}

/* ---- writing ---- */

static int nextBlock(ZWriter *w)
{
    uint8_t h[4] = {2, 0, 0, 0};
    zcPutLe24(h + 1, w->blockMax);
    w->mark[1] = w->written;
    w->mark[3] = 0;     /* the open block is a continuation: no 12-byte head */
    return zwRaw(w, h, 4);
}

ZWriter *vocfCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                    uint32_t dataBytes, uint32_t options)
{
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2) || rate == 0 || !path)
        return NULL;
    ZWriter *w = new ZWriter();
    w->f = fopen(path, "wb");
    if (!w->f) {
        delete w;
        return NULL;
    }
    w->enc = bits == 8 ? ZE_U8 : ZE_S16LE;
    w->rate = rate;
    w->bits = bits;
    w->channels = channels;
    w->expected = dataBytes;
    w->options = options;
    w->blockMax = VOCF_BLOCK_MAX;
    w->newBlock = nextBlock;
    return w;
}

int vocfCanWriteSpecial(int code)
{
    return code == 21;
}

int vocfBegin(ZWriter *w)
{
    std::vector<uint8_t> b(Magic, Magic + 20);
    b.insert(b.end(), {0x1A, 0x00, 0x14, 0x01, 0x1F, 0x11});   /* version 1.20, check ~v + 0x1234 */
    for (const ZItem &it : w->items) {
        if (it.code != 21)
            continue;
        std::vector<uint8_t> t = zpText(it.data);
        if (t.empty() || t.size() > 0xFFFF00)
            continue;
        t.push_back(0);
        b.push_back(5);
        uint8_t n[3];
        zcPutLe24(n, (uint32_t)t.size());
        b.insert(b.end(), n, n + 3);
        b.insert(b.end(), t.begin(), t.end());
        break;
    }
    w->mark[1] = b.size();      /* the open block's header */
    w->mark[3] = 12;            /* its head before the samples */
    b.push_back(9);
    uint8_t n[3];
    zcPutLe24(n, 12 + w->blockMax);
    b.insert(b.end(), n, n + 3);
    uint8_t t[12];
    zcPutLe32(t, w->rate);
    t[4] = (uint8_t)w->bits;
    t[5] = (uint8_t)w->channels;
    zcPutLe16(t + 6, w->bits == 8 ? 0 : 4);
    zcPutLe32(t + 8, 0);
    b.insert(b.end(), t, t + 12);
    w->dataStart = b.size();
    w->blockUsed = 0;
    return zwRaw(w, b.data(), b.size());
}

int vocfFinish(ZWriter *w)
{
    if (w->failed)
        return -1;
    uint8_t n[3];
    zcPutLe24(n, (uint32_t)(w->mark[3] + w->blockUsed));
    zwPatch(w, w->mark[1] + 1, n, 3);
    uint8_t z = 0;
    zwRaw(w, &z, 1);
    return w->failed ? -1 : 0;
}
