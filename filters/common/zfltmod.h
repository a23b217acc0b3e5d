/*
 * zfltmod.h - the entry points of zfilter.h over a format's window-free core, shared by the
 * bundled filter modules (Win32 builds only).  A module defines ZFormatOfModule; the entry
 * points in zfltmod.cpp hand the host small handle numbers (slot + 1), never pointers, so a
 * stale handle is recognised and ignored.  State: ZFltMod (the open handles).
 */
#ifndef ZELO_ZFLTMOD_H
#define ZELO_ZFLTMOD_H

#include "filters/sdk/zfilter.h"
#include "filters/common/zpcm.h"

struct ZFormat {
    const char *name;           /* format name (at most 23 characters) */
    const char *note;           /* progress note */
    const char *ext[4];         /* main extension, then up to three more (NULL ends) */
    uint32_t flags;
    /* Reading: the open reader, or NULL (then *why may name the damage). */
    ZReader *(*open)(const char *path, const char **why);
    /* 1 when the module takes that file at all (NULL: whatever open takes). */
    int (*understands)(const char *path);
    /* Writing: a writer with the file created, or NULL for a type it cannot store. */
    ZWriter *(*create)(const char *path, uint32_t rate, uint16_t bits, uint16_t channels,
                       uint32_t dataBytes, uint32_t options);
    int (*begin)(ZWriter *w);   /* writes what goes before the samples; 0 or -1 */
    int (*finish)(ZWriter *w);  /* writes the rest and closes (not frees); 0 or -1 */
    int (*canWriteSpecial)(int code);
    void (*suggest)(uint32_t *rate, uint16_t *bits, uint16_t *channels, uint32_t options);
    int (*optionsText)(const ZReader *r, char *text, size_t room);   /* 1 when written */
    uint32_t (*getOptions)(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels,
                           uint16_t bits, uint32_t current);
    void (*setOptions)(ZReader *r, uint32_t options, uint32_t rate, uint16_t channels, uint16_t bits);
};
extern const ZFormat ZFormatOfModule;

#define ZFLTMOD_SLOTS 16
struct ZFltModState {
    ZReader *inputs[ZFLTMOD_SLOTS];     /* open inputs; handle = slot + 1 */
    ZWriter *outputs[ZFLTMOD_SLOTS];    /* open outputs; handle = slot + 1 */
};
extern ZFltModState ZFltMod;

#endif
