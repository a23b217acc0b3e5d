/*
 * progresseta.cpp - the progress meter's estimate text, kept apart from the dialog so it
 * can be tested on its own: the remaining time from the time passed and the percentage done,
 * and its text.
 */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

uint32_t progressEtaSeconds(uint32_t elapsed, double percent)
{
    if (!(percent > 0.0))
        return 0xFFFFFFFFu;
    if (percent > 100.0)
        percent = 100.0;
    /* The estimate is at least what has passed: rounding at 100 % (or a slow start at a
       tiny percentage) must not wrap the remainder round to hundreds of hours. */
    double estimate = (double)elapsed / percent * 100.0;
    double left = estimate > (double)elapsed ? estimate - (double)elapsed : 0.0;
    double seconds = left / 1000.0 + 1.0;
    return seconds >= 4294967295.0 ? 0xFFFFFFFFu : (uint32_t)seconds;
}

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


#include "plugins/progress.h"

int progressGate(ProgressGate *g, uint32_t now, double percent)
{
    if (!g->started) {
        g->started = 1;
        g->lastPump = g->lastShown = now;
        g->shownPercent = percent;
        return PROGRESS_SHOW;
    }
    if ((uint32_t)(now - g->lastPump) < PROGRESS_PUMP_MS)
        return PROGRESS_NOTHING;
    g->lastPump = now;
    if (percent - g->shownPercent >= 1.0 && (uint32_t)(now - g->lastShown) >= PROGRESS_SHOW_MS) {
        g->lastShown = now;
        g->shownPercent = percent;
        return PROGRESS_SHOW;
    }
    return PROGRESS_PUMP;
}
