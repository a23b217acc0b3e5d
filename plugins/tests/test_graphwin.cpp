/* The envelope graph control in a window, as a module's dialog uses it: mouse messages
   forwarded to the services add, drag and delete points; a double click opens "Edit
   Point"; drawing; Inverse's messages; bad ids. */
#include <gtest/gtest.h>

#include "plugins/graph.h"
#include "plugins/graphcore.h"
#include "resources/resource.h"
#include "ui/frame.h"
#include "testutil.h"

#include <string>

namespace {

const int kGraphCtl = 100, kLabelCtl = 101;
short gGraph = -1;
int gLastResult = 0;

/* What a module's dialog procedure does: forward the mouse and the painting. */
LRESULT CALLBACK hostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    short x = (short)LOWORD(lp), y = (short)HIWORD(lp);
    switch (msg) {
    case WM_LBUTTONDOWN:   gLastResult = graphapiWM_LBUTTONDOWN(gGraph, x, y); return 0;
    case WM_MOUSEMOVE:     gLastResult = graphapiWM_MOUSEMOVE(gGraph, x, y); return 0;
    case WM_LBUTTONUP:     gLastResult = graphapiWM_LBUTTONUP(gGraph, x, y); return 0;
    case WM_LBUTTONDBLCLK: gLastResult = graphapiWM_LBUTTONDBLCLK(gGraph, x, y); return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        graphapiDraw(gGraph, dc);
        EndPaint(w, &ps);
        return 0;
    }
    }
    return DefWindowProcA(w, msg, wp, lp);
}

struct GraphWin : ::testing::Test {
    HWND host = NULL;
    void SetUp() override
    {
        Frame.instance = GetModuleHandleA(NULL);
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = hostProc;
        wc.hInstance = Frame.instance;
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = "ZeloGraphHost";
        RegisterClassA(&wc);
        host = CreateWindowA("ZeloGraphHost", "Graph", WS_POPUP | WS_VISIBLE | WS_CAPTION, 50, 50, 320, 300,
                             NULL, NULL, Frame.instance, NULL);
        /* The control at (10, 20)-(226, 236): plotting area 18..218 x 28..228, 5 units a pixel. */
        CreateWindowA("STATIC", "", WS_CHILD | SS_BLACKFRAME, 10, 20, 216, 216, host,
                      (HMENU)(INT_PTR)kGraphCtl, Frame.instance, NULL);
        CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, 10, 245, 250, 16, host,
                      (HMENU)(INT_PTR)kLabelCtl, Frame.instance, NULL);
        gGraph = graphapiCreate(0, 1000, 0, 1000, 0, 1000);
        ASSERT_GE(gGraph, 0);
        graphapiSetDialog(gGraph, host, kGraphCtl, kLabelCtl);
    }
    void TearDown() override
    {
        graphapiDestroy(gGraph);
        gGraph = -1;
        DestroyWindow(host);
    }
    void send(UINT msg, int x, int y) { SendMessageA(host, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y)); }
    POINT point(int i)
    {
        POINT p = {0x66666666, 0x66666666};
        graphapiGetPoint(gGraph, (short)i, &p);
        return p;
    }
    std::string label()
    {
        char text[128];
        GetDlgItemTextA(host, kLabelCtl, text, sizeof text);
        return text;
    }
};

TEST_F(GraphWin, ClickAddsDragMovesDragAwayDeletes)
{
    GraphData *g = graphFind(gGraph);
    EXPECT_EQ(10, g->outer.left);
    EXPECT_EQ(236, g->outer.bottom);
    EXPECT_EQ(18, g->inner.left);

    send(WM_LBUTTONDOWN, 115, 128);              /* (500, 500) */
    EXPECT_EQ(1, gLastResult);
    EXPECT_EQ(3, graphapiCount(gGraph));
    EXPECT_EQ(host, GetCapture());
    EXPECT_EQ("500  --> 500 ", label());
    send(WM_MOUSEMOVE, 75, 78);                  /* drag to (300, 750) */
    EXPECT_EQ(1, gLastResult);
    EXPECT_EQ(300, point(1).x);
    EXPECT_EQ(750, point(1).y);
    send(WM_LBUTTONUP, 75, 78);
    EXPECT_EQ(1, gLastResult);
    EXPECT_EQ(NULL, GetCapture());

    /* The left endpoint: only its height moves, and far outside it stays. */
    send(WM_LBUTTONDOWN, 18, 228);
    EXPECT_EQ(0, gLastResult);
    send(WM_MOUSEMOVE, -200, 128);
    send(WM_LBUTTONUP, -200, 128);
    EXPECT_EQ(3, graphapiCount(gGraph));
    EXPECT_EQ(0, point(0).x);
    EXPECT_EQ(500, point(0).y);

    /* The same x as the inner point, another height: a beep, no new point. */
    send(WM_LBUTTONDOWN, 75, 200);
    EXPECT_EQ(-1, gLastResult);
    send(WM_LBUTTONUP, 75, 200);
    EXPECT_EQ(3, graphapiCount(gGraph));

    /* The inner point dragged more than 36 pixels outside goes. */
    send(WM_LBUTTONDOWN, 78, 78);
    EXPECT_EQ(1, gLastResult);
    send(WM_MOUSEMOVE, 150, 20 - 30);             /* inside the margin: kept */
    EXPECT_EQ(3, graphapiCount(gGraph));
    send(WM_MOUSEMOVE, 150, 20 - 40);
    EXPECT_EQ(-1, gLastResult);
    EXPECT_EQ(2, graphapiCount(gGraph));
    EXPECT_EQ(NULL, GetCapture());
    send(WM_LBUTTONUP, 150, -20);
    EXPECT_EQ(-1, gLastResult);
    EXPECT_EQ(1000, point(1).x);

    /* A click outside the plotting area does nothing; the status line follows the mouse. */
    send(WM_LBUTTONDOWN, 300, 128);
    EXPECT_EQ(-1, gLastResult);
    EXPECT_EQ(2, graphapiCount(gGraph));
    send(WM_MOUSEMOVE, 115, 128);
    EXPECT_EQ("500  --> 500 ", label());
    send(WM_MOUSEMOVE, 300, 128);
    EXPECT_EQ("", label());
}

