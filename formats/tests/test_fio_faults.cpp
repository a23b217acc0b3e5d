/*
 * test_fio_faults.cpp - the open and save flows where they used to lose or misreport data:
 * a filter failing at its close, read-only targets, folders that cannot be written, a
 * conversion nobody can do, files read in a narrower form, a store that cannot be made or
 * is too small, the reading label, the save journal and cue bytes outliving their document.
 */
#include "fixture.h"

#include <deque>
#include <string.h>

namespace {

/* Answers message boxes from a script (the last answer repeats) and keeps what they said. */
struct Script {
    std::deque<int> answers;
    std::vector<zt::Message> seen;
    static Script *&self() { static Script *p; return p; }
    OsMessageFn old;
    explicit Script(std::deque<int> a) : answers(a) { self() = this; old = osSetMessageHook(hook); }
    ~Script() { osSetMessageHook(old); self() = nullptr; }
    static int hook(const char *text, const char *caption, unsigned style)
    {
        Script *s = self();
        s->seen.push_back({text, caption, style});
        int a = s->answers.empty() ? OS_IDOK : s->answers.front();
        if (s->answers.size() > 1)
            s->answers.pop_front();
        return a;
    }
    bool said(const std::string &part) const
    {
        for (auto &m : seen)
            if (m.text.find(part) != std::string::npos)
                return true;
        return false;
    }
};

} // namespace

class FaultTest : public FormatsTest {
protected:
    std::string file;
    std::vector<uint8_t> data;
    static std::string otherName;
    static int asks;
    static std::set<std::string> &readOnlyNames() { static std::set<std::string> s; return s; }
    static std::vector<std::string> &savedNames() { static std::vector<std::string> v; return v; }
    static std::vector<std::string> &notes() { static std::vector<std::string> v; return v; }

    static int askName(char *name, size_t n, int, int *type, uint32_t *)
    {
        asks++;
        snprintf(name, n, "%s", otherName.c_str());
        *type = 0;
        return 0;
    }
    static int readOnly(const char *name) { return readOnlyNames().count(name) ? 1 : 0; }
    static void saved(const char *name) { savedNames().push_back(name); }
    static void progressOpen(const char *, const char *note) { notes().push_back(note); }

    void SetUp() override
    {
        FormatsTest::SetUp();
        static int n;
        ++n;
        file = zt::tempPath("flt" + std::to_string(n) + ".snd");
        otherName = zt::tempPath("other" + std::to_string(n) + ".snd");
        osDelete(file.c_str());
        osDelete(otherName.c_str());
        asks = 0;
        readOnlyNames().clear();
        savedNames().clear();
        notes().clear();
        FioHook.askSaveName = askName;
        FioHook.readOnly = readOnly;
        FioHook.saved = saved;
        FioHook.progressOpen = progressOpen;
        Fio.reducedName[0] = 0;
        Fio.storeLimit = 0;
        data = ramp(8000);
    }
    void TearDown() override
    {
        Fio.storeLimit = 0;
        Fio.reducedName[0] = 0;
        FormatsTest::TearDown();
    }
    void install() { fake::installTable(zt::tempDir()); }
    int save(const std::string &target, int askName = 0)
    {
        char name[FLT_PATH_MAX];
        snprintf(name, sizeof name, "%s", target.c_str());
        return fioSave(name, askName, 0, nullptr);
    }
    static int leftovers()
    {
        int n = 0;
        osListDir(zt::tempDir().c_str(), "~zs*", [](const char *, uint32_t, void *c) {
            ++*(int *)c;
            return 1;
        }, &n);
        return n;
    }
    static std::string journal()
    {
        std::vector<uint8_t> v = fake::readFile(zt::tempPath("savejnl.txt"));
        return std::string(v.begin(), v.end());
    }
};
std::string FaultTest::otherName;
int FaultTest::asks;

/* 1. Item 6: a filter that fails while finishing the file. */
TEST_F(FaultTest, AFailedCloseKeepsTheOriginalAndTellsOnce)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    w.close2 = true;
    w.closeFails = true;
    install();
    Fio.saveType = 0;
    makeWave(22050, 16, 2, data);
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    std::vector<uint8_t> before = fake::readFile(file);
    zt::MessageRecorder rec;
    EXPECT_EQ(1, save(file));
    EXPECT_EQ(before, fake::readFile(file));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Out of Space", rec.messages[0].caption);
    EXPECT_NE(std::string::npos, rec.messages[0].text.find(file));
    EXPECT_TRUE(savedNames().empty());   /* the document stays modified */
    EXPECT_EQ(0, leftovers());
    EXPECT_EQ(1u, logOf("CloseOut2").size());
    EXPECT_EQ(0, std::count(fake::log().begin(), fake::log().end(), "w.flt:CloseOut"));   /* not both closes */
}

