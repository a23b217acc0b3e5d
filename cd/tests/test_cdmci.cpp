/*
 * test_cdmci.cpp - the platform halves of the CD player under Wine: the MCI layer's real
 * answers on a machine without a drive (an error code and an empty reply, so the panel
 * shows "No CD"), and the title files written through the private-profile calls and read
 * back from the real files, in each format.
 */
#include "cd/cd.h"
#include "tests/testutil.h"

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>
#include <string>

namespace {
std::string slurp(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}
bool driveHere()
{
    char reply[CD_REPLY_MAX];
    return cdMciSend(nullptr, "status cdaudio number of tracks wait", reply, sizeof reply) == 0;
}
}  // namespace

/* 1. No drive: 266 with an empty reply for every question the panel asks, nothing written
   into a poisoned reply beyond its terminator. */
TEST(CdMci, NoDriveAnswers)
{
    if (driveHere())
        GTEST_SKIP() << "this machine has a CD drive";
    for (const char *q : {"status cdaudio number of tracks wait", "status cdaudio mode wait",
                          "status cdaudio position wait", "status cdaudio media present",
                          "open cdaudio shareable wait", "set cdaudio time format tmsf wait"}) {
        char reply[CD_REPLY_MAX];
        memset(reply, 0x66, sizeof reply);
        unsigned long err = cdMciSend(nullptr, q, reply, sizeof reply);
        EXPECT_EQ(266u, err) << q;
        EXPECT_STREQ("", reply) << q;
    }
}

/* 2. The panel's state machine over the real layer with no drive: "No CD", all but Eject
   disabled, no track, and the database file made in the given folder. */
TEST(CdMci, PanelWithoutDrive)
{
    if (driveHere())
        GTEST_SKIP() << "this machine has a CD drive";
    CdEnv env;
    memset(&env, 0, sizeof env);
    env.dev.send = cdMciSend;
    env.ini = CdProfileIni;
    std::string dir = zt::tempDir();
    snprintf(env.ownDir, sizeof env.ownDir, "%s", dir.c_str());
    snprintf(env.platformDir, sizeof env.platformDir, "%s", dir.c_str());
    static CdState s;
    cdStart(&s, &env);
    EXPECT_STREQ("No CD", s.panel.title);
    EXPECT_FALSE(s.panel.titleEnabled);
    EXPECT_EQ(0, s.panel.tracks);
    EXPECT_FALSE(s.panel.enabled[CDB_PLAY]);
    EXPECT_TRUE(s.panel.enabled[CDB_EJECT]);
    EXPECT_STREQ("ICDInsrt", s.panel.ejectPicture);
    EXPECT_NE(std::string::npos, slurp(dir + "\\ZeloCD1.ini").find("Version=134"));
}

/* 3. Title files through the platform's profile calls, read back from the files' text:
   the database (decimal id), MUSICBOX.INI, and CDPLAYER.INI (hexadecimal id, 0-based). */
TEST(CdMci, TitleFilesOnDisk)
{
    std::string dir = zt::tempDir();
    static CdFake fake;
    const int seconds[] = {100, 100};
    cdFakeLoad(&fake, seconds, 2);
    CdEnv env;
    memset(&env, 0, sizeof env);
    env.dev = {&fake, cdFakeSend};
    env.ini = CdProfileIni;
    snprintf(env.ownDir, sizeof env.ownDir, "%s", dir.c_str());
    snprintf(env.platformDir, sizeof env.platformDir, "%s", dir.c_str());
    CdDisc d;
    ASSERT_EQ(0, cdReadDisc(&env, &d));
    uint32_t id = cdDiscId(&d);
    char db[CD_PATH_MAX];
    cdChooseDatabase(&env, db, sizeof db);
    CdTitles t;
    cdFindTitles(&env, &d, db, &t);
    cdStoreTitle(&env, &t, 2, "Track Two");
    std::string text = slurp(db);
    EXPECT_NE(std::string::npos, text.find("[" + std::to_string((long)(int32_t)id) + "]")) << text;
    EXPECT_NE(std::string::npos, text.find("Track1=*"));
    EXPECT_NE(std::string::npos, text.find("Track2=Track Two"));
    EXPECT_NE(std::string::npos, text.find("DiscTitle=03:20:00 length CD"));

    /* A CDPLAYER.INI written by hand, with a damaged section name next to the real one. */
    char hex[16];
    snprintf(hex, sizeof hex, "%X", (unsigned)id);
    std::string cdp = dir + "\\CDPLAYER.INI";
    std::ofstream(cdp) << "[G00D]\nartist=Wrong\n[" << hex << "]\nartist=Them\ntitle=Album\nnumtracks=2\n0=Intro\n";
    char db2[CD_PATH_MAX];
    snprintf(db2, sizeof db2, "%s\\ZeloCD7.ini", dir.c_str());   /* a fresh database */
    cdFindTitles(&env, &d, db2, &t);
    ASSERT_TRUE(t.cdplayer);
    char title[CD_TITLE_MAX];
    cdTitleText(&env, &t, 0, title, sizeof title);
    EXPECT_STREQ("Them - Album", title);
    cdStoreTitle(&env, &t, 2, "Outro");
    EXPECT_NE(std::string::npos, slurp(cdp).find("1=Outro"));
}
