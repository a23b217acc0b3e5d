/*
 * aiffcore.cpp - AIFF / AIFF-C parsing and AIFF writing (see aiffcore.h).  No global state.
 * Chunks are walked inside the FORM (cut to the file when the FORM claims more); a chunk that
 * runs past the end is used only when it is the sound data, which is then read up to the end.
 */
#include "filters/aiff/aiffcore.h"
#include "filters/common/zcodec.h"

#include <map>
#include <string.h>
#include <string>

namespace {

struct Marker {
    int id;
    uint32_t pos;
    std::string name;
    int hidden;
};

/* The text of a Pascal string inside [p, end): its length byte and text; 0 when it does not
   fit.  *used is the bytes it takes with the pad to an even count. */
int pstring(const uint8_t *p, const uint8_t *end, std::string *out, size_t *used)
{
    if (p >= end)
        return 0;
    size_t n = p[0];
    if ((size_t)(end - p) < 1 + n)
        return 0;
    out->assign((const char *)p + 1, n);
    *used = (1 + n + 1) & ~(size_t)1;
    return 1;
}

/* A text item as the editor keeps them: the text, a zero, padded to an even length. */
void addText(ZReader *r, int code, const uint8_t *p, size_t n)
{
    size_t len = 0;
    while (len < n && p[len])
        len++;
    if (len == 0)
        return;
    std::vector<uint8_t> t(p, p + len);
    t.push_back(0);
    if (t.size() & 1)
        t.push_back(0);
    zrAddItem(r, code, t.data(), t.size());
}

void put32(std::vector<uint8_t> &v, uint32_t x)
{
    uint8_t b[4];
    zcPutLe32(b, x);
    v.insert(v.end(), b, b + 4);
}

ZReader *parse(ZReader *r, const char **why)
{
#define FAIL(text) do { if (why) *why = text; zrFree(r); return NULL; } while (0)
    uint8_t h[12];
    if (zsRead(&r->src, 0, h, 12) != 12 || memcmp(h, "FORM", 4) != 0 ||
        (memcmp(h + 8, "AIFF", 4) != 0 && memcmp(h + 8, "AIFC", 4) != 0)) {
        zrFree(r);
        return NULL;
    }
    int aifc = memcmp(h + 8, "AIFC", 4) == 0;
    uint64_t end = 8 + (uint64_t)zcBe32(h + 4);
    if (end > r->src.size) {
        end = r->src.size;
        r->truncated = 1;
    }
    int haveComm = 0, compression = AIFF_C_NONE;
    uint16_t channels = 0, sampleBits = 0;
    uint32_t frames = 0, rate = 0;
    char ctype[5] = "NONE";
    uint64_t dataOff = 0, dataAvail = 0;
    int haveData = 0;
    std::vector<Marker> markers;
    struct Loop { int mode, begin, end; } loops[2] = {{0, 0, 0}, {0, 0, 0}};
    std::vector<std::pair<int, std::string>> comments;

    uint64_t pos = 12;
    while (pos + 8 <= end) {
        uint8_t ch[8];
        if (zsRead(&r->src, pos, ch, 8) != 8)
            break;
        uint32_t size = zcBe32(ch + 4);
        uint64_t body = pos + 8, bodyEnd = body + size;
        int cut = bodyEnd > end;
        if (cut)
            bodyEnd = end;
        if (memcmp(ch, "SSND", 4) == 0) {
            uint8_t s[8];
            if (bodyEnd - body >= 8 && zsRead(&r->src, body, s, 8) == 8) {
                uint64_t off = body + 8 + zcBe32(s);
                if (off <= bodyEnd) {
                    dataOff = off;
                    dataAvail = bodyEnd - off;
                    haveData = 1;
                }
            }
            if (cut)
                r->truncated = 1;
        } else if (!cut && size <= 1u << 20) {
            /* Everything else is small: read it whole (a size past a megabyte is not a
               header chunk any reader here needs). */
            std::vector<uint8_t> b((size_t)size);
            if (zsRead(&r->src, body, b.data(), size) != size)
                break;
            const uint8_t *p = b.data(), *e = p + size;
            if (memcmp(ch, "COMM", 4) == 0 && size >= 18) {
                haveComm = 1;
                channels = zcBe16(p);
                frames = zcBe32(p + 2);
                sampleBits = zcBe16(p + 6);
                rate = zcExt80ToRate(p + 8);
                if (aifc) {
                    if (size < 22)
                        FAIL("the AIFF-C COMM chunk has no compression type");
                    memcpy(ctype, p + 18, 4);
                }
            } else if (memcmp(ch, "MARK", 4) == 0 && size >= 2) {
                uint32_t n = zcBe16(p);
                const uint8_t *q = p + 2;
                for (uint32_t i = 0; i < n && e - q >= 6; i++) {
                    Marker m;
                    m.id = (int16_t)zcBe16(q);
                    m.pos = zcBe32(q + 2);
                    m.hidden = 0;
                    size_t used;
                    if (!pstring(q + 6, e, &m.name, &used))
                        break;
                    q += 6 + used;
                    int dup = 0;
                    for (const Marker &o : markers)
                        dup |= o.id == m.id;
                    if (m.id > 0 && !dup)
                        markers.push_back(m);
                }
            } else if (memcmp(ch, "INST", 4) == 0 && size >= 20) {
                for (int k = 0; k < 2; k++) {
                    loops[k].mode = (int16_t)zcBe16(p + 8 + 6 * k);
                    loops[k].begin = (int16_t)zcBe16(p + 10 + 6 * k);
                    loops[k].end = (int16_t)zcBe16(p + 12 + 6 * k);
                }
            } else if (memcmp(ch, "COMT", 4) == 0 && size >= 2) {
                uint32_t n = zcBe16(p);
                const uint8_t *q = p + 2;
                for (uint32_t i = 0; i < n && e - q >= 8; i++) {
                    int marker = (int16_t)zcBe16(q + 4);
                    size_t len = zcBe16(q + 6);
                    if ((size_t)(e - q - 8) < len)
                        break;
                    comments.push_back({marker, std::string((const char *)q + 8, len)});
                    q += 8 + ((len + 1) & ~(size_t)1);
                }
            } else if (memcmp(ch, "NAME", 4) == 0) {
                addText(r, 28, p, size);
            } else if (memcmp(ch, "AUTH", 4) == 0) {
                addText(r, 20, p, size);
            } else if (memcmp(ch, "(c) ", 4) == 0) {
                addText(r, 22, p, size);
            } else if (memcmp(ch, "ANNO", 4) == 0) {
                addText(r, 21, p, size);
            }
        }
        if (cut)
            break;
        pos = bodyEnd + (size & 1);
    }
    if (!haveComm)
        FAIL("the AIFF file has no COMM chunk");
    if (channels == 0)
        FAIL("the AIFF file has no channels");
    if (rate == 0)
        FAIL("the AIFF file has no usable sample rate");
    if (!memcmp(ctype, "NONE", 4) || !memcmp(ctype, "twos", 4)) {
        compression = AIFF_C_NONE;
        r->enc = sampleBits <= 8 ? ZE_S8 : sampleBits <= 16 ? ZE_S16BE : sampleBits <= 24 ? ZE_S24BE : ZE_S32BE;
    } else if (!memcmp(ctype, "sowt", 4)) {
        compression = AIFF_C_SOWT;
        r->enc = sampleBits <= 8 ? ZE_S8 : sampleBits <= 16 ? ZE_S16LE : sampleBits <= 24 ? ZE_S24LE : ZE_S32LE;
    } else if (!memcmp(ctype, "ulaw", 4) || !memcmp(ctype, "ULAW", 4)) {
        compression = AIFF_C_ULAW;
        r->enc = ZE_ULAW;
        sampleBits = 8;
    } else if (!memcmp(ctype, "alaw", 4) || !memcmp(ctype, "ALAW", 4)) {
        compression = AIFF_C_ALAW;
        r->enc = ZE_ALAW;
        sampleBits = 8;
    } else if (!memcmp(ctype, "fl32", 4) || !memcmp(ctype, "FL32", 4)) {
        compression = AIFF_C_FLOAT;
        r->enc = ZE_F32BE;
        sampleBits = 32;
    } else if (!memcmp(ctype, "fl64", 4) || !memcmp(ctype, "FL64", 4)) {
        compression = AIFF_C_FLOAT;
        r->enc = ZE_F64BE;
        sampleBits = 64;
    } else if (!memcmp(ctype, "raw ", 4)) {
        compression = AIFF_C_RAW;
        r->enc = ZE_U8;
        sampleBits = 8;
    } else {
        FAIL("the AIFF-C compression type is not one this filter reads");
    }
    if (sampleBits < 1 || sampleBits > 64 || (zpBytesPer(r->enc) <= 4 && sampleBits > 32 && compression != AIFF_C_FLOAT))
        FAIL("the AIFF sample size is not one this filter reads");
    r->rate = rate;
    r->fileChannels = channels;
    r->storedBits = sampleBits;
    r->options = (aifc ? AIFF_FORM_AIFC : 0) | (uint32_t)compression;
    if (frames && !haveData)
        FAIL("the AIFF file has no sound data");
    if (frames)
        zrAddStored(r, dataOff, frames);
    (void)dataAvail;
    if (zrFinishOpen(r) != 0)
        FAIL("the AIFF sample layout is not one this filter reads");

    /* Loops: the begin marker gets the length, the end marker is not a cue of its own. */
    std::map<int, uint32_t> lengths;
    for (const auto &l : loops) {
        if (l.mode == 0)
            continue;
        Marker *b = NULL, *e = NULL;
        for (Marker &m : markers) {
            if (m.id == l.begin)
                b = &m;
            if (m.id == l.end)
                e = &m;
        }
        if (b && e && b != e && e->pos > b->pos && !lengths.count(b->id)) {
            lengths[b->id] = e->pos - b->pos;
            e->hidden = 1;
        }
    }
    std::vector<uint8_t> cues, lens, labels, notes;
    for (const Marker &m : markers) {
        if (m.hidden)
            continue;
        put32(cues, (uint32_t)m.id);
        put32(cues, m.pos);
        cues.insert(cues.end(), {'d', 'a', 't', 'a'});
        put32(cues, 0);
        put32(cues, 0);
        put32(cues, m.pos);
        put32(lens, (uint32_t)m.id);
        put32(lens, lengths.count(m.id) ? lengths[m.id] : 0);
        lens.insert(lens.end(), {'m', 'a', 'r', 'k', 0, 0, 0, 0, 0, 0, 0, 0});
        if (!m.name.empty() && m.name.find('\0') == std::string::npos) {
            put32(labels, (uint32_t)m.id);
            labels.insert(labels.end(), m.name.begin(), m.name.end());
            labels.push_back(0);
        }
    }
    for (const auto &c : comments) {
        size_t len = strnlen(c.second.c_str(), c.second.size());
        if (len == 0)
            continue;
        if (c.first == 0) {
            addText(r, 21, (const uint8_t *)c.second.data(), len);
            continue;
        }
        int known = 0;
        for (const Marker &m : markers)
            known |= !m.hidden && m.id == c.first;
        if (!known)
            continue;
        put32(notes, (uint32_t)c.first);
        notes.insert(notes.end(), c.second.begin(), c.second.begin() + len);
        notes.push_back(0);
    }
    zrAddItem(r, 40, cues.data(), cues.size());
    zrAddItem(r, 41, lens.data(), lens.size());
    zrAddItem(r, 42, notes.data(), notes.size());
    zrAddItem(r, 43, labels.data(), labels.size());
    return r;
#undef FAIL
}

} // namespace

