/*
 * xfmsettings.cpp - a transform's settings block (XfmData) walked field by field by its
 * layout letters: its "Profile" text in zelo.ini, its values in a script, and the backup
 * that Cancel in the setup dialog restores (owned memory blocks and graphs included).
 *
 * Writes XfmHost.backup/backupRow and the "Profile" section.  Invariants: at most one
 * backup exists; a field that would reach past the block's dataSize ends the walk, so a
 * layout longer than its block never reads or writes outside it.
 */
#include "plugins/xfmhost.h"
#include "plugins/xfmservices.h"
#include "core/profile.h"
#include "os/os.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#define PROFILE_SECTION "Profile"
#define GRAPH_IDS 32
#define GRAPH_MAXPOINTS 70

namespace {

struct Field {
    char     letter;     /* upper case */
    uint32_t offset;
    uint32_t size;
};

uint32_t letterSize(char c)
{
    switch (c) {
    case 'B': case 'L': case 'F': case 'H': return 4;
    case 'C': return 1;
    case 'D': return 8;
    case 'G': case 'I': return 2;
    case 'S': return XFM_STRING_SIZE;
    }
    return 0;
}

/* The fields of the layout that fit in dataSize, in order. */
std::vector<Field> fieldsOf(const TransformEntry *e)
{
    std::vector<Field> out;
    uint32_t at = 0;
    for (int i = 0; i < XFM_LAYOUT_SIZE && e->info.layout[i]; i++) {
        char c = (char)(e->info.layout[i] & ~0x20);
        uint32_t n = letterSize(c);
        if (n == 0)
            continue;
        if (at + n > e->info.dataSize)
            break;
        out.push_back({c, at, n});
        at += n;
    }
    return out;
}

int graphValid(int16_t id) { return id >= 0 && id < GRAPH_IDS; }

template <typename T> T get(const uint8_t *p, uint32_t at) { T v; memcpy(&v, p + at, sizeof v); return v; }
template <typename T> void set(uint8_t *p, uint32_t at, T v) { memcpy(p + at, &v, sizeof v); }

std::string encodeText(const uint8_t *p, uint32_t at)
{
    std::string s;
    for (uint32_t i = 0; i < XFM_STRING_SIZE && p[at + i]; i++)
        s += p[at + i] == ',' ? (char)XFM_COMMA_CODE : (char)p[at + i];
    return s;
}

void decodeText(uint8_t *p, uint32_t at, const char *text)
{
    uint32_t i = 0;
    for (; text && text[i] && i < XFM_STRING_SIZE - 1; i++)
        p[at + i] = (uint8_t)text[i] == XFM_COMMA_CODE ? ',' : (uint8_t)text[i];
    p[at + i] = 0;
}

/* The tokens one field contributes to the "Profile" text. */
std::vector<std::string> tokensOf(const Field &f, const uint8_t *p)
{
    char b[64];
    std::vector<std::string> t;
    switch (f.letter) {
    case 'B': case 'L': snprintf(b, sizeof b, "%ld", (long)get<int32_t>(p, f.offset)); t.push_back(b); break;
    case 'C': snprintf(b, sizeof b, "%d", (int)p[f.offset]); t.push_back(b); break;
    case 'D': snprintf(b, sizeof b, "%lg", get<double>(p, f.offset)); t.push_back(b); break;
    case 'F': snprintf(b, sizeof b, "%g", (double)get<float>(p, f.offset)); t.push_back(b); break;
    case 'I': snprintf(b, sizeof b, "%d", (int)get<int16_t>(p, f.offset)); t.push_back(b); break;
    case 'S': t.push_back(encodeText(p, f.offset)); break;
    case 'G': {
        int16_t id = get<int16_t>(p, f.offset);
        if (!graphValid(id))
            break;
        int n = graphapiCount(id);
        if (n < 0)
            n = 0;
        if (n > GRAPH_MAXPOINTS)
            n = GRAPH_MAXPOINTS;
        snprintf(b, sizeof b, "%d", n);
        t.push_back(b);
        for (int i = 0; i < n; i++) {
            POINT xy = {0, 0};
            graphapiGetPoint(id, (short)i, &xy);
            snprintf(b, sizeof b, "%ld", (long)xy.x);
            t.push_back(b);
            snprintf(b, sizeof b, "%ld", (long)xy.y);
            t.push_back(b);
        }
        break;
    }
    }
    return t;
}

/* Duplicate of a graph for the backup (-1 when there is none or no room for one). */
int16_t graphDuplicate(int16_t id)
{
    if (!graphValid(id))
        return -1;
    int16_t copy = graphapiCreate(0, 1, 0, 1, 0, 0);
    if (!graphValid(copy))
        return -1;
    graphapiCopyGraph(copy, id);
    return copy;
}

HGLOBAL blockDuplicate(HGLOBAL h)
{
    if (!h)
        return 0;
    SIZE_T n = GlobalSize(h);
    HGLOBAL d = GlobalAlloc(GMEM_MOVEABLE, n ? n : 1);
    void *from = GlobalLock(h), *to = d ? GlobalLock(d) : NULL;
    if (from && to)
        memcpy(to, from, n);
    if (to)
        GlobalUnlock(d);
    if (from)
        GlobalUnlock(h);
    if (d && (!from || !to)) {
        GlobalFree(d);
        d = 0;
    }
    return d;
}

}  // namespace

