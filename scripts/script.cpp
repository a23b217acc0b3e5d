/*
 * script.cpp - recording, the collection file and the step-by-step runner (see script.h).
 */
#include "scripts/script.h"

#include <ctype.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

ScriptState Script = {OS_NOFILE, 0, 0, 0, 0, 0, "", OS_NOFILE, "", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0};
ScriptHooks ScriptHook;

/* ---- names ---- */

struct NameRow {
    int id;
    const char *name;
};
static const NameRow kNames[] = {
    {1050, "New"},     {109, "New Sample Rate"}, {2150, "Cut"},      {2050, "Copy"},
    {2100, "Paste"},   {2110, "Paste Special"},  {3080, "Reverse"},  {1001, "Edit Left"},
    {1002, "Edit Right"}, {4100, "Generate Silence"}, {102, "Undo"}, {2200, "Delete"},
    {3140, "Silence"}, {3150, "Music"},          {112, "Byte Swap"}, {2210, "Trim"},
    {120, "Convert"},  {1150, "Save"},           {1100, "Open"},
};

void scriptCommandName(int id, char *out, size_t size)
{
    for (const NameRow &r : kNames)
        if (r.id == id) {
            snprintf(out, size, "%s", r.name);
            return;
        }
    const char *t = ScriptHook.transformName ? ScriptHook.transformName(id) : NULL;
    if (t)
        snprintf(out, size, "%s", t);
    else
        snprintf(out, size, "Command %d", id);
}

static int sameNoCase(const char *a, const char *b)
{
    for (; *a && *b; a++, b++)
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b))
            return 0;
    return *a == *b;
}

int scriptBuiltinId(const char *name)
{
    for (const NameRow &r : kNames)
        if (sameNoCase(r.name, name))
            return r.id;
    return 0;
}

/* ---- recording ---- */

static uint32_t frames(void) { return ScriptHook.frames ? ScriptHook.frames() : 0; }
static int loaded(void) { return ScriptHook.loaded && ScriptHook.loaded(); }

static void selection(uint32_t *s, uint32_t *e)
{
    *s = 0;
    *e = SCRIPT_NONE;
    if (ScriptHook.selection)
        ScriptHook.selection(s, e);
}

int scriptCurrentMode(void)
{
    if (!loaded())
        return SCRIPT_SCRATCH;
    uint32_t s, e;
    selection(&s, &e);
    return e == SCRIPT_NONE || e < s ? SCRIPT_WAVE : SCRIPT_SELECTION;
}

static void out(const char *fmt, ...)
{
    if (Script.record == OS_NOFILE)
        return;
    char line[SCRIPT_LINEMAX + 64];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    if (n < 0)
        return;
    if ((size_t)n >= sizeof line)
        n = (int)sizeof line - 1;
    osWrite(Script.record, line, (unsigned long)n);   /* errors while writing are ignored */
}

int scriptRecordStart(const char *path, const char *title)
{
    Script.record = osCreate(path);
    if (Script.record == OS_NOFILE) {
        osDelete(path);
        Script.record = osCreate(path);
    }
    if (Script.record == OS_NOFILE)
        return 1;
    snprintf(Script.title, sizeof Script.title, "%.*s", SCRIPT_TITLEMAX, title ? title : "");
    Script.mode = scriptCurrentMode();
    Script.recording = 1;
    Script.param = 0;
    uint32_t s, e;
    selection(&s, &e);
    Script.base = 0;
    Script.scale = 0;
    if (Script.mode == SCRIPT_SELECTION) {
        Script.base = s;
        Script.scale = e - s;
    } else if (Script.mode == SCRIPT_WAVE) {
        Script.scale = frames();
    }
    out("Title: %s\r\nMode: %d\r\n", Script.title, Script.mode);
    return 0;
}

