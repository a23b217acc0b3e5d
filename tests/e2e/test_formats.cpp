/*
 * The bundled file formats as a user meets them: an AIFF file made by sox opened through the
 * Open dialog (its type in the list), saved as u-law Sun/NeXT audio through Save As with the
 * type's Options button, and the saved file read back by sox.
 */
#include "zdriver.h"

#include <gtest/gtest.h>

#include <stdio.h>

namespace {

const int kOpen = 1100, kSaveAs = 1150;
const int kOptionsButton = 4006;       /* the Save dialog's Options button */
const int kUlawChoice = 1001;          /* the au filter's dialog: second encoding */

struct Find {
    int id;
    HWND found;
};

BOOL CALLBACK findOne(HWND w, LPARAM l)
{
    Find *f = (Find *)l;
    if (GetDlgCtrlID(w) == f->id) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

/* The Options button sits in the dialog's own part, a child of the common dialog. */
HWND findDescendant(HWND parent, int id)
{
    Find f = {id, NULL};
    EnumChildWindows(parent, findOne, (LPARAM)&f);
    return f.found;
}

std::vector<unsigned char> bytesOf(const std::string &path)
{
    std::vector<unsigned char> b;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return b;
    int c;
    while ((c = fgetc(f)) != EOF)
        b.push_back((unsigned char)c);
    fclose(f);
    return b;
}

} // namespace

TEST(Formats, AiffOpenedThroughOpenSavedAsUlawAuThroughSaveAsReadsBackInSox)
{
    std::string dir = zd::freshDir("formats");
    if (!zd::haveSox(dir))
        GTEST_SKIP() << "sox is not installed";
    std::string in = dir + "\\tone.aiff", out = dir + "\\tone.au";
    std::string uin = zd::unixPath(in), uout = zd::unixPath(out), udir = zd::unixPath(dir);
    ASSERT_TRUE(zd::runNative(dir, "sox -D -n -r 22050 -c 2 -b 16 '" + uin + "' synth 0.5 sine 440 sine 661 vol 0.9"));
    ASSERT_TRUE(zd::fileExists(in));

    zd::App app;
    ASSERT_TRUE(app.start());
    app.command(kOpen);
    HWND dlg = app.waitWindow("Open a Waveform");
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(zd::chooseFileType(dlg, "Apple AIFF (*.aiff;*.aif;*.afc)"));
    EXPECT_TRUE(zd::chooseFileType(dlg, "Raw PCM Data (*.pcm;*.raw)"));
    EXPECT_TRUE(zd::chooseFileType(dlg, "Creative Voice (*.voc)"));
    EXPECT_TRUE(zd::chooseFileType(dlg, "Apple AIFF"));
    zd::fillFileDialog(dlg, in);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitTitle(app, "tone.aiff - Zelo Edit", 30000)) << app.title();
    zd::settle(app);

    app.command(kSaveAs);
    dlg = app.waitWindow("Save a Waveform");
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(zd::chooseFileType(dlg, "Sun/NeXT Audio (*.au;*.snd)"));
    HWND options = findDescendant(dlg, kOptionsButton);
    ASSERT_TRUE(options);
    EXPECT_TRUE(IsWindowEnabled(options)) << "the au filter has options of its own";
    PostMessageA(options, BM_CLICK, 0, 0);
    HWND od = app.waitWindow("Sun/NeXT Audio Options");
    ASSERT_TRUE(od);
    zd::screenshot("formats-au-options");
    zd::click(od, kUlawChoice);
    zd::click(od, IDOK);
    ASSERT_TRUE(zd::waitGone(od));
    zd::fillFileDialog(dlg, out);
    ASSERT_TRUE(zd::waitGone(dlg));
    ASSERT_TRUE(zd::waitTitle(app, "tone.au - Zelo Edit", 30000)) << app.title();
    zd::settle(app);

    /* sox sees u-law, and decodes it to what its own u-law coding of the same sound gives. */
    ASSERT_TRUE(zd::runNative(dir, "cd '" + udir + "' && sox --i -e tone.au > enc.txt && "
                                   "sox -D tone.au -t raw -e signed -b 16 -L ours.raw && "
                                   "sox -D tone.aiff -e u-law -t au ref.au && "
                                   "sox -D ref.au -t raw -e signed -b 16 -L ref.raw"));
    std::vector<unsigned char> enc = bytesOf(dir + "\\enc.txt"), ours = bytesOf(dir + "\\ours.raw"),
                               ref = bytesOf(dir + "\\ref.raw");
    EXPECT_NE(std::string(enc.begin(), enc.end()).find("u-law"), std::string::npos)
        << std::string(enc.begin(), enc.end());
    ASSERT_EQ(ref.size(), 11025u * 4) << "half a second of 16-bit stereo";
    EXPECT_TRUE(ours == ref) << "sox reads other samples from the saved file";
    EXPECT_EQ(0, zd::closeDiscarding(app));
}

/* Each kind of wave file is a type of its own in the Save dialog (write-only: the wave filter
   reads them all), and sox reads each back as that encoding. */
TEST(Formats, CompressedWaveKindsAreTypesOfTheSaveDialog)
{
    std::string dir = zd::freshDir("formats-wavekinds");
    if (!zd::haveSox(dir))
        GTEST_SKIP() << "sox is not installed";
    std::string in = dir + "\\tone.wav";
    ASSERT_TRUE(zd::runNative(dir, "sox -D -n -r 22050 -c 1 -b 16 '" + zd::unixPath(in) + "' synth 0.3 sine 440 vol 0.8"));
    zd::App app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.dropFiles({in}));
    ASSERT_TRUE(zd::waitTitle(app, "tone.wav - Zelo Edit", 30000));
    zd::settle(app);
    app.command(kOpen);
    HWND open = app.waitWindow("Open a Waveform");
    ASSERT_TRUE(open);
    EXPECT_FALSE(zd::chooseFileType(open, "Wave u-law (*.wav)")) << "write-only types are not offered for opening";
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(zd::waitGone(open));
    const struct {
        const char *type, *file, *encoding;
    } kinds[] = {{"Wave u-law (*.wav)", "u.wav", "u-law"},
                 {"Wave A-law (*.wav)", "a.wav", "A-law"},
                 {"Wave IMA ADPCM (*.wav)", "ima.wav", "IMA ADPCM"}};
    for (const auto &k : kinds) {
        zd::settle(app);
        app.command(kSaveAs);
        HWND dlg = app.waitWindow("Save a Waveform");
        ASSERT_TRUE(dlg);
        ASSERT_TRUE(zd::chooseFileType(dlg, k.type)) << k.type;
        zd::fillFileDialog(dlg, dir + "\\" + k.file);
        ASSERT_TRUE(zd::waitGone(dlg));
        ASSERT_TRUE(zd::waitTitle(app, std::string(k.file) + " - Zelo Edit", 30000)) << app.title();
        zd::settle(app);
        std::string info = dir + "\\" + k.file + ".txt";
        ASSERT_TRUE(zd::runNative(dir, "sox --i -e '" + zd::unixPath(dir + "\\" + k.file) + "' > '" +
                                           zd::unixPath(info) + "'"));
        std::vector<unsigned char> t = bytesOf(info);
        EXPECT_NE(std::string(t.begin(), t.end()).find(k.encoding), std::string::npos)
            << k.type << ": " << std::string(t.begin(), t.end());
    }
    EXPECT_EQ(0, zd::closeDiscarding(app));
}
