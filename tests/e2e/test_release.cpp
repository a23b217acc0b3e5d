/*
 * The release archive as a Windows user gets it: tools/release-test.sh unpacks
 * build/zelo-edit-<version>-win32.zip into an empty folder of a fresh Wine prefix that has no
 * drive for the Unix root (so nothing of the build tree can be reached) and runs these
 * tests there with ZELO_BIN_DIR naming the unpacked folder and ZELO_RELEASE_ZIP the archive.
 * They check the archive's list of files, the version the program shows against
 * core/version.h, the help file against the help window, save and open the demo sound
 * through every file filter found in the folder, and run every transform found there once.
 * Elsewhere (the ordinary test prefix) they are skipped.
 */
#include "zdriver.h"
#include "core/version.h"
#include "filters/sdk/zfilter.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int kOpen = 1100, kSaveAs = 1150, kClose = 3148, kUndo = 102, kSelectAll = 115, kConvert = 120;
const int kAbout = 5020, kAboutName = 3901, kAboutVersion = 3902, kHelpContents = 6050;
const int kHelpList = 101, kHelpText = 102, kConvertRate = 321;

const std::string kFolder = std::string("zelo-edit-") + ZELO_VERSION;

std::string env(const char *name)
{
    char buf[4096];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf) : std::string();
}

#define NEED_RELEASE()                                                                                  \
    if (env("ZELO_RELEASE_ZIP").empty())                                                                \
    GTEST_SKIP() << "run by tools/release-test.sh on the unpacked archive in a prefix of its own"

