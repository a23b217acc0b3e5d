/*
 * presetcore.cpp - preset lines, keys and the settings walk (see presetcore.h).
 *
 * A line is split at every comma: token 0 is the name, token 1 the channel mask, tokens
 * from 2 on the stored values.  A text keeps its commas as PRESET_TEXTCOMMA, so it stays
 * one token.  A graph takes 1 + 2 x count tokens; an H field and a letter that describes
 * nothing take none, on storing and on loading alike, so positions always agree.
 */
#include "plugins/presetcore.h"
#include "plugins/graphcore.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

static std::vector<std::string> split(const std::string &line)
{
    std::vector<std::string> t;
    size_t start = 0;
    for (;;) {
        size_t comma = line.find(',', start);
        if (comma == std::string::npos) {
            t.push_back(line.substr(start));
            return t;
        }
        t.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

static std::string join(const std::vector<std::string> &t)
{
    std::string s;
    for (size_t i = 0; i < t.size(); i++) {
        if (i)
            s += ',';
        s += t[i];
    }
    return s;
}

/* Leading blanks, an optional sign, at least one digit; 0 when there is none. */
static int parseLong(const std::string &s, long long *v)
{
    const char *p = s.c_str();
    while (*p == ' ' || *p == '\t')
        p++;
    const char *d = p + (*p == '+' || *p == '-');
    if (*d < '0' || *d > '9')
        return 0;
    *v = strtoll(p, NULL, 10);
    return 1;
}

static int parseDouble(const std::string &s, double *v)
{
    const char *p = s.c_str();
    char *end = NULL;
    double d = strtod(p, &end);
    if (end == p)
        return 0;
    *v = d;
    return 1;
}

static long long clampLL(long long v, long long lo, long long hi)
{
    return v < lo ? lo : v > hi ? hi : v;
}

std::string presetKey(int n)
{
    char key[16];
    snprintf(key, sizeof key, "Item%d", n);
    return key;
}

int presetIsFree(const std::string &line)
{
    return line.empty() || line == "none";
}

std::string presetLineName(const std::string &line)
{
    return line.substr(0, line.find(',')).substr(0, PRESET_NAMEMAX);
}

int presetLineMask(const std::string &line)
{
    std::vector<std::string> t = split(line);
    long long v;
    if (t.size() < 2 || !parseLong(t[1], &v))
        return 0;
    return (int)clampLL(v, INT_MIN, INT_MAX);
}

int presetGetValue(const std::string &line, int k, std::string *out, size_t max)
{
    if (out)
        out->clear();
    if (line.empty())
        return 1;
    std::vector<std::string> t = split(line);
    if (k < 0 || (size_t)k + 2 >= t.size())
        return -1;
    const std::string &v = t[(size_t)k + 2];
    if (v == "none")
        return 1;
    if (out)
        *out = v.substr(0, max);
    return 0;
}

std::string presetSetValue(const std::string &line, int k, const std::string &value)
{
    std::vector<std::string> t = split(line);
    while (t.size() < 2)
        t.push_back("0");
    if (k >= 0 && (size_t)k + 2 < t.size())
        t[(size_t)k + 2] = value;
    else
        t.push_back(value);
    return join(t);
}

std::string presetNewLine(const std::string &name, int mask)
{
    char head[64];
    snprintf(head, sizeof head, ",%d", mask);
    std::string s = name + head;
    for (int i = 0; i < 6; i++)
        s += ",none";
    return s;
}

std::string presetEncodeText(const char *text, size_t max)
{
    std::string s;
    for (size_t i = 0; i < max && text[i]; i++)
        s += text[i] == ',' ? PRESET_TEXTCOMMA : text[i];
    return s;
}

std::string presetDecodeText(const std::string &stored)
{
    std::string s = stored;
    for (char &c : s)
        if (c == PRESET_TEXTCOMMA)
            c = ',';
    return s;
}

int presetScan(const PresetIni *ini, const char *section, int channels,
               void (*offered)(void *ctx, const std::string &name, int key), void *ctx)
{
    int live = 0;
    int bit = channels == 1 ? PRESET_MASK_MONO : PRESET_MASK_STEREO;
    for (int n = 1; n <= PRESET_KEYMAX; n++) {
        std::string line;
        ini->read(ini->self, section, presetKey(n).c_str(), &line);
        if (line.empty())
            break;
        if (line == "none")
            continue;
        live++;
        if ((presetLineMask(line) & bit) && offered)
            offered(ctx, presetLineName(line), n);
    }
    return live;
}

int presetFreeKey(const PresetIni *ini, const char *section)
{
    for (int n = 1; n <= PRESET_KEYMAX; n++) {
        std::string line;
        ini->read(ini->self, section, presetKey(n).c_str(), &line);
        if (presetIsFree(line))
            return n;
    }
    return 0;
}

size_t presetFieldSize(char letter)
{
    switch (letter) {
    case 'B': case 'b': case 'L': case 'l': return 4;
    case 'C': case 'c': return 1;
    case 'D': case 'd': return 8;
    case 'F': case 'f': return 4;
    case 'G': case 'g': return 2;
    case 'H': case 'h': return 4;
    case 'I': case 'i': return 2;
    case 'S': case 's': return 256;
    default: return 0;
    }
}

/* Letters that take a value position when marked. */
static int storesValue(char letter)
{
    return presetFieldSize(letter) != 0 && letter != 'H' && letter != 'h';
}

static int marked(const char *mask, size_t i)
{
    return mask && i < strlen(mask) && (mask[i] == 'y' || mask[i] == 'Y');
}

std::string presetStoreFields(const std::string &line, const char *layout, const char *mask,
                              const unsigned char *data, size_t size)
{
    std::string out = line;
    size_t off = 0;
    int k = 0;
    for (size_t i = 0; layout && layout[i]; i++) {
        char c = (char)(layout[i] & ~0x20);   /* upper case */
        size_t n = presetFieldSize(c);
        if (off + n > size)
            break;
        const unsigned char *p = data + off;
        off += n;
        if (!marked(mask, i) || !storesValue(c))
            continue;
        char buf[64];
        std::string value;
        int used = 1;
        switch (c) {
        case 'B': case 'L': { int32_t v; memcpy(&v, p, 4); snprintf(buf, sizeof buf, "%ld", (long)v); value = buf; break; }
        case 'C': snprintf(buf, sizeof buf, "%d", (int)p[0]); value = buf; break;
        case 'I': { int16_t v; memcpy(&v, p, 2); snprintf(buf, sizeof buf, "%d", (int)v); value = buf; break; }
        case 'D': { double v; memcpy(&v, p, 8); snprintf(buf, sizeof buf, "%lg", v); value = buf; break; }
        case 'F': { float v; memcpy(&v, p, 4); snprintf(buf, sizeof buf, "%g", (double)v); value = buf; break; }
        case 'S': value = presetEncodeText((const char *)p, 255); break;
        case 'G': {
            int16_t id;
            memcpy(&id, p, 2);
            const GraphData *g = graphFind(id);
            int count = g ? g->count : 0;
            if (count < 0 || count > GRAPH_MAXPOINTS)
                count = 0;
            if (!g || count == 0) {
                value = "none";
                break;
            }
            snprintf(buf, sizeof buf, "%d", count);
            value = buf;
            for (int j = 0; j < count; j++) {
                snprintf(buf, sizeof buf, ",%ld,%ld", (long)g->points[j].x, (long)g->points[j].y);
                value += buf;
            }
            used = 1 + 2 * count;
            break;
        }
        }
        out = presetSetValue(out, k, value);
        k += used;
    }
    return out;
}

/* A graph's points from positions k+1 ...; 0 when one is missing or not a number. */
static int readPoints(const std::string &line, int k, int count, std::vector<GraphPoint> *pts)
{
    for (int j = 0; j < count; j++) {
        std::string xs, ys;
        long long x, y;
        if (presetGetValue(line, k + 1 + 2 * j, &xs) != 0 || presetGetValue(line, k + 2 + 2 * j, &ys) != 0
            || !parseLong(xs, &x) || !parseLong(ys, &y))
            return 0;
        pts->push_back({(int32_t)clampLL(x, INT32_MIN, INT32_MAX), (int32_t)clampLL(y, INT32_MIN, INT32_MAX)});
    }
    return 1;
}

int presetLoadFields(const std::string &line, const char *layout, const char *mask,
                     unsigned char *data, size_t size)
{
    int changed = 0;
    size_t off = 0;
    int k = 0;
    for (size_t i = 0; layout && layout[i]; i++) {
        char c = (char)(layout[i] & ~0x20);
        size_t n = presetFieldSize(c);
        if (off + n > size)
            break;
        unsigned char *p = data + off;
        off += n;
        if (!marked(mask, i) || !storesValue(c))
            continue;
        std::string v;
        int r = presetGetValue(line, k, &v);
        if (r < 0)
            break;
        if (r == 1) {
            k++;
            continue;
        }
        long long iv;
        double dv;
        int used = 1;
        switch (c) {
        case 'B': case 'L':
            if (parseLong(v, &iv)) {
                int32_t w = (int32_t)clampLL(iv, INT32_MIN, INT32_MAX);
                memcpy(p, &w, 4);
                changed++;
            }
            break;
        case 'C':
            if (parseLong(v, &iv)) {
                p[0] = (unsigned char)clampLL(iv, 0, 255);
                changed++;
            }
            break;
        case 'I':
            if (parseLong(v, &iv)) {
                int16_t w = (int16_t)clampLL(iv, INT16_MIN, INT16_MAX);
                memcpy(p, &w, 2);
                changed++;
            }
            break;
        case 'D':
            if (parseDouble(v, &dv)) {
                memcpy(p, &dv, 8);
                changed++;
            }
            break;
        case 'F':
            if (parseDouble(v, &dv)) {
                float f = (float)dv;
                memcpy(p, &f, 4);
                changed++;
            }
            break;
        case 'S': {
            std::string s = presetDecodeText(v);
            memset(p, 0, 256);
            memcpy(p, s.data(), s.size() < 255 ? s.size() : 255);
            changed++;
            break;
        }
        case 'G': {
            if (!parseLong(v, &iv) || iv < 0)
                return changed;   /* the positions after it cannot be known */
            int count = (int)clampLL(iv, 0, 100000);
            used = 1 + 2 * count;
            int16_t id;
            memcpy(&id, p, 2);
            GraphData *g = graphFind(id);
            std::vector<GraphPoint> pts;
            if (count > GRAPH_MAXPOINTS || count < 2)
                break;
            if (!readPoints(line, k, count, &pts))
                return changed;
            if (g) {
                for (int j = 0; j < count; j++)
                    graphSetPointAt(g, j, pts[(size_t)j].x, pts[(size_t)j].y, j == count - 1);
                graphFit(g);
                changed++;
            }
            break;
        }
        }
        k += used;
    }
    return changed;
}