void xfmFormatSettings(const TransformEntry *e, HGLOBAL data, char *out, size_t size)
{
    if (size == 0)
        return;
    out[0] = 0;
    const uint8_t *p = data ? (const uint8_t *)GlobalLock(data) : NULL;
    if (!p)
        return;
    std::vector<Field> fields = fieldsOf(e);
    std::vector<std::vector<std::string>> tok;
    size_t total = 0;
    for (const Field &f : fields) {
        tok.push_back(tokensOf(f, p));
        for (const std::string &s : tok.back())
            total += s.size() + 1;
    }
    GlobalUnlock(data);
    size_t limit = size - 1 < XFM_PROFILE_MAX ? size - 1 : XFM_PROFILE_MAX;
    /* Too long to be read back whole: shorten the texts from the last one backwards, so
       every number still lands in its own field. */
    for (size_t i = fields.size(); i-- > 0 && total > limit + 1;) {
        if (fields[i].letter != 'S')
            continue;
        std::string &s = tok[i][0];
        size_t cut = total - (limit + 1) < s.size() ? total - (limit + 1) : s.size();
        s.resize(s.size() - cut);
        total -= cut;
    }
    std::string joined;
    bool first = true;
    for (const std::vector<std::string> &t : tok) {
        std::string part;
        bool partFirst = first;
        for (const std::string &s : t) {
            part += (partFirst ? "" : ",") + s;
            partFirst = false;
        }
        if (joined.size() + part.size() > limit)
            break;   /* whole fields only */
        joined += part;
        first = partFirst;
    }
    snprintf(out, size, "%s", joined.c_str());
}

void xfmParseSettings(const TransformEntry *e, HGLOBAL data, const char *text)
{
    if (!text || !text[0])
        return;
    std::vector<std::string> tok;
    std::string cur;
    for (const char *c = text;; c++) {
        if (*c == ',' || !*c) {
            tok.push_back(cur);
            cur.clear();
            if (!*c)
                break;
        } else {
            cur += *c;
        }
    }
    uint8_t *p = data ? (uint8_t *)GlobalLock(data) : NULL;
    if (!p)
        return;
    size_t k = 0;
    auto next = [&]() -> const char * { return k < tok.size() ? tok[k++].c_str() : ""; };
    for (const Field &f : fieldsOf(e)) {
        switch (f.letter) {
        case 'B': case 'L': set<int32_t>(p, f.offset, (int32_t)strtol(next(), NULL, 10)); break;
        case 'C': p[f.offset] = (uint8_t)strtol(next(), NULL, 10); break;
        case 'D': set<double>(p, f.offset, strtod(next(), NULL)); break;
        case 'F': set<float>(p, f.offset, (float)strtod(next(), NULL)); break;
        case 'I': set<int16_t>(p, f.offset, (int16_t)strtol(next(), NULL, 10)); break;
        case 'S': decodeText(p, f.offset, next()); break;
        case 'G': {
            int16_t id = get<int16_t>(p, f.offset);
            if (!graphValid(id))
                break;
            long n = strtol(next(), NULL, 10);
            if (n < 0)
                n = 0;
            for (long i = 0; i < n; i++) {
                long x = strtol(next(), NULL, 10), y = strtol(next(), NULL, 10);
                if (i < GRAPH_MAXPOINTS)
                    graphapiSetPoint(id, (short)i, x, y, (short)(i == n - 1 || i == GRAPH_MAXPOINTS - 1));
            }
            break;
        }
        default:
            break;   /* H: owned memory is not stored */
        }
    }
    GlobalUnlock(data);
}

