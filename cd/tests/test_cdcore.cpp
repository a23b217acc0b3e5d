/*
 * test_cdcore.cpp - the CD player's window-free half against the scripted drive and an
 * in-memory profile store: disc ids of known track tables, the title files in each format
 * written and read back, hand-edited and absurd input, and the panel's poll and buttons.
 */
#include "cd/cdcore.h"
#include "cd/cdfake.h"
#include "toolbar/tests/memini.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>

namespace {

zt::MemIni mem;

void iniGet(void *, const char *file, const char *section, const char *key, const char *def, char *out, size_t size)
{
    snprintf(out, size, "%s", mem.get(file, section, key, def).c_str());
}
void iniSet(void *, const char *file, const char *section, const char *key, const char *value)
{
    mem.set(file, section, key, value);
}
long iniSize(void *, const char *file) { return mem.size(file); }

struct Rig {
    CdFake drive;
    CdEnv env;
    CdState st;
    explicit Rig(std::initializer_list<int> seconds = {200, 185, 240})
    {
        mem = zt::MemIni();
        std::vector<int> s(seconds);
        cdFakeLoad(&drive, s.data(), (int)s.size());
        env.dev = {&drive, cdFakeSend};
        env.ini = {nullptr, iniGet, iniSet, iniSize};
        snprintf(env.ownDir, sizeof env.ownDir, "C:\\own");
        snprintf(env.platformDir, sizeof env.platformDir, "C:\\windows");
        memset(&st, 0, sizeof st);
    }
    uint32_t id()
    {
        CdDisc d;
        cdReadDisc(&env, &d);
        return cdDiscId(&d);
    }
    std::string dec() { return std::to_string((long)(int32_t)id()); }
    void poll(uint32_t seconds = 1)
    {
        cdFakeAdvance(&drive, seconds * 75);
        cdPoll(&st, &env);
    }
};

const char *kDb1 = "C:\\own\\ZeloCD1.ini";
const char *kDb2 = "C:\\own\\ZeloCD2.ini";
const char *kZelo = "C:\\own\\zelo.ini";
const char *kMusicbox = "C:\\windows\\MUSICBOX.INI";
const char *kCdplayer = "C:\\windows\\CDPLAYER.INI";

}  // namespace

/* 1. Disc ids: track starts summed as m*65536 + s*256 + f; the length term only below 3. */
TEST(CdDiscId, KnownTables)
{
    CdDisc d;
    memset(&d, 0, sizeof d);
    d.tracks = 2;
    d.start[1] = {0, 2, 0};
    d.start[2] = {3, 2, 0};
    d.length = {6, 0, 0};
    EXPECT_EQ(224633u, cdDiscId(&d)) << "512 + 197120 + 360 * 75 + 1";
    d.tracks = 3;
    d.start[3] = {7, 10, 33};
    EXPECT_EQ(512u + 197120u + 7u * 65536 + 10u * 256 + 33u, cdDiscId(&d));
    d.tracks = 0;
    EXPECT_EQ(27001u, cdDiscId(&d));
    d.tracks = 5000;   /* never past the table */
    EXPECT_NE(0u, cdDiscId(&d));
}

/* 2. The table of contents read from the drive, and the ids in both notations. */
TEST(CdDiscId, ReadFromTheDrive)
{
    Rig r({200, 185, 240});
    CdDisc d;
    ASSERT_EQ(0, cdReadDisc(&r.env, &d));
    ASSERT_EQ(3, d.tracks);
    EXPECT_EQ(0, d.start[1].m);
    EXPECT_EQ(2, d.start[1].s);
    EXPECT_EQ(3, d.start[2].m);   /* 2 s lead-in + 200 s */
    EXPECT_EQ(22, d.start[2].s);
    EXPECT_EQ(625u * 1000u, d.lengthMs);
    EXPECT_EQ(0 * 65536u + 2 * 256u + 3 * 65536u + 22 * 256u + 6 * 65536u + 27 * 256u, cdDiscId(&d));
    EXPECT_EQ(0, r.drive.format) << "the time format is left at tmsf";
    r.drive.present = 0;
    EXPECT_EQ(1, cdReadDisc(&r.env, &d));
}

/* 3. A disc seen for the first time: its length as title, "*" per track, in the current
   database; titles stored and read back; the next lookup finds them there. */
