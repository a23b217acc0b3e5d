/*
 * A transform run from its menu command: Cancel in the setup leaves the settings (owned
 * blocks included) as they were, OK works under one undo entry, Repeat reuses the settings
 * without the dialog (modules with their own range are asked quietly), a generator that
 * makes fewer frames than it asked for leaves no blank tail, a module reporting a range
 * that ends before it starts cannot damage the wave or its undo, and the settings survive
 * in "Profile" with commas in their texts.
 */
#include "xfmfixture.h"

#include <string.h>

namespace {

class XfmRun : public XfmTest {
public:
    int probe = -1;
    void scan(const std::vector<std::string> &stems)
    {
        std::string dir = moduleDir("run", stems);
        xfmScan(dir.c_str(), 32, NULL);
        probe = row("Probe");
    }
    static std::vector<int> ramp(int n, int step = 100)
    {
        std::vector<int> v(n);
        for (int i = 0; i < n; i++)
            v[i] = (i + 1) * step;
        return v;
    }
};

TEST_F(XfmRun, CancelRestoresTheSettingsAndTheirOwnedBlock)
{
    scan({"probe"});
    openWave(1, 16, ramp(20));
    select(2, 5);
    setEnv("TXFM_SETUP_RESULT", 0);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);   /* first use: XfmInit, then cancelled */
    ASSERT_TRUE(XfmHost.rows[probe].data != NULL);
    ProbeSettings *s = lockSettings(probe);
    HGLOBAL owned = s->owned;
    unlockSettings(probe);

    setEnv("TXFM_SETUP_CHANGE", 1);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    s = lockSettings(probe);
    EXPECT_EQ(50, s->gain);
    EXPECT_STREQ("one, two, three", s->text);
    EXPECT_EQ(7, s->small);
    ASSERT_TRUE(s->owned != NULL);
    const char *block = (const char *)GlobalLock(s->owned);
    ASSERT_TRUE(block != NULL);
    EXPECT_EQ(std::string(16, 'i'), std::string(block, 16)) << "the owned block's contents came back";
    GlobalUnlock(s->owned);
    (void)owned;
    unlockSettings(probe);
    EXPECT_EQ(0, envLong("TXFM_DOS"));
    EXPECT_EQ(ramp(20), samples16());
    EXPECT_EQ(0, Doc.modified);
    EXPECT_EQ(0, XfmHost.backup != NULL) << "no backup left";
}

TEST_F(XfmRun, OkWorksUnderOneUndoEntryAndRepeatSkipsTheDialog)
{
    scan({"probe", "ranger"});
    openWave(1, 16, ramp(20));
    select(2, 5);
    setEnv("TXFM_SETUP_CHANGE", 1);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    std::vector<int> want = ramp(20);
    for (int i = 2; i <= 5; i++)
        want[i] /= 2;
    EXPECT_EQ(want, samples16());
    EXPECT_STREQ("Undo Probe", Doc.undoText);
    EXPECT_EQ(IDM_XFM_FIRST + probe, Doc.undoKind);
    EXPECT_EQ(1, Doc.modified);
    EXPECT_EQ(2u, Doc.selStart);
    EXPECT_EQ(5u, Doc.selEnd);
    ProbeSettings *s = lockSettings(probe);
    EXPECT_EQ(999, s->gain) << "confirmed settings stay for the next use";
    unlockSettings(probe);

    RunTransformCommand(IDM_XFM_FIRST + probe, 1);
    EXPECT_EQ(1, envLong("TXFM_SETUPS")) << "no dialog on repeat";
    for (int i = 2; i <= 5; i++)
        want[i] /= 2;
    EXPECT_EQ(want, samples16());
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(ramp(20), samples16());

    int ranger = row("Ranger");
    setEnv("TXFM_CHANGED_START", 2);
    setEnv("TXFM_CHANGED_END", 5);
    RunTransformCommand(IDM_XFM_FIRST + ranger, 1);
    EXPECT_EQ(2, envLong("TXFM_SETUPS")) << "a module with its own range is asked again";
    EXPECT_EQ(1, envLong("TXFM_QUIETS")) << "quietly";
    EXPECT_EQ(0u, XfmHost.rows[ranger].info.flags & XFM_QUIET) << "only for the call";
}

TEST_F(XfmRun, GeneratorMakingFewerFramesThanAskedLeavesNoBlankTail)
{
    scan({"noise"});
    int noise = row("Noise");
    openWave(1, 16, ramp(50, 10));
    select(10, 19);
    setEnv("TXFM_REQUEST", 1);
    setEnv("TXFM_FRAMES", 100);
    setEnv("TXFM_GENERATE_FRAMES", 60);
    setEnv("TXFM_FILL", 1000);
    RunTransformCommand(IDM_XFM_FIRST + noise, 0);
    std::vector<int> s = samples16();
    ASSERT_EQ(100u, s.size()) << "50 - 10 selected + 60 generated";
    std::vector<int> want = ramp(50, 10);
    want.erase(want.begin() + 10, want.begin() + 20);
    want.insert(want.begin() + 10, 60, 1000);
    EXPECT_EQ(want, s);
    EXPECT_EQ(10u, Doc.selStart);
    EXPECT_EQ(69u, Doc.selEnd);
    EXPECT_STREQ("Undo Generate Noise", Doc.undoText);
    EXPECT_LE(Doc.viewEnd, 99u);
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(ramp(50, 10), samples16());
}

