/*
 * test_fio.cpp - opening and saving: the dialogs' type lists and file description, folders
 * per dialog group, the save type, the open flow's filter order and date item, the save
 * flow's conversion question, and a save that fails or is cancelled keeping the old file.
 */
#include "fixture.h"

#include <string.h>

class FioTest : public FormatsTest {
protected:
    std::string file;
    void SetUp() override
    {
        FormatsTest::SetUp();
        static int n;
        file = zt::tempPath("fio" + std::to_string(++n) + ".snd");
        osDelete(file.c_str());   /* left by an earlier run with the same process id */
    }
    void install() { fake::installTable(zt::tempDir()); }
};

/* 1. Type lists */
TEST_F(FioTest, TypeListsListReadersOrWritersWithLowerCaseExtensions)
{
    fake::FakeDef &a = addFake("a.flt", "AIFF", "AIF", FLT_CANREAD | FLT_CANWRITE, "AAAA");
    strcpy(a.rec.ext2, "AIFC");
    addFake("r.flt", "Reader", "RD", FLT_CANREAD, "RRRR");
    addFake("w.flt", "Writer", "WR", FLT_CANWRITE, "WWWW");
    install();
    char buf[512];
    memset(buf, 0x66, sizeof buf);
    size_t n = fioTypeList(0, buf, sizeof buf);
    std::string expect("AIFF (*.aif;*.aifc)\0*.aif;*.aifc\0Reader (*.rd)\0*.rd\0All files (*.*)\0*.*\0\0", 73);
    ASSERT_EQ(expect.size(), n);
    EXPECT_EQ(expect, std::string(buf, n));
    EXPECT_EQ(1, FltTable.rec[0].openPos);
    EXPECT_EQ(2, FltTable.rec[1].openPos);
    EXPECT_EQ(0, FltTable.rec[2].openPos);
    n = fioTypeList(1, buf, sizeof buf);
    EXPECT_EQ(std::string("AIFF (*.aif;*.aifc)\0*.aif;*.aifc\0Writer (*.wr)\0*.wr\0All files (*.*)\0*.*\0\0", 73),
              std::string(buf, n));
    EXPECT_EQ(2, fioTypeAt(1, 2));
    EXPECT_EQ(-1, fioTypeAt(1, 3));
    EXPECT_EQ(0u, fioTypeList(1, buf, 20));
}

TEST_F(FioTest, TypeChangeSwapsShortExtensionsOnly)
{
    addFake("a.flt", "AIFF", "AIF", FLT_CANWRITE, "AAAA");
    install();
    char name[FLT_PATH_MAX];
    strcpy(name, "C:\\snd\\take.wav");
    EXPECT_EQ(1, fioSwapExtension(name, sizeof name, 0));
    EXPECT_STREQ("C:\\snd\\take.aif", name);
    strcpy(name, "TAKE.WAV");
    fioSwapExtension(name, sizeof name, 0);
    EXPECT_STREQ("TAKE.AIF", name);
    strcpy(name, "take.flac");
    EXPECT_EQ(0, fioSwapExtension(name, sizeof name, 0));
    strcpy(name, "C:\\a.b\\take");
    EXPECT_EQ(0, fioSwapExtension(name, sizeof name, 0));
}

/* 2. The save type */
TEST_F(FioTest, SaveTypeStartsFromTheRememberedNameThenWindowsThenIndexOne)
{
    addFake("a.flt", "AIFF", "AIF", FLT_CANREAD | FLT_CANWRITE, "AAAA");
    addFake("b.flt", "Windows PCM", "WAV", FLT_CANREAD | FLT_CANWRITE, "BBBB");
    addFake("c.flt", "Windows ADPCM", "WAX", FLT_CANREAD | FLT_CANWRITE, "CCCC");
    addFake("d.flt", "Raw", "RAW", FLT_CANREAD | FLT_CANWRITE, "DDDD");
    install();
    memProfileSet(false, "Recent", "FileFilter", "raw");
    fioInitSaveType();
    EXPECT_EQ(3, Fio.saveType);
    memProfileSet(false, "Recent", "FileFilter", "nothing");
    fioInitSaveType();
    EXPECT_EQ(2, Fio.saveType);   /* the last one naming Windows */
    strcpy(FltTable.rec[1].formatName, "PCM");
    strcpy(FltTable.rec[2].formatName, "ADPCM");
    fioInitSaveType();
    EXPECT_EQ(1, Fio.saveType);
    Fio.saveType = 3;
    fioSaveSettings();
    EXPECT_EQ("Raw", memProfileGet(false, "Recent", "FileFilter"));
}