ZReader *aiffOpenFile(const char *path, const char **why)
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

ZReader *aiffOpenMemory(const void *data, size_t size, const char **why)
{
    if (why)
        *why = NULL;
    ZReader *r = new ZReader();
    zsOpenMemory(&r->src, data, size);
    return parse(r, why);
}

int aiffStoredBits(const ZReader *r)
{
    return r->storedBits;
}

/* ---- writing ---- */

ZWriter *aiffCreate(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
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
    w->enc = bits == 8 ? ZE_S8 : ZE_S16BE;
    w->rate = rate;
    w->bits = bits;
    w->channels = channels;
    w->expected = dataBytes;
    w->options = options;
    return w;
}

int aiffBegin(ZWriter *w)
{
    uint8_t h[12 + 26 + 16];
    memcpy(h, "FORM", 4);
    zcPutBe32(h + 4, 0);
    memcpy(h + 8, "AIFF", 4);
    memcpy(h + 12, "COMM", 4);
    zcPutBe32(h + 16, 18);
    zcPutBe16(h + 20, w->channels);
    zcPutBe32(h + 22, 0);
    zcPutBe16(h + 26, w->bits);
    zcRateToExt80(w->rate, h + 28);
    memcpy(h + 38, "SSND", 4);
    zcPutBe32(h + 42, 8);
    zcPutBe32(h + 46, 0);
    zcPutBe32(h + 50, 0);
    w->mark[0] = 22;    /* COMM frame count */
    w->mark[1] = 42;    /* SSND size */
    w->dataStart = sizeof h;
    return zwRaw(w, h, sizeof h);
}

