/*
 * fxref.h - what the effect cores' tests share: a folder of the test process's own, wave
 * files in and out, and the independent references that run natively (sox, and Python
 * with numpy).  Under Wine the references are skipped: the same checks ran natively.
 */
#ifndef ZELO_XFORMS_TESTS_FXREF_H
#define ZELO_XFORMS_TESTS_FXREF_H

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fx {

inline std::string dir()
{
    static std::string d;
    if (d.empty()) {
        char buf[512];
#if defined(_WIN32)
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        snprintf(buf, sizeof buf, "%szelo-fx-%lu", base, (unsigned long)GetCurrentProcessId());
        CreateDirectoryA(buf, NULL);
#else
        const char *base = getenv("TMPDIR");
        snprintf(buf, sizeof buf, "%s/zelo-fx-%ld", base && *base ? base : "/tmp", (long)getpid());
        mkdir(buf, 0755);
#endif
        d = buf;
    }
    return d;
}

inline std::string path(const char *name) { return dir() + "/" + name; }

/* Runs a shell line natively; false under Wine or when it fails. */
inline bool run(const std::string &line)
{
#if defined(_WIN32)
    (void)line;
    return false;
#else
    return system((line + " 2>/dev/null").c_str()) == 0;
#endif
}

inline bool haveSox() { return run("sox --version >/dev/null"); }
/* A Python that has numpy: the system's (a python3 earlier on PATH may lack it), else the
   first on PATH; "" when there is none. */
inline std::string pythonWithNumpy()
{
    static std::string py = run("/usr/bin/python3 -c 'import numpy' >/dev/null") ? "/usr/bin/python3"
                            : run("python3 -c 'import numpy' >/dev/null")          ? "python3"
                                                                                    : "";
    return py;
}
inline bool haveNumpy() { return !pythonWithNumpy().empty(); }

inline void put16(FILE *f, unsigned v) { fputc(v & 255, f), fputc(v >> 8 & 255, f); }
inline void put32(FILE *f, unsigned v) { put16(f, v & 0xFFFF), put16(f, v >> 16); }

/* A 16-bit PCM wave file. */
inline bool writeWav(const std::string &p, unsigned rate, int channels, const std::vector<short> &s)
{
    FILE *f = fopen(p.c_str(), "wb");
    if (!f)
        return false;
    unsigned bytes = (unsigned)s.size() * 2;
    fwrite("RIFF", 1, 4, f), put32(f, 36 + bytes), fwrite("WAVEfmt ", 1, 8, f), put32(f, 16);
    put16(f, 1), put16(f, channels), put32(f, rate), put32(f, rate * channels * 2), put16(f, channels * 2), put16(f, 16);
    fwrite("data", 1, 4, f), put32(f, bytes);
    fwrite(s.data(), 2, s.size(), f);
    return fclose(f) == 0;
}

/* The samples of a 16-bit PCM wave file (empty when it is none). */
inline std::vector<short> readWav(const std::string &p, int *channels = nullptr)
{
    std::vector<short> out;
    FILE *f = fopen(p.c_str(), "rb");
    if (!f)
        return out;
    unsigned char h[12], ck[8];
    if (fread(h, 1, 12, f) == 12 && !memcmp(h, "RIFF", 4) && !memcmp(h + 8, "WAVE", 4)) {
        while (fread(ck, 1, 8, f) == 8) {
            unsigned n = ck[4] | ck[5] << 8 | ck[6] << 16 | (unsigned)ck[7] << 24;
            if (!memcmp(ck, "fmt ", 4) && n >= 16) {
                unsigned char fm[16];
                if (fread(fm, 1, 16, f) != 16)
                    break;
                if (channels)
                    *channels = fm[2];
                fseek(f, (long)(n - 16 + (n & 1)), SEEK_CUR);
            } else if (!memcmp(ck, "data", 4)) {
                out.resize(n / 2);
                out.resize(fread(out.data(), 2, out.size(), f));
                break;
            } else {
                fseek(f, (long)(n + (n & 1)), SEEK_CUR);
            }
        }
    }
    fclose(f);
    return out;
}

inline bool writeRaw(const std::string &p, const std::vector<short> &s)
{
    FILE *f = fopen(p.c_str(), "wb");
    if (!f)
        return false;
    fwrite(s.data(), 2, s.size(), f);
    return fclose(f) == 0;
}

inline std::vector<short> readRaw(const std::string &p)
{
    std::vector<short> s;
    FILE *f = fopen(p.c_str(), "rb");
    if (!f)
        return s;
    short b[4096];
    size_t n;
    while ((n = fread(b, 2, 4096, f)) > 0)
        s.insert(s.end(), b, b + n);
    fclose(f);
    return s;
}

inline std::string readText(const std::string &p)
{
    std::string t;
    FILE *f = fopen(p.c_str(), "rb");
    if (!f)
        return t;
    char b[4096];
    size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0)
        t.append(b, n);
    fclose(f);
    return t;
}

/* Runs a Python script (written to a file first) natively. */
inline bool python(const char *name, const std::string &script, const std::string &args)
{
    std::string p = path(name);
    FILE *f = fopen(p.c_str(), "wb");
    if (!f)
        return false;
    fwrite(script.data(), 1, script.size(), f);
    fclose(f);
    return haveNumpy() && run(pythonWithNumpy() + " '" + p + "' " + args);
}

/* Largest difference; INT_MAX when the lengths differ or one is empty. */
inline int maxDiff(const std::vector<short> &a, const std::vector<short> &b)
{
    if (a.size() != b.size() || a.empty())
        return 0x7FFFFFFF;
    int d = 0;
    for (size_t i = 0; i < a.size(); i++) {
        int e = abs(a[i] - b[i]);
        d = e > d ? e : d;
    }
    return d;
}

/* A stereo test signal: tones of different levels per channel, some noise, a DC shift. */
inline std::vector<short> signal(unsigned frames, double left = 20000, double right = 9000, double dcRight = 1500)
{
    std::vector<short> s(frames * 2);
    uint32_t seed = 12345;
    for (unsigned i = 0; i < frames; i++) {
        seed = seed * 1664525u + 1013904223u;
        double noise = ((int)(seed >> 20) - 2048) / 4.0;
        double l = left * sin(2 * 3.14159265358979 * 440 * i / 44100.0) + noise;
        double r = right * sin(2 * 3.14159265358979 * 1234 * i / 44100.0) - noise + dcRight;
        s[2 * i] = (short)lrint(l);
        s[2 * i + 1] = (short)lrint(r);
    }
    return s;
}

} // namespace fx

#endif
