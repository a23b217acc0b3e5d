/*
 * memprofile.cpp - in-memory settings for the formats tests (see memprofile.h).  Keys and
 * sections compare without case, as the platform's profile functions do.
 */
#include "memprofile.h"
#include "tests/testutil.h"

#include "core/profile.h"

#include <ctype.h>
#include <map>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {
std::string fold(const std::string &s)
{
    std::string r = s;
    for (auto &c : r)
        c = (char)tolower((unsigned char)c);
    return r;
}
std::map<std::string, std::string> &store(bool user)
{
    static std::map<std::string, std::string> priv, usr;
    return user ? usr : priv;
}
std::string k(const char *section, const char *key) { return fold(section) + "\n" + fold(key); }

void getString(bool user, const char *section, const char *key, const char *def, char *out, size_t n)
{
    if (!n)
        return;
    auto &m = store(user);
    auto it = m.find(k(section, key));
    snprintf(out, n, "%s", it != m.end() ? it->second.c_str() : (def ? def : ""));
}
long getInt(bool user, const char *section, const char *key, long def)
{
    auto &m = store(user);
    auto it = m.find(k(section, key));
    if (it == m.end())
        return def;
    return strtol(it->second.c_str(), NULL, 10);
}
} // namespace

void memProfileReset(void)
{
    store(false).clear();
    store(true).clear();
}
std::string memProfileGet(bool user, const std::string &section, const std::string &key)
{
    auto &m = store(user);
    auto it = m.find(k(section.c_str(), key.c_str()));
    return it == m.end() ? std::string() : it->second;
}
void memProfileSet(bool user, const std::string &section, const std::string &key, const std::string &value)
{
    store(user)[k(section.c_str(), key.c_str())] = value;
}

void profileSetFolder(const char *dir) {}
const char *profileFolder(void)
{
    static std::string dir = zt::tempDir();   /* the save journal lands in the test's folder */
    return dir.c_str();
}
const char *profilePrivatePath(void) { return "zelo.ini"; }
const char *profileUserPath(void) { return "user.ini"; }
long profileGetInt(const char *s, const char *key, long def) { return getInt(false, s, key, def); }
void profileGetString(const char *s, const char *key, const char *def, char *out, size_t n)
{
    getString(false, s, key, def, out, n);
}
void profileSetInt(const char *s, const char *key, long value)
{
    char b[32];
    snprintf(b, sizeof b, "%ld", value);
    store(false)[k(s, key)] = b;
}
void profileSetString(const char *s, const char *key, const char *value)
{
    if (value)
        store(false)[k(s, key)] = value;
    else
        store(false).erase(k(s, key));
}
long userProfileGetInt(const char *s, const char *key, long def) { return getInt(true, s, key, def); }
void userProfileGetString(const char *s, const char *key, const char *def, char *out, size_t n)
{
    getString(true, s, key, def, out, n);
}
void userProfileSetString(const char *s, const char *key, const char *value)
{
    if (value)
        store(true)[k(s, key)] = value;
    else
        store(true).erase(k(s, key));
}
