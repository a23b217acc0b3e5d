/*
 * Saving and opening where things go wrong on the user's disk: a save that fails while the
 * wave filter finishes the file, a read-only file, a folder that cannot be written, a file
 * read in a reduced form, a save killed part way, and a store that cannot be set up.
 *
 * The disk conditions are made with Unix tools (a small tmpfs, chmod, a read-only bind
 * mount), started from here as Unix processes; the folders live under /tmp and are reached
 * as Z:\tmp\....  A test that needs a mount skips when mounting is refused.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

using zd::settle;
using zd::waitGone;
using zd::waitTitle;

const int kSave = 1151, kSaveAs = 1150, kOpen = 1100, kNew = 1050;

std::string toWine(const std::string &unixPath)
{
    std::string p = "Z:" + unixPath;
    for (char &c : p)
        if (c == '/')
            c = '\\';
    return p;
}

/* A fresh folder /tmp/zelo-ff-<pid>-<name>; returns its Unix path. */
std::string unixDir(const std::string &name)
{
    std::string d = "/tmp/zelo-ff-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    std::string w = toWine(d);
    CreateDirectoryA(w.c_str(), NULL);
    /* Wine hands out process ids again, so an earlier run's folder may be there with its
       files: empty it, or a save would meet a question the test does not expect. */
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((w + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::string f = w + "\\" + fd.cFileName;
                SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(f.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    return d;
}

/* Starts a shell script as a Unix process; returns the marker file that holds its exit
   code once it finished, or "" when it could not be started. */
std::string shStart(const std::string &script)
{
    static int n;
    std::string base = "/tmp/zelo-ff-" + std::to_string(GetCurrentProcessId()) + "-sh" + std::to_string(++n);
    std::string done = base + ".done";
    FILE *f = fopen(toWine(base + ".sh").c_str(), "wb");
    if (!f)
        return "";
    fprintf(f, "(\n%s\n) >%s.log 2>&1\necho $? > %s.tmp && mv %s.tmp %s\n", script.c_str(), base.c_str(),
            done.c_str(), done.c_str(), done.c_str());
    fclose(f);
    std::string cmd = "/bin/sh " + base + ".sh";
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    /* Wine starts a Unix program without a process handle of its own: the marker file
       tells when it finished. */
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return "";
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return done;
}

/* The exit code of a script started by shStart, -1 when it did not finish in time. */
int shWait(const std::string &done, int timeoutMs = 30000)
{
    if (done.empty())
        return -1;
    for (int t = 0; t < timeoutMs; t += 20) {
        FILE *d = fopen(toWine(done).c_str(), "rb");
        if (d) {
            int code = -1;
            if (fscanf(d, "%d", &code) != 1)
                code = -1;
            fclose(d);
            std::string base = done.substr(0, done.size() - 5);
            for (const char *ext : {".sh", ".log", ".done"})
                DeleteFileA(toWine(base + ext).c_str());
            return code;
        }
        Sleep(20);
    }
    return -1;
}

/* Runs a shell script and waits for it; its exit code, or -1. */
int sh(const std::string &script) { return shWait(shStart(script)); }

std::vector<unsigned char> readAll(const std::string &winPath)
{
    std::vector<unsigned char> v;
    FILE *f = fopen(winPath.c_str(), "rb");
    if (!f)
        return v;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        v.insert(v.end(), buf, buf + n);
    fclose(f);
    return v;
}

void put16(std::vector<unsigned char> &v, unsigned x)
{
    v.push_back((unsigned char)x);
    v.push_back((unsigned char)(x >> 8));
}
void put32(std::vector<unsigned char> &v, unsigned x)
{
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}
void tag(std::vector<unsigned char> &v, const char *t) { v.insert(v.end(), t, t + 4); }

/* A PCM wave file of any bits and channels, with an optional LIST/INFO ICMT text. */
bool writeWaveEx(const std::string &winPath, unsigned rate, int bits, int channels, size_t frames,
                 const std::string &comment = "", bool cue = false)
{
    unsigned align = (unsigned)(bits / 8 * channels);
    std::vector<unsigned char> v;
    tag(v, "RIFF");
    put32(v, 0);
    tag(v, "WAVE");
    tag(v, "fmt ");
    put32(v, 16);
    put16(v, 1);
    put16(v, (unsigned)channels);
    put32(v, rate);
    put32(v, rate * align);
    put16(v, align);
    put16(v, (unsigned)bits);
    tag(v, "data");
    put32(v, (unsigned)(frames * align));
    for (size_t i = 0; i < frames * align; i++)
        v.push_back((unsigned char)(i * 7 + i / 509));
    if (!comment.empty()) {
        size_t text = comment.size() + 1, padded = text + (text & 1);
        tag(v, "LIST");
        put32(v, (unsigned)(4 + 8 + padded));
        tag(v, "INFO");
        tag(v, "ICMT");
        put32(v, (unsigned)text);
        v.insert(v.end(), comment.begin(), comment.end());
        v.push_back(0);
        if (text & 1)
            v.push_back(0);
    }
    if (cue) {
        /* One cue point at frame 10. */
        tag(v, "cue ");
        put32(v, 4 + 24);
        put32(v, 1);
        put32(v, 1);
        put32(v, 10);
        tag(v, "data");
        put32(v, 0);
        put32(v, 0);
        put32(v, 10);
    }
    unsigned riff = (unsigned)(v.size() - 8);
    for (int i = 0; i < 4; i++)
        v[4 + i] = (unsigned char)(riff >> (8 * i));
    FILE *f = fopen(winPath.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(v.data(), 1, v.size(), f) == v.size();
    return fclose(f) == 0 && ok;
}

/* Message boxes of the app until none comes within quietMs. */
std::vector<zd::MsgBox> drainBoxes(zd::App &app, int firstMs, int quietMs, int answer = IDOK)
{
    std::vector<zd::MsgBox> seen;
    zd::MsgBox box;
    for (int wait = firstMs; seen.size() < 6 && app.waitMessageBox(&box, wait); wait = quietMs) {
        seen.push_back(box);
        zd::click(box.hwnd, answer);
        waitGone(box.hwnd);
    }
    return seen;
}

/* Unmounts in the test's clean-up, also after a failed assertion. */
struct Mount {
    std::string dir;
    bool mounted = false;
    ~Mount()
    {
        /* A program killed by a failed test may still hold a file there for a moment. */
        for (int i = 0; mounted && i < 20; i++) {
            mounted = sh("umount " + dir) != 0;
            if (mounted)
                Sleep(250);
        }
    }
};

} // namespace

/* A save whose filter fails while finishing (room for the samples, none for the INFO list)
   keeps the original and says so once; the document stays modified. */
TEST(FilesFaults, AFilterFailingAtTheCloseKeepsTheOriginal)
{
    Mount m;
    m.dir = unixDir("full");
    if (sh("mount -t tmpfs -o size=1m tmpfs " + m.dir) != 0)
        GTEST_SKIP() << "mounting a tmpfs is refused here";
    m.mounted = true;
    std::string file = toWine(m.dir + "/orig.wav");
    /* 200 KB of samples and a 500 KB comment: the copy has room for the samples only. */
    ASSERT_TRUE(writeWaveEx(file, 22050, 16, 2, 50000, std::string(500000, 'c')));
    std::vector<unsigned char> before = readAll(file);

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "orig.wav - Zelo Edit")) << app.title();
    settle(app);
    app.command(kSave);
    std::vector<zd::MsgBox> boxes = drainBoxes(app, 15000, 1500);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Out of Space", boxes[0].caption);
    EXPECT_NE(std::string::npos, boxes[0].text.find("could not be written completely")) << boxes[0].text;
    EXPECT_TRUE(before == readAll(file)) << "the original was changed";
    EXPECT_EQ(0, zd::countFiles(toWine(m.dir), "~zs*"));
    EXPECT_EQ(0, app.close());
}

/* A read-only file is not overwritten: the user is told and offered another name. */
TEST(FilesFaults, AReadOnlyFileIsRefusedWithSaveAsOffered)
{
    std::string dir = unixDir("readonly");
    std::string file = toWine(dir + "/locked.wav");
    ASSERT_TRUE(writeWaveEx(file, 8000, 8, 1, 4000));
    ASSERT_EQ(0, sh("chmod 444 " + dir + "/locked.wav"));
    std::vector<unsigned char> before = readAll(file);

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "locked.wav - Zelo Edit")) << app.title();
    settle(app);
    app.command(kSave);
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 10000));
    EXPECT_EQ("\"" + file + "\" is read-only and was not changed.  Would you like to save the waveform under "
              "another name?",
              box.text);
    zd::click(box.hwnd, IDYES);
    ASSERT_TRUE(waitGone(box.hwnd));
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg) << "Yes offers Save As";
    zd::click(dlg, IDCANCEL);
    ASSERT_TRUE(waitGone(dlg));
    EXPECT_TRUE(drainBoxes(app, 1000, 500).empty());
    EXPECT_TRUE(before == readAll(file));
    EXPECT_EQ(0, sh("test ! -w " + dir + "/locked.wav || test \"$(stat -c %a " + dir + "/locked.wav)\" = 444"));
    DWORD a = GetFileAttributesA(file.c_str());
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0, app.close());
}

