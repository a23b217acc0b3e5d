/*
 * Cues and the play list as a user meets them in the real program: markers and regions
 * written by another editor follow deletes and pastes and are saved where their sound went
 * (read back by a small independent parser, cuechunks.py); the Cue List dialog adds, merges,
 * relabels and deletes, with the flags over the waveform following; the Play List plays its
 * ranges in order through the wave device; New starts without the old file's cues.
 */
#include "zdriver.h"
#include "zmodules.h"
#include "alsafile.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zm;

namespace {

enum {
    kSave = 1151, kNew = 1050, kCopy = 2050, kPaste = 2100, kDelete = 2200, kUndo = 102,
    kCueList = 137, kPlayList = 136, kAddCue = 311, kDeselect = 254, kStop = 198, kPlay = 199, kFullView = 195,
    kCueListBox = 3950, kCueLabel = 3951, kCueDesc = 3952, kCueDel = 3953, kCueMerge = 3954,
    kPlList = 328, kPlAdd = 325, kPlRemove = 331, kPlLoops = 335, kPlPlay = 334, kPlAutocue = 3080
};

typedef std::vector<unsigned char> Bytes;

const std::string kScript = "/usr/bin/python3 '" ZELO_SOURCE_DIR_DEFAULT "/tests/e2e/cuechunks.py'";

/* The cues of a wave file as the independent parser reads them: "id frame length label|note". */
std::vector<std::string> dumpCues(const std::string &dir, const std::string &wav)
{
    std::string out = dir + "\\dump.txt";
    DeleteFileA(out.c_str());
    EXPECT_TRUE(zd::runNative(dir, kScript + " dump '" + zd::unixPath(wav) + "' > '" + zd::unixPath(out) + "'"));
    std::vector<std::string> lines;
    FILE *f = fopen(out.c_str(), "r");
    if (!f)
        return lines;
    char line[512];
    while (fgets(line, sizeof line, f)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
            s.pop_back();
        lines.push_back(s);
    }
    fclose(f);
    return lines;
}

/* Copies `from` to `to` with markers and regions added: "id:frame:length:label[:note]". */
bool addCues(const std::string &dir, const std::string &from, const std::string &to, const std::string &marks)
{
    return nativeOk(dir, kScript + " add '" + zd::unixPath(from) + "' '" + zd::unixPath(to) + "' " + marks) &&
           zd::fileExists(to);
}

/* 16-bit mono frames that tell every frame apart. */
Bytes pattern(int frames)
{
    Bytes b;
    for (int i = 0; i < frames; i++) {
        int v = (i * 37) % 30000 - 15000;
        b.push_back((unsigned char)(v & 0xFF));
        b.push_back((unsigned char)((v >> 8) & 0xFF));
    }
    return b;
}

/* A dialog of the program whose title begins with prefix. */
HWND waitDialogPrefix(zd::App &app, const std::string &prefix, int timeoutMs = 5000)
{
    for (int t = 0; t <= timeoutMs; t += 50) {
        for (HWND d : app.dialogs())
            if (zd::windowText(d).compare(0, prefix.size(), prefix) == 0)
                return d;
        Sleep(50);
    }
    return NULL;
}

int lbCount(HWND dlg, int id) { return (int)SendDlgItemMessageA(dlg, id, LB_GETCOUNT, 0, 0); }

std::string lbLine(HWND dlg, int id, int i)
{
    /* The wide form: Wine hands the A form of LB_GETTEXT from another process back wide. */
    wchar_t w[512] = L"";
    char text[512] = "";
    if (SendDlgItemMessageW(dlg, id, LB_GETTEXTLEN, i, 0) < 500)
        SendDlgItemMessageW(dlg, id, LB_GETTEXT, i, (LPARAM)w);
    WideCharToMultiByte(CP_ACP, 0, w, -1, text, sizeof text, NULL, NULL);
    return text;
}

bool waitCount(HWND dlg, int id, int want, int timeoutMs = 5000)
{
    for (int t = 0; t <= timeoutMs; t += 20) {
        if (lbCount(dlg, id) == want)
            return true;
        Sleep(20);
    }
    return false;
}

/* Selects lines of the cue list (extended selection) and tells the dialog. */
void selectCueLines(HWND dlg, std::initializer_list<int> lines)
{
    SendDlgItemMessageA(dlg, kCueListBox, LB_SETSEL, FALSE, -1);
    for (int i : lines)
        SendDlgItemMessageA(dlg, kCueListBox, LB_SETSEL, TRUE, i);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kCueListBox, LBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, kCueListBox));
}

