/*
 * voc.cpp - the Creative Voice filter module (voc.flt): the format description for the
 * shared entry points over voccore.
 */
#include "filters/common/zfltmod.h"
#include "filters/voc/voccore.h"

#include <stdio.h>

static int vocOptionsText(const ZReader *r, char *text, size_t room)
{
    if (r->enc == ZE_U8 || r->enc == ZE_S16LE)
        return 0;
    snprintf(text, room, "Creative Voice 8-bit %s %s", r->enc == ZE_ULAW ? "u-law" : "A-law",
             r->fileChannels == 1 ? "Mono" : "Stereo");
    return 1;
}

static ZReader *vocOpen(const char *path, const char **why)
{
    return vocfOpenFile(path, why);
}

const ZFormat ZFormatOfModule = {
    "Creative Voice",
    "Writing a Creative Voice file",
    {"voc", NULL, NULL, NULL},
    ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_PRE,
    vocOpen,
    NULL,
    vocfCreate,
    vocfBegin,
    vocfFinish,
    vocfCanWriteSpecial,
    NULL,
    vocOptionsText,
    NULL,
    NULL,
};
