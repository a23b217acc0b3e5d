/*
 * cdcore.cpp - disc ids, the title files and the panel's state machine over CdDevice and
 * CdIni (see cdcore.h).  Window-free; every question to the drive is an MCI command string
 * for the "cdaudio" device and every reply is read as text, a reply that does not parse
 * counting as 0.
 */
#include "cd/cdcore.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define OWN_SECTION "Zelo Edit"

static void ask(const CdEnv *env, const char *command, char *reply, size_t size)
{
    reply[0] = 0;
    if (env->dev.send && env->dev.send(env->dev.ctx, command, reply, size) != 0)
        reply[0] = 0;
    reply[size - 1] = 0;
}

static void order(const CdEnv *env, const char *command)
{
    char reply[CD_REPLY_MAX];
    ask(env, command, reply, sizeof reply);
}

static long number(const char *text)
{
    while (*text == ' ')
        text++;
    return isdigit((unsigned char)*text) || *text == '-' ? strtol(text, NULL, 10) : 0;
}

static void tmsf(const CdEnv *env) { order(env, "set cdaudio time format tmsf wait"); }

static void iniGet(const CdEnv *env, const char *file, const char *section, const char *key, char *out, size_t size)
{
    out[0] = 0;
    env->ini.get(env->ini.ctx, file, section, key, "", out, size);
    out[size - 1] = 0;
}

static void path(const char *dir, const char *name, char *out, size_t size)
{
    snprintf(out, size, "%.259s\\%.31s", dir, name);
}

/* ---- disc ids ---- */

uint32_t cdDiscId(const CdDisc *d)
{
    uint32_t id = 0;
    int n = d->tracks < 0 ? 0 : d->tracks > CD_MAXTRACKS ? CD_MAXTRACKS : d->tracks;
    for (int t = 1; t <= n; t++)
        id += (uint32_t)d->start[t].m * 65536u + (uint32_t)d->start[t].s * 256u + (uint32_t)d->start[t].f;
    if (n < 3)
        id += ((uint32_t)d->length.m * 60u + (uint32_t)d->length.s) * 75u + (uint32_t)d->length.f + 1u;
    return id;
}

int cdParseMsf(const char *text, CdMsf *out)
{
    long v[4] = {0, 0, 0, 0};
    int n = 0;
    const char *p = text;
    while (n < 4) {
        while (*p == ' ')
            p++;
        if (!isdigit((unsigned char)*p))
            break;
        v[n++] = strtol(p, (char **)&p, 10);
        if (*p != ':')
            break;
        p++;
    }
    if (n < 3) {
        out->m = out->s = out->f = 0;
        return 0;
    }
    out->m = (int)(v[n - 3] > 9999 ? 9999 : v[n - 3]);
    out->s = (int)(v[n - 2] > 59 ? 59 : v[n - 2]);
    out->f = (int)(v[n - 1] > 74 ? 74 : v[n - 1]);
    return 1;
}

int cdReadDisc(const CdEnv *env, CdDisc *d)
{
    char reply[CD_REPLY_MAX], command[64];
    memset(d, 0, sizeof *d);
    order(env, "set cdaudio time format msf wait");
    ask(env, "status cdaudio number of tracks wait", reply, sizeof reply);
    long n = number(reply);
    d->tracks = (int)(n < 0 ? 0 : n > CD_MAXTRACKS ? CD_MAXTRACKS : n);
    for (int t = 1; t <= d->tracks; t++) {
        snprintf(command, sizeof command, "status cdaudio position track %d wait", t);
        ask(env, command, reply, sizeof reply);
        cdParseMsf(reply, &d->start[t]);
    }
    ask(env, "status cdaudio length wait", reply, sizeof reply);
    cdParseMsf(reply, &d->length);
    order(env, "set cdaudio time format milliseconds wait");
    ask(env, "status cdaudio length wait", reply, sizeof reply);
    d->lengthMs = (uint32_t)strtoul(reply, NULL, 10);
    tmsf(env);
    return d->tracks > 0 ? 0 : 1;
}

/* ---- title files ---- */

