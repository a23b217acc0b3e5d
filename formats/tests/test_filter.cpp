/*
 * test_filter.cpp - the filter host: which filter probing and opening choose, the special
 * items in both directions, raw parameters for a filter that cannot tell the sample type,
 * and the options remembered per filter.
 */
#include "fixture.h"

#include <string.h>

namespace {
std::vector<uint8_t> text(const char *s)
{
    return std::vector<uint8_t>((const uint8_t *)s, (const uint8_t *)s + strlen(s) + 1);
}
} // namespace

class HostTest : public FormatsTest {
protected:
    std::string file;
    void SetUp() override
    {
        FormatsTest::SetUp();
        file = zt::tempPath("host.snd");
    }
    void install() { fake::installTable(zt::tempDir()); }
};

/* 1. Choosing the filter */
TEST_F(HostTest, AFilterWithoutFileSizeIsNeverChosen)
{
    fake::FakeDef &a = addFake("nosize.flt", "No Size", "NOS", FLT_CANREAD, "SAME");
    a.missing.insert("FilterGetFileSize");
    addFake("good.flt", "Good", "GOD", FLT_CANREAD, "SAME");
    install();
    fake::writeFile(file, "SAME", 8000, 8, 1, ramp(100));
    FltProbe p;
    memset(&p, 0x66, sizeof p);
    EXPECT_EQ(1, filterProbe(file.c_str(), 0, &p));
    EXPECT_STREQ("Good", p.formatName);
    EXPECT_EQ(100u, p.bytes);
    EXPECT_TRUE(logOf("nosize.flt:Open").empty());
    fake::log().clear();
    FltRaw def = {22050, 16, 2, 0, 0, 0};
    EXPECT_EQ(FILTER_NOTMINE, filterOpenInput(0, file.c_str(), nullptr, &def, 0));
    EXPECT_EQ(FILTER_OPENED, filterOpenInput(1, file.c_str(), nullptr, &def, 0));
}

TEST_F(HostTest, ProbeTriesTheChosenFilterThenTheTableFromItsStart)
{
    addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    addFake("b.flt", "B", "BBB", FLT_CANREAD, "BBBB");
    addFake("c.flt", "C", "CCC", FLT_CANREAD, "CCCC");
    addFake("d.flt", "D", "DDD", FLT_CANWRITE, "CCCC");   /* cannot read: never asked */
    install();
    fake::writeFile(file, "CCCC", 8000, 8, 1, ramp(10));
    FltProbe p;
    EXPECT_EQ(2, filterProbe(file.c_str(), 1, &p));
    EXPECT_EQ((std::vector<std::string>{"b.flt:Understands", "a.flt:Understands", "c.flt:Understands"}),
              logOf("Understands"));
    /* The probe opens without a module instance and closes again. */
    EXPECT_EQ((std::vector<std::string>{"c.flt:Open2"}), logOf("Open"));
    EXPECT_EQ(1u, logOf("CloseIn").size());
    EXPECT_EQ(0, fake::loads() - 3);
}

TEST_F(HostTest, NothingPassingGivesUnknownWithZeros)
{
    addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    install();
    fake::writeFile(file, "ZZZZ", 8000, 8, 1, ramp(10));
    FltProbe p;
    memset(&p, 0x66, sizeof p);
    EXPECT_EQ(-1, filterProbe(file.c_str(), -1, &p));
    EXPECT_STREQ("Unknown", p.formatName);
    EXPECT_EQ(0u, p.rate);
    EXPECT_EQ(0u, p.bits);
    EXPECT_EQ(0u, p.channels);
    EXPECT_EQ(0u, p.bytes);
}

TEST_F(HostTest, UncertainFormatsNeedAnOptionsText)
{
    fake::FakeDef &a = addFake("a.flt", "Maybe", "MAY", FLT_CANREAD | FLT_UNCERTAIN, "AAAA");
    install();
    fake::writeFile(file, "AAAA", 8000, 8, 1, ramp(10));
    FltProbe p;
    filterProbe(file.c_str(), -1, &p);
    EXPECT_EQ(1, p.uncertain);
    fake::specs()[0].optionsText = "Maybe, ADPCM 4:1";
    (void)a;
    filterProbe(file.c_str(), -1, &p);
    EXPECT_EQ(0, p.uncertain);
    EXPECT_STREQ("Maybe, ADPCM 4:1", p.optionsText);
}

