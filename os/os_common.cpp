/*
 * os_common.cpp - the parts of the OS layer shared by both platforms: fault injection,
 * buffer allocation, the message hook and wildcard matching.
 * Global state: OsFault, the current message hook.
 */
#include "os.h"

#include <ctype.h>
#include <stdlib.h>

OsFaultState OsFault = {0, -1, -1};

static OsMessageFn messageHook;

void osFaultReset(void)
{
    OsFault.failCreate = 0;
    OsFault.writeBudget = -1;
    OsFault.allocBudget = -1;
}

void *osAlloc(size_t n)
{
    if (OsFault.allocBudget == 0)
        return NULL;
    if (OsFault.allocBudget > 0)
        OsFault.allocBudget--;
    return malloc(n ? n : 1);
}

void osFree(void *p)
{
    free(p);
}

int osPlatformMessage(const char *text, const char *caption, unsigned style);

OsMessageFn osSetMessageHook(OsMessageFn fn)
{
    OsMessageFn old = messageHook;
    messageHook = fn;
    return old;
}

int osMessage(const char *text, const char *caption, unsigned style)
{
    if (messageHook)
        return messageHook(text, caption, style);
    return osPlatformMessage(text, caption, style);
}

int osWildMatch(const char *p, const char *s)
{
    /* Iterative match with one backtrack point for '*': linear in practice, never recursive. */
    const char *star = NULL, *resume = NULL;
    while (*s) {
        if (*p == '*') {
            star = ++p;
            resume = s;
        } else if (*p == '?' || (*p && tolower((unsigned char)*p) == tolower((unsigned char)*s))) {
            p++;
            s++;
        } else if (star) {
            p = star;
            s = ++resume;
        } else {
            return 0;
        }
    }
    while (*p == '*')
        p++;
    return *p == 0;
}
