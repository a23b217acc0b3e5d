/*
 * newwave.h - the New Waveform dialog: sample rate, channels and resolution, also used for
 * Adjust Sample Rate, the rate of pasted raw data and the layout of raw PCM files.
 */
#ifndef ZELO_NEWWAVE_H
#define ZELO_NEWWAVE_H

#include <windows.h>
#include <stdint.h>

#define NEWWAVE_MINRATE 1000u
#define NEWWAVE_MAXRATE 200000u

struct NewWaveValues {
    int      mode;          /* 0 new, 1 adjust rate, 2 raw paste rate, 3 and 4 open raw PCM */
    uint32_t rate;          /* Hz; 22050 is offered when 0 */
    uint16_t channels, bits, blockAlign;
    int      byteOrder, compression;   /* raw modes only */
};

/* Runs the dialog; returns 1 and the new values on OK, 0 on Cancel (values unchanged). */
int newWaveDialog(HWND owner, NewWaveValues *values);

#endif
