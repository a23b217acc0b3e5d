/*
 * memprofile.h - an in-memory stand-in for the settings functions of shell/profile.h, for
 * the formats tests: both files are maps that a test can reset, read and prefill.
 */
#ifndef ZELO_MEMPROFILE_H
#define ZELO_MEMPROFILE_H

#include <string>

void memProfileReset(void);
/* "" when the key is missing. */
std::string memProfileGet(bool user, const std::string &section, const std::string &key);
void memProfileSet(bool user, const std::string &section, const std::string &key, const std::string &value);

#endif
