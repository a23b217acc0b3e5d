/*
 * cues.h - the document's cue table (named point markers and ranges) and its play list:
 * adding, deleting and merging cues, keeping them on the sound they mark while frames are
 * inserted and removed, rescaling them with the sample rate, the list-box texts, and the
 * special items 40..44 that carry both through the file filters.
 *
 * Window-free.  Global state: Cues (the table), PlayList (the entries), CueHook.
 * Invariants: Cues.count <= CUE_MAX; identifiers are unique in the table and lie in
 * 10..999 when this program drew them (a file may bring others, kept as they are);
 * labels and descriptions are NUL-terminated within their fields; a cue's length is 0 for
 * a point marker.  PlayList entries may name cues that are gone or are points: they are
 * dropped by playListRefresh, which every change that can cause that runs.
 */
#ifndef ZELO_CUES_H
#define ZELO_CUES_H

#include <stddef.h>
#include <stdint.h>

#define CUE_MAX         256
#define CUE_LABELMAX    32      /* label field, NUL included (31 characters when edited) */
#define CUE_ADDLABEL    29      /* longest label given at creation */
#define CUE_DESCMAX     100     /* description field, NUL included */
#define CUE_IDMIN       10
#define CUE_IDMAX       999
#define PLAYLIST_MAX    0xFFFFu /* entries (the count is 16-bit) */

/* The layout of a RIFF cue point (24 bytes). */
struct CuePoint {
    uint32_t id;
    uint32_t position;          /* set equal to the identifier */
    char     chunk[4];          /* "data" */
    uint32_t chunkStart;        /* 0 */
    uint32_t blockStart;        /* 0 */
    uint32_t frame;             /* sample offset: the first frame of the cue */
};

struct CueText {
    char     label[CUE_LABELMAX];
    char     desc[CUE_DESCMAX];
    uint32_t length;            /* frames; 0 = point marker */
};

struct CueTableState {
    CuePoint *point;            /* CUE_MAX entries once the first cue exists, else NULL */
    CueText  *text;
    uint16_t  count;
    uint32_t  seed;             /* identifier generator */
};
extern CueTableState Cues;

struct PlayItem {
    uint32_t cue;               /* identifier of a range cue */
    uint32_t frames;            /* its length, refreshed when cues change */
    uint32_t count;             /* times played, at least 1 */
};

struct PlayListState {
    PlayItem *entry;            /* capacity entries */
    uint32_t  capacity;
    uint16_t  count;
};
extern PlayListState PlayList;

/* What the windows are told; every hook may be NULL. */
struct CueHooks {
    int  (*haveDocument)(void);                 /* a wave is loaded (cues are refused otherwise) */
    uint32_t (*frames)(void);                   /* frames in the wave */
    void (*added)(int index);                   /* a cue was added at the end of the table */
    void (*changed)(void);                      /* positions, lengths or the table changed */
    void (*modified)(void);                     /* the document differs from its file */
};
extern CueHooks CueHook;

/* ---- the table ---- */
void cuesClear(void);                           /* empties the table and the play list */
void cuesSeed(uint32_t seed);
uint32_t cueNewId(void);                        /* a random identifier 10..999 not in use */
int  cueFind(uint32_t id);                      /* index, or -1 */
/* Adds a cue over first..last (last = first - 1: a point at first).  NULL label: "MARK<id>"
   (cut to 29 characters); NULL desc: "Marker" or "Range".  Returns 1 added, 0 refused (no
   document, or 256 cues). */
int  AddCue(uint32_t first, uint32_t last, const char *label, const char *desc);
void cueDelete(int index);                      /* later cues move down one place */
/* Extends cue a to reach the end of cue b and removes b (a, b in table order, a < b is
   not required).  Returns 1 done. */
int  cueMerge(int a, int b);
void cueSetLabel(int index, const char *label); /* cut to 31 characters */
void cueSetDesc(int index, const char *desc);   /* cut to 99 characters */
/* The last frame a cue covers (its first frame for a point). */
uint32_t cueLast(int index);

/* ---- following the sound ---- */
/* frames frames were inserted at frame: cues at or after it move on; a range that spans the
   place grows. */
void cuesInserted(uint32_t frame, uint32_t frames);
/* frames frames were removed at frame: cues after them move back, ranges lose the frames
   they shared with the removed ones, and a cue whose every frame went is deleted. */
void cuesDeleted(uint32_t frame, uint32_t frames);
/* The sample rate changed: starts trunc(p * new / old), ends ((e + 1) * new / old) - 1. */
void cuesRescale(uint32_t oldRate, uint32_t newRate);
/* After a file was read: cues starting past the end are dropped, ranges cut at the end. */
void cuesFitLength(uint32_t frames);

/* The x of a marker at frame for a view viewStart..viewEnd drawn over `width` columns from
   `left`: left + trunc((frame - viewStart) * width / max(view length, width)). */
int  cueMarkerX(uint32_t frame, uint32_t viewStart, uint32_t viewEnd, int left, int width);

/* ---- list texts ---- */
/* " <first>[ to <last>]\t\t <label> \t\t[<id>]" with the time format of the status fields. */
void CueListLine(int index, uint32_t rate, char *out, size_t size);
/* The identifier in the brackets at the end of a list line, or 0. */
uint32_t cueIdOfLine(const char *line);

/* ---- the play list ---- */
/* Inserts an entry for cue id (count 1) before position at (PlayList.count: at the end).
   Returns the new entry's index, or -1. */
int  playListInsert(int at, uint32_t id);
void playListRemove(int index);
void playListSetCount(int index, uint32_t count);   /* below 1 becomes 1 */
/* Drops entries whose cue is gone or is a point, and refreshes the lengths.  Returns the
   number dropped. */
int  playListRefresh(void);
void RefreshPlayListLengths(void);
/* "(<count>)\t<label>" */
void playListLine(int index, char *out, size_t size);

/* ---- special items 40..44 ---- */
/* Merges one item read from a file into the table or the play list (codes 40..44, in that
   order).  Unusable records are skipped: duplicate identifiers, texts and lengths of cues
   that do not exist, entries beyond the table's room. */
void cuesReadSpecial(int code, const void *data, uint32_t size);
/* The bytes of one item for writing (a buffer owned by the table, valid until the next
   call); 0 when there is nothing to write. */
int  cuesSpecialData(int code, const void **data, uint32_t *size);

/* ---- batch ---- */
/* Leaves exactly `before` and `after` silent frames at the start and the end of range cue
   `index` (silence: samples exactly 0, or 128 in 8-bit data), inserting blank frames or
   cutting silent ones at the end first, then at the start; the range keeps covering them.
   Returns 0 done, 1 not a range or the store refused. */
int  cueSetSilence(int index, uint32_t before, uint32_t after);

/* ---- undo ---- */
/* A copy of the table and the play list (NULL when both are empty), its restoration, and
   its release. */
void *cuesSnapshot(void);
void  cuesRestore(const void *snapshot);
void  cuesFreeSnapshot(void *snapshot);

/* Releases every allocation (at exit). */
void cuesFree(void);

#endif
