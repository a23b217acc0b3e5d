/*
 * store_model.h - a plain byte-vector model of the block file and of the sample-access calls,
 * and the drivers that apply one operation to the real store and to the model and compare.
 * Shared by the differential test (operations from a seeded generator) and the fuzz target
 * (operations decoded from the fuzzer's bytes); both go through the same op builders.
 * Bytes that a seek past the end or an insert adds are undefined in the block file: the
 * model marks them unknown and never compares them.  The voc layer silences such gaps, so
 * its model has no unknown bytes at all.
 */
#ifndef ZELO_STORE_MODEL_H
#define ZELO_STORE_MODEL_H

#include "store/blockfile.h"
#include "store/voc.h"
#include "store_check.h"

#include <algorithm>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace storemodel {

/* Where the op builders take their choices from: a seeded generator or the fuzzer's bytes. */
struct Source {
    virtual ~Source() {}
    virtual uint32_t next(uint32_t bound) = 0;   /* 0..bound-1; bound 0 gives 0 */
};

struct Rng : Source {
    uint64_t s;
    explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t raw()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return (uint32_t)(s >> 16);
    }
    uint32_t next(uint32_t bound) override { return bound ? raw() % bound : 0; }
};

struct ByteSource : Source {
    const uint8_t *p;
    size_t n;
    ByteSource(const uint8_t *data, size_t size) : p(data), n(size) {}
    bool empty() const { return n == 0; }
    uint32_t next(uint32_t bound) override
    {
        uint32_t v = 0;
        for (int i = 0; i < 3 && n > 0; i++, p++, n--)
            v = (v << 8) | *p;
        return bound ? v % bound : 0;
    }
};

/* The same invariants as blockFileInvariants(), without its allocations and its pass over
   the whole table, so it can run after every step of a long sequence: no block appears twice
   in either list, the lists are disjoint and together hold every block (by count), the
   chain's used bytes add up to total, the position lies where current and offset say, and
   free blocks hold nothing.  With wholeFreeList false only the front of the free list is
   walked: it is last in, first out, so the blocks a step took or gave back are there.
   Returns "" or the first broken invariant. */
inline std::string quickInvariants(bool wholeFreeList = true)
{
    static uint32_t mark[BLOCKENTRIES];
    static uint32_t epoch = 0;
    epoch += 2;
    if (epoch == 0) {
        memset(mark, 0, sizeof mark);
        epoch = 2;
    }
    if (!BF.table)
        return "store closed";
    if (BF.head == 0)
        return "empty data chain";
    uint64_t sum = 0, before = 0;
    uint32_t chain = 0, freeCount = 0;
    bool foundCurrent = false;
    for (uint32_t b = BF.head; b != 0; b = BF.table[b].next) {
        if (b >= BLOCKENTRIES || mark[b] >= epoch)
            return "data chain loops or leaves the table at block " + std::to_string(b);
        mark[b] = epoch;
        chain++;
        if (BF.table[b].used > BLOCKSIZE)
            return "block " + std::to_string(b) + " overfull";
        if (b == BF.current) {
            foundCurrent = true;
            if (BF.offset > BF.table[b].used && BF.offset != 0)
                return "offset beyond used in current block";
            if (before + BF.offset != BF.position)
                return "position " + std::to_string(BF.position) + " != chain bytes before current + offset";
        }
        if (!foundCurrent)
            before += BF.table[b].used;
        sum += BF.table[b].used;
    }
    if (!foundCurrent)
        return "current block not in the data chain";
    if (sum != BF.total)
        return "total " + std::to_string(BF.total) + " != sum of used " + std::to_string(sum);
    for (uint32_t b = BF.freeHead; b != 0; b = BF.table[b].next) {
        if (b >= BLOCKENTRIES || mark[b] >= epoch)
            return "block " + std::to_string(b) + " on both lists or free list loops";
        mark[b] = epoch + 1;
        freeCount++;
        if (BF.table[b].used != 0)
            return "free block " + std::to_string(b) + " has used bytes";
        if (!wholeFreeList && freeCount == 64)
            return "";
    }
    if (chain + freeCount != BLOCKENTRIES - 1)
        return std::to_string(BLOCKENTRIES - 1 - chain - freeCount) + " blocks in neither list";
    return "";
}

/* Every step checks the chain and the front of the free list; every 16th step the whole
   free list; every `fullEvery` steps, and where a sequence ends, the shared checker too. */
