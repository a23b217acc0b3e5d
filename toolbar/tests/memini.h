/*
 * memini.h - an in-memory private-profile store for the toolbar and CD tests: files of
 * sections of keys, compared without regard to case as the platform's profile calls do,
 * with a rough file size (the text the platform would write).
 */
#ifndef ZELO_MEMINI_H
#define ZELO_MEMINI_H

#include <ctype.h>
#include <map>
#include <string>
#include <vector>

namespace zt {

struct NoCase {
    bool operator()(const std::string &a, const std::string &b) const
    {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; i++) {
            int x = tolower((unsigned char)a[i]), y = tolower((unsigned char)b[i]);
            if (x != y)
                return x < y;
        }
        return a.size() < b.size();
    }
};

/* Keys keep their order of first writing, as in a real file. */
struct MemSection {
    std::vector<std::pair<std::string, std::string>> keys;
    std::pair<std::string, std::string> *find(const std::string &key)
    {
        NoCase lt;
        for (auto &kv : keys)
            if (!lt(kv.first, key) && !lt(key, kv.first))
                return &kv;
        return nullptr;
    }
};
using MemFile = std::map<std::string, MemSection, NoCase>;

struct MemIni {
    std::map<std::string, MemFile, NoCase> files;
    int reads = 0, writes = 0;

    bool has(const std::string &file, const std::string &section, const std::string &key)
    {
        auto f = files.find(file);
        if (f == files.end())
            return false;
        auto s = f->second.find(section);
        return s != f->second.end() && s->second.find(key) != nullptr;
    }
    std::string get(const std::string &file, const std::string &section, const std::string &key,
                    const std::string &def = "")
    {
        reads++;
        auto f = files.find(file);
        if (f == files.end())
            return def;
        auto s = f->second.find(section);
        if (s == f->second.end())
            return def;
        auto *kv = s->second.find(key);
        return kv ? kv->second : def;
    }
    void set(const std::string &file, const char *section, const char *key, const char *value)
    {
        writes++;
        MemFile &f = files[file];
        if (!key) {
            f.erase(section);
            return;
        }
        MemSection &s = f[section];
        auto *kv = s.find(key);
        if (!value) {
            if (kv)
                s.keys.erase(s.keys.begin() + (kv - s.keys.data()));
            return;
        }
        if (kv)
            kv->second = value;
        else
            s.keys.emplace_back(key, value);
    }
    long size(const std::string &file)
    {
        auto f = files.find(file);
        if (f == files.end())
            return -1;
        long n = 0;
        for (auto &s : f->second) {
            n += (long)s.first.size() + 4;
            for (auto &kv : s.second.keys)
                n += (long)(kv.first.size() + kv.second.size() + 3);
        }
        return n;
    }
};

}  // namespace zt

#endif