static void selectionLine(void)
{
    uint32_t s, e;
    selection(&s, &e);
    int none = e == SCRIPT_NONE || e < s;
    uint32_t B = Script.base, K = Script.scale;
    char line[160];
    if (Script.mode == SCRIPT_SELECTION) {
        uint32_t ss = (s > B ? s : B) - B, ee = (e > B ? e : B) - B;
        if (none)
            snprintf(line, sizeof line, "Selected: none at %lu scaled %lu", (unsigned long)ss, (unsigned long)K);
        else
            snprintf(line, sizeof line, "Selected: %lu to %lu scaled %lu", (unsigned long)ss, (unsigned long)ee,
                     (unsigned long)K);
    } else if (Script.mode == SCRIPT_WAVE) {
        if (none)
            snprintf(line, sizeof line, "Selected: none at %lu scaled %lu", (unsigned long)s, (unsigned long)K);
        else
            snprintf(line, sizeof line, "Selected: %lu to %lu scaled %lu", (unsigned long)s, (unsigned long)e,
                     (unsigned long)K);
    } else {
        if (none)
            snprintf(line, sizeof line, "Selected: none at %lu", (unsigned long)(s >= B ? s - B : 0));
        else
            snprintf(line, sizeof line, "Selected: %lu to %lu", (unsigned long)s, (unsigned long)e);
    }
    if (loaded() && ScriptHook.rate)
        out("%s SR %lu\r\n", line, (unsigned long)ScriptHook.rate());
    else
        out("%s\r\n", line);
}

void RecordCommandName(const char *name)
{
    if (!Script.recording)
        return;
    out("\r\n");
    selectionLine();
    if (name && name[0])
        out("cmd: %s\r\n", name);
    Script.param = 0;
}

void RecordCommand(int id)
{
    if (!Script.recording)
        return;
    char name[64];
    scriptCommandName(id, name, sizeof name);
    RecordCommandName(name);
}

void RecordInt16(int v)
{
    if (Script.recording)
        out("%d: %d\r\n", ++Script.param, (int)(int16_t)v);
}
void RecordLong(long v)
{
    if (Script.recording)
        out("%d: %ld\r\n", ++Script.param, v);
}
void RecordULong(unsigned long v)
{
    if (Script.recording)
        out("%d: %lu\r\n", ++Script.param, v);
}
void RecordDouble(double v)
{
    if (Script.recording)
        out("%d: %g\r\n", ++Script.param, v);
}
void RecordText(const char *text)
{
    if (!Script.recording)
        return;
    /* A value is one line: line breaks would start a new one. */
    char t[SCRIPT_LINEMAX];
    snprintf(t, sizeof t, "%s", text ? text : "");
    for (char *p = t; *p; p++)
        if ((unsigned char)*p < 32)
            *p = ' ';
    out("%d: %s\r\n", ++Script.param, t);
}

void AdjustScaleForRate(uint32_t oldRate, uint32_t newRate)
{
    if (oldRate == 0)
        return;
    if (Script.recording) {
        if (Script.mode == SCRIPT_SELECTION)
            Script.scale = (uint32_t)((double)Script.scale * newRate / oldRate);
        else if (Script.mode == SCRIPT_WAVE)
            Script.scale = frames();
    }
    /* A run follows the same change, so the selections recorded after it scale as the
       recording's did (the recorded scale changed with the rate too). */
    if (Script.run != OS_NOFILE) {
        if (Script.mode == SCRIPT_SELECTION)
            Script.runScale = (uint32_t)((double)Script.runScale * newRate / oldRate);
        else if (Script.mode == SCRIPT_WAVE)
            Script.runScale = frames();
    }
}

void scriptRecordStop(void)
{
    if (!Script.recording)
        return;
    RecordCommandName("");
    int cues = ScriptHook.cueCount ? ScriptHook.cueCount() : 0;
    if (cues > 0 && ScriptHook.cue) {
        out("Data Scaling: size %lu\r\nData: Cue List\r\n", (unsigned long)frames());
        Script.param = 0;
        RecordInt16(cues);
        for (int i = 0; i < cues; i++) {
            uint32_t id, pos, frame, len;
            const char *label, *desc;
            ScriptHook.cue(i, &id, &pos, &frame, &len, &label, &desc);
            RecordULong(id);
            RecordULong(pos);
            RecordULong(frame);
        }
        out("Data: Assoc List\r\n");
        Script.param = 0;
        RecordInt16(cues);
        for (int i = 0; i < cues; i++) {
            uint32_t id, pos, frame, len;
            const char *label, *desc;
            ScriptHook.cue(i, &id, &pos, &frame, &len, &label, &desc);
            RecordText(label);
            RecordText(desc);
            RecordULong(len);
        }
    }
    int entries = ScriptHook.playCount ? ScriptHook.playCount() : 0;
    if (entries > 0 && ScriptHook.playEntry) {
        out("Data: Play List\r\n");
        Script.param = 0;
        RecordInt16(entries);
        for (int i = 0; i < entries; i++) {
            uint32_t c, f, n;
            ScriptHook.playEntry(i, &c, &f, &n);
            RecordULong(c);
            RecordULong(f);
            RecordULong(n);
        }
    }
    out("End:\r\n\r\n\r\n");
    osClose(Script.record);
    Script.record = OS_NOFILE;
    Script.recording = 0;
}