/* 3. The highlighted file */
TEST_F(FioTest, DescriptionOfAKnownFile)
{
    addFake("a.flt", "AIFF", "AIF", FLT_CANREAD, "AAAA");
    install();
    fake::writeFile(file, "AAAA", 22050, 16, 2, std::vector<uint8_t>(4 * 22050 * 3));
    FioDescription d;
    memset(&d, 0x66, sizeof d);
    fioDescribe(file.c_str(), -1, &d);
    EXPECT_STREQ("AIFF", d.format);
    EXPECT_STREQ("258 K", d.size);
    EXPECT_STREQ("22050 Hz    16-bit     Stereo", d.type);
    EXPECT_STREQ("0:03.000", d.length);
}

TEST_F(FioTest, DescriptionOfAnUncertainAndAnUnknownFile)
{
    fake::FakeDef &a = addFake("a.flt", "Maybe", "MAY", FLT_CANREAD | FLT_UNCERTAIN, "AAAA");
    (void)a;
    install();
    fake::writeFile(file, "AAAA", 8000, 8, 1, std::vector<uint8_t>(2048));
    FioDescription d;
    fioDescribe(file.c_str(), -1, &d);
    EXPECT_STREQ("Maybe ?", d.format);
    EXPECT_STREQ("2 K ?", d.size);
    EXPECT_STREQ(" 8000 Hz?    8-bit?    Mono?", d.type);
    EXPECT_STREQ("0:00.256 ?", d.length);
    fake::writeFile(file, "ZZZZ", 8000, 8, 1, std::vector<uint8_t>(10));
    fioDescribe(file.c_str(), -1, &d);
    EXPECT_STREQ("Unrecognized Format", d.format);
    EXPECT_STREQ("", d.size);
    fioDescribe(zt::tempPath("missing.snd").c_str(), -1, &d);
    EXPECT_STREQ("", d.format);
}

/* 4. Folders per dialog group */
TEST_F(FioTest, AGroupsFolderListGrowsAndNeverForgets)
{
    fioRememberDir("C:\\one", 1);
    fioRememberDir("C:\\two", 1);
    fioRememberDir("C:\\three", 1);
    EXPECT_EQ("3", memProfileGet(false, "DirGroup 1", "NumItems"));
    fioRememberDir("C:\\ONE", 1);     /* moved to the newest place */
    EXPECT_EQ("3", memProfileGet(false, "DirGroup 1", "NumItems"));
    EXPECT_EQ("C:\\two", memProfileGet(false, "DirGroup 1", "Item0"));
    EXPECT_EQ("C:\\ONE", memProfileGet(false, "DirGroup 1", "Item2"));
    char out[200];
    fioGroupDir(1, out, sizeof out);
    EXPECT_STREQ("C:\\ONE", out);
    EXPECT_EQ("", memProfileGet(false, "DirGroup 0", "NumItems"));
    EXPECT_EQ(1, fioRememberDir(std::string(FIO_DIR_MAX + 1, 'x').c_str(), 1));
}

static void cwd(char *out, size_t n) { snprintf(out, n, "D:\\Sounds\\New"); }

TEST_F(FioTest, AnEmptyGroupStartsInTheCurrentFolderInLowerCase)
{
    FioHook.currentDir = cwd;
    char out[200];
    fioGroupDir(0, out, sizeof out);
    EXPECT_STREQ("d:\\sounds\\new", out);
    EXPECT_EQ("1", memProfileGet(false, "DirGroup 0", "NumItems"));
}