TEST_F(GraphWin, MouseRefusesTheSeventiethPoint)
{
    for (int i = 0; i < 69; i++)
        graphapiSetPoint(gGraph, (short)i, i * 10, 0, 1);
    send(WM_LBUTTONDOWN, 205, 100);
    EXPECT_EQ(-1, gLastResult);
    send(WM_LBUTTONUP, 205, 100);
    EXPECT_EQ(69, graphapiCount(gGraph));
    graphapiSetPoint(gGraph, 69, 1000, 1000, 1);
    EXPECT_EQ(70, graphapiCount(gGraph));
    graphapiSetPoint(gGraph, 70, 1, 1, 1);       /* no such slot: ignored */
    EXPECT_EQ(70, graphapiCount(gGraph));
}

/* The point editor shows display values and takes typed ones back. */
struct EditScript {
    int step = 0;
    std::string shownX, shownY, xTitle, yUnit;
    int stayedOpen = 0;
} gEdit;

HWND editPointDialog()
{
    HWND d = FindWindowA("#32770", "Edit Point");
    DWORD pid = 0;
    if (d)
        GetWindowThreadProcessId(d, &pid);
    return pid == GetCurrentProcessId() ? d : NULL;
}

void CALLBACK editTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND d = editPointDialog();
    if (!d)
        return;
    char text[64];
    if (gEdit.step == 0) {
        GetDlgItemTextA(d, IDC_EP_X, text, sizeof text);
        gEdit.shownX = text;
        GetDlgItemTextA(d, IDC_EP_Y, text, sizeof text);
        gEdit.shownY = text;
        GetDlgItemTextA(d, IDC_EP_XTITLE, text, sizeof text);
        gEdit.xTitle = text;
        GetDlgItemTextA(d, IDC_EP_YUNITS, text, sizeof text);
        gEdit.yUnit = text;
        SetDlgItemTextA(d, IDC_EP_X, "12x");          /* not a number: stays open */
        SendMessageA(d, WM_COMMAND, IDOK, 0);
        gEdit.step = 1;
    } else if (gEdit.step == 1) {
        gEdit.stayedOpen = 1;
        SetDlgItemTextA(d, IDC_EP_X, "2.5");
        SetDlgItemTextA(d, IDC_EP_Y, "-6.0206");
        SendMessageA(d, WM_COMMAND, IDOK, 0);
        gEdit.step = 2;
        KillTimer(NULL, id);
    }
}

TEST_F(GraphWin, DoubleClickEditsThePointInDisplayUnits)
{
    send(WM_LBUTTONDOWN, 115, 128);
    send(WM_LBUTTONUP, 115, 128);
    ASSERT_EQ(3, graphapiCount(gGraph));
    graphapiSetDblClkScales(gGraph, 0.01, 0.0, 100, 0.001, 0.0, 0, 16);
    graphapiSetDblClkNames(gGraph, "Time", "s", "Level", "dB");
    gEdit = EditScript();
    UINT_PTR t = SetTimer(NULL, 0, 50, editTimer);
    send(WM_LBUTTONDBLCLK, 115, 128);
    KillTimer(NULL, t);
    EXPECT_EQ(1, gLastResult);
    EXPECT_EQ(2, gEdit.step);
    EXPECT_EQ("5", gEdit.shownX);
    EXPECT_EQ("-6.0206", gEdit.shownY);
    EXPECT_EQ("Time", gEdit.xTitle);
    EXPECT_EQ("dB", gEdit.yUnit);
    EXPECT_EQ(1, gEdit.stayedOpen);
    EXPECT_EQ(250, point(1).x);
    EXPECT_EQ(500, point(1).y);
    /* Not on a point: nothing opens. */
    send(WM_LBUTTONDBLCLK, 160, 60);
    EXPECT_EQ(-1, gLastResult);
}

