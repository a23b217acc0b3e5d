/*
 * cdcore.h - the CD player's window-free half: the drive as a small command-string
 * interface (MCI's "cdaudio" questions and orders), the disc ids, the title files (the
 * program's own ZeloCD%d.ini database, titles kept by older versions in zelo.ini, and the
 * platform CD players' MUSICBOX.INI and CDPLAYER.INI), and the panel's state machine: the
 * once-a-second poll, the buttons and the track list, written into a CdPanel record that
 * the window half shows.
 *
 * Global state: none here; the window half keeps one CdState.  Invariants: panel mirrors
 * the flags after every call (play picture "ICDPlay" while paused or stopped); track is 0
 * while stopped; titles.file names the file this disc's titles are read and written in.
 */
#ifndef ZELO_CDCORE_H
#define ZELO_CDCORE_H

#include <stddef.h>
#include <stdint.h>

#define CD_MAXTRACKS  99        /* the most an audio disc can hold */
#define CD_TITLE_MAX  256       /* a title as kept, with its 0 */
#define CD_PATH_MAX   300
#define CD_DIR_MAX    260       /* a folder: room is left for a file name */
#define CD_REPLY_MAX  128
#define CD_DB_LIMIT   60536     /* a database file this long takes no new discs */
#define CD_DB_FILES   99
#define CD_START_POS  "01:00:00:00"

/* The drive.  send: one command string, the reply text ("" when none); returns the error
   code (0 success).  Errors are not reported to the user; a reply that does not parse is 0. */
struct CdDevice {
    void *ctx;
    unsigned long (*send)(void *ctx, const char *command, char *reply, size_t size);
};

/* Private-profile text files, by full path. */
struct CdIni {
    void *ctx;
    /* The value (or def), cut to size - 1 characters. */
    void (*get)(void *ctx, const char *file, const char *section, const char *key, const char *def, char *out,
                size_t size);
    /* value NULL deletes the key, key NULL the section. */
    void (*set)(void *ctx, const char *file, const char *section, const char *key, const char *value);
    long (*size)(void *ctx, const char *file);   /* bytes; -1 when there is no such file */
};

struct CdEnv {
    CdDevice dev;
    CdIni    ini;
    char ownDir[CD_DIR_MAX];        /* the program's files: ZeloCD%d.ini, zelo.ini */
    char platformDir[CD_DIR_MAX];   /* the platform CD players' MUSICBOX.INI, CDPLAYER.INI */
};

/* A disc's table of contents in MSF (minutes, seconds, frames of 1/75 s). */
struct CdMsf { int m, s, f; };
struct CdDisc {
    int      tracks;                       /* 0..CD_MAXTRACKS */
    CdMsf    start[CD_MAXTRACKS + 1];      /* [1..tracks] */
    CdMsf    length;                       /* the whole disc */
    uint32_t lengthMs;                     /* the old disc id */
};

/* Sum of the track starts as m * 65536 + s * 256 + f; with fewer than 3 tracks the length
   in frames + 1 is added. */
uint32_t cdDiscId(const CdDisc *d);
/* Reads the table of contents from the drive (leaves the time format at tmsf).
   0 ok, 1 no disc (nothing usable answered). */
int  cdReadDisc(const CdEnv *env, CdDisc *d);
/* "mm:ss:ff" (or more fields; the last three count) to MSF; 0 when it does not parse. */
int  cdParseMsf(const char *text, CdMsf *out);

/* Where a disc's titles are kept. */
struct CdTitles {
    char file[CD_PATH_MAX];
    char section[32];              /* the disc id in decimal, or hexadecimal for CDPLAYER.INI */
    int  cdplayer;                 /* the titles came from CDPLAYER.INI */
};

/* The database file that takes new discs: the first ZeloCD%d.ini that is missing (made with
   [Zelo Edit] Version=134) or shorter than CD_DB_LIMIT; "ZeloCD!.ini" when all 99 are full. */
void cdChooseDatabase(const CdEnv *env, char *out, size_t size);
/* Finds (or makes) the titles of disc d: the current database, older titles in zelo.ini
   (moved over), MUSICBOX.INI, CDPLAYER.INI, the other database files, else a new entry in
   the current database with the length as its title and "*" for every track. */
void cdFindTitles(const CdEnv *env, const CdDisc *d, const char *database, CdTitles *t);
/* The title shown for track (0: the disc); a track named "*" shows the disc title. */
void cdTitleText(const CdEnv *env, const CdTitles *t, int track, char *out, size_t size);
/* Stores text as the title of track (0: the disc); in CDPLAYER.INI the disc title is split
   at its first '-' into artist and title. */
void cdStoreTitle(const CdEnv *env, const CdTitles *t, int track, const char *text);

/* ---- the panel ---- */
enum CdButton { CDB_PLAY, CDB_STOP, CDB_REWIND, CDB_FORWARD, CDB_MARK, CDB_GOTOMARK, CDB_EJECT, CDB_COUNT };

struct CdPanel {
    int  enabled[CDB_COUNT];
    const char *playPicture;       /* "ICDPlay" or "ICDPause" */
    const char *ejectPicture;      /* "ICDNew" or "ICDInsrt" */
    int  tracks;                   /* list lines " 1" .. " tracks" */
    int  selected;                 /* the selected line's track, 0 none */
    char title[CD_TITLE_MAX];
    int  titleEnabled;
    int  titleFocus;               /* the title field should take the focus and select its text */
    char time[16];                 /* " mm:ss" */
};

struct CdState {
    int  stopped, paused, notReady;
    int  track;                    /* current track, 0 none */
    int  inPoll;                   /* re-entry guard of the poll */
    int  noDiscShown;              /* "No CD" is up */
    char mark[30];
    char database[CD_PATH_MAX];
    CdTitles titles;
    CdDisc disc;
    int  wantFocus;                /* the title field asked for the focus at the next track */
    int  postStop;                 /* the poll asks for command 143 */
    CdPanel panel;
};

/* Panel start: chooses the database, reads the drive state and, with a disc, the tracks. */
void cdStart(CdState *s, const CdEnv *env);
/* Once a second. */
void cdPoll(CdState *s, const CdEnv *env);
/* The buttons and the list (ids 142..150 as the menu commands; track for 150, 1-based). */
void cdPlayPause(CdState *s, const CdEnv *env);
void cdStop(CdState *s, const CdEnv *env);
void cdSkip(CdState *s, const CdEnv *env, long deltaMs);
void cdMark(CdState *s, const CdEnv *env);
void cdGotoMark(CdState *s, const CdEnv *env);
void cdEject(CdState *s, const CdEnv *env);
void cdChooseTrack(CdState *s, const CdEnv *env, int track);
/* Command 141: the title field lost the focus with text. */
void cdTitleEdited(CdState *s, const CdEnv *env, const char *text);

#endif