TEST(CdTitles, FirstSeenThenStoredAndFound)
{
    Rig r;
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    EXPECT_STREQ(kDb1, db);
    EXPECT_EQ("134", mem.get(kDb1, "Zelo Edit", "Version"));
    CdDisc d;
    cdReadDisc(&r.env, &d);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    EXPECT_STREQ(kDb1, t.file);
    EXPECT_EQ(r.dec(), t.section);
    EXPECT_EQ("10:25:00 length CD", mem.get(kDb1, t.section, "DiscTitle"));
    for (int i = 1; i <= 3; i++)
        EXPECT_EQ("*", mem.get(kDb1, t.section, "Track" + std::to_string(i)));
    char text[CD_TITLE_MAX];
    cdTitleText(&r.env, &t, 2, text, sizeof text);
    EXPECT_STREQ("10:25:00 length CD", text) << "an unnamed track shows the disc title";
    cdStoreTitle(&r.env, &t, 0, "Songs");
    cdStoreTitle(&r.env, &t, 2, "Second");
    cdTitleText(&r.env, &t, 2, text, sizeof text);
    EXPECT_STREQ("Second", text);
    cdStoreTitle(&r.env, &t, 2, "");
    EXPECT_EQ("*", mem.get(kDb1, t.section, "Track2")) << "an emptied name goes back to *";
    CdTitles again;
    cdFindTitles(&r.env, &d, db, &again);
    cdTitleText(&r.env, &again, 0, text, sizeof text);
    EXPECT_STREQ("Songs", text);
}

/* 4. Titles of older versions in zelo.ini (under the length in ms) move to the database. */
TEST(CdTitles, OlderTitlesMoveOutOfZeloIni)
{
    Rig r;
    mem.set(kZelo, "625000", "title", "Old Disc");
    mem.set(kZelo, "625000", "Track1", "One");
    mem.set(kZelo, "625000", "Track2", "Two");
    mem.set(kZelo, "625000", "Track4", "Beyond a gap");
    mem.set(kZelo, "Size", "X", "640");
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    CdDisc d;
    cdReadDisc(&r.env, &d);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    EXPECT_EQ("Old Disc", mem.get(kDb1, t.section, "DiscTitle"));
    EXPECT_EQ("Two", mem.get(kDb1, t.section, "Track2"));
    EXPECT_FALSE(mem.has(kDb1, t.section, "Track4")) << "copying stops at the first empty track";
    EXPECT_FALSE(mem.has(kZelo, "625000", "title"));
    EXPECT_EQ("640", mem.get(kZelo, "Size", "X")) << "nothing else in zelo.ini is touched";
}

/* 5. MUSICBOX.INI: decimal id, DiscTitle and Track%d; titles are then written there. */
TEST(CdTitles, MusicboxIni)
{
    Rig r;
    std::string sec = r.dec();
    mem.set(kMusicbox, sec.c_str(), "DiscTitle", "Box Disc");
    mem.set(kMusicbox, sec.c_str(), "Track1", "Box One");
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    CdDisc d;
    cdReadDisc(&r.env, &d);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    EXPECT_STREQ(kMusicbox, t.file);
    char text[CD_TITLE_MAX];
    cdTitleText(&r.env, &t, 1, text, sizeof text);
    EXPECT_STREQ("Box One", text);
    cdStoreTitle(&r.env, &t, 3, "Box Three");
    EXPECT_EQ("Box Three", mem.get(kMusicbox, sec, "Track3"));
    EXPECT_FALSE(mem.has(kDb1, sec, "DiscTitle")) << "no copy made in the database";
}

/* 6. CDPLAYER.INI: hexadecimal id, artist - title, 0-based track keys; a disc title typed
   in is split at its first dash. */
