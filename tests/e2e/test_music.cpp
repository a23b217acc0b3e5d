/*
 * The Music window through the menu, as a user writes and makes a tune: three notes made
 * from a 440 Hz tone come out as three pieces of the notes' lengths and pitches, one Undo
 * gives the tone back byte for byte, a song saved by name comes back after a restart, the
 * preview sends its notes to the MIDI stand-in and stops when told, and bad input (notes
 * out of range, no tempo, a one-sample selection, a damaged songs.ini entry, no MIDI
 * device) gets its message and changes nothing.
 */
#include "zdriver.h"
#include "zmodules.h"
#include "alsafile.h"

#include <gtest/gtest.h>

#include <math.h>

namespace {

const int kMusic = 3150, kUndo = 102, kSelectAll = 115;
/* The window's controls. */
const int kList = 4301, kNote = 4302, kOctave = 4303, kLength = 4304, kAdd = 4305, kInsert = 4306,
          kDelete = 4307, kTempo = 4308, kRef = 4309, kInfo = 4311, kSong = 4312, kSave = 4313,
          kLoad = 4314, kRemove = 4315, kPlay = 4316, kStop = 4317, kMake = 4318;
enum { Whole, Half, Quarter, Eighth, Sixteenth };

/* A mono 16-bit tone made by sox; "" when sox is missing. */
std::string soxTone(const std::string &dir, const char *name, unsigned rate, double seconds, double hz)
{
    std::string path = dir + "\\" + name;
    char line[300];
    snprintf(line, sizeof line, "sox -n -r %u -b 16 -c 1 '%s' synth %.3f sine %.1f vol 0.5", rate,
             zd::unixPath(path).c_str(), seconds, hz);
    if (!zd::haveSox(dir) || !zd::runNative(dir, line) || !zd::fileExists(path))
        return "";
    return path;
}

struct MusicWin {
    zd::App &app;
    HWND w = nullptr;
    explicit MusicWin(zd::App &a) : app(a) {}