/* A folder that cannot be written: a clear message naming the file, no sample-type question. */
TEST(FilesFaults, AnUnwritableFolderIsToldAsSuch)
{
    Mount m;
    m.dir = unixDir("rofolder");
    std::string src = toWine(unixDir("rosrc") + "/tone.wav");
    ASSERT_TRUE(writeWaveEx(src, 44100, 16, 2, 10000));
    if (sh("mount --bind " + m.dir + " " + m.dir) != 0)
        GTEST_SKIP() << "bind mounts are refused here";
    m.mounted = true;
    if (sh("mount -o remount,ro,bind " + m.dir) != 0)
        GTEST_SKIP() << "a read-only remount is refused here";
    std::string target = toWine(m.dir) + "\\copy.wav";

    zd::App app;
    ASSERT_TRUE(app.start("\"" + src + "\""));
    ASSERT_TRUE(waitTitle(app, "tone.wav - Zelo Edit")) << app.title();
    settle(app);
    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    zd::fillFileDialog(dlg, target);
    std::vector<zd::MsgBox> boxes = drainBoxes(app, 10000, 1500);
    zd::screenshot("files-faults-unwritable-folder");
    ASSERT_EQ(1u, boxes.size()) << (boxes.empty() ? "" : boxes[0].caption + ": " + boxes[0].text) << (boxes.size() > 1 ? " / " + boxes[1].caption + ": " + boxes[1].text : "");
    EXPECT_EQ("\"" + target + "\" could not be created: the folder cannot be written to (it may be read-only or "
              "write-protected).  Nothing was saved.",
              boxes[0].text);
    EXPECT_EQ("tone.wav - Zelo Edit", app.title());
    EXPECT_EQ(0, app.close());
}

