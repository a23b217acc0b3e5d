/*
 * tborder.cpp - the button table and the order list: names, loading (three layouts),
 * saving, placing and the dialog's list edits.  Window-free: zelo.ini is reached through
 * the TbIni given by the caller, the transforms through a TbRegistry view.
 */
#include "toolbar/tborder.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

const TbRow TbTable[TB_ROWS] = {
    {0, "[Space]", NULL, 0, "Blank"},
    {1050, "File New", "INEW2", 11, "New"},
    {1100, "File Open", "IOpen", 12, "Open"},
    {138, "File Save", "ISave", 13, "Save"},
    {1051, "File New Instance", "INewInst", 14, "NewInstance"},
    {114, "File Save Selection", "ISaveSel", 15, "SaveSelection"},
    {102, "Edit Undo", "IUndo", 16, "Undo"},
    {2210, "Edit Trim", "ITrim", 17, "Trim"},
    {2200, "Edit Delete", "IDel", 18, "Delete"},
    {2050, "Edit Copy", "ICopy", 19, "Copy"},
    {2150, "Edit Cut", "ICut", 20, "Cut"},
    {2100, "Edit Paste", "IPaste", 21, "Paste"},
    {2110, "Edit Paste Special", "IPasteSp", 22, "PasteSpecial"},
    {3080, "Reverse", "IReverse", 23, "Reverse"},
    {3140, "Silence", "ISilence", 24, "Silence"},
    {3100, "Invert", "IInvert", 25, "Invert"},
    {3150, "Music", "IMusic", 26, "Music"},
    {4100, "Generate Silence", "IGSilence", 27, "AddSilence"},
    {5010, "Loop", "ILoop", 28, "Loop"},
    {5030, "Monitor VU Level", "IMonitor", 29, "Monitor"},
    {5040, "Settings", "ISetting", 30, "Settings"},
    {5060, "Frequency Analysis", "IAnalys", 31, "Analysis"},
    {5050, "Info", "IInfo", 32, "Info"},
    {113, "Scripts", "IScripts", 33, "Scripts"},
    {137, "Cue List", "ICueLst", 34, "CueList"},
    {136, "Play List", "IPlayLst", 35, "PlayList"},
    {148, "CD Player", "ICDPlayer", 36, "CD"},
    {341, "Edit Left Channel", "IELeft", 111, "xxx"},
    {342, "Edit Right Channel", "IERight", 112, "xxx"},
    {340, "Edit Both Channels", "IEBoth", 113, "xxx"},
    {2211, "Edit Spectral/Wave View", "IESpec", 114, "xxx"},
    {312, "Edit Zero Cross", "IZero", 115, "xxx"},
    {6100, "Help", "IHelp", 45, "Help"},
};

#define SECTION_NEW "NewToolbar"
#define SECTION_OLD "Toolbar"
/* A stored count is 16-bit, but no more names than this are read: the list holds 1024
   entries, and a hand-edited count must not make loading crawl through empty keys. */
#define READ_LIMIT (2 * TB_MAXORDER)

int tbRowOf(int id)
{
    for (int i = 0; i < TB_ROWS; i++)
        if (TbTable[i].id == id)
            return i;
    return -1;
}

static int isTransform(int id) { return id >= TB_XFM_FIRST && id <= TB_XFM_LAST; }

const char *tbEntryName(int id, const TbRegistry *reg, char *out, size_t size)
{
    if (!out || size == 0)
        return out;
    if (isTransform(id)) {
        int row = id - TB_XFM_FIRST;
        if (reg && row < reg->count && reg->rows[row].name) {
            const TbTransform *t = &reg->rows[row];
            snprintf(out, size, "%s%s", (t->flags & TB_XFM_GENERATE) ? "Generate " : "", t->name);
            return out;
        }
    } else {
        int row = tbRowOf(id);
        if (row >= 0) {
            snprintf(out, size, "%s", TbTable[row].name);
            return out;
        }
    }
    snprintf(out, size, "???");
    return out;
}

int tbResolveName(const char *name, const TbRegistry *reg)
{
    for (int i = 0; i < TB_ROWS; i++)
        if (strcasecmp(TbTable[i].name, name) == 0)
            return TbTable[i].id;
    for (int i = 0; reg && i < reg->count && i <= TB_XFM_LAST - TB_XFM_FIRST; i++) {
        if (reg->rows[i].flags & TB_XFM_HIDDEN)
            continue;
        char entry[TB_NAME_MAX + 16];
        if (strcasecmp(tbEntryName(TB_XFM_FIRST + i, reg, entry, sizeof entry), name) == 0)
            return TB_XFM_FIRST + i;
    }
    return -1;
}

