/*
 * clipwin.cpp - the Win32 clipboard for the wave exchange: CF_WAVE blocks in movable global
 * memory, owned by the clipboard once handed over.  Global state: the block being filled
 * between clipBegin and clipCommit (file static).  The clipboard is open exactly from a
 * successful clipBegin to its clipCommit or clipAbort, and within clipTake.
 */
#include "edit/clipboard.h"
#include "os/os.h"
#include "ui/frame.h"

#include <string.h>

static HGLOBAL filling;

/* Another program may hold the clipboard open for a moment: try for a little while. */
static BOOL openClipboard(void)
{
    for (int i = 0; i < 25; i++) {
        if (OpenClipboard(Frame.main))
            return TRUE;
        Sleep(20);
    }
    return FALSE;
}

uint8_t *clipBegin(uint32_t size)
{
    if (!openClipboard())
        return NULL;
    EmptyClipboard();
    filling = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size ? size : 1);
    uint8_t *p = filling ? (uint8_t *)GlobalLock(filling) : NULL;
    if (!p) {
        if (filling)
            GlobalFree(filling);
        filling = NULL;
        CloseClipboard();
    }
    return p;
}

void clipCommit(void)
{
    if (!filling)
        return;
    GlobalUnlock(filling);
    if (!SetClipboardData(CF_WAVE, filling))
        GlobalFree(filling);
    filling = NULL;
    CloseClipboard();
}

void clipAbort(void)
{
    if (!filling)
        return;
    GlobalUnlock(filling);
    GlobalFree(filling);
    filling = NULL;
    CloseClipboard();
}

int clipTake(uint8_t **copy, uint32_t *size)
{
    *copy = NULL;
    *size = 0;
    if (!openClipboard())
        return 1;
    HANDLE h = GetClipboardData(CF_WAVE);
    if (!h) {
        CloseClipboard();
        return 1;
    }
    SIZE_T n = GlobalSize(h);
    const void *src = GlobalLock(h);
    uint8_t *c = src && n > 0 && n <= 0xFFFFFFFFu ? (uint8_t *)osAlloc(n) : NULL;
    if (c)
        memcpy(c, src, n);
    if (src)
        GlobalUnlock(h);
    CloseClipboard();
    if (!c)
        return 2;
    *copy = c;
    *size = (uint32_t)n;
    return 0;
}

int clipHasWave(void) { return IsClipboardFormatAvailable(CF_WAVE) ? 1 : 0; }