/* A 24-bit file is read as 16 bits: said once at the open; Save asks before overwriting. */
TEST(FilesFaults, AReducedReadIsToldAndSaveAsksFirst)
{
    std::string dir = unixDir("reduced");
    std::string file = toWine(dir + "/deep.wav");
    ASSERT_TRUE(writeWaveEx(file, 44100, 24, 2, 8000));
    std::vector<unsigned char> before = readAll(file);

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    zd::MsgBox box;
    ASSERT_TRUE(app.waitMessageBox(&box, 10000));
    EXPECT_EQ("\"" + file + "\" holds 24-bit stereo samples and was read as 16-bit stereo.  Saving it keeps only "
              "what was read.",
              box.text);
    zd::click(box.hwnd, IDOK);
    ASSERT_TRUE(waitGone(box.hwnd));
    ASSERT_TRUE(waitTitle(app, "deep.wav - Zelo Edit")) << app.title();
    settle(app);
    EXPECT_TRUE(drainBoxes(app, 500, 300).empty()) << "told once";

    app.command(kSave);
    ASSERT_TRUE(app.waitMessageBox(&box, 10000));
    EXPECT_EQ("Please Confirm", box.caption);
    EXPECT_NE(std::string::npos, box.text.find("holds 24-bit stereo samples but was read as 16-bit stereo"));
    zd::click(box.hwnd, IDCANCEL);
    ASSERT_TRUE(waitGone(box.hwnd));
    settle(app);
    EXPECT_TRUE(before == readAll(file));
    EXPECT_EQ(0, app.close());
}

