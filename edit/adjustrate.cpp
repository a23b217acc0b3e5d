/*
 * adjustrate.cpp - Adjust Sample Rate (109): the same bytes read with another rate, and
 * optionally another channel count and resolution.  Nothing in the store moves, but a new
 * frame size must divide the data: a trailing part of a frame that the new shape leaves
 * over is cut off here, where the user sees it, rather than dropped by a filter on save.
 */
#include "edit/editwin.h"
#include "edit/undo.h"
#include "edit/editview.h"
#include "core/document.h"
#include "core/scriptio.h"
#include <stdio.h>
#include "ui/newwave.h"
#include "ui/frame.h"
#include "store/voc.h"
#include "store/blockfile.h"
#include "audio/audio.h"

void editAdjustRateCommand(void)
{
    if (!BF.table || audioPlaying() || audioRecording() || Frame.spectralBusy || frameBusy())
        return;
    NewWaveValues v = {1, Doc.sampleRate, Wave.channels, Wave.bitsPerSample, Wave.blockAlign, 0, 0};
    if (scriptIoRunning()) {
        /* Channels, bits and rate as recorded; 0 ("X") keeps the value in force. */
        long ch = ScriptIo.readLong(), bits = ScriptIo.readLong(), rate = ScriptIo.readLong();
        if ((ch && ch != 1 && ch != 2) || (bits && bits != 8 && bits != 16) || rate < 0 || rate > 1000000 ||
            ch == SCRIPTIO_MISSING) {
            if (ScriptIo.abort)
                ScriptIo.abort();
            return;
        }
        if (ch)
            v.channels = (uint16_t)ch;
        if (bits)
            v.bits = (uint16_t)bits;
        if (rate)
            v.rate = (uint32_t)rate;
    }
    if (!scriptIoSilent() && !newWaveDialog(Frame.main, &v))
        return;
    if (scriptIoRecording()) {
        /* A value left as it was is written as "X". */
        char t[16];
        snprintf(t, sizeof t, "%u", (unsigned)v.channels);
        ScriptIo.recordText(v.channels != Wave.channels ? t : "X");
        snprintf(t, sizeof t, "%u", (unsigned)v.bits);
        ScriptIo.recordText(v.bits != Wave.bitsPerSample ? t : "X");
        snprintf(t, sizeof t, "%lu", (unsigned long)v.rate);
        ScriptIo.recordText(v.rate != Doc.sampleRate ? t : "X");
    }
    int reshaped = v.channels != Wave.channels || v.bits != Wave.bitsPerSample;
    uint32_t oldRate = Doc.sampleRate;
    Doc.sampleRate = v.rate;
    if (ScriptIo.rateChanged)
        ScriptIo.rateChanged(oldRate, v.rate);
    uint32_t align = (uint32_t)v.channels * v.bits / 8u;
    uint32_t spare = align ? Wave.dataLength % align : 0;
    vocSetFormat(v.channels, v.bits, Wave.dataLength);
    if (spare)
        vocCut((int32_t)(Wave.dataLength - spare), spare);
    if (Wave.channels == 1)
        Wave.editChannel = 0;
    Doc.modified = 1;
    if (reshaped) {
        /* Another frame size: the frame numbers of the selection and view mean other data. */
        if (EditView.select)
            EditView.select(0, DOC_NONE);
    }
    editViewModified();
}