    bool open()
    {
        app.command(kMusic);
        w = app.waitWindow("Music", 5000);
        return w != nullptr;
    }
    LRESULT send(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
    {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(GetDlgItem(w, id), msg, wp, lp, SMTO_NORMAL, 5000, &r);
        return (LRESULT)r;
    }
    /* The button's command, sent as its click would send it (a posted BM_CLICK can be
       lost under Wine while the window's activation settles).  Sent, not posted: a field
       set right after must not reach the window before the command has read it (sent
       messages overtake posted ones).  A command that puts up a message box is left
       waiting for it after the timeout. */
    void press(int id)
    {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(w, id),
                            SMTO_NORMAL, 1500, &r);
        app.idle(150);
    }
    void note(const char *name, const char *octave, int length, int button = kAdd)
    {
        zd::setText(w, kNote, name);
        zd::setText(w, kOctave, octave);
        send(kLength, CB_SETCURSEL, (WPARAM)length);
        press(button);
    }
    /* The window's selection line once it holds `want` (a dialog's end and what the program
       does after it are not ordered with the driver's idle check); the last text otherwise. */
    std::string info(const char *want, int timeoutMs = 3000)
    {
        std::string t;
        for (int waited = 0;; waited += 50) {
            t = zd::getText(w, kInfo);
            if (t.find(want) != std::string::npos || waited >= timeoutMs)
                return t;
            Sleep(50);
        }
    }
    int count() { return (int)send(kList, LB_GETCOUNT); }
    std::string line(int i)
    {
        wchar_t t[128] = L"";
        char out[128] = "";
        send(kList, LB_GETTEXT, (WPARAM)i, (LPARAM)t);
        WideCharToMultiByte(CP_ACP, 0, t, -1, out, sizeof out, NULL, NULL);
        return out;
    }
    /* The message box that came up, answered with OK; "" when none did. */
    std::string message(int timeoutMs = 4000)
    {
        zd::MsgBox box;
        if (!app.waitMessageBox(&box, timeoutMs))
            return "";
        PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
        zd::waitGone(box.hwnd);
        app.idle();
        return box.caption + ": " + box.text;
    }
};

/* MIDI output devices the system has (the program's own prefix: the same answer). */
UINT midiOutputs()
{
    HMODULE mm = LoadLibraryA("winmm.dll");
    UINT (WINAPI *count)(void) = mm ? (UINT (WINAPI *)(void))GetProcAddress(mm, "midiOutGetNumDevs") : NULL;
    return count ? count() : 0;
}

/* Frequency of a stretch of samples from its rising zero crossings. */
double pitch(const std::vector<short> &s, size_t from, size_t to, unsigned rate)
{
    std::vector<double> rises;
    for (size_t i = from + 1; i < to && i < s.size(); i++) {
        double a = s[i - 1], b = s[i];
        if (a < 0 && b >= 0)
            rises.push_back(i - 1 + -a / (b - a));
    }
    return rises.size() < 2 ? 0 : rate * (rises.size() - 1) / (rises.back() - rises.front());
}

/* ---- 1. Make: the tune from the selection, and Undo ---- */

TEST(Music, ThreeNotesFromA440ToneHaveTheirLengthsAndPitchesAndUndoGivesTheToneBack)
{
    std::string dir = zd::freshDir("music-make");
    const unsigned rate = 22050;
    std::string file = soxTone(dir, "tone.wav", rate, 1.0, 440);
    if (file.empty())
        GTEST_SKIP() << "sox is not installed";
    unsigned r0;
    int bits0, ch0;
    std::vector<unsigned char> before;
    ASSERT_TRUE(zd::readWave(file, &r0, &bits0, &ch0, &before));
    ASSERT_EQ(rate * 2, before.size());

    AlsaFile alsa("music-make-alsa");   /* a wave-out device: Select All needs the transport live */
    zm::Session s;
    ASSERT_TRUE(s.open(file));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());
    /* The open window follows the selection made in the main window. */
    zm::selectRange(s.app, 1000, 1199);
    {
        std::string t = m.info("Selection: 200 samples (0.009 s) from sample 1000");
        EXPECT_NE(std::string::npos, t.find("Selection: 200 samples (0.009 s) from sample 1000")) << t;
    }
    s.app.command(kSelectAll);
    s.app.idle();
    {
        std::string t = m.info("Selection: 22050 samples (1.000 s)");
        EXPECT_NE(std::string::npos, t.find("Selection: 22050 samples (1.000 s)")) << t;
    }
    zd::setText(m.w, kTempo, "120");
    zd::setText(m.w, kRef, "A4");
    m.note("A", "5", Quarter);     /* 880 Hz, 11025 frames */
    m.note("C", "4", Half);        /* 261.63 Hz, 22050 frames */
    m.note("E", "5", Eighth);      /* 659.26 Hz, 5513 frames */
    ASSERT_EQ(3, m.count());
    EXPECT_EQ("2.  C4  Half", m.line(1));
    zd::screenshot("music-window");
    m.press(kMake);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Music", 60000)) << zd::menuText(s.app, kUndo);

    zd::screenshot("music-made");
    std::vector<short> out = s.save();
    const size_t len[3] = {11025, 22050, 5513};
    const double hz[3] = {880.0, 261.6256, 659.2551};
    ASSERT_EQ(len[0] + len[1] + len[2], out.size()) << "the notes' lengths, nothing more";
    size_t at = 0;
    for (int i = 0; i < 3; i++) {
        size_t edge = len[i] / 8;
        double got = pitch(out, at + edge, at + len[i] - edge, rate);
        EXPECT_NEAR(hz[i], got, hz[i] * 0.01) << "note " << i + 1;
        at += len[i];
    }
    {
        std::string t = m.info("Selection: 38588 samples");
        EXPECT_NE(std::string::npos, t.find("Selection: 38588 samples")) << "the window follows the new selection: " << t;
    }