/* 2. Special items */
TEST_F(HostTest, SpecialItemsAreReadInCodeOrderWithEveryDisplayItem)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANREAD | FLT_SPECIAL_READ_PRE, "AAAA");
    a.items = {{28, text("The Name")},       {21, text("odd")},  {34, {1, 0, 0, 0, 'x', 0}},
               {34, {2, 0, 0, 0, 'y', 0}}, {40, {9, 9, 9, 9}}, {44, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}};
    install();
    fake::writeFile(file, "AAAA", 8000, 8, 1, ramp(10));
    FltRaw def = {8000, 8, 1, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    filterReadSpecials();
    std::vector<std::string> asked = logOf("CanRead");
    ASSERT_GE(asked.size(), 14u + 3 + 5);
    for (int c = 20; c <= 33; c++)
        EXPECT_EQ("a.flt:CanRead " + std::to_string(c), asked[c - 20]);
    EXPECT_EQ("a.flt:CanRead 40", asked[asked.size() - 5]);
    EXPECT_EQ("a.flt:CanRead 44", asked.back());
    ASSERT_EQ(4, InfoList.count);
    EXPECT_STREQ("ICMT", InfoList.item[0].id);
    EXPECT_EQ(4u, InfoList.item[0].length);
    EXPECT_STREQ("INAM", InfoList.item[1].id);
    EXPECT_STREQ("DISP", InfoList.item[2].id);
    EXPECT_EQ(1, InfoList.item[2].data[0]);
    EXPECT_EQ(2, InfoList.item[3].data[0]);
    EXPECT_EQ(4u, FilterExtra.size[0]);
    EXPECT_EQ(12u, FilterExtra.size[4]);
    EXPECT_EQ(0u, FilterExtra.size[1]);
}

static int readsTotal;
static uint32_t ZELOAPI endlessCanRead(FltHandle, int code) { return code == FLT_DISP ? 6 : 0; }
static uint32_t ZELOAPI endlessRead(FltHandle, int, void *b, uint32_t n)
{
    readsTotal++;
    memset(b, 'd', n);
    return 1;
}

TEST_F(HostTest, AFilterThatNeverEndsItsDisplayItemsDoesNotHang)
{
    addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    install();
    fake::writeFile(file, "AAAA", 8000, 8, 1, ramp(10));
    FltRaw def = {8000, 8, 1, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    FilterIn.mod.FilterCanReadSpecial = endlessCanRead;
    FilterIn.mod.FilterReadSpecial = endlessRead;
    readsTotal = 0;
    filterReadSpecials();
    EXPECT_EQ(INFO_MAXITEMS, InfoList.count);
    EXPECT_LE(readsTotal, 4 * INFO_MAXITEMS);
}

class WriteSpecialsTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANWRITE | FLT_SPECIAL_WRITE_PRE, "WWWW");
        w.writes = {21, 28, 34, 40, 41, 42, 43, 44};
        install();
        makeWave(8000, 8, 1, ramp(50));
        static const uint8_t cue[24] = {1};
        static const uint8_t len[20] = {1};
        static const uint8_t lab[6] = {1, 0, 0, 0, 'L', 0};
        static const uint8_t not_[6] = {1, 0, 0, 0, 'N', 0};
        static const uint8_t play[12] = {1};
        const uint8_t *blobs[5] = {cue, len, not_, lab, play};
        const uint32_t sizes[5] = {24, 20, 6, 6, 12};
        for (int i = 0; i < 5; i++) {
            FilterExtra.data[i] = (uint8_t *)osAlloc(sizes[i]);
            memcpy(FilterExtra.data[i], blobs[i], sizes[i]);
            FilterExtra.size[i] = sizes[i];
        }
        infoAddText("ICMT", "c1");
        infoAddText("INAM", "name");
        infoAddText("ICMT", "c2");
        infoAddText("IART", "artist");   /* the filter does not store IART */
        infoAddText("ICMT", "c3");
    }
    std::vector<std::string> specialsWritten() { return logOf("WriteSpecial"); }
};

