/*
 * meter.cpp - the level meter control (class ZeloMeter7, id 5030) along the bottom of the main
 * window: one bar per channel with its peak (and valley) marker and clip box, the dB scale
 * drawn by the shared ruler, the popup menu "Meter" and the [Meter] settings.  Fed by
 * playback and recording through MeterFeed; the arithmetic is metercore.cpp's.
 *
 * Writes Meter (through metercore) and the control's layout below.  One meter per program.
 */
#include "audio/audio.h"
#include "ui/frame.h"
#include "core/document.h"
#include "core/profile.h"
#include "resources/resource.h"
#include "view/ruler.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

struct MeterLayout {
    HWND hwnd;                      /* the control, NULL before creation */
    RECT bar[2];                    /* bar frames (the level is drawn inside) */
    RECT clipBox[2];
    RECT scale;                     /* strip of the dB scale */
};
static MeterLayout ML;
static double drawSeconds;          /* time spent drawing updates (figures) */
static uint32_t drawCount;          /* updates drawn */

static double now(void)
{
    static LARGE_INTEGER f;
    if (!f.QuadPart)
        QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

static UINT stateMessage(void)
{
    static UINT id;
    if (!id)
        id = RegisterWindowMessageA(METER_STATE_MESSAGE);
    return id;
}

static int profileInt(const char *key, int def) { return (int)profileGetInt("Meter", key, def); }

static void layout(void)
{
    RECT rc;
    GetClientRect(ML.hwnd, &rc);
    int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    if (Meter.channels == 2) {
        int m = (t + b - 11) / 2;
        SetRect(&ML.bar[0], l + 1, t + 1, r - 20, m - 1);
        SetRect(&ML.bar[1], l + 1, m + 1, r - 20, b - 12);
        SetRect(&ML.clipBox[0], r - 18, t + 1, r - 1, m - 1);
        SetRect(&ML.clipBox[1], r - 18, m + 1, r - 1, b - 12);
    } else {
        SetRect(&ML.bar[0], l + 1, t + 1, r - 20, b - 12);
        SetRect(&ML.clipBox[0], r - 18, t + 1, r - 1, b - 12);
        ML.bar[1] = ML.bar[0];
        ML.clipBox[1] = ML.clipBox[0];
    }
    SetRect(&ML.scale, l, b - 11, r, b);
}

/* The level's span inside a bar's frame. */
static int barLeft(int c) { return ML.bar[c].left + 1; }
static int barRight(int c) { return ML.bar[c].right - 1; }

static void fill(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    RECT r = {x1, y1, x2, y2};
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

static void vline(HDC dc, int x, int c, COLORREF colour)
{
    if (x < barLeft(c) || x >= barRight(c))
        return;
    fill(dc, x, ML.bar[c].top + 1, x + 1, ML.bar[c].bottom - 1, colour);
}

/* A bar's inside at its current level with its markers. */
static void drawBar(HDC dc, int c)
{
    int top = ML.bar[c].top + 1, bottom = ML.bar[c].bottom - 1;
    int x = Meter.barX[c];
    if (x < barLeft(c))
        x = barLeft(c);
    if (x > barRight(c))
        x = barRight(c);
    fill(dc, barLeft(c), top, x, bottom, RGB(255, 0, 0));
    fill(dc, x, top, barRight(c), bottom, RGB(0, 0, 0));
    if (Meter.peakX[c] > barLeft(c))
        vline(dc, Meter.peakX[c] + 1, c, RGB(255, 255, 0));
    if (Meter.set.showValleys && Meter.valleyX[c] != METER_NOVALLEY && Meter.updated)
        vline(dc, Meter.valleyX[c] + 1, c, RGB(255, 255, 0));
}

static void drawClip(HDC dc, int c)
{
    const RECT &r = ML.clipBox[c];
    fill(dc, r.left, r.top, r.right, r.bottom, Meter.clip[c] ? RGB(255, 0, 0) : RGB(0, 0, 0));
}

static void sunkenFrame(HDC dc, const RECT &r)
{
    fill(dc, r.left, r.top, r.right, r.top + 1, GetSysColor(COLOR_BTNSHADOW));
    fill(dc, r.left, r.top, r.left + 1, r.bottom, GetSysColor(COLOR_BTNSHADOW));
    fill(dc, r.left, r.bottom - 1, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
    fill(dc, r.right - 1, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
}

static void drawScale(HDC dc)
{
    fill(dc, ML.scale.left, ML.scale.top, ML.scale.right, ML.scale.bottom, GetSysColor(COLOR_BTNSHADOW));
    RulerParams p;
    memset(&p, 0, sizeof p);
    p.flags = 0x642;
    int range = Meter.set.range < 12 && Meter.updated ? 12 : Meter.set.range;
    p.first = -range;
    p.last = 0;
    p.width = ML.bar[0].right - ML.scale.left;
    p.maxLabels = p.width / 28 > 1 ? p.width / 28 : 1;
    RECT r = ML.scale;
    r.right = ML.bar[0].right;
    HGDIOBJ oldFont = SelectObject(dc, Frame.smallFont ? (HGDIOBJ)Frame.smallFont : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    rulerDraw(dc, &p, &r, "dB");
    SelectObject(dc, oldFont);
}

static void paintAll(HDC dc)
{
    RECT rc;
    GetClientRect(ML.hwnd, &rc);
    fill(dc, rc.left, rc.top, rc.right, ML.scale.top, GetSysColor(COLOR_BTNFACE));
    for (int c = 0; c < Meter.channels; c++) {
        sunkenFrame(dc, ML.bar[c]);
        drawBar(dc, c);
        drawClip(dc, c);
    }
    drawScale(dc);
}

static void redraw(void)
{
    if (ML.hwnd)
        InvalidateRect(ML.hwnd, NULL, FALSE);
}

/* ---- What the engines call ------------------------------------------------------------ */

int MeterEnabled(void) { return Meter.set.showOnPlay != 0; }

void SetMeterChannels(int channels, int reset)
{
    Meter.channels = channels == 2 ? 2 : 1;
    if (reset)
        Meter.clip[0] = Meter.clip[1] = 0;
    if (ML.hwnd) {
        layout();
        for (int c = 0; c < 2; c++)
            Meter.barX[c] = barLeft(c) + (int)((barRight(c) - barLeft(c)) * Meter.shown[c]);
    }
    redraw();
}

void SetMeterRange(int db)
{
    db = meterClampRange(db);
    if (db == Meter.set.range)
        return;
    Meter.set.range = db;
    /* The markers stand for levels of the old scale: held ones are cleared once. */
    if (Meter.set.peakTime == 0)
        Meter.set.peakTime = -1;
    if (Meter.set.valleyTime == 0)
        Meter.set.valleyTime = -1;
    redraw();
}

void MeterUpdate(double l, double r)
{
    if (l == -1) {
        meterReset();
        for (int c = 0; c < 2; c++)
            Meter.barX[c] = ML.hwnd ? barLeft(c) : 0;
        redraw();
        return;
    }
    double t0 = now();
    uint32_t tick = GetTickCount();
    int oldRange = Meter.set.range;
    for (int c = 0; c < Meter.channels; c++)
        meterAdvance(c, c == 0 ? l : r, tick, barLeft(c), barRight(c));
    meterFinish(tick);
    if (!ML.hwnd)
        return;
    HDC dc = GetDC(ML.hwnd);
    if (!dc)
        return;
    for (int c = 0; c < Meter.channels; c++) {
        drawBar(dc, c);
        drawClip(dc, c);
    }
    if (oldRange != Meter.set.range)
        drawScale(dc);
    ReleaseDC(ML.hwnd, dc);
    drawSeconds += now() - t0;
    drawCount++;
}

void MeterFeed(const void *block, uint32_t bytes, int bits)
{
    if (!block) {
        MeterUpdate(-1, -1);
        return;
    }
    int channels = Doc.storeOpen && Wave.channels == 2 ? 2 : 1;
    double l, r;
    if (meterMeasure(block, bytes, bits, channels, &l, &r) == 0)
        MeterUpdate(l, r);
}

/* ---- The control ---------------------------------------------------------------------- */

static void notifyParent(int code)
{
    HWND parent = GetParent(ML.hwnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ML.hwnd), code), (LPARAM)ML.hwnd);
}

static void clearClips(void)
{
    meterClearClips();
    redraw();
}

static void menuCommand(int id)
{
    switch (id) {
    case IDM_METER_STARTSTOP: notifyParent(0); break;
    case IDM_METER_SHOWONPLAY:
        Meter.set.showOnPlay = !Meter.set.showOnPlay;
        if (!Meter.set.showOnPlay)
            MeterUpdate(-1, -1);
        break;
    case IDM_METER_CLEARCLIP: clearClips(); break;
    case IDM_METER_DCADJUST:
        Meter.set.dcAdjust = !Meter.set.dcAdjust;
        notifyParent(Meter.set.dcAdjust ? 2 : 3);
        break;
    case IDM_METER_VALLEYS:
        Meter.set.showValleys = !Meter.set.showValleys;
        if (!Meter.set.showValleys)
            redraw();
        break;
    case IDM_METER_RANGE90: SetMeterRange(90); break;
    case IDM_METER_RANGE75: SetMeterRange(75); break;
    case IDM_METER_RANGE60: SetMeterRange(60); break;
    case IDM_METER_RANGE45: SetMeterRange(45); break;
    case IDM_METER_RANGE30: SetMeterRange(30); break;
    case IDM_METER_DYNAMIC:
        Meter.set.peakTime = 1500;
        Meter.set.valleyTime = 2500;
        break;
    case IDM_METER_STATIC:
        Meter.set.peakTime = 0;
        Meter.set.valleyTime = 0;
        break;
    default: break;
    }
}

static void popupMenu(int x, int y)
{
    HMENU bar = LoadMenuA(Frame.instance, "METERMENU");
    if (!bar)
        return;
    HMENU m = GetSubMenu(bar, 0);
    const MeterSettings &s = Meter.set;
    CheckMenuItem(m, IDM_METER_STARTSTOP, audioMeterRunning() ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, IDM_METER_SHOWONPLAY, s.showOnPlay ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, IDM_METER_DCADJUST, s.dcAdjust ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, IDM_METER_VALLEYS, s.showValleys ? MF_CHECKED : MF_UNCHECKED);
    static const int ranges[] = {90, 75, 60, 45, 30};
    for (int i = 0; i < 5; i++)
        CheckMenuItem(m, IDM_METER_RANGE90 + i, s.range == ranges[i] ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, IDM_METER_DYNAMIC, s.peakTime != 0 ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(m, IDM_METER_STATIC, s.peakTime == 0 ? MF_CHECKED : MF_UNCHECKED);
    POINT pt = {x, y};
    ClientToScreen(ML.hwnd, &pt);
    TrackPopupMenu(m, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, ML.hwnd, NULL);
    DestroyMenu(bar);
}

static int inRect(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

static void onClick(int x, int y)
{
    for (int c = 0; c < Meter.channels; c++)
        if (inRect(ML.clipBox[c], x, y))
            clearClips();
}

static void onDoubleClick(int x, int y)
{
    for (int c = 0; c < Meter.channels; c++)
        if (inRect(ML.bar[c], x, y)) {
            notifyParent(0);
            return;
        }
}

static void onCreate(HWND hwnd)
{
    ML.hwnd = hwnd;
    meterLoadSettings(profileInt);
    meterReset();
    layout();
    Meter.barX[0] = barLeft(0);
    Meter.barX[1] = barLeft(1);
    notifyParent(Meter.set.dcAdjust ? 2 : 3);
}

static void onDestroy(void)
{
    const MeterSettings &s = Meter.set;
    profileSetInt("Meter", "ShowOnPlay", s.showOnPlay);
    profileSetInt("Meter", "DCAdjust", s.dcAdjust);
    profileSetInt("Meter", "ShowValleys", s.showValleys);
    profileSetInt("Meter", "Range", s.range);
    profileSetInt("Meter", "FadeTime", s.fadeTime);
    profileSetInt("Meter", "PeakTime", s.peakTime < 0 ? 0 : s.peakTime);
    profileSetInt("Meter", "ValleyTime", s.valleyTime < 0 ? 0 : s.valleyTime);
    ML.hwnd = NULL;
}

static void onPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paintAll(dc);
    EndPaint(hwnd, &ps);
}

/* The state a test reads (wParam): 0 channels, 1 clip bits, 2/3 last level in tenths of dB
   left/right, 4/5 displayed level in thousandths of the bar, 6 range, 7 updates drawn,
   8/9 peak marker x left/right, 10 settings bits (1 ShowOnPlay, 2 DCAdjust, 4 ShowValleys,
   8 static peaks), 11/12 the bar's reading in tenths of dB left/right, 13 fade time,
   14 microseconds spent drawing updates in all, 15 updates drawn. */
static LRESULT stateQuery(WPARAM what)
{
    const MeterSettings &s = Meter.set;
    int range = s.range < 12 ? 12 : s.range;
    switch (what) {
    case 0: return Meter.channels;
    case 1: return (Meter.clip[0] ? 1 : 0) | (Meter.clip[1] ? 2 : 0);
    case 2: return meterDb10(Meter.lastLevel[0]);
    case 3: return meterDb10(Meter.lastLevel[1]);
    case 4: return (LRESULT)(Meter.shown[0] * 1000 + 0.5);
    case 5: return (LRESULT)(Meter.shown[1] * 1000 + 0.5);
    case 6: return s.range;
    case 7: return (LRESULT)Meter.updates;
    case 8: return Meter.peakX[0];
    case 9: return Meter.peakX[1];
    case 10: return (s.showOnPlay ? 1 : 0) | (s.dcAdjust ? 2 : 0) | (s.showValleys ? 4 : 0) | (s.peakTime == 0 ? 8 : 0);
    case 11: return (LRESULT)lround((Meter.shown[0] * range - range) * 10);
    case 12: return (LRESULT)lround((Meter.shown[1] * range - range) * 10);
    case 13: return s.fadeTime;
    case 14: return (LRESULT)(drawSeconds * 1e6);
    case 15: return (LRESULT)drawCount;
    default: return -1;
    }
}

LRESULT CALLBACK MeterWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:        onCreate(hwnd); return 0;
    case WM_DESTROY:       onDestroy(); return 0;
    case WM_SIZE:          layout(); SetMeterChannels(Meter.channels, 0); return 0;
    case WM_PAINT:         onPaint(hwnd); return 0;
    case WM_ERASEBKGND:    return 1;
    case WM_LBUTTONDOWN:   onClick((short)LOWORD(lParam), (short)HIWORD(lParam)); return 0;
    case WM_LBUTTONDBLCLK: onDoubleClick((short)LOWORD(lParam), (short)HIWORD(lParam)); return 0;
    case WM_RBUTTONUP:     popupMenu((short)LOWORD(lParam), (short)HIWORD(lParam)); return 0;
    case WM_COMMAND:       menuCommand(LOWORD(wParam)); return 0;
    default:
        if (msg == stateMessage())
            return stateQuery(wParam);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
