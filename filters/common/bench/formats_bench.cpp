/*
 * formats_bench.cpp - reading and writing a 10-minute 44.1 kHz stereo 16-bit sound in each
 * bundled format other than wave and FLAC (which have their own benchmarks), against sox doing
 * the same conversion on the same sound in the same run: writing is our writer fed the samples
 * against "sox in.wav out.<ext>", reading is our reader delivering them against
 * "sox in.<ext> -t raw /dev/null".  ZELO_BENCH_MINUTES shortens the sound.
 */
#include "filters/aiff/aiffcore.h"
#include "filters/au/aucore.h"
#include "filters/voc/voccore.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double timeCommand(const std::string &cmd)
{
    double t = now();
    if (system(cmd.c_str()) != 0)
        return -1;
    return now() - t;
}

struct Format {
    const char *name, *ext;
    ZWriter *(*create)(const char *, uint32_t, uint16_t, uint16_t, uint32_t, uint32_t);
    int (*begin)(ZWriter *);
    int (*finish)(ZWriter *);
    ZReader *(*open)(const char *, const char **);
    uint32_t options;
};

double best(double (*f)(const Format &, const std::string &, const std::vector<uint8_t> &), const Format &fmt,
            const std::string &path, const std::vector<uint8_t> &pcm)
{
    double b = 1e9;
    for (int i = 0; i < 3; i++) {
        double t = f(fmt, path, pcm);
        if (t < 0)
            return -1;
        b = t < b ? t : b;
    }
    return b;
}

double ourWrite(const Format &fmt, const std::string &path, const std::vector<uint8_t> &pcm)
{
    double t = now();
    ZWriter *w = fmt.create(path.c_str(), 44100, 16, 2, (uint32_t)pcm.size(), fmt.options);
    if (!w || fmt.begin(w) != 0)
        return -1;
    for (size_t at = 0; at < pcm.size(); at += 65536) {
        uint32_t n = (uint32_t)(pcm.size() - at < 65536 ? pcm.size() - at : 65536);
        zwPut(w, pcm.data() + at, n);
    }
    int rc = fmt.finish(w);
    rc |= zwClose(w);
    return rc == 0 ? now() - t : -1;
}

double ourRead(const Format &fmt, const std::string &path, const std::vector<uint8_t> &pcm)
{
    double t = now();
    ZReader *r = fmt.open(path.c_str(), NULL);
    if (!r)
        return -1;
    std::vector<uint8_t> buf(65536);
    size_t total = 0;
    uint32_t n;
    while ((n = zrRead(r, buf.data(), (uint32_t)buf.size())) > 0)
        total += n;
    zrFree(r);
    return total == pcm.size() ? now() - t : -1;
}

} // namespace

int main()
{
    const char *m = getenv("ZELO_BENCH_MINUTES");
    int minutes = m && atoi(m) > 0 ? atoi(m) : 10;
    const char *d = getenv("ZELO_BENCH_DIR");
    std::string dir = d && *d ? d : "/tmp";
    std::string wav = dir + "/formats-bench.wav";
    char cmd[1024];
    snprintf(cmd, sizeof cmd, "sox -n -r 44100 -c 2 -b 16 '%s' synth %d sine 440 sine 3000 whitenoise vol 0.5",
             wav.c_str(), minutes * 60);
    if (system(cmd) != 0) {
        printf("formats_bench: sox is needed to make the sound\n");
        return 0;
    }
    /* The samples themselves, from the canonical 44-byte header sox writes. */
    FILE *f = fopen(wav.c_str(), "rb");
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 44, SEEK_SET);
    std::vector<uint8_t> pcm((size_t)(size - 44) & ~(size_t)3);
    size_t got = fread(pcm.data(), 1, pcm.size(), f);
    fclose(f);
    if (got != pcm.size())
        return 1;
    const Format formats[] = {
        {"AIFF", "aiff", aiffCreate, aiffBegin, aiffFinish, aiffOpenFile, 0},
        {"Sun/NeXT au", "au", auCreate, auBegin, auFinish, auOpenFile, AU_OPT_PCM},
        {"Creative voc", "voc", vocfCreate, vocfBegin, vocfFinish, vocfOpenFile, 0},
    };
    printf("%d-minute 44.1 kHz stereo 16-bit sound (%.1f MB); best of 3 runs each\n", minutes, pcm.size() / 1e6);
    printf("  %-14s %10s %10s %7s %10s %10s %7s\n", "format", "write", "sox", "ratio", "read", "sox", "ratio");
    for (const Format &fmt : formats) {
        std::string ours = dir + "/formats-bench-ours." + fmt.ext, theirs = dir + "/formats-bench-sox." + fmt.ext;
        double w = best(ourWrite, fmt, ours, pcm);
        double r = best(ourRead, fmt, ours, pcm);
        double sw = 1e9, sr = 1e9;
        for (int i = 0; i < 3; i++) {
            snprintf(cmd, sizeof cmd, "sox '%s' '%s'", wav.c_str(), theirs.c_str());
            double t = timeCommand(cmd);
            sw = t >= 0 && t < sw ? t : sw;
            snprintf(cmd, sizeof cmd, "sox '%s' -t raw /dev/null", theirs.c_str());
            t = timeCommand(cmd);
            sr = t >= 0 && t < sr ? t : sr;
        }
        printf("  %-14s %9.3fs %9.3fs %7.2f %9.3fs %9.3fs %7.2f\n", fmt.name, w, sw, sw > 0 ? w / sw : 0, r, sr,
               sr > 0 ? r / sr : 0);
        remove(ours.c_str());
        remove(theirs.c_str());
    }
    remove(wav.c_str());
    return 0;
}