TEST_F(WriteSpecialsTest, CommentsGoBeforeTheNameBecauseCodesAscend)
{
    ASSERT_EQ(0, filterOpenOutput(0, zt::tempPath("w.out").c_str(), 8000, 8, 1, 50, 1));
    filterWriteSpecials(1);
    filterCloseOutput();
    EXPECT_EQ((std::vector<std::string>{"w.flt:WriteSpecial 21 c1", "w.flt:WriteSpecial 21 c2",
                                        "w.flt:WriteSpecial 21 c3", "w.flt:WriteSpecial 28 name",
                                        "w.flt:WriteSpecial 40", "w.flt:WriteSpecial 41", "w.flt:WriteSpecial 43",
                                        "w.flt:WriteSpecial 42", "w.flt:WriteSpecial 44"}),
              specialsWritten());
}

TEST_F(WriteSpecialsTest, ASelectionGetsInfoItemsAndThePlayListButNoCues)
{
    ASSERT_EQ(0, filterOpenOutput(0, zt::tempPath("w.out").c_str(), 8000, 8, 1, 10, 1));
    filterWriteSpecials(0);
    filterCloseOutput();
    EXPECT_EQ((std::vector<std::string>{"w.flt:WriteSpecial 21 c1", "w.flt:WriteSpecial 21 c2",
                                        "w.flt:WriteSpecial 21 c3", "w.flt:WriteSpecial 28 name",
                                        "w.flt:WriteSpecial 44"}),
              specialsWritten());
}

TEST_F(WriteSpecialsTest, AWaveWithoutCuesOffersNoCueTexts)
{
    osFree(FilterExtra.data[0]);
    FilterExtra.data[0] = nullptr;
    FilterExtra.size[0] = 0;
    ASSERT_EQ(0, filterOpenOutput(0, zt::tempPath("w.out").c_str(), 8000, 8, 1, 50, 1));
    filterWriteSpecials(1);
    filterCloseOutput();
    EXPECT_TRUE(logOf("CanWrite 41").empty());
    EXPECT_TRUE(logOf("CanWrite 43").empty());
    EXPECT_EQ(1u, logOf("WriteSpecial 44").size());
}

/* 3. Raw parameters */
class RawTest : public HostTest {
protected:
    static std::vector<FltRaw> &asked() { static std::vector<FltRaw> a; return a; }
    static int answer;
    static int askRaw(FltRaw *r, void *)
    {
        asked().push_back(*r);
        fake::log().push_back("askRaw");
        r->rate = 11025;
        r->bits = 8;
        r->channels = 1;
        r->byteOrder = 1;
        return answer;
    }
    void SetUp() override
    {
        HostTest::SetUp();
        asked().clear();
        answer = 0;
        FilterHook.askRaw = askRaw;
        fake::FakeDef &r = addFake("raw.flt", "Raw", "RAW", FLT_CANREAD, "RAW ");
        r.rateZero = true;
        r.getOptionsAnswer = 77;
        install();
        fake::writeFile(file, "RAW ", 0, 0, 0, ramp(64));
    }
};
int RawTest::answer;