static int contains(const TbOrder *o, int id)
{
    for (int i = 0; i < o->count; i++)
        if (o->ids[i] == id)
            return 1;
    return 0;
}

int tbAppend(TbOrder *o, int id)
{
    if (id != 0 && contains(o, id))
        return 1;
    if (o->count >= TB_MAXORDER)
        return 0;
    o->ids[o->count++] = (uint16_t)id;
    return 1;
}

static long readNumber(const TbIni *ini, const char *section, const char *key)
{
    char buf[32];
    ini->get(ini->ctx, section, key, "0", buf, sizeof buf);
    return strtol(buf, NULL, 10);
}

static int loadNewLayout(TbOrder *o, const TbRegistry *reg, const TbIni *ini)
{
    char version[32];
    ini->get(ini->ctx, SECTION_NEW, "version", "0", version, sizeof version);
    long count = readNumber(ini, SECTION_NEW, "count");
    if (atof(version) == 0.0 || count <= 0)
        return 0;
    o->count = 0;
    if (count > READ_LIMIT)
        count = READ_LIMIT;
    for (long i = 1; i <= count && o->count < TB_MAXORDER; i++) {
        char key[24], name[TB_NAME_MAX];
        snprintf(key, sizeof key, "Item%ld", i);
        ini->get(ini->ctx, SECTION_NEW, key, "", name, sizeof name);
        int id = tbResolveName(name, reg);
        if (id >= 0)
            tbAppend(o, id);
    }
    return 1;
}

static int loadOldLayout(TbOrder *o, const TbRegistry *reg, const TbIni *ini)
{
    long count = readNumber(ini, SECTION_OLD, "count");
    if (count <= 0)
        return 0;
    o->count = 0;
    if (count > READ_LIMIT)
        count = READ_LIMIT;
    for (long i = 1; i <= count - 1 && o->count < TB_MAXORDER; i++) {
        char key[24], name[TB_NAME_MAX];
        snprintf(key, sizeof key, "Item%ld", i);
        ini->get(ini->ctx, SECTION_OLD, key, "", name, sizeof name);
        if (!name[0])
            continue;
        int row = -1;
        for (int r = 0; r < TB_ROWS && row < 0; r++)
            if (strcasecmp(TbTable[r].legacy, name) == 0)
                row = r;
        if (row >= 0) {
            tbAppend(o, TbTable[row].id);
            continue;
        }
        for (int r = 0; reg && r < reg->count && r <= TB_XFM_LAST - TB_XFM_FIRST; r++)
            if (reg->rows[r].name && strcasecmp(reg->rows[r].name, name) == 0)
                tbAppend(o, TB_XFM_FIRST + r);
    }
    return 1;
}

static void appendTransforms(TbOrder *o, const TbRegistry *reg, uint32_t flag)
{
    for (int r = 0; reg && r < reg->count && r <= TB_XFM_LAST - TB_XFM_FIRST; r++)
        if ((reg->rows[r].flags & flag) && !(reg->rows[r].flags & TB_XFM_HIDDEN))
            tbAppend(o, TB_XFM_FIRST + r);
}

static void loadDefault(TbOrder *o, const TbRegistry *reg)
{
    static const uint16_t head[] = {1050, 1100, 138, 114, 1051, 0, 3080, 3140, 3100, 3150};
    static const uint16_t tail[] = {148, 6100, 5010, 5030, 5040, 5060, 5050, 113, 137, 136, 0, 102, 2210,
                                    2200, 2050, 2150, 2100, 2110, 341, 342, 340, 2211, 312, 0, 0, 0, 0};
    o->count = 0;
    for (uint16_t id : head)
        tbAppend(o, id);
    appendTransforms(o, reg, TB_XFM_TRANSFORM);
    tbAppend(o, 0);
    tbAppend(o, 4100);
    appendTransforms(o, reg, TB_XFM_GENERATE);
    tbAppend(o, 0);
    appendTransforms(o, reg, TB_XFM_TOOL);
    for (uint16_t id : tail)
        tbAppend(o, id);
}

