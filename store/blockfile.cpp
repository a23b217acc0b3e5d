/*
 * blockfile.cpp - the block file: link table, free list, one-block cache and stream calls.
 *
 * Invariants (checked by the tests after every step):
 *   1. total == sum of used over the data chain          (bseek, bwrite, bdelete, binsert)
 *   2. position == bytes of the chain before current + offset        (every stream call)
 *   3. the data chain keeps at least one block, possibly empty        (bopen, bdelete)
 *   4. every block 1..16382 is in exactly one of the data chain and the free list
 *                                                              (balloc, bfree, bdelete)
 *   5. a block on the free list has used == 0                         (balloc, bfree)
 *   6. the cache holds the file's bytes of block `cached`: a write copies what the file
 *      took into it (fileWrite); bdelete and binsert forget it
 *   8. while chainValid, the chain index lists the data chain with each block's first byte
 *      (anything that changes a link or a length forgets it)
 *   7. binsert and bdelete move bytes inside a block before they change any link or length;
 *      when the file refuses them, the links, lengths and bytes stay as they were
 *      (moveInBlock), the user is told and writeFailed is set
 * Message boxes pump messages, and whatever runs there may use the store: a call shows one
 * only where the state is whole, and relies on no position afterwards.
 * Block b occupies file bytes (b - 1) * BLOCKSIZE up to b * BLOCKSIZE; the file has no header.
 */
#include "store/blockfile.h"

#include <stdio.h>
#include <string.h>

BlockFileState BF = {OS_NOFILE, NULL, 0, 0, 0, 0, 0, 0, NULL, 0, 0};
BlockFileHooks BFHooks = {NULL, NULL};

#define T(b) BF.table[(b)]

/* Reads of at least this much inside one block go straight to the caller's buffer: the
   block cache is for the small reads of painting, not for streaming through the wave. */
#define DIRECT_READ 16384u

static uint32_t min32(uint32_t a, uint32_t b) { return a < b ? a : b; }

static int64_t blockPlace(uint16_t b, uint32_t off)
{
    return (int64_t)(b - 1) * BLOCKSIZE + off;
}

/* Reads n bytes of block b at off from the file; bytes the file does not hold (room that
   was never written) read as zero.  Returns 0 ok, 1 when there is no file. */
static int fileRead(uint16_t b, uint32_t off, void *dst, uint32_t n)
{
    long got = osReadAt(BF.file, blockPlace(b, off), dst, n);
    if (got < 0)
        got = 0;
    if ((uint32_t)got < n)
        memset((uint8_t *)dst + got, 0, n - (uint32_t)got);
    return BF.file == OS_NOFILE ? 1 : 0;
}

/* Writes n bytes into block b at off; returns the bytes the file took.  The cache keeps
   holding the file's bytes of its block: what the file took is copied there too. */
static uint32_t fileWrite(uint16_t b, uint32_t off, const void *src, uint32_t n)
{
    if (n == 0)
        return 0;
    long put = osWriteAt(BF.file, blockPlace(b, off), src, n);
    if (put <= 0)
        return 0;
    if (b == BF.cached)
        memcpy(BF.cache + off, src, (size_t)put);
    return (uint32_t)put;
}

/* Writes n bytes from block b at off on into block b + 1, which follows it in the file;
   returns the bytes the file took, copied into the cache too where it holds either block. */
static uint32_t fileWriteRun(uint16_t b, uint32_t off, const void *src, uint32_t n)
{
    long put = osWriteAt(BF.file, blockPlace(b, off), src, n);
    if (put <= 0)
        return 0;
    uint32_t first = min32((uint32_t)put, BLOCKSIZE - off);
    if (b == BF.cached)
        memcpy(BF.cache + off, src, first);
    if (b + 1 == BF.cached && (uint32_t)put > first)
        memcpy(BF.cache, (const uint8_t *)src + first, (uint32_t)put - first);
    return (uint32_t)put;
}

/* ---- the chain index: where each block of the data chain starts ----
   Seeking forward walks the links from the current block; seeking backward past the current
   block's start would walk from the head, which makes a long backward sweep (Reverse, or a
   read-modify-write loop) quadratic.  The index lists the chain in order with each block's
   first byte; it is rebuilt on the first backward seek after anything changed a link or a
   length, and forgotten (chainValid 0) by every such change. */
static uint16_t *chainBlock;   /* BLOCKENTRIES entries while open; NULL: no index */
static uint32_t *chainStart;
static uint32_t  chainCount;
static int       chainValid;

