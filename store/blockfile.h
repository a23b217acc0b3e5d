/*
 * blockfile.h - the block-structured temporary file that holds the open waveform's bytes.
 *
 * A byte stream with one current position, kept in a disk file cut into BLOCKSIZE blocks.
 * Which blocks form the data, in which order and how full each is lives in the link table
 * in memory only, so inserts and deletes relink blocks instead of moving the data behind
 * the edit point.  The state is process-wide: one store per running program (BF).
 */
#ifndef ZELO_BLOCKFILE_H
#define ZELO_BLOCKFILE_H

#include "os/os.h"

#define BLOCKSIZE    65280u          /* 255 * 256: capacity of a block, stride in the file */
#define BLOCKENTRIES 16383u          /* table entries 0..16382; 0 means "no block" */
#define BLOCKMAXSIZE (16382u * 65280u)

struct BlockLink {
    uint16_t next;                   /* next block of the same list; 0 ends the list */
    uint16_t used;                   /* bytes in use in this block, 0..BLOCKSIZE */
};

struct BlockFileState {
    OsFile     file;                 /* the temporary file, OS_NOFILE when none */
    BlockLink *table;                /* BLOCKENTRIES links, NULL while closed */
    uint16_t   head;                 /* first block of the data chain; never 0 while open */
    uint16_t   freeHead;             /* first block of the free list; 0 when none is left */
    uint32_t   total;                /* bytes held: sum of used over the data chain */
    uint32_t   position;             /* current byte position in the data stream */
    uint16_t   current;              /* block that holds the position */
    uint16_t   offset;               /* position within the current block, 0..BLOCKSIZE */
    uint8_t   *cache;                /* copy of one block's bytes */
    uint16_t   cached;               /* block whose bytes the cache holds; 0 = none */
    int        writeFailed;          /* the last binsert / bdelete stopped on a file that would
                                        not take its bytes, changed nothing and said so */
};
extern BlockFileState BF;

/* Opens an empty store over a fresh temporary file at path (an open store is closed first).
   Returns 0 ok, 1 no memory for the table or cache, 2 table memory could not be locked.
   A file that cannot be created leaves the store without a file: the tables exist but every
   sample-access call fails. */
int      bopen(const char *path);
/* Closes (and so deletes) the file and frees the tables. */
void     bclose(void);
/* Takes a block from the free list; 0 (after "Out of free list space") when none is left. */
uint16_t balloc(void);
/* Returns block b to the free list (last in, first out). */
void     bfree(uint16_t b);
/* Moves the position: origin 0 start, 1 current, 2 end (total - offset).  Seeking past the
   end lengthens the data to the target.  Returns the new position. */
uint32_t bseek(int32_t offset, int origin, int rewind);
/* Reads up to count bytes at the position; returns the bytes delivered (fewer at the end). */
uint16_t bread(void *dst, uint16_t count);
/* Overwrites and extends at the position; returns the bytes written (fewer on failure). */
uint16_t bwrite(const void *src, uint16_t count);
/* bwrite for more than 65535 bytes at once (large appends in whole 64 KiB pieces). */
uint32_t bwriteLong(const void *src, uint32_t count);
/* Removes count bytes at offset; returns the bytes deleted.  When the file will not take the
   bytes moved inside a block (a full disk), nothing changes, the user is told, writeFailed
   is set and the result is 0. */
uint32_t bdelete(uint32_t offset, uint32_t count);
/* Opens count bytes of room at offset (content undefined); returns the room inserted.  A file
   that will not take the bytes moved to make room changes nothing, as in bdelete. */
uint32_t binsert(uint32_t offset, uint32_t count);
/* Size of the temporary file in bytes (not total); 0 when there is no file. */
uint32_t bfilesize(void);

/* Hooks the sample-access layer fills: told of every insertion and deletion, in bytes. */
struct BlockFileHooks {
    void (*inserted)(uint32_t offset, uint32_t count);
    void (*deleted)(uint32_t offset, uint32_t count);
};
extern BlockFileHooks BFHooks;

#endif
