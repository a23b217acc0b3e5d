/*
 * xfmfixture.h - set-up shared by the transform host's tests: a private settings folder,
 * undo folder and sample store, module folders assembled from the test modules, and
 * access to a row's settings block.
 */
#ifndef ZELO_XFMFIXTURE_H
#define ZELO_XFMFIXTURE_H

#include "plugins/xfmhost.h"
#include "plugins/progress.h"
#include "edit/edits.h"
#include "edit/undo.h"
#include "core/document.h"
#include "core/profile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "ui/frame.h"
#include "testutil.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct ProbeSettings {   /* the test modules' layout "LSHGI" */
    long    gain;
    char    text[256];
    HGLOBAL owned;
    short   graph;
    short   small;
};
#pragma pack(pop)

inline std::string winPath(std::string p)
{
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

inline long envLong(const char *key)
{
    char b[32];
    DWORD n = GetEnvironmentVariableA(key, b, sizeof b);
    return n > 0 && n < sizeof b ? atol(b) : 0;
}
inline void setEnv(const char *key, long v)
{
    char b[32];
    snprintf(b, sizeof b, "%ld", v);
    SetEnvironmentVariableA(key, b);
}

class XfmTest : public ::testing::Test {
public:
    std::string base;
    void SetUp() override
    {
        osFaultReset();
        base = zt::tempDir();
        profileSetFolder((base + "\\settings").c_str());
        tempChooseDirs(base.c_str(), base.c_str(), NULL, NULL);
        docInit();
        undoFree();
        editSetup(5, 1, 1, 0);
        Frame.instance = GetModuleHandleA(NULL);
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = Frame.instance;
        wc.lpszClassName = "ZeloXfmTestMain";
        RegisterClassA(&wc);
        Frame.main = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, NULL, NULL,
                                     Frame.instance, NULL);
        ASSERT_TRUE(Frame.main != NULL);
        clearEnv();
    }
    void TearDown() override
    {
        xfmShutdown();
        memset(XfmHost.dir, 0, sizeof XfmHost.dir);
        undoFree();
        tempStoreTeardown(1);
        Progress.silentOwner = 0;
        DestroyWindow(Frame.main);
        Frame.main = NULL;
        clearEnv();
    }
    static void clearEnv()
    {
        static const char *keys[] = {"TXFM_INITS", "TXFM_DESTROYS", "TXFM_SETUPS", "TXFM_QUIETS", "TXFM_DOS",
                                     "TXFM_SETUP_CHANGE", "TXFM_SETUP_RESULT", "TXFM_REQUEST", "TXFM_FRAMES",
                                     "TXFM_EXTRA", "TXFM_CHANGED_START", "TXFM_CHANGED_END", "TXFM_FILL",
                                     "TXFM_GENERATE_FRAMES", "TXFM_BAD_RANGE", "TXFM_SAW_PROGRESS"};
        for (const char *k : keys)
            SetEnvironmentVariableA(k, NULL);
    }
    /* A fresh folder holding copies of the given test modules (file stems). */
    std::string moduleDir(const std::string &name, const std::vector<std::string> &stems)
    {
        std::string dir = base + "\\" + name;
        CreateDirectoryA(dir.c_str(), NULL);
        for (const std::string &s : stems) {
            std::string from = winPath(XFM_TEST_MODULES) + "\\" + s + ".xfm";
            EXPECT_TRUE(CopyFileA(from.c_str(), (dir + "\\" + s + ".xfm").c_str(), FALSE)) << from;
        }
        return dir;
    }
    static int row(const char *name) { return xfmFindRow(name); }
    static ProbeSettings *lockSettings(int r) { return (ProbeSettings *)GlobalLock(XfmHost.rows[r].data); }
    static void unlockSettings(int r) { GlobalUnlock(XfmHost.rows[r].data); }
    /* A 16-bit mono (or other) wave of the given samples, nothing selected, all in view. */
    static void openWave(uint16_t channels, uint16_t bits, const std::vector<int> &samples)
    {
        ASSERT_EQ(0, tempStoreSetup(channels, 8000, bits));
        std::vector<uint8_t> b;
        for (int v : samples) {
            if (bits == 8) {
                b.push_back((uint8_t)v);
            } else {
                b.push_back((uint8_t)(v & 0xFF));
                b.push_back((uint8_t)((v >> 8) & 0xFF));
            }
        }
        if (!b.empty()) {
            ASSERT_EQ(0, vocAppend(b.data(), (uint32_t)b.size()));
        }
        Doc.viewStart = 0;
        Doc.viewEnd = docFrames() ? docFrames() - 1 : 0;
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
    }
    static std::vector<int> samples16()
    {
        std::vector<int> out(Wave.dataLength / 2);
        std::vector<int16_t> w(out.size());
        if (!w.empty())
            vocRead(w.data(), 0, (uint32_t)w.size() * 2);
        for (size_t i = 0; i < w.size(); i++)
            out[i] = w[i];
        return out;
    }
    static void select(uint32_t a, uint32_t b)
    {
        Doc.selStart = a;
        Doc.selEnd = b;
        Doc.selectionShown = 0xFFFF;
    }
};

#endif