/* 5. Opening */
TEST_F(FioTest, OpenTriesTheChosenFilterThenTheTableFromItsStart)
{
    addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    addFake("b.flt", "B", "BBB", FLT_CANREAD, "BBBB");
    addFake("c.flt", "C", "CCC", FLT_CANREAD | FLT_CANWRITE, "CCCC");
    install();
    std::vector<uint8_t> data = ramp(5000);
    fake::writeFile(file, "CCCC", 11025, 16, 2, data);
    ASSERT_EQ(0, fioOpen(file.c_str(), 0, nullptr));
    EXPECT_EQ((std::vector<std::string>{"a.flt:Understands", "b.flt:Understands", "c.flt:Understands"}),
              logOf("Understands"));
    EXPECT_EQ(1u, logOf("c.flt:Open2+instance").size());
    EXPECT_EQ(data, storeBytes());
    EXPECT_EQ(11025u, Fio.rate);
    EXPECT_EQ(2, Wave.channels);
    EXPECT_EQ(16, Wave.bitsPerSample);
    EXPECT_EQ(2, Fio.saveType);                 /* the save type follows the open */
    EXPECT_EQ(7u, Fio.options);
    EXPECT_EQ("7", memProfileGet(false, "File Options", "Filter2"));
    EXPECT_EQ(nullptr, FilterIn.mod.instance);  /* unloaded */
}

TEST_F(FioTest, AReadOnlyFiltersOpenMakesTheWriterOfItsExtensionTheSaveType)
{
    addFake("r.flt", "Reader", "SND", FLT_CANREAD, "RRRR");
    addFake("w.flt", "Writer", "snd", FLT_CANWRITE, "WWWW");
    install();
    fake::writeFile(file, "RRRR", 8000, 8, 1, ramp(10));
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(1, Fio.saveType);
}

TEST_F(FioTest, AFilterMissingReadEntriesIsReportedAndSkipped)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANREAD, "CCCC");
    a.missing.insert("ReadFilterInput");
    addFake("c.flt", "C", "CCC", FLT_CANREAD, "CCCC");
    install();
    fake::writeFile(file, "CCCC", 8000, 8, 1, ramp(10));
    zt::MessageRecorder rec;
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("a.flt", rec.messages[0].text);
    EXPECT_EQ("File Filter Doesn't Support Reading", rec.messages[0].caption);
}

static void fixedDay(int *y, int *m, int *d) { *y = 2026, *m = 3, *d = 7; }

TEST_F(FioTest, TodaysDateIsAddedOnlyWithAutoFillInfo)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANREAD | FLT_SPECIAL_READ_POST, "AAAA");
    a.items = {{28, {'n', 0}}};
    install();
    FioHook.today = fixedDay;
    fake::writeFile(file, "AAAA", 8000, 8, 1, ramp(10));
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(-1, infoFind("ICRD"));
    EXPECT_EQ(0, infoFind("INAM"));
    memProfileSet(false, "Settings", "AutoFillInfo", "1");
    bclose();
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    int i = infoFind("ICRD");
    ASSERT_GE(i, 0);
    EXPECT_STREQ("2026-03-07", (const char *)InfoList.item[i].data);
    EXPECT_EQ(1, infoFind("ICRD") == 1 ? 1 : 0);
}

static int cancelAt;
static int cancelling(uint32_t done, uint32_t total) { return done >= (uint32_t)cancelAt; }

