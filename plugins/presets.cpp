/*
 * presets.cpp - the preset services of presets.h: the dialog's list, name field and
 * buttons, and the INI file, over the window-free lines and settings walk of presetcore.cpp.
 *
 * Writes Presets.file (presetsInitIni) and the preset section of the chosen file.  zelo.ini
 * is reached through the program's profile layer, any other file through the private-
 * profile calls with a full path (a bare name lies in the settings folder, never in the
 * Windows directory).  The settings block is locked only inside one call.
 */
#include "plugins/presets.h"
#include "plugins/presetcore.h"
#include "core/document.h"
#include "core/profile.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>

PresetsState Presets;

/* Offsets in the module's context record and in its registry row. */
enum {
    CTX_DATA = 12,          /* handle of the settings block */
    CTX_ENTRY = 28,         /* pointer to the registry row */
    ENTRY_DATASIZE = 196,
    ENTRY_LAYOUT = 200,
    ENTRY_MASK = 248,
    ENTRY_TEXT = 48,
    LINE_MAX = 16384,       /* a preset holding 70-point graphs and texts fits */
};
static_assert(sizeof(void *) == 4, "the context record holds 32-bit handles and pointers");

static void iniRead(void *, const char *section, const char *key, std::string *out)
{
    static char buf[LINE_MAX];
    buf[0] = 0;
    if (Presets.file[0])
        GetPrivateProfileStringA(section, key, "", buf, sizeof buf, Presets.file);
    else
        profileGetString(section, key, "", buf, sizeof buf);
    *out = buf;
}

static void iniWrite(void *, const char *section, const char *key, const char *value)
{
    if (Presets.file[0])
        WritePrivateProfileStringA(section, key, value, Presets.file);
    else
        profileSetString(section, key, value);
}

static const PresetIni presetIni = {iniRead, iniWrite, NULL};

static void chooseFile(LPCSTR iniFile)
{
    Presets.file[0] = 0;
    if (!iniFile || !iniFile[0])
        return;
    const char *base = iniFile;
    for (const char *p = iniFile; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            base = p + 1;
    if (!lstrcmpiA(base, "zelo.ini"))
        return;
    if (base != iniFile)
        snprintf(Presets.file, sizeof Presets.file, "%s", iniFile);
    else
        snprintf(Presets.file, sizeof Presets.file, "%s\\%s", profileFolder(), iniFile);
}

static int currentChannels(void)
{
    return Doc.wave ? Doc.wave->channels : Wave.channels;
}

static void addToList(void *ctx, const std::string &name, int key)
{
    HWND list = (HWND)ctx;
    LRESULT i = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)name.c_str());
    if (i >= 0)
        SendMessageA(list, LB_SETITEMDATA, (WPARAM)i, (LPARAM)key);
}

static short fillList(HWND dlg, LPCSTR section)
{
    HWND list = GetDlgItem(dlg, PRESET_LIST);
    if (list)
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
    if (!section)
        return 0;
    return (short)presetScan(&presetIni, section, currentChannels(), list ? addToList : NULL, list);
}

static void nameField(HWND dlg, char *name)   /* PRESET_NAMEMAX + 1 bytes */
{
    name[0] = 0;
    GetDlgItemTextA(dlg, PRESET_NAME, name, PRESET_NAMEMAX + 1);
}

static void enableButtons(HWND dlg, BOOL add, BOOL del)
{
    EnableWindow(GetDlgItem(dlg, PRESET_ADD), add);
    EnableWindow(GetDlgItem(dlg, PRESET_DEL), del);
}

/* The settings of a context: the locked block, its usable size, layout and mask.  NULL
   when the context has no block or no registry row. */
struct Settings {
    HGLOBAL data;
    unsigned char *bytes;
    size_t size;
    char layout[ENTRY_TEXT + 1], mask[ENTRY_TEXT + 1];
};

static unsigned char *lockSettings(void *context, Settings *s)
{
    memset(s, 0, sizeof *s);
    if (!context)
        return NULL;
    const unsigned char *entry;
    memcpy(&s->data, (const char *)context + CTX_DATA, sizeof s->data);
    memcpy(&entry, (const char *)context + CTX_ENTRY, sizeof entry);
    if (!s->data || !entry)
        return NULL;
    uint32_t dataSize;
    memcpy(&dataSize, entry + ENTRY_DATASIZE, 4);
    memcpy(s->layout, entry + ENTRY_LAYOUT, ENTRY_TEXT);
    memcpy(s->mask, entry + ENTRY_MASK, ENTRY_TEXT);
    s->bytes = (unsigned char *)GlobalLock(s->data);
    if (!s->bytes)
        return NULL;
    size_t have = GlobalSize(s->data);
    s->size = dataSize && dataSize < have ? dataSize : have;
    return s->bytes;
}