void LoadXfmProfile(TransformEntry *e)
{
    char text[XFM_PROFILE_MAX + 1];
    profileGetString(PROFILE_SECTION, e->info.name, "", text, sizeof text);
    xfmParseSettings(e, e->data, text);
}

void SaveXfmProfile(TransformEntry *e)
{
    char text[XFM_PROFILE_MAX + 1];
    xfmFormatSettings(e, e->data, text, sizeof text);
    profileSetString(PROFILE_SECTION, e->info.name, text);
}

/* ---- the backup around the setup dialog ---- */

static void releaseBackup(int keepOwned)
{
    HGLOBAL b = XfmHost.backup;
    if (!b)
        return;
    int row = XfmHost.backupRow;
    uint8_t *p = (uint8_t *)GlobalLock(b);
    if (p && !keepOwned && row >= 0 && row < XfmHost.count) {
        for (const Field &f : fieldsOf(&XfmHost.rows[row])) {
            if (f.letter == 'H' && get<HGLOBAL>(p, f.offset))
                GlobalFree(get<HGLOBAL>(p, f.offset));
            else if (f.letter == 'G' && graphValid(get<int16_t>(p, f.offset)))
                graphapiDestroy(get<int16_t>(p, f.offset));
        }
    }
    if (p)
        GlobalUnlock(b);
    GlobalFree(b);
    XfmHost.backup = 0;
    XfmHost.backupRow = -1;
}

int BackupXfmData(int row)
{
    releaseBackup(0);
    if (row < 0 || row >= XfmHost.count || !XfmHost.rows[row].data)
        return 1;
    TransformEntry *e = &XfmHost.rows[row];
    HGLOBAL b = blockDuplicate(e->data);
    if (!b)
        return 1;
    uint8_t *p = (uint8_t *)GlobalLock(b);
    if (!p) {
        GlobalFree(b);
        return 1;
    }
    for (const Field &f : fieldsOf(e)) {
        if (f.letter == 'H')
            set<HGLOBAL>(p, f.offset, blockDuplicate(get<HGLOBAL>(p, f.offset)));
        else if (f.letter == 'G')
            set<int16_t>(p, f.offset, graphDuplicate(get<int16_t>(p, f.offset)));
    }
    GlobalUnlock(b);
    XfmHost.backup = b;
    XfmHost.backupRow = row;
    return 0;
}

void RestoreXfmData(void)
{
    int row = XfmHost.backupRow;
    if (!XfmHost.backup || row < 0 || row >= XfmHost.count || !XfmHost.rows[row].data) {
        releaseBackup(0);
        return;
    }
    TransformEntry *e = &XfmHost.rows[row];
    uint8_t *b = (uint8_t *)GlobalLock(XfmHost.backup);
    uint8_t *live = (uint8_t *)GlobalLock(e->data);
    if (!b || !live) {
        if (b)
            GlobalUnlock(XfmHost.backup);
        if (live)
            GlobalUnlock(e->data);
        releaseBackup(0);
        return;
    }
    for (const Field &f : fieldsOf(e)) {
        if (f.letter == 'G') {
            int16_t mine = get<int16_t>(live, f.offset), saved = get<int16_t>(b, f.offset);
            if (graphValid(saved)) {
                if (graphValid(mine))
                    graphapiCopyGraph(mine, saved);
                graphapiDestroy(saved);
            }
            /* The live graph keeps its id; only its points came back. */
            set<int16_t>(b, f.offset, mine);
        } else if (f.letter == 'H') {
            HGLOBAL h = get<HGLOBAL>(live, f.offset);
            if (h && h != get<HGLOBAL>(b, f.offset))
                GlobalFree(h);
        }
    }
    SIZE_T n = GlobalSize(e->data), m = GlobalSize(XfmHost.backup);
    memcpy(live, b, n < m ? n : m);
    GlobalUnlock(e->data);
    GlobalUnlock(XfmHost.backup);
    releaseBackup(1);   /* its blocks and graphs now belong to the live settings */
}

