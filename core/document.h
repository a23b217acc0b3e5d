/*
 * document.h - the one WaveDocument of a main window: format, selection, view range, edit
 * channel, modified flag, name and the undo fields; New, Close, the save-changes prompt,
 * titles and unique display names.
 *
 * Window-free.  The format, data length and edit channel are the store's Wave record
 * (store/voc.h), reached through Doc.wave; everything else is here.  What other parts of
 * the program do (saving, dialogs, windows, undo stack, lists) comes in through DocHook.
 * Global state: Doc, DocHook.
 */
#ifndef ZELO_DOCUMENT_H
#define ZELO_DOCUMENT_H

#include "store/voc.h"

#define DOC_NONE      0xFFFFFFFFu   /* selection end: nothing selected; view end: not set */
#define DOC_NAMEMAX   260u
#define DOC_UNDOMAX   60u
#define DOC_PROGRAM   "Zelo Edit"
#define DOC_UNTITLED  "Untitled"

struct DocumentState {
    WaveData *wave;                 /* channels, bits, block align, data length, edit channel: always &Wave */
    uint32_t sampleRate;            /* Hz; 0 before the first New or Open */
    int      storeOpen;             /* 0 while no wave is loaded at all */
    uint32_t selStart;              /* first selected frame; the caret when nothing is selected */
    uint32_t selEnd;                /* last selected frame inclusive; DOC_NONE or < selStart: none */
    uint16_t selectionShown;        /* 0xFFFF while a non-empty selection is highlighted */
    uint32_t viewStart;             /* first frame drawn */
    uint32_t viewEnd;               /* last frame drawn, <= frames - 1; DOC_NONE when not set */
    uint16_t modified;              /* 1 when the samples differ from the named file */
    char     name[DOC_NAMEMAX];     /* full path; "" untitled */
    int16_t  undoAvailable;         /* 1 an entry, 0 none, -1 undo copies switched off */
    char     undoText[DOC_UNDOMAX]; /* the Undo item's text, "Can't Undo" when none */
    uint16_t undoKind;              /* command id of the last undoable command, 0 none */
};
extern DocumentState Doc;

/* New Waveform dialog values, in and out. */
struct DocFormat {
    uint32_t sampleRate;
    uint16_t bitsPerSample;         /* 8 or 16 */
    uint16_t channels;              /* 1 or 2 */
};

/* Filled by the shell; every hook may be NULL (then it does nothing, or the stated default). */
struct DocHooks {
    int  (*save)(void);                         /* the Save flow under Doc.name; 0 saved (NULL: fails) */
    int  (*newDialog)(DocFormat *f);            /* 0 OK, 1 Cancel (NULL: OK with the values given) */
    int  (*noDialogs)(void);                    /* nonzero while a script plays without dialogs */
    void (*readRecent)(uint32_t *rate, uint16_t *bits, uint16_t *channels);
    void (*writeRecent)(uint32_t rate, uint16_t bits, uint16_t channels);
    void (*setTitle)(const char *mainTitle);    /* main window and open tool windows */
    int  (*titleInUse)(const char *title);      /* another main window shows this title */
    void (*clearInfo)(void);                    /* empty the INFO list */
    void (*setInfo)(const char *id, const char *text); /* one INFO item ("ISFT", "ICRD") */
    int  (*autoFillInfo)(void);                 /* [Settings] AutoFillInfo */
    void (*clearUndo)(void);                    /* empty the undo stack */
    void (*buttons)(int play, int zoom, int record); /* 1 enable, 0 disable, -1 leave */
    void (*refreshLists)(void);                 /* play list and cue list */
    void (*redraw)(void);                       /* view, meter and the grown waveform area */
    void (*meterChannels)(int channels);
    void (*analysisRefresh)(void);              /* command 282 to an open analysis window */
};
extern DocHooks DocHook;

/* Resets the document to "no wave" and points the store's set-up hooks at it. */
void docInit(void);

uint32_t docFrames(void);
/* 1 when a selection exists (end set and not before the start). */
int  docHasSelection(void);
/* The selection, or with fallBack the view range with its end cut to the last frame.
   Returns 1 when a range came out, 0 otherwise. */
int  docSelectionOrView(int fallBack, uint32_t *first, uint32_t *last);

/* Asks "Save changes to ...?" when modified.  Returns 1 proceed, 0 cancel. */
int  docSaveChangesPrompt(void);
/* New document (command 1050).  Returns 0 created, 1 cancelled or no store. */
int  docNew(void);
/* Close document (command 3148).  Returns 0 closed, 1 cancelled. */
int  docClose(void);

/* "Zelo Edit" for an empty name, else "<name> - Zelo Edit"; passes it to DocHook.setTitle. */
void docSetTitle(const char *name);
void docFormatTitle(const char *name, char *out, size_t size);
/* A tool window's title: "<own> - <text after the last blank of the main title>". */
void docChildTitle(const char *own, const char *mainTitle, char *out, size_t size);
/* The file name without directory, with ";1", ";2" ... while another window shows it. */
void docUniqueName(const char *fileName, char *out, size_t size);

#endif