/* ---- the collection ---- */

/* Reads one line of a whole file's text at *at into line (cut to size - 1); 0 at the end. */
static int nextLine(const char *text, size_t len, size_t *at, char *line, size_t size)
{
    if (*at >= len)
        return 0;
    size_t n = 0;
    while (*at < len && text[*at] != '\n') {
        if (text[*at] != '\r' && n + 1 < size)
            line[n++] = text[*at];
        (*at)++;
    }
    if (*at < len)
        (*at)++;
    line[n] = 0;
    return 1;
}

static char *readAll(const char *path, size_t *len)
{
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return NULL;
    int64_t size = osFileSize(f);
    if (size < 0 || size > (16 << 20)) {
        osClose(f);
        return NULL;
    }
    char *text = (char *)osAlloc((size_t)size + 1);
    if (text && osRead(f, text, (unsigned long)size) != (long)size) {
        osFree(text);
        text = NULL;
    }
    osClose(f);
    if (text) {
        text[size] = 0;
        *len = (size_t)size;
    }
    return text;
}

int scriptEnsureCollection(const char *path)
{
    if (osFileExists(path))
        return 0;
    OsFile f = osCreate(path);
    if (f == OS_NOFILE)
        return 1;
    osWrite(f, "Collection: New Collection\r\n", 28);
    osClose(f);
    return 0;
}

int scriptAppend(const char *collection, const char *recorded, const char *description)
{
    size_t len = 0;
    char *text = readAll(recorded, &len);
    if (!text)
        return 1;
    if (scriptEnsureCollection(collection) != 0) {
        osFree(text);
        return 1;
    }
    OsFile f = osOpen(collection, OS_READWRITE);
    if (f == OS_NOFILE) {
        osFree(text);
        return 1;
    }
    osSeek(f, 0, 2);
    size_t at = 0;
    char line[SCRIPT_LINEMAX];
    while (nextLine(text, len, &at, line, sizeof line)) {
        osWrite(f, line, (unsigned long)strlen(line));
        osWrite(f, "\r\n", 2);
        if (strncmp(line, "Title:", 6) == 0 && description) {
            /* One Description line per line of the text, right after the title. */
            size_t dl = strlen(description), d = 0;
            char dline[SCRIPT_LINEMAX];
            while (nextLine(description, dl, &d, dline, sizeof dline - 16)) {
                if (!dline[0] && d >= dl)
                    break;
                osWrite(f, "Description: ", 13);
                osWrite(f, dline, (unsigned long)strlen(dline));
                osWrite(f, "\r\n", 2);
            }
        }
    }
    osClose(f);
    osFree(text);
    return 0;
}

/* ---- running ---- */

/* The next line: up to the first control character; a CR takes the LF after it along.
   Cut to SCRIPT_LINEMAX - 1 characters.  0 at the end of the file. */
static int readByte(void)
{
    if (Script.bufPos >= Script.bufLen) {
        if (Script.eof || Script.run == OS_NOFILE)
            return -1;
        long n = osRead(Script.run, Script.buf, sizeof Script.buf);
        if (n <= 0) {
            Script.eof = 1;
            return -1;
        }
        Script.bufLen = (int)n;
        Script.bufPos = 0;
    }
    return (unsigned char)Script.buf[Script.bufPos++];
}

static int readLine(char *line, size_t size)
{
    size_t n = 0;
    int c = readByte();
    if (c < 0)
        return 0;
    while (c >= 32) {
        if (n + 1 < size)
            line[n++] = (char)c;
        c = readByte();
    }
    if (c == '\r') {
        int next = readByte();
        if (next >= 0 && next != '\n')
            Script.bufPos--;   /* not a line feed: it begins the next line */
    }
    line[n] = 0;
    Script.readError = 0;
    return 1;
}

