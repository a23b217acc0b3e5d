/*
 * The waveform view as a user meets it: the status texts after opening a file and after
 * selecting by mouse drag, Shift-click, keyboard and the Viewing Range dialog; zooming and
 * scrolling read back through the status fields; the time-format switches; a click right of
 * the last frame; and pixel checks of the picture (full-scale square, silence, the waveform
 * colour, the highlight after dragging back across the anchor, one channel of a stereo file).
 *
 * The waveform area sits 3 pixels in from the client's sides, 30 pixels from its top and
 * 106 pixels above its bottom (the shell's rows, the ruler strip and the range bar below it).
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>

namespace {

using zd::waitGone;
using zd::waitTitle;

const int kZoomIn = 197, kZoomOut = 196, kFullView = 195, kViewRange = 3147;
const int kDecimal = 351, kSamples = 353, kPageDown = 325, kHome = 326;
const int kCaretRight = 104, kExtendRight = 106, kExtendLeft = 107;

struct Area {
    int left, top, right, bottom, w;
};

Area area(zd::App &app)
{
    RECT rc;
    GetClientRect(app.main(), &rc);
    Area a = {3, 30, rc.right - 3, rc.bottom - 106, 0};
    a.w = a.right - a.left;
    return a;
}

/* The status fields in creation order: begin, end, length, format, samples, size. */
std::vector<HWND> fields(zd::App &app)
{
    std::vector<HWND> out;
    for (HWND c = GetWindow(app.main(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (zd::windowText(c).rfind(" Beg:", 0) == 0 && IsWindowVisible(c)) {
            for (HWND f = c; f && out.size() < 6; f = GetWindow(f, GW_HWNDNEXT))
                out.push_back(f);
            break;
        }
    return out;
}

std::string field(zd::App &app, int i)
{
    std::vector<HWND> f = fields(app);
    return i < (int)f.size() ? zd::windowText(f[i]) : "<missing>";
}

/* Waits until the program handled everything posted, including a picture recomputation
   (which answers sent messages while it pumps, so one round trip is not enough). */
void settlePicture(zd::App &app)
{
    for (int i = 0; i < 3; i++) {
        app.idle();
        Sleep(30);
    }
}

void mouse(zd::App &app, UINT msg, int x, int y, WPARAM keys = 0)
{
    app.post(msg, keys, MAKELPARAM(x, y));
}

void click(zd::App &app, int x, int y, WPARAM keys = 0)
{
    mouse(app, WM_LBUTTONDOWN, x, y, MK_LBUTTON | keys);
    mouse(app, WM_LBUTTONUP, x, y, keys);
    settlePicture(app);
}

void drag(zd::App &app, int x1, int x2, int y, int x3 = -1)
{
    mouse(app, WM_LBUTTONDOWN, x1, y, MK_LBUTTON);
    mouse(app, WM_MOUSEMOVE, (x1 + x2) / 2, y, MK_LBUTTON);
    mouse(app, WM_MOUSEMOVE, x2, y, MK_LBUTTON);
    if (x3 >= 0) {
        mouse(app, WM_MOUSEMOVE, (x2 + x3) / 2, y, MK_LBUTTON);
        mouse(app, WM_MOUSEMOVE, x3, y, MK_LBUTTON);
    }
    mouse(app, WM_LBUTTONUP, x3 >= 0 ? x3 : x2, y);
    settlePicture(app);
}

/* The view's frame under column offset c for a view of n frames from frame 0. */
unsigned frameAt(int c, int w, unsigned n) { return (unsigned)((double)c / w * (n > (unsigned)w ? n : w)); }

std::string num(const char *fmt, unsigned v)
{
    char t[64];
    snprintf(t, sizeof t, fmt, v);
    return t;
}

/* Mono 16-bit: first half alternates full scale every frame, the second half is silent. */
std::vector<unsigned char> squareThenSilence(int frames, int channels = 1)
{
    std::vector<unsigned char> d;
    for (int i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++) {
            short v = i < frames / 2 ? (i % 2 ? 32767 : -32768) : 0;
            d.push_back((unsigned char)(v & 0xFF));
            d.push_back((unsigned char)((v >> 8) & 0xFF));
        }
    return d;
}

class ViewTest : public ::testing::Test {
protected:
    bool open(int frames, int channels = 1, const char *colour = nullptr)
    {
        std::string dir = zd::freshDir(std::string("view-") +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::string in = dir + "\\view.wav";
        if (!zd::writeWave(in, 8000, 16, channels, squareThenSilence(frames, channels)))
            return false;
        std::string settings = dir + "\\settings";
        CreateDirectoryA(settings.c_str(), NULL);
        DeleteFileA((settings + "\\zelo.ini").c_str());   /* process ids repeat under Wine */
        DeleteFileA((settings + "\\win.ini").c_str());
        if (colour)
            zd::writeIni(settings + "\\zelo.ini", "Colors", "Waveform", colour);
        if (!app.start("\"" + in + "\"", settings) || !waitTitle(app, "view.wav - Zelo Edit"))
            return false;
        app.command(198);   /* stop the command-line file's first play */
        settlePicture(app);
        a = area(app);
        return true;
    }
    unsigned pixel(int x, int y)
    {
        int w, h;
        std::vector<unsigned> px;
        if (!zd::grabClient(app.main(), &w, &h, &px) || x < 0 || y < 0 || x >= w || y >= h)
            return 0xDEADBEEF;
        return px[(size_t)y * w + x];
    }
    bool grab()
    {
        settlePicture(app);
        Sleep(250);   /* the display server shows what was drawn a moment later */
        int h;
        return zd::grabClient(app.main(), &gw, &h, &px);
    }
    unsigned at(int x, int y) const { return px[(size_t)y * gw + x]; }
    zd::App app;
    Area a{};
    int gw = 0;
    std::vector<unsigned> px;
};

TEST_F(ViewTest, StatusTextsAfterOpenAndMouseSelection)
{
    ASSERT_TRUE(open(16000));
    EXPECT_EQ(" Beg:  0:00.000", field(app, 0));
    EXPECT_EQ(" End:", field(app, 1));
    EXPECT_EQ(" Time:  0:02.000", field(app, 2));
    EXPECT_EQ(" 8000 / 16 bit / Mono", field(app, 3));
    EXPECT_EQ(" 16000 Samples", field(app, 4));
    EXPECT_EQ(" 31 K", field(app, 5));

    app.command(kSamples);
    settlePicture(app);
    EXPECT_EQ(" Beg: 0", field(app, 0));
    EXPECT_EQ(" Time: 16000", field(app, 2));

    int y = a.top + 40;
    drag(app, a.left + 100, a.left + 200, y);
    unsigned s = frameAt(100, a.w, 16000), e = frameAt(200, a.w, 16000) - 1;
    EXPECT_EQ(num(" Beg: %u", s), field(app, 0));
    EXPECT_EQ(num(" End: %u", e), field(app, 1));
    EXPECT_EQ(num(" Time: %u", e - s + 1), field(app, 2));

    /* Shift-click left of the middle moves the start and keeps the end. */
    click(app, a.left + 120, y, MK_SHIFT);
    s = frameAt(120, a.w, 16000);
    EXPECT_EQ(num(" Beg: %u", s), field(app, 0));
    EXPECT_EQ(num(" End: %u", e), field(app, 1));
    /* Right of the middle: the end moves, the start stays. */
    click(app, a.left + 300, y, MK_SHIFT);
    e = frameAt(300, a.w, 16000) - 1;
    EXPECT_EQ(num(" Beg: %u", s), field(app, 0));
    EXPECT_EQ(num(" End: %u", e), field(app, 1));
    /* The right button extends too. */
    mouse(app, WM_RBUTTONDOWN, a.left + 350, y, MK_RBUTTON);
    mouse(app, WM_RBUTTONUP, a.left + 350, y);
    settlePicture(app);
    EXPECT_EQ(num(" End: %u", frameAt(350, a.w, 16000) - 1), field(app, 1));

    /* Keyboard: a cursor, Shift+Right twice, Shift+Left once, Right past the end. */
    click(app, a.left + 50, y);
    unsigned c = frameAt(50, a.w, 16000);
    EXPECT_EQ(num(" Beg: %u", c), field(app, 0));
    EXPECT_EQ(" End:", field(app, 1));
    app.command(kExtendRight);
    app.command(kExtendRight);
    app.command(kExtendLeft);
    settlePicture(app);
    EXPECT_EQ(num(" Beg: %u", c), field(app, 0));
    EXPECT_EQ(num(" End: %u", frameAt(51, a.w, 16000) - 1), field(app, 1));
    app.command(kCaretRight);
    app.command(kCaretRight);
    settlePicture(app);
    EXPECT_EQ(num(" Beg: %u", frameAt(52, a.w, 16000)), field(app, 0));
    EXPECT_EQ(" End:", field(app, 1));   /* the start passed the end: a cursor again */
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, ViewingRangeZoomAndScrollThroughTheStatusFields)
{
    ASSERT_TRUE(open(16000));
    app.command(kSamples);
    int y = a.top + 40;
    click(app, a.left + 10, y);

    app.command(kViewRange);
    HWND dlg = app.waitWindow("Viewing Range");
    ASSERT_TRUE(dlg);
    EXPECT_EQ("0", zd::getText(dlg, 1000));
    EXPECT_EQ("15999", zd::getText(dlg, 1001));
    /* Nonsense is refused with a message, the dialog stays. */
    zd::setText(dlg, 1000, "abc");
    zd::click(dlg, IDOK);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box));
    EXPECT_EQ("Sorry", box.caption);
    zd::click(box.hwnd, IDOK);
    for (int t = 0; t < 5000 && IsWindow(box.hwnd); t += 50)
        Sleep(50);
    ASSERT_TRUE(IsWindow(dlg));
    zd::setText(dlg, 1000, "4000");
    zd::setText(dlg, 1001, "11999");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    settlePicture(app);
    EXPECT_EQ(" Time: 8000", field(app, 2));   /* no selection: the view's length */
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), kZoomOut)));

    app.command(kZoomOut);   /* three times the length, centred, within the data */
    settlePicture(app);
    EXPECT_EQ(" Time: 16000", field(app, 2));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kZoomOut)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kFullView)));

    /* Zoom In on a selection: the view becomes it. */
    drag(app, a.left + 100, a.left + 300, y);
    unsigned s = frameAt(100, a.w, 16000), e = frameAt(300, a.w, 16000) - 1;
    app.command(kZoomIn);
    settlePicture(app);
    click(app, a.left + 1, y);   /* a cursor, so the length field shows the view */
    EXPECT_EQ(num(" Time: %u", e - s + 1), field(app, 2));
    EXPECT_EQ(num(" Beg: %u", s + frameAt(1, a.w, e - s + 1)), field(app, 0));

    /* Page Down moves by the view's length; Home goes back. */
    app.command(kPageDown);
    settlePicture(app);
    click(app, a.left, y);
    EXPECT_EQ(num(" Beg: %u", s + (e - s + 1)), field(app, 0));
    app.command(kHome);
    settlePicture(app);
    click(app, a.left, y);
    EXPECT_EQ(" Beg: 0", field(app, 0));

    app.command(kFullView);
    settlePicture(app);
    EXPECT_EQ(" Time: 16000", field(app, 2));

    /* A range narrower than the area becomes the selection; Zoom In is then off. */
    app.command(kViewRange);
    dlg = app.waitWindow("Viewing Range");
    ASSERT_TRUE(dlg);
    zd::setText(dlg, 1000, "100");
    zd::setText(dlg, 1001, "200");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    settlePicture(app);
    EXPECT_EQ(" Beg: 100", field(app, 0));
    EXPECT_EQ(" End: 200", field(app, 1));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kZoomIn)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), kZoomOut)));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, TimeFormatsSwitchByMenuAndDoubleClicks)
{
    ASSERT_TRUE(open(16000));
    drag(app, a.left + 100, a.left + 200, a.top + 40);
    std::string decBeg = field(app, 0), decTime = field(app, 2);
    ASSERT_EQ(0u, decBeg.find(" Beg:  0:0"));
    std::vector<HWND> f = fields(app);
    ASSERT_EQ(6u, f.size());
    /* The length field cycles on its own. */
    app.post(WM_COMMAND, MAKEWPARAM(0xFFFF, STN_DBLCLK), (LPARAM)f[2]);
    settlePicture(app);
    EXPECT_EQ(decBeg, field(app, 0));
    EXPECT_EQ(0u, field(app, 2).find(" Time: ")) << field(app, 2);
    EXPECT_EQ(std::string::npos, field(app, 2).find(':', 6));   /* samples: a plain number */
    /* The begin field: decimal -> samples. */
    app.post(WM_COMMAND, MAKEWPARAM(0xFFFF, STN_DBLCLK), (LPARAM)f[0]);
    settlePicture(app);
    EXPECT_EQ(num(" Beg: %u", frameAt(100, a.w, 16000)), field(app, 0));
    /* A double-click on the ruler strip sets all three to the begin field's next format. */
    mouse(app, WM_LBUTTONDBLCLK, a.left + 200, a.bottom + 6, MK_LBUTTON);
    mouse(app, WM_LBUTTONUP, a.left + 200, a.bottom + 6);
    settlePicture(app);
    EXPECT_NE(std::string::npos, field(app, 0).find(" f")) << field(app, 0);
    EXPECT_NE(std::string::npos, field(app, 1).find(" f")) << field(app, 1);
    EXPECT_NE(std::string::npos, field(app, 2).find(" frms")) << field(app, 2);
    zd::screenshot("view-custom-frames");
    app.command(kDecimal);
    settlePicture(app);
    EXPECT_EQ(decBeg, field(app, 0));
    EXPECT_EQ(decTime, field(app, 2));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, ClickRightOfTheLastFrameGivesTheFrameAfterIt)
{
    ASSERT_TRUE(open(300));   /* fewer frames than columns */
    app.command(kSamples);
    click(app, a.right - 2, a.top + 40);
    EXPECT_EQ(" Beg: 300", field(app, 0));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, SquareFillsTheHeightSilenceDrawsTheCentreLine)
{
    ASSERT_TRUE(open(16000));
    ASSERT_TRUE(grab());
    zd::screenshot("view-square-silence");
    const unsigned green = 0x00FF00, black = 0x000000, red = 0xFF0000;
    int x = a.left + a.w / 4;
    EXPECT_EQ(green, at(x, a.top + 1));
    EXPECT_EQ(green, at(x, a.bottom - 1));
    EXPECT_EQ(green, at(x, (a.top + a.bottom) / 2 - 20));
    /* Silence: the flat stroke and the red centre line just below it, black elsewhere. */
    x = a.left + a.w * 3 / 4;
    int line = -1, lit = 0;
    for (int yy = a.top + 1; yy < a.bottom; yy++) {
        if (at(x, yy) == red && line < 0)
            line = yy;
        if (at(x, yy) != black)
            lit++;
    }
    ASSERT_GT(line, a.top);
    EXPECT_NEAR((a.top + a.bottom) / 2, line, 2);
    EXPECT_LE(lit, 2);
    EXPECT_TRUE(at(x, line - 1) == green || at(x, line - 1) == black);
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, WaveformColourComesFromTheSettings)
{
    ASSERT_TRUE(open(16000, 1, "255,0,0"));
    ASSERT_TRUE(grab());
    int x = a.left + a.w / 4;
    EXPECT_EQ(0xFF0000u, at(x, a.top + 1));
    EXPECT_EQ(0xFF0000u, at(x, a.top + 30));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, DraggingBackAcrossTheAnchorLeavesNoStrayColumns)
{
    ASSERT_TRUE(open(16000));
    /* In the silent half: the highlight turns black into white. */
    int x0 = a.left + a.w * 3 / 4, y = a.top + 20;
    drag(app, x0, x0 + 60, y, x0 - 60);
    ASSERT_TRUE(grab());
    zd::screenshot("view-drag-back");
    int wrong = 0;
    for (int x = x0 - 100; x <= x0 + 70; x++) {
        bool inside = x >= x0 - 60 && x < x0;
        unsigned want = inside ? 0xFFFFFF : 0x000000;
        if (at(x, y) != want && ++wrong < 5)
            ADD_FAILURE() << "column " << x - x0 << " is " << std::hex << at(x, y);
    }
    EXPECT_EQ(0, wrong);
    /* A repaint draws the same highlight. */
    InvalidateRect(app.main(), NULL, FALSE);
    settlePicture(app);
    ASSERT_TRUE(grab());
    EXPECT_EQ(0xFFFFFFu, at(x0 - 30, y));
    EXPECT_EQ(0x000000u, at(x0 + 30, y));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, StereoClickInTheTopTwelfthEditsTheLeftChannel)
{
    ASSERT_TRUE(open(16000, 2));
    int x = a.left + a.w / 4;
    ASSERT_TRUE(grab());
    EXPECT_EQ(0x00FF00u, at(x, a.bottom - 3));   /* both channels lit */
    click(app, a.left + 50, a.top + 3);
    settlePicture(app);
    ASSERT_TRUE(grab());
    zd::screenshot("view-stereo-left");
    EXPECT_EQ(0x00FF00u, at(x, a.top + 3));
    unsigned right = at(x, a.bottom - 3);
    EXPECT_NE(0x00FF00u, right);   /* the right channel is drawn grey */
    EXPECT_EQ((right >> 16) & 0xFF, right & 0xFF);
    EXPECT_NE(0u, right);
    /* Ctrl+B (340) edits both again. */
    app.command(340);
    settlePicture(app);
    ASSERT_TRUE(grab());
    EXPECT_EQ(0x00FF00u, at(x, a.bottom - 3));
    EXPECT_EQ(0, app.close());
}