TEST_F(FaultTest, AFilterThatFinishesWellStillSaves)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    w.close2 = true;
    install();
    Fio.saveType = 0;
    makeWave(22050, 16, 2, data);
    zt::MessageRecorder rec;
    EXPECT_EQ(0, save(file));
    EXPECT_EQ(data.size() + 12, fake::readFile(file).size());
    EXPECT_TRUE(rec.messages.empty());
}

/* 2. Item 7: a read-only target. */
TEST_F(FaultTest, AReadOnlyFileIsRefusedAndSaveAsIsOffered)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    Fio.saveType = 0;
    makeWave(22050, 16, 2, data);
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    std::vector<uint8_t> before = fake::readFile(file);
    readOnlyNames().insert(file);
    {
        Script no({OS_IDNO});
        EXPECT_EQ(1, save(file));
        ASSERT_EQ(1u, no.seen.size());
        EXPECT_EQ("\"" + file + "\" is read-only and was not changed.  Would you like to save the waveform under "
                  "another name?",
                  no.seen[0].text);
        EXPECT_EQ(OS_MB_YESNO, no.seen[0].style & 0xF);
    }
    EXPECT_EQ(before, fake::readFile(file));
    EXPECT_EQ(0, asks);
    Script yes({OS_IDYES});
    EXPECT_EQ(0, save(file));
    EXPECT_EQ(1, asks);
    EXPECT_EQ(before, fake::readFile(file));
    EXPECT_EQ(data.size() + 12, fake::readFile(otherName).size());
    EXPECT_EQ((std::vector<std::string>{otherName}), savedNames());
}

TEST_F(FaultTest, SaveAsOntoAReadOnlyFileRefusesBeforeAskingToOverwrite)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    makeWave(22050, 16, 2, data);
    fake::writeFile(otherName, "OLD!", 1, 8, 1, {1, 2, 3});
    readOnlyNames().insert(otherName);
    Script no({OS_IDNO});
    EXPECT_EQ(1, save("", 1));
    ASSERT_EQ(1u, no.seen.size());
    EXPECT_TRUE(no.said("is read-only and was not changed"));
    EXPECT_EQ(15u, fake::readFile(otherName).size());
}

/* 3. Items 15 and 14: a file that cannot be created; a conversion that cannot be done. */
TEST_F(FaultTest, AFileThatCannotBeCreatedIsToldAndNoFormatQuestionIsAsked)
{
    fake::FakeDef &w = addFake("w.flt", "Windows PCM", "WAV", FLT_CANWRITE, "WWWW");
    w.suggest = true;   /* suggests the type it has: nothing to convert */
    install();
    Fio.saveType = 0;
    makeWave(44100, 16, 2, data);
    std::string missing = zt::tempPath("no-such-folder") + (OS_PATHSEP == '\\' ? "\\x.wav" : "/x.wav");
    {
        zt::MessageRecorder rec(OS_IDYES);
        EXPECT_EQ(1, save(missing));
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("\"" + missing + "\" could not be created: its folder does not exist.  Nothing was saved.",
                  rec.messages[0].text);
    }
    {
        zt::MessageRecorder rec(OS_IDYES);
        OsFault.failCreate = 2;   /* the save journal's rewrite, then the file */
        EXPECT_EQ(1, save(file));
        osFaultReset();
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_NE(std::string::npos, rec.messages[0].text.find("\"" + file + "\" could not be created: the folder "
                                                                "cannot be written to"));
        EXPECT_EQ(std::string::npos, rec.messages[0].text.find("sample type"));
    }
    EXPECT_TRUE(savedNames().empty());
    EXPECT_TRUE(logOf("Suggest2").empty());
    EXPECT_FALSE(osFileExists(file.c_str()));
}

TEST_F(FaultTest, AFilterRefusingWithoutAnotherTypeIsNotAFormatQuestion)
{
    fake::FakeDef &w = addFake("w.flt", "Odd", "ODD", FLT_CANWRITE, "WWWW");
    w.acceptRate = 1;    /* refuses everything */
    w.suggest = true;    /* and suggests keeping the type */
    install();
    Fio.saveType = 0;
    makeWave(44100, 16, 2, data);
    zt::MessageRecorder rec(OS_IDYES);
    EXPECT_EQ(1, save(file));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("\"" + file + "\" could not be written by the Odd filter.  Nothing was saved.", rec.messages[0].text);
    EXPECT_EQ(0, leftovers());
}

