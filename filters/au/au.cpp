/*
 * au.cpp - the Sun/NeXT audio filter module (au.flt): the format description for the shared
 * entry points over aucore, and its options dialog (the encoding to write).
 */
#include "filters/common/zfltmod.h"
#include "filters/common/zoptdlg.h"
#include "filters/au/aucore.h"

#include <stdio.h>

static int auOptionsText(const ZReader *r, char *text, size_t room)
{
    uint32_t e = auEncoding(r);
    if ((e == 2 || e == 3) && r->fileChannels <= 2)
        return 0;
    const char *enc = e == 1 ? "u-law" : e == 27 ? "A-law" : e == 6 || e == 7 ? "float" : "PCM";
    char ch[16];
    if (r->fileChannels <= 2)
        snprintf(ch, sizeof ch, "%s", r->fileChannels == 1 ? "Mono" : "Stereo");
    else
        snprintf(ch, sizeof ch, "%u ch", (unsigned)r->fileChannels);
    snprintf(text, room, "Sun/NeXT %d-bit %s %s", r->storedBits, enc, ch);
    return 1;
}

static uint32_t auGetOptions(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels,
                             uint16_t bits, uint32_t current)
{
    (void)rate;
    (void)channels;
    (void)bits;
    static const ZOptGroup groups[] = {
        {"Encoding", {"Linear PCM (8 or 16 bits)", "u-law (8 bits)", "A-law (8 bits)", NULL}},
    };
    int choice = current == AU_OPT_ULAW ? 1 : current == AU_OPT_ALAW ? 2 : 0;
    if (!zoptAsk(owner, module, "Sun/NeXT Audio Options", groups, 1, &choice))
        return 0;
    return choice == 1 ? AU_OPT_ULAW : choice == 2 ? AU_OPT_ALAW : AU_OPT_PCM;
}

static ZReader *auOpen(const char *path, const char **why)
{
    return auOpenFile(path, why);
}

const ZFormat ZFormatOfModule = {
    "Sun/NeXT Audio",
    "Writing a Sun/NeXT audio file",
    {"au", "snd", NULL, NULL},
    ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_PRE | ZF_HASOPTIONS,
    auOpen,
    NULL,
    auCreate,
    auBegin,
    auFinish,
    auCanWriteSpecial,
    NULL,
    auOptionsText,
    auGetOptions,
    NULL,
};
