/*
 * testutil.h - helpers shared by the unit tests of both builds: a private temporary folder
 * per test process, a recorder for user-visible messages, and access to the shared corpus.
 */
#ifndef ZELO_TESTUTIL_H
#define ZELO_TESTUTIL_H

#include "os/os.h"

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zt {

struct Message {
    std::string text, caption;
    unsigned style;
};

/* Records every osMessage while alive; answers with `answer`. */
class MessageRecorder {
public:
    explicit MessageRecorder(int answer = OS_IDOK) { self() = this; answer_ = answer; old_ = osSetMessageHook(hook); }
    ~MessageRecorder() { osSetMessageHook(old_); self() = nullptr; }
    std::vector<Message> messages;
    int answer_;
private:
    OsMessageFn old_;
    static MessageRecorder *&self() { static MessageRecorder *p; return p; }
    static int hook(const char *text, const char *caption, unsigned style)
    {
        MessageRecorder *r = self();
        if (!r)
            return OS_IDOK;
        r->messages.push_back({text ? text : "", caption ? caption : "", style});
        return r->answer_;
    }
};

/* A folder of this test process's own, created on first use. */
inline std::string tempDir()
{
    static std::string dir;
    if (!dir.empty())
        return dir;
    char buf[512];
#if defined(_WIN32)
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    snprintf(buf, sizeof buf, "%szelo-test-%lu", base, (unsigned long)GetCurrentProcessId());
    CreateDirectoryA(buf, NULL);
    /* Wine hands out process ids again: empty a folder left by an earlier run. */
    WIN32_FIND_DATAA fd;
    std::string wild = std::string(buf) + "\\*";
    HANDLE h = FindFirstFileA(wild.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((std::string(buf) + "\\" + fd.cFileName).c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
#else
    const char *base = getenv("TMPDIR");
    snprintf(buf, sizeof buf, "%s/zelo-test-%ld", base && *base ? base : "/tmp", (long)getpid());
    mkdir(buf, 0755);
#endif
    dir = buf;
    return dir;
}

inline std::string tempPath(const std::string &name)
{
#if defined(_WIN32)
    return tempDir() + "\\" + name;
#else
    return tempDir() + "/" + name;
#endif
}

/* The shared corpus folder (beside the checkout), or "" when it is not there. */
inline std::string corpusDir(const std::string &sub)
{
    const char *src = getenv("ZELO_SOURCE_DIR");
#ifdef ZELO_SOURCE_DIR_DEFAULT
    if (!src || !*src)
        src = ZELO_SOURCE_DIR_DEFAULT;
#endif
    std::string root = src && *src ? std::string(src) : std::string(".");
#if defined(_WIN32)
    /* Wine maps the Unix root as drive Z:. */
    if (!root.empty() && root[0] == '/')
        root = "Z:" + root;
#endif
    std::string dir = root + "/../shared/corpus/" + sub;
    return osFileExists(dir.c_str()) ? dir : std::string();
}

} // namespace zt

#endif