void DiscardXfmBackup(void) { releaseBackup(0); }

/* ---- scripts ---- */

void RecordXfmScript(TransformEntry *e)
{
    const XfmScriptHooks &s = XfmHost.script;
    if (!s.recordCommand)
        return;
    s.recordCommand(e->info.name);
    uint8_t *p = e->data ? (uint8_t *)GlobalLock(e->data) : NULL;
    if (!p)
        return;
    for (const Field &f : fieldsOf(e)) {
        switch (f.letter) {
        case 'B': case 'L': if (s.recordLong) s.recordLong((long)get<int32_t>(p, f.offset)); break;
        case 'C': if (s.recordInt16) s.recordInt16(p[f.offset]); break;
        case 'I': if (s.recordInt16) s.recordInt16(get<int16_t>(p, f.offset)); break;
        case 'D': if (s.recordDouble) s.recordDouble(get<double>(p, f.offset)); break;
        case 'F': if (s.recordDouble) s.recordDouble((double)get<float>(p, f.offset)); break;
        case 'S': if (s.recordText) s.recordText(encodeText(p, f.offset).c_str()); break;
        case 'G': {
            int16_t id = get<int16_t>(p, f.offset);
            if (!s.recordInt16)
                break;
            int n = graphValid(id) ? graphapiCount(id) : 0;
            s.recordInt16(n);
            for (int i = 0; i < n && i < GRAPH_MAXPOINTS; i++) {
                POINT xy = {0, 0};
                graphapiGetPoint(id, (short)i, &xy);
                s.recordInt16((int)xy.x);
                s.recordInt16((int)xy.y);
            }
            break;
        }
        }
    }
    GlobalUnlock(e->data);
}

void ReadXfmScript(TransformEntry *e)
{
    const XfmScriptHooks &s = XfmHost.script;
    uint8_t *p = e->data ? (uint8_t *)GlobalLock(e->data) : NULL;
    if (!p)
        return;
    for (const Field &f : fieldsOf(e)) {
        int missing = 0;
        switch (f.letter) {
        case 'B': case 'L': {
            long v = s.readLong ? s.readLong() : -999;
            if (!(missing = v == -999))
                set<int32_t>(p, f.offset, (int32_t)v);
            break;
        }
        case 'C': case 'I': {
            int v = s.readInt16 ? s.readInt16() : -999;
            if (!(missing = v == -999)) {
                if (f.letter == 'C')
                    p[f.offset] = (uint8_t)v;
                else
                    set<int16_t>(p, f.offset, (int16_t)v);
            }
            break;
        }
        case 'D': case 'F': {
            double v = s.readDouble ? s.readDouble() : -999.0;
            if (!(missing = v == -999.0)) {
                if (f.letter == 'D')
                    set<double>(p, f.offset, v);
                else
                    set<float>(p, f.offset, (float)v);
            }
            break;
        }
        case 'S': {
            char t[XFM_STRING_SIZE] = "-999";
            if (s.readText)
                s.readText(t, sizeof t);
            missing = strcmp(t, "-999") == 0;
            decodeText(p, f.offset, missing ? "" : t);
            break;
        }
        case 'G': {
            int n = s.readInt16 ? s.readInt16() : -999;
            if ((missing = n == -999))
                break;
            int16_t id = get<int16_t>(p, f.offset);
            for (int i = 0; i < n && !missing; i++) {
                int x = s.readInt16 ? s.readInt16() : -999, y = s.readInt16 ? s.readInt16() : -999;
                missing = x == -999 || y == -999;
                if (!missing && graphValid(id) && i < GRAPH_MAXPOINTS)
                    graphapiSetPoint(id, (short)i, x, y, (short)(i == n - 1));
            }
            break;
        }
        }
        if (missing)
            break;
    }
    GlobalUnlock(e->data);
}
