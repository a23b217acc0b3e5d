/*
 * aucore.cpp - Sun/NeXT audio parsing and writing (see aucore.h).  No global state.  The
 * data runs from the header's offset for the header's size, or to the end of the file when
 * the size is unknown (0xFFFFFFFF) or larger than what is there.
 */
#include "filters/au/aucore.h"
#include "filters/common/zcodec.h"

#include <string.h>

namespace {

ZReader *parse(ZReader *r, const char **why)
{
#define FAIL(text) do { if (why) *why = text; zrFree(r); return NULL; } while (0)
    uint8_t h[24];
    if (zsRead(&r->src, 0, h, 24) != 24) {
        zrFree(r);
        return NULL;
    }
    int little = memcmp(h, "dns.", 4) == 0;
    if (!little && memcmp(h, ".snd", 4) != 0) {
        zrFree(r);
        return NULL;
    }
    auto get = [&](int at) { return little ? zcLe32(h + at) : zcBe32(h + at); };
    uint32_t offset = get(4), size = get(8), enc = get(12), rate = get(16), channels = get(20);
    if (offset < 24 || offset > r->src.size)
        FAIL("the au header's data offset lies outside the file");
    if (rate == 0)
        FAIL("the au file has no sample rate");
    if (channels == 0 || channels > 65535)
        FAIL("the au file's channel count is not usable");
    switch (enc) {
    case 1: r->enc = ZE_ULAW; break;
    case 2: r->enc = ZE_S8; break;
    case 3: r->enc = little ? ZE_S16LE : ZE_S16BE; break;
    case 4: r->enc = little ? ZE_S24LE : ZE_S24BE; break;
    case 5: r->enc = little ? ZE_S32LE : ZE_S32BE; break;
    case 6: r->enc = little ? 0 : ZE_F32BE; break;
    case 7: r->enc = little ? 0 : ZE_F64BE; break;
    case 27: r->enc = ZE_ALAW; break;
    default: r->enc = 0; break;
    }
    if (!r->enc)
        FAIL("the au encoding is not one this filter reads");
    r->rate = rate;
    r->fileChannels = (uint16_t)channels;
    r->storedBits = (uint16_t)(zpBytesPer(r->enc) * 8);
    r->options = enc == 1 ? AU_OPT_ULAW : enc == 27 ? AU_OPT_ALAW : AU_OPT_PCM;
    r->mark = enc;
    uint64_t avail = r->src.size - offset;
    uint64_t bytes = size == 0xFFFFFFFFu ? avail : size;
    if (bytes > avail) {
        bytes = avail;
        r->truncated = 1;
    }
    uint32_t fb = (uint32_t)zpBytesPer(r->enc) * channels;
    uint64_t frames = bytes / fb;
    zrAddStored(r, offset, (uint32_t)(frames > 0xFFFFFFFFu ? 0xFFFFFFFFu : frames));
    if (zrFinishOpen(r) != 0)
        FAIL("the au sample layout is not one this filter reads");
    /* The annotation: text up to the first zero, when it holds any. */
    uint32_t n = offset - 24;
    if (n > 65536)
        n = 65536;
    std::vector<uint8_t> a(n);
    if (n && zsRead(&r->src, 24, a.data(), n) == n) {
        std::vector<uint8_t> t = zpText(a);
        if (!t.empty()) {
            t.push_back(0);
            if (t.size() & 1)
                t.push_back(0);
            zrAddItem(r, 21, t.data(), t.size());
        }
    }
    return r;
#undef FAIL
}

} // namespace

ZReader *auOpenFile(const char *path, const char **why)
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

ZReader *auOpenMemory(const void *data, size_t size, const char **why)
{
    if (why)
        *why = NULL;
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, data, size);
    return parse(r, why);
}

uint32_t auEncoding(const ZReader *r)
{
    return r->mark;
}

ZWriter *auCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
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
    w->enc = options == AU_OPT_ULAW ? ZE_ULAW : options == AU_OPT_ALAW ? ZE_ALAW : bits == 8 ? ZE_S8 : ZE_S16BE;
    w->rate = rate;
    w->bits = bits;
    w->channels = channels;
    w->expected = dataBytes;
    w->options = options;
    return w;
}

int auCanWriteSpecial(int code)
{
    return code == 21;
}

int auBegin(ZWriter *w)
{
    std::vector<uint8_t> note;
    for (const ZItem &it : w->items)
        if (it.code == 21 && note.empty())
            note = zpText(it.data);
    /* At least four bytes of annotation, zero-terminated, the header a multiple of 8. */
    note.push_back(0);
    while (note.size() < 4 || (24 + note.size()) % 8)
        note.push_back(0);
    std::vector<uint8_t> h(24);
    memcpy(h.data(), ".snd", 4);
    zcPutBe32(&h[4], (uint32_t)(24 + note.size()));
    zcPutBe32(&h[8], 0xFFFFFFFFu);
    uint32_t enc = w->enc == ZE_ULAW ? 1 : w->enc == ZE_ALAW ? 27 : w->enc == ZE_S8 ? 2 : 3;
    zcPutBe32(&h[12], enc);
    zcPutBe32(&h[16], w->rate);
    zcPutBe32(&h[20], w->channels);
    h.insert(h.end(), note.begin(), note.end());
    w->dataStart = h.size();
    return zwRaw(w, h.data(), h.size());
}

int auFinish(ZWriter *w)
{
    if (w->failed)
        return -1;
    uint8_t b[4];
    zcPutBe32(b, w->dataBytes >= 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)w->dataBytes);
    zwPatch(w, 8, b, 4);
    return w->failed ? -1 : 0;
}