void selectPlayLine(HWND dlg, int line)
{
    SendDlgItemMessageA(dlg, kPlList, LB_SETCURSEL, line, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(kPlList, LBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, kPlList));
}

/* Pixels of pure blue (range flags) in the main window's client area. */
int bluePixels(zd::App &app)
{
    int w = 0, h = 0;
    std::vector<unsigned> px;
    if (!zd::grabClient(app.main(), &w, &h, &px))
        return -1;
    /* Only rows of the waveform area, which are mostly its black background: the toolbar's
       pictures have blue in them too. */
    int n = 0;
    for (int y = 0; y < h; y++) {
        const unsigned *row = &px[(size_t)y * w];
        int black = 0, blue = 0;
        for (int x = 0; x < w; x++) {
            black += row[x] == 0;
            blue += row[x] == 0x0000FFu;   /* 0x00RRGGBB */
        }
        if (black * 2 > w)
            n += blue;
    }
    return n;
}

bool waitBlue(zd::App &app, bool want, int timeoutMs = 3000)
{
    for (int t = 0; t <= timeoutMs; t += 50) {
        app.idle(20);
        if ((bluePixels(app) > 0) == want)
            return true;
        Sleep(30);
    }
    return false;
}

void waitUndoText(zd::App &app, const std::string &text)
{
    EXPECT_TRUE(zd::waitUndo(app, text)) << text;
    zd::settle(app);
}

/* ---- markers and regions from another editor ---- */