TEST(CdTitles, CdplayerIni)
{
    Rig r;
    char hex[24];
    snprintf(hex, sizeof hex, "%X", (unsigned)r.id());
    mem.set(kCdplayer, hex, "artist", "The Band");
    mem.set(kCdplayer, hex, "title", "Live");
    mem.set(kCdplayer, hex, "0", "Opening");
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    CdDisc d;
    cdReadDisc(&r.env, &d);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    ASSERT_TRUE(t.cdplayer);
    char text[CD_TITLE_MAX];
    cdTitleText(&r.env, &t, 0, text, sizeof text);
    EXPECT_STREQ("The Band - Live", text);
    cdTitleText(&r.env, &t, 1, text, sizeof text);
    EXPECT_STREQ("Opening", text);
    cdStoreTitle(&r.env, &t, 2, "Middle");
    EXPECT_EQ("Middle", mem.get(kCdplayer, hex, "1"));
    cdStoreTitle(&r.env, &t, 0, "New Artist -   Name - With Dash");
    EXPECT_EQ("New Artist", mem.get(kCdplayer, hex, "artist"));
    EXPECT_EQ("Name - With Dash", mem.get(kCdplayer, hex, "title"));
}

/* 7. A database file at the size limit takes no new discs; all 99 full: ZeloCD!.ini.
   Titles kept in a later database file are still found. */
TEST(CdTitles, DatabaseFilesFillUp)
{
    Rig r;
    mem.set(kDb1, "Zelo Edit", "Version", "134");
    mem.set(kDb1, "pad", "x", std::string(CD_DB_LIMIT, 'p').c_str());
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    EXPECT_STREQ(kDb2, db);
    for (int n = 2; n <= 99; n++) {
        std::string f = "C:\\own\\ZeloCD" + std::to_string(n) + ".ini";
        mem.set(f, "pad", "x", std::string(CD_DB_LIMIT, 'p').c_str());
    }
    cdChooseDatabase(&r.env, db, sizeof db);
    EXPECT_STREQ("C:\\own\\ZeloCD!.ini", db);

    Rig r2;
    mem.set(kDb1, "Zelo Edit", "Version", "134");
    mem.set(kDb1, "pad", "x", std::string(CD_DB_LIMIT, 'p').c_str());
    mem.set(kDb2, "Zelo Edit", "Version", "134");
    std::string sec = r2.dec();
    mem.set(kDb1, sec.c_str(), "DiscTitle", "Kept in one");
    cdChooseDatabase(&r2.env, db, sizeof db);
    EXPECT_STREQ(kDb2, db);
    CdDisc d;
    cdReadDisc(&r2.env, &d);
    CdTitles t;
    cdFindTitles(&r2.env, &d, db, &t);
    EXPECT_STREQ(kDb1, t.file);
}

/* 8. Hand-edited and absurd input: missing keys, bad hex sections, very long titles, a
   drive that claims thousands of tracks.  Nothing crashes; bad entries are passed over. */
TEST(CdTitles, BadInput)
{
    Rig r;
    char hex[24];
    snprintf(hex, sizeof hex, "%X", (unsigned)r.id());
    mem.set(kCdplayer, hex, "title", "No artist key");            /* missing artist: not this disc */
    mem.set(kCdplayer, "ZZ-not-hex", "artist", "Junk");
    mem.set(kCdplayer, (std::string("0x") + hex).c_str(), "artist", "Prefixed");
    std::string sec = r.dec();
    mem.set(kMusicbox, sec.c_str(), "Track1", "Track without DiscTitle");
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    CdDisc d;
    cdReadDisc(&r.env, &d);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    EXPECT_STREQ(kDb1, t.file) << "none of the damaged entries is taken";

    std::string longTitle(5000, 'L');
    cdStoreTitle(&r.env, &t, 1, longTitle.c_str());
    char text[CD_TITLE_MAX];
    cdTitleText(&r.env, &t, 1, text, sizeof text);
    EXPECT_EQ(CD_TITLE_MAX - 1, (int)strlen(text));
    mem.set(kDb1, sec.c_str(), "DiscTitle", std::string(9000, 'D').c_str());
    cdTitleText(&r.env, &t, 0, text, sizeof text);
    EXPECT_EQ(CD_TITLE_MAX - 1, (int)strlen(text));
    cdTitleText(&r.env, &t, 500, text, sizeof text);   /* a track number no disc has */
    cdTitleText(&r.env, &t, -3, text, sizeof text);
}

