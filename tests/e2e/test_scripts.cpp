/*
 * Scripts as a user meets them in the real program: edits recorded through the "Zelo Scripts"
 * dialog, added to a collection (read back as plain text), replayed on another copy of the
 * wave to the same bytes as the edits made by hand, and a batch over files of several rates
 * and lengths written under names built from a template.
 */
#include "zdriver.h"
#include "zmodules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace zm;

namespace {

enum {
    kScripts = 113, kUndo = 102, kReverse = 3080, kInvert = 3100, kDelete = 2200, kGenSilence = 4100, kDeselect = 254,
    kScrList = 3065, kScrRun = 3066, kScrBatch = 3074, kScrTitle = 3067, kScrRecord = 3070, kScrStop = 3071,
    kScrAdd = 3073, kSilTime = 230, kBtFiles = 3982, kBtDest = 3985, kBtTemplate = 3989, kBtBegin = 3993
};

typedef std::vector<unsigned char> Bytes;

Bytes pattern(int frames, int seed)
{
    Bytes b;
    for (int i = 0; i < frames; i++) {
        int v = ((i * (37 + seed)) % 30000) - 15000;
        b.push_back((unsigned char)(v & 0xFF));
        b.push_back((unsigned char)((v >> 8) & 0xFF));
    }
    return b;
}

std::string readText(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string settingsFor(const std::string &name, const std::string &collection)
{
    std::string settings = zd::freshDir(name);
    zd::writeIni(settings + "\\zelo.ini", "Scripts", "Opened", collection.c_str());
    zd::writeIni(settings + "\\zelo.ini", "Scripts", "DialogStop", "0");
    zd::writeIni(settings + "\\zelo.ini", "Scripts", "Report", "0");
    return settings;
}

HWND openScripts(zd::App &app)
{
    zd::settle(app);
    app.command(kScripts);
    return app.waitWindow("Zelo Scripts");
}

void selectScript(HWND dlg, int line)
{
    SendDlgItemMessageA(dlg, kScrList, LB_SETCURSEL, line, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kScrList, LBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, kScrList));
}

Bytes samplesOf(const std::string &path)
{
    unsigned rate = 0;
    int bits = 0, ch = 0;
    Bytes data;
    zd::readWave(path, &rate, &bits, &ch, &data);
    return data;
}

TEST(Scripts, RecordedEditsReplayToTheSameBytesAsByHand)
{
    std::string dir = zd::freshDir("scripts-replay");
    std::string col = dir + "\\my scripts.txt";
    std::string settings = settingsFor("scripts-replay-settings", col);
    std::string a = dir + "\\a.wav", a2 = dir + "\\a2.wav", hand = dir + "\\hand.wav", replayed = dir + "\\replayed.wav";
    ASSERT_TRUE(zd::writeWave(a, 8000, 16, 1, pattern(8000, 1)));
    ASSERT_TRUE(zd::writeWave(a2, 8000, 16, 1, pattern(8000, 1)));

    Session s;
    ASSERT_TRUE(s.open(a, settings));
    HWND dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    zd::setText(dlg, kScrTitle, "Edits by hand");
    zd::click(dlg, kScrRecord);
    ASSERT_TRUE(zd::waitGone(dlg));

    selectRange(s.app, 100, 199);
    s.app.command(kReverse);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Reverse"));
    selectRange(s.app, 300, 399);
    s.app.command(kInvert);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Invert"));
    selectRange(s.app, 500, 599);
    s.app.command(kDelete);
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Delete"));
    selectRange(s.app, 700, 700);
    s.app.command(kDeselect);
    zd::settle(s.app);
    s.app.command(kGenSilence);
    HWND gen = s.app.waitWindow("Generate Silence");
    ASSERT_TRUE(gen);
    zd::setText(gen, kSilTime, "0.05");
    zd::click(gen, IDOK);
    ASSERT_TRUE(zd::waitGone(gen));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Silence"));

    dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    zd::click(dlg, kScrStop);
    for (int t = 0; t < 3000 && !IsWindowEnabled(GetDlgItem(dlg, kScrAdd)); t += 50)
        Sleep(50);
    zd::setText(dlg, 3078, "Reverses, inverts, cuts\r\nand adds silence");
    zd::click(dlg, kScrAdd);
    for (int t = 0; t < 3000 && SendDlgItemMessageA(dlg, kScrList, LB_GETCOUNT, 0, 0) < 1; t += 50)
        Sleep(50);
    EXPECT_EQ(1, (int)SendDlgItemMessageA(dlg, kScrList, LB_GETCOUNT, 0, 0));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::saveAs(s.app, hand));

