/*
 * version.h - the program's version, in one place: the version text of the string table
 * (About box), the ISFT note of new waves, the version resource of zelo.exe and the name
 * of the release archive (tools/package.sh reads ZELO_VERSION_NUMBER from here).
 *
 * Plain preprocessor lines only: the resource compiler reads this file too.
 */
#ifndef ZELO_VERSION_H
#define ZELO_VERSION_H

#define ZELO_VERSION_NUMBER 95

#define ZELO_VERSION_STR_(x) #x
#define ZELO_VERSION_STR(x) ZELO_VERSION_STR_(x)
/* The version text as the program shows it, "95". */
#define ZELO_VERSION ZELO_VERSION_STR(ZELO_VERSION_NUMBER)

#endif