int scriptRunOpen(const char *collection, const char *title)
{
    scriptRunClose();
    Script.run = osOpen(collection, OS_READ);
    if (Script.run == OS_NOFILE)
        return 1;
    Script.bufLen = Script.bufPos = Script.eof = 0;
    Script.readError = Script.skip = 0;
    Script.recScale = Script.recRate = Script.listScale = 0;
    char line[SCRIPT_LINEMAX];
    while (readLine(line, sizeof line)) {
        const char *t = strstr(line, "Title:");
        if (t) {
            t += 6;
            while (*t == ' ')
                t++;
            if (strcmp(t, title) == 0)
                return 0;
        }
    }
    scriptRunClose();
    return 2;
}

void scriptRunClose(void)
{
    if (Script.run != OS_NOFILE)
        osClose(Script.run);
    Script.run = OS_NOFILE;
    Script.bufLen = Script.bufPos = 0;
}

int scriptRunning(void) { return Script.run != OS_NOFILE; }

/* The value part of a parameter line, or NULL (and the error flag) when there is none. */
static const char *readValue(char *line, size_t size)
{
    if (Script.run == OS_NOFILE)
        return NULL;
    if (Script.readError)
        return NULL;
    for (;;) {
        if (!readLine(line, size)) {
            Script.readError = 1;
            return NULL;
        }
        const char *colon = strchr(line, ':');
        if (colon) {
            Script.skip = 0;
            return colon + 1;
        }
        if (!Script.skip) {
            Script.readError = 1;
            return NULL;
        }
    }
}

int ReadInt16(void)
{
    if (Script.run == OS_NOFILE)
        return 0;
    char line[SCRIPT_LINEMAX];
    const char *v = readValue(line, sizeof line);
    return v ? (int)(int16_t)atoi(v) : SCRIPT_MISSING;
}

long ReadLong(void)
{
    if (Script.run == OS_NOFILE)
        return 0;
    char line[SCRIPT_LINEMAX];
    const char *v = readValue(line, sizeof line);
    return v ? atol(v) : SCRIPT_MISSING;
}

double ReadDouble(void)
{
    if (Script.run == OS_NOFILE)
        return 0.0;
    char line[SCRIPT_LINEMAX];
    const char *v = readValue(line, sizeof line);
    if (!v)
        return SCRIPT_MISSING;
    double d = atof(v);
    return isfinite(d) ? d : SCRIPT_MISSING;
}

long ReadRoundedLong(void)
{
    if (Script.run == OS_NOFILE)
        return 0;
    char line[SCRIPT_LINEMAX];
    const char *v = readValue(line, sizeof line);
    if (!v)
        return SCRIPT_MISSING;
    double d = atof(v);
    if (!isfinite(d) || d > 4294967295.0 || d < -2147483648.0)
        return SCRIPT_MISSING;
    return (long)(int64_t)d;
}

void ReadText(char *out, size_t size)
{
    if (Script.run == OS_NOFILE || size == 0)
        return;
    char line[SCRIPT_LINEMAX];
    const char *v = readValue(line, sizeof line);
    if (!v) {
        snprintf(out, size, "-999");
        return;
    }
    snprintf(out, size, "%s", *v ? v + 1 : v);   /* two characters after the colon */
}

/* ---- arithmetic ---- */

void scriptScaleRange(uint32_t *start, uint32_t *end, double factor)
{
    double s = floor((double)*start * factor);
    double e = floor(((double)*end + 1) * factor) - 1;
    *start = s < 0 ? 0 : s > 4294967294.0 ? 4294967294u : (uint32_t)s;
    *end = e < 0 ? 0 : e > 4294967294.0 ? 4294967294u : (uint32_t)e;
}

static uint32_t numberAfter(const char *line, const char *key)
{
    const char *p = strstr(line, key);
    if (!p)
        return 0;
    p += strlen(key);
    while (*p == ' ')
        p++;
    unsigned long v = strtoul(p, NULL, 10);
    return v > 0xFFFFFFFEul ? 0xFFFFFFFEu : (uint32_t)v;
}

static uint32_t clampLast(int64_t v)
{
    uint32_t n = frames();
    int64_t last = n ? (int64_t)n - 1 : 0;
    if (v > last)
        v = last;
    return v < 0 ? 0 : (uint32_t)v;
}