TEST_F(FaultTest, WithoutAConversionTheUserIsToldTheFormatCannotBeSaved)
{
    fake::FakeDef &w = addFake("w.flt", "Tiny", "TNY", FLT_CANWRITE, "WWWW");
    w.acceptBits = 8;
    w.suggest = true;
    w.sugBits = 8;
    install();
    Fio.saveType = 0;
    makeWave(22050, 16, 2, data);
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    std::vector<uint8_t> before = fake::readFile(file);
    zt::MessageRecorder rec(OS_IDYES);
    EXPECT_EQ(1, save(file));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Cannot save in current format", rec.messages[0].caption);
    EXPECT_EQ("Tiny can not hold 22050 Hz 16-bit stereo samples; it needs 22050 Hz 8-bit stereo, and this version "
              "of Zelo Edit cannot convert the sample type while saving.  Nothing was saved: use Save As to choose "
              "another file type.",
              rec.messages[0].text);
    EXPECT_EQ(before, fake::readFile(file));
    EXPECT_EQ(0, leftovers());
}

/* 4. Item 16: a file read in a narrower form. */
TEST_F(FaultTest, AReducedReadIsToldOnceAndSaveOverItAsks)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANREAD | FLT_CANWRITE, "WWWW");
    w.storedBits = 24;
    w.storedChannels = 4;
    install();
    fake::writeFile(file, "WWWW", 44100, 16, 2, data);
    std::vector<uint8_t> before = fake::readFile(file);
    {
        zt::MessageRecorder rec;
        ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
        ASSERT_EQ(1u, rec.messages.size());
        EXPECT_EQ("\"" + file + "\" holds 24-bit 4-channel samples and was read as 16-bit stereo.  Saving it "
                  "keeps only what was read.",
                  rec.messages[0].text);
    }
    {
        Script cancel({OS_IDCANCEL});
        EXPECT_EQ(1, save(file));
        ASSERT_EQ(1u, cancel.seen.size());
        EXPECT_EQ("Please Confirm", cancel.seen[0].caption);
        EXPECT_EQ(OS_MB_YESNOCANCEL, cancel.seen[0].style & 0xF);
        EXPECT_TRUE(cancel.said("holds 24-bit 4-channel samples but was read as 16-bit stereo"));
    }
    EXPECT_EQ(before, fake::readFile(file));
    {
        Script yes({OS_IDYES});
        EXPECT_EQ(0, save(file));
        EXPECT_EQ(1, asks);
        EXPECT_EQ(before, fake::readFile(file));
        EXPECT_TRUE(osFileExists(otherName.c_str()));
    }
    {
        Script no({OS_IDNO});
        EXPECT_EQ(0, save(file));
        EXPECT_EQ(1u, no.seen.size());
        EXPECT_EQ(before, fake::readFile(file));   /* same bytes: the fake stores what was read */
    }
    zt::MessageRecorder later;
    EXPECT_EQ(0, save(file));
    EXPECT_TRUE(later.messages.empty());   /* the file now holds what was read */
}

TEST_F(FaultTest, AFullReadSaysNothing)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANREAD | FLT_CANWRITE, "WWWW");
    w.storedBits = 16;
    w.storedChannels = 2;
    install();
    fake::writeFile(file, "WWWW", 44100, 16, 2, data);
    zt::MessageRecorder rec;
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(0, save(file));
    EXPECT_TRUE(rec.messages.empty());
}

/* 5. Items 10, 19, 28: the open flow. */
static int failingStore(const FioFormat *) { return 1; }

TEST_F(FaultTest, AStoreThatCannotBeMadeIsToldAsSuch)
{
    addFake("w.flt", "W", "WWW", FLT_CANREAD, "WWWW");
    install();
    fake::writeFile(file, "WWWW", 44100, 16, 2, data);
    FioHook.newStore = failingStore;
    zt::MessageRecorder rec;
    EXPECT_EQ(1, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(FIO_OPEN_NOSTORE, Fio.openFailure);
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("\"" + file + "\" was not opened: the temporary file for its samples could not be set up (the "
              "temporary drive may be full or write-protected).",
              rec.messages[0].text);
    EXPECT_EQ(-1, FilterIn.index);   /* the input is closed again */
}

TEST_F(FaultTest, AFileLongerThanTheStoreSaysHowMuchWasRead)
{
    addFake("w.flt", "W", "WWW", FLT_CANREAD, "WWWW");
    install();
    fake::writeFile(file, "WWWW", 1000, 16, 2, data);   /* 2000 frames, 2 s */
    Fio.storeLimit = 4002;                              /* 1000 frames and a half */
    zt::MessageRecorder rec;
    EXPECT_EQ(1, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(FIO_OPEN_PARTIAL, Fio.openFailure);
    EXPECT_EQ(4000u, Wave.dataLength);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 4000), storeBytes());
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("\"" + file + "\" is longer than Zelo Edit can hold (0:02.000).  Only the first 0:01.000 (1000 of "
              "2000 sample frames) was read; the rest of the file was left out, and the file itself is unchanged.",
              rec.messages[0].text);
    EXPECT_EQ("Attention", rec.messages[0].caption);
}

