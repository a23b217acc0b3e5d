/*
 * store_check.h - invariant checks of the block file, shared by the unit tests, the
 * differential test and the fuzz target.
 */
#ifndef ZELO_STORE_CHECK_H
#define ZELO_STORE_CHECK_H

#include "store/blockfile.h"

#include <string>
#include <vector>

/* Returns "" when every invariant holds, else a description of the first one broken. */
inline std::string blockFileInvariants()
{
    if (!BF.table)
        return "store closed";
    std::vector<int> seen(BLOCKENTRIES, 0);
    uint64_t sum = 0, before = 0;
    int foundCurrent = 0;
    uint32_t steps = 0;
    for (uint16_t b = BF.head; b != 0; b = BF.table[b].next) {
        if (b >= BLOCKENTRIES || seen[b] || ++steps > BLOCKENTRIES)
            return "data chain loops or leaves the table at block " + std::to_string(b);
        seen[b] = 1;
        if (BF.table[b].used > BLOCKSIZE)
            return "block " + std::to_string(b) + " overfull";
        if (b == BF.current) {
            foundCurrent = 1;
            if (BF.offset > BF.table[b].used && BF.offset != 0)
                return "offset beyond used in current block";
            if (before + BF.offset != BF.position)
                return "position " + std::to_string(BF.position) + " != chain bytes before current + offset " +
                       std::to_string(before + BF.offset);
        }
        if (!foundCurrent)
            before += BF.table[b].used;
        sum += BF.table[b].used;
    }
    if (BF.head == 0)
        return "empty data chain";
    if (!foundCurrent)
        return "current block not in the data chain";
    if (sum != BF.total)
        return "total " + std::to_string(BF.total) + " != sum of used " + std::to_string(sum);
    steps = 0;
    for (uint16_t b = BF.freeHead; b != 0; b = BF.table[b].next) {
        if (b >= BLOCKENTRIES || seen[b] || ++steps > BLOCKENTRIES)
            return "block " + std::to_string(b) + " on both lists or free list loops";
        seen[b] = 2;
        if (BF.table[b].used != 0)
            return "free block " + std::to_string(b) + " has used bytes";
    }
    for (uint32_t b = 1; b < BLOCKENTRIES; b++)
        if (!seen[b])
            return "block " + std::to_string(b) + " in neither list";
    return "";
}

/* The data chain as a list of (block, used) pairs. */
inline std::vector<std::pair<int, int>> blockChain()
{
    std::vector<std::pair<int, int>> v;
    for (uint16_t b = BF.head; b != 0 && v.size() < BLOCKENTRIES; b = BF.table[b].next)
        v.push_back({b, BF.table[b].used});
    return v;
}

#endif