void cdChooseDatabase(const CdEnv *env, char *out, size_t size)
{
    char name[32];
    for (int n = 1; n <= CD_DB_FILES; n++) {
        snprintf(name, sizeof name, "ZeloCD%d.ini", n);
        path(env->ownDir, name, out, size);
        long bytes = env->ini.size(env->ini.ctx, out);
        if (bytes < 0) {
            env->ini.set(env->ini.ctx, out, OWN_SECTION, "Version", "134");
            return;
        }
        if (bytes < CD_DB_LIMIT)
            return;
    }
    path(env->ownDir, "ZeloCD!.ini", out, size);
}

static void decimalId(uint32_t id, char *out, size_t size) { snprintf(out, size, "%ld", (long)(int32_t)id); }
static void hexId(uint32_t id, char *out, size_t size) { snprintf(out, size, "%lX", (unsigned long)id); }

static int hasValue(const CdEnv *env, const char *file, const char *section, const char *key)
{
    char v[CD_TITLE_MAX];
    iniGet(env, file, section, key, v, sizeof v);
    return v[0] != 0;
}

static void use(CdTitles *t, const char *file, const char *section, int cdplayer)
{
    snprintf(t->file, sizeof t->file, "%s", file);
    snprintf(t->section, sizeof t->section, "%s", section);
    t->cdplayer = cdplayer;
}

/* Older versions kept titles in zelo.ini under the disc length in milliseconds: they move
   into the database under the disc id. */
static int moveOldTitles(const CdEnv *env, const CdDisc *d, const char *database, const char *section)
{
    if (d->lengthMs == 0)
        return 0;
    char zelo[CD_PATH_MAX], old[24], v[CD_TITLE_MAX], key[16];
    path(env->ownDir, "zelo.ini", zelo, sizeof zelo);
    snprintf(old, sizeof old, "%lu", (unsigned long)d->lengthMs);
    iniGet(env, zelo, old, "title", v, sizeof v);
    if (!v[0])
        return 0;
    env->ini.set(env->ini.ctx, database, section, "DiscTitle", v);
    for (int i = 1; i <= CD_MAXTRACKS; i++) {
        snprintf(key, sizeof key, "Track%d", i);
        iniGet(env, zelo, old, key, v, sizeof v);
        if (!v[0])
            break;
        env->ini.set(env->ini.ctx, database, section, key, v);
    }
    env->ini.set(env->ini.ctx, zelo, old, NULL, NULL);
    return 1;
}

void cdFindTitles(const CdEnv *env, const CdDisc *d, const char *database, CdTitles *t)
{
    char dec[24], hex[24], file[CD_PATH_MAX];
    uint32_t id = cdDiscId(d);
    decimalId(id, dec, sizeof dec);
    hexId(id, hex, sizeof hex);
    use(t, database, dec, 0);
    if (hasValue(env, database, dec, "DiscTitle") || moveOldTitles(env, d, database, dec))
        return;
    if (strlen(dec) >= 2) {
        path(env->platformDir, "MUSICBOX.INI", file, sizeof file);
        if (hasValue(env, file, dec, "DiscTitle")) {
            use(t, file, dec, 0);
            return;
        }
        path(env->platformDir, "CDPLAYER.INI", file, sizeof file);
        if (hasValue(env, file, hex, "artist")) {
            use(t, file, hex, 1);
            return;
        }
        for (int n = 1; n <= CD_DB_FILES; n++) {
            char name[32];
            snprintf(name, sizeof name, "ZeloCD%d.ini", n);
            path(env->ownDir, name, file, sizeof file);
            if (!hasValue(env, file, OWN_SECTION, "Version"))
                break;
            if (hasValue(env, file, dec, "DiscTitle")) {
                use(t, file, dec, 0);
                return;
            }
        }
    }
    /* A disc seen for the first time: its length stands for its title. */
    char reply[CD_REPLY_MAX], title[CD_REPLY_MAX + 16], key[16];
    ask(env, "status cdaudio length wait", reply, sizeof reply);
    snprintf(title, sizeof title, "%s length CD", reply);
    env->ini.set(env->ini.ctx, database, dec, "DiscTitle", title);
    if (!hasValue(env, database, OWN_SECTION, "Version"))
        env->ini.set(env->ini.ctx, database, OWN_SECTION, "Version", "1");
    ask(env, "status cdaudio number of tracks wait", reply, sizeof reply);
    long n = number(reply);
    n = n < 0 ? 0 : n > CD_MAXTRACKS ? CD_MAXTRACKS : n;
    for (int i = 1; i <= n; i++) {
        snprintf(key, sizeof key, "Track%d", i);
        if (!hasValue(env, database, dec, key))
            env->ini.set(env->ini.ctx, database, dec, key, "*");
    }
}

