/*
 * Editing faults as a user meets them in the running program: Open Append undone like a
 * paste at the end with the levels before it kept; clipboard waves that cannot be pasted
 * refused with a message that says why; and the waveform drawn the same while a command's
 * dialog is up as before it opened, also when only one channel of a stereo wave is edited.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

using zd::waitUndo;

using zd::settle;
using zd::waitTitle;

enum { kSave = 1151, kUndo = 102, kPaste = 2100, kSelectAll = 115, kInvert = 3100, kOpenAppend = 135,
       kByteSwap = 112, kEditLeftOnly = 341 };

typedef std::vector<unsigned char> Bytes;

Bytes saved(zd::App &app, const std::string &path)
{
    settle(app);
    app.send(WM_COMMAND, (WPARAM)kSave, 0);
    Bytes back;
    unsigned rate;
    int bits, channels;
    zd::readWave(path, &rate, &bits, &channels, &back);
    return back;
}

/* Puts any bytes on the clipboard as CF_WAVE, as another program would. */
bool putClipboard(const Bytes &block)
{
    for (int t = 0; t < 2000 && !OpenClipboard(NULL); t += 20)
        Sleep(20);
    EmptyClipboard();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, block.size() ? block.size() : 1);
    memcpy(GlobalLock(h), block.data(), block.size());
    GlobalUnlock(h);
    bool ok = SetClipboardData(CF_WAVE, h) != NULL;
    CloseClipboard();
    return ok;
}

Bytes riff(int channels, unsigned rate, int bits, const Bytes &data)
{
    Bytes b;
    auto p32 = [&](unsigned v) { for (int i = 0; i < 4; i++) b.push_back((unsigned char)(v >> (8 * i))); };
    auto p16 = [&](unsigned v) { b.push_back((unsigned char)v); b.push_back((unsigned char)(v >> 8)); };
    auto tag4 = [&](const char *t) { b.insert(b.end(), t, t + 4); };
    tag4("RIFF");
    p32((unsigned)(36 + data.size()));
    tag4("WAVE");
    tag4("fmt ");
    p32(16);
    p16(1);
    p16(channels);
    p32(rate);
    unsigned ba = channels * bits / 8;
    p32(ba * rate);
    p16(ba);
    p16(bits);
    tag4("data");
    p32((unsigned)data.size());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes put32(Bytes b, size_t at, unsigned v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (unsigned char)(v >> (8 * i));
    return b;
}

Bytes put16(Bytes b, size_t at, unsigned v)
{
    b[at] = (unsigned char)v;
    b[at + 1] = (unsigned char)(v >> 8);
    return b;
}

/* 1. Open Append is one undo level; the levels before it stay. */
TEST(EditFaults, OpenAppendIsUndoneLikeAPasteAndKeepsEarlierLevels)
{
    std::string dir = zd::freshDir("append-undo");
    std::string a = dir + "\\a.wav", b = dir + "\\b.wav";
    const Bytes first = {0, 10, 20, 128, 250}, second = {1, 2, 3};
    ASSERT_TRUE(zd::writeWave(a, 8000, 8, 1, first));
    ASSERT_TRUE(zd::writeWave(b, 8000, 8, 1, second));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({a}));
    ASSERT_TRUE(waitTitle(app, "a.wav - Zelo Edit"));
    settle(app);

    app.command(kSelectAll);
    app.command(kInvert);
    ASSERT_TRUE(waitUndo(app, "Undo Invert"));
    const Bytes inverted = {255, 245, 235, 127, 5};

    app.command(kOpenAppend);
    HWND dlg = app.waitWindow("Append a Waveform");
    ASSERT_TRUE(dlg);
    zd::fillFileDialog(dlg, b);
    ASSERT_TRUE(waitUndo(app, "Undo Paste")) << zd::menuText(app, kUndo);
    Bytes want = inverted;
    want.insert(want.end(), second.begin(), second.end());
    EXPECT_EQ(want, saved(app, a));

    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Undo Invert")) << zd::menuText(app, kUndo);
    EXPECT_EQ(inverted, saved(app, a));
    app.command(kUndo);
    ASSERT_TRUE(waitUndo(app, "Can't Undo")) << zd::menuText(app, kUndo);
    EXPECT_EQ(first, saved(app, a));
    EXPECT_EQ(0, app.close());
}

