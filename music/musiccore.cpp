/*
 * musiccore.cpp - the composer's notes, lengths, song text and Make plan (see musiccore.h).
 * No global state; the only files touched are the ones musicFileRead / musicFileWrite are
 * given.  Parsing never trusts the text: every line and token is checked, and a song that
 * cannot be read gives a sentence for the user instead of a partial song.
 */
#include "music/musiccore.h"
#include "os/os.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Semitones above C of the letters A..G. */
static const int kLetter[7] = {9, 11, 0, 2, 4, 5, 7};
static const char *const kSharpNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

static std::string trim(const std::string &s)
{
    size_t a = 0, b = s.size();
    while (a < b && isspace((unsigned char)s[a]))
        a++;
    while (b > a && isspace((unsigned char)s[b - 1]))
        b--;
    return s.substr(a, b - a);
}

static int sameText(const std::string &a, const char *b)
{
    size_t n = strlen(b);
    if (a.size() != n)
        return 0;
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return 0;
    return 1;
}

/* "R", "Rest" in any case. */
static int isRest(const std::string &s) { return sameText(s, "r") || sameText(s, "rest"); }

/* The pitch class of a name without octave ("C#", "Bb"), -1 when it is none.  B# and Cb
   step into the next or previous octave: *octaveShift says so. */
static int pitchClass(const std::string &name, int *octaveShift)
{
    *octaveShift = 0;
    if (name.empty() || name.size() > 2)
        return -1;
    int c = toupper((unsigned char)name[0]);
    if (c < 'A' || c > 'G')
        return -1;
    int pc = kLetter[c - 'A'];
    if (name.size() == 2) {
        if (name[1] == '#')
            pc++;
        else if (name[1] == 'b' || name[1] == 'B')
            pc--;
        else
            return -1;
    }
    if (pc < 0) {
        pc += 12;
        *octaveShift = -1;
    } else if (pc > 11) {
        pc -= 12;
        *octaveShift = 1;
    }
    return pc;
}

int musicParseNote(const char *name, int octave, int *key)
{
    std::string n = trim(name ? name : "");
    if (isRest(n)) {
        *key = MUSIC_REST;
        return MUSIC_OK;
    }
    int shift, pc = pitchClass(n, &shift);
    if (pc < 0)
        return MUSIC_ERR_NAME;
    if (octave < -1 || octave > 12)
        return MUSIC_ERR_RANGE;
    int k = (octave + shift + 1) * 12 + pc;
    if (k < MUSIC_KEY_MIN || k > MUSIC_KEY_MAX)
        return MUSIC_ERR_RANGE;
    *key = k;
    return MUSIC_OK;
}

int musicParseKey(const char *text, int *key)
{
    std::string t = trim(text ? text : "");
    if (isRest(t)) {
        *key = MUSIC_REST;
        return MUSIC_OK;
    }
    size_t digits = t.size();
    while (digits > 0 && isdigit((unsigned char)t[digits - 1]))
        digits--;
    if (digits > 0 && t[digits - 1] == '-')   /* a negative octave is out of range, not a bad name */
        digits--;
    if (digits == t.size() || t.size() - digits > 3)
        return digits == t.size() ? MUSIC_ERR_NAME : MUSIC_ERR_RANGE;
    int shift;
    if (pitchClass(t.substr(0, digits), &shift) < 0)
        return MUSIC_ERR_NAME;
    return musicParseNote(t.substr(0, digits).c_str(), atoi(t.c_str() + digits), key);
}

void musicKeyName(int key, char *out, size_t size)
{
    if (!out || size == 0)
        return;
    if (key == MUSIC_REST)
        snprintf(out, size, "R");
    else if (key < 0 || key > 127)
        snprintf(out, size, "?");
    else
        snprintf(out, size, "%s%d", kSharpNames[key % 12], key / 12 - 1);
}

double musicFrequency(int key) { return 440.0 * pow(2.0, (key - 69) / 12.0); }

int musicLengthOk(int len) { return len == 1 || len == 2 || len == 4 || len == 8 || len == 16; }

const char *musicLengthName(int len)
{
    switch (len) {
    case 1:  return "Whole";
    case 2:  return "Half";
    case 4:  return "Quarter";
    case 8:  return "Eighth";
    case 16: return "Sixteenth";
    default: return "";
    }
}

int musicTempoOk(long tempo)
{
    return tempo >= MUSIC_TEMPO_MIN && tempo <= MUSIC_TEMPO_MAX ? MUSIC_OK : MUSIC_ERR_TEMPO;
}

uint32_t musicNoteFrames(int len, int tempo, uint32_t rate)
{
    if (!musicLengthOk(len) || musicTempoOk(tempo) != MUSIC_OK || rate == 0)
        return 0;
    /* 240 / (tempo * len) seconds, in integers so that equal notes get equal frames. */
    uint64_t num = (uint64_t)rate * 240, den = (uint64_t)tempo * (uint64_t)len;
    return (uint32_t)((num + den / 2) / den);
}

