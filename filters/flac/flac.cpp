/*
 * flac.cpp - the FLAC filter module: the entry points of zfilter.h over flaccore.
 *
 * Writes FlacFlt (the handle slots).  Reading hands the host 8/16-bit PCM (wider streams as
 * 16-bit, more than two channels as their front pair); writing makes FLAC files of 8/16-bit
 * mono or stereo at the compression level of the options value.  Special items are exchanged
 * before the sample data, because the file keeps them in header blocks in front of the frames.
 * The options value is FLACFLT_OPT_SET | level; anything else means the default level.
 */
#include "filters/sdk/zfilter.h"
#include "filters/flac/flaccore.h"

#include <stdio.h>
#include <string.h>

#define FLACFLT_SLOTS   16
#define FLACFLT_PIECE   65536u   /* whole frames of every type the module delivers */
#define FLACFLT_OPT_SET 0x100u   /* the options value carries a level in its low four bits */

struct FlacFltInput {
    FlcReader *reader;
    bool tellUser;      /* opened by the host for real (not a probe): a bad signature is shown */
    bool told;
    char name[MAX_PATH];
};

struct FlacFltState {
    FlacFltInput inputs[FLACFLT_SLOTS];   /* handle = slot + 1 */
    FlcWriter *outputs[FLACFLT_SLOTS];
};
static FlacFltState FlacFlt;

static const char kFormatName[] = "FLAC Lossless";

static FlacFltInput *inputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= FLACFLT_SLOTS && FlacFlt.inputs[h - 1].reader) ? &FlacFlt.inputs[h - 1] : NULL;
}

static FlcWriter *outputOf(ZFHANDLE h)
{
    return (h >= 1 && h <= FLACFLT_SLOTS) ? FlacFlt.outputs[h - 1] : NULL;
}

static int levelOf(uint32_t options)
{
    return ((options & ~0xFu) == FLACFLT_OPT_SET && (options & 0xF) <= FLC_LEVEL_MAX) ? (int)(options & 0xF)
                                                                                       : FLC_LEVEL_DEFAULT;
}

/* ---- the options dialog, built in memory (the module carries no resources) ---- */

#define IDC_FLAC_LEVEL 101

struct DlgBuilder {
    alignas(4) WORD words[1024];
    int n;
    void align4()
    {
        if (n & 1)
            words[n++] = 0;
    }
    void text(const char *s)
    {
        while (*s)
            words[n++] = (WORD)(unsigned char)*s++;
        words[n++] = 0;
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls, const char *caption)
    {
        align4();
        DLGITEMTEMPLATE *t = (DLGITEMTEMPLATE *)&words[n];
        t->style = style | WS_CHILD | WS_VISIBLE;
        t->dwExtendedStyle = 0;
        t->x = x;
        t->y = y;
        t->cx = cx;
        t->cy = cy;
        t->id = id;
        n += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
        words[n++] = 0xFFFF;
        words[n++] = cls;
        text(caption);
        words[n++] = 0;   /* no creation data */
    }
};

static const char *const kLevelNames[FLC_LEVEL_MAX + 1] = {
    "0 (fastest)", "1", "2", "3", "4", "5 (usual)", "6", "7", "8 (smallest)"};

static INT_PTR CALLBACK optionsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(dlg, IDC_FLAC_LEVEL);
        for (int i = 0; i <= FLC_LEVEL_MAX; i++)
            SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)kLevelNames[i]);
        SendMessageA(list, CB_SETCURSEL, (WPARAM)lp, 0);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            LRESULT sel = SendDlgItemMessageA(dlg, IDC_FLAC_LEVEL, CB_GETCURSEL, 0, 0);
            EndDialog(dlg, (INT_PTR)(FLACFLT_OPT_SET | (sel >= 0 && sel <= FLC_LEVEL_MAX ? sel : FLC_LEVEL_DEFAULT)));
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