static void chainForget(void) { chainValid = 0; }

static int chainBuild(void)
{
    if (!chainBlock || !chainStart)
        return 0;
    uint32_t n = 0, at = 0;
    for (uint16_t b = BF.head; b != 0 && n < BLOCKENTRIES; b = T(b).next) {
        chainBlock[n] = b;
        chainStart[n] = at;
        at += T(b).used;
        n++;
    }
    chainCount = n;
    chainValid = n > 0 && at == BF.total;
    return chainValid;
}

/* Places the stream at target (< total) through the index: the first block whose bytes reach
   target, as a walk from the head would leave it.  0 when there is no usable index. */
static int chainSeek(uint32_t target)
{
    if (!chainValid && !chainBuild())
        return 0;
    uint32_t lo = 0, hi = chainCount - 1;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (chainStart[mid] + T(chainBlock[mid]).used >= target)
            hi = mid;
        else
            lo = mid + 1;
    }
    BF.current = chainBlock[lo];
    BF.offset = (uint16_t)(target - chainStart[lo]);
    BF.position = target;
    return 1;
}

int bopen(const char *path)
{
    if (BF.table)
        bclose();
    BF.table = (BlockLink *)osAlloc(sizeof(BlockLink) * BLOCKENTRIES);
    if (!BF.table)
        return 1;
    BF.cache = (uint8_t *)osAlloc(BLOCKSIZE);
    /* Without the index backward seeks walk from the head: slower, still right. */
    chainBlock = (uint16_t *)osAlloc(sizeof(uint16_t) * BLOCKENTRIES);
    chainStart = (uint32_t *)osAlloc(sizeof(uint32_t) * BLOCKENTRIES);
    chainForget();
    if (!BF.cache) {
        /* Without the cache bread has nowhere to load a block: treat it as a failed open. */
        osFree(BF.table);
        BF.table = NULL;
        return 1;
    }
    T(0).next = 0;
    T(0).used = 0;
    for (uint32_t i = 1; i < BLOCKENTRIES; i++) {
        T(i).used = 0;
        T(i).next = (uint16_t)(i + 1 < BLOCKENTRIES ? i + 1 : 0);
    }
    T(1).next = 0;
    BF.head = 1;
    BF.freeHead = 2;
    BF.total = 0;
    BF.position = 0;
    BF.current = 1;
    BF.offset = 0;
    BF.cached = 0;
    BF.file = osCreateTemp(path);
    return 0;
}

void bclose(void)
{
    osFree(chainBlock);
    osFree(chainStart);
    chainBlock = NULL;
    chainStart = NULL;
    chainForget();
    osClose(BF.file);
    BF.file = OS_NOFILE;
    osFree(BF.table);
    osFree(BF.cache);
    BF.table = NULL;
    BF.cache = NULL;
    BF.head = BF.freeHead = BF.current = BF.offset = BF.cached = 0;
    BF.total = BF.position = 0;
}

uint16_t balloc(void)
{
    if (!BF.table)
        return 0;
    if (BF.freeHead == 0) {
        osMessage("Out of free list space", "Hey!!!", OS_MB_OK | OS_MB_ICONINFORMATION);
        return 0;
    }
    uint16_t b = BF.freeHead;
    BF.freeHead = T(b).next;
    T(b).next = 0;
    T(b).used = 0;
    return b;
}

void bfree(uint16_t b)
{
    if (b == 0) {
        osDebug("Cannot free zero block\n");
        return;
    }
    if (!BF.table || b >= BLOCKENTRIES)
        return;
    T(b).used = 0;
    T(b).next = BF.freeHead;
    BF.freeHead = b;
}

