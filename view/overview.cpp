/*
 * overview.cpp - what the view does while a file is read: the PeakSummary is begun for the
 * announced frames and fed every piece in reading order, and the view's end follows the data.
 * Window-free, so the benchmarks and tests wire exactly the functions the program wires.
 */
#include "view/view.h"
#include "view/peaks.h"
#include "core/document.h"
#include "store/voc.h"

void viewOverviewBegin(uint32_t frames)
{
    peakSummaryCreate(frames, Wave.channels, Wave.bitsPerSample);
}

void viewOverviewFeed(const void *bytes, uint32_t count)
{
    peakSummaryFeed(bytes, count);
}

void viewFollowEnd(uint32_t lastFrame)
{
    Doc.viewEnd = lastFrame;
}
