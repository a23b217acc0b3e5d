/*
 * The composer's window-free half: note names and pitches with their range, lengths in
 * frames, the songs.ini text (round trip, other sections kept, damaged entries refused with
 * a reason), the file write that never leaves half a file, and the plan of Make.
 */
#include "music/musiccore.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <math.h>

namespace {

std::string name(int key)
{
    char b[16];
    musicKeyName(key, b, sizeof b);
    return b;
}

/* ---- 1. Notes: names, octaves, range and pitch ---- */

TEST(MusicNotes, NamesGiveTheKeysAndBack)
{
    int k = -5;
    struct { const char *text; int key; } ok[] = {
        {"A4", 69}, {"C4", 60}, {"c#4", 61}, {"Db4", 61}, {"B3", 59}, {"C2", 36}, {"C7", 96},
        {"Bb6", 94}, {" E5 ", 76}, {"B#3", 60}, {"Cb5", 71}, {"r", MUSIC_REST}, {"Rest", MUSIC_REST},
    };
    for (auto &c : ok) {
        k = -5;
        EXPECT_EQ(MUSIC_OK, musicParseKey(c.text, &k)) << c.text;
        EXPECT_EQ(c.key, k) << c.text;
    }
    EXPECT_EQ("A4", name(69));
    EXPECT_EQ("C#5", name(73));
    EXPECT_EQ("C2", name(36));
    EXPECT_EQ("R", name(MUSIC_REST));
    for (int key = MUSIC_KEY_MIN; key <= MUSIC_KEY_MAX; key++) {
        EXPECT_EQ(MUSIC_OK, musicParseKey(name(key).c_str(), &k));
        EXPECT_EQ(key, k);
    }
    EXPECT_EQ(MUSIC_OK, musicParseNote("F#", 3, &k));
    EXPECT_EQ(54, k);
}

TEST(MusicNotes, OutsideC2ToC7AndNonsenseAreTold)
{
    int k = 12345;
    for (const char *t : {"B1", "C#7", "D7", "C8", "Cb2", "C-1", "A99999"})
        EXPECT_EQ(MUSIC_ERR_RANGE, musicParseKey(t, &k)) << t;
    for (const char *t : {"", "H4", "4", "A", "A#b4", "C##4", "Ax4", "#4"})
        EXPECT_EQ(MUSIC_ERR_NAME, musicParseKey(t, &k)) << t;
    EXPECT_EQ(12345, k) << "a refused note leaves the key alone";
    EXPECT_EQ(MUSIC_ERR_RANGE, musicParseNote("C", 8, &k));
    EXPECT_EQ(MUSIC_ERR_RANGE, musicParseNote("B", 1, &k));
    EXPECT_EQ(MUSIC_ERR_NAME, musicParseNote("X", 4, &k));
    EXPECT_EQ(MUSIC_ERR_NAME, musicParseNote(NULL, 4, &k));
}

TEST(MusicNotes, FrequenciesAreEqualTemperedFromA440)
{
    EXPECT_DOUBLE_EQ(440.0, musicFrequency(69));
    EXPECT_NEAR(261.6256, musicFrequency(60), 1e-3);
    EXPECT_NEAR(65.4064, musicFrequency(36), 1e-3);
    EXPECT_NEAR(2093.005, musicFrequency(96), 1e-2);
    EXPECT_NEAR(880.0, musicFrequency(81), 1e-9);
}

/* ---- 2. Lengths and tempo ---- */

TEST(MusicLengths, FramesFollowTempoAndRate)
{
    EXPECT_EQ(22050u, musicNoteFrames(4, 120, 44100));    /* a beat at 120 is half a second */
    EXPECT_EQ(88200u, musicNoteFrames(1, 120, 44100));
    EXPECT_EQ(5513u, musicNoteFrames(16, 120, 44100));    /* 5512.5 rounds up */
    EXPECT_EQ(8000u, musicNoteFrames(4, 60, 8000));
    EXPECT_EQ(2400u, musicNoteFrames(4, 200, 8000));
    EXPECT_EQ(2667u, musicNoteFrames(8, 90, 8000));
    EXPECT_EQ(0u, musicNoteFrames(3, 120, 44100));
    EXPECT_EQ(0u, musicNoteFrames(4, 0, 44100));
    EXPECT_EQ(0u, musicNoteFrames(4, 120, 0));
    EXPECT_EQ(500u, musicNoteMs(4, 120));
    EXPECT_EQ(125u, musicNoteMs(16, 120));
    EXPECT_EQ(MUSIC_ERR_TEMPO, musicTempoOk(0));
    EXPECT_EQ(MUSIC_ERR_TEMPO, musicTempoOk(19));
    EXPECT_EQ(MUSIC_ERR_TEMPO, musicTempoOk(401));
    EXPECT_EQ(MUSIC_OK, musicTempoOk(20));
    EXPECT_EQ(MUSIC_OK, musicTempoOk(400));
    EXPECT_STREQ("Eighth", musicLengthName(8));
    EXPECT_STREQ("", musicLengthName(5));
}

/* ---- 3. The songs.ini text ---- */

MusicSong tune()
{
    MusicSong s;
    s.tempo = 96;
    s.reference = 57;   /* A3 */
    for (int i = 0; i < 20; i++)
        s.notes.push_back({i % 5 == 4 ? MUSIC_REST : 40 + 2 * i, 1 << (i % 5)});
    return s;
}

void expectSame(const MusicSong &a, const MusicSong &b)
{
    EXPECT_EQ(a.tempo, b.tempo);
    EXPECT_EQ(a.reference, b.reference);
    ASSERT_EQ(a.notes.size(), b.notes.size());
    for (size_t i = 0; i < a.notes.size(); i++) {
        EXPECT_EQ(a.notes[i].key, b.notes[i].key) << i;
        EXPECT_EQ(a.notes[i].len, b.notes[i].len) << i;
    }
}

TEST(MusicSongs, RoundTripKeepsOtherSongsAndComments)
{
    std::string text = "; my songs\r\n[Other]\r\nNotes=C4/4\r\n";
    MusicSong a = tune();
    text = musicSongPut(text, "Scale", &a);
    EXPECT_NE(std::string::npos, text.find("[Scale]\r\nTempo=96\r\nReference=A3\r\nNotes=E2/1 F#2/2"));
    EXPECT_NE(std::string::npos, text.find("; my songs")) << "comments stay";
    MusicSong b;
    std::string why;
    ASSERT_EQ(MUSIC_OK, musicSongRead(text, "scale", &b, &why)) << why;
    expectSame(a, b);

    /* Saving again under the same name (other case) replaces it in place. */
    MusicSong c = a;
    c.tempo = 200;
    c.notes.resize(3);
    text = musicSongPut(text, "SCALE", &c);
    EXPECT_EQ((std::vector<std::string>{"Other", "SCALE"}), musicSongNames(text));
    ASSERT_EQ(MUSIC_OK, musicSongRead(text, "Scale", &b, &why));
    expectSame(c, b);
    ASSERT_EQ(MUSIC_OK, musicSongRead(text, "Other", &b, &why));
    EXPECT_EQ(120, b.tempo) << "left-out keys read as their defaults";
    EXPECT_EQ(69, b.reference);
    ASSERT_EQ(1u, b.notes.size());

    text = musicSongPut(text, "other", NULL);
    EXPECT_EQ((std::vector<std::string>{"SCALE"}), musicSongNames(text));
    EXPECT_EQ(-1, musicSongRead(text, "Other", &b, &why));
    EXPECT_EQ(-1, musicSongRead("", "x", &b, &why));
}

TEST(MusicSongs, DamagedEntriesAreRefusedWithAReasonAndLeaveTheSongAlone)
{
    struct { const char *body; const char *says; } bad[] = {
        {"Tempo=0\nNotes=C4/4", "tempo \"0\""},
        {"Tempo=fast\nNotes=C4/4", "tempo \"fast\""},
        {"Tempo=99999999999\nNotes=C4/4", "tempo"},
        {"Notes=C4/4 C9/4", "note 2, \"C9/4\", is not between C2 and C7"},
        {"Notes=C4/3", "followed by a length"},
        {"Notes=C4", "followed by a length"},
        {"Notes=C4/", "followed by a length"},
        {"Notes=Q4/4", "a note name"},
        {"Notes=", "no notes"},
        {"Tempo=100", "no notes"},
        {"Reference=R\nNotes=C4/4", "reference note \"R\""},
        {"just text\nNotes=C4/4", "Key=Value"},
    };
    for (auto &c : bad) {
        std::string text = std::string("[S]\n") + c.body + "\n[Next]\nNotes=A4/4\n";
        MusicSong s;
        s.tempo = 77;
        std::string why;
        EXPECT_NE(MUSIC_OK, musicSongRead(text, "S", &s, &why)) << c.body;
        EXPECT_NE(std::string::npos, why.find(c.says)) << c.body << " -> " << why;
        EXPECT_EQ(77, s.tempo) << "nothing half read";
        EXPECT_TRUE(s.notes.empty());
    }
    /* Too many notes. */
    std::string many = "[Long]\n";
    for (int i = 0; i <= MUSIC_MAXNOTES / 100; i++) {
        many += "Notes=";
        for (int j = 0; j < 100; j++)
            many += "C4/16 ";
        many += "\n";
    }
    MusicSong s;
    std::string why;
    EXPECT_EQ(MUSIC_ERR_TOOLONG, musicSongRead(many, "Long", &s, &why));
    /* Binary junk never crashes and names nothing sensible. */
    std::string junk;
    for (int i = 0; i < 4000; i++)
        junk += (char)((i * 7919) % 256);
    musicSongNames(junk);
    musicSongRead(junk, "x", &s, &why);
}

TEST(MusicSongs, NamesThatCannotBeSectionsAreRefused)
{
    EXPECT_EQ(MUSIC_OK, musicSongNameOk("My tune 2"));
    for (const char *n : {"", " lead", "trail ", "a[b", "a]b", "a=b", "a;b", "a\nb"})
        EXPECT_EQ(MUSIC_ERR_SONGNAME, musicSongNameOk(n)) << n;
    EXPECT_EQ(MUSIC_ERR_SONGNAME, musicSongNameOk(std::string(MUSIC_NAMEMAX, 'x').c_str()));
}

TEST(MusicSongs, FileWriteReplacesWholeOrNotAtAll)
{
    std::string path = zt::tempPath("songs.ini");
    osDelete(path.c_str());
    std::string text;
    EXPECT_EQ(0, musicFileRead(path.c_str(), &text)) << "a missing file reads as empty";
    EXPECT_TRUE(text.empty());
    MusicSong a = tune();
    std::string want = musicSongPut("", "A", &a);
    ASSERT_EQ(0, musicFileWrite(path.c_str(), want));
    ASSERT_EQ(0, musicFileRead(path.c_str(), &text));
    EXPECT_EQ(want, text);

    /* A short write (a full disk) leaves the old file as it was. */
    OsFault.writeBudget = 10;
    EXPECT_NE(0, musicFileWrite(path.c_str(), musicSongPut(want, "B", &a)));
    osFaultReset();
    ASSERT_EQ(0, musicFileRead(path.c_str(), &text));
    EXPECT_EQ(want, text);
    EXPECT_FALSE(osFileExists((path + ".new").c_str()));
    /* And a failing create likewise. */
    OsFault.failCreate = 1;
    EXPECT_NE(0, musicFileWrite(path.c_str(), ""));
    osFaultReset();
    ASSERT_EQ(0, musicFileRead(path.c_str(), &text));
    EXPECT_EQ(want, text);
    osDelete(path.c_str());
}

/* ---- 4. The plan of Make ---- */

TEST(MusicPlan, StepsHaveTheNotesLengthsAndShiftsWithinWhatStretchTakes)
{
    MusicSong s;
    s.tempo = 120;
    s.reference = 69;
    s.notes = {{69, 4}, {81, 8}, {MUSIC_REST, 2}, {36, 16}, {96, 1}};
    std::vector<MusicStep> steps;
    uint64_t total = 0;
    ASSERT_EQ(MUSIC_OK, musicPlan(s, 8000, 2, 1000, &steps, &total));
    ASSERT_EQ(5u, steps.size());
    EXPECT_EQ(4000u, steps[0].frames);
    EXPECT_EQ(0, steps[0].shifts) << "the reference note is the selection as it is";
    EXPECT_EQ(2000u, steps[1].frames);
    EXPECT_EQ(1, steps[1].shifts);
    EXPECT_DOUBLE_EQ(12.0, steps[1].each);
    EXPECT_EQ(1, steps[2].rest);
    EXPECT_EQ(8000u, steps[2].frames);
    /* C2 is 33 semitones below A4: two calls of -16.5. */
    EXPECT_EQ(2, steps[3].shifts);
    EXPECT_DOUBLE_EQ(-16.5, steps[3].each);
    EXPECT_EQ(1000u, steps[3].frames);
    EXPECT_EQ(2, steps[4].shifts);
    EXPECT_DOUBLE_EQ(13.5, steps[4].each);
    for (const MusicStep &st : steps)
        EXPECT_LE(fabs(st.each), MUSIC_SHIFT_MAX);
    EXPECT_EQ(4000u + 2000 + 8000 + 1000 + 16000, total);

    s.tempo = 0;
    EXPECT_EQ(MUSIC_ERR_TEMPO, musicPlan(s, 8000, 2, 0, &steps, &total));
    s.tempo = 120;
    s.notes.push_back({100, 4});
    EXPECT_EQ(MUSIC_ERR_RANGE, musicPlan(s, 8000, 2, 0, &steps, &total));
    s.notes.back() = {60, 5};
    EXPECT_EQ(MUSIC_ERR_LENGTH, musicPlan(s, 8000, 2, 0, &steps, &total));
    s.notes.clear();
    EXPECT_EQ(MUSIC_ERR_EMPTY, musicPlan(s, 8000, 2, 0, &steps, &total));
    /* A song that would make the wave larger than its offsets can count. */
    s.tempo = 20;
    s.notes.assign(MUSIC_MAXNOTES, {60, 1});
    EXPECT_EQ(MUSIC_ERR_TOOLONG, musicPlan(s, 192000, 4, 0, &steps, &total));
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(0u, total);
}

} // namespace