TEST(Cues, MarkersAndRegionsFollowDeletesAndPastesIntoTheSavedFile)
{
    std::string dir = zd::freshDir("cues-follow");
    if (!zd::haveSox(dir))
        GTEST_SKIP() << "sox is not installed";
    std::string base = dir + "\\base.wav", in = dir + "\\in.wav", out = dir + "\\out.wav";
    ASSERT_TRUE(nativeOk(dir, "sox -n -r 8000 -c 2 -b 16 '" + zd::unixPath(base) + "' synth 3 sine 440"));
    ASSERT_TRUE(addCues(dir, base, in, "101:1000:0:Hit 202:4000:2000:Verse:'first verse' 303:10000:500:Tail"));
    std::vector<std::string> before = dumpCues(dir, in);
    ASSERT_EQ(3u, before.size());

    Session s;
    ASSERT_TRUE(s.open(in));
    s.app.command(kCueList);
    HWND cues = waitDialogPrefix(s.app, "Cue List");
    ASSERT_TRUE(cues);
    ASSERT_TRUE(waitCount(cues, kCueListBox, 3));
    EXPECT_NE(std::string::npos, lbLine(cues, kCueListBox, 1).find("Verse"));
    EXPECT_NE(std::string::npos, lbLine(cues, kCueListBox, 1).find("[202]"));

    selectRange(s.app, 100, 299);          /* 200 frames before every cue */
    s.app.command(kDelete);
    waitUndoText(s.app, "Undo Delete");
    selectRange(s.app, 0, 249);
    s.app.command(kCopy);
    zd::settle(s.app);
    selectRange(s.app, 200, 299);          /* 100 frames replaced by 250: 150 more */
    s.app.command(kPaste);
    waitUndoText(s.app, "Undo Paste");
    selectRange(s.app, 3900, 3999);        /* across the start of Verse (now at 3950) */
    s.app.command(kDelete);
    waitUndoText(s.app, "Undo Delete");
    ASSERT_TRUE(zd::saveAs(s.app, out));

    std::vector<std::string> after = dumpCues(dir, out);
    ASSERT_EQ(3u, after.size());
    EXPECT_EQ("101 950 0 Hit|", after[0]);
    EXPECT_EQ("202 3900 1950 Verse|first verse", after[1]);
    EXPECT_EQ("303 9850 500 Tail|", after[2]);
    s.app.idle(300);
    zd::screenshot("cues-follow");

    /* Undo of the last delete brings Verse back to where it was before it. */
    s.app.command(kUndo);
    zd::settle(s.app);
    std::string undone = dir + "\\undone.wav";
    ASSERT_TRUE(zd::saveAs(s.app, undone));
    std::vector<std::string> back = dumpCues(dir, undone);
    ASSERT_EQ(3u, back.size());
    EXPECT_EQ("202 3950 2000 Verse|first verse", back[1]);
    EXPECT_EQ("303 9950 500 Tail|", back[2]);

    /* New starts with no cues: nothing of this file's is written into the next. */
    s.app.command(kNew);
    HWND nw = s.app.waitWindow("New Waveform");
    if (nw) {
        zd::click(nw, IDOK);
        zd::waitGone(nw);
    }
    ASSERT_TRUE(zd::waitTitle(s.app, "Untitled - Zelo Edit"));
    EXPECT_TRUE(waitCount(cues, kCueListBox, 0));
    s.app.command(4100);   /* Generate Silence, so there is something to save */
    HWND gen = s.app.waitWindow("Generate Silence");
    if (gen) {
        zd::click(gen, IDOK);
        zd::waitGone(gen);
    }
    zd::settle(s.app);
    std::string fresh = dir + "\\fresh.wav";
    ASSERT_TRUE(zd::saveAs(s.app, fresh));
    EXPECT_TRUE(dumpCues(dir, fresh).empty());
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Cues, DamagedCueChunksOpenWithTheUsableCues)
{
    std::string dir = zd::freshDir("cues-damaged");
    std::string base = dir + "\\base.wav", in = dir + "\\in.wav", out = dir + "\\out.wav";
    ASSERT_TRUE(zd::writeWave(base, 8000, 16, 1, pattern(8000)));
    /* A duplicate identifier, a cue past the end, and labels of cues that do not exist are
       written by hand below; the parser's writer gives the rest. */
    ASSERT_TRUE(addCues(dir, base, in, "11:100:50:One 11:200:0:Again 12:9000:0:Late 13:300:99999:Long"));
    Session s;
    ASSERT_TRUE(s.open(in));
    ASSERT_TRUE(zd::saveAs(s.app, out));
    std::vector<std::string> got = dumpCues(dir, out);
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ("11 100 50 Again|", got[0]);  /* the first 11 stands; its last label wins */
    EXPECT_EQ("13 300 7700 Long|", got[1]); /* cut at the end of the sound */
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Cues, EachFileDroppedBehindTheFirstIsMarkedWithItsName)
{
    std::string dir = zd::freshDir("cues-drop");
    std::string a = dir + "\\first.wav", b = dir + "\\second part.wav", out = dir + "\\out.wav";
    ASSERT_TRUE(zd::writeWave(a, 8000, 16, 1, pattern(3000)));
    ASSERT_TRUE(zd::writeWave(b, 8000, 16, 1, pattern(1000)));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({a, b}));
    ASSERT_TRUE(zd::waitTitle(app, "Untitled - Zelo Edit", 30000));
    zd::settle(app);
    ASSERT_TRUE(zd::saveAs(app, out));
    std::vector<std::string> got = dumpCues(dir, out);
    ASSERT_EQ(1u, got.size());
    EXPECT_NE(std::string::npos, got[0].find(" 3000 0 second part.wav|")) << got[0];
    EXPECT_EQ(0, closeDiscarding(app));
}