void tbLoadOrder(TbOrder *o, const TbRegistry *reg, const TbIni *ini)
{
    if (o->count != TB_NOTLOADED)
        return;
    int save = 0;
    if (!loadNewLayout(o, reg, ini)) {
        if (!loadOldLayout(o, reg, ini))
            loadDefault(o, reg);
        save = 1;
    }
    uint16_t before = o->count;
    for (int r = 0; reg && r < reg->count && r <= TB_XFM_LAST - TB_XFM_FIRST; r++)
        if (!(reg->rows[r].flags & TB_XFM_HIDDEN))
            tbAppend(o, TB_XFM_FIRST + r);
    for (int i = 0; i < TB_ROWS; i++)
        if (TbTable[i].id != 0 && !contains(o, TbTable[i].id))
            tbAppend(o, TbTable[i].id);
    if (save || o->count != before)
        tbSaveOrder(o, reg, ini);
}

void tbSaveOrder(const TbOrder *o, const TbRegistry *reg, const TbIni *ini)
{
    if (o->count == TB_NOTLOADED)
        return;
    ini->set(ini->ctx, SECTION_NEW, NULL, NULL);   /* no stale items past the new count */
    ini->set(ini->ctx, SECTION_NEW, "Version", "1.0");
    char buf[TB_NAME_MAX + 16], key[24];
    snprintf(buf, sizeof buf, "%u", (unsigned)o->count);
    ini->set(ini->ctx, SECTION_NEW, "Count", buf);
    for (int i = 0; i < o->count; i++) {
        snprintf(key, sizeof key, "Item%ld", (long)i + 1);
        ini->set(ini->ctx, SECTION_NEW, key, tbEntryName(o->ids[i], reg, buf, sizeof buf));
    }
}

int tbLayout(const TbOrder *o, int width, TbPlace *out, int max)
{
    int x = TB_MARGIN, n = 0;
    if (o->count == TB_NOTLOADED)
        return 0;
    for (int i = 0; i < o->count && n < max; i++) {
        if (x > width - TB_MARGIN)
            break;
        out[n].index = i;
        out[n].x = x;
        n++;
        x += o->ids[i] ? TB_BUTTON_STEP : TB_GAP_STEP;
    }
    return n;
}

/* The first run of selected entries: [*first, *last]; 0 when nothing is selected. */
static int firstRun(const uint8_t *sel, int n, int *first, int *last)
{
    int i = 0;
    while (i < n && !sel[i])
        i++;
    if (i == n)
        return 0;
    *first = i;
    while (i + 1 < n && sel[i + 1])
        i++;
    *last = i;
    return 1;
}

int tbMoveUp(uint16_t *ids, uint8_t *sel, int n)
{
    int a, b;
    if (!firstRun(sel, n, &a, &b) || a == 0)
        return 0;
    uint16_t above = ids[a - 1];
    uint8_t aboveSel = sel[a - 1];
    memmove(ids + a - 1, ids + a, (size_t)(b - a + 1) * sizeof *ids);
    memmove(sel + a - 1, sel + a, (size_t)(b - a + 1));
    ids[b] = above;
    sel[b] = aboveSel;
    return 1;
}

int tbMoveDown(uint16_t *ids, uint8_t *sel, int n)
{
    int a, b;
    if (!firstRun(sel, n, &a, &b) || b == n - 1)
        return 0;
    uint16_t below = ids[b + 1];
    uint8_t belowSel = sel[b + 1];
    memmove(ids + a + 1, ids + a, (size_t)(b - a + 1) * sizeof *ids);
    memmove(sel + a + 1, sel + a, (size_t)(b - a + 1));
    ids[a] = below;
    sel[a] = belowSel;
    return 1;
}

int tbZap(uint16_t *ids, uint8_t *sel, int n)
{
    int picked = 0;
    for (int i = 0; i < n; i++)
        picked += sel[i] != 0;
    if (picked == 0)
        return 0;
    uint16_t *tmp = (uint16_t *)malloc((size_t)n * sizeof *tmp);
    if (!tmp)
        return 0;
    int k = 0;
    for (int i = 0; i < n; i++)
        if (!sel[i])
            tmp[k++] = ids[i];
    for (int i = 0; i < n; i++)
        if (sel[i])
            tmp[k++] = ids[i];
    memcpy(ids, tmp, (size_t)n * sizeof *ids);
    memset(sel, 0, (size_t)n);
    free(tmp);
    return 1;
}