    /* One Undo restores the whole wave. */
    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo"));
    zd::settle(s.app);
    s.app.send(WM_COMMAND, (WPARAM)1151, 0);
    zd::settle(s.app);
    unsigned r1;
    int bits1, ch1;
    std::vector<unsigned char> after;
    ASSERT_TRUE(zd::readWave(file, &r1, &bits1, &ch1, &after));
    EXPECT_TRUE(before == after) << "Undo Music did not give the tone back byte for byte";

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(0, zd::countFiles(temp, "~NOTE*.TMP")) << "work files left behind";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* Sixteenth notes at 400 beats a minute are 300 samples at 8000 Hz, far shorter than the
   Stretch window: they are made all the same, stereo, with a note two octaves down. */
TEST(Music, ShortNotesOnAStereoWaveAreMadeAtTheirLengths)
{
    std::string dir = zd::freshDir("music-short");
    std::string file = dir + "\\s.wav";
    std::vector<short> tone;
    for (int i = 0; i < 4000; i++) {
        short v = (short)lrint(9000 * sin(2 * 3.14159265358979 * 440 * i / 8000.0));
        tone.push_back(v);
        tone.push_back(v);
    }
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, zm::bytes(tone)));
    AlsaFile alsa("music-short-alsa");
    zm::Session s;
    ASSERT_TRUE(s.open(file));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());
    s.app.command(kSelectAll);
    s.app.idle();
    zd::setText(m.w, kTempo, "400");
    m.note("A", "4", Sixteenth);
    m.note("A", "2", Sixteenth);
    m.note("R", "", Sixteenth);
    m.note("E", "5", Eighth);
    m.press(kMake);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Music", 30000)) << m.message(100);
    EXPECT_EQ("", m.message(300)) << "every note was made";
    int channels = 0;
    s.app.send(WM_COMMAND, (WPARAM)1151, 0);
    zd::settle(s.app);
    std::vector<short> out = zm::readSamples(file, &channels);
    EXPECT_EQ(2, channels);
    ASSERT_EQ(2u * (300 + 300 + 300 + 600), out.size());
    for (size_t i = 0; i < 300; i++)
        EXPECT_EQ(tone[i * 2], out[i * 2]) << "the reference note is the selection itself, sample " << i;
    for (size_t i = 600; i < 900; i++)
        ASSERT_EQ(0, out[i * 2]) << "the rest is silent, sample " << i;
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* Without the Stretch module beside the program Make says what is missing and changes
   nothing. */
TEST(Music, MakeWithoutTheStretchModuleSaysSo)
{
    std::string dir = zd::freshDir("music-nostretch");
    std::string file = dir + "\\t.wav";
    std::vector<unsigned char> data(2 * 2000, 5);
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, data));
    zd::ProgramDir prog("music-nostretch-prog", {"zelo.exe", "wave.flt", "amplify.xfm"});
    AlsaFile alsa("music-nostretch-alsa");
    zm::Session s;
    ASSERT_TRUE(s.open(file));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());
    s.app.command(kSelectAll);
    s.app.idle();
    m.note("C", "5", Quarter);
    m.press(kMake);
    EXPECT_EQ("Music: Making music needs the Stretch transform (stretch.xfm beside the program).", m.message());
    EXPECT_EQ("Can't Undo", zd::menuText(s.app, kUndo));
    EXPECT_EQ(zm::samples(data), s.save());
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 2. Songs by name in songs.ini, across a restart ---- */