static void trackKey(const CdTitles *t, int track, char *key, size_t size)
{
    if (t->cdplayer)
        snprintf(key, size, "%d", track - 1);
    else
        snprintf(key, size, "Track%d", track);
}

void cdTitleText(const CdEnv *env, const CdTitles *t, int track, char *out, size_t size)
{
    char key[16], v[CD_TITLE_MAX];
    if (track > 0 && track <= CD_MAXTRACKS) {
        trackKey(t, track, key, sizeof key);
        iniGet(env, t->file, t->section, key, v, sizeof v);
        if (v[0] && strcmp(v, "*") != 0) {
            snprintf(out, size, "%s", v);
            return;
        }
    }
    if (t->cdplayer) {
        char artist[CD_TITLE_MAX];
        iniGet(env, t->file, t->section, "artist", artist, sizeof artist);
        iniGet(env, t->file, t->section, "title", v, sizeof v);
        snprintf(out, size, "%s - %s", artist, v);
        return;
    }
    iniGet(env, t->file, t->section, "DiscTitle", v, sizeof v);
    snprintf(out, size, "%s", v);
}

void cdStoreTitle(const CdEnv *env, const CdTitles *t, int track, const char *text)
{
    char key[16], buf[CD_TITLE_MAX];
    snprintf(buf, sizeof buf, "%s", text ? text : "");
    if (!t->file[0])
        return;
    if (track > 0 && track <= CD_MAXTRACKS) {
        trackKey(t, track, key, sizeof key);
        env->ini.set(env->ini.ctx, t->file, t->section, key, buf[0] ? buf : "*");
        return;
    }
    if (!t->cdplayer) {
        env->ini.set(env->ini.ctx, t->file, t->section, "DiscTitle", buf);
        return;
    }
    char *dash = strchr(buf, '-');
    const char *title = "";
    if (dash) {
        *dash = 0;
        title = dash + 1;
        while (*title == ' ' || *title == '\t')
            title++;
        size_t n = strlen(buf);
        while (n > 0 && (buf[n - 1] == ' ' || buf[n - 1] == '\t'))
            buf[--n] = 0;
    }
    env->ini.set(env->ini.ctx, t->file, t->section, "artist", buf);
    env->ini.set(env->ini.ctx, t->file, t->section, "title", title);
}

/* ---- the panel ---- */

/* The buttons follow the flags. */
static void refresh(CdState *s)
{
    CdPanel *p = &s->panel;
    int ready = !s->notReady, moving = ready && !s->stopped;
    p->enabled[CDB_PLAY] = ready;
    p->enabled[CDB_STOP] = moving;
    p->enabled[CDB_REWIND] = moving;
    p->enabled[CDB_FORWARD] = moving;
    p->enabled[CDB_MARK] = moving;
    p->enabled[CDB_GOTOMARK] = ready && s->mark[0];
    p->enabled[CDB_EJECT] = 1;
    p->playPicture = s->paused || s->stopped ? "ICDPlay" : "ICDPause";
    p->ejectPicture = s->notReady ? "ICDInsrt" : "ICDNew";
}

static void showTitle(CdState *s, const CdEnv *env)
{
    if (s->titles.file[0])
        cdTitleText(env, &s->titles, s->track, s->panel.title, sizeof s->panel.title);
}

/* mode and position, asked up to two times while the drive is "not ready"; a stopped drive
   away from the start counts as paused. */
