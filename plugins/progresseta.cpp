/*
 * progresseta.cpp - the progress meter's estimate text, kept apart from the dialog so it
 * can be tested on its own.
 */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

void progressEtaText(uint32_t seconds, char *out, size_t size)
{
    char part[32];
    snprintf(out, size, "ETA: ");
    if (seconds >= 3600) {
        uint32_t h = seconds / 3600;
        if (h == 1)
            snprintf(part, sizeof part, "1 Hour ");
        else
            snprintf(part, sizeof part, "%u Hours ", (unsigned)h);
        strncat(out, part, size - strlen(out) - 1);
        seconds %= 3600;
    }
    if (seconds >= 60) {
        uint32_t m = seconds / 60;
        if (m == 1)
            snprintf(part, sizeof part, "1 Minute ");
        else
            snprintf(part, sizeof part, "%u Minutes ", (unsigned)m);
        strncat(out, part, size - strlen(out) - 1);
        seconds %= 60;
    }
    if (seconds == 1)
        strncat(out, "1 Second", size - strlen(out) - 1);
    else if (seconds > 1) {
        snprintf(part, sizeof part, "%u Seconds", (unsigned)seconds);
        strncat(out, part, size - strlen(out) - 1);
    }
}