TEST(Music, SongSavedByNameComesBackAfterARestart)
{
    std::string dir = zd::freshDir("music-songs");
    std::string file = dir + "\\t.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, std::vector<unsigned char>(8000, 0)));
    std::string settings = zd::freshDir("music-songs-settings");
    {
        zm::Session s;
        ASSERT_TRUE(s.open(file, settings));
        MusicWin m(s.app);
        ASSERT_TRUE(m.open());
        zd::setText(m.w, kTempo, "90");
        zd::setText(m.w, kRef, "G4");
        m.note("D", "4", Eighth);
        m.note("R", "", Quarter);
        m.note("F#", "6", Whole);
        m.note("Bb", "2", Sixteenth, kInsert);   /* before the chosen note: none chosen, at the end */
        ASSERT_EQ(4, m.count());
        zd::setText(m.w, kSong, "Evening Tune");
        m.press(kSave);
        EXPECT_EQ("", m.message(500)) << "saving says nothing when it works";
        /* The file is plain text that a user can read. */
        std::string ini;
        FILE *f = fopen((settings + "\\songs.ini").c_str(), "rb");
        ASSERT_TRUE(f);
        char buf[2048];
        ini.assign(buf, fread(buf, 1, sizeof buf, f));
        fclose(f);
        EXPECT_NE(std::string::npos, ini.find("[Evening Tune]\r\nTempo=90\r\nReference=G4\r\nNotes=D4/8 R/4 F#6/1 A#2/16"))
            << ini;
        EXPECT_EQ(0, zd::closeDiscarding(s.app));
    }
    zm::Session s;
    ASSERT_TRUE(s.open(file, settings));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());
    EXPECT_EQ(0, m.count()) << "a new window starts with an empty song";
    EXPECT_EQ(1, (int)m.send(kSong, CB_GETCOUNT)) << "the saved song is offered";
    zd::setText(m.w, kSong, "evening tune");
    m.press(kLoad);
    EXPECT_EQ("", m.message(500));
    ASSERT_EQ(4, m.count());
    EXPECT_EQ("1.  D4  Eighth", m.line(0));
    EXPECT_EQ("2.  Rest  Quarter", m.line(1));
    EXPECT_EQ("4.  A#2  Sixteenth", m.line(3));
    EXPECT_EQ("90", zd::getText(m.w, kTempo));
    EXPECT_EQ("G4", zd::getText(m.w, kRef));

    /* Enter typed in the song name saves the song; it adds no note. */
    zd::setText(m.w, kSong, "Keyed");
    HWND songEdit = GetWindow(GetDlgItem(m.w, kSong), GW_CHILD);
    ASSERT_TRUE(songEdit);
    PostMessageA(m.w, WM_NEXTDLGCTL, (WPARAM)songEdit, TRUE);
    s.app.idle(150);
    PostMessageA(songEdit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(songEdit, WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_EQ("", m.message(500));
    EXPECT_EQ(4, m.count()) << "Enter in the song name added a note";
    EXPECT_EQ(2, (int)m.send(kSong, CB_GETCOUNT)) << "Enter in the song name did not save it";
    m.send(kSong, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)"Keyed");
    m.press(kRemove);
    zd::setText(m.w, kSong, "Evening Tune");

    /* Removing it leaves no such song. */
    m.press(kRemove);
    EXPECT_EQ(0, (int)m.send(kSong, CB_GETCOUNT));
    zd::setText(m.w, kSong, "Evening Tune");
    m.press(kLoad);
    EXPECT_EQ("Music: There is no song \"Evening Tune\" in songs.ini.", m.message());
    EXPECT_EQ(4, m.count()) << "the song in the window stays";
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 3. The preview on the MIDI output ---- */

struct StandIn {
    std::string path;
    explicit StandIn(const std::string &p) : path(p)
    {
        DeleteFileA(p.c_str());
        SetEnvironmentVariableA("ZELO_MIDI_STANDIN", p.c_str());
    }
    ~StandIn() { SetEnvironmentVariableA("ZELO_MIDI_STANDIN", NULL); }
    std::string text()
    {
        FILE *f = fopen(path.c_str(), "rb");
        if (!f)
            return "";
        std::string t;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            t.append(buf, n);
        fclose(f);
        return t;
    }
    bool waitClosed(int timeoutMs)
    {
        for (int t = 0; t < timeoutMs; t += 50) {
            if (text().find("close") != std::string::npos)
                return true;
            Sleep(50);
        }
        return false;
    }
};

TEST(Music, PreviewSendsEachNoteOnAndOffAndStopsWhenTold)
{
    std::string dir = zd::freshDir("music-midi");
    std::string file = dir + "\\t.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, std::vector<unsigned char>(4000, 0)));
    StandIn midi(dir + "\\midi.txt");
    zm::Session s;
    ASSERT_TRUE(s.open(file));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());
    zd::setText(m.w, kTempo, "400");
    m.note("A", "4", Sixteenth);
    m.note("R", "4", Sixteenth);
    m.note("C", "5", Eighth);
    m.press(kPlay);
    ASSERT_TRUE(midi.waitClosed(5000)) << midi.text();
    EXPECT_EQ("open 0\r\n90 45 64\r\n80 45 00\r\n90 48 64\r\n80 48 00\r\nclose\r\n", midi.text());

    /* A whole note at 20 beats a minute lasts 12 s: Stop ends it at once. */
    DeleteFileA(midi.path.c_str());
    zd::setText(m.w, kTempo, "20");
    m.note("C", "7", Whole);
    m.press(kPlay);
    m.press(kStop);
    ASSERT_TRUE(midi.waitClosed(3000)) << "Stop did not end the preview: " << midi.text();
    std::string t = midi.text();
    EXPECT_EQ(0u, t.find("open 0\r\n90 45 64\r\n")) << t;
    EXPECT_EQ(t.size() - 7, t.find("close\r\n")) << t;
    EXPECT_EQ(std::string::npos, t.find("90 60 64")) << "the whole note was never reached: " << t;
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

/* ---- 4. Bad input gets a clear message and changes nothing ---- */

TEST(Music, BadInputIsToldAndChangesNothing)
{
    std::string dir = zd::freshDir("music-bad");
    std::string file = dir + "\\t.wav";
    std::vector<unsigned char> data(2 * 3000);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (unsigned char)(i * 37);
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, data));
    std::string settings = zd::freshDir("music-bad-settings");
    FILE *f = fopen((settings + "\\songs.ini").c_str(), "wb");
    ASSERT_TRUE(f);
    fputs("[Broken]\r\nTempo=120\r\nNotes=A4/4 X9/4\r\n[Slow]\r\nTempo=0\r\nNotes=A4/4\r\n", f);
    fclose(f);

    AlsaFile alsa("music-bad-alsa");
    zm::Session s;
    ASSERT_TRUE(s.open(file, settings));
    MusicWin m(s.app);
    ASSERT_TRUE(m.open());

    m.note("C", "8", Quarter);
    EXPECT_EQ("Music: Notes go from C2 to C7: C8 is outside them.", m.message());
    m.note("B", "1", Quarter);
    EXPECT_EQ("Music: Notes go from C2 to C7: B1 is outside them.", m.message());
    m.note("C#", "7", Quarter);
    EXPECT_EQ("Music: Notes go from C2 to C7: C#7 is outside them.", m.message());
    m.note("H", "4", Quarter);
    EXPECT_EQ("Music: \"H\" is not a note name.  Type C, C#, Db, D ... B, or R for a rest.", m.message());
    EXPECT_EQ(0, m.count());
    m.press(kMake);
    EXPECT_EQ("Music: Add some notes first.", m.message());
    m.note("C", "7", Quarter);
    m.note("C", "2", Quarter);
    ASSERT_EQ(2, m.count());

    /* Nothing selected, then one sample. */
    m.press(kMake);
    EXPECT_EQ("Music: Select the part of the sound to put to music first: at least two samples.", m.message());
    zm::selectRange(s.app, 5, 5);
    m.press(kMake);
    EXPECT_EQ("Music: Select the part of the sound to put to music first: at least two samples.", m.message());

    s.app.command(kSelectAll);
    s.app.idle();
    zd::setText(m.w, kTempo, "0");
    m.press(kMake);
    EXPECT_EQ("Music: The tempo must be a number of beats a minute from 20 to 400.", m.message());
    zd::setText(m.w, kTempo, "401");
    m.press(kPlay);
    EXPECT_EQ("Music: The tempo must be a number of beats a minute from 20 to 400.", m.message());
    zd::setText(m.w, kTempo, "120");
    zd::setText(m.w, kRef, "C9");
    m.press(kMake);
    EXPECT_EQ("Music: The note the selection sounds as must be one from C2 to C7, such as A4.", m.message());
    zd::setText(m.w, kRef, "A4");

    /* Damaged songs.ini entries. */
    zd::setText(m.w, kSong, "Broken");
    m.press(kLoad);
    EXPECT_EQ("Music: The song \"Broken\" in songs.ini cannot be used: note 2, \"X9/4\", is not a note name "
              "such as A4, C#5 or R.", m.message());
    zd::setText(m.w, kSong, "Slow");
    m.press(kLoad);
    EXPECT_EQ("Music: The song \"Slow\" in songs.ini cannot be used: its tempo \"0\" is not a number of beats "
              "a minute from 20 to 400.", m.message());
    EXPECT_EQ(2, m.count()) << "a song that cannot be read leaves the one in the window";
    zd::setText(m.w, kSong, "a[b");
    m.press(kSave);
    EXPECT_EQ("Music: Type a name for the song (up to 63 letters, without [ ] = or ;).", m.message());

    /* No MIDI device (and no stand-in). */
    if (midiOutputs() == 0) {
        m.press(kPlay);
        EXPECT_EQ("Music: There is no MIDI output device to play the notes on.", m.message());
    }

    /* None of it touched the wave. */
    EXPECT_EQ("Can't Undo", zd::menuText(s.app, kUndo));
    std::vector<short> now = s.save();
    EXPECT_EQ(zm::samples(data), now);

    /* Delete takes out the chosen note, else the last. */
    m.press(kDelete);
    EXPECT_EQ(1, m.count());
    EXPECT_EQ("1.  C7  Quarter", m.line(0));
    EXPECT_EQ(0, zd::closeDiscarding(s.app));
}

} // namespace