static void askMode(const CdEnv *env, char *mode, size_t modeSize, char *pos, size_t posSize)
{
    for (int i = 0; i < 2; i++) {
        ask(env, "status cdaudio mode wait", mode, modeSize);
        ask(env, "status cdaudio position wait", pos, posSize);
        if (strcmp(mode, "not ready") != 0)
            break;
    }
    if (strcmp(mode, "stopped") == 0 && strcmp(pos, CD_START_POS) != 0)
        snprintf(mode, modeSize, "paused");
}

static void readDriveState(CdState *s, const CdEnv *env)
{
    char mode[CD_REPLY_MAX], pos[CD_REPLY_MAX];
    askMode(env, mode, sizeof mode, pos, sizeof pos);
    if (strcmp(mode, "open") == 0) {
        s->notReady = 1;
    } else if (strcmp(mode, "paused") == 0) {
        s->stopped = 0;
        s->paused = 1;
    } else if (strcmp(mode, "playing") == 0) {
        s->stopped = s->paused = 0;
    } else if (strcmp(mode, "stopped") == 0) {
        s->stopped = s->paused = 1;
    }
    refresh(s);
}

static void rebuildTrackList(CdState *s, const CdEnv *env)
{
    tmsf(env);
    readDriveState(s, env);
    s->panel.tracks = 0;
    s->panel.selected = 0;
    cdReadDisc(env, &s->disc);
    cdFindTitles(env, &s->disc, s->database, &s->titles);
    int track = s->track;
    s->track = 0;
    showTitle(s, env);
    s->track = track;
    s->panel.tracks = s->disc.tracks;
}

static void showNoDisc(CdState *s)
{
    CdPanel *p = &s->panel;
    p->tracks = 0;
    p->selected = 0;
    s->notReady = 1;
    s->stopped = s->paused = 1;
    s->track = 0;
    s->noDiscShown = 1;
    snprintf(p->title, sizeof p->title, "No CD");
    p->titleEnabled = 0;
    snprintf(p->time, sizeof p->time, " 00:00");
    refresh(s);
}

static void updateTrack(CdState *s, const CdEnv *env, int n)
{
    if (s->notReady) {
        rebuildTrackList(s, env);
        s->stopped = s->paused = 1;
        s->notReady = 0;
        s->noDiscShown = 0;
        s->track = 0;
        s->panel.titleEnabled = 1;
        refresh(s);
    }
    if (s->stopped)
        n = 0;
    if (n < 0 || n > s->disc.tracks)
        n = 0;
    if (n == s->track)
        return;
    s->track = n;
    s->panel.selected = n;
    showTitle(s, env);
    if (s->wantFocus) {
        s->panel.titleFocus = 1;
        s->wantFocus = 0;
    }
}

void cdStart(CdState *s, const CdEnv *env)
{
    memset(s, 0, sizeof *s);
    cdChooseDatabase(env, s->database, sizeof s->database);
    s->notReady = 1;   /* nothing known yet: the first poll reads the disc */
    s->stopped = s->paused = 1;
    tmsf(env);
    readDriveState(s, env);
    s->notReady = 1;
    refresh(s);
    cdPoll(s, env);
}

