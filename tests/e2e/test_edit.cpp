/*
 * Editing as a user does it in the running program: a range chosen through Viewing Range,
 * Cut, Delete, Trim, Paste and Undo from the menu, the Undo item's text after each, and
 * the samples of the file saved afterwards; the clipboard between two running copies and
 * with waves another program put there (a LIST chunk, A-law and µ-law data).
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

using zd::menuText;
using zd::menuGrayed;

using zd::settle;
using zd::waitTitle;

enum {
    kNew = 1050, kSave = 1151, kUndo = 102, kCopy = 2050, kCut = 2150, kPaste = 2100, kDelete = 2200,
    kTrim = 2210, kSelectAll = 115, kViewRange = 3147, kEditLeftOnly = 341, kEditBoth = 340,
    kFocusMain = 140
};

typedef std::vector<unsigned char> Bytes;

/* A paste pumps messages behind its progress meter, so a posted command can come back
   before it ends: wait for the Undo item that the paste sets as it finishes. */
bool pasted(zd::App &app)
{
    for (int t = 0; t < 8000; t += 50) {
        if (menuText(app, kUndo) == "Undo Paste") {
            settle(app);
            return true;
        }
        Sleep(50);
    }
    return false;
}

/* 16-bit stereo frames with a pattern that tells every frame apart. */
Bytes pattern(int frames)
{
    Bytes b;
    for (int i = 0; i < frames; i++)
        for (int ch = 0; ch < 2; ch++) {
            int v = (i * 37 + ch * 1000) % 20000 - 10000;
            b.push_back((unsigned char)(v & 0xFF));
            b.push_back((unsigned char)((v >> 8) & 0xFF));
        }
    return b;
}

Bytes frames(const Bytes &b, int first, int count, int ba = 4)
{
    return Bytes(b.begin() + first * ba, b.begin() + (first + count) * ba);
}

/* Viewing Range with a range narrower than the window selects it. */
void selectRange(zd::App &app, int first, int last)
{
    app.command(kViewRange);
    HWND dlg = app.waitWindow("Viewing Range");
    ASSERT_TRUE(dlg);
    zd::setText(dlg, 1000, std::to_string(first));
    zd::setText(dlg, 1001, std::to_string(last));
    zd::click(dlg, IDOK);
    for (int t = 0; t < 3000 && IsWindow(dlg); t += 20)
        Sleep(20);
    app.idle();
}

void save(zd::App &app)
{
    app.command(kSave);
    app.idle(500);
    settle(app);
    zd::MsgBox box;
    EXPECT_FALSE(app.waitMessageBox(&box, 300)) << box.caption << ": " << box.text;
}

Bytes savedData(const std::string &path, unsigned *rate = nullptr, int *bits = nullptr, int *channels = nullptr)
{
    unsigned r = 0;
    int b = 0, c = 0;
    Bytes data;
    EXPECT_TRUE(zd::readWave(path, &r, &b, &c, &data));
    if (rate)
        *rate = r;
    if (bits)
        *bits = b;
    if (channels)
        *channels = c;
    return data;
}

/* Puts a block on the clipboard as CF_WAVE, as another program would. */
bool putClipboard(const Bytes &block)
{
    for (int t = 0; t < 2000 && !OpenClipboard(NULL); t += 20)
        Sleep(20);
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, block.size());
    memcpy(GlobalLock(h), block.data(), block.size());
    GlobalUnlock(h);
    bool ok = SetClipboardData(CF_WAVE, h) != NULL;
    CloseClipboard();
    return ok;
}

Bytes getClipboard()
{
    Bytes b;
    for (int t = 0; t < 2000 && !OpenClipboard(NULL); t += 20)
        Sleep(20);
    HANDLE h = GetClipboardData(CF_WAVE);
    if (h) {
        const unsigned char *p = (const unsigned char *)GlobalLock(h);
        b.assign(p, p + GlobalSize(h));
        GlobalUnlock(h);
    }
    CloseClipboard();
    return b;
}

