/*
 * test_document.cpp - the document's prompt, New, Close, selection rule and display names.
 */
#include "core/document.h"
#include "store/tempfile.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

int saveResult, saveCalls, clearUndoCalls;
std::string lastTitle;
std::set<std::string> otherTitles;

int fakeSave(void) { saveCalls++; return saveResult; }
void fakeTitle(const char *t) { lastTitle = t; }
int fakeInUse(const char *t) { return otherTitles.count(t) ? 1 : 0; }
void fakeClearUndo(void) { clearUndoCalls++; }
int cancelDialog(DocFormat *) { return 1; }
DocFormat written;
void fakeWriteRecent(uint32_t r, uint16_t b, uint16_t c) { written = DocFormat{r, b, c}; }
void fakeReadRecent(uint32_t *r, uint16_t *b, uint16_t *c) { *r = 22050; *b = 8; *c = 1; }

struct DocTest : ::testing::Test {
    void SetUp() override
    {
        osFaultReset();
        docInit();
        DocHook = DocHooks{};
        DocHook.save = fakeSave;
        DocHook.setTitle = fakeTitle;
        DocHook.titleInUse = fakeInUse;
        DocHook.clearUndo = fakeClearUndo;
        DocHook.writeRecent = fakeWriteRecent;
        saveResult = 0;
        saveCalls = clearUndoCalls = 0;
        lastTitle.clear();
        otherTitles.clear();
        written = DocFormat{0, 0, 0};
        tempChooseDirs(zt::tempDir().c_str(), zt::tempDir().c_str(), NULL, NULL);
    }
    void TearDown() override { tempStoreTeardown(1); }
};

// 1. The save-changes prompt
TEST_F(DocTest, PromptTextsAndAnswers)
{
    {
        zt::MessageRecorder rec(OS_IDYES);
        EXPECT_EQ(docSaveChangesPrompt(), 1);   /* not modified: no question */
        EXPECT_TRUE(rec.messages.empty());
    }
    Doc.modified = 1;
    {
        zt::MessageRecorder rec(OS_IDCANCEL);
        EXPECT_EQ(docSaveChangesPrompt(), 0);
        ASSERT_EQ(rec.messages.size(), 1u);
        EXPECT_EQ(rec.messages[0].text, "Save changes to Untitled?");
        EXPECT_EQ(rec.messages[0].caption, "Current file not saved");
        EXPECT_EQ(rec.messages[0].style, OS_MB_YESNOCANCEL | OS_MB_ICONQUESTION);
        EXPECT_EQ(saveCalls, 0);
    }
    snprintf(Doc.name, sizeof Doc.name, "C:\\WAVES\\DRUM.WAV");
    {
        zt::MessageRecorder rec(OS_IDNO);
        EXPECT_EQ(docSaveChangesPrompt(), 1);
        EXPECT_EQ(rec.messages.at(0).text, "Save changes to C:\\WAVES\\DRUM.WAV?");
        EXPECT_EQ(saveCalls, 0);
    }
    {
        zt::MessageRecorder rec(OS_IDYES);
        EXPECT_EQ(docSaveChangesPrompt(), 1);
        EXPECT_EQ(saveCalls, 1);
        saveResult = 1;   /* the save failed: the command must not go on */
        EXPECT_EQ(docSaveChangesPrompt(), 0);
    }
}

TEST_F(DocTest, CloseCancelledKeepsTheDocument)
{
    ASSERT_EQ(docNew(), 0);
    Doc.modified = 1;
    zt::MessageRecorder rec(OS_IDCANCEL);
    EXPECT_EQ(docClose(), 1);
    EXPECT_TRUE(Doc.storeOpen);
    EXPECT_EQ(Doc.modified, 1);
}

