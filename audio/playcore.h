/*
 * playcore.h - the window-free half of playback: the state of the one playback a program
 * instance runs (Play), the buffer size rule, the play range and its loops, shaping the
 * samples for the device (FillPlayBuffer) and the position arithmetic behind the cursor.
 *
 * The device side (audio/play.cpp) owns the handle and buffer fields; this file owns the
 * range, loop and position fields.  Invariants: rangeStart <= rangeStart + position <=
 * rangeEnd while a range is set; bufferSize is a whole number of 1024-frame blocks.
 */
#ifndef ZELO_PLAYCORE_H
#define ZELO_PLAYCORE_H

#include <stdint.h>

#define PLAY_MINBUFFERS   2
#define PLAY_MAXBUFFERS   32
#define PLAY_LOOPFOREVER  10000u          /* loops remaining in loop mode */
#define PLAY_NOENTRY      0xFFFFu         /* current list entry: none */
#define PLAY_PADLOW       2100u           /* padding threshold below 22050 Hz */
#define PLAY_PADHIGH      16400u          /* padding threshold from 22050 Hz up */
#define PLAY_MAXBUFFER    (16u << 20)     /* larger buffers are refused as too large */

/* One play list entry: a cue, how many frames from it, how often. */
struct PlayListEntry {
    uint32_t cue;                   /* cue id */
    uint32_t frames;                /* length in frames */
    uint32_t count;                 /* times played, at least 1 */
};

/* Where list mode finds its entries; NULL hooks mean an empty list. */
struct PlayListHooks {
    int (*count)(void);                                   /* entries in the play list */
    int (*entry)(int index, PlayListEntry *out);          /* 0 when out was filled */
    int (*cueStart)(uint32_t cue, uint32_t *frame);       /* 0 when the cue exists */
};
extern PlayListHooks PlayListHook;

struct PlayState {
    /* device side (audio/play.cpp) */
    uintptr_t device;               /* HWAVEOUT, 0 when closed */
    uint32_t  deviceId;             /* output device number (WAVE_MAPPER when none chosen) */
    uint32_t  bufferSize;           /* bytes per buffer (output bytes) */
    int       bufferCount;          /* buffers in the ring, PLAY_MINBUFFERS..PLAY_MAXBUFFERS */
    void     *data[PLAY_MAXBUFFERS];   /* buffer memory, NULL when not allocated */
    void     *header[PLAY_MAXBUFFERS]; /* WAVEHDR of each buffer, NULL when not allocated */
    uintptr_t dataMem[PLAY_MAXBUFFERS], headerMem[PLAY_MAXBUFFERS]; /* their global handles */
    int       queuedAtStart;        /* buffers written by StartPlayback */
    uint16_t  stopCount;            /* Stop presses since the device last closed */
    int       stopRequest;          /* no more refills: Stop pressed or the material ran out */
    int       closing;              /* waveOutClose done, MM_WOM_CLOSE still to come */
    int       restart;              /* post Play once the device has closed */
    int       playing;              /* set from the first write until the ring drains or Stop */
    int       paused;               /* the device is paused by Pause */
    int       loopMode;             /* "Loop Mode" (command 5010) is checked */
    int       lastDone;             /* index of the last buffer the device returned */
    uint32_t  firstWriteTick;       /* tick count of the first write */
    int       firstWritten;         /* the first buffer has gone to the device */
    uint32_t  commandTick;          /* tick count of the Play command, for the figures */
    int16_t   cursorX;              /* play-cursor column, -1 when not drawn */
    int       inPaint;              /* a paint of the main window runs: the cursor waits */
    uint32_t  lastRaw;              /* last raw device position (meter feed) */
    int       correction;           /* position correction mode 0, 1 (SB...) or 2 (MeterFix) */
    int       oldSystem;            /* platform version below 3.50 */
    int       showCursor;           /* cursor display on for this playback */
    int64_t   forcedStart, forcedEnd; /* frames of a forced range, -1 when unused */
    /* range and shaping (playcore.cpp) */
    uint32_t  rangeStart;           /* bytes */
    uint32_t  rangeEnd;             /* bytes, exclusive */
    uint32_t  position;             /* bytes after rangeStart already taken */
    uint32_t  loopsLeft;            /* passes still to come after this one */
    int       listMode;             /* playing the play list */
    uint16_t  listEntry;            /* current entry, PLAY_NOENTRY none */
    uint16_t  listOnly;             /* 0: to the end of the list; n: entry n - 1 alone (Auto-cue) */
    int       convert8;             /* 16-bit data is sent as 8-bit */
    uint32_t  rate;                 /* sample rate of the material */
    uint16_t  channels, srcBits, srcAlign; /* format of the material */
    uint16_t  outBits, outAlign;    /* what the device gets */
    int       editChannel;          /* 0 both, 1 left, 2 right: the other one is silenced */
    uint32_t  startFrame;           /* PlayPosition: frame of rangeStart */
    uint32_t  offsetFrames;         /* frames from rangeStart to the first played frame */
    uint32_t  loopFrames;           /* offset + played length: one pass in loop mode */
    int       loopReport;           /* PlayPosition wraps at loopFrames */
    void    (*chunkDone)(void);     /* after each chunk FillPlayBuffer takes (cursor update) */
};
extern PlayState Play;

/* Buffer bytes for rate x blockAlign x seconds spread over buffers (clamped to 2..32):
   a whole number of 1024-frame blocks, at least one block.  0 when it would exceed
   PLAY_MAXBUFFER (too large to allocate). */
uint32_t playBufferSize(uint32_t rate, uint16_t blockAlign, double seconds, int buffers);
int      playClampBuffers(int n);
/* Padding threshold in bytes for a sample rate. */
uint32_t playPadThreshold(uint32_t rate);

/* Sets Play's format fields from the material's format and the 16-to-8 choice. */
void playSetFormat(uint32_t rate, uint16_t channels, uint16_t bits, int convert8, int editChannel);
/* Plays bytes start..start+length, positions counted from rangeStart (start >= rangeStart).
   Loops remaining come from loops.  List mode off. */
void SetupPlayRange(uint32_t start, uint32_t length, uint32_t rangeStart, uint32_t loops);
/* List mode from entry index on; 0 when an entry with a cue was found, 1 when none is left. */
int  SetupPlayList(int index);

/* Fills dst with up to count output bytes of the range: reads through vocRead, silences the
   channel not edited, packs 16-bit to 8-bit, loops, and pads a short last piece with silence
   up to the threshold.  Returns the bytes put into dst, 0 at the end of the material. */
uint32_t FillPlayBuffer(void *dst, uint32_t count);

/* Records rangeStart's frame, the offset of the first frame and the loop length. */
void playSetPositionBase(uint32_t startFrame, uint32_t offsetFrames, uint32_t playedFrames, int loop);
/* The frame playing after raw frames from the device (correction applied). */
uint32_t playFrameAt(uint32_t raw);
/* Device position reply to frames: kind 0 samples, 1 bytes, 2 milliseconds. */
uint32_t playRawFrames(int kind, uint32_t value);

/* Column of frame in an area of columns left..right-1 showing viewStart..viewEnd, or -1
   when the frame is outside the view. */
int  playCursorColumn(uint32_t frame, int left, int right, uint32_t viewStart, uint32_t viewEnd);

#endif
