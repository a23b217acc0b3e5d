/*
 * preview.cpp - the Open dialog's "Auto Play": plays a file through the MCI command
 * strings under the alias "test", independent of the playback engine.  No state of its
 * own beyond the MCI alias, which at most one preview holds.
 */
#include "audio/audio.h"

#include <stdio.h>

/* Sends one command string; returns its MCI error (0 success).  The error text is read
   and dropped where the caller ignores a failure. */
static MCIERROR send(const char *command)
{
    return mciSendStringA(command, NULL, 0, NULL);
}

static void sendIgnoring(const char *command)
{
    MCIERROR e = send(command);
    if (e) {
        char text[128];
        mciGetErrorStringA(e, text, sizeof text);
    }
}

void audioPreviewFile(const char *name)
{
    char cmd[400];
    if (!name || !name[0])
        return;
    sndPlaySoundA(NULL, 0);
    /* A name with a quote in it would end the quoted argument early. */
    for (const char *p = name; *p; p++)
        if (*p == '"')
            return;
    snprintf(cmd, sizeof cmd, "capability \"%s\" can play", name);
    if (send(cmd) != 0)
        return;
    sendIgnoring("close test");
    snprintf(cmd, sizeof cmd, "open \"%s\" type WaveAudio alias test", name);
    if (send(cmd) != 0)
        return;
    snprintf(cmd, sizeof cmd, "set test output %u", (unsigned)Play.deviceId);
    sendIgnoring(cmd);
    if (send("play test") != 0)
        sendIgnoring("close test");
}

void audioPreviewStop(void)
{
    sndPlaySoundA(NULL, 0);
    sendIgnoring("stop test");
    sendIgnoring("close test");
}