extern "C" {

short WINAPI QueryZeloFilter(ZfFilterRecord *record)
{
    if (!record)
        return 0;
    memset(record, 0, offsetof(ZfFilterRecord, moduleName));
    strcpy(record->formatName, kFormatName);
    strcpy(record->progressNote, "Compressing a FLAC file");
    record->flags = ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_PRE | ZF_SPECIAL_WRITE_PRE | ZF_HASOPTIONS;
    strcpy(record->ext, "flac");
    strcpy(record->ext2, "fla");
    return ZF_QUERY_OK;
}

short WINAPI FilterUnderstandsFormat(LPCSTR fileName)
{
    if (!fileName)
        return 0;
    const char *why = NULL;
    FlcReader *r = flcOpenFile(fileName, NULL, &why);
    if (!r) {
        if (why) {
            char line[400];
            snprintf(line, sizeof line, "flac.flt: %s: %s\n", fileName, why);
            OutputDebugStringA(line);
        }
        return 0;
    }
    flcClose(r);
    return 1;
}

ZFHANDLE WINAPI OpenFilterInput2(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                 HWND owner, uint32_t *pieceSize, HINSTANCE module)
{
    if (!fileName)
        return 0;
    int slot = 0;
    while (slot < FLACFLT_SLOTS && FlacFlt.inputs[slot].reader)
        slot++;
    if (slot == FLACFLT_SLOTS)
        return 0;
    FlcReader *r = flcOpenFile(fileName, NULL, NULL);
    if (!r)
        return 0;
    const FlcInfo *in = flcInfo(r);
    if (rate)
        *rate = in->rate;
    if (bits)
        *bits = in->bits;
    if (channels)
        *channels = in->channels;
    if (pieceSize)
        *pieceSize = FLACFLT_PIECE;
    FlacFltInput &s = FlacFlt.inputs[slot];
    s.reader = r;
    s.tellUser = module != NULL;
    s.told = false;
    snprintf(s.name, sizeof s.name, "%s", fileName);
    return (ZFHANDLE)(slot + 1);
}

ZFHANDLE WINAPI OpenFilterInput(LPCSTR fileName, uint32_t *rate, uint16_t *bits, uint16_t *channels,
                                HWND owner, uint32_t *pieceSize)
{
    return OpenFilterInput2(fileName, rate, bits, channels, owner, pieceSize, NULL);
}

uint32_t WINAPI FilterGetFileSize(ZFHANDLE h)
{
    FlacFltInput *s = inputOf(h);
    return s ? flcInfo(s->reader)->bytes : 0;
}

uint32_t WINAPI ReadFilterInput(ZFHANDLE h, BYTE *buffer, uint32_t pieceSize)
{
    FlacFltInput *s = inputOf(h);
    if (!s || !buffer)
        return 0;
    uint32_t n = flcRead(s->reader, buffer, pieceSize);
    int state = flcMd5State(s->reader);
    if (!s->told && (state == FLC_MD5_MISMATCH || state == FLC_MD5_DAMAGED)) {
        s->told = true;
        char text[MAX_PATH + 200];
        snprintf(text, sizeof text,
                 state == FLC_MD5_MISMATCH
                     ? "%s\n\nThe samples do not match the file's MD5 signature: the file is damaged. "
                       "The samples have been read as they are."
                     : "%s\n\nThe file is damaged: it has been read up to the damage.",
                 s->name);
        OutputDebugStringA(text);
        if (s->tellUser)
            MessageBoxA(NULL, text, kFormatName, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
    }
    return n;
}

uint32_t WINAPI SeekFilterInput(ZFHANDLE h, uint32_t bytePosition)
{
    FlacFltInput *s = inputOf(h);
    return s ? flcSeek(s->reader, bytePosition) : 0;
}

void WINAPI CloseFilterInput(ZFHANDLE h)
{
    FlacFltInput *s = inputOf(h);
    if (s) {
        flcClose(s->reader);
        s->reader = NULL;
    }
}

/* Says what the stream holds: its width and channels when the host is given something else. */
short WINAPI FilterOptionsString(ZFHANDLE h, LPSTR text)
{
    FlacFltInput *s = inputOf(h);
    if (!s || !text)
        return 0;
    const FlcInfo *in = flcInfo(s->reader);
    char ch[16];
    if (in->fileChannels == 1)
        strcpy(ch, "Mono");
    else if (in->fileChannels == 2)
        strcpy(ch, "Stereo");
    else
        snprintf(ch, sizeof ch, "%u ch", (unsigned)in->fileChannels);
    snprintf(text, ZF_OPTIONS_TEXT_MAX, "FLAC %d-bit %s", in->fileBits, ch);
    return 1;
}

/* A file of ours says its level; the usual level stands for any other. */
uint32_t WINAPI FilterOptions(ZFHANDLE h)
{
    FlacFltInput *s = inputOf(h);
    int level = s ? flcInfo(s->reader)->level : -1;
    return FLACFLT_OPT_SET | (uint32_t)(level >= 0 ? level : FLC_LEVEL_DEFAULT);
}

uint32_t WINAPI FilterGetOptions(HWND owner, HINSTANCE module, uint32_t rate, uint16_t channels, uint16_t bits,
                                 uint32_t current)
{
    static DlgBuilder b;
    b.n = 0;
    DLGTEMPLATE *t = (DLGTEMPLATE *)b.words;
    t->style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t->dwExtendedStyle = 0;
    t->cdit = 5;
    t->x = 0;
    t->y = 0;
    t->cx = 180;
    t->cy = 86;
    b.n = sizeof(DLGTEMPLATE) / sizeof(WORD);
    b.words[b.n++] = 0;   /* no menu */
    b.words[b.n++] = 0;   /* standard class */
    b.text("FLAC Options");
    b.words[b.n++] = 8;
    b.text("MS Shell Dlg");
    b.item(SS_LEFT, 8, 8, 164, 10, 0xFFFF, 0x0082, "&Compression level:");
    b.item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 8, 20, 164, 120, IDC_FLAC_LEVEL, 0x0085, "");
    b.item(SS_LEFT, 8, 38, 164, 20, 0xFFFF, 0x0082,
           "Every level is lossless; higher levels make smaller files and take longer.");
    b.item(BS_DEFPUSHBUTTON | WS_TABSTOP, 68, 64, 50, 14, IDOK, 0x0080, "OK");
    b.item(BS_PUSHBUTTON | WS_TABSTOP, 122, 64, 50, 14, IDCANCEL, 0x0080, "Cancel");
    HINSTANCE self = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)&optionsProc, &self);
    INT_PTR r = DialogBoxIndirectParamA(self, t, owner, optionsProc, (LPARAM)levelOf(current));
    return r > 0 ? (uint32_t)r : 0;
}

