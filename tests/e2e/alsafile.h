/*
 * alsafile.h - ALSA's default pcm pointed at a raw file in a test's own folder, so that every
 * byte the program plays lands there (end-to-end playback tests).
 */
#ifndef ZELO_E2E_ALSAFILE_H
#define ZELO_E2E_ALSAFILE_H

#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "zdriver.h"

/* ALSA pointed at played.raw in a folder of the test's own.  The program takes ALSA's
   configuration from the Unix environment the test was started with (ALSA_CONFIG_PATH, set
   by ctest), which loads the file this writes: the default pcm of this one test. */
struct AlsaFile {
    std::string dir, raw;
    bool ok = false;
    explicit AlsaFile(const std::string &name, bool broken = false)
    {
        dir = zd::freshDir(name);
        raw = dir + "\\played.raw";
        std::string conf = "Z:" ZELO_ALSA_TEST_CONF;
        for (char &c : conf)
            if (c == '/')
                c = '\\';
        FILE *f = fopen(conf.c_str(), "w");
        if (!f)
            return;
        if (broken)
            fprintf(f, "pcm.!default {\n  type hw\n  card 57\n}\n");
        else
            fprintf(f, "pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"%s\"\n  format \"raw\"\n  truncate true\n}\n",
                    unixPath(raw).c_str());
        fclose(f);
        DeleteFileA(raw.c_str());
        char env[8];
        ok = GetEnvironmentVariableA("ALSA_CONFIG_PATH", env, sizeof env) > 0;
    }
    static std::string unixPath(const std::string &win)
    {
        typedef char *(CDECL * Fn)(LPCWSTR);
        Fn toUnix = (Fn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
        wchar_t w[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, win.c_str(), -1, w, MAX_PATH);
        char *u = toUnix ? toUnix(w) : NULL;
        std::string s = u ? u : win;
        if (u)
            HeapFree(GetProcessHeap(), 0, u);
        return s;
    }
    std::vector<unsigned char> played() const
    {
        std::vector<unsigned char> b;
        FILE *f = fopen(raw.c_str(), "rb");
        if (!f)
            return b;
        unsigned char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0)
            b.insert(b.end(), buf, buf + n);
        fclose(f);
        return b;
    }
    long size() const
    {
        WIN32_FILE_ATTRIBUTE_DATA a;
        return GetFileAttributesExA(raw.c_str(), GetFileExInfoStandard, &a) ? (long)a.nFileSizeLow : -1;
    }
};

#endif
