/*
 * paste.h - the paste engine: writes a source wave (clipboard samples in memory, or a file
 * through the open filter input) into the open waveform at a frame, converting its sample
 * type, applying a volume per channel, inserting over blank room or mixing with what is
 * there, and repeating it.  The commands decide the parameters, make room and keep undo.
 *
 * Window-free.  No global state of its own: work buffers are taken per call; writes the
 * store, Wave.pass / Wave.passes, and the dither state when narrowing with smoothing.
 *
 * Joining pieces when the rates differ: output frame k of a copy stands at source position
 * k * sourceRate / waveRate (exact integer ratio), whichever piece it falls in.  Each piece
 * is resampled behind ten frames of history (ten copies of the first frame before the
 * first piece, then the last ten frames of the piece before), so the one frame an
 * interpolation needs from across the join is always there; an output frame whose right
 * neighbour lies in a piece not read yet waits for that piece.  The overlap kept is thus
 * zero output frames: every output frame is computed exactly once, and the copy yields
 * trunc(frames * waveRate / sourceRate) frames however the pieces fall.
 */
#ifndef ZELO_PASTE_H
#define ZELO_PASTE_H

#include <stdint.h>

#define PASTE_CONVERTED 33000u     /* converted bytes per piece */
#define PASTE_HISTORY   10u        /* frames kept in front of each piece */
#define PASTE_FASTPIECE 256000u    /* bytes per write of an unconverted copy */

#define PASTE_ADD       0
#define PASTE_MODULATE  1
#define PASTE_CONVOLUTE 2

struct PasteRequest {
    const uint8_t *mem;            /* source samples in memory; NULL: read through FilterIn */
    int      (*reopen)(void);      /* filter source: back to its start before a copy; 0 ok */
    uint32_t rate;                 /* source format */
    uint16_t bits, channels, blockAlign;
    uint32_t bytes;                /* one copy of the source */
    uint32_t waveRate;             /* the open waveform's rate */
    uint32_t startFrame;           /* destination frame of the first copy */
    double   leftVolume, rightVolume;  /* 1.0 leaves the samples as they are */
    double   existing;             /* weight of what is already there: 1.0 mixing, 0.0 not */
    uint16_t mode;                 /* PASTE_ADD, PASTE_MODULATE, PASTE_CONVOLUTE */
    int16_t  repetitions;          /* copies, at least 1 */
    int      smooth;               /* narrow 16 to 8 bits with dither */
    int      (*cancelled)(void);   /* nonzero once the user cancelled; may be NULL */
    /* Progress of the whole paste, every copy included: done of total; nonzero stops (the
       user cancelled).  May be NULL. */
    int      (*progress)(uint32_t done, uint32_t total);
    uint64_t reported, toReport;   /* the engine's own: bytes written of bytes to write */
};

/* Frames one copy becomes in the waveform's format. */
uint32_t pasteFrames(const PasteRequest *r);
/* Writes every copy.  Returns the bytes of the waveform written (less than asked when the
   user cancelled or the source ran short). */
uint64_t pasteCopies(PasteRequest *r);
/* Writes one copy at byte offset dest.  Returns the bytes of the waveform written. */
uint32_t pasteWriteCopy(PasteRequest *r, uint32_t dest);

#endif