    /* The collection as plain text. */
    std::string text = readText(col);
    EXPECT_EQ(0u, text.find("Collection: New Collection\r\nTitle: Edits by hand\r\n"
                            "Description: Reverses, inverts, cuts\r\nDescription: and adds silence\r\nMode: 2\r\n"))
        << text;
    EXPECT_NE(std::string::npos, text.find("Selected: 100 to 199 scaled 8000 SR 8000\r\ncmd: Reverse\r\n"));
    EXPECT_NE(std::string::npos, text.find("cmd: Command 3100\r\n"));
    EXPECT_NE(std::string::npos, text.find("Selected: none at 700 scaled 8000 SR 8000\r\ncmd: Generate Silence\r\n1: 0.05\r\n"));
    EXPECT_NE(std::string::npos, text.find("End:\r\n"));
    EXPECT_EQ(std::string::npos, text.find("3147")) << "the viewing dialog is not recorded";

    /* Replayed on a fresh copy: the same bytes. */
    ASSERT_TRUE(s.app.dropFiles({a2}));
    ASSERT_TRUE(zd::waitTitle(s.app, "a2.wav - Zelo Edit", 30000));
    zd::settle(s.app);
    dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    selectScript(dlg, 0);
    zd::click(dlg, kScrRun);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Generate Silence", 20000));
    zd::settle(s.app);
    ASSERT_TRUE(zd::saveAs(s.app, replayed));
    Bytes want = samplesOf(hand), got = samplesOf(replayed);
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got);
    EXPECT_EQ(0, closeDiscarding(s.app));
}

/* The edits of one session, done by hand while recording or by the script: every built-in
   command that changes the sound, with its dialog where it has one, and a transform. */
void everyCommand(Session &s, bool byHand)
{
    auto undo = [&](const char *text) { ASSERT_TRUE(zd::waitUndo(s.app, text, 20000)) << text; zd::settle(s.app); };
    auto dialogOk = [&](const char *title, int field = 0, const char *value = nullptr) {
        HWND d = s.app.waitWindow(title, 8000);
        ASSERT_TRUE(d) << title;
        if (field)
            zd::setText(d, field, value);
        zd::click(d, IDOK);
        ASSERT_TRUE(zd::waitGone(d, 8000));
    };
    selectRange(s.app, 100, 199);
    s.app.command(1001);                          /* Edit Left */
    s.app.command(kReverse);
    undo("Undo Reverse");
    s.app.command(340);                           /* Edit Both */
    selectRange(s.app, 300, 399);
    s.app.command(kInvert);
    undo("Undo Invert");
    selectRange(s.app, 400, 449);
    s.app.command(3140);                          /* Silence */
    undo("Undo Silence");
    selectRange(s.app, 500, 549);
    s.app.command(112);                           /* Byte Swap, with its dialog */
    if (byHand)
        dialogOk("Byte Swap");
    undo("Undo Byte Swap");
    selectRange(s.app, 600, 649);
    s.app.command(2150);                          /* Cut */
    undo("Undo Cut");
    selectRange(s.app, 20, 29);
    s.app.command(2100);                          /* Paste over ten frames */
    undo("Undo Paste");
    selectRange(s.app, 700, 709);
    s.app.command(2050);                          /* Copy */
    zd::settle(s.app);
    selectRange(s.app, 800, 809);
    s.app.command(2110);                          /* Paste Special with its defaults */
    if (byHand)
        dialogOk("Paste Special");
    undo("Undo Paste");
    selectRange(s.app, 900, 999);
    s.app.command(kDelete);
    undo("Undo Delete");
    s.app.command(kUndo);                         /* Undo: the delete comes back */
    undo("Undo Paste");
    selectRange(s.app, 1000, 1000);
    s.app.command(kDeselect);
    zd::settle(s.app);
    s.app.command(kGenSilence);
    if (byHand)
        dialogOk("Generate Silence", kSilTime, "0.01");
    undo("Undo Generate Silence");
    s.app.command(115);                           /* Select All (not written: the selection is) */
    zd::settle(s.app);
    int amp = moduleCommand(s.app, "Amplify...");
    ASSERT_NE(0, amp);
    s.app.command(amp);
    if (byHand) {
        HWND d = s.app.waitWindow("Amplify", 8000);
        ASSERT_TRUE(d);
        zd::click(d, 102);                        /* percent */
        s.app.idle();
        zd::check(d, 105, true);
        zd::setText(d, 103, "50");
        s.app.idle();
        zd::click(d, IDOK);
        ASSERT_TRUE(zd::waitGone(d, 8000));
    }
    undo("Undo Amplify");
    s.app.command(120);                           /* Convert Sample Type to 16000 Hz */
    if (byHand)
        dialogOk("Convert Sample Type", 321, "16000");
    undo("Undo Convert Sample Type");
    selectRange(s.app, 100, 1499);
    s.app.command(2210);                          /* Trim */
    undo("Undo Trim");
}

