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
    if (!newWaveDialog(Frame.main, &v))
        return;
    int reshaped = v.channels != Wave.channels || v.bits != Wave.bitsPerSample;
    Doc.sampleRate = v.rate;
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