uint32_t musicNoteMs(int len, int tempo)
{
    if (!musicLengthOk(len) || musicTempoOk(tempo) != MUSIC_OK)
        return 1;
    uint32_t den = (uint32_t)(tempo * len);
    return (240000u + den / 2) / den;
}

/* ---- the song text ---- */

int musicSongNameOk(const char *name)
{
    if (!name)
        return MUSIC_ERR_SONGNAME;
    std::string n = trim(name);
    if (n.empty() || n.size() >= MUSIC_NAMEMAX || n != name)
        return MUSIC_ERR_SONGNAME;
    for (char c : n)
        if (c == '[' || c == ']' || c == '=' || c == ';' || c == '\r' || c == '\n' || (unsigned char)c < 32)
            return MUSIC_ERR_SONGNAME;
    return MUSIC_OK;
}

/* The file's lines, without their line ends. */
static std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
        at = end + 1;
    }
    return out;
}

/* A section header's name, or false when the line is none. */
static bool header(const std::string &line, std::string *name)
{
    std::string t = trim(line);
    if (t.size() < 2 || t[0] != '[' || t.back() != ']')
        return false;
    *name = trim(t.substr(1, t.size() - 2));
    return true;
}

std::vector<std::string> musicSongNames(const std::string &text)
{
    std::vector<std::string> names;
    std::string name;
    for (const std::string &l : lines(text))
        if (header(l, &name) && !name.empty()) {
            bool seen = false;
            for (const std::string &n : names)
                seen = seen || sameText(n, name.c_str());
            if (!seen)
                names.push_back(name);
        }
    return names;
}

/* A whole decimal number and nothing else. */
static bool number(const std::string &s, long *v)
{
    if (s.empty() || s.size() > 9)
        return false;
    for (char c : s)
        if (!isdigit((unsigned char)c))
            return false;
    *v = atol(s.c_str());
    return true;
}

/* One "A4/4" token. */
static int noteToken(const std::string &tok, MusicNote *n)
{
    size_t slash = tok.find('/');
    if (slash == std::string::npos)
        return MUSIC_ERR_LENGTH;
    long len;
    if (!number(tok.substr(slash + 1), &len) || !musicLengthOk((int)len))
        return MUSIC_ERR_LENGTH;
    n->len = (int)len;
    return musicParseKey(tok.substr(0, slash).c_str(), &n->key);
}

int musicSongRead(const std::string &text, const char *name, MusicSong *song, std::string *why)
{
    std::vector<std::string> ls = lines(text);
    size_t i = 0;
    std::string sec;
    while (i < ls.size() && !(header(ls[i], &sec) && sameText(sec, name ? name : "")))
        i++;
    if (i == ls.size())
        return -1;
    MusicSong s;
    std::string bad;
    int err = MUSIC_OK;
    for (i++; i < ls.size() && !header(ls[i], &sec); i++) {
        std::string l = trim(ls[i]);
        if (l.empty() || l[0] == ';')
            continue;
        size_t eq = l.find('=');
        if (eq == std::string::npos) {
            err = MUSIC_ERR_NAME;
            bad = "the line \"" + l + "\" is not of the form Key=Value";
            break;
        }
        std::string key = trim(l.substr(0, eq)), value = trim(l.substr(eq + 1));
        if (sameText(key, "Tempo")) {
            long t = 0;
            if (!number(value, &t) || musicTempoOk(t) != MUSIC_OK) {
                err = MUSIC_ERR_TEMPO;
                bad = "its tempo \"" + value + "\" is not a number of beats a minute from 20 to 400";
                break;
            }
            s.tempo = (int)t;
        } else if (sameText(key, "Reference")) {
            int k = 0;
            if (musicParseKey(value.c_str(), &k) != MUSIC_OK || k == MUSIC_REST) {
                err = MUSIC_ERR_NAME;
                bad = "its reference note \"" + value + "\" is not a note from C2 to C7";
                break;
            }
            s.reference = k;
        } else if (sameText(key, "Notes")) {
            size_t at = 0;
            while (err == MUSIC_OK && at < value.size()) {
                while (at < value.size() && isspace((unsigned char)value[at]))
                    at++;
                size_t end = at;
                while (end < value.size() && !isspace((unsigned char)value[end]))
                    end++;
                if (end == at)
                    break;
                std::string tok = value.substr(at, end - at);
                at = end;
                MusicNote n;
                int r = noteToken(tok, &n);
                if (r != MUSIC_OK) {
                    err = r;
                    bad = "note " + std::to_string(s.notes.size() + 1) + ", \"" + tok + "\", is not " +
                          (r == MUSIC_ERR_RANGE ? "between C2 and C7"
                           : r == MUSIC_ERR_LENGTH ? "followed by a length /1, /2, /4, /8 or /16"
                           : "a note name such as A4, C#5 or R");
                } else if (s.notes.size() >= MUSIC_MAXNOTES) {
                    err = MUSIC_ERR_TOOLONG;
                    bad = "it has more than " + std::to_string(MUSIC_MAXNOTES) + " notes";
                } else {
                    s.notes.push_back(n);
                }
            }
            if (err != MUSIC_OK)
                break;
        }
        /* Other keys are left for later versions. */
    }
    if (err == MUSIC_OK && s.notes.empty()) {
        err = MUSIC_ERR_EMPTY;
        bad = "it has no notes";
    }
    if (err != MUSIC_OK) {
        if (why)
            *why = bad;
        return err;
    }
    *song = s;
    return MUSIC_OK;
}

