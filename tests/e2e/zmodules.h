/*
 * zmodules.h - what the end-to-end tests of the transform modules share: finding a
 * module's menu command, samples in and out of wave files, differences and peaks, the
 * preset list of a module's dialog, selecting a range through Viewing Range, and native
 * helpers (a command's success, a Python with numpy, a text file).
 */
#ifndef ZELO_ZMODULES_H
#define ZELO_ZMODULES_H

#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zm {

const int kPresetList = 1005;
const int kViewRange = 3147;

/* The command id of the module whose menu entry reads text ("Amplify..."), 0 when none. */
inline int moduleCommand(zd::App &app, const std::string &text)
{
    for (int id = 7000; id < 7060; id++)
        if (zd::menuText(app, id) == text)
            return id;
    return 0;
}

inline std::vector<unsigned char> bytes(const std::vector<short> &s)
{
    std::vector<unsigned char> b(s.size() * 2);
    memcpy(b.data(), s.data(), b.size());
    return b;
}

inline std::vector<short> samples(const std::vector<unsigned char> &b)
{
    std::vector<short> s(b.size() / 2);
    memcpy(s.data(), b.data(), s.size() * 2);
    return s;
}

/* The 16-bit samples of a wave file (empty when it is no 16-bit wave). */
inline std::vector<short> readSamples(const std::string &path, int *channels = nullptr, unsigned *rate = nullptr)
{
    unsigned r = 0;
    int bits = 0, ch = 0;
    std::vector<unsigned char> data;
    if (!zd::readWave(path, &r, &bits, &ch, &data) || bits != 16)
        return {};
    if (channels)
        *channels = ch;
    if (rate)
        *rate = r;
    return samples(data);
}

/* Largest difference between two sample lists; INT_MAX when their lengths differ. */
inline int maxDiff(const std::vector<short> &a, const std::vector<short> &b)
{
    if (a.size() != b.size() || a.empty())
        return 0x7FFFFFFF;
    int d = 0;
    for (size_t i = 0; i < a.size(); i++)
        d = std::max(d, abs(a[i] - b[i]));
    return d;
}

inline int peak(const std::vector<short> &s)
{
    int p = 0;
    for (short v : s)
        p = std::max(p, abs((int)v));
    return p;
}

/* ---- a module's preset list ---- */

inline int lbCount(HWND dlg) { return (int)SendMessageA(GetDlgItem(dlg, kPresetList), LB_GETCOUNT, 0, 0); }

inline std::string lbText(HWND dlg, int i)
{
    /* The wide form: Wine hands the A form of LB_GETTEXT from another process back wide. */
    wchar_t w[256] = L"";
    char text[256] = "";
    SendMessageW(GetDlgItem(dlg, kPresetList), LB_GETTEXT, (WPARAM)i, (LPARAM)w);
    WideCharToMultiByte(CP_ACP, 0, w, -1, text, sizeof text, NULL, NULL);
    return text;
}

/* Viewing Range with a range narrower than the window selects it. */
inline void selectRange(zd::App &app, int first, int last)
{
    app.command(kViewRange);
    HWND dlg = app.waitWindow("Viewing Range");
    ASSERT_TRUE(dlg);
    zd::setText(dlg, 1000, std::to_string(first));
    zd::setText(dlg, 1001, std::to_string(last));
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg));
    app.idle();
}

/* ---- the program with one file ---- */

struct Session {
    zd::App app;
    std::string file;

    /* Starts the program, drops the file on it and waits until it is open. */
    bool open(const std::string &path, const std::string &settings = "")
    {
        file = path;
        if (!app.start("", settings) || !app.dropFiles({path}))
            return false;
        std::string name = path.substr(path.find_last_of('\\') + 1);
        if (!zd::waitTitle(app, name + " - Zelo Edit", 60000))
            return false;
        zd::settle(app);
        return true;
    }
    /* Save (1151), then the file's samples. */
    std::vector<short> save()
    {
        zd::settle(app);
        app.send(WM_COMMAND, (WPARAM)1151, 0);
        zd::settle(app);
        return readSamples(file);
    }
    /* Opens a module's dialog from its menu entry. */
    HWND dialog(const char *menu, const char *title)
    {
        int id = moduleCommand(app, menu);
        EXPECT_NE(0, id) << menu;
        if (!id)
            return NULL;
        app.command(id);
        return app.waitWindow(title, 8000);
    }
    void ok(HWND dlg)
    {
        zd::click(dlg, IDOK);
        EXPECT_TRUE(zd::waitGone(dlg, 8000));
    }
};

/* ---- native helpers ---- */

/* True when the native line succeeded (exit 0). */
inline bool nativeOk(const std::string &dir, const std::string &line)
{
    std::string mark = dir + "\\native.ok";
    DeleteFileA(mark.c_str());
    return zd::runNative(dir, "(" + line + ") && touch '" + zd::unixPath(mark) + "'") && zd::fileExists(mark);
}

/* A Python with numpy ("" when none): the system's first, a python3 on PATH may lack it. */
inline std::string numpyPython(const std::string &dir)
{
    if (nativeOk(dir, "/usr/bin/python3 -c 'import numpy'"))
        return "/usr/bin/python3";
    if (nativeOk(dir, "python3 -c 'import numpy'"))
        return "python3";
    return "";
}

inline bool writeText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fwrite(text.data(), 1, text.size(), f);
    return fclose(f) == 0;
}

} // namespace zm

#endif