uint32_t WINAPI FilterCanReadSpecial(ZFHANDLE h, int code)
{
    FlacFltInput *s = inputOf(h);
    return s ? flcSpecialSize(s->reader, code) : 0;
}

uint32_t WINAPI FilterReadSpecial(ZFHANDLE h, int code, void *buffer, uint32_t size)
{
    FlacFltInput *s = inputOf(h);
    return (s && buffer) ? flcReadSpecial(s->reader, code, buffer, size) : 0;
}

ZFHANDLE WINAPI OpenFilterOutput(LPCSTR fileName, uint32_t rate, uint16_t bits, uint16_t channels,
                                 uint32_t dataBytes, uint32_t *pieceSize, uint32_t options)
{
    if (!fileName)
        return 0;
    int slot = 0;
    while (slot < FLACFLT_SLOTS && FlacFlt.outputs[slot])
        slot++;
    if (slot == FLACFLT_SLOTS)
        return 0;
    FlcWriter *w = flcCreate(fileName, rate, bits, channels, dataBytes, levelOf(options), NULL);
    if (!w)
        return 0;
    if (pieceSize)
        *pieceSize = FLACFLT_PIECE;
    FlacFlt.outputs[slot] = w;
    return (ZFHANDLE)(slot + 1);
}

uint32_t WINAPI WriteFilterOutput(ZFHANDLE h, const BYTE *buffer, uint32_t count)
{
    FlcWriter *w = outputOf(h);
    return (w && buffer) ? flcWrite(w, buffer, count) : 0;
}

static short finishOutput(ZFHANDLE h)
{
    FlcWriter *w = outputOf(h);
    if (!w)
        return 0;
    FlacFlt.outputs[h - 1] = NULL;
    return flcFinish(w) == FLC_OK ? 1 : 0;
}

short WINAPI CloseFilterOutput2(ZFHANDLE h)
{
    return finishOutput(h);
}

void WINAPI CloseFilterOutput(ZFHANDLE h)
{
    if (outputOf(h) && !finishOutput(h))
        MessageBoxA(NULL, "The FLAC file could not be written completely (is the disk full?).", kFormatName,
                    MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
}

short WINAPI FilterStoredType(ZFHANDLE h, uint16_t *bits, uint16_t *channels, uint16_t *isFloat)
{
    FlacFltInput *s = inputOf(h);
    if (!s || !bits || !channels || !isFloat)
        return 0;
    const FlcInfo *in = flcInfo(s->reader);
    *bits = in->fileBits;
    *channels = in->fileChannels;
    *isFloat = 0;
    return 1;
}

void WINAPI GetSuggestedSampleType(uint32_t *rate, uint16_t *bits, uint16_t *channels)
{
    if (rate)
        *rate = (*rate == 0 || *rate > 655350) ? 44100 : 0;
    if (bits)
        *bits = (*bits == 8 || *bits == 16) ? 0 : 16;
    if (channels)
        *channels = (*channels == 1 || *channels == 2) ? 0 : (*channels > 2 ? 2 : 1);
}

short WINAPI FilterCanWriteSpecial(ZFHANDLE h, int code)
{
    return outputOf(h) && flcCanWriteSpecial(code) ? 1 : 0;
}

void WINAPI FilterWriteSpecial(ZFHANDLE h, int code, const void *data, uint32_t size)
{
    FlcWriter *w = outputOf(h);
    if (w)
        flcWriteSpecial(w, code, data, size);
}

} // extern "C"