/* A save killed part way leaves its temporary file; the next start removes it. */
TEST(FilesFaults, AKilledSaveLeavesNothingAfterTheNextStart)
{
    std::string dir = unixDir("killed");
    std::string src = toWine(dir + "/big-source.wav"), target = toWine(dir) + "\\big-copy.wav";
    ASSERT_TRUE(writeWaveEx(src, 44100, 16, 2, 12000000));   /* 48 MB */
    std::string settings = zd::freshDir("killed-settings");

    zd::App app;
    ASSERT_TRUE(app.start("\"" + src + "\"", settings));
    ASSERT_TRUE(waitTitle(app, "big-source.wav - Zelo Edit", 60000)) << app.title();
    settle(app);
    /* The Wine process of this copy, found by its command line, goes into a pid file; a
       watcher started before the save kills it (-9) once the save's file has grown. */
    std::string pidFile = dir + "/zelo.pid";
    ASSERT_EQ(0, sh("for p in /proc/[0-9]*; do if tr '\\0' ' ' < $p/cmdline 2>/dev/null | grep -q "
                    "'zelo.exe.*big-source'; then echo ${p#/proc/} >> " + pidFile + "; fi; done; test -s " + pidFile));
    std::string watcher = shStart("for t in $(seq 1 20000); do s=$(stat -c %s " + dir + "/~zs* 2>/dev/null); "
                                  "if [ -n \"$s\" ] && [ \"$s\" -gt 4000000 ]; then kill -9 $(cat " + pidFile +
                                  "); exit 0; fi; done; exit 1");
    app.command(kSaveAs);
    HWND dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    zd::fillFileDialog(dlg, target);
    ASSERT_EQ(0, shWait(watcher, 60000)) << "the save was not caught part way";
    app.waitExit(10000);
    ASSERT_GT(zd::countFiles(toWine(dir), "~zs*"), 0) << "the save finished before the kill";
    EXPECT_FALSE(GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES);

    zd::App again;
    ASSERT_TRUE(again.start("", settings));
    settle(again);
    EXPECT_EQ(0, zd::countFiles(toWine(dir), "~zs*"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((settings + "\\savejnl.txt").c_str()));
    EXPECT_EQ(0, again.close());
    sh("rm -rf " + dir);   /* 48 MB */
}

/* An open whose store cannot be set up keeps the open waveform and says what failed.  The
   temporary folder is a small tmpfs whose file slots are used up after the first open. */
TEST(FilesFaults, AFailedStoreKeepsTheOpenWave)
{
    Mount m;
    m.dir = unixDir("notemp");
    std::string files = unixDir("notemp-files");
    std::string first = toWine(files + "/first.wav"), second = toWine(files + "/second.wav");
    ASSERT_TRUE(writeWaveEx(first, 8000, 8, 1, 6000));
    ASSERT_TRUE(writeWaveEx(second, 8000, 8, 1, 7000));
    if (sh("mount -t tmpfs -o size=8m,nr_inodes=64 tmpfs " + m.dir) != 0)
        GTEST_SKIP() << "mounting a tmpfs is refused here";
    m.mounted = true;
    std::string settings = zd::freshDir("notemp-settings");
    zd::writeIni(settings + "\\zelo.ini", "Size", "TempOverride", toWine(m.dir).c_str());

    zd::App app;
    ASSERT_TRUE(app.start("\"" + first + "\"", settings));
    ASSERT_TRUE(waitTitle(app, "first.wav - Zelo Edit")) << app.title();
    settle(app);
    ASSERT_EQ(0, sh("i=0; while touch " + m.dir + "/slot$i 2>/dev/null; do i=$((i+1)); done; test $i -gt 0"));
    app.command(kOpen);
    HWND dlg = app.waitWindow("Open a Waveform");
    ASSERT_TRUE(dlg);
    zd::fillFileDialog(dlg, second);
    std::vector<zd::MsgBox> boxes = drainBoxes(app, 10000, 1500);
    ASSERT_EQ(1u, boxes.size()) << boxes[0].text;
    EXPECT_EQ("\"" + second + "\" was not opened: the temporary file for its samples could not be set up (the "
              "temporary drive may be full or write-protected).",
              boxes[0].text);
    EXPECT_EQ("first.wav - Zelo Edit", app.title());
    /* The old wave is still there to play. */
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(app.main(), 199)));
    sh("rm -f " + m.dir + "/slot*");
    EXPECT_EQ(0, app.close());
}