int aiffCanWriteSpecial(int code)
{
    return code == 20 || code == 21 || code == 22 || code == 28 || (code >= 40 && code <= 43);
}

namespace {

void chunk(std::vector<uint8_t> &out, const char *id, const std::vector<uint8_t> &body)
{
    uint8_t h[8];
    memcpy(h, id, 4);
    zcPutBe32(h + 4, (uint32_t)body.size());
    out.insert(out.end(), h, h + 8);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1)
        out.push_back(0);
}

void be16(std::vector<uint8_t> &v, uint16_t x) { v.push_back((uint8_t)(x >> 8)); v.push_back((uint8_t)x); }
void be32(std::vector<uint8_t> &v, uint32_t x) { be16(v, (uint16_t)(x >> 16)); be16(v, (uint16_t)x); }

/* Walks a packed table of u32 id + zero-terminated text. */
std::map<uint32_t, std::string> idTexts(const std::vector<uint8_t> &t)
{
    std::map<uint32_t, std::string> m;
    size_t at = 0;
    while (at + 4 <= t.size()) {
        uint32_t id = zcLe32(&t[at]);
        at += 4;
        size_t e = at;
        while (e < t.size() && t[e])
            e++;
        if (!m.count(id))
            m[id] = std::string((const char *)t.data() + at, e - at);
        at = e + 1;
    }
    return m;
}

