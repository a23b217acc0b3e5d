/*
 * flacint.cpp - frame checksums, comment names and text conversions shared by the FLAC reader
 * and writer.
 */
#include "filters/flac/flacint.h"

#include <ctype.h>
#include <string.h>

namespace {
struct Tables {
    uint8_t c8[256];
    uint16_t c16[8][256];   /* [k]: a byte followed by k zero bytes */
    Tables()
    {
        for (int i = 0; i < 256; i++) {
            uint8_t c = (uint8_t)i;
            for (int k = 0; k < 8; k++)
                c = (uint8_t)((c & 0x80) ? (c << 1) ^ 0x07 : c << 1);
            c8[i] = c;
            uint16_t d = (uint16_t)(i << 8);
            for (int k = 0; k < 8; k++)
                d = (uint16_t)((d & 0x8000) ? (d << 1) ^ 0x8005 : d << 1);
            c16[0][i] = d;
        }
        for (int k = 1; k < 8; k++)
            for (int i = 0; i < 256; i++) {
                uint16_t v = c16[k - 1][i];
                c16[k][i] = (uint16_t)((v << 8) ^ c16[0][v >> 8]);
            }
    }
};
const Tables &tables()
{
    static const Tables t;
    return t;
}
} // namespace

uint8_t flcCrc8(const uint8_t *p, size_t n)
{
    const Tables &t = tables();
    uint8_t c = 0;
    while (n--)
        c = t.c8[c ^ *p++];
    return c;
}

uint16_t flcCrc16(uint16_t crc, const uint8_t *p, size_t n)
{
    const Tables &t = tables();
    while (n >= 8) {   /* eight bytes a step */
        crc = (uint16_t)(t.c16[7][p[0] ^ (crc >> 8)] ^ t.c16[6][p[1] ^ (crc & 0xFF)] ^ t.c16[5][p[2]] ^
                         t.c16[4][p[3]] ^ t.c16[3][p[4]] ^ t.c16[2][p[5]] ^ t.c16[1][p[6]] ^ t.c16[0][p[7]]);
        p += 8;
        n -= 8;
    }
    while (n--)
        crc = (uint16_t)((crc << 8) ^ t.c16[0][(crc >> 8) ^ *p++]);
    return crc;
}

/* Codes 20..33 in order: IART ICMT ICOP ICRD IENG IGNR IKEY IMED INAM ISFT ISRC ITCH ISBJ ISRF. */
static const char *const kNames[14] = {"ARTIST",   "COMMENT", "COPYRIGHT", "DATE",   "ENGINEER",
                                       "GENRE",    "KEYWORDS", "MEDIUM",   "TITLE",  "ENCODER",
                                       "SOURCE",   "TECHNICIAN", "SUBJECT", "SOURCEFORM"};

const char *flcCommentName(int code)
{
    return (code >= 20 && code <= 33) ? kNames[code - 20] : NULL;
}

static int sameName(const char *a, size_t len, const char *b)
{
    if (strlen(b) != len)
        return 0;
    for (size_t i = 0; i < len; i++)
        if (toupper((unsigned char)a[i]) != b[i])
            return 0;
    return 1;
}

int flcCommentCode(const char *name, size_t len)
{
    for (int i = 0; i < 14; i++)
        if (sameName(name, len, kNames[i]))
            return 20 + i;
    if (sameName(name, len, "DESCRIPTION"))
        return 21;
    return 0;
}

std::string flcLatin1ToUtf8(const char *s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)s[i];
        if (c < 0x80) {
            out += (char)c;
        } else {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string flcUtf8ToLatin1(const char *s, size_t n)
{
    std::string out;
    size_t i = 0;
    while (i < n) {
        unsigned char c = (unsigned char)s[i];
        if (c < 0x80) {
            out += (char)c;
            i++;
            continue;
        }
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        uint32_t v = c & (0x3F >> more);
        size_t j = 1;
        for (; j <= (size_t)more && i + j < n && ((unsigned char)s[i + j] & 0xC0) == 0x80; j++)
            v = (v << 6) | ((unsigned char)s[i + j] & 0x3F);
        if (more == 0 || j != (size_t)more + 1) {
            out += '?';   /* a stray or cut sequence */
            i += j;
            continue;
        }
        out += v < 0x100 ? (char)v : '?';
        i += j;
    }
    return out;
}