inline std::string stepInvariants(uint32_t step, uint32_t fullEvery = 64)
{
    std::string bad = quickInvariants(step % 16 == 0);
    if (bad.empty() && step % fullEvery == 0)
        bad = blockFileInvariants();
    return bad;
}

/* Distinct, position-dependent bytes for every write, so a misplaced byte shows. */
inline void fillPattern(std::vector<uint8_t> &v, uint32_t n, uint32_t tag)
{
    v.resize(n);
    uint32_t x = tag * 2654435761u + 12345u;
    for (uint32_t i = 0; i < n; i++) {
        x = x * 1103515245u + 12345u;
        v[i] = (uint8_t)(x >> 23);
    }
}

/* Offsets that matter: the ends, block edges, and the room just past the end. */
inline int64_t pickOffset(Source &src, uint32_t size, bool allowPastEnd, bool allowNegative)
{
    uint32_t blocks = size / BLOCKSIZE + 1;
    switch (src.next(allowNegative ? 10 : 9)) {
    case 0: return 0;
    case 1: return size;
    case 2: return size ? size - 1 : 0;
    case 3: return 1 <= size ? 1 : 0;
    case 4: {
        int64_t edge = (int64_t)(1 + src.next(blocks)) * BLOCKSIZE + (int64_t)src.next(3) - 1;
        return edge <= size || allowPastEnd ? edge : size;
    }
    case 5: return allowPastEnd ? (int64_t)size + 1 + src.next(300) : size;
    case 9: return -(int64_t)(1 + src.next(400));
    default: return src.next(size + 1);
    }
}

/* Counts that matter: 0, 1, a block and its neighbours, small and large runs. */
inline uint32_t pickCount(Source &src, uint32_t largest)
{
    uint32_t c;
    switch (src.next(16)) {
    case 0: c = 0; break;
    case 1: c = 1; break;
    case 2: c = BLOCKSIZE - 1 + src.next(3); break;   /* 65279, 65280, 65281 */
    case 3: c = src.next(largest + 1); break;
    case 4: c = 2 * BLOCKSIZE + src.next(3) - 1; break;
    default: c = src.next(700); break;
    }
    return c < largest ? c : largest;
}

/* ------------------------------------------------------------------ block file ----------- */

enum BlockOpKind { B_SEEK, B_READ, B_WRITE, B_APPEND, B_INSERT, B_DELETE, B_SEEKEND, B_KINDS };

struct BlockOp {
    int kind;
    int64_t offset;     /* seek target or edit offset */
    int origin;         /* seek origin 0, 1, 2 */
    int rewind;
    uint32_t count;
};

class BlockDiff {
public:
    std::vector<uint8_t> data, known;
    uint32_t pos = 0;
    uint32_t tag = 0;
    uint32_t steps = 0;
    uint32_t cap;            /* the generator steers the size below this */
    std::vector<uint8_t> buf, back;

    explicit BlockDiff(uint32_t capBytes) : cap(capBytes) {}

    uint32_t size() const { return (uint32_t)data.size(); }

    BlockOp make(Source &src) const
    {
        BlockOp op = {};
        uint32_t sz = size();
        int k = (int)src.next(B_KINDS + 2);
        if (k >= B_KINDS)
            k = sz > cap ? B_DELETE : B_READ;
        if (sz > cap && (k == B_WRITE || k == B_APPEND || k == B_INSERT || k == B_SEEKEND))
            k = B_DELETE;
        op.kind = k;
        switch (k) {
        case B_SEEK:
            op.origin = (int)src.next(3);
            op.rewind = (int)src.next(2);
            op.offset = pickOffset(src, sz, false, false);
            if (op.origin == 1)
                op.offset -= pos;   /* relative: the same targets, reached from here */
            else if (op.origin == 2)
                op.offset = (int64_t)sz - op.offset;
            break;
        case B_SEEKEND:
            op.origin = (int)src.next(2) * 2;   /* from the start or back from the end */
            op.offset = (int64_t)sz + 1 + src.next(src.next(4) ? 300 : 70000);
            if (op.origin == 2)
                op.offset = (int64_t)sz - op.offset;
            break;
        case B_READ:
        case B_WRITE:
        case B_APPEND:
            op.offset = pickOffset(src, sz, false, false);
            op.count = pickCount(src, 65535);
            break;
        case B_INSERT:
            op.offset = pickOffset(src, sz, true, false);
            op.count = pickCount(src, 200000);
            break;
        case B_DELETE:
            op.offset = pickOffset(src, sz, true, false);
            op.count = pickCount(src, 200000);
            if (sz > cap && src.next(2))
                op.count = sz / 2;
            break;
        }
        return op;
    }