TEST_F(FioTest, ACancelledReadKeepsWhatWasReadAndFails)
{
    fake::FakeDef &a = addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    a.piece = 1000;
    install();
    fake::writeFile(file, "AAAA", 8000, 8, 1, ramp(10000));
    cancelAt = 3000;
    FioHook.progressStep = cancelling;
    EXPECT_EQ(1, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(2000u, Wave.dataLength);
    EXPECT_EQ(nullptr, FilterIn.mod.instance);
}

TEST_F(FioTest, AFileEndingInsideAFrameLosesOnlyThatPartFrame)
{
    addFake("a.flt", "A", "AAA", FLT_CANREAD, "AAAA");
    install();
    fake::writeFile(file, "AAAA", 8000, 16, 2, ramp(1003));
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(1000u, Wave.dataLength);
}

/* 6. Saving */
class SaveTest : public FioTest {
protected:
    static std::string chosenName;
    static int chosenType;
    static int askName(char *name, size_t n, int sel, int *type, uint32_t *options)
    {
        snprintf(name, n, "%s", chosenName.c_str());
        *type = chosenType;
        return 0;
    }
    static FioFormat dialogSaw;
    static int convertDialogAnswer;
    static int convertDialog(FioFormat *f)
    {
        dialogSaw = *f;
        fake::log().push_back("convertDialog");
        return convertDialogAnswer;
    }
    static void saveUndo(const char *label) { fake::log().push_back(std::string("undo ") + label); }
    static int convertTo(const FioFormat *f)
    {
        fake::log().push_back("convert");
        Fio.rate = f->rate;
        vocSetFormat(f->channels, f->bits, Wave.dataLength / Wave.blockAlign * (f->channels * f->bits / 8));
        return 0;
    }
    static uint32_t selFirst, selLast;
    static int haveSel;
    static int selection(uint32_t *first, uint32_t *last)
    {
        *first = selFirst;
        *last = selLast;
        return haveSel;
    }
    static std::vector<std::string> &savedNames() { static std::vector<std::string> v; return v; }
    static void saved(const char *name) { savedNames().push_back(name); }

    std::vector<uint8_t> data;
    void SetUp() override
    {
        FioTest::SetUp();
        chosenType = 0;
        convertDialogAnswer = 0;
        haveSel = 0;
        savedNames().clear();
        FioHook.askSaveName = askName;
        FioHook.convertDialog = convertDialog;
        FioHook.saveUndo = saveUndo;
        FioHook.convert = convertTo;
        FioHook.selection = selection;
        FioHook.saved = saved;
        data = ramp(40000);
        makeWave(22050, 16, 2, data);
    }
    std::vector<uint8_t> fileData(const std::string &p)
    {
        std::vector<uint8_t> v = fake::readFile(p);
        return v.size() >= 12 ? std::vector<uint8_t>(v.begin() + 12, v.end()) : std::vector<uint8_t>();
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
};
std::string SaveTest::chosenName;
int SaveTest::chosenType;
FioFormat SaveTest::dialogSaw;
int SaveTest::convertDialogAnswer;
uint32_t SaveTest::selFirst, SaveTest::selLast;
int SaveTest::haveSel;

TEST_F(SaveTest, AWholeSaveWritesEveryByteAndRenamesTheDocument)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE | FLT_CANREAD, "WWWW");
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    ASSERT_EQ(0, fioSave(name, 0, 0, nullptr));
    EXPECT_EQ(data, fileData(file));
    EXPECT_EQ((std::vector<std::string>{file}), savedNames());
    EXPECT_EQ(0, leftovers());
    EXPECT_EQ(1u, logOf("OpenOut 22050 16 2 40000 1").size());
}

TEST_F(SaveTest, AnExistingFileIsOverwrittenOnlyAfterYes)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    chosenName = file;
    char name[FLT_PATH_MAX] = "";
    {
        zt::MessageRecorder no(OS_IDNO);
        EXPECT_EQ(1, fioSave(name, 1, 0, nullptr));
        ASSERT_EQ(1u, no.messages.size());
        EXPECT_EQ("\"" + file + "\" Already Exists, Overwrite?", no.messages[0].text);
        EXPECT_EQ("File Save", no.messages[0].caption);
    }
    EXPECT_EQ(15u, fake::readFile(file).size());
    zt::MessageRecorder yes(OS_IDYES);
    EXPECT_EQ(0, fioSave(name, 1, 0, nullptr));
    EXPECT_EQ(data, fileData(file));
}

