/*
 * profile.cpp - the settings folder and the two INI files in it ("zelo.ini" and "win.ini",
 * the stand-in for the system profile's [Zelo Edit] and [Extensions] sections).
 *
 * Global state: the folder and the two full paths (static, fixed once first asked for unless
 * profileSetFolder names another folder).  Always full paths: a bare name would send the
 * private-profile calls to the Windows directory.  Numbers are parsed here, not by
 * GetPrivateProfileInt, so a hand-edited "abc" yields the default rather than 0.
 */
#include "core/profile.h"

#include <windows.h>
#include <shlobj.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static char folder[MAX_PATH];
static char privatePath[MAX_PATH];
static char userPath[MAX_PATH];

static void makePaths(void)
{
    snprintf(privatePath, sizeof privatePath, "%s\\zelo.ini", folder);
    snprintf(userPath, sizeof userPath, "%s\\win.ini", folder);
}

void profileSetFolder(const char *dir)
{
    snprintf(folder, sizeof folder, "%s", dir ? dir : "");
    size_t n = strlen(folder);
    while (n > 3 && (folder[n - 1] == '\\' || folder[n - 1] == '/'))
        folder[--n] = 0;
    makePaths();
}

const char *profileFolder(void)
{
    if (!folder[0]) {
        char buf[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("ZELO_SETTINGS_DIR", buf, sizeof buf);
        if (n > 0 && n < sizeof buf) {
            profileSetFolder(buf);
        } else {
            char app[MAX_PATH];
            if (SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, 0, app) != S_OK)
                GetWindowsDirectoryA(app, sizeof app);
            snprintf(buf, sizeof buf, "%s\\Zelo Edit", app);
            profileSetFolder(buf);
        }
    }
    CreateDirectoryA(folder, NULL);   /* first use; fails harmlessly when it is there */
    return folder;
}

const char *profilePrivatePath(void) { profileFolder(); return privatePath; }
const char *profileUserPath(void) { profileFolder(); return userPath; }

/* Leading blanks, an optional sign and decimal digits; what follows is ignored (as the
   platform's own reader does).  No digits: the default.  Out of range: clamped. */
static long parseLong(const char *s, long def)
{
    while (*s == ' ' || *s == '\t')
        s++;
    const char *p = s;
    if (*p == '+' || *p == '-')
        p++;
    if (*p < '0' || *p > '9')
        return def;
    errno = 0;
    long v = strtol(s, NULL, 10);
    return v;   /* strtol saturates at LONG_MIN / LONG_MAX */
}

static long getInt(const char *file, const char *section, const char *key, long def)
{
    char buf[64];
    GetPrivateProfileStringA(section, key, "", buf, sizeof buf, file);
    return parseLong(buf, def);
}

static void getString(const char *file, const char *section, const char *key, const char *def,
                      char *out, size_t outSize)
{
    if (!out || outSize == 0)
        return;
    GetPrivateProfileStringA(section, key, def ? def : "", out, (DWORD)outSize, file);
}

long profileGetInt(const char *section, const char *key, long def)
{
    return getInt(profilePrivatePath(), section, key, def);
}

void profileGetString(const char *section, const char *key, const char *def, char *out, size_t outSize)
{
    getString(profilePrivatePath(), section, key, def, out, outSize);
}

void profileSetInt(const char *section, const char *key, long value)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%ld", value);
    WritePrivateProfileStringA(section, key, buf, profilePrivatePath());
}

void profileSetString(const char *section, const char *key, const char *value)
{
    WritePrivateProfileStringA(section, key, value, profilePrivatePath());
}

long userProfileGetInt(const char *section, const char *key, long def)
{
    return getInt(profileUserPath(), section, key, def);
}

void userProfileGetString(const char *section, const char *key, const char *def, char *out, size_t outSize)
{
    getString(profileUserPath(), section, key, def, out, outSize);
}

void userProfileSetString(const char *section, const char *key, const char *value)
{
    WritePrivateProfileStringA(section, key, value, profileUserPath());
}