    std::string fail(const BlockOp &op, const std::string &what) const
    {
        char head[160];
        snprintf(head, sizeof head, "op %d offset %lld origin %d rewind %d count %u (size %u pos %u): ",
                 op.kind, (long long)op.offset, op.origin, op.rewind, op.count, size(), pos);
        return head + what;
    }

    /* Applies op to the store and to the model; "" when both agree afterwards. */
    std::string apply(const BlockOp &op)
    {
        switch (op.kind) {
        case B_SEEK:
        case B_SEEKEND: {
            int64_t target = op.origin == 0 ? op.offset
                           : op.origin == 1 ? (int64_t)pos + op.offset
                                            : (int64_t)size() - op.offset;
            uint32_t got = bseek((int32_t)op.offset, op.origin, op.rewind);
            if ((int64_t)got != target)
                return fail(op, "seek returned " + std::to_string(got));
            seekModel((uint32_t)target);
            break;
        }
        case B_READ: {
            bseek((int32_t)op.offset, 0, 0);
            seekModel((uint32_t)op.offset);
            buf.assign(op.count, 0x66);
            uint16_t got = bread(buf.data(), (uint16_t)op.count);
            uint32_t want = std::min<uint32_t>(op.count, size() - pos);
            if (got != want)
                return fail(op, "read gave " + std::to_string(got) + " not " + std::to_string(want));
            for (uint32_t i = 0; i < got; i++)
                if (known[pos + i] && buf[i] != data[pos + i])
                    return fail(op, "byte " + std::to_string(pos + i) + " differs");
            for (uint32_t i = got; i < op.count; i++)
                if (buf[i] != 0x66)
                    return fail(op, "read wrote past what it delivered");
            pos += got;
            break;
        }
        case B_WRITE:
        case B_APPEND: {
            if (op.kind == B_APPEND) {
                bseek(0, 2, 0);
                pos = size();
            } else {
                bseek((int32_t)op.offset, 0, 0);
                seekModel((uint32_t)op.offset);
            }
            fillPattern(buf, op.count, ++tag);
            uint16_t put = bwrite(buf.data(), (uint16_t)op.count);
            if (put != op.count)
                return fail(op, "write took " + std::to_string(put));
            if (pos + op.count > size()) {
                data.resize(pos + op.count);
                known.resize(pos + op.count);
            }
            if (op.count) {
                memcpy(data.data() + pos, buf.data(), op.count);
                memset(known.data() + pos, 1, op.count);
            }
            pos += op.count;
            break;
        }
        case B_INSERT: {
            uint32_t off = (uint32_t)op.offset;
            uint32_t room = binsert(off, op.count);
            if (room != op.count)
                return fail(op, "insert gave room " + std::to_string(room));
            if (op.count == 0)
                break;   /* nothing happens, not even the seek */
            seekModel(off);
            data.insert(data.begin() + off, op.count, 0);
            known.insert(known.begin() + off, op.count, 0);
            /* The position ends inside the room: after the current block's part and the new
               whole blocks, before the overflow block's front. */
            if (BF.position < off || BF.position > off + op.count)
                return fail(op, "position " + std::to_string(BF.position) + " outside the room");
            pos = BF.position;
            break;
        }
        case B_DELETE: {
            uint32_t off = (uint32_t)op.offset;
            uint32_t gone = bdelete(off, op.count);
            uint32_t want = off >= size() ? 0 : std::min<uint32_t>(op.count, size() - off);
            if (gone != want)
                return fail(op, "deleted " + std::to_string(gone) + " not " + std::to_string(want));
            if (off < size()) {
                data.erase(data.begin() + off, data.begin() + off + want);
                known.erase(known.begin() + off, known.begin() + off + want);
                pos = off;
            }
            break;
        }
        }
        return check(op);
    }

    std::string check(const BlockOp &op)
    {
        if (BF.total != size())
            return fail(op, "total " + std::to_string(BF.total) + " != model " + std::to_string(size()));
        if (BF.position != pos)
            return fail(op, "position " + std::to_string(BF.position) + " != model " + std::to_string(pos));
        std::string inv = stepInvariants(++steps);
        return inv.empty() ? inv : fail(op, inv);
    }

