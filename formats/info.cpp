/*
 * info.cpp - the INFO list of the open waveform.
 *
 * Writes InfoList only.  Every item's bytes are a private osAlloc copy owned by the list,
 * freed by infoRemove / infoClear.  Refusing an item leaves the list exactly as it was.
 */
#include "formats/info.h"

#include "formats/fltrecord.h"
#include "os/os.h"

#include <string.h>

InfoListState InfoList;

static const char *const infoIds[] = {"IART", "ICMT", "ICOP", "ICRD", "IENG", "IGNR", "IKEY", "IMED",
                                      "INAM", "ISFT", "ISRC", "ITCH", "ISBJ", "ISRF", "DISP"};

const char *infoIdOfCode(int code)
{
    if (code < FLT_INFO_FIRST || code > FLT_DISP)
        return NULL;
    return infoIds[code - FLT_INFO_FIRST];
}

int infoCodeOfId(const char *id)
{
    if (!id)
        return 0;
    for (int i = 0; i < (int)(sizeof infoIds / sizeof infoIds[0]); i++)
        if (strcmp(infoIds[i], id) == 0)
            return FLT_INFO_FIRST + i;
    return 0;
}

/* Takes ownership of bytes (already allocated) or frees them when the item is refused. */
static int addOwned(const char *id, uint8_t *bytes, uint32_t length)
{
    if (InfoList.count >= INFO_MAXITEMS || length == 0 || !infoCodeOfId(id)) {
        osFree(bytes);
        return 1;
    }
    InfoItem *it = &InfoList.item[InfoList.count++];
    memset(it->id, 0, sizeof it->id);
    strcpy(it->id, id);
    it->data = bytes;
    it->length = length;
    return 0;
}

int infoAdd(const char *id, const void *data, uint32_t length)
{
    if (InfoList.count >= INFO_MAXITEMS || length == 0 || !data || !infoCodeOfId(id))
        return 1;
    uint8_t *copy = (uint8_t *)osAlloc(length);
    if (!copy)
        return 1;
    memcpy(copy, data, length);
    return addOwned(id, copy, length);
}

/* prefix (0 or 4 bytes) + text + zero, rounded up to even; NULL when too long or no memory. */
static uint8_t *makeBlock(const void *prefix, uint32_t prefixLen, const char *text, uint32_t *length)
{
    size_t t = strlen(text);
    if (t > 0x7FFFFF00u)
        return NULL;
    uint32_t n = prefixLen + (uint32_t)t + 1;
    n += n & 1;
    uint8_t *b = (uint8_t *)osAlloc(n);
    if (!b)
        return NULL;
    memset(b, 0, n);
    if (prefixLen)
        memcpy(b, prefix, prefixLen);
    memcpy(b + prefixLen, text, t);
    *length = n;
    return b;
}

int infoAddText(const char *id, const char *text)
{
    if (!text || !*text || InfoList.count >= INFO_MAXITEMS || !infoCodeOfId(id))
        return 1;
    uint32_t n;
    uint8_t *b = makeBlock(NULL, 0, text, &n);
    return b ? addOwned(id, b, n) : 1;
}

int infoAddDisp(uint32_t type, const char *text)
{
    if (!text || InfoList.count >= INFO_MAXITEMS)
        return 1;
    uint8_t le[4] = {(uint8_t)type, (uint8_t)(type >> 8), (uint8_t)(type >> 16), (uint8_t)(type >> 24)};
    uint32_t n;
    uint8_t *b = makeBlock(le, 4, text, &n);
    return b ? addOwned("DISP", b, n) : 1;
}

int infoSetText(int i, const char *text)
{
    if (i < 0 || i >= InfoList.count || !text)
        return 1;
    if (!*text) {
        infoRemove(i);
        return 0;
    }
    uint32_t n;
    uint8_t *b = makeBlock(NULL, 0, text, &n);
    if (!b)
        return 1;
    osFree(InfoList.item[i].data);
    InfoList.item[i].data = b;
    InfoList.item[i].length = n;
    return 0;
}

int infoFind(const char *id)
{
    for (int i = 0; i < InfoList.count; i++)
        if (id && strcmp(InfoList.item[i].id, id) == 0)
            return i;
    return -1;
}

void infoRemove(int i)
{
    if (i < 0 || i >= InfoList.count)
        return;
    osFree(InfoList.item[i].data);
    memmove(&InfoList.item[i], &InfoList.item[i + 1], (size_t)(InfoList.count - i - 1) * sizeof(InfoItem));
    InfoList.count--;
    memset(&InfoList.item[InfoList.count], 0, sizeof(InfoItem));
}

void infoClear(void)
{
    for (int i = 0; i < InfoList.count; i++)
        osFree(InfoList.item[i].data);
    memset(&InfoList, 0, sizeof InfoList);
}