// 2. New and Close
TEST_F(DocTest, NewUsesRecentFormatAndWritesItBack)
{
    EXPECT_EQ(docNew(), 0);   /* no Recent values: 44100, 16, 2 */
    EXPECT_EQ(Doc.sampleRate, 44100u);
    EXPECT_EQ(Wave.channels, 2);
    EXPECT_EQ(Wave.blockAlign, 4);
    EXPECT_EQ(written.sampleRate, 44100u);
    EXPECT_EQ(lastTitle, "Untitled - Zelo Edit");
    EXPECT_EQ(Doc.wave, &Wave);

    docInit();
    DocHook.readRecent = fakeReadRecent;
    Wave.editChannel = 2;
    EXPECT_EQ(docNew(), 0);
    EXPECT_EQ(Doc.sampleRate, 22050u);
    EXPECT_EQ(Wave.blockAlign, 1);
    EXPECT_EQ(Wave.editChannel, 0);   /* mono forces both channels */
    EXPECT_FALSE(docHasSelection());
    EXPECT_EQ(Doc.modified, 0);
    EXPECT_GE(clearUndoCalls, 1);

    DocHook.newDialog = cancelDialog;
    written = DocFormat{0, 0, 0};
    EXPECT_EQ(docNew(), 1);
    EXPECT_EQ(written.sampleRate, 0u);
}

TEST_F(DocTest, CloseResetsEverything)
{
    ASSERT_EQ(docNew(), 0);
    Doc.selStart = 3;
    Doc.selEnd = 9;
    Doc.modified = 1;
    snprintf(Doc.undoText, sizeof Doc.undoText, "Undo Cut");
    zt::MessageRecorder rec(OS_IDNO);
    EXPECT_EQ(docClose(), 0);
    EXPECT_FALSE(Doc.storeOpen);
    EXPECT_EQ(Doc.viewEnd, DOC_NONE);
    EXPECT_EQ(Doc.selEnd, DOC_NONE);
    EXPECT_EQ(Doc.modified, 0);
    EXPECT_STREQ(Doc.undoText, "Can't Undo");
    EXPECT_EQ(lastTitle, "Zelo Edit");
    EXPECT_EQ(Wave.dataLength, 0u);
}

// 3. Selection or view
TEST_F(DocTest, SelectionOrViewRule)
{
    ASSERT_EQ(docNew(), 0);
    uint8_t z[400] = {0};
    ASSERT_EQ(vocWriteAt(z, 0, sizeof z), 0);   /* 100 stereo 16-bit frames */
    Doc.viewStart = 20;
    Doc.viewEnd = 500;
    uint32_t a = 0x66, b = 0x66;
    Doc.selStart = 50;
    Doc.selEnd = 40;   /* below the start: no selection */
    EXPECT_FALSE(docHasSelection());
    EXPECT_EQ(docSelectionOrView(0, &a, &b), 0);
    ASSERT_EQ(docSelectionOrView(1, &a, &b), 1);
    EXPECT_EQ(a, 20u);
    EXPECT_EQ(b, 99u);
    Doc.selEnd = 60;
    ASSERT_EQ(docSelectionOrView(1, &a, &b), 1);
    EXPECT_EQ(a, 50u);
    EXPECT_EQ(b, 60u);
}

// 4. Titles and display names
TEST_F(DocTest, UniqueDisplayNames)
{
    char out[DOC_NAMEMAX];
    docUniqueName("C:\\SOUNDS\\NAME.WAV", out, sizeof out);
    EXPECT_STREQ(out, "NAME.WAV");
    otherTitles.insert("NAME.WAV - Zelo Edit");
    docUniqueName("C:\\SOUNDS\\NAME.WAV", out, sizeof out);
    EXPECT_STREQ(out, "NAME.WAV;1");
    otherTitles.insert("NAME.WAV;1 - Zelo Edit");
    docUniqueName("D:\\NAME.WAV", out, sizeof out);
    EXPECT_STREQ(out, "NAME.WAV;2");
    docUniqueName("", out, sizeof out);
    EXPECT_STREQ(out, "");

    char t[64];
    docChildTitle("Cue List", "NAME.WAV - Zelo Edit", t, sizeof t);
    EXPECT_STREQ(t, "Cue List - Zelo Edit");
}

} // namespace