namespace {
/* A drive that answers nonsense: thousands of tracks, garbage positions. */
unsigned long liar(void *, const char *command, char *reply, size_t size)
{
    if (strstr(command, "number of tracks"))
        snprintf(reply, size, "5000");
    else if (strstr(command, "length"))
        snprintf(reply, size, "99999999:99:99");
    else if (strstr(command, "position"))
        snprintf(reply, size, "::x:");
    else if (strstr(command, "mode"))
        snprintf(reply, size, "stopped");
    else if (strstr(command, "media present"))
        snprintf(reply, size, "TRUE");
    else
        reply[0] = 0;
    return 0;
}
}  // namespace

TEST(CdTitles, AbsurdDriveAnswers)
{
    Rig r;
    r.env.dev = {nullptr, liar};
    CdDisc d;
    ASSERT_EQ(0, cdReadDisc(&r.env, &d));
    EXPECT_EQ(CD_MAXTRACKS, d.tracks);
    char db[CD_PATH_MAX];
    cdChooseDatabase(&r.env, db, sizeof db);
    CdTitles t;
    cdFindTitles(&r.env, &d, db, &t);
    EXPECT_TRUE(mem.has(kDb1, t.section, "Track99"));
    EXPECT_FALSE(mem.has(kDb1, t.section, "Track100"));
    cdStart(&r.st, &r.env);
    for (int i = 0; i < 3; i++)
        cdPoll(&r.st, &r.env);
    EXPECT_EQ(CD_MAXTRACKS, r.st.panel.tracks);
}

/* 9. The panel over a drive with a known disc: the first poll lists the tracks and the
   disc title; Play, the track moving on, Pause, Stop; the pictures and buttons follow. */
TEST(CdPanel, PlayPauseStopAndTheTrackFollowing)
{
    Rig r;
    cdStart(&r.st, &r.env);
    EXPECT_EQ(3, r.st.panel.tracks);
    EXPECT_STREQ("10:25:00 length CD", r.st.panel.title);
    EXPECT_TRUE(r.st.panel.titleEnabled);
    EXPECT_TRUE(r.st.stopped);
    EXPECT_STREQ("ICDPlay", r.st.panel.playPicture);
    EXPECT_STREQ("ICDNew", r.st.panel.ejectPicture);
    EXPECT_TRUE(r.st.panel.enabled[CDB_PLAY]);
    EXPECT_FALSE(r.st.panel.enabled[CDB_STOP]);
    cdStoreTitle(&r.env, &r.st.titles, 2, "Second Song");

    cdPlayPause(&r.st, &r.env);
    EXPECT_STREQ("play cdaudio from 1:0:0", r.drive.played);
    EXPECT_EQ(1, r.st.track);
    EXPECT_EQ(1, r.st.panel.selected);
    EXPECT_STREQ("ICDPause", r.st.panel.playPicture);
    EXPECT_TRUE(r.st.panel.enabled[CDB_STOP] && r.st.panel.enabled[CDB_REWIND] && r.st.panel.enabled[CDB_MARK]);
    r.poll(3);
    EXPECT_STREQ(" 00:03", r.st.panel.time);
    r.poll(200);   /* into track 2 */
    EXPECT_EQ(2, r.st.track);
    EXPECT_EQ(2, r.st.panel.selected);
    EXPECT_STREQ("Second Song", r.st.panel.title);
    EXPECT_STREQ(" 00:03", r.st.panel.time);

    cdPlayPause(&r.st, &r.env);
    EXPECT_EQ(2, r.drive.mode) << "the drive is paused";
    EXPECT_STREQ("ICDPlay", r.st.panel.playPicture);
    r.poll();
    EXPECT_TRUE(r.st.paused);
    EXPECT_FALSE(r.st.stopped);
    cdPlayPause(&r.st, &r.env);
    EXPECT_STREQ("play cdaudio", r.drive.played) << "a paused disc plays on where it is";
    EXPECT_EQ(1, r.drive.mode);

    cdStop(&r.st, &r.env);
    EXPECT_EQ(0, r.st.track);
    EXPECT_TRUE(r.st.stopped && r.st.paused);
    EXPECT_FALSE(r.st.panel.enabled[CDB_STOP] || r.st.panel.enabled[CDB_FORWARD] || r.st.panel.enabled[CDB_MARK]);
    r.poll();
    EXPECT_TRUE(r.st.stopped) << "a drive at the start reads as stopped";
    EXPECT_EQ(0, r.st.panel.selected);
}

