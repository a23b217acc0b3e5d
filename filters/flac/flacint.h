/*
 * flacint.h - what the FLAC reader and writer share: the frame checksums, the names of the
 * Vorbis comments that stand for the editor's text items, and the text conversions.
 */
#ifndef ZELO_FLACINT_H
#define ZELO_FLACINT_H

#include <stddef.h>
#include <stdint.h>
#include <string>

/* CRC-8 (polynomial x^8+x^2+x+1) of a frame header and CRC-16 (x^16+x^15+x^2+1) of a frame. */
uint8_t flcCrc8(const uint8_t *p, size_t n);
uint16_t flcCrc16(uint16_t crc, const uint8_t *p, size_t n);

/* The Vorbis comment name that carries text item `code` (20..33); NULL for others. */
const char *flcCommentName(int code);
/* The text item code of a comment name (any case), or 0. */
int flcCommentCode(const char *name, size_t len);

/* Text items are single-byte (Windows Latin-1) text; comments are UTF-8. */
std::string flcLatin1ToUtf8(const char *s, size_t n);
std::string flcUtf8ToLatin1(const char *s, size_t n);

/* The vendor text of our files, with the compression level they were made at. */
#define FLC_VENDOR "Zelo Edit (compression level "

/* Comment names that carry a cue's label, note and length ("CUE<id>_LABEL" and so on). */
#define FLC_CUE_PREFIX "CUE"

#endif