Bytes riff(int tag, int channels, unsigned rate, int bits, const Bytes &data, const Bytes &between = Bytes())
{
    Bytes b;
    auto p32 = [&](unsigned v) { for (int i = 0; i < 4; i++) b.push_back((unsigned char)(v >> (8 * i))); };
    auto p16 = [&](unsigned v) { b.push_back((unsigned char)v); b.push_back((unsigned char)(v >> 8)); };
    auto tag4 = [&](const char *t) { b.insert(b.end(), t, t + 4); };
    tag4("RIFF");
    p32((unsigned)(36 + between.size() + data.size()));
    tag4("WAVE");
    tag4("fmt ");
    p32(16);
    p16(tag);
    p16(channels);
    p32(rate);
    unsigned ba = channels * bits / 8;
    p32(ba * rate);
    p16(ba);
    p16(bits);
    b.insert(b.end(), between.begin(), between.end());
    tag4("data");
    p32((unsigned)data.size());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

int s16at(const Bytes &b, size_t i) { return (short)(b[2 * i] | b[2 * i + 1] << 8); }

/* 1. The edits and their undo, checked in the saved file. */
TEST(Edit, CutDeleteTrimUndoAndTheSavedSamples)
{
    std::string dir = zd::freshDir("edit");
    std::string file = dir + "\\work.wav";
    Bytes start = pattern(4000);
    ASSERT_TRUE(zd::writeWave(file, 22050, 16, 2, start));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "work.wav - Zelo Edit")) << app.title();
    settle(app);
    EXPECT_EQ("Can't Undo", menuText(app, kUndo));
    EXPECT_TRUE(menuGrayed(app, kUndo));

    selectRange(app, 1000, 1099);
    app.command(kCut);
    app.idle();
    EXPECT_EQ("Undo Cut", menuText(app, kUndo));
    EXPECT_FALSE(menuGrayed(app, kUndo));
    zd::screenshot("edit-after-cut");

    selectRange(app, 0, 9);
    SetForegroundWindow(app.main());
    app.command(kFocusMain);
    app.idle();
    app.command(kDelete);
    app.idle();
    EXPECT_EQ("Undo Delete", menuText(app, kUndo));
    save(app);
    Bytes want = start;
    want.erase(want.begin() + 1000 * 4, want.begin() + 1100 * 4);
    want.erase(want.begin(), want.begin() + 10 * 4);
    EXPECT_EQ(want, savedData(file));

    /* Paste the cut frames back at the caret (frame 0 after the delete). */
    app.command(kPaste);
    ASSERT_TRUE(pasted(app));
    EXPECT_EQ("Undo Paste", menuText(app, kUndo));
    save(app);
    Bytes pasted = frames(start, 1000, 100);
    pasted.insert(pasted.end(), want.begin(), want.end());
    EXPECT_EQ(pasted, savedData(file));

    selectRange(app, 50, 149);
    app.command(kTrim);
    app.idle();
    EXPECT_EQ("Undo Trim", menuText(app, kUndo));
    save(app);
    EXPECT_EQ(frames(pasted, 50, 100), savedData(file));

    /* Undo every step, back to the file as it was. */
    for (const char *next : {"Undo Paste", "Undo Delete", "Undo Cut", "Can't Undo"}) {
        app.command(kUndo);
        EXPECT_TRUE(zd::waitUndo(app, next)) << menuText(app, kUndo);
    }
    EXPECT_TRUE(menuGrayed(app, kUndo));
    save(app);
    EXPECT_EQ(start, savedData(file));
    EXPECT_EQ(0, app.close());
}