void cdPoll(CdState *s, const CdEnv *env)
{
    if (s->inPoll)
        return;
    s->inPoll = 1;
    char pos[CD_REPLY_MAX] = "", mode[CD_REPLY_MAX] = "";
    if (s->notReady) {
        char r[CD_REPLY_MAX];
        ask(env, "status cdaudio media present", r, sizeof r);
        if (r[0] == 't' || r[0] == 'T')
            snprintf(pos, sizeof pos, CD_START_POS);
    } else {
        askMode(env, mode, sizeof mode, pos, sizeof pos);
    }
    if (strcmp(mode, "playing") == 0 && (s->stopped || s->paused)) {
        s->stopped = s->paused = 0;
        refresh(s);
    } else if (strcmp(mode, "stopped") == 0 && !s->paused) {
        s->stopped = s->paused = 1;
        refresh(s);
    } else if (strcmp(mode, "paused") == 0 && (!s->paused || s->stopped)) {
        s->paused = 1;
        s->stopped = 0;
        refresh(s);
    }
    pos[8] = 0;
    if (!pos[0]) {
        if (!s->noDiscShown)
            showNoDisc(s);
        s->inPoll = 0;
        return;
    }
    if (s->notReady) {
        char r[CD_REPLY_MAX];
        ask(env, "capability cdaudio can play", r, sizeof r);
        if (strcmp(r, "false") == 0) {
            s->inPoll = 0;
            return;
        }
    }
    updateTrack(s, env, (int)number(pos));
    snprintf(s->panel.time, sizeof s->panel.time, " %.5s", strlen(pos) > 3 ? pos + 3 : "00:00");
    if (s->disc.lengthMs) {
        char r[CD_REPLY_MAX];
        order(env, "set cdaudio time format milliseconds wait");
        ask(env, "status cdaudio position wait", r, sizeof r);
        if (strtoul(r, NULL, 10) > s->disc.lengthMs)
            s->postStop = 1;
        tmsf(env);
    }
    s->inPoll = 0;
}

void cdPlayPause(CdState *s, const CdEnv *env)
{
    if (s->notReady)
        return;
    if (!s->stopped && !s->paused) {
        order(env, "pause cdaudio");
        s->paused = 1;
        refresh(s);
        return;
    }
    tmsf(env);
    order(env, s->stopped ? "play cdaudio from 1:0:0" : "play cdaudio");
    s->stopped = s->paused = 0;
    refresh(s);
    char r[CD_REPLY_MAX];
    ask(env, "status cdaudio current track", r, sizeof r);
    updateTrack(s, env, (int)number(r));
}

void cdStop(CdState *s, const CdEnv *env)
{
    order(env, "seek cdaudio to start");
    order(env, "pause cdaudio");
    s->stopped = s->paused = 1;
    s->track = 0;
    s->panel.selected = 0;
    showTitle(s, env);
    refresh(s);
}

void cdSkip(CdState *s, const CdEnv *env, long deltaMs)
{
    if (s->notReady)
        return;
    char r[CD_REPLY_MAX], command[64];
    order(env, "set cdaudio time format milliseconds wait");
    ask(env, "status cdaudio position wait", r, sizeof r);
    long at = number(r) + deltaMs;
    if (at < 0)
        at = 0;
    snprintf(command, sizeof command, s->paused ? "seek cdaudio to %ld" : "play cdaudio from %ld", at);
    order(env, command);
    tmsf(env);
}

void cdMark(CdState *s, const CdEnv *env)
{
    char r[CD_REPLY_MAX];
    tmsf(env);
    ask(env, "status cdaudio position", r, sizeof r);
    snprintf(s->mark, sizeof s->mark, "%s", r);
    refresh(s);
}

void cdGotoMark(CdState *s, const CdEnv *env)
{
    if (!s->mark[0] || s->notReady)
        return;
    char command[64];
    tmsf(env);
    snprintf(command, sizeof command, s->paused ? "seek cdaudio to %s" : "play cdaudio from %s", s->mark);
    order(env, command);
    s->stopped = 0;
    refresh(s);
    updateTrack(s, env, (int)number(s->mark));
}

void cdEject(CdState *s, const CdEnv *env)
{
    order(env, s->notReady ? "set cdaudio door closed" : "set cdaudio door open");
    readDriveState(s, env);
}

void cdChooseTrack(CdState *s, const CdEnv *env, int track)
{
    if (s->notReady || track < 1 || track > s->disc.tracks)
        return;
    char command[64];
    tmsf(env);
    if (s->paused && !s->stopped) {
        snprintf(command, sizeof command, "seek cdaudio to %d:0:0", track);
        order(env, command);
    } else {
        snprintf(command, sizeof command, "play cdaudio from %d:0:0", track);
        order(env, command);
        s->paused = 0;
    }
    s->stopped = 0;
    refresh(s);
    updateTrack(s, env, track);
}

void cdTitleEdited(CdState *s, const CdEnv *env, const char *text)
{
    if (s->notReady)
        return;
    cdStoreTitle(env, &s->titles, s->track, text);
}
