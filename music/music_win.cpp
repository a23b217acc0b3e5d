/*
 * music_win.cpp - the Music window: a piano roll and a list of the notes, a row to write
 * notes with, tempo and the note the selection sounds as, songs kept by name in songs.ini,
 * a preview on the MIDI output (timer-driven, stoppable), and Make, which puts the
 * selection to music: each note a copy of it moved in pitch by the Stretch transform,
 * rests silent, in order from the selection start, as one undoable "Music" edit.
 *
 * Writes Music and, through Make, the samples, the selection and the undo stack.  While
 * Make runs (Music.making) its progress meter pumps messages: the window refuses its
 * commands and the song is not changed under it.
 */
#include "music/music.h"
#include "audio/audio.h"
#include "core/document.h"
#include "core/profile.h"
#include "edit/edits.h"
#include "plugins/xfmhost.h"
#include "resources/resource.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "ui/frame.h"
#include "view/view.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

MusicState Music = {NULL, MusicSong(), -1, NULL, -1, MUSIC_REST, {0, 0, 0, 0}, NULL, 0};

static const char kCaption[] = "Music";
static const int kLengths[] = {1, 2, 4, 8, 16};

/* What Make's work routine needs, for the length of one Make. */
static struct {
    HGLOBAL  vars;                  /* Stretch's settings block */
    OsFile   source;                /* the selection as it was, in the work file */
    uint32_t sourceFrames;
    std::vector<MusicStep> steps;
    int      failed;                /* a step the store or Stretch could not do */
} Job;

static int tell(const char *text)
{
    return frameMessageFrom(Music.wnd, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
}

static std::string songsPath(void) { return std::string(profileFolder()) + "\\songs.ini"; }

static int haveWave(void) { return BF.table != NULL && Wave.blockAlign != 0; }

static std::string itemText(HWND dlg, int id)
{
    char buf[256] = "";
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

/* ---- reading the fields ---- */

/* The tempo field into the song; a message and 0 when it is no tempo. */
static int readTempo(HWND dlg, int quiet)
{
    std::string t = itemText(dlg, IDC_MU_TEMPO);
    char *end = NULL;
    long v = strtol(t.c_str(), &end, 10);
    int ok = !t.empty() && end && *end == 0 && musicTempoOk(v) == MUSIC_OK;
    if (ok)
        Music.song.tempo = (int)v;
    else if (!quiet)
        tell("The tempo must be a number of beats a minute from 20 to 400.");
    return ok;
}

static int readReference(HWND dlg, int quiet)
{
    int key = 0;
    int ok = musicParseKey(itemText(dlg, IDC_MU_REF).c_str(), &key) == MUSIC_OK && key != MUSIC_REST;
    if (ok)
        Music.song.reference = key;
    else if (!quiet)
        tell("The note the selection sounds as must be one from C2 to C7, such as A4.");
    return ok;
}

/* ---- showing the song ---- */

static double songSeconds(void)
{
    double beats = 0;
    for (const MusicNote &n : Music.song.notes)
        beats += 4.0 / n.len;
    return beats * 60.0 / Music.song.tempo;
}

static void showInfo(HWND dlg)
{
    char ref[8], line1[200], line2[200];
    musicKeyName(Music.song.reference, ref, sizeof ref);
    uint32_t rate = Doc.sampleRate;
    if (!haveWave())
        snprintf(line1, sizeof line1, "No sound is open: open one and select the part to put to music.");
    else if (!docHasSelection() || Doc.selEnd == Doc.selStart)
        snprintf(line1, sizeof line1, "Select the part of the sound to put to music (at least two samples).");
    else {
        uint32_t n = Doc.selEnd - Doc.selStart + 1;
        snprintf(line1, sizeof line1, "Selection: %lu samples (%.3f s) from sample %lu, taken as %s.",
                 (unsigned long)n, rate ? (double)n / rate : 0.0, (unsigned long)Doc.selStart, ref);
    }
    size_t count = Music.song.notes.size();
    snprintf(line2, sizeof line2, "Song: %u note%s, %.3f s at %d beats a minute.", (unsigned)count,
             count == 1 ? "" : "s", songSeconds(), Music.song.tempo);
    SetDlgItemTextA(dlg, IDC_MU_INFO, (std::string(line1) + "\n" + line2).c_str());

    int key = 0;
    char freq[80];
    if (musicParseKey(itemText(dlg, IDC_MU_REF).c_str(), &key) == MUSIC_OK && key != MUSIC_REST)
        snprintf(freq, sizeof freq, "(%.1f Hz)", musicFrequency(key));
    else
        snprintf(freq, sizeof freq, "(not a note from C2 to C7)");
    SetDlgItemTextA(dlg, IDC_MU_REFFREQ, freq);
}

static void fillList(HWND dlg)
{
    HWND list = GetDlgItem(dlg, IDC_MU_LIST);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < Music.song.notes.size(); i++) {
        const MusicNote &n = Music.song.notes[i];
        char key[8], line[64];
        musicKeyName(n.key, key, sizeof key);
        snprintf(line, sizeof line, "%u.  %s  %s", (unsigned)(i + 1), n.key == MUSIC_REST ? "Rest" : key,
                 musicLengthName(n.len));
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)line);
    }
    if (Music.current >= (int)Music.song.notes.size())
        Music.current = (int)Music.song.notes.size() - 1;
    SendMessageA(list, LB_SETCURSEL, (WPARAM)Music.current, 0);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

