/*
 * musicmidi.cpp - where the preview's MIDI messages go: the MIDI output device chosen in
 * Select Wave Device, or, when ZELO_MIDI_STANDIN names a file, a stand-in that appends
 * each message to it as a line of text ("open 0", "90 45 64", "close"), so that the
 * preview can be checked where there is no MIDI hardware.  Writes the device handle only.
 */
#include "music/music.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>

static HMIDIOUT device;   /* the open device, NULL when none */

static int deviceOpen(UINT n)
{
    device = NULL;
    return midiOutOpen(&device, n, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR ? 0 : 1;
}

static void deviceMessage(DWORD msg)
{
    if (device)
        midiOutShortMsg(device, msg);
}

static void deviceClose(void)
{
    if (device) {
        midiOutReset(device);
        midiOutClose(device);
    }
    device = NULL;
}

static const MidiOut kDevice = {deviceOpen, deviceMessage, deviceClose};

/* ---- the stand-in ---- */

static void standInLine(const char *fmt, unsigned a, unsigned b, unsigned c)
{
    const char *path = getenv("ZELO_MIDI_STANDIN");
    FILE *f = path && *path ? fopen(path, "ab") : NULL;
    if (!f)
        return;
    fprintf(f, fmt, a, b, c);
    fclose(f);
}

static int standInOpen(UINT n)
{
    standInLine("open %u\r\n", n, 0, 0);
    return 0;
}

static void standInMessage(DWORD msg)
{
    standInLine("%02X %02X %02X\r\n", msg & 0xFF, (msg >> 8) & 0xFF, (msg >> 16) & 0xFF);
}

static void standInClose(void) { standInLine("close\r\n", 0, 0, 0); }

static const MidiOut kStandIn = {standInOpen, standInMessage, standInClose};

const MidiOut *musicMidiOut(void)
{
    const char *path = getenv("ZELO_MIDI_STANDIN");
    if (path && *path)
        return &kStandIn;
    return midiOutGetNumDevs() > 0 ? &kDevice : NULL;
}
