/*
 * cdfake.cpp - the scripted CD drive (see cdfake.h).  Commands it does not know fail with
 * MCI's "unrecognized command" code and an empty reply, as the platform's layer does.
 */
#include "cd/cdfake.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define ERR_NODRIVER     266
#define ERR_UNRECOGNIZED 261
#define ERR_NOTREADY     276

void cdFakeLoad(CdFake *f, const int *seconds, int tracks)
{
    memset(f, 0, sizeof *f);
    f->present = 1;
    f->tracks = tracks < 0 ? 0 : tracks > 99 ? 99 : tracks;
    uint32_t at = CDFAKE_LEADIN;
    for (int t = 1; t <= f->tracks; t++) {
        f->start[t] = at;
        at += (uint32_t)seconds[t - 1] * 75u;
    }
    f->start[f->tracks + 1] = at;
    f->pos = f->start[1];
}

void cdFakeAdvance(CdFake *f, uint32_t frames)
{
    if (f->mode != 1)
        return;
    f->pos += frames;
    if (f->pos >= f->start[f->tracks + 1]) {
        f->pos = f->start[1];
        f->mode = 0;
    }
}

static int trackOf(const CdFake *f, uint32_t pos)
{
    for (int t = f->tracks; t >= 1; t--)
        if (pos >= f->start[t])
            return t;
    return 1;
}

static void msf(uint32_t frames, char *out, size_t size)
{
    snprintf(out, size, "%02u:%02u:%02u", frames / 75 / 60, frames / 75 % 60, frames % 75);
}

static void position(const CdFake *f, uint32_t pos, char *out, size_t size)
{
    if (f->format == 2) {
        snprintf(out, size, "%lu", (unsigned long)((uint64_t)pos * 1000 / 75));
    } else if (f->format == 1) {
        msf(pos, out, size);
    } else {
        int t = trackOf(f, pos);
        char rest[32];
        msf(pos - f->start[t], rest, sizeof rest);
        snprintf(out, size, "%02d:%s", t, rest);
    }
}

/* A position in the current format ("start" is track 1's start). */
static uint32_t parsePosition(const CdFake *f, const char *text)
{
    if (strncmp(text, "start", 5) == 0)
        return f->start[1];
    if (f->format == 2)
        return (uint32_t)((uint64_t)strtoul(text, NULL, 10) * 75 / 1000);
    long v[4] = {0, 0, 0, 0};
    int n = 0;
    const char *p = text;
    while (n < 4 && isdigit((unsigned char)*p)) {
        v[n++] = strtol(p, (char **)&p, 10);
        if (*p != ':')
            break;
        p++;
    }
    if (f->format == 1)
        return (uint32_t)((v[0] * 60 + v[1]) * 75 + v[2]);
    int t = (int)(v[0] < 1 ? 1 : v[0] > f->tracks ? f->tracks : v[0]);
    return f->start[t] + (uint32_t)((v[1] * 60 + v[2]) * 75 + v[3]);
}

static int starts(const char *s, const char *prefix) { return strncmp(s, prefix, strlen(prefix)) == 0; }

unsigned long cdFakeSend(void *fake, const char *command, char *reply, size_t size)
{
    CdFake *f = (CdFake *)fake;
    if (size)
        reply[0] = 0;
    f->commands++;
    snprintf(f->last, sizeof f->last, "%s", command);
    if (f->noDrive)
        return ERR_NODRIVER;
    char out[64] = "";
    int ready = f->present && !f->doorOpen;
    unsigned long err = 0;
    if (starts(command, "open cdaudio") || starts(command, "close cdaudio")) {
    } else if (starts(command, "set cdaudio time format ")) {
        const char *fmt = command + 24;
        f->format = starts(fmt, "tmsf") ? 0 : starts(fmt, "msf") ? 1 : starts(fmt, "milliseconds") ? 2 : f->format;
    } else if (starts(command, "set cdaudio door open")) {
        f->doorOpen = 1;
        f->mode = 0;
    } else if (starts(command, "set cdaudio door closed")) {
        f->doorOpen = 0;
    } else if (starts(command, "status cdaudio mode")) {
        snprintf(out, sizeof out, "%s", f->doorOpen ? "open" : !f->present ? "not ready"
                                        : f->mode == 1 ? "playing" : f->mode == 2 ? "paused" : "stopped");
    } else if (starts(command, "status cdaudio media present")) {
        snprintf(out, sizeof out, "%s", ready ? "true" : "false");
    } else if (starts(command, "capability cdaudio can play")) {
        snprintf(out, sizeof out, "true");
    } else if (!ready) {
        err = ERR_NOTREADY;
    } else if (starts(command, "status cdaudio number of tracks")) {
        snprintf(out, sizeof out, "%d", f->tracks);
    } else if (starts(command, "status cdaudio position track ")) {
        int t = atoi(command + 30);
        if (t < 1 || t > f->tracks)
            err = ERR_UNRECOGNIZED;
        else if (f->format == 0)
            snprintf(out, sizeof out, "%02d:00:00:00", t);
        else
            position(f, f->start[t], out, sizeof out);
    } else if (starts(command, "status cdaudio position")) {
        position(f, f->pos, out, sizeof out);
    } else if (starts(command, "status cdaudio length")) {
        uint32_t len = f->start[f->tracks + 1] - CDFAKE_LEADIN;
        if (f->format == 2)
            snprintf(out, sizeof out, "%lu", (unsigned long)((uint64_t)len * 1000 / 75));
        else
            msf(len, out, sizeof out);
    } else if (starts(command, "status cdaudio current track")) {
        snprintf(out, sizeof out, "%d", trackOf(f, f->pos));
    } else if (starts(command, "play cdaudio")) {
        const char *from = strstr(command, " from ");
        if (from)
            f->pos = parsePosition(f, from + 6);
        f->mode = 1;
        snprintf(f->played, sizeof f->played, "%s", command);
    } else if (starts(command, "pause cdaudio")) {
        if (f->mode == 1)
            f->mode = 2;
    } else if (starts(command, "seek cdaudio to ")) {
        f->pos = parsePosition(f, command + 16);
        f->mode = 0;
        snprintf(f->played, sizeof f->played, "%s", command);
    } else {
        err = ERR_UNRECOGNIZED;
    }
    if (size)
        snprintf(reply, size, "%s", out);
    return err;
}