TEST_F(XfmRun, GeneratorWithoutSelectionInsertsAtTheCaretAndShrinksToWhatItMade)
{
    scan({"noise"});
    int noise = row("Noise");
    openWave(1, 16, ramp(8));
    Doc.selStart = 3;
    Doc.selEnd = DOC_NONE;
    setEnv("TXFM_REQUEST", 1);
    setEnv("TXFM_FRAMES", 5);
    setEnv("TXFM_GENERATE_FRAMES", 0);
    RunTransformCommand(IDM_XFM_FIRST + noise, 0);
    EXPECT_EQ(ramp(8), samples16()) << "nothing made, nothing left behind";
}

TEST_F(XfmRun, AModuleReportingAnEndBeforeItsStartCannotDamageTheWaveOrUndo)
{
    scan({"probe"});
    openWave(1, 16, ramp(40));
    select(5, 14);
    setEnv("TXFM_BAD_RANGE", 1);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    std::vector<int> want = ramp(40);
    for (int i = 5; i <= 14; i++)
        want[i] /= 2;
    EXPECT_EQ(want, samples16());
    EXPECT_EQ(40u, docFrames());
    EXPECT_TRUE(Doc.selEnd == DOC_NONE || (Doc.selStart <= Doc.selEnd && Doc.selEnd < 40u));
    ASSERT_GE(UndoStack.top, 0);
    EXPECT_EQ(5u, UndoStack.entry[UndoStack.top].start);
    EXPECT_EQ(14u, UndoStack.entry[UndoStack.top].end);
    EXPECT_EQ(0, undoPerform());
    EXPECT_EQ(ramp(40), samples16());
}

TEST_F(XfmRun, EightBitMaterialReachesA16BitModuleAndComesBackNarrowed)
{
    scan({"probe"});
    openWave(1, 8, {0, 250, 128, 64});
    select(0, 3);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    std::vector<uint8_t> b(4);
    vocRead(b.data(), 0, 4);
    EXPECT_EQ((std::vector<uint8_t>{64, 189, 128, 96}), b);
}

TEST_F(XfmRun, TextWithCommasSurvivesProfileAndTheNextStart)
{
    scan({"probe"});
    openWave(1, 16, ramp(4));
    select(0, 1);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    ProbeSettings *s = lockSettings(probe);
    strcpy(s->text, "a,b,,c");
    s->gain = -12;
    s->small = 300;
    unlockSettings(probe);
    SaveAllTransformSettings();
    EXPECT_EQ(NULL, XfmHost.rows[probe].data);
    char raw[300];
    profileGetString("Profile", "Probe", "", raw, sizeof raw);
    EXPECT_EQ(std::string("-12,a\x8C" "b\x8C\x8C" "c,300"), raw) << "G without a graph and H store nothing";

    /* The next start: the defaults, then what "Profile" holds. */
    std::string dir = XfmHost.dir;
    xfmShutdown();
    xfmScan(dir.c_str(), 32, NULL);
    probe = row("Probe");
    setEnv("TXFM_SETUP_RESULT", 2);
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    s = lockSettings(probe);
    EXPECT_STREQ("a,b,,c", s->text);
    EXPECT_EQ(-12, s->gain);
    EXPECT_EQ(300, s->small);
    EXPECT_TRUE(s->owned != NULL) << "XfmInit's block";
    unlockSettings(probe);
}

TEST_F(XfmRun, ALongProfileValueIsBoundedAndKeepsEveryNumber)
{
    TransformEntry e;
    memset(&e, 0, sizeof e);
    strcpy(e.info.layout, "SSSSL");
    e.info.dataSize = 4 * 256 + 4;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, e.info.dataSize);
    char *p = (char *)GlobalLock(h);
    for (int i = 0; i < 4; i++)
        memset(p + 256 * i, 'a' + i, 255);
    long v = 123456;
    memcpy(p + 1024, &v, 4);
    GlobalUnlock(h);
    char text[4096];
    xfmFormatSettings(&e, h, text, sizeof text);
    EXPECT_LE(strlen(text), (size_t)XFM_PROFILE_MAX);
    HGLOBAL back = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, e.info.dataSize);
    xfmParseSettings(&e, back, text);
    p = (char *)GlobalLock(back);
    memcpy(&v, p + 1024, 4);
    EXPECT_EQ(123456, v);
    EXPECT_EQ(std::string(255, 'a'), std::string(p)) << "the first texts are whole";
    GlobalUnlock(back);
    GlobalFree(back);
    GlobalFree(h);
}

TEST_F(XfmRun, ModuleThatWillNotLoadIsReportedAndNothingChanges)
{
    scan({"probe"});
    openWave(1, 16, ramp(4));
    std::string path = std::string(XfmHost.dir) + "\\probe.xfm";
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    zt::MessageRecorder rec;
    RunTransformCommand(IDM_XFM_FIRST + probe, 0);
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Error", rec.messages[0].caption);
    EXPECT_NE(std::string::npos, rec.messages[0].text.find(" Loading Library \"probe.xfm\"\n"));
    EXPECT_EQ(ramp(4), samples16());
}

}  // namespace