static void repaintRoll(HWND dlg) { InvalidateRect(dlg, &Music.roll, FALSE); }

static void songChanged(HWND dlg)
{
    fillList(dlg);
    showInfo(dlg);
    repaintRoll(dlg);
}

static void showFields(HWND dlg)
{
    SetDlgItemInt(dlg, IDC_MU_TEMPO, (UINT)Music.song.tempo, FALSE);
    char ref[8];
    musicKeyName(Music.song.reference, ref, sizeof ref);
    SetDlgItemTextA(dlg, IDC_MU_REF, ref);
}

/* The entry row shows the chosen note, so that it can be changed and put back. */
static void showNote(HWND dlg, const MusicNote &n)
{
    char key[8];
    musicKeyName(n.key, key, sizeof key);
    if (n.key == MUSIC_REST) {
        SetDlgItemTextA(dlg, IDC_MU_NOTE, "R");
    } else {
        std::string k = key;
        size_t digits = k.find_first_of("0123456789");
        SetDlgItemTextA(dlg, IDC_MU_NOTE, k.substr(0, digits).c_str());
        SetDlgItemTextA(dlg, IDC_MU_OCTAVE, k.substr(digits).c_str());
    }
    for (int i = 0; i < 5; i++)
        if (kLengths[i] == n.len)
            SendDlgItemMessageA(dlg, IDC_MU_LENGTH, CB_SETCURSEL, (WPARAM)i, 0);
}

static void choose(HWND dlg, int index)
{
    Music.current = index;
    SendDlgItemMessageA(dlg, IDC_MU_LIST, LB_SETCURSEL, (WPARAM)index, 0);
    if (index >= 0 && index < (int)Music.song.notes.size())
        showNote(dlg, Music.song.notes[index]);
    repaintRoll(dlg);
}

/* ---- the piano roll ---- */

static int blackKey(int key)
{
    int pc = key % 12;
    return pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
}

/* The keys the roll shows: those of the song with a little room, at least an octave and
   a half, within C2..C7. */
static void rollRange(int *lo, int *hi)
{
    int a = 999, b = -1;
    for (const MusicNote &n : Music.song.notes)
        if (n.key != MUSIC_REST) {
            a = n.key < a ? n.key : a;
            b = n.key > b ? n.key : b;
        }
    if (b < 0) {
        a = 60;
        b = 72;
    }
    a -= 2;
    b += 2;
    while (b - a < 18) {
        a--;
        b++;
    }
    if (a < MUSIC_KEY_MIN) {
        b += MUSIC_KEY_MIN - a;
        a = MUSIC_KEY_MIN;
    }
    if (b > MUSIC_KEY_MAX) {
        a -= b - MUSIC_KEY_MAX;
        b = MUSIC_KEY_MAX;
    }
    *lo = a < MUSIC_KEY_MIN ? MUSIC_KEY_MIN : a;
    *hi = b;
}

struct RollGeometry {
    int lo, hi;            /* keys shown */
    double rowH;           /* pixels a key */
    double beatW;          /* pixels a beat */
    int left, top, bottom; /* where the notes start, the rows' top and bottom */
};

static RollGeometry geometry(void)
{
    RollGeometry g;
    rollRange(&g.lo, &g.hi);
    const RECT &r = Music.roll;
    g.left = r.left + 40;
    g.top = r.top + 1;
    g.bottom = r.bottom - 1;
    g.rowH = (double)(g.bottom - g.top) / (g.hi - g.lo + 1);
    double beats = 0;
    for (const MusicNote &n : Music.song.notes)
        beats += 4.0 / n.len;
    if (beats < 8)
        beats = 8;
    g.beatW = (r.right - 2 - g.left) / beats;
    return g;
}

static RECT noteRect(const RollGeometry &g, int index, double startBeat)
{
    const MusicNote &n = Music.song.notes[index];
    RECT r;
    r.left = g.left + (int)lrint(startBeat * g.beatW) + 1;
    r.right = g.left + (int)lrint((startBeat + 4.0 / n.len) * g.beatW) - 1;
    if (r.right <= r.left)
        r.right = r.left + 1;
    if (n.key == MUSIC_REST) {
        int mid = (g.top + g.bottom) / 2;
        r.top = mid - 3;
        r.bottom = mid + 3;
    } else {
        r.top = g.bottom - (int)lrint((n.key - g.lo + 1) * g.rowH);
        r.bottom = g.bottom - (int)lrint((n.key - g.lo) * g.rowH);
        if (r.bottom - r.top < 3)
            r.bottom = r.top + 3;
    }
    return r;
}

