/*
 * testflt.cpp - a small file-filter module for the host's tests, built several times with
 * different behaviour flags (TFLT_NOSIZE, TFLT_RATE0, TFLT_NOWRITE, TFLT_SHORTWRITE,
 * TFLT_NOQUERY, TFLT_MONO8; each build's .def file leaves out what it lacks).  The TFLT_MONO8
 * build writes only 11025 Hz 8-bit mono and suggests that type for anything else.  File layout: the tag
 * "TFLT" ("RAWD" for the raw build), rate u32, bits u16, channels u16, then the samples.
 * Every call is appended to the file named by the environment variable TFLT_LOG.
 * State: one open input and one open output file at a time.
 */
#include "filters/sdk/zfilter.h"

#include <stdio.h>
#include <string.h>

#ifdef TFLT_RATE0
#define TAG "RAWD"
#define EXT "RAW"
#elif defined(TFLT_NOSIZE)
#define TAG "TFLT"
#define EXT "TNS"
#elif defined(TFLT_NOWRITE)
#define TAG "TFLT"
#define EXT "TNW"
#elif defined(TFLT_SHORTWRITE)
#define TAG "TFLT"
#define EXT "TSH"
#elif defined(TFLT_MONO8)
#define TAG "TFLT"
#define EXT "TM8"
#else
#define TAG "TFLT"
#define EXT "TFL"
#endif

static HANDLE in = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE;
static DWORD written;

static void say(const char *what, int code = -1, const char *text = NULL)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("TFLT_LOG", path, sizeof path))
        return;
    FILE *f = fopen(path, "a");
    if (!f)
        return;
    fprintf(f, "%s %s", TFLT_NAME, what);
    if (code >= 0)
        fprintf(f, " %d", code);
    if (text)
        fprintf(f, " %s", text);
    fputc('\n', f);
    fclose(f);
}

extern "C" {

short WINAPI QueryZeloFilter(ZfFilterRecord *r)
{
    say("Query");
    strcpy(r->formatName, "Test " EXT);
    strcpy(r->progressNote, "Testing");
    r->flags = ZF_CANREAD | ZF_CANWRITE | ZF_SPECIAL_READ_POST | ZF_SPECIAL_WRITE_PRE;
    strcpy(r->ext, EXT);
    return ZF_QUERY_OK;
}

short WINAPI FilterUnderstandsFormat(LPCSTR name)
{
    say("Understands");
    HANDLE f = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    char tag[4];
    DWORD got = 0;
    BOOL ok = ReadFile(f, tag, 4, &got, NULL);
    CloseHandle(f);
    return ok && got == 4 && memcmp(tag, TAG, 4) == 0;
}

ZFHANDLE WINAPI OpenFilterInput2(LPCSTR name, uint32_t *rate, uint16_t *bits, uint16_t *channels, HWND owner,
                                 uint32_t *piece, HINSTANCE module)
{
    say(module ? "Open2+instance" : "Open2");
    in = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (in == INVALID_HANDLE_VALUE)
        return 0;
    unsigned char h[12];
    DWORD got = 0;
    if (!ReadFile(in, h, 12, &got, NULL) || got != 12) {
        CloseHandle(in);
        in = INVALID_HANDLE_VALUE;
        return 0;
    }
    memcpy(rate, h + 4, 4);
    memcpy(bits, h + 8, 2);
    memcpy(channels, h + 10, 2);
#ifdef TFLT_RATE0
    *rate = 0;
    *bits = 0;
    *channels = 0;
#endif
    *piece = 4096;
    return 1;
}

ZFHANDLE WINAPI OpenFilterInput(LPCSTR name, uint32_t *rate, uint16_t *bits, uint16_t *channels, HWND owner,
                                uint32_t *piece)
{
    return OpenFilterInput2(name, rate, bits, channels, owner, piece, NULL);
}

uint32_t WINAPI FilterGetFileSize(ZFHANDLE h)
{
    DWORD size = GetFileSize(in, NULL);
    return size > 12 ? size - 12 : 0;
}

uint32_t WINAPI ReadFilterInput(ZFHANDLE h, BYTE *buf, uint32_t n)
{
    DWORD got = 0;
    return ReadFile(in, buf, n, &got, NULL) ? got : 0;
}

void WINAPI CloseFilterInput(ZFHANDLE h)
{
    say("CloseIn");
    CloseHandle(in);
    in = INVALID_HANDLE_VALUE;
}

short WINAPI FilterOptionsString(ZFHANDLE h, LPSTR text)
{
    return 0;
}

static const char comment[] = "module comment";
static const char title[] = "module name";

uint32_t WINAPI FilterCanReadSpecial(ZFHANDLE h, int code)
{
    say("CanRead", code);
    if (code == ZF_ICMT)
        return sizeof comment;
    if (code == ZF_INAM)
        return sizeof title;
    return 0;
}

uint32_t WINAPI FilterReadSpecial(ZFHANDLE h, int code, void *buf, uint32_t size)
{
    const char *t = code == ZF_ICMT ? comment : code == ZF_INAM ? title : NULL;
    if (!t || size < strlen(t) + 1)
        return 0;
    memcpy(buf, t, strlen(t) + 1);
    return 1;
}

ZFHANDLE WINAPI OpenFilterOutput(LPCSTR name, uint32_t rate, uint16_t bits, uint16_t channels, uint32_t bytes,
                                 uint32_t *piece, uint32_t options)
{
    say("OpenOut");
#ifdef TFLT_MONO8
    if (rate != 11025 || bits != 8 || channels != 1)
        return 0;
#endif
    out = CreateFileA(name, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (out == INVALID_HANDLE_VALUE)
        return 0;
    unsigned char h[12];
    memcpy(h, TAG, 4);
    memcpy(h + 4, &rate, 4);
    memcpy(h + 8, &bits, 2);
    memcpy(h + 10, &channels, 2);
    DWORD put = 0;
    WriteFile(out, h, 12, &put, NULL);
    written = 0;
    *piece = 3000;
    return 1;
}

uint32_t WINAPI WriteFilterOutput(ZFHANDLE h, const BYTE *buf, uint32_t n)
{
#ifdef TFLT_SHORTWRITE
    /* The disk "fills" after 5000 bytes of samples. */
    if (written + n > 5000)
        n = written < 5000 ? 5000 - written : 0;
#endif
    DWORD put = 0;
    if (n && !WriteFile(out, buf, n, &put, NULL))
        return 0;
    written += put;
    return put;
}

#ifdef TFLT_MONO8
void WINAPI GetSuggestedSampleType(uint32_t *rate, uint16_t *bits, uint16_t *channels)
{
    say("Suggest");
    *rate = 11025;
    *bits = 8;
    *channels = 1;
}
#endif

void WINAPI CloseFilterOutput(ZFHANDLE h)
{
    say("CloseOut");
    CloseHandle(out);
    out = INVALID_HANDLE_VALUE;
}

short WINAPI FilterCanWriteSpecial(ZFHANDLE h, int code)
{
    return code == ZF_ICMT || code == ZF_INAM || code == ZF_PLAYLIST;
}

void WINAPI FilterWriteSpecial(ZFHANDLE h, int code, const void *data, uint32_t size)
{
    char text[64] = "";
    if (code < ZF_DISP)
        snprintf(text, sizeof text, "%.*s", (int)strnlen((const char *)data, size), (const char *)data);
    say("WriteSpecial", code, text);
}

uint32_t WINAPI FilterOptions(ZFHANDLE h)
{
    return 3;
}

} // extern "C"