TEST_F(RawTest, RateZeroAsksForRawParametersBeforeReading)
{
    FltRaw def = {22050, 16, 2, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    ASSERT_EQ(1u, asked().size());
    /* Missing keys: the open waveform's values are the dialog's start. */
    EXPECT_EQ(22050u, asked()[0].rate);
    EXPECT_EQ(16u, asked()[0].bits);
    EXPECT_EQ(2u, asked()[0].channels);
    EXPECT_EQ(11025u, FilterIn.rate);
    EXPECT_EQ(8u, FilterIn.bits);
    EXPECT_EQ(1u, FilterIn.channels);
    std::vector<std::string> order = fake::log();
    auto at = [&](const std::string &s) { return std::find(order.begin(), order.end(), s) - order.begin(); };
    EXPECT_LT(at("askRaw"), at("raw.flt:GetOptions 11025 1 8 0"));
    EXPECT_LT(at("raw.flt:GetOptions 11025 1 8 0"), at("raw.flt:SetOptions 77 11025 1 8"));
    EXPECT_EQ("11025", memProfileGet(false, "Recent", "RawSamplerate"));
    EXPECT_EQ("8", memProfileGet(false, "Recent", "RawBitsPerSample"));
    EXPECT_EQ("1", memProfileGet(false, "Recent", "RawChannels"));
    EXPECT_EQ("1", memProfileGet(false, "Recent", "RawByteOrder"));
    EXPECT_EQ("77", memProfileGet(false, "Recent", "RawCompression"));
}

TEST_F(RawTest, RememberedKeysPresetTheDialog)
{
    memProfileSet(false, "Recent", "RawSamplerate", "32000");
    memProfileSet(false, "Recent", "RawChannels", "1");
    FltRaw def = {22050, 16, 2, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    EXPECT_EQ(32000u, asked()[0].rate);
    EXPECT_EQ(1u, asked()[0].channels);
    EXPECT_EQ(16u, asked()[0].bits);
}

TEST_F(RawTest, CancellingTheRawDialogAbandonsTheOpen)
{
    answer = 1;
    FltRaw def = {22050, 16, 2, 0, 0, 0};
    EXPECT_EQ(FILTER_CANCELLED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    EXPECT_EQ(0u, FilterIn.handle);
    EXPECT_EQ(nullptr, FilterIn.mod.instance);
    EXPECT_EQ(1u, logOf("CloseIn").size());
}

TEST_F(RawTest, ReopeningTheHeldSourceAsksNothingNew)
{
    FltRaw def = {22050, 16, 2, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    fake::log().clear();
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    EXPECT_EQ(1u, asked().size());
    EXPECT_TRUE(logOf("GetOptions").empty());
    EXPECT_EQ(1u, logOf("SetOptions 77 11025 1 8").size());
    EXPECT_EQ(11025u, FilterIn.rate);
    /* Closing forgets: the next open asks again. */
    filterCloseInput();
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    EXPECT_EQ(2u, asked().size());
}

static int batchRaw(FltRaw *r)
{
    r->rate = 48000;
    r->bits = 16;
    r->channels = 2;
    return 1;
}

TEST_F(RawTest, ABatchUsesItsOwnSettingsAndShowsNoDialog)
{
    FilterHook.batchRaw = batchRaw;
    FltRaw def = {22050, 8, 1, 0, 0, 0};
    ASSERT_EQ(FILTER_OPENED, filterOpenInput(0, file.c_str(), nullptr, &def, 1));
    EXPECT_TRUE(asked().empty());
    EXPECT_EQ(48000u, FilterIn.rate);
}

/* 4. Options per filter */
TEST_F(HostTest, OptionsAreRememberedPerFilterIndex)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANWRITE | FLT_HASOPTIONS, "AAAA");
    a.getOptionsAnswer = 0x1234;
    addFake("b.flt", "B", "BBB", FLT_CANWRITE, "BBBB");
    install();
    EXPECT_EQ(1u, filterOptions(1));
    memProfileSet(false, "File Options", "Filter0", "5");
    EXPECT_EQ(5u, filterOptions(0));
    EXPECT_EQ(0x1234u, filterChangeOptions(0, nullptr, 8000, 1, 8));
    EXPECT_EQ(1u, logOf("GetOptions 8000 1 8 5").size());
    EXPECT_EQ("4660", memProfileGet(false, "File Options", "Filter0"));
    fake::specs()[0].getOptionsAnswer = 0;   /* the filter's Cancel keeps the value */
    EXPECT_EQ(0u, filterChangeOptions(0, nullptr, 8000, 1, 8));
    EXPECT_EQ(0x1234u, filterOptions(0));
}

TEST_F(HostTest, MissingWriteEntriesAndMissingModulesAreReported)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANWRITE, "AAAA");
    a.missing.insert("WriteFilterOutput");
    install();
    snprintf(FltTable.rec[0].moduleName, sizeof FltTable.rec[0].moduleName, "a.flt");
    FltRecord gone = fake::makeRecord("Gone", "GON", FLT_CANWRITE);
    strcpy(gone.moduleName, "gone.flt");
    FltTable.rec[FltTable.count++] = gone;
    zt::MessageRecorder rec;
    EXPECT_EQ(2, filterOpenOutput(0, zt::tempPath("x.out").c_str(), 8000, 8, 1, 0, 1));
    EXPECT_EQ(2, filterOpenOutput(1, zt::tempPath("x.out").c_str(), 8000, 8, 1, 0, 1));
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("a.flt", rec.messages[0].text);
    EXPECT_EQ("File Filter Doesn't Support Saving", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_ICONINFORMATION, rec.messages[0].style & 0xF0);
    EXPECT_EQ("gone.flt", rec.messages[1].text);
    EXPECT_EQ("Cannot Load File Filter", rec.messages[1].caption);
    EXPECT_EQ(OS_MB_ICONEXCLAMATION, rec.messages[1].style & 0xF0);
    EXPECT_EQ(nullptr, FilterOut.mod.instance);
}