static void fill(HDC dc, const RECT &r, COLORREF c)
{
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

static void paintRoll(HDC out)
{
    const RECT &area = Music.roll;
    int w = area.right - area.left, h = area.bottom - area.top;
    HDC dc = CreateCompatibleDC(out);
    HBITMAP bmp = CreateCompatibleBitmap(out, w, h);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    SetViewportOrgEx(dc, -area.left, -area.top, NULL);
    HGDIOBJ oldFont = SelectObject(dc, Music.font ? (HGDIOBJ)Music.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);

    fill(dc, area, RGB(255, 255, 255));
    RollGeometry g = geometry();
    /* Rows: the black keys shaded as on a keyboard, a line under every C with its name. */
    RECT keys = {area.left, area.top, g.left, area.bottom};
    fill(dc, keys, RGB(252, 252, 252));
    for (int k = g.lo; k <= g.hi; k++) {
        RECT row = {g.left, g.bottom - (int)lrint((k - g.lo + 1) * g.rowH), area.right,
                    g.bottom - (int)lrint((k - g.lo) * g.rowH)};
        if (blackKey(k)) {
            fill(dc, row, RGB(238, 241, 246));
            RECT key = {area.left, row.top, area.left + (g.left - area.left) / 2, row.bottom};
            fill(dc, key, RGB(50, 50, 50));
        }
        if (k % 12 == 0 || k % 12 == 5) {   /* the edges between white keys with no black one */
            RECT edge = {area.left, row.bottom - 1, g.left, row.bottom};
            fill(dc, edge, RGB(170, 170, 170));
        }
        if (k % 12 == 0) {
            RECT line = {g.left, row.bottom - 1, area.right, row.bottom};
            fill(dc, line, RGB(150, 160, 180));
        }
    }
    /* The octave names last, over the keys: each C on the white part of its key. */
    SetTextColor(dc, RGB(40, 40, 90));
    for (int k = g.lo; k <= g.hi; k++)
        if (k % 12 == 0) {
            int bottom = g.bottom - (int)lrint((k - g.lo) * g.rowH);
            char name[8];
            musicKeyName(k, name, sizeof name);
            RECT label = {area.left + (g.left - area.left) / 2, bottom - 13, g.left - 2, bottom};
            DrawTextA(dc, name, -1, &label, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        }
    /* The selection's own pitch, where a note sounds as the selection does. */
    if (Music.song.reference >= g.lo && Music.song.reference <= g.hi) {
        RECT ref = {g.left, g.bottom - (int)lrint((Music.song.reference - g.lo + 1) * g.rowH), area.right,
                    g.bottom - (int)lrint((Music.song.reference - g.lo) * g.rowH)};
        fill(dc, ref, RGB(255, 244, 200));
    }
    RECT keyEdge = {g.left - 1, area.top, g.left, area.bottom};
    fill(dc, keyEdge, RGB(120, 120, 120));
    /* A faint line every beat, a stronger one every bar of four. */
    for (int b = 1; g.left + b * g.beatW < area.right - 1; b++) {
        int x = g.left + (int)lrint(b * g.beatW);
        RECT line = {x, area.top, x + 1, area.bottom};
        fill(dc, line, b % 4 == 0 ? RGB(185, 190, 205) : RGB(228, 231, 238));
    }

    if (Music.song.notes.empty()) {
        RECT t = {g.left + 8, area.top + 8, area.right - 8, area.bottom - 8};
        SetTextColor(dc, RGB(90, 90, 90));
        DrawTextA(dc, "Write a tune here: type a note and its octave below, choose a length and press Add.",
                  -1, &t, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    double at = 0;
    for (int i = 0; i < (int)Music.song.notes.size(); i++) {
        const MusicNote &n = Music.song.notes[i];
        RECT r = noteRect(g, i, at);
        at += 4.0 / n.len;
        COLORREF c = i == Music.playing ? RGB(60, 170, 80)
                   : i == Music.current ? RGB(235, 140, 30)
                   : n.key == MUSIC_REST ? RGB(190, 190, 190) : RGB(60, 100, 200);
        fill(dc, r, c);
        if (n.key != MUSIC_REST) {
            HBRUSH edge = CreateSolidBrush(RGB(30, 50, 110));
            FrameRect(dc, &r, edge);
            DeleteObject(edge);
        }
        if (n.key != MUSIC_REST && r.right - r.left > 8) {
            char name[8];
            musicKeyName(n.key, name, sizeof name);
            RECT label = {r.left + 2, r.top - 13, r.right + 20, r.top};
            if (label.top < area.top) {
                label.top = r.bottom;
                label.bottom = r.bottom + 13;
            }
            SetTextColor(dc, RGB(20, 20, 20));
            DrawTextA(dc, name, -1, &label, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        }
    }
    SelectObject(dc, oldFont);
    SetViewportOrgEx(dc, 0, 0, NULL);
    BitBlt(out, area.left, area.top, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    /* A frame round it. */
    RECT frame = {area.left - 1, area.top - 1, area.right + 1, area.bottom + 1};
    FrameRect(out, &frame, (HBRUSH)GetStockObject(GRAY_BRUSH));
}

static void paint(HWND dlg)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    paintRoll(dc);
    EndPaint(dlg, &ps);
}

static void click(HWND dlg, int x, int y)
{
    POINT p = {x, y};
    if (!PtInRect(&Music.roll, p) || Music.song.notes.empty())
        return;
    RollGeometry g = geometry();
    double at = 0;
    for (int i = 0; i < (int)Music.song.notes.size(); i++) {
        RECT r = noteRect(g, i, at);
        at += 4.0 / Music.song.notes[i].len;
        if (x >= r.left - 1 && x <= r.right) {
            choose(dlg, i);
            return;
        }
    }
}

/* ---- writing notes ---- */

/* The note of the entry row; a message and 0 when it is none. */
static int entryNote(HWND dlg, MusicNote *n)
{
    std::string name = itemText(dlg, IDC_MU_NOTE), octave = itemText(dlg, IDC_MU_OCTAVE);
    int sel = (int)SendDlgItemMessageA(dlg, IDC_MU_LENGTH, CB_GETCURSEL, 0, 0);
    n->len = sel >= 0 && sel < 5 ? kLengths[sel] : 4;
    char *end = NULL;
    long oct = strtol(octave.c_str(), &end, 10);
    int key = 0, r = musicParseNote(name.c_str(), 0, &key);
    if (r == MUSIC_OK && key == MUSIC_REST) {
        n->key = MUSIC_REST;
        return 1;
    }
    if (r == MUSIC_ERR_NAME) {
        char text[200];
        snprintf(text, sizeof text, "\"%s\" is not a note name.  Type C, C#, Db, D ... B, or R for a rest.", name.c_str());
        tell(text);
        return 0;
    }
    if (octave.empty() || !end || *end || musicParseNote(name.c_str(), (int)(oct < -9 ? -9 : oct > 99 ? 99 : oct), &key) != MUSIC_OK) {
        char text[200];
        snprintf(text, sizeof text, "Notes go from C2 to C7: %s%s is outside them.", name.c_str(), octave.c_str());
        tell(text);
        return 0;
    }
    n->key = key;
    return 1;
}

static void addNote(HWND dlg, int insert)
{
    MusicNote n;
    if (!entryNote(dlg, &n))
        return;
    if (Music.song.notes.size() >= MUSIC_MAXNOTES) {
        tell("A song holds at most 1000 notes.");
        return;
    }
    int at = (int)Music.song.notes.size();
    if (insert && Music.current >= 0 && Music.current < at)
        at = Music.current;
    Music.song.notes.insert(Music.song.notes.begin() + at, n);
    Music.current = insert ? at : -1;
    songChanged(dlg);
    if (insert)
        choose(dlg, at);
    /* A sound lets the user hear what was written, when a device is there. */
}

static void deleteNote(HWND dlg)
{
    int i = Music.current;
    if (i < 0 || i >= (int)Music.song.notes.size()) {
        if (Music.song.notes.empty())
            return;
        i = (int)Music.song.notes.size() - 1;   /* nothing chosen: the last one, as Backspace would */
    }
    Music.song.notes.erase(Music.song.notes.begin() + i);
    Music.current = Music.song.notes.empty() ? -1 : (i < (int)Music.song.notes.size() ? i : i - 1);
    songChanged(dlg);
}

/* ---- songs.ini ---- */

static void fillSongs(HWND dlg)
{
    std::string text, typed = itemText(dlg, IDC_MU_SONG);
    musicFileRead(songsPath().c_str(), &text);
    HWND box = GetDlgItem(dlg, IDC_MU_SONG);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    for (const std::string &n : musicSongNames(text))
        SendMessageA(box, CB_ADDSTRING, 0, (LPARAM)n.c_str());
    SetWindowTextA(box, typed.c_str());
}

/* The name in the song field; a message and 0 when it cannot name a song. */
static int songName(HWND dlg, std::string *name)
{
    HWND box = GetDlgItem(dlg, IDC_MU_SONG);
    char buf[256] = "";
    GetWindowTextA(box, buf, sizeof buf);   /* a name chosen from the list is in the field too */
    std::string n = buf;
    while (!n.empty() && (n.back() == ' ' || n.back() == '\t'))
        n.pop_back();
    while (!n.empty() && (n[0] == ' ' || n[0] == '\t'))
        n.erase(0, 1);
    if (musicSongNameOk(n.c_str()) != MUSIC_OK) {
        tell("Type a name for the song (up to 63 letters, without [ ] = or ;).");
        return 0;
    }
    *name = n;
    return 1;
}

static void saveSong(HWND dlg)
{
    std::string name, text;
    if (!songName(dlg, &name) || !readTempo(dlg, 0) || !readReference(dlg, 0))
        return;
    if (Music.song.notes.empty()) {
        tell("Add some notes first.");
        return;
    }
    std::string path = songsPath();
    if (musicFileRead(path.c_str(), &text) != 0 ||
        musicFileWrite(path.c_str(), musicSongPut(text, name.c_str(), &Music.song)) != 0) {
        tell(("The song could not be saved in " + path + ".").c_str());
        return;
    }
    fillSongs(dlg);
    SetDlgItemTextA(dlg, IDC_MU_SONG, name.c_str());
}

static void loadSong(HWND dlg)
{
    std::string name, text, why;
    if (!songName(dlg, &name))
        return;
    std::string path = songsPath();
    if (musicFileRead(path.c_str(), &text) != 0) {
        tell(("The songs could not be read from " + path + ".").c_str());
        return;
    }
    MusicSong s;
    int r = musicSongRead(text, name.c_str(), &s, &why);
    if (r == -1) {
        tell(("There is no song \"" + name + "\" in songs.ini.").c_str());
        return;
    }
    if (r != MUSIC_OK) {
        tell(("The song \"" + name + "\" in songs.ini cannot be used: " + why + ".").c_str());
        return;
    }
    Music.song = s;
    Music.current = -1;
    showFields(dlg);
    songChanged(dlg);
}

static void removeSong(HWND dlg)
{
    std::string name, text;
    if (!songName(dlg, &name))
        return;
    std::string path = songsPath();
    if (musicFileRead(path.c_str(), &text) != 0) {
        tell(("The songs could not be read from " + path + ".").c_str());
        return;
    }
    int found = 0;
    for (const std::string &n : musicSongNames(text))
        found = found || lstrcmpiA(n.c_str(), name.c_str()) == 0;
    if (!found) {
        tell(("There is no song \"" + name + "\" in songs.ini.").c_str());
        return;
    }
    if (musicFileWrite(path.c_str(), musicSongPut(text, name.c_str(), NULL)) != 0) {
        tell(("The song could not be removed from " + path + ".").c_str());
        return;
    }
    SetDlgItemTextA(dlg, IDC_MU_SONG, "");
    fillSongs(dlg);
}

/* ---- the preview ---- */

static void stopPreview(HWND dlg)
{
    if (dlg)
        KillTimer(dlg, MUSIC_TIMER);
    if (Music.midi) {
        if (Music.sounding != MUSIC_REST)
            Music.midi->message(musicNoteOff(Music.sounding));
        Music.midi->close();
    }
    Music.midi = NULL;
    Music.sounding = MUSIC_REST;
    if (Music.playing >= 0 && dlg)
        repaintRoll(dlg);
    Music.playing = -1;
}

/* The timer's step: the note that sounded ends, the next one begins. */
static void nextNote(HWND dlg)
{
    if (!Music.midi)
        return;
    if (Music.sounding != MUSIC_REST) {
        Music.midi->message(musicNoteOff(Music.sounding));
        Music.sounding = MUSIC_REST;
    }
    Music.playing++;
    if (Music.playing >= (int)Music.song.notes.size()) {
        stopPreview(dlg);
        return;
    }
    const MusicNote &n = Music.song.notes[Music.playing];
    if (n.key != MUSIC_REST) {
        Music.midi->message(musicNoteOn(n.key));
        Music.sounding = n.key;
    }
    SetTimer(dlg, MUSIC_TIMER, musicNoteMs(n.len, Music.song.tempo), NULL);
    repaintRoll(dlg);
}

static void play(HWND dlg)
{
    stopPreview(dlg);
    if (Music.song.notes.empty()) {
        tell("Add some notes first.");
        return;
    }
    if (!readTempo(dlg, 0))
        return;
    const MidiOut *m = musicMidiOut();
    if (!m) {
        tell("There is no MIDI output device to play the notes on.");
        return;
    }
    if (m->open(audioMidiOutDevice()) != 0) {
        tell("The MIDI output device could not be opened: another program may be using it.");
        return;
    }
    Music.midi = m;
    Music.playing = -1;
    Music.sounding = MUSIC_REST;
    nextNote(dlg);
}

/* ---- Make ---- */

static int removeWorkFile(const char *name, uint32_t, void *)
{
    char path[TEMP_DIRMAX + 32];
    snprintf(path, sizeof path, "%s\\%s", TF.tempDir, name);
    osDelete(path);
    return 1;
}

static void removeWorkFiles(void)
{
    if (TF.tempDir[0])
        osListDir(TF.tempDir, "~NOTE*.tmp", removeWorkFile, NULL);
}

/* The selection's frames tiled from the work file into frames at..at+count-1. */
static int fillFromSource(uint32_t at, uint32_t count)
{
    uint32_t ba = Wave.blockAlign;
    uint32_t pieceFrames = 16384 / ba;
    std::vector<unsigned char> buf((size_t)pieceFrames * ba);
    uint32_t done = 0;
    while (done < count) {
        uint32_t from = done % Job.sourceFrames;
        uint32_t n = count - done;
        if (n > pieceFrames)
            n = pieceFrames;
        if (n > Job.sourceFrames - from)
            n = Job.sourceFrames - from;
        if (osReadAt(Job.source, (int64_t)from * ba, buf.data(), n * ba) != (long)(n * ba))
            return 1;
        if (vocWriteAt(buf.data(), (int32_t)((uint64_t)(at + done) * ba), n * ba) != 0)
            return 1;
        done += n;
    }
    return 0;
}

/* editWrapped's work: the selection goes, the notes come in its place. */
static void makeWork(uint32_t first, uint32_t last)
{
    uint32_t ba = Wave.blockAlign;
    if (vocCut((int32_t)((uint64_t)first * ba), (last - first + 1) * ba) != 0) {
        Job.failed = 1;
        return;
    }
    uint32_t at = first;
    size_t count = Job.steps.size();
    for (size_t i = 0; i < count; i++) {
        const MusicStep &s = Job.steps[i];
        if (vocInsertBlank((int32_t)((uint64_t)at * ba), s.frames * ba) != 0) {
            Job.failed = 1;
            break;
        }
        if (!s.rest) {
            if (fillFromSource(at, s.frames) != 0)
                Job.failed = 1;
            for (int k = 0; k < s.shifts; k++) {
                double each = s.each;
                SetXfmVar(Job.vars, 4, 8, &each);
                if (CallXfm("Stretch", Job.vars, at, at + s.frames - 1, 0, NULL) != 1)
                    Job.failed = 1;
            }
        }
        at += s.frames;
        if (Edit.hook.step && Edit.hook.step((uint32_t)(i + 1), (uint32_t)count))
            break;   /* cancelled: what was made stays, and Undo takes it all back */
    }
    uint32_t frames = docFrames();
    Doc.selStart = first;
    Doc.selEnd = at > first ? at - 1 : DOC_NONE;
    if (frames > 0 && Doc.viewEnd != DOC_NONE && Doc.viewEnd > frames - 1)
        Doc.viewEnd = frames - 1;
    if (frames > 0 && Doc.viewStart > frames - 1)
        Doc.viewStart = 0;
}

static void make(HWND dlg)
{
    stopPreview(dlg);
    if (!readTempo(dlg, 0) || !readReference(dlg, 0))
        return;
    if (Music.song.notes.empty()) {
        tell("Add some notes first.");
        return;
    }
    if (!haveWave() || !docHasSelection() || Doc.selEnd == Doc.selStart) {
        tell("Select the part of the sound to put to music first: at least two samples.");
        return;
    }
    if (Wave.editChannel != 0) {
        tell("Music changes both channels: choose Edit Both first.");
        return;
    }
    if (frameBusy() || audioPlaying() || audioRecording() || Frame.spectralBusy) {
        tell("Stop playing or recording first.");
        return;
    }
    uint32_t first = Doc.selStart, last = Doc.selEnd, ba = Wave.blockAlign;
    uint64_t total = 0;
    int r = musicPlan(Music.song, Doc.sampleRate, ba, docFrames() - (last - first + 1), &Job.steps, &total);
    if (r == MUSIC_ERR_TOOLONG) {
        tell("The tune would make the sound longer than a wave can be.");
        return;
    }
    if (r != MUSIC_OK) {
        tell("The song cannot be made: check its notes and tempo.");
        return;
    }
    Job.vars = CreateXfmVars("Stretch");
    if (!Job.vars) {
        osDebug("Couldn't Get Stretch's Vars\n");
        tell("Making music needs the Stretch transform (stretch.xfm beside the program).");
        return;
    }
    long pitch = 1, semitones = 1;
    SetXfmVar(Job.vars, 0, 4, &pitch);
    SetXfmVar(Job.vars, 12, 4, &semitones);

    /* The selection as it was, read back for every note. */
    removeWorkFiles();
    char path[TEMP_DIRMAX + 32];
    snprintf(path, sizeof path, "%s\\~%s.TMP", TF.tempDir, "NOTESRC");
    Job.source = osCreate(path);
    Job.sourceFrames = last - first + 1;
    Job.failed = 0;
    int ok = Job.source != OS_NOFILE;
    std::vector<unsigned char> buf(16384 / ba * ba);
    for (uint32_t done = 0; ok && done < Job.sourceFrames;) {
        uint32_t n = Job.sourceFrames - done;
        if (n > buf.size() / ba)
            n = (uint32_t)(buf.size() / ba);
        ok = vocRead(buf.data(), (int32_t)((uint64_t)(first + done) * ba), n * ba) == 0 &&
             osWrite(Job.source, buf.data(), n * ba) == (long)(n * ba);
        done += n;
    }
    if (!ok) {
        if (Job.source != OS_NOFILE)
            osClose(Job.source);
        removeWorkFiles();
        DeleteXfmVars("Stretch", Job.vars);
        tell("There is not enough room in the temporary folder to make the music.");
        return;
    }

    Music.making = 1;
    int done = editWrapped(IDM_MUSIC, "Music", "Making Music", makeWork, 0);
    Music.making = 0;
    osClose(Job.source);
    Job.source = OS_NOFILE;
    removeWorkFiles();
    DeleteXfmVars("Stretch", Job.vars);
    Job.vars = NULL;
    Job.steps.clear();
    if (done) {
        InvalidateWaveRange(first, DOC_NONE);
        UpdateStatusFields();
        frameRefreshCommands();
    }
    showInfo(dlg);
    /* The meter's end activates the main window: the composer, where the user works, comes
       back to the front. */
    SetWindowPos(dlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(dlg);
    if (done && Job.failed)
        tell("Some of the notes could not be made; Undo takes the music back.");
}

/* ---- the window ---- */

/* Where each control sat at the window's first size: a larger window gives the roll and
   the list the room, and the rows below them move down. */
static struct {
    SIZE client;                 /* the first client size, also the smallest */
    SIZE frame;                  /* the first window size */
    struct Place { HWND w; RECT r; } place[40];
    int count;
} Layout;

static BOOL CALLBACK rememberPlace(HWND w, LPARAM lParam)
{
    HWND dlg = (HWND)lParam;
    if (GetParent(w) != dlg || Layout.count >= 40)
        return TRUE;
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(NULL, dlg, (POINT *)&r, 2);
    Layout.place[Layout.count].w = w;
    Layout.place[Layout.count].r = r;
    Layout.count++;
    return TRUE;
}

static void layout(HWND dlg)
{
    RECT c;
    GetClientRect(dlg, &c);
    int dx = c.right - Layout.client.cx, dy = c.bottom - Layout.client.cy;
    if (dx < 0)
        dx = 0;
    if (dy < 0)
        dy = 0;
    HDWP d = BeginDeferWindowPos(Layout.count);
    for (int i = 0; i < Layout.count && d; i++) {
        RECT r = Layout.place[i].r;
        int id = GetDlgCtrlID(Layout.place[i].w);
        if (id == IDC_MU_ROLL) {
            r.right += dx;
            r.bottom += dy;
            Music.roll = r;
        } else if (id == IDC_MU_LIST) {
            OffsetRect(&r, dx, 0);
            r.bottom += dy;
        } else {
            OffsetRect(&r, 0, dy);
            if (id == IDC_MU_INFO || id == IDC_MU_RULE)
                r.right += dx;
        }
        d = DeferWindowPos(d, Layout.place[i].w, NULL, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (d)
        EndDeferWindowPos(d);
    InvalidateRect(dlg, NULL, TRUE);
}

/* Beside the main window, below it or to its right, where the waveform stays in sight;
   centred over it when the screen has no room for that. */
static void place(HWND dlg)
{
    RECT main, me, work;
    if (!Frame.main || !GetWindowRect(Frame.main, &main) || !GetWindowRect(dlg, &me) ||
        !SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        frameCentre(dlg, Frame.main);
        return;
    }
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = main.left < work.left ? work.left : main.left;
    if (x + w > work.right)
        x = work.right - w;
    if (main.bottom + h <= work.bottom)
        SetWindowPos(dlg, NULL, x, main.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    else if (main.right + w <= work.right)
        SetWindowPos(dlg, NULL, main.right, main.top < work.top ? work.top : main.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    else
        frameCentre(dlg, Frame.main);
}

static void initDialog(HWND dlg)
{
    Music.wnd = dlg;
    HWND rollCtl = GetDlgItem(dlg, IDC_MU_ROLL);
    GetWindowRect(rollCtl, &Music.roll);
    MapWindowPoints(NULL, dlg, (POINT *)&Music.roll, 2);
    ShowWindow(rollCtl, SW_HIDE);   /* the window paints the roll itself */
    RECT c, w;
    GetClientRect(dlg, &c);
    GetWindowRect(dlg, &w);
    Layout.client.cx = c.right;
    Layout.client.cy = c.bottom;
    Layout.frame.cx = w.right - w.left;
    Layout.frame.cy = w.bottom - w.top;
    Layout.count = 0;
    EnumChildWindows(dlg, rememberPlace, (LPARAM)dlg);
    Music.font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial");
    for (int len : kLengths)
        SendDlgItemMessageA(dlg, IDC_MU_LENGTH, CB_ADDSTRING, 0, (LPARAM)musicLengthName(len));
    SendDlgItemMessageA(dlg, IDC_MU_LENGTH, CB_SETCURSEL, 2, 0);   /* a quarter note */
    SendDlgItemMessageA(dlg, IDC_MU_NOTE, EM_LIMITTEXT, 4, 0);
    SendDlgItemMessageA(dlg, IDC_MU_OCTAVE, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageA(dlg, IDC_MU_TEMPO, EM_LIMITTEXT, 4, 0);
    SendDlgItemMessageA(dlg, IDC_MU_REF, EM_LIMITTEXT, 4, 0);
    SendDlgItemMessageA(dlg, IDC_MU_SONG, CB_LIMITTEXT, MUSIC_NAMEMAX - 1, 0);
    SetDlgItemTextA(dlg, IDC_MU_NOTE, "A");
    SetDlgItemTextA(dlg, IDC_MU_OCTAVE, "4");
    showFields(dlg);
    fillSongs(dlg);
    songChanged(dlg);
    place(dlg);
}

static void closeWindow(HWND dlg)
{
    if (Music.making)
        return;
    stopPreview(dlg);
    DestroyWindow(dlg);
}

static void destroyed(HWND dlg)
{
    stopPreview(dlg);
    if (Music.font)
        DeleteObject(Music.font);
    Music.font = NULL;
    Music.wnd = NULL;
}

static void command(HWND dlg, int id, int code)
{
    if (Music.making)
        return;   /* Make's meter pumps messages: nothing may change the song meanwhile */
    switch (id) {
    case IDCANCEL: case IDOK:   closeWindow(dlg); break;
    case IDC_MU_REFRESH:        showInfo(dlg); break;
    case IDC_MU_ADD: {
        /* Add is the default button; Enter typed in the song name means that song instead. */
        HWND song = GetDlgItem(dlg, IDC_MU_SONG), focus = GetFocus();
        if (focus && (focus == song || IsChild(song, focus)))
            saveSong(dlg);
        else
            addNote(dlg, 0);
        break;
    }
    case IDC_MU_INSERT:         addNote(dlg, 1); break;
    case IDC_MU_DELETE:         deleteNote(dlg); break;
    case IDC_MU_LIST:
        if (code == LBN_SELCHANGE)
            choose(dlg, (int)SendDlgItemMessageA(dlg, IDC_MU_LIST, LB_GETCURSEL, 0, 0));
        break;
    case IDC_MU_TEMPO:
        if (code == EN_CHANGE && readTempo(dlg, 1))
            showInfo(dlg);
        break;
    case IDC_MU_REF:
        if (code == EN_CHANGE) {
            readReference(dlg, 1);
            showInfo(dlg);
        }
        break;
    case IDC_MU_SAVE:           saveSong(dlg); break;
    case IDC_MU_LOAD:           loadSong(dlg); break;
    case IDC_MU_REMOVE:         removeSong(dlg); break;
    case IDC_MU_PLAY:           play(dlg); break;
    case IDC_MU_STOP:           stopPreview(dlg); break;
    case IDC_MU_MAKE:           make(dlg); break;
    default: break;
    }
}

static INT_PTR CALLBACK MUSICMsgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE) {
        closeWindow(dlg);
        return TRUE;
    }
    if (frameDialogTail(dlg, msg, wParam, "Music"))
        return TRUE;
    switch (msg) {
    case WM_INITDIALOG:  initDialog(dlg); return TRUE;
    case WM_PAINT:       paint(dlg); return TRUE;
    case WM_SIZE:        if (wParam != SIZE_MINIMIZED && Layout.count) layout(dlg); return TRUE;
    case WM_GETMINMAXINFO:
        if (Layout.frame.cx) {
            ((MINMAXINFO *)lParam)->ptMinTrackSize.x = Layout.frame.cx;
            ((MINMAXINFO *)lParam)->ptMinTrackSize.y = Layout.frame.cy;
        }
        return TRUE;
    case WM_LBUTTONDOWN: click(dlg, (short)LOWORD(lParam), (short)HIWORD(lParam)); return TRUE;
    case WM_TIMER:       if (wParam == MUSIC_TIMER) nextNote(dlg); return TRUE;
    case WM_COMMAND:     command(dlg, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_DESTROY:     destroyed(dlg); return TRUE;
    default:             return FALSE;
    }
}

/* ---- interface ---- */

void musicOpen(void)
{
    if (Music.wnd) {
        ShowWindow(Music.wnd, SW_RESTORE);
        SetActiveWindow(Music.wnd);
        return;
    }
    removeWorkFiles();   /* a Make that never finished (the program was ended) left them */
    HWND w = CreateDialogParamA(Frame.instance, MAKEINTRESOURCEA(IDD_MUSIC), Frame.main, MUSICMsgProc, 0);
    if (!w) {
        Music.wnd = NULL;
        return;
    }
    ShowWindow(w, SW_SHOW);
}

int musicIsOpen(void) { return Music.wnd != NULL; }

void musicNotify(int repaintOnly)
{
    if (!Music.wnd)
        return;
    if (repaintOnly)
        InvalidateRect(Music.wnd, NULL, FALSE);
    else
        SendMessageA(Music.wnd, WM_COMMAND, IDC_MU_REFRESH, 0);
}

int musicDialogMessage(MSG *msg)
{
    return Music.wnd && (msg->hwnd == Music.wnd || IsChild(Music.wnd, msg->hwnd)) &&
           IsDialogMessageA(Music.wnd, msg);
}

void musicShutdown(void)
{
    if (Music.wnd)
        DestroyWindow(Music.wnd);
    removeWorkFiles();
}