/* The cues of an opened file belong to it: after New, a save writes none of them. */
TEST(FilesFaults, CuesDoNotFollowIntoANewDocument)
{
    std::string dir = unixDir("cues");
    std::string file = toWine(dir + "/marked.wav"), out = toWine(dir) + "\\fresh.wav";
    ASSERT_TRUE(writeWaveEx(file, 8000, 8, 1, 4000, "", true));
    std::vector<unsigned char> in = readAll(file);
    ASSERT_NE(in.end(), std::search(in.begin(), in.end(), "cue ", "cue " + 4));

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    ASSERT_TRUE(waitTitle(app, "marked.wav - Zelo Edit")) << app.title();
    settle(app);
    app.command(kNew);
    HWND dlg = app.waitWindow("New Waveform");
    ASSERT_TRUE(dlg);
    zd::click(dlg, IDOK);
    ASSERT_TRUE(waitGone(dlg));
    ASSERT_TRUE(waitTitle(app, "Untitled - Zelo Edit")) << app.title();
    bool named = zd::saveAs(app, out);
    zd::MsgBox box;
    ASSERT_TRUE(named) << app.title() << (app.waitMessageBox(&box, 100) ? " / " + box.caption + ": " + box.text : "");
    std::vector<unsigned char> saved = readAll(out);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.end(), std::search(saved.begin(), saved.end(), "cue ", "cue " + 4)) << "the old file's cues were written";
    EXPECT_EQ(0, app.close());
}

/* A wave longer than the store holds (a sparse 2.5 GB file): the user is told how much was
   read, and no store message claims a full drive. */
TEST(FilesFaults, AFileLongerThanTheStoreSaysHowMuchWasRead)
{
    std::string dir = unixDir("huge");
    std::string file = toWine(dir + "/huge.wav");
    ASSERT_TRUE(writeWaveEx(file, 44100, 16, 2, 0));
    /* The header claims 2.5e9 bytes of samples; the file is made that long without using disk. */
    const unsigned dataBytes = 2500000000u;
    char escaped[32];
    snprintf(escaped, sizeof escaped, "\\%03o\\%03o\\%03o\\%03o", dataBytes & 0xFF, (dataBytes >> 8) & 0xFF,
             (dataBytes >> 16) & 0xFF, dataBytes >> 24);
    ASSERT_EQ(0, sh("printf '" + std::string(escaped) + "' > " + dir + "/size.bin && dd if=" + dir + "/size.bin of=" +
                    dir + "/huge.wav bs=1 seek=40 conv=notrunc 2>/dev/null && truncate -s " +
                    std::to_string(44ull + dataBytes) + " " + dir + "/huge.wav"));

    zd::App app;
    ASSERT_TRUE(app.start("\"" + file + "\""));
    std::vector<zd::MsgBox> boxes = drainBoxes(app, 300000, 2000);
    ASSERT_EQ(1u, boxes.size()) << (boxes.empty() ? "" : boxes[0].caption + ": " + boxes[0].text)
                                << (boxes.size() > 1 ? " / " + boxes[1].caption + ": " + boxes[1].text : "");
    EXPECT_EQ("Attention", boxes[0].caption);
    EXPECT_NE(std::string::npos, boxes[0].text.find("is longer than Zelo Edit can hold")) << boxes[0].text;
    EXPECT_NE(std::string::npos, boxes[0].text.find("of 625000000 sample frames) was read")) << boxes[0].text;
    settle(app);
    EXPECT_EQ("Untitled - Zelo Edit", app.title()) << "a part of the file is not the file";
    /* The partial wave is a changed, untitled one: leave it without saving. */
    app.post(WM_CLOSE);
    zd::MsgBox box;
    if (app.waitMessageBox(&box, 5000))
        zd::click(box.hwnd, IDNO);
    app.waitExit(30000);
    sh("rm -rf " + dir);
}