TEST_F(SaveTest, ASelectionSaveKeepsTheNameAndRestoresTheSaveType)
{
    addFake("a.flt", "A", "AAA", FLT_CANWRITE, "AAAA");
    addFake("w.flt", "W", "WWW", FLT_CANWRITE | FLT_SPECIAL_WRITE_POST, "WWWW");
    fake::specs()[1].writes = {21, 40, 44};
    install();
    Fio.saveType = 0;
    static uint8_t cue[24] = {1}, play[12] = {1};
    FilterExtra.data[0] = (uint8_t *)osAlloc(24), memcpy(FilterExtra.data[0], cue, 24), FilterExtra.size[0] = 24;
    FilterExtra.data[4] = (uint8_t *)osAlloc(12), memcpy(FilterExtra.data[4], play, 12), FilterExtra.size[4] = 12;
    infoAddText("ICMT", "kept");
    haveSel = 1;
    selFirst = 100;
    selLast = 199;
    chosenName = file;
    chosenType = 1;
    char name[FLT_PATH_MAX] = "";
    ASSERT_EQ(0, fioSave(name, 1, 1, nullptr));
    EXPECT_EQ(std::vector<uint8_t>(data.begin() + 400, data.begin() + 800), fileData(file));
    EXPECT_TRUE(savedNames().empty());
    EXPECT_EQ(0, Fio.saveType);
    EXPECT_EQ((std::vector<std::string>{"w.flt:WriteSpecial 21 kept", "w.flt:WriteSpecial 44"}),
              logOf("WriteSpecial"));
}

TEST_F(SaveTest, ASelectionSaveWithoutASelectionSavesTheWholeWave)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    ASSERT_EQ(0, fioSave(name, 0, 1, nullptr));
    EXPECT_EQ(data, fileData(file));
}

TEST_F(SaveTest, AnUnfitSampleTypeAsksToConvertToTheSuggestion)
{
    fake::FakeDef &w = addFake("w.flt", "Tiny", "TNY", FLT_CANWRITE, "WWWW");
    w.acceptBits = 8;
    w.acceptChannels = 1;
    w.suggest = true;
    w.sugRate = 11025;
    w.sugBits = 8;
    w.sugChannels = 1;
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec(OS_IDYES);
    ASSERT_EQ(0, fioSave(name, 0, 0, nullptr));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Tiny can not handle the current sample type.  Would you like to convert to 11025Hz, Mono 8-bit and "
              "continue saving?",
              rec.messages[0].text);
    EXPECT_EQ("This wave format does not support the current sample type.", rec.messages[0].caption);
    EXPECT_EQ(OS_MB_YESNO, rec.messages[0].style & 0xF);
    EXPECT_EQ(11025u, dialogSaw.rate);
    EXPECT_EQ(8u, dialogSaw.bits);
    EXPECT_EQ(1u, dialogSaw.channels);
    EXPECT_EQ("11025", memProfileGet(false, "Recent", "ConvSampleRate"));
    EXPECT_EQ("8", memProfileGet(false, "Recent", "ConvBitsPerSample"));
    EXPECT_EQ("1", memProfileGet(false, "Recent", "ConvChannels"));
    EXPECT_EQ("0.5", memProfileGet(false, "Recent", "ConvLeft"));
    EXPECT_EQ("0.5", memProfileGet(false, "Recent", "ConvRight"));
    std::vector<std::string> l = fake::log();
    auto at = [&](const std::string &s) { return std::find(l.begin(), l.end(), s) - l.begin(); };
    EXPECT_LT(at("convertDialog"), at("undo Undo Convert Sample Type"));
    EXPECT_LT(at("undo Undo Convert Sample Type"), at("convert"));
    EXPECT_EQ(1u, logOf("OpenOut 11025 8 1 10000").size());
}

TEST_F(SaveTest, NoToTheConversionEndsTheSaveAndKeepsTheFile)
{
    fake::FakeDef &w = addFake("w.flt", "Tiny", "TNY", FLT_CANWRITE, "WWWW");
    w.acceptBits = 8;
    w.suggest = true;
    w.sugBits = 8;
    install();
    Fio.saveType = 0;
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec(OS_IDNO);
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    EXPECT_NE(std::string::npos, rec.messages[0].text.find("Stereo 8-bit"));
    EXPECT_EQ(15u, fake::readFile(file).size());
    EXPECT_TRUE(logOf("convert").empty());
    EXPECT_EQ(0, leftovers());
}