/* 2. A clipboard wave that cannot be pasted: a message says why, nothing is made. */
TEST(EditFaults, MalformedClipboardWavesAreRefusedWithAMessage)
{
    const Bytes good = riff(1, 8000, 16, Bytes{1, 0, 2, 0, 3, 0});
    struct Case { const char *name; Bytes block; const char *says; } cases[] = {
        {"header cut short", Bytes(good.begin(), good.begin() + 30), "header is cut short"},
        {"fmt size 0xFFFFFFFF", put32(good, 16, 0xFFFFFFFFu), "no sample data"},
        {"0 channels", put16(good, 22, 0), "0 channels"},
        {"rate 0", put32(good, 24, 0), "rate of 0 Hz"},
        {"12-bit samples", put16(good, 34, 12), "12-bit"},
        {"rate 4294967295", put32(good, 24, 0xFFFFFFFFu), "rate of 4294967295 Hz"},
    };
    zd::App app;
    ASSERT_TRUE(app.start());
    settle(app);
    const std::string empty = app.title();
    for (const Case &c : cases) {
        ASSERT_TRUE(putClipboard(c.block)) << c.name;
        app.command(kPaste);
        zd::MsgBox box;
        ASSERT_TRUE(app.waitMessageBox(&box, 5000)) << c.name << ": Paste said nothing";
        EXPECT_EQ("Paste Error", box.caption) << c.name;
        EXPECT_NE(std::string::npos, box.text.find(c.says)) << c.name << ": " << box.text;
        zd::click(box.hwnd, IDOK);
        ASSERT_TRUE(zd::waitGone(box.hwnd));
        settle(app);
        EXPECT_EQ(empty, app.title()) << c.name << ": a waveform was made";
    }
    zd::screenshot("edit-faults-bad-clipboard");
    /* A good wave after them still pastes. */
    ASSERT_TRUE(putClipboard(good));
    app.command(kPaste);
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit")) << app.title();
    settle(app);
    app.post(WM_CLOSE);
    zd::MsgBox box;
    if (app.waitMessageBox(&box, 3000))
        zd::click(box.hwnd, IDNO);
    EXPECT_EQ(0, app.waitExit());
}

/* 3. A repaint while a command's dialog is up draws the wave as it is: stereo stays
      stereo while one channel is edited. */
TEST(EditFaults, RepaintDuringADialogDrawsTheWaveInItsOwnFormat)
{
    std::string dir = zd::freshDir("dialog-format");
    std::string file = dir + "\\s.wav";
    Bytes data;
    for (int i = 0; i < 4000; i++) {
        int l = (i / 100) % 2 ? 20000 : -20000, r = (i / 37) % 2 ? 8000 : -3000;
        for (int v : {l, r}) {
            data.push_back((unsigned char)(v & 0xFF));
            data.push_back((unsigned char)((v >> 8) & 0xFF));
        }
    }
    ASSERT_TRUE(zd::writeWave(file, 8000, 16, 2, data));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({file}));
    ASSERT_TRUE(waitTitle(app, "s.wav - Zelo Edit"));
    settle(app);
    app.command(kEditLeftOnly);
    app.idle(300);
    RedrawWindow(app.main(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    app.idle(300);
    int w0, h0, w1, h1;
    std::vector<unsigned> before, during;
    ASSERT_TRUE(zd::grabClient(app.main(), &w0, &h0, &before));

    app.command(kByteSwap);
    HWND dlg = app.waitWindow("Byte Swap");
    ASSERT_TRUE(dlg);
    /* Out of the way of the waveform, then a full repaint while the dialog is up. */
    ShowWindow(dlg, SW_HIDE);
    RedrawWindow(app.main(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    ASSERT_TRUE(zd::grabClient(app.main(), &w1, &h1, &during));
    zd::screenshot("edit-faults-dialog-repaint");
    ShowWindow(dlg, SW_SHOW);
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(zd::waitGone(dlg));

    ASSERT_EQ(w0, w1);
    ASSERT_EQ(h0, h1);
    size_t differ = 0;
    for (size_t i = 0; i < before.size(); i++)
        differ += before[i] != during[i];
    EXPECT_EQ(0u, differ) << "pixels drawn differently while the dialog was up";
    settle(app);
    EXPECT_EQ(0, app.close());
}

} // namespace
