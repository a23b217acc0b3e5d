/*
 * cdmci.cpp - the drive over MCI command strings and the title files over the platform's
 * private-profile calls: the two platform halves of cdcore's interfaces.  No window.
 */
#include "cd/cd.h"

#include <mmsystem.h>
#include <stdio.h>

unsigned long cdMciSend(void *ctx, const char *command, char *reply, size_t size)
{
    (void)ctx;
    char buf[CD_REPLY_MAX];
    buf[0] = 0;
    MCIERROR err = mciSendStringA(command, buf, sizeof buf, NULL);
    if (reply && size) {
        snprintf(reply, size, "%s", err ? "" : buf);
    }
    return (unsigned long)err;
}

static void profileGet(void *, const char *file, const char *section, const char *key, const char *def, char *out,
                       size_t size)
{
    if (!out || size == 0)
        return;
    GetPrivateProfileStringA(section, key, def ? def : "", out, (DWORD)size, file);
}

static void profileSet(void *, const char *file, const char *section, const char *key, const char *value)
{
    WritePrivateProfileStringA(section, key, value, file);
}

static long fileSize(void *, const char *file)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(file, GetFileExInfoStandard, &a))
        return -1;
    if (a.nFileSizeHigh || a.nFileSizeLow > 0x7FFFFFFFu)
        return 0x7FFFFFFF;
    return (long)a.nFileSizeLow;
}

const CdIni CdProfileIni = {NULL, profileGet, profileSet, fileSize};
