/*
 * tbdriver.h - what the toolbar and CD end-to-end tests share: the button row's buttons as
 * a user sees them (command id, place, greyed), a real mouse click on one, the last command
 * the row sent, and a picture of a window strip wider than the virtual screen.
 */
#ifndef ZELO_TBDRIVER_H
#define ZELO_TBDRIVER_H

#include "zdriver.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tb {

struct Button {
    HWND hwnd;
    int id;
    RECT rect;      /* in the row's client coordinates */
    bool enabled;
};

inline HWND row(zd::App &app) { return FindWindowExA(app.main(), NULL, "ZeloToolbar", NULL); }

inline BOOL CALLBACK collect(HWND w, LPARAM p)
{
    auto *all = (std::vector<HWND> *)p;
    char cls[32];
    GetClassNameA(w, cls, sizeof cls);
    if (_stricmp(cls, "Button") == 0)
        all->push_back(w);
    return TRUE;
}

/* The buttons of a parent window, left to right. */
inline std::vector<Button> buttonsOf(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, collect, (LPARAM)&all);
    std::vector<Button> out;
    for (HWND w : all) {
        if (GetParent(w) != parent || !IsWindowVisible(w))
            continue;
        Button b{w, GetDlgCtrlID(w), {}, IsWindowEnabled(w) != 0};
        GetWindowRect(w, &b.rect);
        MapWindowPoints(NULL, parent, (POINT *)&b.rect, 2);
        out.push_back(b);
    }
    std::sort(out.begin(), out.end(), [](const Button &a, const Button &b) { return a.rect.left < b.rect.left; });
    return out;
}

inline std::vector<Button> buttons(zd::App &app) { return buttonsOf(row(app)); }

inline std::vector<int> ids(const std::vector<Button> &bs)
{
    std::vector<int> v;
    for (auto &b : bs)
        v.push_back(b.id);
    return v;
}

/* The x that the last placed entry may not pass: the row's width, less the device lines at
   its right end (and the room for a last button to end clear of them), less the margin. */
inline int placeLimit(zd::App &app)
{
    HWND r = row(app);
    RECT c;
    GetClientRect(r, &c);
    int right = c.right;
    for (HWND w = FindWindowExA(r, NULL, "Static", NULL); w; w = FindWindowExA(r, w, "Static", NULL)) {
        RECT s;
        GetWindowRect(w, &s);
        MapWindowPoints(NULL, r, (POINT *)&s, 2);
        if (IsWindowVisible(w) && s.right > s.left && s.left - 20 < right)
            right = s.left - 20;
    }
    return right - 6;
}

/* The last command a toolbar button sent (0 none). */
inline int lastSent(zd::App &app)
{
    static UINT msg = RegisterWindowMessageA("ZeloToolbarLast");
    DWORD_PTR r = 0;
    SendMessageTimeoutA(row(app), msg, 0, 0, SMTO_NORMAL, 3000, &r);
    return (int)r;
}

inline void mouseTo(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

/* A real click in the middle of a window, as a user's. */
inline void click(zd::App &app, HWND w)
{
    SetForegroundWindow(app.main());
    RECT r;
    GetWindowRect(w, &r);
    mouseTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Sleep(150);   /* the hand comes to rest before it presses */
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof in[0]);
}

/* Sets the main window's outer width (the height is kept). */
inline void setWidth(zd::App &app, int width)
{
    RECT r;
    GetWindowRect(app.main(), &r);
    SetWindowPos(app.main(), NULL, 0, 0, width, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    app.idle(300);
    Sleep(200);
}

/* A picture of a child window's whole client area, even where it reaches past the virtual
   screen's right edge: the main window is slid left in steps and the strips put together. */
inline bool grabWide(zd::App &app, HWND w, int *width, int *height, std::vector<unsigned> *all)
{
    RECT c;
    GetClientRect(w, &c);
    *width = c.right;
    *height = c.bottom;
    if (*width <= 0 || *height <= 0)
        return false;
    all->assign((size_t)*width * *height, 0);
    RECT outer;
    GetWindowRect(app.main(), &outer);
    int screen = GetSystemMetrics(SM_CXSCREEN);
    for (int shift = 0; shift < *width; shift += screen / 2) {
        SetWindowPos(app.main(), NULL, outer.left - shift, outer.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        app.idle(300);
        RedrawWindow(app.main(), NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        app.idle(300);
        Sleep(300);
        POINT p{0, 0};
        ClientToScreen(w, &p);
        int from = p.x < 0 ? -p.x : 0, to = screen - p.x < *width ? screen - p.x : *width;
        if (to <= from)
            continue;
        int vis = to - from;
        HDC screenDc = GetDC(NULL);
        HDC mem = CreateCompatibleDC(screenDc);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = vis;
        bi.bmiHeader.biHeight = -*height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        HBITMAP bm = CreateDIBSection(screenDc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
        HGDIOBJ old = SelectObject(mem, bm);
        BitBlt(mem, 0, 0, vis, *height, screenDc, p.x + from, p.y, SRCCOPY);
        GdiFlush();
        for (int y = 0; y < *height; y++)
            for (int x = 0; x < vis; x++)
                (*all)[(size_t)y * *width + from + x] = ((unsigned *)bits)[(size_t)y * vis + x] & 0xFFFFFF;
        SelectObject(mem, old);
        DeleteObject(bm);
        DeleteDC(mem);
        ReleaseDC(NULL, screenDc);
    }
    SetWindowPos(app.main(), NULL, outer.left, outer.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.idle(300);
    return true;
}

/* Distinct colours inside a rectangle of a picture: a drawn button has several. */
inline int colours(const std::vector<unsigned> &px, int width, RECT r)
{
    std::vector<unsigned> seen;
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) {
            unsigned c = px[(size_t)y * width + x];
            if (std::find(seen.begin(), seen.end(), c) == seen.end())
                seen.push_back(c);
        }
    return (int)seen.size();
}

}  // namespace tb

#endif