TEST_F(SaveTest, AutoConvertFiltersAndBatchesConvertWithoutAsking)
{
    fake::FakeDef &w = addFake("w.flt", "Tiny", "TNY", FLT_CANWRITE | FLT_AUTOCONVERT, "WWWW");
    w.acceptBits = 8;
    w.suggest = true;
    w.sugBits = 8;
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec;
    ASSERT_EQ(0, fioSave(name, 0, 0, nullptr));
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_TRUE(logOf("convertDialog").empty());
    EXPECT_EQ(1u, logOf("undo Undo Convert Sample Type").size());
}

TEST_F(SaveTest, RefusalsWithoutOrDespiteASuggestionHaveTheirMessages)
{
    fake::FakeDef &w = addFake("w.flt", "Picky", "PCK", FLT_CANWRITE, "WWWW");
    w.acceptBits = 8;
    fake::FakeDef &s = addFake("s.flt", "Stubborn", "STB", FLT_CANWRITE | FLT_AUTOCONVERT, "SSSS");
    s.acceptRate = 1;   /* takes nothing we can convert to */
    s.suggest = true;
    s.sugChannels = 1;  /* a different type, so the format is taken for the reason */
    install();
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec;
    Fio.saveType = 1;
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    Fio.saveType = 0;
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("Still having problems saving.", rec.messages[0].text);
    EXPECT_EQ("Cannot save in current format", rec.messages[0].caption);
    EXPECT_EQ(file, rec.messages[1].text);
    EXPECT_EQ("Invalid file or format", rec.messages[1].caption);
    EXPECT_FALSE(osFileExists(file.c_str()));
    EXPECT_EQ(0, leftovers());
}

/* 7. Save safety */
TEST_F(SaveTest, ACancelledSaveKeepsTheOriginalFile)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    Fio.saveType = 0;
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    std::vector<uint8_t> before = fake::readFile(file);
    cancelAt = 5000;
    FioHook.progressStep = cancelling;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    EXPECT_EQ(before, fake::readFile(file));
    EXPECT_EQ(0, leftovers());
    EXPECT_TRUE(savedNames().empty());
}

TEST_F(SaveTest, AFullDiskKeepsTheOriginalFileAndSaysSo)
{
    addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    install();
    Fio.saveType = 0;
    fake::writeFile(file, "OLD!", 1, 8, 1, {1, 2, 3});
    std::vector<uint8_t> before = fake::readFile(file);
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec;
    OsFault.writeBudget = 20000;   /* the fake filter writes through the OS layer */
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    osFaultReset();
    EXPECT_EQ(before, fake::readFile(file));
    EXPECT_EQ(0, leftovers());
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Out of Space", rec.messages[0].caption);
    EXPECT_TRUE(savedNames().empty());
}

TEST_F(SaveTest, AFilterThatTakesFewerBytesFailsTheSave)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANWRITE, "WWWW");
    w.shortWrite = true;
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    zt::MessageRecorder rec;
    EXPECT_EQ(1, fioSave(name, 0, 0, nullptr));
    EXPECT_FALSE(osFileExists(file.c_str()));
    EXPECT_EQ(0, leftovers());
}

TEST_F(SaveTest, RoundTripThroughAFilterIsByteExact)
{
    fake::FakeDef &w = addFake("w.flt", "W", "WWW", FLT_CANWRITE | FLT_CANREAD, "WWWW");
    w.piece = 777;
    install();
    Fio.saveType = 0;
    char name[FLT_PATH_MAX];
    snprintf(name, sizeof name, "%s", file.c_str());
    ASSERT_EQ(0, fioSave(name, 0, 0, nullptr));
    bclose();
    ASSERT_EQ(0, fioOpen(file.c_str(), -1, nullptr));
    EXPECT_EQ(data, storeBytes());
    EXPECT_EQ(22050u, Fio.rate);
}