TEST(Edit, UndoSwitchAndLevelsFromTheSettings)
{
    std::string dir = zd::freshDir("undoset");
    std::string file = dir + "\\s.wav";
    Bytes start = pattern(1000);
    ASSERT_TRUE(zd::writeWave(file, 22050, 16, 2, start));

    /* Undo switched off: the item says so and edits keep no copies. */
    std::string off = zd::freshDir("undooff");
    zd::writeIni(off + "\\win.ini", "Zelo Edit", "Undo", "No");
    {
        zd::App app;
        ASSERT_TRUE(app.start("\"" + file + "\"", off));
        ASSERT_TRUE(waitTitle(app, "s.wav - Zelo Edit"));
        settle(app);
        selectRange(app, 10, 19);
        app.command(kCut);
        app.idle();
        EXPECT_EQ("Undo Disabled", menuText(app, kUndo));
        EXPECT_TRUE(menuGrayed(app, kUndo));
        app.post(WM_CLOSE);
        zd::MsgBox box;
        if (app.waitMessageBox(&box, 3000))
            zd::click(box.hwnd, IDNO);
        EXPECT_EQ(0, app.waitExit());
    }

    /* One level: after two edits only the second can be undone. */
    std::string one = zd::freshDir("undoone");
    zd::writeIni(one + "\\zelo.ini", "Settings", "UndoLevels", "1");
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\"", one));
    ASSERT_TRUE(waitTitle(app, "s.wav - Zelo Edit"));
    settle(app);
    selectRange(app, 10, 19);
    app.command(kCut);
    app.idle();
    selectRange(app, 100, 199);
    app.command(kTrim);
    app.idle();
    EXPECT_EQ("Undo Trim", menuText(app, kUndo));
    app.command(kUndo);
    app.idle();
    EXPECT_EQ("Can't Undo", menuText(app, kUndo));
    save(app);
    Bytes want = start;
    want.erase(want.begin() + 10 * 4, want.begin() + 20 * 4);
    EXPECT_EQ(want, savedData(file));
    EXPECT_EQ(0, app.close());
}

/* 2. One channel of a stereo file. */
TEST(Edit, CutOfOneChannelSilencesItInTheFile)
{
    std::string dir = zd::freshDir("onechan");
    std::string file = dir + "\\one.wav";
    Bytes start = pattern(2000);
    ASSERT_TRUE(zd::writeWave(file, 22050, 16, 2, start));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "one.wav - Zelo Edit"));
    settle(app);
    app.command(kEditLeftOnly);
    selectRange(app, 100, 199);
    app.command(kCut);
    app.idle();
    EXPECT_EQ("Undo Cut", menuText(app, kUndo));
    /* The clipboard holds the left channel as a mono wave. */
    Bytes clip = getClipboard();
    ASSERT_EQ(44u + 200u, clip.size());
    EXPECT_EQ(1, clip[22]);
    EXPECT_EQ(s16at(start, 200), s16at(Bytes(clip.begin() + 44, clip.end()), 0));
    save(app);
    Bytes want = start;
    for (int f = 100; f < 200; f++)
        want[f * 4] = want[f * 4 + 1] = 0;
    EXPECT_EQ(want, savedData(file));
    app.command(kUndo);
    app.idle();
    save(app);
    EXPECT_EQ(start, savedData(file));
    EXPECT_EQ(0, app.close());
}

/* 3. The clipboard between programs. */
TEST(Edit, CopyInOneCopyPastesInAnother)
{
    std::string dir = zd::freshDir("twocopies");
    std::string a = dir + "\\a.wav", b = dir + "\\b.wav";
    Bytes sa = pattern(3000), sb(400 * 4, 0);
    ASSERT_TRUE(zd::writeWave(a, 22050, 16, 2, sa));
    ASSERT_TRUE(zd::writeWave(b, 22050, 16, 2, sb));
    zd::App first, second;
    ASSERT_TRUE(first.start("\"" + a + "\""));
    ASSERT_TRUE(waitTitle(first, "a.wav - Zelo Edit"));
    settle(first);
    ASSERT_TRUE(second.start("\"" + b + "\""));
    ASSERT_TRUE(waitTitle(second, "b.wav - Zelo Edit"));
    settle(second);

    /* One frame first: a 48-byte block whose RIFF size is 40. */
    selectRange(first, 7, 7);
    first.command(kCopy);
    first.idle();
    Bytes one = getClipboard();
    for (int t = 0; t < 3000 && one.size() != 48; t += 100) {
        Sleep(100);
        one = getClipboard();
    }
    ASSERT_EQ(48u, one.size());
    EXPECT_EQ(40u, one[4] | one[5] << 8 | one[6] << 16 | (unsigned)one[7] << 24);
    EXPECT_EQ(frames(sa, 7, 1), Bytes(one.begin() + 44, one.end()));

    selectRange(first, 500, 799);
    first.command(kCopy);
    first.idle();
    EXPECT_EQ(0, first.close());   /* the clipboard keeps the wave after the copy exits */

    selectRange(second, 100, 199);
    second.command(kPaste);
    ASSERT_TRUE(pasted(second));
    save(second);
    Bytes want = sb;
    want.erase(want.begin() + 100 * 4, want.begin() + 200 * 4);
    Bytes clip = frames(sa, 500, 300);
    want.insert(want.begin() + 100 * 4, clip.begin(), clip.end());
    EXPECT_EQ(want, savedData(b));
    EXPECT_EQ(0, second.close());
}

