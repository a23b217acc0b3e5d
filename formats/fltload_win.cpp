/*
 * fltload_win.cpp - the filter platform on Win32: modules are DLLs loaded with LoadLibrary
 * and looked up by their undecorated export names; the module-set signature comes from the
 * directory listing; association changes are broadcast as WM_WININICHANGE "Extensions".
 * Global state: FltOs.  Also proves at compile time that the window-free record mirror
 * matches the module SDK's record byte for byte.
 */
#include "formats/fltrecord.h"
#include "filters/sdk/zfilter.h"

#include <stdio.h>

static_assert(sizeof(FltRecord) == sizeof(ZfFilterRecord), "record size");
static_assert(offsetof(FltRecord, flags) == offsetof(ZfFilterRecord, flags), "flags");
static_assert(offsetof(FltRecord, ext) == offsetof(ZfFilterRecord, ext), "ext");
static_assert(offsetof(FltRecord, moduleName) == offsetof(ZfFilterRecord, moduleName), "moduleName");
static_assert(offsetof(FltRecord, openPos) == offsetof(ZfFilterRecord, openPos), "openPos");
static_assert(FLT_QUERY_OK == ZF_QUERY_OK && FLT_CANREAD == ZF_CANREAD && FLT_CANWRITE == ZF_CANWRITE &&
                  FLT_SORTLAST == ZF_SORTLAST && FLT_SPECIAL_READ_PRE == ZF_SPECIAL_READ_PRE &&
                  FLT_SPECIAL_READ_POST == ZF_SPECIAL_READ_POST && FLT_SPECIAL_WRITE_PRE == ZF_SPECIAL_WRITE_PRE &&
                  FLT_SPECIAL_WRITE_POST == ZF_SPECIAL_WRITE_POST && FLT_HASOPTIONS == ZF_HASOPTIONS &&
                  FLT_AUTOCONVERT == ZF_AUTOCONVERT && FLT_UNCERTAIN == ZF_UNCERTAIN,
              "flags match the SDK");
static_assert(FLT_INFO_FIRST == ZF_IART && FLT_INFO_LAST == ZF_ISRF && FLT_DISP == ZF_DISP &&
                  FLT_CUEPOINTS == ZF_CUEPOINTS && FLT_PLAYLIST == ZF_PLAYLIST &&
                  FLT_OPTIONS_TEXT_MAX == ZF_OPTIONS_TEXT_MAX,
              "codes match the SDK");
static_assert(sizeof(FltHandle) == sizeof(ZFHANDLE), "handle");

/* The SDK's typedefs differ from the mirror's only in HWND / HINSTANCE / LPCSTR spelling,
   which pass identically on i686. */
template <typename T> static void bind(HMODULE h, const char *name, T &slot)
{
    slot = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(h, name)));
}

static int loadModule(const char *path, FltModule *m, uint32_t *error)
{
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE h = LoadLibraryA(path);
    DWORD err = GetLastError();
    SetErrorMode(old);
    if (!h) {
        *error = err ? err : 2;
        return 1;
    }
    m->instance = h;
    *error = 0;
#define BIND(n) bind(h, #n, m->n)
    BIND(QueryZeloFilter);
    if (!m->QueryZeloFilter)
        *error = GetLastError();
    BIND(FilterUnderstandsFormat);
    BIND(OpenFilterInput);
    BIND(OpenFilterInput2);
    BIND(FilterGetFileSize);
    BIND(ReadFilterInput);
    BIND(SeekFilterInput);
    BIND(CloseFilterInput);
    BIND(FilterOptionsString);
    BIND(FilterGetOptions);
    BIND(FilterSetOptions);
    BIND(FilterCanReadSpecial);
    BIND(FilterReadSpecial);
    BIND(OpenFilterOutput);
    BIND(WriteFilterOutput);
    BIND(FilterOptions);
    BIND(CloseFilterOutput);
    BIND(GetSuggestedSampleType);
    BIND(GetSuggestedSampleType2);
    BIND(FilterCanWriteSpecial);
    BIND(FilterWriteSpecial);
    BIND(CloseFilterOutput2);
    BIND(FilterStoredType);
#undef BIND
    return 0;
}

static void unloadModule(FltModule *m)
{
    if (m->instance)
        FreeLibrary((HMODULE)m->instance);
    m->instance = NULL;
}

static uint32_t moduleSignature(const char *dir)
{
    char pattern[MAX_PATH + 8];
    snprintf(pattern, sizeof pattern, "%s\\*.flt", dir);
    WIN32_FIND_DATAA fd;
    HANDLE f = FindFirstFileA(pattern, &fd);
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    uint32_t sum = 0;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            sum += fd.ftCreationTime.dwLowDateTime + fd.nFileSizeLow;
    } while (FindNextFileA(f, &fd));
    FindClose(f);
    return sum;
}

static void broadcastExtensions(void)
{
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, (LPARAM) "Extensions", SMTO_ABORTIFHUNG, 2000,
                        &result);
}

FltPlatform FltOs = {loadModule, unloadModule, moduleSignature, broadcastExtensions};
