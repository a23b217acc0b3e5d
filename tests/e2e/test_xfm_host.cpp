/*
 * A transform module run by the real program: a plain-C module built against the SDK header
 * alone ("Test Half": asks in a message box, halves every sample, 16-bit only) placed beside
 * a copy of zelo.exe, found at start-up, run from its menu entry, undone, saved, repeated
 * with and without its question, and its settings written under "Profile" at exit.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

namespace {

const int kSave = 1151, kUndo = 102, kSelectAll = 115, kRepeat = 130, kRepeatNoDialog = 131, kFirstXfm = 7000;

std::string winPath(std::string p)
{
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::vector<unsigned char> le16(std::initializer_list<int> v)
{
    std::vector<unsigned char> b;
    for (int x : v) {
        b.push_back((unsigned char)(x & 0xFF));
        b.push_back((unsigned char)((x >> 8) & 0xFF));
    }
    return b;
}

std::vector<unsigned char> saved(zd::App &app, const std::string &path)
{
    zd::settle(app);
    app.send(WM_COMMAND, (WPARAM)kSave, 0);
    std::vector<unsigned char> back;
    unsigned rate;
    int bits, channels;
    zd::readWave(path, &rate, &bits, &channels, &back);
    return back;
}

/* Answers the module's question; false when none came. */
bool answer(zd::App &app, int button)
{
    zd::MsgBox box;
    if (!app.waitMessageBox(&box, 8000))
        return false;
    EXPECT_EQ("Test Half", box.caption);
    EXPECT_EQ("Halve the samples?", box.text);
    zd::click(box.hwnd, button);
    return zd::waitGone(box.hwnd);
}

/* The program and its modules in a folder of their own, so the module reaches no other test. */
class BinDir : public zd::ProgramDir {
public:
    explicit BinDir(const std::string &name)
        : zd::ProgramDir(name, {"zelo.exe", "wave.flt", winPath(ZELO_XFM_TEST_MODULES) + "\\thalf.xfm"}) {}
};

TEST(XfmHost, ModuleRunsFromItsMenuEntryUndoesSavesAndRepeats)
{
    BinDir bin("xfmhost");
    std::string file = zd::freshDir("xfmhost-data") + "\\h.wav";
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 1, le16({1000, -2000, 4000, 800})));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(zd::waitTitle(app, "h.wav - Zelo Edit"));
    zd::settle(app);
    EXPECT_EQ("Test Half...", zd::menuText(app, kFirstXfm));
    EXPECT_FALSE(zd::menuGrayed(app, kFirstXfm));

    app.command(kSelectAll);
    app.command(kFirstXfm);
    ASSERT_TRUE(answer(app, IDOK));
    ASSERT_TRUE(zd::waitUndo(app, "Undo Test Half"));
    EXPECT_EQ(le16({500, -1000, 2000, 400}), saved(app, file));

    app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(app, "Can't Undo"));
    EXPECT_EQ(le16({1000, -2000, 4000, 800}), saved(app, file));

    /* Once more with the question, then F3 repeats it without asking. */
    app.command(kFirstXfm);
    ASSERT_TRUE(answer(app, IDOK));
    ASSERT_TRUE(zd::waitUndo(app, "Undo Test Half"));
    zd::settle(app);
    app.command(kRepeatNoDialog);
    zd::settle(app);
    zd::MsgBox box;
    EXPECT_FALSE(app.waitMessageBox(&box, 1500)) << "F3 asks nothing";
    EXPECT_EQ(le16({250, -500, 1000, 200}), saved(app, file));

    /* Repeat Last Command asks again; Cancel changes nothing. */
    app.command(kRepeat);
    ASSERT_TRUE(answer(app, IDCANCEL));
    EXPECT_EQ(le16({250, -500, 1000, 200}), saved(app, file));

    EXPECT_EQ(0, app.close());
    /* The settings block went to "Profile" at exit, its text's commas stored as 0x8C. */
    EXPECT_EQ("50,one\x8C two\x8C three,7", zd::readIni(app.settings() + "\\zelo.ini", "Profile", "Test Half"));
}

TEST(XfmHost, ModuleNeedingAWaveIsGreyedWithoutOne)
{
    BinDir bin("xfmhost-grey");
    zd::App app;
    ASSERT_TRUE(app.start());
    zd::settle(app);
    EXPECT_EQ("Test Half...", zd::menuText(app, kFirstXfm));
    EXPECT_TRUE(zd::menuGrayed(app, kFirstXfm));
    EXPECT_EQ(0, app.close());
}

}  // namespace