TEST(Scripts, EveryBuiltInCommandAndATransformRecordAndReplay)
{
    std::string dir = zd::freshDir("scripts-every");
    std::string col = dir + "\\c.txt";
    std::string settings = settingsFor("scripts-every-settings", col);
    std::string a = dir + "\\a.wav", b = dir + "\\b.wav", hand = dir + "\\hand.wav", replayed = dir + "\\replayed.wav";
    Bytes stereo;
    for (int i = 0; i < 4000; i++)
        for (int ch = 0; ch < 2; ch++) {
            int v = ((i * (41 + 7 * ch)) % 24000) - 12000;
            stereo.push_back((unsigned char)(v & 0xFF));
            stereo.push_back((unsigned char)((v >> 8) & 0xFF));
        }
    ASSERT_TRUE(zd::writeWave(a, 8000, 16, 2, stereo));
    ASSERT_TRUE(zd::writeWave(b, 8000, 16, 2, stereo));
    Session s;
    ASSERT_TRUE(s.open(a, settings));
    HWND dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    zd::setText(dlg, kScrTitle, "Everything");
    zd::click(dlg, kScrRecord);
    ASSERT_TRUE(zd::waitGone(dlg));
    everyCommand(s, true);
    dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    zd::click(dlg, kScrStop);
    for (int t = 0; t < 3000 && !IsWindowEnabled(GetDlgItem(dlg, kScrAdd)); t += 50)
        Sleep(50);
    zd::click(dlg, kScrAdd);
    for (int t = 0; t < 3000 && SendDlgItemMessageA(dlg, kScrList, LB_GETCOUNT, 0, 0) < 1; t += 50)
        Sleep(50);
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::saveAs(s.app, hand));
    std::string text = readText(col);
    for (const char *cmd : {"cmd: Edit Left", "cmd: Reverse", "cmd: Command 340", "cmd: Command 3100", "cmd: Silence",
                            "cmd: Byte Swap", "cmd: Cut", "cmd: Paste\r\n", "cmd: Copy", "cmd: Paste Special\r\n1: 1\r\n",
                            "cmd: Delete", "cmd: Undo", "cmd: Generate Silence\r\n1: 0.01", "cmd: Amplify\r\n",
                            "cmd: Convert\r\n1: 16000", "cmd: Trim"})
        EXPECT_NE(std::string::npos, text.find(cmd)) << cmd;

    ASSERT_TRUE(s.app.dropFiles({b}));
    ASSERT_TRUE(zd::waitTitle(s.app, "b.wav - Zelo Edit", 30000));
    zd::settle(s.app);
    dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    selectScript(dlg, 0);
    zd::click(dlg, kScrRun);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Trim", 60000));
    zd::settle(s.app);
    ASSERT_TRUE(zd::saveAs(s.app, replayed));
    unsigned r1 = 0, r2 = 0;
    int b1 = 0, b2 = 0, c1 = 0, c2 = 0;
    Bytes want, got;
    ASSERT_TRUE(zd::readWave(hand, &r1, &b1, &c1, &want));
    ASSERT_TRUE(zd::readWave(replayed, &r2, &b2, &c2, &got));
    EXPECT_EQ(16000u, r1);
    EXPECT_EQ(r1, r2);
    EXPECT_EQ(want.size(), got.size());
    EXPECT_TRUE(want == got);
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Scripts, AnUnknownCommandLeavesTheRunWaitingAndStopEndsIt)
{
    std::string dir = zd::freshDir("scripts-unknown");
    std::string col = dir + "\\c.txt", a = dir + "\\a.wav";
    std::string settings = settingsFor("scripts-unknown-settings", col);
    zm::writeText(col, "Collection: X\r\nTitle: Strange\r\nMode: 2\r\n\r\nSelected: 0 to 99 scaled 8000 SR 8000\r\n"
                       "cmd: Frobnicate\r\n\r\nSelected: 0 to 99 scaled 8000 SR 8000\r\ncmd: Reverse\r\nEnd:\r\n");
    ASSERT_TRUE(zd::writeWave(a, 8000, 16, 1, pattern(8000, 3)));
    Session s;
    ASSERT_TRUE(s.open(a, settings));
    HWND dlg = openScripts(s.app);
    ASSERT_TRUE(dlg);
    selectScript(dlg, 0);
    zd::click(dlg, kScrRun);
    ASSERT_TRUE(zd::waitGone(dlg));
    Sleep(1500);
    EXPECT_EQ("Can't Undo", zd::menuText(s.app, kUndo)) << "nothing ran after the unknown command";
    s.app.command(kScripts);
    dlg = s.app.waitWindow("Script Run In Progress");
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, kScrStop)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, kScrRun)));
    zd::click(dlg, kScrStop);
    for (int t = 0; t < 3000 && zd::windowText(dlg) != "Zelo Scripts"; t += 50)
        Sleep(50);
    EXPECT_EQ("Zelo Scripts", zd::windowText(dlg));
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));
    Sleep(500);
    EXPECT_EQ("Can't Undo", zd::menuText(s.app, kUndo));
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Scripts, BatchWritesEveryFileUnderItsTemplateNameAndSkipsWhatItMustNot)
{
    std::string dir = zd::freshDir("scripts-batch");
    std::string src = dir + "\\in", out = dir + "\\out", col = dir + "\\c.txt";
    CreateDirectoryA(src.c_str(), NULL);
    CreateDirectoryA(out.c_str(), NULL);
    std::string settings = settingsFor("scripts-batch-settings", col);
    /* A mode-2 script recorded by hand: Invert of the whole wave (nothing selected). */
    zm::writeText(col, "Collection: Batch\r\nTitle: Invert all\r\nMode: 2\r\n\r\nSelected: none at 0 scaled 8000 SR 8000\r\n"
                       "cmd: Command 3100\r\n\r\nSelected: none at 0 scaled 8000 SR 8000\r\nEnd:\r\n\r\n\r\n");
    /* Twenty sources of several rates, channel counts and lengths, made by sox when it is
       there (by the test's own writer otherwise). */
    const unsigned rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
    const int kFiles = 20;
    bool sox = zd::haveSox(dir);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; i++) {
        std::string n = src + "\\take " + std::to_string(i) + ".wav";
        unsigned rate = rates[i % 7];
        int ch = 1 + i % 2;
        if (sox) {
            char cmd[512];
            snprintf(cmd, sizeof cmd, "sox -n -r %u -c %d -b 16 '%s' synth %.3f sine %d vol 0.8", rate, ch,
                     zd::unixPath(n).c_str(), 0.05 + 0.037 * i, 300 + 50 * i);
            ASSERT_TRUE(zd::runNative(dir, cmd));
        } else {
            ASSERT_TRUE(zd::writeWave(n, rate, 16, ch, pattern(1000 + 700 * i, i)));
        }
        names.push_back(n);
    }
    /* An output that exists already and must not be overwritten. */
    zm::writeText(out + "\\take 19_inv.wav", "keep me");

    zd::App app;
    ASSERT_TRUE(app.start("", settings));
    ASSERT_TRUE(app.dropFiles({names[0]}));
    ASSERT_TRUE(zd::waitTitle(app, "take 0.wav - Zelo Edit", 30000));
    zd::settle(app);
    HWND dlg = openScripts(app);
    ASSERT_TRUE(dlg);
    selectScript(dlg, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, kScrBatch)));
    zd::click(dlg, kScrBatch);
    HWND batch = app.waitWindow("Batch Process");
    ASSERT_TRUE(batch);
    for (const std::string &n : names) {
        std::wstring w(n.begin(), n.end());
        SendDlgItemMessageW(batch, kBtFiles, LB_ADDSTRING, 0, (LPARAM)w.c_str());
    }
    SendDlgItemMessageW(batch, kBtFiles, LB_ADDSTRING, 0, (LPARAM)L"Z:\\no\\such\\file.wav");
    zd::setText(batch, kBtTemplate, "*_inv.wav");
    zd::setText(batch, kBtDest, out);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(batch, kBtBegin)));
    zd::screenshot("scripts-batch-dialog");
    zd::click(batch, kBtBegin);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 60000));
    EXPECT_EQ("Done", box.caption);
    EXPECT_NE(std::string::npos, box.text.find("19 done, 0 failed, 2 skipped")) << "[" << box.text << "]";
    PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < kFiles - 1; i++) {
        std::string o = out + "\\take " + std::to_string(i) + "_inv.wav";
        unsigned rate = 0, inRate = 0;
        int bits = 0, ch = 0, inBits = 0, inCh = 0;
        Bytes data, in;
        ASSERT_TRUE(zd::readWave(o, &rate, &bits, &ch, &data)) << o;
        ASSERT_TRUE(zd::readWave(names[i], &inRate, &inBits, &inCh, &in));
        EXPECT_EQ(inRate, rate);
        EXPECT_EQ(inCh, ch);
        ASSERT_EQ(in.size(), data.size());
        bool inverted = true;
        for (size_t k = 0; k + 1 < in.size() && inverted; k += 2) {
            int x = (int16_t)(in[k] | in[k + 1] << 8), y = (int16_t)(data[k] | data[k + 1] << 8);
            inverted = y == (x == -32768 ? 32767 : -x);
        }
        EXPECT_TRUE(inverted) << o;
    }
    EXPECT_EQ("keep me", readText(out + "\\take 19_inv.wav"));
    for (const std::string &n : names)
        EXPECT_TRUE(zd::fileExists(n)) << "an input stays";
    EXPECT_EQ(0, closeDiscarding(app));
}

}  // namespace
