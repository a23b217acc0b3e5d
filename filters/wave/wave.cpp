/*
 * wave.cpp - the wave-file filter module: the entry points of zfilter.h over wavcore.
 *
 * Writes WaveFlt (the handle slots).  Every entry point checks its handle and pointers, so a
 * host fault cannot make the module touch freed memory.  Reading hands the host 8/16-bit PCM
 * (wider, floating-point, A-law and u-law samples as 16-bit; more than two channels mixed down
 * to stereo); writing makes 8/16-bit PCM files.  Special items are read and written after the
 * sample data: the file keeps them in chunks behind the data chunk.
 */
#include "filters/sdk/zfilter.h"
#include "filters/common/zoptdlg.h"
#include "filters/wave/waveflt.h"

#include <stdio.h>
#include <string.h>

WaveFltState WaveFlt;

#define WAVE_PIECE 65536u   /* whole frames of every type the module delivers; large pieces
                               are read and written much faster than small ones */

static WavReader *inputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= WAVEFLT_SLOTS) ? WaveFlt.inputs[h - 1] : NULL;
}

static WavWriter *outputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= WAVEFLT_SLOTS) ? WaveFlt.outputs[h - 1] : NULL;
}

extern "C" {

/* Built once as the wave filter itself, and once for each compression as a write-only
   module (WAVE_FIXED_OPTION, WAVE_FIXED_NAME), so that the Save dialog's type list offers
   every kind of wave file; the wave filter reads them all. */
short WINAPI QueryZeloFilter(ZfFilterRecord *record)
{
    if (!record)
        return 0;
    memset(record, 0, offsetof(ZfFilterRecord, moduleName));
#ifdef WAVE_FIXED_OPTION
    strcpy(record->formatName, WAVE_FIXED_NAME);
    strcpy(record->progressNote, "Writing a " WAVE_FIXED_NAME " wave file");
    record->flags = ZF_CANWRITE | ZF_SPECIAL_WRITE_POST;
#else
    strcpy(record->formatName, "Windows PCM");
    strcpy(record->progressNote, "Writing a Windows PCM wave file");
    record->flags = ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_POST | ZF_HASOPTIONS;
#endif
    strcpy(record->ext, "wav");
    return ZF_QUERY_OK;
}

short WINAPI FilterUnderstandsFormat(LPCSTR fileName)
{
    if (!fileName)
        return 0;
    const char *why = NULL;
    WavReader *r = wavOpenFile(fileName, NULL, &why);
    if (!r) {
        if (why) {
            char line[400];
            snprintf(line, sizeof line, "wave.flt: %s: %s\n", fileName, why);
            OutputDebugStringA(line);
        }
        return 0;
    }
    wavClose(r);
    return 1;
}

ZFHANDLE WINAPI OpenFilterInput2(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                 HWND owner, uint32_t *pieceSize, HINSTANCE module)
{
    if (!fileName)
        return 0;
    int slot = 0;
    while (slot < WAVEFLT_SLOTS && WaveFlt.inputs[slot])
        slot++;
    if (slot == WAVEFLT_SLOTS)
        return 0;
    WavReader *r = wavOpenFile(fileName, NULL, NULL);
    if (!r)
        return 0;
    const WavInfo *in = wavInfo(r);
    if (rate)
        *rate = in->rate;
    if (bits)
        *bits = in->bits;
    if (channels)
        *channels = in->channels;
    if (pieceSize)
        *pieceSize = WAVE_PIECE;
    WaveFlt.inputs[slot] = r;
    return (ZFHANDLE)(slot + 1);
}

ZFHANDLE WINAPI OpenFilterInput(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                HWND owner, uint32_t *pieceSize)
{
    return OpenFilterInput2(fileName, rate, bits, channels, owner, pieceSize, NULL);
}

uint32_t WINAPI FilterGetFileSize(ZFHANDLE h)
{
    WavReader *r = inputOf(h);
    return r ? wavInfo(r)->bytes : 0;
}

uint32_t WINAPI ReadFilterInput(ZFHANDLE h, BYTE *buffer, uint32_t pieceSize)
{
    WavReader *r = inputOf(h);
    return (r && buffer) ? wavRead(r, buffer, pieceSize) : 0;
}

uint32_t WINAPI SeekFilterInput(ZFHANDLE h, uint32_t bytePosition)
{
    WavReader *r = inputOf(h);
    return r ? wavSeek(r, bytePosition) : 0;
}

void WINAPI CloseFilterInput(ZFHANDLE h)
{
    WavReader *r = inputOf(h);
    if (r) {
        wavClose(r);
        WaveFlt.inputs[h - 1] = NULL;
    }
}

/* Says what the file really holds when the host is given something else. */
short WINAPI FilterOptionsString(ZFHANDLE h, LPSTR text)
{
    WavReader *r = inputOf(h);
    if (!r || !text)
        return 0;
    const WavInfo *in = wavInfo(r);
    if (in->fileEncoding == WAV_ENC_PCM && in->fileBits == in->bits && in->fileChannels == in->channels &&
        !in->extensible)
        return 0;
    const char *enc = in->fileEncoding == WAV_ENC_FLOAT ? "float"
                    : in->fileEncoding == WAV_ENC_ALAW  ? "A-law"
                    : in->fileEncoding == WAV_ENC_MULAW ? "u-law"
                    : in->fileEncoding == WAV_ENC_IMA   ? "IMA ADPCM" : "PCM";
    char ch[16];
    if (in->fileChannels == 1)
        strcpy(ch, "Mono");
    else if (in->fileChannels == 2)
        strcpy(ch, "Stereo");
    else
        snprintf(ch, sizeof ch, "%u ch", (unsigned)in->fileChannels);
    snprintf(text, ZF_OPTIONS_TEXT_MAX, "Windows %d-bit %s %s%s", in->fileBits, enc, ch,
             in->extensible ? " (extensible)" : "");
    return 1;
}

uint32_t WINAPI FilterCanReadSpecial(ZFHANDLE h, int code)
{
    WavReader *r = inputOf(h);
    return r ? wavSpecialSize(r, code) : 0;
}

uint32_t WINAPI FilterReadSpecial(ZFHANDLE h, int code, void *buffer, uint32_t size)
{
    WavReader *r = inputOf(h);
    return (r && buffer) ? wavReadSpecial(r, code, buffer, size) : 0;
}

ZFHANDLE WINAPI OpenFilterOutput(LPCSTR fileName, uint32_t rate, uint16_t bits, uint16_t channels,
                                 uint32_t dataBytes, uint32_t *pieceSize, uint32_t options)
{
    if (!fileName)
        return 0;
    int slot = 0;
    while (slot < WAVEFLT_SLOTS && WaveFlt.outputs[slot])
        slot++;
    if (slot == WAVEFLT_SLOTS)
        return 0;
#ifdef WAVE_FIXED_OPTION
    options = WAVE_FIXED_OPTION;
#endif
    WavWriter *w = wavCreate2(fileName, rate, bits, channels, dataBytes, options, NULL);
    if (!w)
        return 0;
    if (pieceSize)
        *pieceSize = WAVE_PIECE;
    WaveFlt.outputs[slot] = w;
    return (ZFHANDLE)(slot + 1);
}

uint32_t WINAPI WriteFilterOutput(ZFHANDLE h, const BYTE *buffer, uint32_t count)
{
    WavWriter *w = outputOf(h);
    return (w && buffer) ? wavWrite(w, buffer, count) : 0;
}

/* Finishes the file; 1 when it is complete.  The special items go out here, so a disk with
   room for the samples but not for a large INFO list fails only now. */
static short finishOutput(ZFHANDLE h)
{
    WavWriter *w = outputOf(h);
    if (!w)
        return 0;
    WaveFlt.outputs[h - 1] = NULL;
    return wavFinish(w) == WAV_OK ? 1 : 0;
}

/* Hosts that know CloseFilterOutput2 report an incomplete file themselves. */
short WINAPI CloseFilterOutput2(ZFHANDLE h)
{
    return finishOutput(h);
}

void WINAPI CloseFilterOutput(ZFHANDLE h)
{
    /* An older host learns nothing from this call, so the user is told here. */
    if (outputOf(h) && !finishOutput(h))
        MessageBoxA(NULL, "The wave file could not be written completely (is the disk full?).",
                    "Windows PCM", MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

short WINAPI FilterStoredType(ZFHANDLE h, uint16_t *bits, uint16_t *channels, uint16_t *isFloat)
{
    WavReader *r = inputOf(h);
    if (!r || !bits || !channels || !isFloat)
        return 0;
    const WavInfo *in = wavInfo(r);
    /* A-law and u-law hold 8-bit codes that widen to 16 bits: nothing is lost there. */
    int companded = in->fileEncoding == WAV_ENC_ALAW || in->fileEncoding == WAV_ENC_MULAW ||
                    in->fileEncoding == WAV_ENC_IMA;
    *bits = companded ? in->bits : in->fileBits;
    *channels = in->fileChannels;
    *isFloat = in->fileEncoding == WAV_ENC_FLOAT ? 1 : 0;
    return 1;
}

void WINAPI GetSuggestedSampleType(uint32_t *rate, uint16_t *bits, uint16_t *channels)
{
    if (rate)
        *rate = 0;
    if (bits)
        *bits = (*bits == 8 || *bits == 16) ? 0 : 16;
    if (channels)
        *channels = (*channels == 1 || *channels == 2) ? 0 : (*channels > 2 ? 2 : 1);
}

/* The encoding of an open file, so that saving it again keeps it (float and wide PCM are
   saved as PCM). */
uint32_t WINAPI FilterOptions(ZFHANDLE h)
{
    WavReader *r = inputOf(h);
    if (!r)
        return WAV_OPT_PCM;
    switch (wavInfo(r)->fileEncoding) {
    case WAV_ENC_MULAW: return WAV_OPT_MULAW;
    case WAV_ENC_ALAW: return WAV_OPT_ALAW;
    case WAV_ENC_IMA: return WAV_OPT_IMA;
    }
    return WAV_OPT_PCM;
}

/* The Save dialog's Options button: the encoding of the samples in the file. */
uint32_t WINAPI FilterGetOptions(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels,
                                 uint16_t bits, uint32_t current)
{
    (void)rate;
    (void)channels;
    (void)bits;
    static const ZOptGroup groups[] = {
        {"Compression", {"None (PCM)", "u-law (8 bits)", "A-law (8 bits)", "IMA ADPCM (4 bits)"}},
    };
    int choice = current == WAV_OPT_MULAW ? 1 : current == WAV_OPT_ALAW ? 2 : current == WAV_OPT_IMA ? 3 : 0;
    if (!zoptAsk(owner, module, "Windows PCM Options", groups, 1, &choice))
        return 0;
    static const uint32_t values[4] = {WAV_OPT_PCM, WAV_OPT_MULAW, WAV_OPT_ALAW, WAV_OPT_IMA};
    return values[choice];
}

short WINAPI FilterCanWriteSpecial(ZFHANDLE h, int code)
{
    return outputOf(h) && wavCanWriteSpecial(code) ? 1 : 0;
}

void WINAPI FilterWriteSpecial(ZFHANDLE h, int code, const void *data, uint32_t size)
{
    WavWriter *w = outputOf(h);
    if (w)
        wavWriteSpecial(w, code, data, size);
}

} // extern "C"
