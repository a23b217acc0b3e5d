/*
 * pulserig.h - what the recording tests and the recording benchmark share: the private
 * PulseAudio server of tools/pulse-rig.sh (a fresh pipe source per test, waiting for the
 * capture stream, feeding it at real-time pace), switching the prefix's audio driver, and
 * raw sample files.
 */
#ifndef ZELO_PULSERIG_H
#define ZELO_PULSERIG_H

#include "zdriver.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace zr {

typedef std::vector<unsigned char> Bytes;

inline std::string winPath(std::string unix)
{
    for (char &c : unix)
        if (c == '/')
            c = '\\';
    return "Z:" + unix;
}

inline void setDriver(const char *name)
{
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, NULL, 0, KEY_SET_VALUE, NULL, &k, NULL) == 0) {
        RegSetValueExA(k, "Audio", 0, REG_SZ, (const BYTE *)name, (DWORD)strlen(name) + 1);
        RegCloseKey(k);
    }
}

/* The rig of tools/pulse-rig.sh in the build folder. */
struct Rig {
    std::string dir = ZELO_PULSE_DIR;                        /* Unix */
    std::string script = ZELO_SOURCE_DIR_DEFAULT "/tools/pulse-rig.sh";
    std::string work;                                        /* the test's own folder */
    bool run(const std::string &args)
    {
        return zd::runNative(work, "bash '" + script + "' " + args);
    }
    /* The command's exit status as true/false, through a marker file. */
    bool check(const std::string &args)
    {
        std::string mark = work + "\\rig.ok";
        DeleteFileA(mark.c_str());
        run(args + " && touch '" + zd::unixPath(mark) + "'");
        return zd::fileExists(mark);
    }
    bool source(const char *fmt, unsigned rate, int channels)
    {
        char a[160];
        snprintf(a, sizeof a, "source '%s' %s %u %d", dir.c_str(), fmt, rate, channels);
        return check(a);
    }
    bool waitUncorked(int timeoutMs = 8000)
    {
        for (int t = 0; t < timeoutMs; t += 100) {
            if (check("corked '" + dir + "'"))
                return true;
            Sleep(100);
        }
        return false;
    }
    /* Feeds raw (a Windows path) at real-time pace; returns at once. */
    bool feed(const std::string &raw, unsigned rate, int align)
    {
        DeleteFileA(winPath(dir + "/feed.done").c_str());
        char a[64];
        snprintf(a, sizeof a, " %u %d", rate, align);
        return run("feed '" + dir + "' '" + zd::unixPath(raw) + "'" + a);
    }
    bool waitFed(int timeoutMs = 30000)
    {
        for (int t = 0; t < timeoutMs; t += 50) {
            if (zd::fileExists(winPath(dir + "/feed.done")))
                return true;
            Sleep(50);
        }
        return false;
    }
};

/* Pseudo-random sample bytes (16-bit: moderate values). */
inline Bytes noise(size_t n, unsigned seed, int bits)
{
    Bytes v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245u + 12345u;
        v[i] = (unsigned char)(x >> 16);
        if (bits == 16 && (i & 1))
            v[i] = (unsigned char)((v[i] & 0x3F) | ((x >> 30) ? 0 : 0xC0));   /* moderate 16-bit values */
    }
    return v;
}

inline Bytes readAll(const std::string &path)
{
    Bytes b;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return b;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

inline bool writeAll(const std::string &path, const Bytes &b)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
    return fclose(f) == 0 && ok;
}

} // namespace zr

#endif
