/*
 * raw.cpp - the raw PCM filter module (raw.flt): the format description for the shared entry
 * points over rawcore, and its options dialog (byte order and signedness).  It sorts after
 * the other filters and takes only files named .pcm or .raw, so a file of a known kind is
 * never mistaken for raw data.
 */
#include "filters/common/zfltmod.h"
#include "filters/common/zoptdlg.h"
#include "filters/raw/rawcore.h"

static uint32_t rawGetOptions(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels,
                              uint16_t bits, uint32_t current)
{
    (void)rate;
    (void)channels;
    (void)bits;
    static const ZOptGroup groups[] = {
        {"Byte order of 16-bit samples", {"Little-endian (Intel)", "Big-endian (Motorola)", NULL, NULL}},
        {"8-bit samples", {"Unsigned", "Signed", NULL, NULL}},
        {"16-bit samples", {"Signed", "Unsigned", NULL, NULL}},
    };
    int choices[3] = {(current & RAW_OPT_BIGENDIAN) ? 1 : 0, (current & RAW_OPT_SIGNED8) ? 1 : 0,
                      (current & RAW_OPT_UNSIGNED16) ? 1 : 0};
    if (!zoptAsk(owner, module, "Raw PCM Options", groups, 3, choices))
        return 0;
    return RAW_OPT_VALID | (choices[0] ? RAW_OPT_BIGENDIAN : 0) | (choices[1] ? RAW_OPT_SIGNED8 : 0) |
           (choices[2] ? RAW_OPT_UNSIGNED16 : 0);
}

static void rawSetOptions(ZReader *r, uint32_t options, uint32_t rate, uint16_t channels, uint16_t bits)
{
    rawSetLayout(r, options, rate, channels, bits);
}

static ZReader *rawOpen(const char *path, const char **why)
{
    (void)why;
    return rawOpenFile(path);
}

static int rawUnderstands(const char *path)
{
    if (!rawNameFits(path))
        return 0;
    ZReader *r = rawOpenFile(path);
    if (!r)
        return 0;
    zrFree(r);
    return 1;
}

/* Any rate, 8/16 bits, one or two channels. */
static void rawSuggest(uint32_t *rate, uint16_t *bits, uint16_t *channels, uint32_t options)
{
    (void)options;
    *rate = 0;
    *bits = (*bits == 8 || *bits == 16) ? 0 : 16;
    *channels = (*channels == 1 || *channels == 2) ? 0 : (*channels > 2 ? 2 : 1);
}

const ZFormat ZFormatOfModule = {
    "Raw PCM Data",
    "Writing raw PCM sample data",
    {"pcm", "raw", NULL, NULL},
    ZF_CANREAD | ZF_CANWRITE | ZF_SORTLAST | ZF_HASOPTIONS | ZF_UNCERTAIN,
    rawOpen,
    rawUnderstands,
    rawCreate,
    NULL,
    rawFinish,
    NULL,
    rawSuggest,
    NULL,
    rawGetOptions,
    rawSetOptions,
};
