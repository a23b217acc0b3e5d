/*
 * batch_bench.cpp - a batch of one-minute 44.1 kHz stereo files through the real program
 * (Normalize to -1 dB, a five-second linear fade in, Convert Sample Type to 22050 Hz at High
 * quality), against a shell loop of sox doing the same work on the same files ("norm -1
 * fade t 5 rate -h 22050"), timed in the same run: total time, files per second and the ratio.
 * ZELO_BENCH_FILES sets the number of files (100).
 */
#include "zdriver.h"
#include "zbench.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

bool writeText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fwrite(text.data(), 1, text.size(), f);
    return fclose(f) == 0;
}

} // namespace

int main()
{
    const char *env = getenv("ZELO_BENCH_FILES");
    int files = env && atoi(env) > 0 ? atoi(env) : 100;
    std::string dir = zd::freshDir("batch-bench");
    std::string in = dir + "\\in", out = dir + "\\out", soxOut = dir + "\\sox";
    CreateDirectoryA(in.c_str(), NULL);
    CreateDirectoryA(out.c_str(), NULL);
    CreateDirectoryA(soxOut.c_str(), NULL);
    if (!zd::haveSox(dir)) {
        printf("batch_bench: sox is not installed\n");
        return 0;
    }
    /* The sources: one minute each of tones and a little noise, made once. */
    std::string make = "for i in $(seq 1 " + std::to_string(files) + "); do sox -n -r 44100 -c 2 -b 16 '" +
                       zd::unixPath(in) + "'/take$i.wav synth 60 sine $((200 + i)) sine 3000 whitenoise vol 0.3; done";
    if (!zd::runNative(dir, make)) {
        printf("batch_bench: could not make the sources\n");
        return 1;
    }
    const unsigned frames = 60u * 44100u;
    std::string col = dir + "\\bench.txt";
    writeText(col, "Collection: Bench\r\nTitle: Tidy\r\nMode: 2\r\n"
                   "\r\nSelected: none at 0 scaled " + std::to_string(frames) + " SR 44100\r\ncmd: Normalize\r\n"
                   "1: 0\r\n2: -1\r\n3: 1\r\n4: 0\r\n"
                   "\r\nSelected: 0 to 220499 scaled " + std::to_string(frames) + " SR 44100\r\ncmd: Fade\r\n"
                   "1: 0\r\n2: 0\r\n"
                   "\r\nSelected: none at 0 scaled " + std::to_string(frames) + " SR 44100\r\ncmd: Convert\r\n"
                   "1: 22050\r\n2: 16\r\n3: 2\r\n4: 3\r\n5: 0\r\n6: 1\r\n7: 1\r\n"
                   "\r\nSelected: none at 0 scaled " + std::to_string(frames / 2) + " SR 22050\r\nEnd:\r\n\r\n\r\n");
    std::string settings = zd::freshDir("batch-bench-settings");
    zd::writeIni(settings + "\\zelo.ini", "Scripts", "Opened", col.c_str());

    zd::App app;
    if (!app.start("\"" + in + "\\take1.wav\"", settings)) {
        printf("batch_bench: the program did not start\n");
        return 1;
    }
    zd::settle(app);
    app.command(198);   /* the file given at start plays once: stop it */
    zd::settle(app);
    app.command(113);
    HWND dlg = app.waitWindow("Zelo Scripts");
    if (!dlg)
        return 1;
    SendDlgItemMessageA(dlg, 3065, LB_SETCURSEL, 0, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(3065, LBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, 3065));
    zd::click(dlg, 3074);
    HWND batch = app.waitWindow("Batch Process");
    if (!batch)
        return 1;
    for (int i = 1; i <= files; i++) {
        std::string n = in + "\\take" + std::to_string(i) + ".wav";
        std::wstring w(n.begin(), n.end());
        SendDlgItemMessageW(batch, 3982, LB_ADDSTRING, 0, (LPARAM)w.c_str());
    }
    zd::setText(batch, 3989, "*.wav");
    zd::setText(batch, 3985, out);
    double t0 = zb::seconds();
    zd::click(batch, 3993);
    zd::MsgBox box;
    if (!app.waitMessageBox(&box, 3600 * 1000)) {
        printf("batch_bench: the batch did not end\n");
        return 1;
    }
    double ours = zb::seconds() - t0;
    PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
    zd::closeDiscarding(app);

    std::string loop = "for f in '" + zd::unixPath(in) + "'/*.wav; do sox \\\"$f\\\" '" + zd::unixPath(soxOut) +
                       "'/$(basename \\\"$f\\\") norm -1 fade t 5 rate -h 22050; done";
    double sox = zb::timeNative(dir, loop);
    printf("\nbatch of %d one-minute 44.1 kHz stereo files: Normalize -1 dB, 5 s fade in, convert to 22050 Hz\n", files);
    printf("  summary: %s\n", box.text.c_str());
    printf("  Zelo Edit batch   %8.1f s   %6.2f files/s\n", ours, files / ours);
    if (sox > 0)
        printf("  sox shell loop    %8.1f s   %6.2f files/s   (the batch takes %.2fx as long)\n", sox, files / sox,
               ours / sox);
    return 0;
}