    /* Reads the whole store back through bread and compares every known byte. */
    std::string compareAll()
    {
        back.assign(size(), 0x66);
        bseek(0, 0, 1);
        uint32_t done = 0;
        while (done < size()) {
            uint16_t n = (uint16_t)std::min<uint32_t>(size() - done, 65535);
            uint16_t got = bread(back.data() + done, n);
            if (got != n)
                return "full read stopped at " + std::to_string(done + got);
            done += got;
        }
        pos = done;
        for (uint32_t i = 0; i < size(); i++)
            if (known[i] && back[i] != data[i])
                return "full read: byte " + std::to_string(i) + " differs";
        if (BF.position != pos)
            return "position after full read";
        return blockFileInvariants();
    }

private:
    void seekModel(uint32_t target)
    {
        if (target > size()) {
            data.resize(target, 0);
            known.resize(target, 0);
        }
        pos = target;
    }
};

/* ------------------------------------------------------------------ voc calls ------------ */

enum VocOpKind {
    V_READ, V_READSINGLE, V_READ8TO16, V_READSINGLE8TO16, V_WRITE, V_WRITESINGLE,
    V_WRITE16TO8, V_WRITESINGLE16TO8, V_INSERT, V_INSERT16TO8, V_CUT, V_CUT16TO8,
    V_APPEND, V_READSINGLECLEAR, V_KINDS
};

struct VocOp {
    int kind;
    int32_t offset;
    uint32_t count;
};

class VocDiff {
public:
    std::vector<uint8_t> data;
    uint32_t tag = 0;
    uint32_t steps = 0;
    uint32_t cap;
    std::vector<uint8_t> buf, want;
    std::vector<int16_t> words, wantWords;

    explicit VocDiff(uint32_t capBytes) : cap(capBytes) {}

    uint32_t size() const { return (uint32_t)data.size(); }
    uint8_t silence() const { return Wave.bitsPerSample == 8 ? 0x80 : 0x00; }
    bool stereo() const { return Wave.channels == 2; }

    VocOp make(Source &src) const
    {
        VocOp op = {};
        uint32_t sz = size();
        op.kind = (int)src.next(V_KINDS);
        bool grows = op.kind == V_WRITE || op.kind == V_WRITESINGLE || op.kind == V_WRITE16TO8 ||
                     op.kind == V_WRITESINGLE16TO8 || op.kind == V_INSERT || op.kind == V_INSERT16TO8 ||
                     op.kind == V_APPEND;
        if (grows && sz > cap)
            op.kind = src.next(2) ? V_CUT : V_CUT16TO8;
        bool single = op.kind == V_READSINGLE || op.kind == V_READSINGLE8TO16 ||
                      op.kind == V_WRITESINGLE || op.kind == V_WRITESINGLE16TO8 ||
                      op.kind == V_READSINGLECLEAR;
        bool wide = op.kind == V_READ8TO16 || op.kind == V_READSINGLE8TO16 ||
                    op.kind == V_WRITE16TO8 || op.kind == V_WRITESINGLE16TO8 ||
                    op.kind == V_INSERT16TO8 || op.kind == V_CUT16TO8;
        /* Offsets in the units of the call: one channel's stream, or 16-bit data. */
        uint32_t unitSize = single && stereo() ? sz / 2 : sz;
        if (wide)
            unitSize *= 2;
        int64_t off = pickOffset(src, unitSize, true, true);
        uint32_t largest = 100000;
        if (op.kind == V_INSERT || op.kind == V_INSERT16TO8 || op.kind == V_CUT || op.kind == V_CUT16TO8)
            largest = 200000;
        op.count = pickCount(src, largest);
        if (sz > cap && (op.kind == V_CUT || op.kind == V_CUT16TO8) && src.next(2)) {
            off = 0;
            op.count = wide ? sz : sz / 2;
        }
        /* One-channel positions fall on sample boundaries, as every caller's do. */
        uint32_t bps = Wave.bitsPerSample / 8u;
        if (single && off > 0 && bps == 2 && stereo())
            off &= ~(int64_t)(wide ? 3 : 1);
        op.offset = (int32_t)off;
        return op;
    }

    std::string fail(const VocOp &op, const std::string &what) const
    {
        char head[200];
        snprintf(head, sizeof head, "voc op %d offset %d count %u (%u-bit %s, edit channel %d, size %u): ",
                 op.kind, op.offset, op.count, Wave.bitsPerSample, stereo() ? "stereo" : "mono",
                 Wave.editChannel, size());
        return head + what;
    }

    /* ---- the model of each call ---- */

