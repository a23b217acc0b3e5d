/*
 * aiff.cpp - the AIFF filter module (aiff.flt): the format description for the shared entry
 * points (filters/common/zfltmod.cpp) over aiffcore.  Reads AIFF and AIFF-C, writes AIFF.
 */
#include "filters/common/zfltmod.h"
#include "filters/aiff/aiffcore.h"

#include <stdio.h>

/* Says what the file holds when it is more than plain 8/16-bit PCM. */
static int aiffOptionsText(const ZReader *r, char *text, size_t room)
{
    int c = (int)(r->options & 0xFF);
    int aifc = (r->options & AIFF_FORM_AIFC) != 0;
    if (c == AIFF_C_NONE && !aifc && (r->storedBits == 8 || r->storedBits == 16) && r->fileChannels <= 2)
        return 0;
    const char *enc = c == AIFF_C_SOWT ? "little-endian PCM" : c == AIFF_C_ULAW ? "u-law"
                    : c == AIFF_C_ALAW ? "A-law" : c == AIFF_C_FLOAT ? "float"
                    : c == AIFF_C_RAW ? "unsigned PCM" : "PCM";
    char ch[16];
    if (r->fileChannels <= 2)
        snprintf(ch, sizeof ch, "%s", r->fileChannels == 1 ? "Mono" : "Stereo");
    else
        snprintf(ch, sizeof ch, "%u ch", (unsigned)r->fileChannels);
    snprintf(text, room, "%s %d-bit %s %s", aifc ? "AIFF-C" : "AIFF", r->storedBits, enc, ch);
    return 1;
}

static ZReader *aiffOpen(const char *path, const char **why)
{
    return aiffOpenFile(path, why);
}

const ZFormat ZFormatOfModule = {
    "Apple AIFF",
    "Writing an Apple AIFF sound file",
    {"aiff", "aif", "afc", NULL},
    ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_POST,
    aiffOpen,
    NULL,
    aiffCreate,
    aiffBegin,
    aiffFinish,
    aiffCanWriteSpecial,
    NULL,
    aiffOptionsText,
    NULL,
    NULL,
};