TEST_F(FaultTest, ReadingShowsAReadingLabel)
{
    addFake("w.flt", "W", "WWW", FLT_CANREAD | FLT_CANWRITE, "WWWW");
    install();
    fake::writeFile(file, "WWWW", 44100, 16, 2, data);
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    ASSERT_EQ(1u, notes().size());
    EXPECT_EQ("Reading " + file.substr(file.find_last_of("/\\") + 1), notes()[0]);
    EXPECT_EQ(0, save(file));
    ASSERT_EQ(2u, notes().size());
    EXPECT_EQ("Working on it", notes()[1]);   /* the filter's own note belongs to saving */
}

/* 6. Item 8: the save journal. */
static std::string seenJournal;
static int journalSpy(uint32_t, uint32_t)
{
    std::vector<uint8_t> v = fake::readFile(zt::tempPath("savejnl.txt"));
    seenJournal.assign(v.begin(), v.end());
    return 0;
}
TEST_F(FaultTest, ARunningSaveIsInTheJournalAndLeavesItAfterwards)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    Fio.saveType = 0;
    makeWave(22050, 16, 2, data);
    seenJournal.clear();
    FioHook.progressStep = journalSpy;
    ASSERT_EQ(0, save(file));
    EXPECT_NE(std::string::npos, seenJournal.find(std::to_string(osProcessId()) + " "));
    EXPECT_NE(std::string::npos, seenJournal.find("~zs"));
    EXPECT_FALSE(osFileExists(zt::tempPath("savejnl.txt").c_str()));
}

TEST_F(FaultTest, StaleSaveFilesOfCopiesThatNoLongerRunAreRemoved)
{
    std::string stale = zt::tempPath("~zs1234.wav"), live = zt::tempPath("~zs5678.wav");
    fake::writeFile(stale, "WWWW", 1, 8, 1, {1});
    fake::writeFile(live, "WWWW", 1, 8, 1, {1});
    std::string text = "999991 " + stale + "\n999992 " + live + "\n999993 " + zt::tempPath("~zsgone.wav") + "\n";
    OsFile f = osCreate(zt::tempPath("savejnl.txt").c_str());
    osWrite(f, text.data(), (unsigned long)text.size());
    osClose(f);
    FioHook.processRunning = [](uint32_t pid) { return pid == 999992 ? 1 : 0; };
    EXPECT_EQ(1, fioCleanStaleSaves());
    EXPECT_FALSE(osFileExists(stale.c_str()));
    EXPECT_TRUE(osFileExists(live.c_str()));
    EXPECT_EQ("999992 " + live + "\n", journal());
    /* A file still held open is spared even when its writer is not known to run. */
    FioHook.processRunning = nullptr;
    OsFile held = osOpen(live.c_str(), OS_READ);
    EXPECT_EQ(0, fioCleanStaleSaves());
    EXPECT_TRUE(osFileExists(live.c_str()));
    osClose(held);
    EXPECT_EQ(1, fioCleanStaleSaves());
    EXPECT_FALSE(osFileExists(live.c_str()));
    EXPECT_FALSE(osFileExists(zt::tempPath("savejnl.txt").c_str()));
}

/* 7. Item 5: cue and play-list bytes belong to their document. */
TEST_F(FaultTest, CuesOfAClosedDocumentAreNotWrittenByTheNextSave)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANREAD | FLT_CANWRITE | FLT_SPECIAL_READ_POST |
                                                        FLT_SPECIAL_WRITE_POST, "WWWW");
    std::vector<uint8_t> cue(24, 1), play(12, 2);
    w.items = {{FLT_CUEPOINTS, cue}, {FLT_PLAYLIST, play}};
    w.writes = {FLT_CUEPOINTS, FLT_PLAYLIST};
    install();
    fake::writeFile(file, "WWWW", 44100, 16, 2, data);
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(24u, FilterExtra.size[0]);
    fioDocumentGone();
    bclose();
    makeWave(44100, 16, 2, data);
    ASSERT_EQ(0, save(otherName));
    EXPECT_TRUE(logOf("WriteSpecial").empty());
}