    void modelRead(uint8_t *out, int32_t offset, uint32_t count) const
    {
        if (count == 0)
            return;
        int64_t lo = offset, hi = (int64_t)offset + count;
        int64_t from = std::max<int64_t>(lo, 0), to = std::min<int64_t>(hi, size());
        memset(out, silence(), count);
        if (from < to)
            memcpy(out + (from - lo), data.data() + from, (size_t)(to - from));
    }

    /* Interleaved index of byte p of the edited channel's stream. */
    int64_t channelByte(int64_t p) const
    {
        if (!stereo())
            return p;
        uint32_t bps = Wave.bitsPerSample / 8u, ch = Wave.editChannel == 2 ? 1 : 0;
        return (2 * (p / bps) + ch) * bps + p % bps;
    }

    void modelReadSingle(uint8_t *out, int32_t offset, uint32_t count, bool clear)
    {
        for (uint32_t i = 0; i < count; i++) {
            int64_t p = (int64_t)offset + i;
            if (p < 0) {
                out[i] = silence();
                continue;
            }
            int64_t at = channelByte(p);
            if (at < (int64_t)size()) {
                out[i] = data[(size_t)at];
                if (clear)
                    data[(size_t)at] = silence();
            } else {
                out[i] = silence();
            }
        }
    }

    void padTo(uint32_t end)
    {
        if (end > size())
            data.resize(end, silence());
    }

    void modelWrite(const uint8_t *in, int32_t offset, uint32_t count)
    {
        if (offset < 0) {
            uint32_t skip = std::min<uint32_t>((uint32_t)-(int64_t)offset, count);
            in += skip;
            count -= skip;
            offset = 0;
        }
        if (count == 0)
            return;
        padTo((uint32_t)offset + count);
        memcpy(&data[(size_t)offset], in, count);
    }

    void modelWriteSingle(const uint8_t *in, int32_t offset, uint32_t count)
    {
        if (!stereo()) {
            modelWrite(in, offset, count);
            return;
        }
        if (offset < 0) {
            uint32_t skip = std::min<uint32_t>((uint32_t)-(int64_t)offset, count);
            in += skip;
            count -= skip;
            offset = 0;
        }
        if (count == 0)
            return;
        uint32_t bps = Wave.bitsPerSample / 8u;
        padTo(2 * (((uint32_t)offset + count + bps - 1) / bps * bps));
        for (uint32_t j = 0; j < count; j++)
            data[(size_t)channelByte((int64_t)offset + j)] = in[j];
    }

    void modelInsert(int32_t offset, uint32_t count)
    {
        if (offset < 0)
            offset = 0;
        padTo((uint32_t)offset);
        data.insert(data.begin() + offset, count, silence());
    }

    void modelCut(int32_t offset, uint32_t count)
    {
        if (offset < 0) {
            count -= std::min<uint32_t>((uint32_t)-(int64_t)offset, count);
            offset = 0;
        }
        if ((uint32_t)offset >= size())
            return;
        uint32_t n = std::min<uint32_t>(count, size() - (uint32_t)offset);
        data.erase(data.begin() + offset, data.begin() + offset + n);
    }

    static int32_t half(int32_t v) { return v < 0 ? v / 2 : (int32_t)((uint32_t)v / 2); }

    std::string compareBytes(const VocOp &op, const uint8_t *got, const uint8_t *exp, uint32_t n) const
    {
        if (memcmp(got, exp, n) == 0)
            return "";
        for (uint32_t i = 0; i < n; i++)
            if (got[i] != exp[i])
                return fail(op, "output byte " + std::to_string(i) + " is " + std::to_string(got[i]) +
                                " not " + std::to_string(exp[i]));
        return "";
    }

