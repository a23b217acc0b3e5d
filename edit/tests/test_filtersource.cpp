/*
 * Sources read through a file filter: a clipboard wave in a compressed format reaches the
 * document through a temporary file and the filter that reads it (and both are gone
 * afterwards), and a repeated paste from a filter reads its source from the start each time.
 * The filter is an in-process fake driven by the real filter host.
 */
#include "fixture.h"

#include "formats/tests/fakefilter.h"
#include "formats/tests/memprofile.h"

namespace {

class FilterSource : public EditTest {
protected:
    FltPlatform savedOs;
    void SetUp() override
    {
        EditTest::SetUp();
        memProfileReset();
        fake::specs().clear();
        fake::log().clear();
        savedOs = FltOs;
        FltOs.load = fake::load;
        FltOs.unload = fake::unload;
        FilterHook = FilterHooks();
        fake::FakeDef s;
        s.module = "riff.flt";
        s.rec = fake::makeRecord("Squeezed", "SQZ", FLT_CANREAD);
        s.tag = "RIFF";
        s.piece = 7;   /* odd pieces: frames arrive split across reads */
        fake::specs().push_back(s);
        fake::installTable(zt::tempDir());
    }
    void TearDown() override
    {
        filterCloseInput();
        fltTableRelease();
        FltOs = savedOs;
        EditTest::TearDown();
    }
    static int count(const std::string &what)
    {
        int n = 0;
        for (auto &l : fake::log())
            n += l.find(what) != std::string::npos;
        return n;
    }
    int tempFiles()
    {
        int n = 0;
        osListDir(dir.c_str(), "~ZEL*.TMP", EditTest::count, &n);
        return n;
    }
};

/* "RIFF", then the fake's rate, bits and channels, then the samples: a format tag that is
   not PCM at offset 20, so only a filter can read it. */
static Bytes squeezed(const Bytes &samples)
{
    Bytes b = {'R', 'I', 'F', 'F', 0x40, 0x1F, 0, 0, 16, 0, 1, 0};
    b.insert(b.end(), samples.begin(), samples.end());
    return b;
}

TEST_F(FilterSource, NonPcmClipboardWavePastesThroughTheFilter)
{
    Bytes samples = EditTest::s16({100, 7, -300, 400, 500, 600, -700, 800, 9, 10, 11, 12, 13, 14, 15, 16});
    ASSERT_NE(1, samples[8] | samples[9] << 8);
    open(1, 16, 8000, EditTest::s16({1, 2}));
    int before = tempFiles();   /* the store's own file counts on Win32 */
    putClip(squeezed(samples));
    select(1, DOC_NONE);
    EXPECT_EQ(16u, editPaste(0));
    Bytes want = EditTest::s16({1});
    want.insert(want.end(), samples.begin(), samples.end());
    Bytes two = EditTest::s16({2});
    want.insert(want.end(), two.begin(), two.end());
    EXPECT_EQ(want, all());
    EXPECT_EQ(count(":Open"), count("CloseIn")) << "every input the paste opened is closed";
    EXPECT_GE(count(":Open"), 1);
    EXPECT_EQ(before, tempFiles()) << "the temporary file of the paste is left";
}

TEST_F(FilterSource, NoFilterForTheFormatSaysSoAndChangesNothing)
{
    fake::specs()[0].tag = "NONE";
    open(1, 16, 8000, EditTest::s16({1, 2}));
    int before = tempFiles();
    putClip(squeezed(EditTest::s16({5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})));
    zt::MessageRecorder rec;
    EXPECT_EQ(0u, editPaste(0));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Error opening temporary disk file for non-PCM format", rec.messages[0].text);
    EXPECT_EQ("Paste Error", rec.messages[0].caption);
    EXPECT_EQ(EditTest::s16({1, 2}), all());
    EXPECT_EQ(before, tempFiles());
}

TEST_F(FilterSource, NoTemporaryFileSaysSo)
{
    open(1, 16, 8000, EditTest::s16({1, 2}));
    putClip(squeezed(EditTest::s16({5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})));
    zt::MessageRecorder rec;
    OsFault.failCreate = 1;
    EXPECT_EQ(0u, editPaste(0));
    osFaultReset();
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Error generating temporary disk file for non-PCM format", rec.messages[0].text);
    EXPECT_EQ(EditTest::s16({1, 2}), all());
}

TEST_F(FilterSource, RepeatedPasteReadsTheSourceFromItsStartEachTime)
{
    std::string file = zt::tempPath("src.sqz");
    Bytes samples{10, 20, 30, 40, 50};
    fake::writeFile(file, "RIFF", 8000, 8, 1, samples);
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), NULL, NULL, 0));
    open(2, 8, 8000, Bytes{});
    PasteRequest r;
    memset(&r, 0, sizeof r);
    r.rate = 8000;
    r.bits = 8;
    r.channels = 1;
    r.blockAlign = 1;
    r.bytes = (uint32_t)samples.size();
    r.waveRate = 8000;
    r.leftVolume = r.rightVolume = 1.0;
    r.repetitions = 3;
    static std::string name;
    name = file;
    r.reopen = [] { return filterOpenInput(0, name.c_str(), NULL, NULL, 0) == FILTER_OPENED ? 0 : 1; };
    EXPECT_EQ(30u, pasteCopies(&r));
    Bytes want;
    for (int k = 0; k < 3; k++)
        for (uint8_t s : samples) {
            want.push_back(s);
            want.push_back(s);
        }
    EXPECT_EQ(want, all());
    EXPECT_EQ(3, count(":Open"));
    filterCloseInput();
    osDelete(file.c_str());
}

TEST_F(FilterSource, ASourceShorterThanAnnouncedEndsTheCopyEarly)
{
    std::string file = zt::tempPath("short.sqz");
    fake::writeFile(file, "RIFF", 8000, 8, 1, Bytes{1, 2, 3});
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), NULL, NULL, 0));
    open(1, 8, 16000, Bytes{});
    PasteRequest r;
    memset(&r, 0, sizeof r);
    r.rate = 8000;
    r.bits = 8;
    r.channels = 1;
    r.blockAlign = 1;
    r.bytes = 100;   /* announced, but only three frames come */
    r.waveRate = 16000;
    r.leftVolume = r.rightVolume = 1.0;
    r.repetitions = 1;
    uint64_t n = pasteCopies(&r);
    EXPECT_EQ(6u, n);
    EXPECT_EQ(6u, Wave.dataLength);
    filterCloseInput();
    osDelete(file.c_str());
}

} // namespace