static void setSelection(const char *line)
{
    int none = strstr(line, "none") != NULL;
    uint32_t start = 0, end = 0;
    if (none) {
        start = numberAfter(line, " at");
    } else {
        const char *sel = strstr(line, "Selected:");
        start = (uint32_t)strtoul(sel + 10 <= line + strlen(line) ? sel + 10 : "", NULL, 10);
        end = numberAfter(line, " to");
    }
    if (strstr(line, " SR"))
        Script.recRate = numberAfter(line, " SR");
    int sized = Script.mode == SCRIPT_WAVE || Script.mode == SCRIPT_SELECTION;
    if (sized && strstr(line, "scaled"))
        Script.recScale = numberAfter(line, "scaled");
    double factor = 1.0;
    uint32_t rate = ScriptHook.rate ? ScriptHook.rate() : 0;
    if (sized && Script.recScale)
        factor = (double)Script.runScale / Script.recScale;
    else if (Script.recRate && rate)
        factor = (double)rate / Script.recRate;
    int64_t s, e;
    if (none) {
        s = (int64_t)floor(start * factor);
        e = -1;
    } else {
        scriptScaleRange(&start, &end, factor);
        s = start;
        e = end;
    }
    if (sized) {
        s += Script.runBase;
        if (!none)
            e += Script.runBase;
    }
    uint32_t first = clampLast(s);
    uint32_t last = none ? first - 1 : clampLast(e);
    if (!none && last < first)
        last = first;
    if (ScriptHook.select)
        ScriptHook.select(first, last);
}

/* A position of a list scaled to the wave at hand. */
static uint32_t listValue(uint32_t p)
{
    uint32_t rate = ScriptHook.rate ? ScriptHook.rate() : 0;
    if (Script.listScale)
        return (uint32_t)floor((double)p * frames() / Script.listScale);
    uint32_t rec = Script.recRate ? Script.recRate : rate;
    if (!rec || rec == rate)
        return p;
    return (uint32_t)((uint64_t)p * rate / rec);
}

static int count(void)
{
    int n = ReadInt16();
    return n < 0 ? 0 : n > 4096 ? 4096 : n;
}

static void readList(const char *line)
{
    Script.skip = 1;
    if (strstr(line, "Cue List")) {
        if (ScriptHook.cuesClear)
            ScriptHook.cuesClear();
        int n = count();
        for (int i = 0; i < n && !Script.readError; i++) {
            long id = ReadRoundedLong(), pos = ReadRoundedLong(), frame = ReadRoundedLong();
            (void)pos;
            if (Script.readError || frame < 0)
                break;
            uint32_t f = listValue((uint32_t)frame);
            if (Script.mode == SCRIPT_WAVE || Script.mode == SCRIPT_SELECTION)
                f += Script.runBase;
            if (ScriptHook.cueAdd)
                ScriptHook.cueAdd((uint32_t)id, f);
        }
    } else if (strstr(line, "Assoc List")) {
        int n = count();
        for (int i = 0; i < n && !Script.readError; i++) {
            char label[64], desc[128];
            ReadText(label, sizeof label);
            ReadText(desc, sizeof desc);
            long len = ReadRoundedLong();
            if (Script.readError || len < 0)
                break;
            if (ScriptHook.cueText)
                ScriptHook.cueText(i, label, desc, listValue((uint32_t)len));
        }
    } else if (strstr(line, "Play List")) {
        if (ScriptHook.playClear)
            ScriptHook.playClear();
        int n = count();
        for (int i = 0; i < n && !Script.readError; i++) {
            long c = ReadRoundedLong(), f = ReadRoundedLong(), k = ReadRoundedLong();
            if (Script.readError || f < 0 || k < 0)
                break;
            if (ScriptHook.playAdd)
                ScriptHook.playAdd((uint32_t)c, listValue((uint32_t)f), (uint32_t)k);
        }
    }
}