    /* Applies op to the store and to the model; "" when both agree afterwards. */
    std::string apply(const VocOp &op)
    {
        short r = 0;
        std::string bad;
        uint32_t n = op.count;
        switch (op.kind) {
        case V_READ:
            buf.assign(n + 1, 0x66);
            want.assign(n + 1, 0x66);
            r = vocRead(buf.data(), op.offset, n);
            modelRead(want.data(), op.offset, n);
            bad = compareBytes(op, buf.data(), want.data(), n + 1);
            break;
        case V_READSINGLE:
        case V_READSINGLECLEAR:
            buf.assign(n + 1, 0x66);
            want.assign(n + 1, 0x66);
            r = op.kind == V_READSINGLE ? vocReadSingle(buf.data(), op.offset, n)
                                        : vocReadSingleClear(buf.data(), op.offset, n);
            modelReadSingle(want.data(), op.offset, n, op.kind == V_READSINGLECLEAR);
            bad = compareBytes(op, buf.data(), want.data(), n + 1);
            break;
        case V_READ8TO16:
        case V_READSINGLE8TO16: {
            uint32_t w = n / 2;
            words.assign(w + 1, 0x6666);
            wantWords.assign(w + 1, 0x6666);
            r = op.kind == V_READ8TO16 ? vocRead8to16(words.data(), op.offset, n)
                                       : vocReadSingle8to16(words.data(), op.offset, n);
            want.assign(w, 0);
            if (op.kind == V_READ8TO16)
                modelRead(want.data(), op.offset / 2, w);
            else
                modelReadSingle(want.data(), op.offset / 2, w, false);
            for (uint32_t i = 0; i < w; i++)
                wantWords[i] = (int16_t)(((int)want[i] - 128) * 256);
            for (uint32_t i = 0; i <= w && bad.empty(); i++)
                if (words[i] != wantWords[i])
                    bad = fail(op, "word " + std::to_string(i) + " is " + std::to_string(words[i]));
            break;
        }
        case V_WRITE:
        case V_WRITESINGLE:
        case V_APPEND:
            fillPattern(buf, n, ++tag);
            if (op.kind == V_WRITE) {
                r = vocWriteAt(buf.data(), op.offset, n);
                modelWrite(buf.data(), op.offset, n);
            } else if (op.kind == V_WRITESINGLE) {
                r = vocWriteAtSingle(buf.data(), op.offset, n);
                modelWriteSingle(buf.data(), op.offset, n);
            } else {
                r = vocAppend(buf.data(), n);
                modelWrite(buf.data(), (int32_t)size(), n);
            }
            break;
        case V_WRITE16TO8:
        case V_WRITESINGLE16TO8: {
            uint32_t w = n / 2;
            fillPattern(buf, 2 * w, ++tag);
            words.resize(w + 1);
            if (w)
                memcpy(words.data(), buf.data(), 2 * w);
            want.resize(w);
            for (uint32_t i = 0; i < w; i++)
                want[i] = (uint8_t)((words[i] >> 8) + 128);
            if (op.kind == V_WRITE16TO8) {
                r = vocWriteAt16to8(words.data(), op.offset, n);
                modelWrite(want.data(), op.offset / 2, w);
            } else {
                r = vocWriteAtSingle16to8(words.data(), op.offset, n);
                modelWriteSingle(want.data(), op.offset / 2, w);
            }
            break;
        }
        case V_INSERT:
            r = vocInsertBlank(op.offset, n);
            modelInsert(op.offset, n);
            break;
        case V_INSERT16TO8:
            r = vocInsertBlank16to8(op.offset, n);
            modelInsert(half(op.offset), n / 2);
            break;
        case V_CUT:
            r = vocCut(op.offset, n);
            modelCut(op.offset, n);
            break;
        case V_CUT16TO8:
            r = vocCut16to8(op.offset, n);
            modelCut(half(op.offset), n / 2);
            break;
        }
        if (r != 0)
            return fail(op, "result " + std::to_string(r));
        if (!bad.empty())
            return bad;
        if (BF.total != size())
            return fail(op, "total " + std::to_string(BF.total) + " != model " + std::to_string(size()));
        if (Wave.dataLength != size())
            return fail(op, "data length " + std::to_string(Wave.dataLength) + " != model " +
                                std::to_string(size()));
        std::string inv = stepInvariants(++steps);
        return inv.empty() ? inv : fail(op, inv);
    }

    std::string compareAll()
    {
        buf.assign(size(), 0x66);
        if (size() && vocRead(buf.data(), 0, size()) != 0)
            return "full read failed";
        for (uint32_t i = 0; i < size(); i++)
            if (buf[i] != data[i])
                return "full read: byte " + std::to_string(i) + " differs";
        return blockFileInvariants();
    }
};

/* Sets up a voc sequence's format from two choices: 8/16-bit x mono/stereo, edit channel. */
inline void vocFormatFrom(Source &src)
{
    unsigned f = src.next(4);
    vocSetFormat(f & 1 ? 2 : 1, f & 2 ? 16 : 8, 0);
    Wave.editChannel = (int)src.next(3);
    Wave.pass = 0;
    Wave.passes = 1;
}

} // namespace storemodel

#endif
