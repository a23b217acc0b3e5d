/*
 * presetcore.h - presets without their dialog: the "Item%d" keys of a preset section, the
 * line of one preset ("name,mask,value,value,..."), reusing "none" keys, the channel mask,
 * and the walk over a transform's settings that stores or loads the fields its preset mask
 * marks.  The INI file is reached through a reader and a writer the caller passes, so the
 * same code runs over the private-profile calls and over a map in the tests.
 *
 * No global state.  Every value read from a line is cut to PRESET_VALUEMAX characters; a
 * walk never reads or writes past the settings block's size, and a malformed or missing
 * value leaves the field as it was.
 */
#ifndef ZELO_PRESETCORE_H
#define ZELO_PRESETCORE_H

#include <stddef.h>
#include <string>

#define PRESET_KEYMAX     999    /* keys Item1 .. Item999 */
#define PRESET_NAMEMAX    28     /* characters of a name and of a value read back */
#define PRESET_VALUEMAX   28
#define PRESET_MASK_MONO   1
#define PRESET_MASK_STEREO 2
#define PRESET_MASK_HOST   3     /* what the host writes for a preset it adds */
#define PRESET_TEXTCOMMA  '\x8C' /* stands for "," inside a stored text */

/* Reads key of section into out ("" when missing); writes value under key. */
struct PresetIni {
    void (*read)(void *self, const char *section, const char *key, std::string *out);
    void (*write)(void *self, const char *section, const char *key, const char *value);
    void *self;
};

/* "Item%d" */
std::string presetKey(int n);
/* Empty or "none": a key that the next addition may take. */
int  presetIsFree(const std::string &line);
/* The name before the first comma, at most PRESET_NAMEMAX characters. */
std::string presetLineName(const std::string &line);
/* The channel mask after the name; 0 when missing or not a number. */
int  presetLineMask(const std::string &line);
/* Value k (0 = first value after the mask), cut to max characters: 0 found, 1 "none" or an
   empty line, -1 no such value. */
int  presetGetValue(const std::string &line, int k, std::string *out, size_t max = PRESET_VALUEMAX);
/* The line with value k replaced (appended when the line has fewer values). */
std::string presetSetValue(const std::string &line, int k, const std::string &value);
/* A new preset's line: "%s,%d" and six ",none". */
std::string presetNewLine(const std::string &name, int mask);
/* Commas in a text become PRESET_TEXTCOMMA and back. */
std::string presetEncodeText(const char *text, size_t max);
std::string presetDecodeText(const std::string &stored);

/* The live presets of a section in key order, stopping at the first missing or empty key:
   offered(ctx, name, key number) for each whose mask has the channel bit of `channels`
   (1 mono, otherwise stereo).  Returns the number of live presets read, offered or not. */
int  presetScan(const PresetIni *ini, const char *section, int channels,
                void (*offered)(void *ctx, const std::string &name, int key), void *ctx);
/* The first key that is empty or "none", 0 when Item1..Item999 are all live. */
int  presetFreeKey(const PresetIni *ini, const char *section);

/* Bytes of a settings field by its layout letter (either case); 0 for a letter that
   describes nothing. */
size_t presetFieldSize(char letter);
/* The marked fields of a settings block as one preset line's values, starting from `line`
   (the new preset's line); returns the line to write. */
std::string presetStoreFields(const std::string &line, const char *layout, const char *mask,
                              const unsigned char *data, size_t size);
/* Loads the marked fields from a preset line into a settings block; graphs are refilled
   and fitted to their range.  Returns the number of fields changed. */
int  presetLoadFields(const std::string &line, const char *layout, const char *mask,
                      unsigned char *data, size_t size);

#endif
