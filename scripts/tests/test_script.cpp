/*
 * Scripts: the lines a recording writes in each mode, the collection a script is added to,
 * and a run over a document that differs from the recorded one (selections rescaled and
 * clamped, commands found by name, values read back, damaged lines), and the batch's names.
 */
#include "scripts/script.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

/* A document the engine sees through its hooks. */
struct FakeDoc {
    int loaded = 1;
    uint32_t frames = 10000, rate = 44100, start = 0, end = SCRIPT_NONE;
    std::vector<std::pair<uint32_t, uint32_t>> selections;
};
FakeDoc D;

class ScriptTest : public ::testing::Test {
public:
    std::string dir;
    void SetUp() override
    {
        dir = zt::tempDir();
        D = FakeDoc();
        memset(&ScriptHook, 0, sizeof ScriptHook);
        ScriptHook.loaded = [] { return D.loaded; };
        ScriptHook.frames = [] { return D.frames; };
        ScriptHook.rate = [] { return D.rate; };
        ScriptHook.selection = [](uint32_t *s, uint32_t *e) { *s = D.start; *e = D.end; };
        ScriptHook.select = [](uint32_t s, uint32_t e) {
            D.start = s;
            D.end = e;
            D.selections.push_back({s, e});
        };
        ScriptHook.transformName = [](int id) -> const char * { return id == 7003 ? "Amplify" : NULL; };
        ScriptHook.transformId = [](const char *name, int from) {
            return strcmp(name, "Amplify") == 0 && from < 7003 ? 7003 : 0;
        };
        Script.relative = 0;
    }
    void TearDown() override
    {
        scriptRunClose();
        memset(&ScriptHook, 0, sizeof ScriptHook);
    }
    std::string path(const char *name) { return dir + "/" + name; }
    static std::string read(const std::string &p)
    {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    static void write(const std::string &p, const std::string &text)
    {
        std::ofstream f(p, std::ios::binary);
        f << text;
    }
};

TEST_F(ScriptTest, ModeFourRecordsPositionsFromTheSelectionStart)
{
    D.start = 1000;
    D.end = 2000;
    std::string tmp = path("script.tmp");
    ASSERT_EQ(0, scriptRecordStart(tmp.c_str(), "A title that is longer than twenty-nine characters"));
    RecordCommand(2150);
    RecordInt16(70000);          /* cut to 16 bits as written */
    RecordDouble(0.5);
    D.start = 500;               /* before the base: written as 0 */
    D.end = SCRIPT_NONE;
    RecordCommand(99999);
    RecordText("two\r\nlines");
    RecordCommand(7003);
    scriptRecordStop();
    EXPECT_EQ("Title: A title that is longer than t\r\n"
              "Mode: 4\r\n"
              "\r\nSelected: 0 to 1000 scaled 1000 SR 44100\r\ncmd: Cut\r\n1: 4464\r\n2: 0.5\r\n"
              "\r\nSelected: none at 0 scaled 1000 SR 44100\r\ncmd: Command 99999\r\n1: two  lines\r\n"
              "\r\nSelected: none at 0 scaled 1000 SR 44100\r\ncmd: Amplify\r\n"
              "\r\nSelected: none at 0 scaled 1000 SR 44100\r\n"
              "End:\r\n\r\n\r\n",
              read(tmp));
}

TEST_F(ScriptTest, ModeOneHasNoScaleNorRateAndListsAreWrittenAtTheEnd)
{
    D.loaded = 0;
    std::string tmp = path("script.tmp");
    ASSERT_EQ(0, scriptRecordStart(tmp.c_str(), "Scratch"));
    RecordCommand(1050);
    D.loaded = 1;   /* New made a wave; the cue list has one cue, the play list one entry */
    ScriptHook.cueCount = [] { return 1; };
    ScriptHook.cue = [](int, uint32_t *id, uint32_t *pos, uint32_t *frame, uint32_t *len, const char **l,
                        const char **d) {
        *id = 42;
        *pos = 42;
        *frame = 300;
        *len = 20;
        *l = "Hit";
        *d = "Range";
    };
    ScriptHook.playCount = [] { return 1; };
    ScriptHook.playEntry = [](int, uint32_t *c, uint32_t *f, uint32_t *n) {
        *c = 42;
        *f = 20;
        *n = 3;
    };
    scriptRecordStop();
    std::string t = read(tmp);
    EXPECT_NE(std::string::npos, t.find("Mode: 1\r\n\r\nSelected: none at 0\r\ncmd: New\r\n"));
    EXPECT_NE(std::string::npos, t.find("Data Scaling: size 10000\r\nData: Cue List\r\n1: 1\r\n2: 42\r\n3: 42\r\n4: 300\r\n"
                                        "Data: Assoc List\r\n1: 1\r\n2: Hit\r\n3: Range\r\n4: 20\r\n"
                                        "Data: Play List\r\n1: 1\r\n2: 42\r\n3: 20\r\n4: 3\r\nEnd:"));
}

TEST_F(ScriptTest, AddCreatesTheCollectionWithDescriptionsAfterTheTitle)
{
    std::string tmp = path("script.tmp"), col = path("new collection.txt");
    ASSERT_EQ(0, scriptRecordStart(tmp.c_str(), "Louder"));
    RecordCommand(3080);
    scriptRecordStop();
    ASSERT_EQ(0, scriptAppend(col.c_str(), tmp.c_str(), "first line\r\nsecond line"));
    std::string t = read(col);
    EXPECT_EQ(0u, t.find("Collection: New Collection\r\nTitle: Louder\r\nDescription: first line\r\n"
                         "Description: second line\r\nMode: 2\r\n"));
    ASSERT_EQ(0, scriptAppend(col.c_str(), tmp.c_str(), ""));
    std::string again = read(col);
    size_t titles = 0, collections = 0;
    for (size_t at = 0; (at = again.find("Title: Louder", at)) != std::string::npos; at++)
        titles++;
    for (size_t at = 0; (at = again.find("Collection:", at)) != std::string::npos; at++)
        collections++;
    EXPECT_EQ(2u, titles);
    EXPECT_EQ(1u, collections);
}

std::string collection(const std::string &body)
{
    return "Collection: Test\r\nTitle: Other\r\nMode: 1\r\nEnd:\r\n\r\n\r\nTitle: Mine\r\n" + body;
}

TEST_F(ScriptTest, ModeFourRunRescalesToTheSelectionAtHand)
{
    write(path("c.txt"), collection("Mode: 4\r\n\r\nSelected: 0 to 999 scaled 1000 SR 44100\r\ncmd: Cut\r\n"
                                    "\r\nSelected: 100 to 199 scaled 1000 SR 44100\r\ncmd: Reverse\r\n"
                                    "\r\nSelected: none at 500 scaled 1000 SR 44100\r\ncmd: Paste\r\n"
                                    "\r\nSelected: 0 to 999 scaled 1000 SR 44100\r\nEnd:\r\n"));
    D.start = 3000;
    D.end = 5000;   /* a 2000-sample selection (end - start) */
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    ScriptStep st;
    scriptStep(&st);
    ASSERT_EQ(SCRIPT_STEP_COMMAND, st.kind);
    ASSERT_EQ(1, st.count);
    EXPECT_EQ(2150, st.ids[0]);
    EXPECT_EQ(3000u, D.start);
    EXPECT_EQ(4999u, D.end);   /* (999 + 1) * 2 - 1, offset by the start */
    scriptStep(&st);
    EXPECT_EQ(3080, st.ids[0]);
    EXPECT_EQ(3200u, D.start);
    EXPECT_EQ(3399u, D.end);
    scriptStep(&st);
    EXPECT_EQ(2100, st.ids[0]);
    EXPECT_EQ(4000u, D.start);
    EXPECT_EQ(3999u, D.end);   /* a cursor */
    scriptStep(&st);
    EXPECT_EQ(SCRIPT_STEP_END, st.kind);
}

TEST_F(ScriptTest, ScaleExamplesAndClamping)
{
    uint32_t s = 0, e = 999;
    scriptScaleRange(&s, &e, 500.0 / 1000.0);
    EXPECT_EQ(0u, s);
    EXPECT_EQ(499u, e);
    /* Mode 1 recorded at 22050 Hz, run on a 44100 Hz wave: positions double. */
    write(path("c.txt"), collection("Mode: 1\r\n\r\nSelected: none at 0\r\ncmd: Open\r\n"
                                    "\r\nSelected: 100 to 199 SR 22050\r\ncmd: Cut\r\n"
                                    "\r\nSelected: 9000 to 99999 SR 22050\r\ncmd: Cut\r\nEnd:\r\n"));
    D.loaded = 0;
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    ScriptStep st;
    scriptStep(&st);
    EXPECT_EQ(1100, st.ids[0]);
    D.loaded = 1;
    scriptStep(&st);
    EXPECT_EQ(200u, D.start);
    EXPECT_EQ(399u, D.end);
    scriptStep(&st);
    EXPECT_EQ(9999u, D.start);   /* past the end: the last sample */
    EXPECT_EQ(9999u, D.end);
}

TEST_F(ScriptTest, WrongModeUnknownNamesTransformsAndValues)
{
    write(path("c.txt"), collection("Mode: 4\r\ncmd: Cut\r\nEnd:\r\n"));
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    ScriptStep st;
    scriptStep(&st);
    EXPECT_EQ(SCRIPT_STEP_WRONGMODE, st.kind);
    EXPECT_STREQ("This script only works on a highlighted portion of a waveform", st.message);
    EXPECT_EQ(2, scriptRunOpen(path("c.txt").c_str(), "Absent"));
    EXPECT_EQ(1, scriptRunOpen(path("none.txt").c_str(), "Mine"));

    std::string longLine(5000, 'x');
    write(path("c.txt"), collection("Mode: 2\r\n\r\ncmd: Frobnicate\r\n\r\ncmd: amplify\r\n\r\ncmd: Amplify\r\n"
                                    "1: 12\r\n2: 2.5\r\n3: " + longLine + "\r\n4: 7\r\nbroken\r\n5: 8\r\n"
                                    "\r\ncmd: Command 4100\r\n1: 1e999\r\nEnd:\r\n"));
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    scriptStep(&st);
    EXPECT_EQ(SCRIPT_STEP_COMMAND, st.kind);
    EXPECT_EQ(0, st.count);   /* nothing knows it: the run waits */
    EXPECT_STREQ("Frobnicate", st.name);
    scriptStep(&st);
    EXPECT_EQ(0, st.count);   /* a transform's name is matched exactly */
    scriptStep(&st);
    ASSERT_EQ(1, st.count);
    EXPECT_EQ(7003, st.ids[0]);
    EXPECT_EQ(12, ReadInt16());
    EXPECT_DOUBLE_EQ(2.5, ReadDouble());
    char text[16];
    ReadText(text, sizeof text);
    EXPECT_EQ(std::string(15, 'x'), text);   /* a long line is cut, never overrun */
    EXPECT_EQ(7, ReadLong());
    EXPECT_EQ(SCRIPT_MISSING, ReadLong());   /* a line without a colon */
    EXPECT_EQ(SCRIPT_MISSING, ReadLong());   /* and every read after it in this step */
    scriptStep(&st);
    EXPECT_EQ(4100, st.ids[0]);
    EXPECT_EQ(SCRIPT_MISSING, ReadDouble());   /* an absurd number */
    scriptStep(&st);
    EXPECT_EQ(SCRIPT_STEP_END, st.kind);
    scriptRunClose();
    EXPECT_EQ(0, ReadLong());   /* no script runs */
}

TEST_F(ScriptTest, ListsComeBackRescaled)
{
    write(path("c.txt"), collection("Mode: 2\r\n\r\nSelected: none at 0 scaled 1000 SR 8000\r\n"
                                    "Data Scaling: size 1000\r\nData: Cue List\r\n1: 1\r\n2: 42\r\n3: 42\r\n4: 300\r\n"
                                    "Data: Assoc List\r\n1: 1\r\n2: Hit\r\n3: Range\r\n4: 20\r\n"
                                    "Data: Play List\r\n1: 1\r\n2: 42\r\n3: 20\r\n4: 3\r\nEnd:\r\n"));
    static std::vector<std::string> got;
    got.clear();
    ScriptHook.cuesClear = [] { got.push_back("clear"); };
    ScriptHook.cueAdd = [](uint32_t id, uint32_t f) { got.push_back("cue " + std::to_string(id) + " " + std::to_string(f)); };
    ScriptHook.cueText = [](int i, const char *l, const char *d, uint32_t n) {
        got.push_back("text " + std::to_string(i) + " " + l + " " + d + " " + std::to_string(n));
    };
    ScriptHook.playClear = [] { got.push_back("play clear"); };
    ScriptHook.playAdd = [](uint32_t c, uint32_t f, uint32_t n) {
        got.push_back("play " + std::to_string(c) + " " + std::to_string(f) + " " + std::to_string(n));
    };
    D.frames = 2000;
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    ScriptStep st;
    scriptStep(&st);
    EXPECT_EQ(SCRIPT_STEP_END, st.kind);
    std::vector<std::string> want = {"clear", "cue 42 600", "text 0 Hit Range 40", "play clear", "play 42 40 3"};
    EXPECT_EQ(want, got);
}

TEST_F(ScriptTest, ARateChangeDuringTheRunScalesLikeTheRecording)
{
    /* Recorded on 4000 frames at 8000 Hz; a conversion to 16000 Hz doubled the wave and the
       recorded scale; the run's wave doubles too, so later selections land alike. */
    write(path("c.txt"), collection("Mode: 2\r\n\r\nSelected: none at 0 scaled 4000 SR 8000\r\ncmd: Convert\r\n"
                                    "\r\nSelected: 100 to 1499 scaled 8000 SR 16000\r\ncmd: Trim\r\nEnd:\r\n"));
    D.frames = 4000;
    D.rate = 8000;
    ASSERT_EQ(0, scriptRunOpen(path("c.txt").c_str(), "Mine"));
    ScriptStep st;
    scriptStep(&st);
    EXPECT_EQ(120, st.ids[0]);
    D.frames = 8000;
    D.rate = 16000;
    AdjustScaleForRate(8000, 16000);
    scriptStep(&st);
    EXPECT_EQ(2210, st.ids[0]);
    EXPECT_EQ(100u, D.start);
    EXPECT_EQ(1499u, D.end);
}

TEST_F(ScriptTest, OutputNamesFromTemplates)
{
    char out[300];
    scriptOutputName("C:\\out", "D:\\in\\xy.wav", "abc?", "-", "wav", out, sizeof out);
    EXPECT_STREQ("C:\\out\\abc.wav", out);   /* the '?' falls past the end: '_', removed */
    scriptOutputName("C:\\out\\", "D:\\in\\take one.wav", "*_new", "-", "aif", out, sizeof out);
    EXPECT_STREQ("C:\\out\\take one_new.aif", out);
    scriptOutputName("C:\\out", "noext", "*", "wave", "wav", out, sizeof out);
    EXPECT_STREQ("C:\\out\\noext.wav", out);   /* the extension is cut to three characters */
    scriptOutputName("C:\\out", "ab.wav", "?X?", "*", "wav", out, sizeof out);
    EXPECT_STREQ("C:\\out\\aX.wav", out);       /* X used up position 1 */
}

}  // namespace
