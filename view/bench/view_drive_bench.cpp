/*
 * view_drive_bench.cpp - the real program under Wine: opens a 60-minute 44.1 kHz 16-bit
 * stereo file named on its command line, then measures the first paint (open to idle),
 * and paging through the file with Page Down at about 1024 frames per column: how many page
 * commands, each with its paint, the program handles per second.  ZELO_BENCH_MINUTES
 * shortens the file.  The file goes to ZELO_BENCH_DIR, else the driver's temporary folder.
 */
#include "tests/e2e/zdriver.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

static double now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / f.QuadPart;
}

static void le(FILE *fp, unsigned v, int n)
{
    for (int i = 0; i < n; i++)
        fputc((v >> (8 * i)) & 0xFF, fp);
}

static bool writeLong(const std::string &path, unsigned frames)
{
    FILE *fp = fopen(path.c_str(), "wb");
    if (!fp)
        return false;
    unsigned bytes = frames * 4;
    fwrite("RIFF", 1, 4, fp);
    le(fp, 36 + bytes, 4);
    fwrite("WAVEfmt ", 1, 8, fp);
    le(fp, 16, 4); le(fp, 1, 2); le(fp, 2, 2); le(fp, 44100, 4); le(fp, 44100 * 4, 4); le(fp, 4, 2); le(fp, 16, 2);
    fwrite("data", 1, 4, fp);
    le(fp, bytes, 4);
    std::vector<short> piece(2 * 65536);
    for (unsigned done = 0; done < frames;) {
        unsigned n = frames - done < 65536 ? frames - done : 65536;
        for (unsigned i = 0; i < n; i++) {
            short v = (short)((((done + i) / 7) % 40000) - 20000);
            piece[2 * i] = v;
            piece[2 * i + 1] = (short)-v;
        }
        if (fwrite(piece.data(), 4, n, fp) != n) {
            fclose(fp);
            return false;
        }
        done += n;
    }
    return fclose(fp) == 0;
}

int main()
{
    setvbuf(stdout, NULL, _IONBF, 0);
    const char *m = getenv("ZELO_BENCH_MINUTES");
    unsigned minutes = m && atoi(m) > 0 ? (unsigned)atoi(m) : 60, frames = minutes * 60u * 44100u;
    std::string dir = zd::freshDir("view-drive-bench"), file = dir + "\\long.wav";
    if (!writeLong(file, frames)) {
        printf("FAILED: could not write %s\n", file.c_str());
        return 1;
    }
    zd::App app;
    double t0 = now();
    if (!app.start("\"" + file + "\"")) {
        printf("FAILED: the program did not start\n");
        return 1;
    }
    for (int t = 0; t < 120000 && app.title() != "long.wav - Zelo Edit"; t += 20)
        Sleep(20);
    app.command(198);
    app.idle(5000);
    double opened = now() - t0;
    RECT rc;
    GetClientRect(app.main(), &rc);
    unsigned columns = (unsigned)(rc.right - 6);
    /* Whole-file view painted from the summary: a repaint of the whole window. */
    double p0 = now();
    const int repaints = 20;
    for (int i = 0; i < repaints; i++) {
        RedrawWindow(app.main(), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        app.idle();
    }
    double fullPaint = (now() - p0) / repaints;

    app.command(3147);
    HWND dlg = app.waitWindow("Viewing Range");
    if (!dlg) {
        printf("FAILED: no Viewing Range dialog\n");
        return 1;
    }
    char to[32];
    snprintf(to, sizeof to, "%u", columns * 1024u - 1);
    zd::setText(dlg, 1000, "0");
    zd::setText(dlg, 1001, to);
    zd::click(dlg, IDOK);
    for (int t = 0; t < 5000 && IsWindow(dlg); t += 20)
        Sleep(20);
    app.idle();

    const int pages = 100;
    double s0 = now();
    int lost = 0;
    for (int i = 0; i < pages; i++) {
        INT_PTR before = (INT_PTR)GetPropA(app.main(), "ZeloViewPictures");
        app.command(325);
        /* One page at a time, waiting until its picture is complete. */
        int t = 0;
        for (; t < 5000 && (INT_PTR)GetPropA(app.main(), "ZeloViewPictures") == before; t++)
            Sleep(1);
        lost += t >= 5000;
    }
    double paged = now() - s0;
    printf("program opened the %u-minute file (%u frames) and went idle in %.2f s\n", minutes, frames, opened);
    printf("repaint of the whole-file view from the column cache: %.2f ms\n", fullPaint * 1e3);
    printf("page down at 1024 frames per column over %u columns: %.1f pages painted per second (target >= 20)\n",
           columns, pages / paged);
    if (lost)
        printf("(%d pages showed no completed picture within 5 s)\n", lost);
    app.close(20000);
    DeleteFileA(file.c_str());
    return 0;
}