uint32_t bseek(int32_t offset, int origin, int rewind)
{
    if (!BF.table)
        return 0;
    uint32_t target;
    if (origin == 0)
        target = (uint32_t)offset;
    else if (origin == 1)
        target = BF.position + (uint32_t)offset;
    else
        target = BF.total - (uint32_t)offset;

    uint32_t remaining;
    if (!rewind && target > BF.position && target - BF.position > 2 * BLOCKSIZE && target < BF.total &&
        chainSeek(target)) {
        return BF.position;   /* a long way ahead: the index instead of the links */
    } else if (target >= BF.position && !rewind) {
        remaining = target - BF.position;
    } else if (!rewind && (target > BF.position - BF.offset || BF.position == BF.offset)) {
        /* Back inside the current block (its first byte is the end of the block before,
           where a walk from the head would stop). */
        BF.offset = (uint16_t)(BF.offset - (BF.position - target));
        BF.position = target;
        return BF.position;
    } else if (!rewind && target < BF.total && chainSeek(target)) {
        return BF.position;
    } else {
        BF.current = BF.head;
        BF.offset = 0;
        BF.position = 0;
        remaining = target;
    }
    while (remaining > 0) {
        BlockLink *c = &T(BF.current);
        uint32_t n = min32((uint32_t)c->used - BF.offset, remaining);
        BF.offset = (uint16_t)(BF.offset + n);
        BF.position += n;
        remaining -= n;
        if (remaining > 0 && BF.position >= BF.total && c->used < BLOCKSIZE) {
            /* Past the data: the walk grows the last block. */
            chainForget();
            n = min32(BLOCKSIZE - BF.offset, remaining);
            c->used = (uint16_t)(c->used + n);
            BF.offset = (uint16_t)(BF.offset + n);
            BF.position += n;
            BF.total += n;
            remaining -= n;
        }
        if (remaining == 0)
            break;
        if (c->next == 0) {
            uint16_t nb = balloc();
            if (nb == 0)
                break;
            T(BF.current).next = nb;
            chainForget();
        }
        BF.current = T(BF.current).next;
        BF.offset = 0;
    }
    return BF.position;
}

uint16_t bread(void *dst, uint16_t count)
{
    uint8_t *out = (uint8_t *)dst;
    uint32_t remaining = count, delivered = 0;
    int crossed = 0;   /* the read went on from one block into the next */
    if (!BF.table || BF.file == OS_NOFILE)
        return 0;
    if (BF.current == 0) {
        osDebug("ERROR: current==0 in bread()\n");
        return 0;
    }
    if (remaining == 0)
        return 0;
    if (BF.current == BF.cached) {
        BlockLink *c = &T(BF.current);
        uint32_t n = min32((uint32_t)c->used - BF.offset, remaining);
        memcpy(out, BF.cache + BF.offset, n);
        out += n;
        BF.offset = (uint16_t)(BF.offset + n);
        BF.position += n;
        delivered += n;
        remaining -= n;
        if (remaining == 0 || BF.position >= BF.total)
            return (uint16_t)delivered;
        if (c->next == 0) {
            BF.cached = 0;
            return (uint16_t)delivered;
        }
        BF.current = c->next;
        BF.offset = 0;
        crossed = 1;
    }
    for (;;) {
        BlockLink *c = &T(BF.current);
        uint32_t n = min32((uint32_t)c->used - BF.offset, remaining);
        /* The cache takes a block for small reads inside it; the tail of a read that
           streamed through earlier blocks goes straight to the caller too. */
        if (n == remaining && (BF.current == BF.cached || (n < DIRECT_READ && !crossed))) {
            if (BF.current != BF.cached) {
                BF.cached = 0;
                fileRead(BF.current, 0, BF.cache, BLOCKSIZE);
                BF.cached = BF.current;
            }
            memcpy(out, BF.cache + BF.offset, n);
        } else if (n > 0) {
            fileRead(BF.current, BF.offset, out, n);
        }
        out += n;
        BF.offset = (uint16_t)(BF.offset + n);
        BF.position += n;
        delivered += n;
        remaining -= n;
        if (remaining == 0 || BF.position >= BF.total || c->next == 0)
            break;
        BF.current = c->next;
        BF.offset = 0;
        crossed = 1;
    }
    return (uint16_t)delivered;
}

uint16_t bwrite(const void *src, uint16_t count)
{
    return (uint16_t)bwriteLong(src, count);
}

