/*
 * fltload_posix.cpp - the filter platform of the native build: there are no filter modules
 * to load here (tests install their own FltOs.load), the signature sums the sizes of the
 * *.flt files, and there are no windows to tell about association changes.
 * Global state: FltOs.
 */
#include "formats/fltrecord.h"

#include <stdio.h>

static int noLoad(const char *path, FltModule *m, uint32_t *error)
{
    *error = 2;
    return 1;
}

static void noUnload(FltModule *m) {}

struct SigState {
    const char *dir;
    uint32_t sum;
};

static int addSize(const char *name, uint32_t attributes, void *ctx)
{
    SigState *s = (SigState *)ctx;
    char path[600];
    snprintf(path, sizeof path, "%s/%s", s->dir, name);
    OsFile f = osOpen(path, OS_READ);
    if (f != OS_NOFILE) {
        int64_t n = osFileSize(f);
        if (n > 0)
            s->sum += (uint32_t)n;
        osClose(f);
    }
    return 1;
}

static uint32_t sizeSignature(const char *dir)
{
    SigState s = {dir, 0};
    osListDir(dir, "*.flt", addSize, &s);
    return s.sum;
}

FltPlatform FltOs = {noLoad, noUnload, sizeSignature, NULL};
