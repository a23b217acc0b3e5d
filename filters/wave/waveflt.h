/*
 * waveflt.h - state of the wave-file filter module (wave.flt).
 *
 * The module hands the host small handle numbers (slot + 1) rather than pointers, so a stale
 * or foreign handle is recognised and ignored instead of being followed.
 */
#ifndef ZELO_WAVEFLT_H
#define ZELO_WAVEFLT_H

#include "filters/wave/wavcore.h"

#define WAVEFLT_SLOTS 16

struct WaveFltState {
    WavReader *inputs[WAVEFLT_SLOTS];   /* open inputs; handle = slot + 1 */
    WavWriter *outputs[WAVEFLT_SLOTS];  /* open outputs; handle = slot + 1 */
};
extern WaveFltState WaveFlt;

#endif
