/*
 * musiccore.h - the music composer's window-free half: notes and their names and pitches,
 * note lengths in frames and milliseconds, the songs kept in songs.ini (a plain text of
 * sections, read and written whole), the MIDI messages of a preview, and the plan that
 * Make follows (one step per note: its frames, and the pitch shift or a rest).
 *
 * No global state.  A key is a MIDI note number (60 is C4, 69 is A4 = 440 Hz); notes may
 * lie from C2 (36) to C7 (96).  A length is the note's fraction of a whole note (1, 2, 4,
 * 8 or 16); a quarter note is one beat of the tempo.
 */
#ifndef ZELO_MUSICCORE_H
#define ZELO_MUSICCORE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#define MUSIC_KEY_MIN     36      /* C2 */
#define MUSIC_KEY_MAX     96      /* C7 */
#define MUSIC_REST        (-1)    /* the key of a rest */
#define MUSIC_TEMPO_MIN   20      /* beats per minute */
#define MUSIC_TEMPO_MAX   400
#define MUSIC_TEMPO_DEF   120
#define MUSIC_REF_DEF     69      /* the selection is taken as A4 unless told otherwise */
#define MUSIC_MAXNOTES    1000
#define MUSIC_NAMEMAX     64      /* a song's name, with its terminator */
#define MUSIC_SHIFT_MAX   24.0    /* semitones one Stretch call may move (factor 4) */
#define MUSIC_VELOCITY    100     /* note-on velocity of the preview */

/* Results of the parsing and checking calls. */
enum {
    MUSIC_OK = 0,
    MUSIC_ERR_NAME,        /* not a note name */
    MUSIC_ERR_RANGE,       /* a note outside C2..C7 */
    MUSIC_ERR_LENGTH,      /* not one of 1, 2, 4, 8, 16 */
    MUSIC_ERR_TEMPO,       /* outside MUSIC_TEMPO_MIN..MAX */
    MUSIC_ERR_EMPTY,       /* a song without notes */
    MUSIC_ERR_TOOLONG,     /* more notes than MUSIC_MAXNOTES, or more frames than a wave holds */
    MUSIC_ERR_SONGNAME,    /* empty, too long, or with [ ] = ; or a line break */
};

struct MusicNote {
    int key;               /* MIDI key, or MUSIC_REST */
    int len;               /* 1 whole, 2 half, 4 quarter, 8 eighth, 16 sixteenth */
};

struct MusicSong {
    int tempo = MUSIC_TEMPO_DEF;        /* beats (quarter notes) per minute */
    int reference = MUSIC_REF_DEF;      /* the key the selection sounds as */
    std::vector<MusicNote> notes;
};

/* ---- notes ---- */
/* A note name ("C", "c#", "Db", "B", ...) in an octave: the key, or MUSIC_ERR_NAME /
   MUSIC_ERR_RANGE.  "R" or "Rest" (any case) gives MUSIC_REST whatever the octave. */
int musicParseNote(const char *name, int octave, int *key);
/* One written note such as "A4", "C#5", "Bb2" or "R": the same results. */
int musicParseKey(const char *text, int *key);
/* "A4", "C#5" (sharps), "R" for a rest; out gets at least 8 bytes. */
void musicKeyName(int key, char *out, size_t size);
/* Frequency in Hz of a key in equal temperament with A4 = 440 Hz. */
double musicFrequency(int key);
/* The interval from the reference key to key in semitones. */
static inline int musicSemitones(int key, int reference) { return key - reference; }

/* ---- lengths ---- */
int musicLengthOk(int len);                       /* 1 for 1, 2, 4, 8, 16 */
const char *musicLengthName(int len);             /* "Whole" .. "Sixteenth", "" when bad */
/* Frames a note of this length lasts at a tempo and sample rate: 60 / tempo seconds per
   beat, 4 / len beats, rounded to the nearest frame.  0 for a bad length, tempo or rate. */
uint32_t musicNoteFrames(int len, int tempo, uint32_t rate);
/* The same in milliseconds (for the preview's timer), at least 1. */
uint32_t musicNoteMs(int len, int tempo);
int musicTempoOk(long tempo);                     /* MUSIC_OK or MUSIC_ERR_TEMPO */

/* ---- the song text of songs.ini ----
   [Song name]
   Tempo=120
   Reference=A4
   Notes=C4/4 E4/4 G4/2 R/4
   Keys are read without regard to case; Notes may come on several lines, read in order;
   lines starting with ";" are comments.  Tempo and Reference may be left out (120, A4). */
int musicSongNameOk(const char *name);            /* MUSIC_OK or MUSIC_ERR_SONGNAME */
/* The names of the songs in a file's text, in file order. */
std::vector<std::string> musicSongNames(const std::string &text);
/* Reads the named song (the first section of that name, without regard to case).
   Returns MUSIC_OK, -1 when there is no such song, or an error with why filled in
   (a sentence saying what is wrong, for the user). */
int musicSongRead(const std::string &text, const char *name, MusicSong *song, std::string *why);
/* The section of one song, as written ("[name]\r\n" and its keys). */
std::string musicSongFormat(const char *name, const MusicSong &song);
/* The file's text with the named song put in place of an old one of that name (or added
   at the end), or taken out (song NULL).  Other sections and comments stay as they were. */
std::string musicSongPut(const std::string &text, const char *name, const MusicSong *song);

/* The whole of a small text file (0 ok, 1 unreadable; a missing file reads as empty). */
int musicFileRead(const char *path, std::string *text);
/* Writes the text through a new file beside it that then replaces the old one (0 ok). */
int musicFileWrite(const char *path, const std::string &text);

/* ---- the preview's MIDI messages (status in the low byte) ---- */
static inline uint32_t musicNoteOn(int key) { return 0x90u | ((uint32_t)key << 8) | ((uint32_t)MUSIC_VELOCITY << 16); }
static inline uint32_t musicNoteOff(int key) { return 0x80u | ((uint32_t)key << 8); }

/* ---- the plan of Make ---- */
struct MusicStep {
    uint32_t frames;       /* the note's length at the wave's rate */
    int      rest;         /* 1: silence */
    int      shifts;       /* Stretch calls needed (0 when the note is the reference) */
    double   each;         /* semitones of each call, within +-MUSIC_SHIFT_MAX */
};
/* Checks the song (tempo, notes, lengths, keys) and lays it out for a wave of this rate
   and block alignment whose other frames number `others`.  Returns MUSIC_OK with the
   steps and the total frames, or the first error. */
int musicPlan(const MusicSong &song, uint32_t rate, uint32_t blockAlign, uint32_t others,
              std::vector<MusicStep> *steps, uint64_t *total);

#endif
