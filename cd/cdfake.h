/*
 * cdfake.h - a scripted CD drive that answers the MCI "cdaudio" command strings as a real
 * drive with a known disc would (track count, track starts, length, position, mode, media,
 * door), in the tmsf, msf and millisecond time formats.  The tests drive the panel through
 * it, and the program uses it in place of the platform's drive when ZELO_CD_STANDIN is set
 * (so the panel can be tried and tested on machines without a drive).
 */
#ifndef ZELO_CDFAKE_H
#define ZELO_CDFAKE_H

#include <stddef.h>
#include <stdint.h>

#define CDFAKE_LEADIN 150           /* frames before track 1 (2 seconds) */

struct CdFake {
    int      noDrive;               /* every command fails with 266 and an empty reply */
    int      present;               /* a disc is in */
    int      doorOpen;
    int      mode;                  /* 0 stopped, 1 playing, 2 paused */
    int      format;                /* 0 tmsf, 1 msf, 2 milliseconds */
    int      tracks;
    uint32_t start[101];            /* absolute frame of each track's start, [tracks + 1] the end */
    uint32_t pos;                   /* absolute frame */
    int      commands;              /* how many were sent */
    char     last[128];             /* the last command */
    char     played[128];           /* the last play or seek command */
};

/* A disc with the given track lengths in seconds (at most 99; more are ignored). */
void cdFakeLoad(CdFake *f, const int *seconds, int tracks);
/* Moves a playing disc on by frames; at the end it stops. */
void cdFakeAdvance(CdFake *f, uint32_t frames);
/* CdDevice.send over a CdFake. */
unsigned long cdFakeSend(void *fake, const char *command, char *reply, size_t size);

#endif
