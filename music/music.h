/*
 * music.h - the music composer as the program calls it: the Music window (command 3150),
 * told of selection changes (command 282) and edit-channel changes by the view, offered
 * every message first for its keyboard, and closed at shutdown.
 *
 * State: Music (music_win.cpp).  One window per running copy, modeless, owned by the
 * main window; the song being written lives while the program runs.
 */
#ifndef ZELO_MUSIC_H
#define ZELO_MUSIC_H

#include "music/musiccore.h"

#ifdef _WIN32
#include <windows.h>

#define MUSIC_TIMER   1     /* the preview's next note */

/* The MIDI output the preview plays on: the device, or the stand-in that writes each
   message as a line of text (ZELO_MIDI_STANDIN=<file>, for tests). */
struct MidiOut {
    int  (*open)(UINT device);     /* 0 ok */
    void (*message)(DWORD msg);    /* a short message, status in the low byte */
    void (*close)(void);
};
/* The table to use now: the stand-in when the environment names one, else the device's
   (NULL when the system has no MIDI output device). */
const MidiOut *musicMidiOut(void);

struct MusicState {
    HWND      wnd;              /* the window, NULL while closed */
    MusicSong song;             /* the tune being written */
    int       current;          /* the note chosen in the list, -1 none */
    const MidiOut *midi;        /* open while previewing, NULL otherwise */
    int       playing;          /* index of the note sounding, -1 when not previewing */
    int       sounding;         /* key of the note that is on, MUSIC_REST none */
    RECT      roll;             /* the piano roll, in client pixels */
    HFONT     font;             /* the roll's labels */
    int       making;           /* Make runs (its meter pumps messages) */
};
extern MusicState Music;

/* Command 3150: opens the window (or brings it forward). */
void musicOpen(void);
int  musicIsOpen(void);
/* The view's notice: the selection changed (repaintOnly 0: command 282), or the edit
   channel did (repaintOnly 1: the window is repainted). */
void musicNotify(int repaintOnly);
/* The main loop offers it every message first: 1 when it was the window's key. */
int  musicDialogMessage(MSG *msg);
/* At shutdown: preview stopped, window closed. */
void musicShutdown(void);
#endif

#endif
