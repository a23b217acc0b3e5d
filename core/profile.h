/*
 * profile.h - where settings live and how they are read and written.
 *
 * Two ordinary INI files in one per-user settings folder: the private file "zelo.ini" and the
 * user profile file that stands in for the system profile's [Zelo Edit] and [Extensions]
 * sections.  Both are read and written with the platform's private-profile functions, so a
 * user can edit them.  The folder is %APPDATA%\Zelo Edit (created on first use) unless the
 * environment variable ZELO_SETTINGS_DIR or the command-line switch /settings:<folder>
 * names another one (every test runs with its own).
 */
#ifndef ZELO_PROFILE_H
#define ZELO_PROFILE_H

#include <stddef.h>

/* Points the program at another settings folder (before anything is read). */
void        profileSetFolder(const char *dir);
const char *profileFolder(void);       /* the folder, created if missing */
const char *profilePrivatePath(void);  /* full path of zelo.ini */
const char *profileUserPath(void);     /* full path of the user profile file */

/* The private file (zelo.ini). */
long profileGetInt(const char *section, const char *key, long def);
void profileGetString(const char *section, const char *key, const char *def, char *out, size_t outSize);
void profileSetInt(const char *section, const char *key, long value);        /* "%ld" */
void profileSetString(const char *section, const char *key, const char *value); /* NULL deletes */

/* The user profile (sections "Zelo Edit", "Extensions"). */
long userProfileGetInt(const char *section, const char *key, long def);
void userProfileGetString(const char *section, const char *key, const char *def, char *out, size_t outSize);
void userProfileSetString(const char *section, const char *key, const char *value); /* NULL deletes */

#endif