TEST(Cues, ConvertingTheRateKeepsCuesOnTheirTimeAndUndoPutsThemBack)
{
    std::string dir = zd::freshDir("cues-convert");
    std::string base = dir + "\\base.wav", in = dir + "\\in.wav", out = dir + "\\out.wav";
    ASSERT_TRUE(zd::writeWave(base, 8000, 16, 1, pattern(16000)));
    ASSERT_TRUE(addCues(dir, base, in, "21:4000:0:Half 22:8000:4000:Second"));
    Session s;
    ASSERT_TRUE(s.open(in));
    s.app.command(120);   /* Convert Sample Type */
    HWND dlg = s.app.waitWindow("Convert Sample Type");
    ASSERT_TRUE(dlg);
    zd::setText(dlg, 321, "22050");
    zd::click(dlg, IDOK);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitUndo(s.app, "Undo Convert Sample Type", 60000));
    zd::settle(s.app);
    ASSERT_TRUE(zd::saveAs(s.app, out));
    std::vector<std::string> got = dumpCues(dir, out);
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ("21 11025 0 Half|", got[0]);          /* 0.5 s */
    EXPECT_EQ("22 22050 11025 Second|", got[1]);    /* 1 s to 1.5 s */
    s.app.command(kUndo);
    ASSERT_TRUE(zd::waitUndo(s.app, "Can't Undo"));
    std::string back = dir + "\\back.wav";
    ASSERT_TRUE(zd::saveAs(s.app, back));
    got = dumpCues(dir, back);
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ("21 4000 0 Half|", got[0]);
    EXPECT_EQ("22 8000 4000 Second|", got[1]);
    EXPECT_EQ(0, closeDiscarding(s.app));
}

/* ---- the Cue List dialog ---- */

TEST(Cues, CueListAddsMergesRelabelsAndDeletesWithTheFlagsFollowing)
{
    std::string dir = zd::freshDir("cues-dialog");
    std::string in = dir + "\\in.wav", out = dir + "\\out.wav";
    ASSERT_TRUE(zd::writeWave(in, 8000, 16, 1, pattern(16000)));
    Session s;
    ASSERT_TRUE(s.open(in));
    s.app.command(kCueList);
    HWND cues = waitDialogPrefix(s.app, "Cue List");
    ASSERT_TRUE(cues);
    EXPECT_EQ(0, lbCount(cues, kCueListBox));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(cues, kCueDel)));
    EXPECT_TRUE(zd::menuGrayed(s.app, kCueList));   /* open already */
    EXPECT_FALSE(waitBlue(s.app, true, 300));

    selectRange(s.app, 4000, 4199);
    s.app.command(kAddCue);                          /* F8 */
    ASSERT_TRUE(waitCount(cues, kCueListBox, 1));
    std::string line = lbLine(cues, kCueListBox, 0);
    EXPECT_NE(std::string::npos, line.find(" to "));
    std::string label = zd::getText(cues, kCueLabel);
    EXPECT_EQ(0u, label.find("MARK"));
    EXPECT_EQ("Range", zd::getText(cues, kCueDesc));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(cues, kCueDel)));
    EXPECT_TRUE(waitBlue(s.app, true));              /* a range's flags are blue */
    zd::setText(cues, kCueLabel, "Chorus with a label far longer than it may be");
    zd::setText(cues, kCueDesc, "the loud part");

    selectRange(s.app, 9000, 9000);
    s.app.command(kDeselect);                        /* the cursor at 9000, nothing selected */
    zd::settle(s.app);
    s.app.command(kAddCue);
    ASSERT_TRUE(waitCount(cues, kCueListBox, 2));
    EXPECT_EQ("Marker", zd::getText(cues, kCueDesc));
    s.app.command(kFullView);
    zd::settle(s.app);
    s.app.idle(300);
    zd::screenshot("cues-dialog-two");

    selectCueLines(cues, {0, 1});
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(cues, kCueMerge)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(cues, kCueLabel)));
    zd::click(cues, kCueMerge);
    ASSERT_TRUE(waitCount(cues, kCueListBox, 1));
    ASSERT_TRUE(zd::saveAs(s.app, out));
    std::vector<std::string> got = dumpCues(dir, out);
    ASSERT_EQ(1u, got.size());
    std::istringstream f(got[0]);
    std::string id, frame, length, rest;
    f >> id >> frame >> length;
    std::getline(f, rest);
    EXPECT_EQ("4000", frame);
    EXPECT_EQ("5001", length);                       /* 4000..4199 reaching the point at 9000 */
    EXPECT_EQ(" Chorus with a label far longer |the loud part", rest);   /* 31 characters kept */

    selectCueLines(cues, {0});
    zd::click(cues, kCueDel);
    ASSERT_TRUE(waitCount(cues, kCueListBox, 0));
    EXPECT_TRUE(waitBlue(s.app, false));             /* no stale flag left behind */
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(cues, kCueDel)));
    zd::click(cues, IDOK);
    EXPECT_TRUE(zd::waitGone(cues));
    EXPECT_FALSE(zd::menuGrayed(s.app, kCueList));
    EXPECT_EQ(0, closeDiscarding(s.app));
}

