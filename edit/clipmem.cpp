/*
 * clipmem.cpp - a clipboard inside the process for the native build: one CF_WAVE block,
 * as the Win32 clipboard would hold it.  Global state: the block and its size (file static,
 * reached only through clipboard.h).
 */
#include "edit/clipboard.h"
#include "os/os.h"

#include <string.h>

static uint8_t *held, *pending;
static uint32_t heldSize, pendingSize;

uint8_t *clipBegin(uint32_t size)
{
    osFree(held);
    held = NULL;
    heldSize = 0;
    osFree(pending);
    pending = (uint8_t *)osAlloc(size ? size : 1);
    pendingSize = pending ? size : 0;
    return pending;
}

void clipCommit(void)
{
    held = pending;
    heldSize = pendingSize;
    pending = NULL;
    pendingSize = 0;
}

void clipAbort(void)
{
    osFree(pending);
    pending = NULL;
    pendingSize = 0;
}

int clipTake(uint8_t **copy, uint32_t *size)
{
    *copy = NULL;
    *size = 0;
    if (!held)
        return 1;
    uint8_t *c = (uint8_t *)osAlloc(heldSize ? heldSize : 1);
    if (!c)
        return 2;
    memcpy(c, held, heldSize);
    *copy = c;
    *size = heldSize;
    return 0;
}

int clipHasWave(void) { return held != NULL; }