uint32_t bwriteLong(const void *src, uint32_t count)
{
    const uint8_t *in = (const uint8_t *)src;
    uint32_t remaining = count, written = 0;
    if (!BF.table || BF.file == OS_NOFILE || count == 0)
        return 0;
    for (;;) {
        BlockLink *c = &T(BF.current);
        uint32_t n = min32((uint32_t)c->used - BF.offset, remaining);
        uint32_t put = fileWrite(BF.current, BF.offset, in, n);
        BF.offset = (uint16_t)(BF.offset + put);
        BF.position += put;
        written += put;
        remaining -= put;
        in += put;
        if (put < n)
            break;
        if (remaining > 0 && BF.position >= BF.total && c->used < BLOCKSIZE && c->next == 0 &&
            remaining > BLOCKSIZE - BF.offset && BF.freeHead == BF.current + 1) {
            /* Appending past the last block into the one the free list hands out next,
               which follows it in the file: one write for both. */
            n = BLOCKSIZE - BF.offset;
            uint32_t spill = min32(remaining - n, BLOCKSIZE);
            put = fileWriteRun(BF.current, BF.offset, in, n + spill);
            uint32_t here = min32(put, n);
            c->used = (uint16_t)(c->used + here);
            chainForget();
            BF.total += put;
            BF.position += put;
            written += put;
            remaining -= put;
            in += put;
            if (put <= n) {
                BF.offset = (uint16_t)(BF.offset + here);
                if (put < n + spill)
                    break;
                continue;
            }
            uint16_t nb = balloc();   /* BF.current + 1 */
            T(BF.current).next = nb;
            T(nb).used = (uint16_t)(put - n);
            BF.current = nb;
            BF.offset = (uint16_t)(put - n);
            if (put < n + spill || remaining == 0)
                break;
            continue;
        }
        if (remaining > 0 && BF.position >= BF.total && c->used < BLOCKSIZE) {
            n = min32(BLOCKSIZE - BF.offset, remaining);
            put = fileWrite(BF.current, BF.offset, in, n);
            c->used = (uint16_t)(c->used + put);
            chainForget();
            BF.total += put;
            BF.offset = (uint16_t)(BF.offset + put);
            BF.position += put;
            written += put;
            remaining -= put;
            in += put;
            if (put < n)
                break;
        }
        if (remaining == 0)
            break;
        if (c->next == 0) {
            uint16_t nb = balloc();
            if (nb == 0)
                break;
            T(BF.current).next = nb;
            chainForget();
        }
        BF.current = T(BF.current).next;
        BF.offset = 0;
    }
    return written;
}

/* Drops every empty block from the chain but the last, which always stays. */
static void unlinkEmptyBlocks(void)
{
    chainForget();
    uint16_t prev = 0, b = BF.head;
    while (T(b).next != 0) {
        uint16_t nb = T(b).next;
        if (T(b).used == 0) {
            if (prev == 0)
                BF.head = nb;
            else
                T(prev).next = nb;
            bfree(b);
        } else {
            prev = b;
        }
        b = nb;
    }
}

/* Moves n bytes of a block inside it: buf holds the block's used bytes as read, and the
   bytes from src land at dst.  A short write (a full disk refuses the room past used that
   the file never held) puts the overwritten bytes the block holds back from buf: those the
   file already has room for, so the put-back does not need the disk that just filled.
   Returns 0 done, 1 failed with the block as it was, 2 failed and the bytes could not be put
   back either. */
static int moveInBlock(uint16_t b, const uint8_t *buf, uint32_t used,
                       uint32_t src, uint32_t dst, uint32_t n)
{
    uint32_t put = fileWrite(b, dst, buf + src, n);
    if (put == n)
        return 0;
    uint32_t live = dst < used ? min32(put, used - dst) : 0;
    if (live > 0 && fileWrite(b, dst, buf + dst, live) < live)
        return 2;
    return 1;
}

static void tellWriteFailed(int damaged, const char *what)
{
    char text[240];
    snprintf(text, sizeof text,
             "The temporary file could not be written (the disk may be full).  Nothing was %s%s",
             what, damaged ? ", but some samples at the edit point may be damaged."
                           : ": the sound is as it was.");
    osMessage(text, "Out of Space", OS_MB_OK | OS_MB_ICONEXCLAMATION);
    BF.writeFailed = 1;   /* after the box: a store call run in its pump clears the flag */
}