TEST_F(ViewTest, EmptyNewWaveDrawsFramesAndRulerOnly)
{
    std::string dir = zd::freshDir("view-empty");
    DeleteFileA((dir + "\\zelo.ini").c_str());
    DeleteFileA((dir + "\\win.ini").c_str());
    ASSERT_TRUE(app.start("", dir));
    a = area(app);
    EXPECT_EQ(" Beg:", field(app, 0));
    EXPECT_EQ("", field(app, 3));   /* no document: empty format field */
    app.command(1050);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    settlePicture(app);
    EXPECT_EQ(" 0 Samples", field(app, 4));
    EXPECT_EQ(" 0 K", field(app, 5));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kZoomIn)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(app.main(), kFullView)));
    /* Clicks, keys and zooms on no data change nothing and draw no strokes. */
    click(app, a.left + 100, a.top + 40);
    app.command(kCaretRight);
    app.command(kZoomOut);
    app.command(kPageDown);
    ASSERT_TRUE(grab());
    int lit = 0;
    for (int x = a.left; x < a.right; x += 7)
        for (int y = a.top + 1; y < a.bottom; y += 5)
            lit += at(x, y) != 0;
    EXPECT_EQ(0, lit);
    EXPECT_EQ(" Beg:  0:00.000", field(app, 0));
    EXPECT_EQ(0, app.close());
}

} // namespace