TEST(Cues, OpenListsComeBackAfterARestart)
{
    std::string dir = zd::freshDir("cues-restart");
    std::string settings = zd::freshDir("cues-restart-settings");
    std::string in = dir + "\\in.wav";
    ASSERT_TRUE(zd::writeWave(in, 8000, 16, 1, pattern(8000)));
    {
        Session s;
        ASSERT_TRUE(s.open(in, settings));
        s.app.command(kCueList);
        ASSERT_TRUE(waitDialogPrefix(s.app, "Cue List"));
        s.app.command(kPlayList);
        ASSERT_TRUE(waitDialogPrefix(s.app, "Play List"));
        zd::screenshot("cues-both-dialogs");
        EXPECT_EQ(0, closeDiscarding(s.app));
    }
    zd::App again;
    ASSERT_TRUE(again.start("", settings));
    EXPECT_TRUE(waitDialogPrefix(again, "Cue List", 8000));
    EXPECT_TRUE(waitDialogPrefix(again, "Play List", 8000));
    EXPECT_EQ(0, closeDiscarding(again));
}

/* ---- the Play List ---- */

TEST(Cues, PlayListPlaysItsRangesInOrderAndAutocueOneAtATime)
{
    AlsaFile alsa("cues-play");
    ASSERT_TRUE(alsa.ok) << "ALSA_CONFIG_PATH must name " ZELO_ALSA_BASE_CONF;
    std::string base = alsa.dir + "\\base.wav", in = alsa.dir + "\\in.wav";
    Bytes data = pattern(8000);
    ASSERT_TRUE(zd::writeWave(base, 8000, 16, 1, data));
    ASSERT_TRUE(addCues(alsa.dir, base, in, "11:1000:500:A 22:3000:300:B 33:5000:0:Point"));
    Session s;
    ASSERT_TRUE(s.open(in));
    s.app.command(kPlayList);
    HWND pl = waitDialogPrefix(s.app, "Play List");
    ASSERT_TRUE(pl);
    EXPECT_EQ(1, lbCount(pl, kPlList));
    EXPECT_EQ("[End]", lbLine(pl, kPlList, 0));
    EXPECT_EQ("Open Cue List", zd::windowText(GetDlgItem(pl, kPlAdd)));
    zd::click(pl, kPlAdd);                           /* opens the cue list */
    HWND cues = waitDialogPrefix(s.app, "Cue List");
    ASSERT_TRUE(cues);
    ASSERT_TRUE(waitCount(cues, kCueListBox, 3));
    for (int t = 0; t < 3000 && zd::windowText(GetDlgItem(pl, kPlAdd)) != "<- &Add Before"; t += 50)
        Sleep(50);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(pl, kPlAdd)));   /* until a cue is selected */

    selectCueLines(cues, {1});                       /* B */
    zd::click(pl, kPlAdd);
    ASSERT_TRUE(waitCount(pl, kPlList, 2));
    selectCueLines(cues, {0});                       /* A, before [End] */
    selectPlayLine(pl, 1);
    zd::click(pl, kPlAdd);
    ASSERT_TRUE(waitCount(pl, kPlList, 3));
    selectCueLines(cues, {2});                       /* a point: dropped at once */
    zd::click(pl, kPlAdd);
    Sleep(300);
    EXPECT_EQ(3, lbCount(pl, kPlList));
    EXPECT_EQ("(1)\tB", lbLine(pl, kPlList, 0));
    EXPECT_EQ("(1)\tA", lbLine(pl, kPlList, 1));
    selectPlayLine(pl, 1);
    zd::setText(pl, kPlLoops, "2");
    SendMessageA(pl, WM_COMMAND, MAKEWPARAM(kPlLoops, EN_KILLFOCUS), (LPARAM)GetDlgItem(pl, kPlLoops));
    EXPECT_EQ("(2)\tA", lbLine(pl, kPlList, 1));
    zd::screenshot("cues-play-list");

    selectPlayLine(pl, 0);
    zd::click(pl, kPlPlay);
    for (int t = 0; alsa.size() <= 0 && t < 10000; t += 20)
        Sleep(20);
    for (int t = 0; t < 15000 && IsWindowEnabled(GetDlgItem(s.app.main(), kStop)); t += 50)
        Sleep(50);
    Sleep(500);
    Bytes want;
    want.insert(want.end(), data.begin() + 3000 * 2, data.begin() + 3300 * 2);
    for (int k = 0; k < 2; k++)
        want.insert(want.end(), data.begin() + 1000 * 2, data.begin() + 1500 * 2);
    Bytes got = alsa.played();
    ASSERT_GE(got.size(), want.size());
    EXPECT_TRUE(Bytes(got.begin(), got.begin() + want.size()) == want);
    for (size_t i = want.size(); i < got.size(); i++)
        ASSERT_EQ(0, got[i]) << "after the list, only padding";

    /* Auto-cue: the selected entry alone, then the next one is selected. */
    DeleteFileA(alsa.raw.c_str());   /* the device truncates it on open */
    AlsaFile &again = alsa;
    selectPlayLine(pl, 1);
    zd::click(pl, kPlAutocue);
    for (int t = 0; again.size() <= 0 && t < 10000; t += 20)
        Sleep(20);
    for (int t = 0; t < 15000 && IsWindowEnabled(GetDlgItem(s.app.main(), kStop)); t += 50)
        Sleep(50);
    Sleep(500);
    Bytes one = again.played();
    Bytes a2(data.begin() + 1000 * 2, data.begin() + 1500 * 2);
    a2.insert(a2.end(), data.begin() + 1000 * 2, data.begin() + 1500 * 2);
    ASSERT_GE(one.size(), a2.size());
    EXPECT_TRUE(Bytes(one.begin(), one.begin() + a2.size()) == a2);
    EXPECT_EQ(0, (int)SendDlgItemMessageA(pl, kPlList, LB_GETCURSEL, 0, 0));   /* wrapped to the first */

    /* Deleting a cue takes its entries with it. */
    selectCueLines(cues, {1});                       /* B */
    zd::click(cues, kCueDel);
    ASSERT_TRUE(waitCount(pl, kPlList, 2));
    EXPECT_EQ("(2)\tA", lbLine(pl, kPlList, 0));
    EXPECT_EQ(0, closeDiscarding(s.app));
}

}  // namespace