static void dispatch(const char *name, ScriptStep *st)
{
    Script.skip = 1;
    st->kind = SCRIPT_STEP_COMMAND;
    st->count = 0;
    snprintf(st->name, sizeof st->name, "%s", name);
    const char *c = strstr(name, "Command ");
    if (c) {
        int id = atoi(c + 8);
        if (id > 0)
            st->ids[st->count++] = id;
        return;
    }
    int id = scriptBuiltinId(name);
    if (id) {
        st->ids[st->count++] = id;
        return;
    }
    if (ScriptHook.transformId)
        for (int at = 0, found; st->count < 8 && (found = ScriptHook.transformId(name, at)) != 0; at = found)
            st->ids[st->count++] = found;
}

void scriptStep(ScriptStep *st)
{
    memset(st, 0, sizeof *st);
    char line[SCRIPT_LINEMAX];
    for (;;) {
        if (Script.run == OS_NOFILE || !readLine(line, sizeof line)) {
            st->kind = SCRIPT_STEP_END;
            return;
        }
        if (strstr(line, "End:")) {
            st->kind = SCRIPT_STEP_END;
            return;
        }
        if (strstr(line, "Mode:")) {
            int mode = atoi(strstr(line, "Mode:") + 5);
            int now = scriptCurrentMode();
            Script.mode = mode;
            if (mode != now) {
                st->kind = SCRIPT_STEP_WRONGMODE;
                st->message = mode == 1 ? "Please close current wave before running this script."
                              : mode == 2 ? "This script only works on an entire loaded waveform, not the highlighted portion."
                              : mode == 4 ? "This script only works on a highlighted portion of a waveform"
                              : "";
                return;
            }
            uint32_t s, e;
            selection(&s, &e);
            if (mode == SCRIPT_SELECTION) {
                Script.runBase = s;
                Script.runScale = e - s;
            } else if (mode == SCRIPT_WAVE) {
                Script.runScale = frames();
                Script.runBase = Script.relative ? s : 0;
            } else {
                Script.runBase = 0;
            }
            continue;
        }
        if (strstr(line, "Description:"))
            continue;
        if (strstr(line, "Title:")) {
            Script.listScale = 0;
            continue;
        }
        if (!line[0])
            continue;
        const char *cmd = strstr(line, "cmd:");
        if (cmd) {
            const char *name = cmd + 4;
            while (*name == ' ')
                name++;
            dispatch(name, st);
            return;
        }
        if (strstr(line, "Data Scaling:")) {
            Script.listScale = numberAfter(line, "size");
            continue;
        }
        if (strstr(line, "Data:"))
            readList(line);
        if (strstr(line, "Selected:"))
            setSelection(line);
    }
}

/* ---- batch names ---- */

void scriptOutputName(const char *dir, const char *source, const char *templ, const char *ext,
                      const char *defaultExt, char *out, size_t size)
{
    const char *base = strrchr(source, '\\');
    base = base ? base + 1 : source;
    const char *slash = strrchr(base, '/');
    if (slash)
        base = slash + 1;
    char name[260];
    snprintf(name, sizeof name, "%s", base);
    char *dot = strrchr(name, '.');
    const char *srcExt = "";
    if (dot) {
        *dot = 0;
        srcExt = dot + 1;
    }
    /* Applies a template to one part: '*' the whole part, '?' the character at the position
       ('_' past its end), anything else itself; each but '*' moves the position on. */
    auto apply = [](const char *t, const char *src, char *res, size_t rs) {
        size_t n = 0, pos = 0, len = strlen(src);
        for (; *t && n + 1 < rs; t++) {
            if (*t == '*') {
                for (size_t k = 0; k < len && n + 1 < rs; k++)
                    res[n++] = src[k];
            } else if (*t == '?') {
                res[n++] = pos < len ? src[pos] : '_';
                pos++;
            } else {
                res[n++] = *t;
                pos++;
            }
        }
        while (n > 0 && res[n - 1] == '_')
            n--;
        res[n] = 0;
    };
    char part[260], x[16];
    apply(templ && *templ ? templ : "*", name, part, sizeof part);
    const char *e = ext && *ext && strcmp(ext, "-") != 0 ? ext : defaultExt ? defaultExt : "";
    char srcPart[16];
    snprintf(srcPart, sizeof srcPart, "%s", srcExt);
    apply(e, srcPart, x, 4);   /* three characters at most */
    size_t dl = strlen(dir);
    snprintf(out, size, "%s%s%s.%s", dir, dl && (dir[dl - 1] == '\\' || dir[dl - 1] == '/') ? "" : "\\", part, x);
}