static void unlockSettings(Settings *s)
{
    if (s->bytes)
        GlobalUnlock(s->data);
    s->bytes = NULL;
}

extern "C" {

short WINAPI presetsInitIni(HWND dlg, LPCSTR section, LPCSTR iniFile)
{
    chooseFile(iniFile);
    short live = fillList(dlg, section);
    enableButtons(dlg, FALSE, FALSE);
    return live;
}

short WINAPI presetsInit(HWND dlg, LPCSTR section)
{
    chooseFile(NULL);
    return fillList(dlg, section);
}

void WINAPI presetHandlePRESETNAME(HWND dlg)
{
    char name[PRESET_NAMEMAX + 1];
    nameField(dlg, name);
    if (!name[0]) {
        enableButtons(dlg, FALSE, FALSE);
        return;
    }
    LRESULT i = SendDlgItemMessageA(dlg, PRESET_LIST, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name);
    if (i != LB_ERR)
        enableButtons(dlg, FALSE, TRUE);
    else
        enableButtons(dlg, TRUE, FALSE);
}

short WINAPI HandleID_PRESETS(void *context, HWND dlg, LPCSTR section, WORD notification, HWND list)
{
    if (!list)
        list = GetDlgItem(dlg, PRESET_LIST);
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR || !section)
        return 0;
    if (notification == LBN_SELCHANGE) {
        char name[256];
        LRESULT len = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)sel, 0);
        if (len < 0 || len >= (LRESULT)sizeof name)
            return 0;
        SendMessageA(list, LB_GETTEXT, (WPARAM)sel, (LPARAM)name);
        SetDlgItemTextA(dlg, PRESET_NAME, name);
        return 0;
    }
    if (notification != LBN_DBLCLK)
        return 0;
    int key = (int)SendMessageA(list, LB_GETITEMDATA, (WPARAM)sel, 0);
    std::string line;
    iniRead(NULL, section, presetKey(key).c_str(), &line);
    if (line.empty())
        return 0;
    Settings s;
    if (!lockSettings(context, &s))
        return 0;
    presetLoadFields(line, s.layout, s.mask, s.bytes, s.size);
    unlockSettings(&s);
    return 1;
}

void WINAPI HandleID_ADD(void *context, HWND dlg, LPCSTR section)
{
    char name[PRESET_NAMEMAX + 1];
    nameField(dlg, name);
    if (!name[0] || !section)
        return;
    int key = presetFreeKey(&presetIni, section);
    if (!key)
        return;
    std::string line = presetNewLine(name, PRESET_MASK_HOST);
    iniWrite(NULL, section, presetKey(key).c_str(), line.c_str());
    HWND list = GetDlgItem(dlg, PRESET_LIST);
    addToList(list, name, key);
    Settings s;
    if (lockSettings(context, &s)) {
        line = presetStoreFields(line, s.layout, s.mask, s.bytes, s.size);
        unlockSettings(&s);
        iniWrite(NULL, section, presetKey(key).c_str(), line.c_str());
    }
    presetHandlePRESETNAME(dlg);
}

short WINAPI presetHandleDEL(HWND dlg, LPCSTR section)
{
    char name[PRESET_NAMEMAX + 1];
    nameField(dlg, name);
    if (!name[0] || !section)
        return 1;
    HWND list = GetDlgItem(dlg, PRESET_LIST);
    LRESULT i = SendMessageA(list, LB_FINDSTRING, (WPARAM)-1, (LPARAM)name);
    if (i == LB_ERR)
        return 1;
    int key = (int)SendMessageA(list, LB_GETITEMDATA, (WPARAM)i, 0);
    if (key >= 1 && key <= PRESET_KEYMAX)
        iniWrite(NULL, section, presetKey(key).c_str(), "none");
    SendMessageA(list, LB_DELETESTRING, (WPARAM)i, 0);
    enableButtons(dlg, TRUE, FALSE);
    return 0;
}

} // extern "C"

int GetPresetValue(LPCSTR section, int key, int k, char *dest, int max)
{
    if (dest && max > 0)
        dest[0] = 0;
    std::string line, value;
    iniRead(NULL, section, presetKey(key).c_str(), &line);
    int r = presetGetValue(line, k, &value, max > 0 ? (size_t)max - 1 : 0);
    if (r == 0 && dest && max > 0)
        snprintf(dest, (size_t)max, "%s", value.c_str());
    return r;
}
