/*
 * info.h - the open waveform's INFO list: the text and display items (codes 20..34) that
 * travel with it through the file filters and that the Wave Information dialog edits.
 *
 * State: InfoList.  Invariants: at most INFO_MAXITEMS items; no item has length 0; every id
 * is one of the fifteen names of codes 20..34; items the program makes have even lengths.
 */
#ifndef ZELO_INFO_H
#define ZELO_INFO_H

#include <stdint.h>

#define INFO_MAXITEMS 20

struct InfoItem {
    char     id[8];                  /* "IART" .. "ISRF" or "DISP", zero-terminated */
    uint8_t *data;                   /* osAlloc'ed bytes */
    uint32_t length;                 /* bytes at data, never 0 */
};

struct InfoListState {
    InfoItem item[INFO_MAXITEMS];    /* in list order */
    int      count;                  /* items in use */
};
extern InfoListState InfoList;

/* The id of special code 20..34, or NULL for any other code. */
const char *infoIdOfCode(int code);
/* The special code of an id (20..34), or 0 when it is not one. */
int  infoCodeOfId(const char *id);
/* Appends a copy of length bytes as it is (items read from a filter).  Returns 0 added,
   1 refused: list full, length 0, unknown id or no memory. */
int  infoAdd(const char *id, const void *data, uint32_t length);
/* Appends a text item: the text and its zero byte, padded to an even length.  0 / 1. */
int  infoAddText(const char *id, const char *text);
/* Appends a "DISP" item: u32 display type, the text, its zero byte, padded even.  0 / 1. */
int  infoAddDisp(uint32_t type, const char *text);
/* Replaces item i's bytes with a text (even length); an empty text removes the item. 0 / 1. */
int  infoSetText(int i, const char *text);
/* The index of the first item with this id, or -1. */
int  infoFind(const char *id);
void infoRemove(int i);
void infoClear(void);

#endif