uint32_t bdelete(uint32_t offset, uint32_t count)
{
    BF.writeFailed = 0;
    if (!BF.table)
        return 0;
    uint8_t *buf = (uint8_t *)osAlloc(BLOCKSIZE);
    if (!buf) {
        osDebug("Couldn't alloc BLOCKSIZE\n");
        return 0;
    }
    /* Nothing lies at or past the end; seeking there would lengthen the data instead. */
    if (offset >= BF.total) {
        osFree(buf);
        return 0;
    }
    if (count == 0) {
        osFree(buf);
        bseek((int32_t)offset, 0, 1);
        return 0;
    }
    bseek((int32_t)offset, 0, 0);
    BlockLink *c = &T(BF.current);
    uint32_t o = BF.offset, tail = (uint32_t)c->used - o, deleted = 0;
    /* The bytes move first; links and lengths change only once the file has them. */
    int failed = 0;
    if (tail <= count) {
        /* The first block that keeps some of its bytes is shortened at its front. */
        uint32_t remaining = count - tail;
        uint16_t b = c->next;
        while (remaining > 0 && b != 0 && T(b).used <= remaining) {
            remaining -= T(b).used;
            b = T(b).next;
        }
        if (remaining > 0 && b != 0) {
            uint32_t u = T(b).used;
            failed = fileRead(b, 0, buf, u) ? 1 : moveInBlock(b, buf, u, remaining, 0, u - remaining);
        }
    } else {
        failed = fileRead(BF.current, 0, buf, c->used) ? 1
               : moveInBlock(BF.current, buf, c->used, o + count, o, tail - count);
    }
    if (!failed) {
        if (tail <= count) {
            c->used = (uint16_t)(c->used - tail);
            BF.total -= tail;
            deleted = tail;
            uint32_t remaining = count - tail;
            for (uint16_t b = c->next; remaining > 0 && b != 0; b = T(b).next) {
                uint32_t n = min32(T(b).used, remaining);
                T(b).used = (uint16_t)(T(b).used - n);
                BF.total -= n;
                deleted += n;
                remaining -= n;
            }
        } else {
            c->used = (uint16_t)(c->used - count);
            BF.total -= count;
            deleted = count;
        }
        unlinkEmptyBlocks();
    }
    BF.cached = 0;
    chainForget();
    osFree(buf);
    bseek((int32_t)offset, 0, 1);
    if (failed) {
        tellWriteFailed(failed == 2, "deleted");
        return 0;
    }
    if (BFHooks.deleted && deleted)
        BFHooks.deleted(offset, deleted);
    return deleted;
}

uint32_t binsert(uint32_t offset, uint32_t count)
{
    BF.writeFailed = 0;
    if (!BF.table || count == 0)
        return 0;
    bseek((int32_t)offset, 0, 0);
    uint32_t o = BF.offset, u = T(BF.current).used;
    uint32_t k = min32(BLOCKSIZE - o, count);
    uint32_t s = BLOCKSIZE - o - k;
    uint32_t over = (u - o) > s ? (u - o) - s : 0;
    uint32_t f = 0;
    uint16_t nb = 0;

    uint8_t *buf = (uint8_t *)osAlloc(BLOCKSIZE);
    if (!buf)
        return 0;
    /* The bytes move first (the overflow block, then the tail inside this block); the new
       block is linked and the lengths change only once the file has them all. */
    int failed = fileRead(BF.current, 0, buf, u);
    if (!failed && over > 0) {
        nb = balloc();
        if (nb == 0) {
            osFree(buf);
            return 0;   /* "Out of free list space" was shown; nothing changed */
        }
        f = min32(count - k, BLOCKSIZE - over);
        if (fileWrite(nb, f, buf + (u - over), over) < over)
            failed = 1;
    }
    if (!failed && s > 0 && u > o)
        failed = moveInBlock(BF.current, buf, u, o, o + k, min32(u - o, s));
    osFree(buf);
    BF.cached = 0;
    if (failed) {
        if (nb)
            bfree(nb);
        tellWriteFailed(failed == 2, "inserted");
        return 0;
    }
    if (nb) {
        T(nb).next = T(BF.current).next;
        T(BF.current).next = nb;
        T(nb).used = (uint16_t)(over + f);
        BF.total += f;
    }
    T(BF.current).used = (uint16_t)(u + k - over);
    BF.offset = (uint16_t)(BF.offset + k);
    BF.position += k;
    BF.total += k;

    uint32_t inserted = k + f;
    uint32_t owed = count - k - f;
    while (owed > 0) {
        uint16_t fb = balloc();
        if (fb == 0)
            break;
        uint32_t n = min32(owed, BLOCKSIZE);
        T(fb).next = T(BF.current).next;
        T(BF.current).next = fb;
        T(fb).used = (uint16_t)n;
        BF.current = fb;
        BF.offset = (uint16_t)n;
        BF.position += n;
        BF.total += n;
        inserted += n;
        owed -= n;
    }
    chainForget();
    if (BFHooks.inserted && inserted)
        BFHooks.inserted(offset, inserted);
    return inserted;
}

uint32_t bfilesize(void)
{
    if (BF.file == OS_NOFILE)
        return 0;
    int64_t s = osFileSize(BF.file);
    return s < 0 ? 0 : (uint32_t)s;
}
