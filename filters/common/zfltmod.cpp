/*
 * zfltmod.cpp - the zfilter.h entry points shared by the bundled filter modules, over the
 * ZFormat that each module defines.  Writes ZFltMod.  Every entry point checks its handle
 * and pointers.  Special items are read and written after the samples unless the format asks
 * otherwise in its flags; the readers parse everything when the file is opened.
 */
#include "filters/common/zfltmod.h"

#include <stdio.h>
#include <string.h>

ZFltModState ZFltMod;

#define ZFLT_PIECE 65536u   /* whole frames of every delivered type */

static ZReader *inputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= ZFLTMOD_SLOTS) ? ZFltMod.inputs[h - 1] : NULL;
}

static ZWriter *outputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= ZFLTMOD_SLOTS) ? ZFltMod.outputs[h - 1] : NULL;
}

extern "C" {

short WINAPI QueryZeloFilter(ZfFilterRecord *record)
{
    if (!record)
        return 0;
    const ZFormat &f = ZFormatOfModule;
    memset(record, 0, offsetof(ZfFilterRecord, moduleName));
    snprintf(record->formatName, sizeof record->formatName, "%s", f.name);
    snprintf(record->progressNote, sizeof record->progressNote, "%s", f.note);
    record->flags = f.flags;
    char *exts[4] = {record->ext, record->ext2, record->ext3, record->ext4};
    size_t room[4] = {sizeof record->ext, sizeof record->ext2, sizeof record->ext3, sizeof record->ext4};
    for (int i = 0; i < 4 && f.ext[i]; i++)
        snprintf(exts[i], room[i], "%s", f.ext[i]);
    return ZF_QUERY_OK;
}

short WINAPI FilterUnderstandsFormat(LPCSTR fileName)
{
    if (!fileName)
        return 0;
    if (ZFormatOfModule.understands)
        return ZFormatOfModule.understands(fileName) ? 1 : 0;
    const char *why = NULL;
    ZReader *r = ZFormatOfModule.open(fileName, &why);
    if (!r) {
        if (why) {
            char line[400];
            snprintf(line, sizeof line, "%s: %s: %s\n", ZFormatOfModule.name, fileName, why);
            OutputDebugStringA(line);
        }
        return 0;
    }
    zrFree(r);
    return 1;
}

ZFHANDLE WINAPI OpenFilterInput2(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                 HWND owner, uint32_t *pieceSize, HINSTANCE module)
{
    (void)owner;
    (void)module;
    if (!fileName)
        return 0;
    int slot = 0;
    while (slot < ZFLTMOD_SLOTS && ZFltMod.inputs[slot])
        slot++;
    if (slot == ZFLTMOD_SLOTS)
        return 0;
    ZReader *r = ZFormatOfModule.open(fileName, NULL);
    if (!r)
        return 0;
    if (rate)
        *rate = r->rate;
    if (bits)
        *bits = r->bits;
    if (channels)
        *channels = r->channels;
    if (pieceSize)
        *pieceSize = ZFLT_PIECE;
    ZFltMod.inputs[slot] = r;
    return (ZFHANDLE)(slot + 1);
}

ZFHANDLE WINAPI OpenFilterInput(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                HWND owner, uint32_t *pieceSize)
{
    return OpenFilterInput2(fileName, rate, bits, channels, owner, pieceSize, NULL);
}

uint32_t WINAPI FilterGetFileSize(ZFHANDLE h)
{
    ZReader *r = inputOf(h);
    return r ? r->bytes : 0;
}

uint32_t WINAPI ReadFilterInput(ZFHANDLE h, BYTE *buffer, uint32_t pieceSize)
{
    ZReader *r = inputOf(h);
    return (r && buffer) ? zrRead(r, buffer, pieceSize) : 0;
}

uint32_t WINAPI SeekFilterInput(ZFHANDLE h, uint32_t bytePosition)
{
    ZReader *r = inputOf(h);
    return r ? zrSeek(r, bytePosition) : 0;
}

void WINAPI CloseFilterInput(ZFHANDLE h)
{
    ZReader *r = inputOf(h);
    if (r) {
        zrFree(r);
        ZFltMod.inputs[h - 1] = NULL;
    }
}

short WINAPI FilterOptionsString(ZFHANDLE h, LPSTR text)
{
    ZReader *r = inputOf(h);
    if (!r || !text || !ZFormatOfModule.optionsText)
        return 0;
    return ZFormatOfModule.optionsText(r, text, ZF_OPTIONS_TEXT_MAX) ? 1 : 0;
}

uint32_t WINAPI FilterOptions(ZFHANDLE h)
{
    ZReader *r = inputOf(h);
    return (r && r->options) ? r->options : 1;
}

uint32_t WINAPI FilterGetOptions(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels,
                                 uint16_t bits, uint32_t current)
{
    if (!ZFormatOfModule.getOptions)
        return current ? current : 1;
    return ZFormatOfModule.getOptions(owner, module, rate, channels, bits, current);
}

void WINAPI FilterSetOptions(ZFHANDLE h, uint32_t options, uint32_t rate, uint16_t channels, uint16_t bits)
{
    ZReader *r = inputOf(h);
    if (r && ZFormatOfModule.setOptions)
        ZFormatOfModule.setOptions(r, options, rate, channels, bits);
}

uint32_t WINAPI FilterCanReadSpecial(ZFHANDLE h, int code)
{
    ZReader *r = inputOf(h);
    return r ? zrSpecialSize(r, code) : 0;
}

uint32_t WINAPI FilterReadSpecial(ZFHANDLE h, int code, void *buffer, uint32_t size)
{
    ZReader *r = inputOf(h);
    return (r && buffer) ? zrReadSpecial(r, code, buffer, size) : 0;
}

ZFHANDLE WINAPI OpenFilterOutput(LPCSTR fileName, uint32_t rate, uint16_t bits, uint16_t channels,
                                 uint32_t dataBytes, uint32_t *pieceSize, uint32_t options)
{
    if (!fileName || !ZFormatOfModule.create)
        return 0;
    int slot = 0;
    while (slot < ZFLTMOD_SLOTS && ZFltMod.outputs[slot])
        slot++;
    if (slot == ZFLTMOD_SLOTS)
        return 0;
    ZWriter *w = ZFormatOfModule.create(fileName, rate, bits, channels, dataBytes, options);
    if (!w)
        return 0;
    if (pieceSize)
        *pieceSize = ZFLT_PIECE;
    ZFltMod.outputs[slot] = w;
    return (ZFHANDLE)(slot + 1);
}

static void beginOnce(ZWriter *w)
{
    if (!w->started) {
        w->started = 1;
        if (ZFormatOfModule.begin && ZFormatOfModule.begin(w) != 0)
            w->failed = 1;
    }
}

uint32_t WINAPI WriteFilterOutput(ZFHANDLE h, const BYTE *buffer, uint32_t count)
{
    ZWriter *w = outputOf(h);
    if (!w || !buffer)
        return 0;
    beginOnce(w);
    return zwPut(w, buffer, count);
}

static short finishOutput(ZFHANDLE h)
{
    ZWriter *w = outputOf(h);
    if (!w)
        return 0;
    ZFltMod.outputs[h - 1] = NULL;
    beginOnce(w);
    int ok = ZFormatOfModule.finish(w) == 0;
    zwClose(w);
    delete w;
    return ok ? 1 : 0;
}

short WINAPI CloseFilterOutput2(ZFHANDLE h)
{
    return finishOutput(h);
}

void WINAPI CloseFilterOutput(ZFHANDLE h)
{
    if (outputOf(h) && !finishOutput(h)) {
        char text[200];
        snprintf(text, sizeof text, "The %s file could not be written completely (is the disk full?).",
                 ZFormatOfModule.name);
        MessageBoxA(NULL, text, ZFormatOfModule.name, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
    }
}

short WINAPI FilterStoredType(ZFHANDLE h, uint16_t *bits, uint16_t *channels, uint16_t *isFloat)
{
    ZReader *r = inputOf(h);
    if (!r || !bits || !channels || !isFloat)
        return 0;
    int bps = zpBytesPer(r->enc);
    int companded = r->enc == ZE_ULAW || r->enc == ZE_ALAW;
    *bits = (uint16_t)(companded ? r->bits : bps * 8);
    *channels = r->fileChannels;
    *isFloat = (r->enc == ZE_F32BE || r->enc == ZE_F64BE) ? 1 : 0;
    return 1;
}

void WINAPI GetSuggestedSampleType2(uint32_t *rate, uint16_t *bits, uint16_t *channels, uint32_t options)
{
    if (!rate || !bits || !channels)
        return;
    if (ZFormatOfModule.suggest) {
        ZFormatOfModule.suggest(rate, bits, channels, options);
        return;
    }
    *rate = 0;
    *bits = (*bits == 8 || *bits == 16) ? 0 : 16;
    *channels = (*channels == 1 || *channels == 2) ? 0 : (*channels > 2 ? 2 : 1);
}

void WINAPI GetSuggestedSampleType(uint32_t *rate, uint16_t *bits, uint16_t *channels)
{
    GetSuggestedSampleType2(rate, bits, channels, 1);
}

short WINAPI FilterCanWriteSpecial(ZFHANDLE h, int code)
{
    return outputOf(h) && ZFormatOfModule.canWriteSpecial && ZFormatOfModule.canWriteSpecial(code) ? 1 : 0;
}

void WINAPI FilterWriteSpecial(ZFHANDLE h, int code, const void *data, uint32_t size)
{
    ZWriter *w = outputOf(h);
    if (w && ZFormatOfModule.canWriteSpecial && ZFormatOfModule.canWriteSpecial(code))
        zwKeepItem(w, code, data, size);
}

} // extern "C"
