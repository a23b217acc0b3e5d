/*
 * flttable.h - the table of file filters found beside the program, and its cache file
 * flt.dat.
 *
 * State: FltTable, filled once at start-up by fltTableBuild and kept until fltTableRelease.
 * Invariant: records are in table order (FLT_SORTLAST records after all others, the rest by
 * main extension without regard to case); count <= FLT_MAXFILTERS.
 */
#ifndef ZELO_FLTTABLE_H
#define ZELO_FLTTABLE_H

#include "formats/fltrecord.h"

#define FLT_MAXFILTERS 48
#define FLT_CACHE_VERSION 2
#define FLT_PATH_MAX 260

struct FltTableState {
    FltRecord rec[FLT_MAXFILTERS];   /* table order */
    int       count;                 /* records in use */
    char      dir[FLT_PATH_MAX];     /* program folder the modules live in */
    int       scanned;               /* 1 when the last build loaded modules, 0 when flt.dat served */
    int       cacheWritten;          /* 1 when the last scan could write flt.dat */
};
extern FltTableState FltTable;

/* Builds the table from dir's flt.dat, or by loading every dir\*.flt when the cache is
   missing, damaged or stale; a scan rewrites flt.dat and claims free file associations in
   the user profile's "Extensions" section for "<dir>\<exeName> ^.<ext>".  Returns the count. */
int  fltTableBuild(const char *dir, const char *exeName);
/* Appends a record (ignored when the table is full) and restores table order with one
   backward pass.  Returns 0 added, 1 table full. */
int  fltTableAdd(const FltRecord *r);
/* Sorts the whole table into table order (stable). */
void fltTableSort(void);
void fltTableRelease(void);

/* The cache image: parse checks the end mark, version and signature and every size; 0 ok
   and the records copied (at most max), 1 rejected.  fltCacheWrite returns 0 on success. */
int  fltCacheParse(const uint8_t *bytes, size_t length, uint32_t signature, FltRecord *out, int max, int *count);
int  fltCacheWrite(const char *path, uint32_t signature, const FltRecord *recs, int count);

/* Case-insensitive helpers shared by the open/save flows. */
int  fltStrCaseEq(const char *a, const char *b);
int  fltStrCaseContains(const char *hay, const char *needle);
/* Copies a fixed record field into a zero-terminated string of at most n-1 characters. */
void fltField(char *out, const char *field, size_t fieldSize);

#endif