TEST(Edit, PastesWavesOtherProgramsPutOnTheClipboard)
{
    std::string dir = zd::freshDir("foreign");
    std::string file = dir + "\\f.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, Bytes(20, 0)));
    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "f.wav - Zelo Edit"));
    settle(app);

    /* A LIST chunk between "fmt " and "data". */
    Bytes list = {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'I', 'N', 'F', 'O', 'x', 'y', 'z', 'w'};
    Bytes pcm = {0x10, 0x00, 0x20, 0x00, 0xF0, 0xFF};
    ASSERT_TRUE(putClipboard(riff(1, 1, 8000, 16, pcm, list)));
    app.command(kPaste);
    ASSERT_TRUE(pasted(app));
    save(app);
    Bytes got = savedData(file);
    ASSERT_EQ(26u, got.size());
    EXPECT_EQ(pcm, Bytes(got.begin(), got.begin() + 6));

    /* A-law and µ-law: the wave filter decodes them.  0xD5 is A-law +8, 0x55 -8;
       µ-law 0xFF is 0, 0x80 is +32124. */
    app.command(kUndo);
    app.idle(500);
    ASSERT_TRUE(putClipboard(riff(6, 1, 8000, 8, Bytes{0xD5, 0x55})));
    app.command(kPaste);
    ASSERT_TRUE(pasted(app));
    zd::MsgBox box;
    EXPECT_FALSE(app.waitMessageBox(&box, 300)) << box.text;
    save(app);
    got = savedData(file);
    /* Undo left the frames where the paste was selected: this paste replaces those 3. */
    ASSERT_EQ(18u, got.size());
    EXPECT_EQ(8, s16at(got, 0));
    EXPECT_EQ(-8, s16at(got, 1));

    app.command(kUndo);
    app.idle(500);
    ASSERT_TRUE(putClipboard(riff(7, 1, 8000, 8, Bytes{0xFF, 0x80})));
    app.command(kPaste);
    ASSERT_TRUE(pasted(app));
    save(app);
    got = savedData(file);
    ASSERT_EQ(18u, got.size());
    EXPECT_EQ(0, s16at(got, 0));
    EXPECT_EQ(32124, s16at(got, 1));
    EXPECT_EQ(0, app.close());
}

TEST(Edit, PasteIntoNoWaveMakesAnUntitledWave)
{
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(putClipboard(riff(1, 2, 11025, 8, Bytes{1, 2, 3, 4, 5, 6})));
    app.command(kPaste);
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit")) << app.title();
    app.idle();
    /* A new wave starts with nothing to undo. */
    EXPECT_EQ("Can't Undo", menuText(app, kUndo));
    zd::screenshot("edit-paste-into-nothing");
    app.post(WM_CLOSE);
    zd::MsgBox box;
    if (app.waitMessageBox(&box, 3000))
        zd::click(box.hwnd, IDNO);
    EXPECT_EQ(0, app.waitExit());
}

} // namespace