/* 10. Rewind, fast forward (not below 0), Mark and Goto Mark, a track chosen in the list. */
TEST(CdPanel, SkipMarkGotoAndTrackList)
{
    Rig r;
    cdStart(&r.st, &r.env);
    cdPlayPause(&r.st, &r.env);
    r.poll(4);
    cdSkip(&r.st, &r.env, -10000);
    EXPECT_STREQ("play cdaudio from 0", r.drive.played) << "rewinding within the first 10 s goes to 0";
    cdSkip(&r.st, &r.env, 10000);
    EXPECT_STREQ("play cdaudio from 10000", r.drive.played);
    cdMark(&r.st, &r.env);
    EXPECT_STREQ("01:00:08:00", r.st.mark) << "10 s from 0 is 8 s into track 1 (2 s lead-in)";
    EXPECT_TRUE(r.st.panel.enabled[CDB_GOTOMARK]);
    cdChooseTrack(&r.st, &r.env, 3);
    EXPECT_STREQ("play cdaudio from 3:0:0", r.drive.played);
    EXPECT_EQ(3, r.st.track);
    cdPlayPause(&r.st, &r.env);   /* pause */
    cdGotoMark(&r.st, &r.env);
    EXPECT_STREQ("seek cdaudio to 01:00:08:00", r.drive.played);
    EXPECT_EQ(1, r.st.track);
    cdChooseTrack(&r.st, &r.env, 2);
    EXPECT_STREQ("seek cdaudio to 2:0:0", r.drive.played) << "paused: the list only seeks";
    cdChooseTrack(&r.st, &r.env, 77);   /* no such track */
    EXPECT_EQ(2, r.st.track);
}

/* 11. Eject, no disc, a disc again; a position past the disc's end asks for Stop. */
TEST(CdPanel, EjectNoDiscAndBack)
{
    Rig r;
    cdStart(&r.st, &r.env);
    cdEject(&r.st, &r.env);
    EXPECT_TRUE(r.drive.doorOpen);
    EXPECT_TRUE(r.st.notReady);
    r.poll();
    EXPECT_STREQ("No CD", r.st.panel.title);
    EXPECT_FALSE(r.st.panel.titleEnabled);
    EXPECT_STREQ(" 00:00", r.st.panel.time);
    EXPECT_EQ(0, r.st.panel.tracks);
    EXPECT_STREQ("ICDInsrt", r.st.panel.ejectPicture);
    for (int b : {CDB_PLAY, CDB_STOP, CDB_REWIND, CDB_FORWARD, CDB_MARK, CDB_GOTOMARK})
        EXPECT_FALSE(r.st.panel.enabled[b]) << b;
    EXPECT_TRUE(r.st.panel.enabled[CDB_EJECT]);
    int sent = r.drive.commands;
    r.poll();
    EXPECT_EQ(sent + 1, r.drive.commands) << "with no disc the poll only asks for the media";
    cdEject(&r.st, &r.env);
    EXPECT_FALSE(r.drive.doorOpen);
    r.poll();
    EXPECT_EQ(3, r.st.panel.tracks);
    EXPECT_TRUE(r.st.panel.titleEnabled);
    EXPECT_STREQ("ICDNew", r.st.panel.ejectPicture);

    r.st.disc.lengthMs = 1000;   /* the drive says the position is past the disc's end */
    cdPlayPause(&r.st, &r.env);
    r.poll(5);
    EXPECT_TRUE(r.st.postStop);
}

/* 12. No drive at all: every answer empty; the panel says so and sends nothing more than
   the one question per poll. */
TEST(CdPanel, NoDrive)
{
    Rig r;
    r.drive.noDrive = 1;
    cdStart(&r.st, &r.env);
    EXPECT_STREQ("No CD", r.st.panel.title);
    EXPECT_EQ(0, r.st.panel.tracks);
    EXPECT_FALSE(r.st.panel.enabled[CDB_PLAY]);
    cdPlayPause(&r.st, &r.env);
    cdSkip(&r.st, &r.env, 10000);
    cdChooseTrack(&r.st, &r.env, 1);
    cdTitleEdited(&r.st, &r.env, "nothing to name");
    EXPECT_TRUE(mem.files.size() <= 1) << "only the database file was made";
    cdPoll(&r.st, &r.env);
    EXPECT_STREQ("No CD", r.st.panel.title);
}