std::string readAll(const std::string &path)
{
    std::string s;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return s;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

unsigned le16(const std::string &s, size_t at) { return (unsigned char)s[at] | (unsigned char)s[at + 1] << 8; }
unsigned le32(const std::string &s, size_t at) { return le16(s, at) | le16(s, at + 2) << 16; }

/* The names in a zip file's central directory, in stored order; empty when it is no zip. */
std::vector<std::string> zipNames(const std::string &path)
{
    std::string z = readAll(path);
    std::vector<std::string> names;
    if (z.size() < 22)
        return names;
    size_t eocd = std::string::npos;
    for (size_t at = z.size() - 22 + 1; at-- > 0 && z.size() - at <= 22 + 65535;)
        if (le32(z, at) == 0x06054b50u) {
            eocd = at;
            break;
        }
    if (eocd == std::string::npos)
        return names;
    unsigned count = le16(z, eocd + 10);
    size_t p = le32(z, eocd + 16);
    for (unsigned i = 0; i < count && p + 46 <= z.size() && le32(z, p) == 0x02014b50u; i++) {
        unsigned n = le16(z, p + 28), extra = le16(z, p + 30), comment = le16(z, p + 32);
        names.push_back(z.substr(p + 46, n));
        p += 46 + n + extra + comment;
    }
    return names;
}

std::vector<std::string> filesIn(const std::string &dir, const char *pattern)
{
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\" + pattern).c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                out.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string lower(std::string s)
{
    for (char &c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

std::string versionValue(const std::string &exe, const char *key)
{
    DWORD handle = 0, n = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    if (!n)
        return "";
    std::vector<char> buf(n);
    if (!GetFileVersionInfoA(exe.c_str(), 0, n, buf.data()))
        return "";
    char *value = nullptr;
    UINT len = 0;
    std::string q = std::string("\\StringFileInfo\\040904B0\\") + key;
    if (!VerQueryValueA(buf.data(), q.c_str(), (void **)&value, &len) || !value)
        return "";
    return value;
}

/* ---- the program ---- */

/* A window's text read wide (the program's controls may be Unicode ones). */
std::string wideText(HWND w)
{
    LRESULT n = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> wide((size_t)n + 2);
    SendMessageW(w, WM_GETTEXT, (WPARAM)wide.size(), (LPARAM)wide.data());
    int m = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, NULL, 0, NULL, NULL);
    std::string s((size_t)(m > 0 ? m : 1), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, &s[0], m, NULL, NULL);
    s.resize(strlen(s.c_str()));
    return s;
}

/* The progress meter: "Reading %s data", "Saving %s data", a module's "...ing..." label. */
bool isProgress(const std::string &title)
{
    return title.compare(0, 7, "Reading") == 0 || title.compare(0, 6, "Saving") == 0 ||
           title.compare(0, 7, "Writing") == 0 || title.find("...") != std::string::npos;
}

BOOL CALLBACK countChild(HWND, LPARAM l)
{
    ++*(int *)l;
    return TRUE;
}

/* A message box: the text static (id 0xFFFF), an icon and its few buttons, nothing else. */
bool isMessageBox(HWND d)
{
    int children = 0;
    EnumChildWindows(d, countChild, (LPARAM)&children);
    return GetDlgItem(d, 0xFFFF) && children <= 6 && !FindWindowExA(d, NULL, "Edit", NULL);
}

/* Answers what the program asks while a command runs: a message box is noted and answered
   Yes (or OK), any other dialog (a filter's or module's options) is accepted as it comes;
   the progress meter is left alone.  Returns once the title reads want (any title when
   want is empty) and no dialog has been up for half a second, or false after a minute. */
bool finish(zd::App &app, const std::string &want, std::vector<std::string> *notes, int *answered = nullptr)
{
    int quiet = 0;
    for (int t = 0; t < 60000; t += 50) {
        bool up = false;
        for (HWND d : app.dialogs()) {
            if (GetWindowLongA(d, GWL_STYLE) & WS_THICKFRAME)
                continue;   /* the tool windows that stay up */
            up = true;
            std::string title = zd::windowText(d);
            if (title.empty() || isProgress(title))
                continue;   /* the progress meter (untitled while it is being made) */
            if (isMessageBox(d)) {
                notes->push_back(title + ": " + zd::windowText(GetDlgItem(d, 0xFFFF)));
                zd::click(d, GetDlgItem(d, IDYES) ? IDYES : IDOK);
            } else {
                notes->push_back("dialog " + title);
                zd::click(d, IDOK);
            }
            if (answered)
                ++*answered;
            zd::waitGone(d, 5000);
        }
        quiet = up ? 0 : quiet + 1;
        if (quiet >= 10 && (want.empty() || app.title() == want)) {
            app.idle();
            return true;
        }
        Sleep(50);
    }
    return false;
}

std::string joined(const std::vector<std::string> &v)
{
    std::string s;
    for (const std::string &x : v)
        s += "\n  " + x;
    return s;
}

bool anyError(const std::vector<std::string> &notes)
{
    for (const std::string &n : notes)
        if (n.compare(0, 6, "Error:") == 0 || n.find("Invalid") != std::string::npos ||
            n.find("problems") != std::string::npos)
            return true;
    return false;
}

std::string baseName(const std::string &path) { return path.substr(path.find_last_of('\\') + 1); }

/* Opens a file through the Open dialog, with the type list set to type when it is given. */
bool openThrough(zd::App &app, const std::string &type, const std::string &path, std::vector<std::string> *notes)
{
    zd::settle(app);
    app.command(kOpen);
    HWND dlg = app.waitWindow("Open a Waveform");
    if (!dlg)
        return false;
    if (!type.empty() && !zd::chooseFileType(dlg, type + " (")) {
        notes->push_back("no open type " + type);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        zd::waitGone(dlg);
        return false;
    }
    zd::fillFileDialog(dlg, path);
    return zd::waitGone(dlg, 10000) && finish(app, baseName(path) + " - Zelo Edit", notes);
}

bool saveThrough(zd::App &app, const std::string &type, const std::string &path, std::vector<std::string> *notes)
{
    zd::settle(app);
    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    if (!dlg)
        return false;
    if (!zd::chooseFileType(dlg, type + " (")) {
        notes->push_back("no save type " + type);
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        zd::waitGone(dlg);
        return false;
    }
    zd::fillFileDialog(dlg, path);
    return zd::waitGone(dlg, 10000) && finish(app, baseName(path) + " - Zelo Edit", notes);
}

bool closeDocument(zd::App &app, std::vector<std::string> *notes)
{
    zd::settle(app);
    app.command(kClose);
    return finish(app, "Zelo Edit", notes);
}

struct Filter {
    std::string file;
    ZfFilterRecord rec;
};

/* Every file filter in the folder, as it describes itself to the program. */
std::vector<Filter> filtersIn(const std::string &dir)
{
    std::vector<Filter> out;
    for (const std::string &f : filesIn(dir, "*.flt")) {
        Filter x;
        x.file = f;
        memset(&x.rec, 0, sizeof x.rec);
        HMODULE m = LoadLibraryA((dir + "\\" + f).c_str());
        EXPECT_TRUE(m) << f << " does not load (error " << GetLastError() << ")";
        if (!m)
            continue;
        ZfQueryZeloFilter q = (ZfQueryZeloFilter)(void *)GetProcAddress(m, "QueryZeloFilter");
        EXPECT_TRUE(q) << f;
        if (q) {
            EXPECT_EQ(ZF_QUERY_OK, q(&x.rec)) << f;
        }
        FreeLibrary(m);
        out.push_back(x);
    }
    return out;
}

/* The type name of the plain wave filter. */
std::string waveTypeOf(const std::vector<Filter> &filters)
{
    for (const Filter &f : filters)
        if (lower(f.file) == "wave.flt")
            return f.rec.formatName;
    return "";
}

/* The length in seconds of a wave file of any coding (its data bytes over its bytes per
   second), -1 when it is none; the rate when asked. */
double waveSeconds(const std::string &path, unsigned *rate = nullptr)
{
    std::string w = readAll(path);
    if (w.size() < 12 || w.compare(0, 4, "RIFF") != 0 || w.compare(8, 4, "WAVE") != 0)
        return -1;
    unsigned perSecond = 0;
    for (size_t p = 12; p + 8 <= w.size();) {
        std::string id = w.substr(p, 4);
        size_t n = le32(w, p + 4);
        if (id == "fmt " && n >= 16 && p + 24 <= w.size()) {
            if (rate)
                *rate = le32(w, p + 12);
            perSecond = le32(w, p + 16);
        }
        if (id == "data")
            return perSecond ? (double)std::min(n, w.size() - p - 8) / perSecond : -1;
        p += 8 + n + (n & 1);
    }
    return -1;
}

} // namespace

/* The archive holds one folder with exactly the program, the modules the build makes, the
   help, the demo sound, the read-me and the licence; the unpacked folder is what the
   program starts from, and the build tree is out of its reach. */
TEST(Release, ArchiveHoldsTheProgramItsModulesAndItsDocuments)
{
    NEED_RELEASE();
    std::string zip = env("ZELO_RELEASE_ZIP"), dir = zd::binDir();
    EXPECT_EQ(kFolder + "-win32.zip", baseName(zip)) << "the archive is named for the version";
    std::set<std::string> want = {kFolder + "/zelo-help.txt", kFolder + "/demo.wav",
                                  kFolder + "/README.txt", kFolder + "/LICENSE.txt"};
    std::istringstream built(env("ZELO_RELEASE_FILES"));
    std::set<std::string> modules;
    for (std::string f; built >> f;) {
        want.insert(kFolder + "/" + f);
        modules.insert(lower(f));
    }
    for (const char *m : {"zelo.exe", "wave.flt", "wavulaw.flt", "wavalaw.flt", "wavima.flt", "aiff.flt", "au.flt",
                          "raw.flt", "voc.flt", "flac.flt", "amplify.xfm", "resample.xfm"})
        EXPECT_TRUE(modules.count(m)) << m << " is not among the files the build makes: " << env("ZELO_RELEASE_FILES");
    std::vector<std::string> names = zipNames(zip);
    std::set<std::string> got(names.begin(), names.end());
    EXPECT_EQ(names.size(), got.size()) << "a name twice";
    EXPECT_EQ(want, got);

    /* Unpacked: the same files (the program adds its module lists when it runs). */
    std::set<std::string> there;
    for (const std::string &f : filesIn(dir, "*"))
        if (lower(f) != "flt.dat" && lower(f) != "xfm.dat")
            there.insert(kFolder + "/" + f);
    EXPECT_EQ(want, there) << dir;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("Z:\\")) << "the build tree is reachable through Z:";

    std::string licence = readAll(dir + "\\LICENSE.txt"), readme = readAll(dir + "\\README.txt");
    EXPECT_EQ(0u, licence.find("MIT License\r\n"));
    EXPECT_NE(std::string::npos, licence.find("Copyright (c) 2026 The Zelo Edit developers"));
    EXPECT_EQ(0u, readme.find(std::string("Zelo Edit ") + ZELO_VERSION + " - ")) << readme.substr(0, 80);
    for (const char *s : {"%APPDATA%\\Zelo Edit", "/settings:", "*.flt", "*.xfm", "zelo-help.txt", "LICENSE.txt"})
        EXPECT_NE(std::string::npos, readme.find(s)) << s;
    for (const std::string *t : {&licence, &readme})
        for (size_t p = t->find('\n'); p != std::string::npos; p = t->find('\n', p + 1))
            ASSERT_TRUE(p > 0 && (*t)[p - 1] == '\r') << "CR LF lines for Notepad";
    unsigned rate = 0;
    EXPECT_NEAR(4.0, waveSeconds(dir + "\\demo.wav", &rate), 0.01);
    EXPECT_EQ(22050u, rate);
}

/* The version the program shows (About box, version resource) is core/version.h's. */
TEST(Release, AboutBoxAndVersionResourceShowTheOneVersion)
{
    NEED_RELEASE();
    std::string exe = zd::binDir() + "\\zelo.exe";
    EXPECT_EQ(ZELO_VERSION, versionValue(exe, "FileVersion"));
    EXPECT_EQ(ZELO_VERSION, versionValue(exe, "ProductVersion"));
    EXPECT_EQ("Zelo Edit", versionValue(exe, "ProductName"));
    DWORD handle = 0, n = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    std::vector<char> buf(n ? n : 1);
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(n && GetFileVersionInfoA(exe.c_str(), 0, n, buf.data()) &&
                VerQueryValueA(buf.data(), "\\", (void **)&fixed, &len) && fixed);
    EXPECT_EQ((DWORD)ZELO_VERSION_NUMBER, LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ((DWORD)ZELO_VERSION_NUMBER, LOWORD(fixed->dwProductVersionLS));

    zd::App app;
    ASSERT_TRUE(app.start());
    EXPECT_EQ("Zelo Edit " ZELO_VERSION, app.title());   /* until a wave is opened */
    app.command(kAbout);
    HWND about = app.waitWindow("About Zelo Edit");
    ASSERT_TRUE(about);
    EXPECT_EQ("Zelo Edit", zd::getText(about, kAboutName));
    EXPECT_EQ("Version " ZELO_VERSION, zd::getText(about, kAboutVersion));
    zd::screenshot("release-about");
    zd::click(about, IDOK);
    EXPECT_TRUE(zd::waitGone(about));
    EXPECT_EQ(0, app.close());
}

/* zelo-help.txt holds, topic by topic, the very text the help window shows. */
TEST(Release, HelpFileIsWhatTheHelpWindowShows)
{
    NEED_RELEASE();
    std::string file = readAll(zd::binDir() + "\\zelo-help.txt");
    std::string rule = std::string(72, '=') + "\r\n";
    std::vector<std::string> topics;
    for (size_t at = file.find(rule); at != std::string::npos;) {
        size_t next = file.find("\r\n" + rule, at + rule.size());
        topics.push_back(file.substr(at + rule.size(), next == std::string::npos ? std::string::npos
                                                                                 : next - at - rule.size()));
        at = next == std::string::npos ? next : next + 2;
    }
    ASSERT_GT(topics.size(), 5u);

    zd::App app;
    ASSERT_TRUE(app.start());
    app.command(kHelpContents);
    HWND help = app.waitWindow("Zelo Edit Help - Contents", 5000, false);
    ASSERT_TRUE(help);
    HWND list = GetDlgItem(help, kHelpList), text = GetDlgItem(help, kHelpText);
    ASSERT_TRUE(list && text);
    ASSERT_EQ((LRESULT)topics.size(), SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (size_t i = 0; i < topics.size(); i++) {
        SendMessageA(list, LB_SETCURSEL, (WPARAM)i, 0);
        SendMessageA(help, WM_COMMAND, MAKEWPARAM(kHelpList, LBN_SELCHANGE), (LPARAM)list);
        EXPECT_EQ(topics[i], wideText(text)) << "topic " << i;
    }
    PostMessageA(help, WM_CLOSE, 0, 0);
    EXPECT_TRUE(zd::waitGone(help));
    EXPECT_EQ(0, app.close());
}

/* Every filter module in the folder: the demo sound saved through each type it writes, the
   file opened again (through its own type when it reads, else the wave filter, which reads
   the write-only kinds) and saved through the wave filter: still four seconds long. */
TEST(Release, DemoSavedAndOpenedThroughEveryFilter)
{
    NEED_RELEASE();
    std::string bin = zd::binDir(), out = zd::freshDir("release-filters");
    std::vector<Filter> filters = filtersIn(bin);
    ASSERT_GE(filters.size(), 9u);
    std::string waveType = waveTypeOf(filters);
    ASSERT_FALSE(waveType.empty());

    zd::App app;
    ASSERT_TRUE(app.start());
    int written = 0;
    for (const Filter &f : filters) {
        SCOPED_TRACE(f.file + " \"" + f.rec.formatName + "\"");
        EXPECT_TRUE(f.rec.flags & (ZF_CANREAD | ZF_CANWRITE)) << "a filter that neither reads nor writes";
        if (!(f.rec.flags & ZF_CANWRITE))
            continue;
        std::vector<std::string> notes;
        ASSERT_TRUE(app.dropFiles({bin + "\\demo.wav"}));
        ASSERT_TRUE(finish(app, "demo.wav - Zelo Edit", &notes)) << app.title() << joined(notes);
        std::string stem = f.file.substr(0, f.file.find('.'));
        std::string saved = out + "\\" + stem + "." + lower(f.rec.ext);
        ASSERT_TRUE(saveThrough(app, f.rec.formatName, saved, &notes)) << app.title() << joined(notes);
        EXPECT_TRUE(zd::fileExists(saved));
        ASSERT_TRUE(closeDocument(app, &notes)) << joined(notes);
        std::string type = (f.rec.flags & ZF_CANREAD) ? f.rec.formatName : waveType;
        ASSERT_TRUE(openThrough(app, type, saved, &notes)) << app.title() << joined(notes);
        std::string back = out + "\\" + stem + "-back.wav";
        ASSERT_TRUE(saveThrough(app, waveType, back, &notes)) << app.title() << joined(notes);
        EXPECT_NEAR(4.0, waveSeconds(back), 0.05) << "the sound came back another length" << joined(notes);
        EXPECT_FALSE(anyError(notes)) << joined(notes);
        ASSERT_TRUE(closeDocument(app, &notes)) << joined(notes);
        written++;
        if (!notes.empty())
            printf("[ release ] %s:%s\n", f.file.c_str(), joined(notes).c_str());
    }
    EXPECT_GE(written, 8);
    EXPECT_EQ(0, app.close());
}

/* Every transform module in the folder runs once: Resample (no menu entry of its own)
   through Convert Sample Type, each other through its menu entry and its dialog. */
TEST(Release, EveryTransformRunsOnce)
{
    NEED_RELEASE();
    std::string bin = zd::binDir(), out = zd::freshDir("release-xforms");
    size_t modules = filesIn(bin, "*.xfm").size();
    ASSERT_GE(modules, 10u);
    std::string waveType = waveTypeOf(filtersIn(bin));
    ASSERT_FALSE(waveType.empty());

    zd::App app;
    ASSERT_TRUE(app.start());
    std::vector<std::string> notes;
    ASSERT_TRUE(app.dropFiles({bin + "\\demo.wav"}));
    ASSERT_TRUE(finish(app, "demo.wav - Zelo Edit", &notes)) << app.title() << joined(notes);

    /* Resample: the demo's 22050 Hz become 11025 Hz. */
    app.command(kConvert);
    HWND conv = app.waitWindow("Convert Sample Type");
    ASSERT_TRUE(conv);
    zd::setText(conv, kConvertRate, "11025");
    zd::click(conv, IDOK);
    ASSERT_TRUE(zd::waitGone(conv));
    ASSERT_TRUE(zd::waitUndo(app, "Undo Convert Sample Type", 60000));
    std::string resampled = out + "\\resampled.wav";
    ASSERT_TRUE(saveThrough(app, waveType, resampled, &notes)) << joined(notes);
    unsigned rate = 0;
    EXPECT_NEAR(4.0, waveSeconds(resampled, &rate), 0.01);
    EXPECT_EQ(11025u, rate);

    size_t entries = 0;
    for (int id = 7000; id < 7060; id++) {
        std::string name = zd::menuText(app, id);
        if (name.empty())
            continue;
        entries++;
        SCOPED_TRACE(name);
        std::string plain = name.substr(0, name.find("..."));
        app.command(kSelectAll);
        app.idle();
        ASSERT_FALSE(zd::menuGrayed(app, id)) << "greyed with the whole wave selected";
        std::string before = zd::menuText(app, kUndo);
        std::vector<std::string> ran;
        int answered = 0;
        app.command(id);
        for (int t = 0; t < 3000 && app.dialogs().empty(); t += 50)
            Sleep(50);
        ASSERT_TRUE(finish(app, "", &ran, &answered)) << joined(ran);
        std::string after = zd::menuText(app, kUndo);
        /* Transforms and generators leave an undo step named for them ("Undo Generate
           Tone"); a tool (Statistics) only shows its dialog. */
        bool undone = after != before && after.compare(0, 5, "Undo ") == 0 && after.find(plain) != std::string::npos;
        EXPECT_TRUE(undone || (answered > 0 && after == before))
            << "undo reads \"" << after << "\" (before: \"" << before << "\")" << joined(ran);
        EXPECT_FALSE(anyError(ran)) << joined(ran);
        EXPECT_TRUE(app.running());
        printf("[ release ] %s: %s%s\n", name.c_str(), after.c_str(), joined(ran).c_str());
    }
    EXPECT_EQ(modules, entries + 1) << "one menu entry per transform module, and Resample's none";
    EXPECT_EQ(0, zd::closeDiscarding(app));
}