struct OutMarker {
    uint32_t cueId;
    int id;
    uint32_t pos, len;
};

std::vector<uint8_t> trailer(const ZWriter *w)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> cues, lens, notes, labels;
    for (const ZItem &it : w->items) {
        if (it.code == 40 && cues.empty()) cues = it.data;
        if (it.code == 41 && lens.empty()) lens = it.data;
        if (it.code == 42 && notes.empty()) notes = it.data;
        if (it.code == 43 && labels.empty()) labels = it.data;
    }
    std::map<uint32_t, uint32_t> lengthOf;
    for (size_t at = 0; at + 20 <= lens.size(); at += 20)
        lengthOf[zcLe32(&lens[at])] = zcLe32(&lens[at + 4]);
    std::map<uint32_t, std::string> labelOf = idTexts(labels), noteOf = idTexts(notes);

    /* Marker ids are positive 16-bit numbers: keep a cue's id when it is one, else the next
       free one. */
    std::vector<OutMarker> ms;
    std::map<int, int> used;
    for (size_t at = 0; at + 24 <= cues.size(); at += 24) {
        OutMarker m;
        m.cueId = zcLe32(&cues[at]);
        m.pos = zcLe32(&cues[at + 20]);
        m.len = lengthOf.count(m.cueId) ? lengthOf[m.cueId] : 0;
        m.id = (m.cueId >= 1 && m.cueId <= 32767 && !used.count((int)m.cueId)) ? (int)m.cueId : 0;
        if (m.id)
            used[m.id] = 1;
        ms.push_back(m);
    }
    int next = 1;
    auto freeId = [&]() {
        while (used.count(next))
            next++;
        used[next] = 1;
        return next;
    };
    for (OutMarker &m : ms)
        if (!m.id && next <= 32767)
            m.id = freeId();
    std::vector<std::pair<int, uint32_t>> ends;   /* hidden loop-end markers */
    int loopBegin[2] = {0, 0}, loopEnd[2] = {0, 0}, nLoops = 0;
    for (OutMarker &m : ms) {
        if (m.id && m.len && nLoops < 2 && used.size() < 32767) {
            int e = freeId();
            ends.push_back({e, m.pos + m.len});
            loopBegin[nLoops] = m.id;
            loopEnd[nLoops++] = e;
        }
    }
    if (!ms.empty()) {
        std::vector<uint8_t> b;
        uint16_t n = 0;
        for (const OutMarker &m : ms) {
            if (!m.id)
                continue;
            std::string name = labelOf.count(m.cueId) ? labelOf[m.cueId] : "";
            if (name.size() > 255)
                name.resize(255);
            be16(b, (uint16_t)m.id);
            be32(b, m.pos);
            b.push_back((uint8_t)name.size());
            b.insert(b.end(), name.begin(), name.end());
            if (!(name.size() & 1))
                b.push_back(0);
            n++;
        }
        for (const auto &e : ends) {
            be16(b, (uint16_t)e.first);
            be32(b, e.second);
            b.push_back(0);
            b.push_back(0);
            n++;
        }
        b.insert(b.begin(), {(uint8_t)(n >> 8), (uint8_t)n});
        chunk(out, "MARK", b);
    }
    if (nLoops) {
        std::vector<uint8_t> b = {60, 0, 0, 127, 1, 127, 0, 0};
        for (int k = 0; k < 2; k++) {
            be16(b, k < nLoops ? 1 : 0);
            be16(b, (uint16_t)loopBegin[k]);
            be16(b, (uint16_t)loopEnd[k]);
        }
        chunk(out, "INST", b);
    }
    if (!noteOf.empty()) {
        std::vector<uint8_t> b;
        uint16_t n = 0;
        for (const OutMarker &m : ms) {
            if (!m.id || !noteOf.count(m.cueId) || noteOf[m.cueId].empty())
                continue;
            std::string t = noteOf[m.cueId];
            if (t.size() > 65535)
                t.resize(65535);
            be32(b, 0);
            be16(b, (uint16_t)m.id);
            be16(b, (uint16_t)t.size());
            b.insert(b.end(), t.begin(), t.end());
            if (t.size() & 1)
                b.push_back(0);
            n++;
        }
        b.insert(b.begin(), {(uint8_t)(n >> 8), (uint8_t)n});
        if (n)
            chunk(out, "COMT", b);
    }
    for (const ZItem &it : w->items) {
        const char *id = it.code == 28 ? "NAME" : it.code == 20 ? "AUTH" : it.code == 22 ? "(c) "
                       : it.code == 21 ? "ANNO" : NULL;
        if (!id)
            continue;
        std::vector<uint8_t> t = zpText(it.data);
        if (!t.empty())
            chunk(out, id, t);
    }
    return out;
}

} // namespace

int aiffFinish(ZWriter *w)
{
    if (w->failed)
        return -1;
    if (w->dataBytes & 1) {
        uint8_t z = 0;
        zwRaw(w, &z, 1);
    }
    std::vector<uint8_t> t = trailer(w);
    zwRaw(w, t.data(), t.size());
    uint64_t ssnd = 8 + w->dataBytes;
    uint64_t total = w->dataStart + w->dataBytes + (w->dataBytes & 1) + t.size() - 8;
    uint8_t b[4];
    zcPutBe32(b, (uint32_t)(total > 0xFFFFFFFFu ? 0xFFFFFFFFu : total));
    zwPatch(w, 4, b, 4);
    zcPutBe32(b, w->frames);
    zwPatch(w, w->mark[0], b, 4);
    zcPutBe32(b, (uint32_t)(ssnd > 0xFFFFFFFFu ? 0xFFFFFFFFu : ssnd));
    zwPatch(w, w->mark[1], b, 4);
    return w->failed ? -1 : 0;
}