TEST_F(GraphWin, DrawPaintsBackgroundLineAndBoxes)
{
    HDC screen = GetDC(host);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 300, 300);
    HGDIOBJ old = SelectObject(dc, bmp);
    graphapiDraw(gGraph, dc);
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), GetPixel(dc, 12, 22));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 14, 100));                  /* left edge, 4 outside */
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), GetPixel(dc, 18, 228)); /* box of point 0 */
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), GetPixel(dc, 118, 128));   /* the diagonal */
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(host, screen);
    graphapiDraw(40, NULL);
}

TEST_F(GraphWin, InverseExplainsWhyNot)
{
    zt::MessageRecorder rec;
    graphapiSetPoint(gGraph, 0, 0, 1000, 0);
    graphapiSetPoint(gGraph, 1, 1000, 0, 1);
    EXPECT_EQ(0, graphapiInverse(gGraph));
    ASSERT_EQ(1u, rec.messages.size());
    EXPECT_EQ("Endpoints must be at -100,-100 and 0,0", rec.messages[0].text);
    EXPECT_EQ("Cannot Invert", rec.messages[0].caption);
    EXPECT_EQ((unsigned)(MB_OK | MB_ICONINFORMATION), rec.messages[0].style);
    graphapiSetPoint(gGraph, 0, 0, 0, 0);
    graphapiSetPoint(gGraph, 1, 500, 600, 0);
    graphapiSetPoint(gGraph, 2, 1000, 400, 1);
    EXPECT_EQ(0, graphapiInverse(gGraph));
    ASSERT_EQ(2u, rec.messages.size());
    EXPECT_EQ("Current graph is not invertable\n", rec.messages[1].text);
    graphapiSetPoint(gGraph, 2, 1000, 1000, 1);
    EXPECT_EQ(1, graphapiInverse(gGraph));
    EXPECT_EQ(600, point(1).x);
    EXPECT_EQ(500, point(1).y);
    EXPECT_EQ(2u, rec.messages.size());
}

TEST_F(GraphWin, BadIdsAreIgnored)
{
    for (short id : {(short)-1, (short)32, (short)31, (short)1000}) {
        EXPECT_EQ(0, graphapiCount(id));
        POINT p = {0x66, 0x66};
        graphapiGetPoint(id, 0, &p);
        EXPECT_EQ(0, p.x);
        EXPECT_EQ(0, p.y);
        double v = 123.0;
        graphapiGetValueAt(id, 0.5, &v);
        EXPECT_EQ(0.0, v);
        EXPECT_EQ(-1, graphapiWM_LBUTTONDOWN(id, 115, 128));
        EXPECT_EQ(-1, graphapiWM_MOUSEMOVE(id, 115, 128));
        EXPECT_EQ(-1, graphapiWM_LBUTTONDBLCLK(id, 115, 128));
        graphapiSetPoint(id, 0, 1, 1, 1);
        graphapiClear(id);
        EXPECT_EQ(0, graphapiInverse(id));
        graphapiSetDblClkNames(id, "a", "b", "c", "d");
        graphapiSetDblClkScales(id, 1, 0, 1, 1, 0, 1, 1);
        graphapiCopyGraph(id, gGraph);
        graphapiCopyGraph(gGraph, id);
        graphapiSetDialog(id, host, kGraphCtl, 0);
        graphapiDestroy(id);
    }
    POINT p = {0x66, 0x66};
    graphapiGetPoint(gGraph, 70, &p);
    EXPECT_EQ(0, p.x);
    graphapiGetPoint(gGraph, 0, NULL);
    graphapiGetValueAt(gGraph, 0.5, NULL);
    double v = 0;
    graphapiGetValueAt(gGraph, 0.5, &v);
    EXPECT_DOUBLE_EQ(500.0, v);
    EXPECT_EQ(2, graphapiCount(gGraph));
    /* Long names are cut to their fields. */
    graphapiSetDblClkNames(gGraph, std::string(100, 't').c_str(), "centimetres", NULL, "u");
    EXPECT_EQ(std::string(31, 't'), graphFind(gGraph)->xTitle);
    EXPECT_STREQ("centimetr", graphFind(gGraph)->xUnit);
    EXPECT_STREQ("", graphFind(gGraph)->yTitle);
}

TEST_F(GraphWin, CopyAndDuplicateForTheSettingsBackup)
{
    send(WM_LBUTTONDOWN, 115, 128);
    send(WM_LBUTTONUP, 115, 128);
    short backup = DuplicateGraph(gGraph);
    ASSERT_GE(backup, 0);
    graphapiClear(gGraph);
    EXPECT_EQ(2, graphapiCount(gGraph));
    graphapiCopyGraph(gGraph, backup);
    EXPECT_EQ(3, graphapiCount(gGraph));
    EXPECT_EQ(host, (HWND)graphFind(gGraph)->dialog);
    graphapiDestroy(backup);
    EXPECT_EQ(0, graphapiCount(backup));
}

} // namespace