std::string musicSongFormat(const char *name, const MusicSong &song)
{
    char ref[8];
    musicKeyName(song.reference, ref, sizeof ref);
    std::string out = std::string("[") + name + "]\r\n";
    out += "Tempo=" + std::to_string(song.tempo) + "\r\n";
    out += std::string("Reference=") + ref + "\r\n";
    /* Sixteen notes a line keeps the file easy to read and edit by hand. */
    for (size_t i = 0; i < song.notes.size(); i += 16) {
        out += "Notes=";
        for (size_t j = i; j < song.notes.size() && j < i + 16; j++) {
            char k[8];
            musicKeyName(song.notes[j].key, k, sizeof k);
            out += (j > i ? " " : "") + std::string(k) + "/" + std::to_string(song.notes[j].len);
        }
        out += "\r\n";
    }
    return out;
}

std::string musicSongPut(const std::string &text, const char *name, const MusicSong *song)
{
    std::vector<std::string> ls = lines(text);
    std::string out, sec;
    bool skipping = false, placed = false;
    for (const std::string &l : ls) {
        if (header(l, &sec)) {
            skipping = sameText(sec, name);
            if (skipping && song && !placed) {
                out += musicSongFormat(name, *song);
                placed = true;
            }
        }
        if (!skipping)
            out += l + "\r\n";
    }
    if (song && !placed) {
        if (!out.empty() && out.size() >= 4 && out.compare(out.size() - 4, 4, "\r\n\r\n") != 0)
            out += "\r\n";
        out += musicSongFormat(name, *song);
    }
    return out;
}

#define MUSIC_FILEMAX (4u << 20)   /* songs.ini is small; more is not one of ours */

int musicFileRead(const char *path, std::string *text)
{
    text->clear();
    if (!osFileExists(path))
        return 0;
    OsFile f = osOpen(path, OS_READ);
    if (f == OS_NOFILE)
        return 1;
    int64_t size = osFileSize(f);
    int rc = 0;
    if (size < 0 || (uint64_t)size > MUSIC_FILEMAX) {
        rc = 1;
    } else {
        text->resize((size_t)size);
        long got = size ? osRead(f, &(*text)[0], (unsigned long)size) : 0;
        if (got != (long)size) {
            text->clear();
            rc = 1;
        }
    }
    osClose(f);
    return rc;
}

int musicFileWrite(const char *path, const std::string &text)
{
    std::string fresh = std::string(path) + ".new";
    OsFile f = osCreate(fresh.c_str());
    if (f == OS_NOFILE)
        return 1;
    long put = text.empty() ? 0 : osWrite(f, text.data(), (unsigned long)text.size());
    osClose(f);
    if (put != (long)text.size() || osRename(fresh.c_str(), path) != 0) {
        osDelete(fresh.c_str());
        return 1;
    }
    return 0;
}

/* ---- the plan ---- */

int musicPlan(const MusicSong &song, uint32_t rate, uint32_t blockAlign, uint32_t others,
              std::vector<MusicStep> *steps, uint64_t *total)
{
    steps->clear();
    *total = 0;
    if (musicTempoOk(song.tempo) != MUSIC_OK)
        return MUSIC_ERR_TEMPO;
    if (song.notes.empty())
        return MUSIC_ERR_EMPTY;
    if (song.notes.size() > MUSIC_MAXNOTES)
        return MUSIC_ERR_TOOLONG;
    if (song.reference < MUSIC_KEY_MIN || song.reference > MUSIC_KEY_MAX)
        return MUSIC_ERR_RANGE;
    uint64_t frames = 0;
    for (const MusicNote &n : song.notes) {
        if (!musicLengthOk(n.len))
            return MUSIC_ERR_LENGTH;
        if (n.key != MUSIC_REST && (n.key < MUSIC_KEY_MIN || n.key > MUSIC_KEY_MAX))
            return MUSIC_ERR_RANGE;
        MusicStep s;
        s.frames = musicNoteFrames(n.len, song.tempo, rate);
        if (s.frames == 0)
            return MUSIC_ERR_LENGTH;
        s.rest = n.key == MUSIC_REST;
        int semis = s.rest ? 0 : musicSemitones(n.key, song.reference);
        s.shifts = (int)ceil(fabs((double)semis) / MUSIC_SHIFT_MAX);
        s.each = s.shifts ? (double)semis / s.shifts : 0;
        steps->push_back(s);
        frames += s.frames;
    }
    /* The wave's byte count must stay a positive 32-bit offset. */
    uint64_t ba = blockAlign ? blockAlign : 1;
    if ((frames + others) * ba > 0x7FFFFFFFu) {
        steps->clear();
        return MUSIC_ERR_TOOLONG;
    }
    *total = frames;
    return MUSIC_OK;
}
