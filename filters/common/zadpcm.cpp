/*
 * zadpcm.cpp - IMA ADPCM coding (see zadpcm.h).  The encoder runs the decoder's own
 * reconstruction, so the two never drift apart.  No state beyond the arguments.
 */
#include "filters/common/zadpcm.h"

#include <string.h>

namespace {

const int16_t Steps[89] = {
    7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66,
    73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408,
    449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066,
    2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int8_t IndexMove[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct Channel {
    int pred, index;
};

/* One code applied to the state; returns the new sample. */
int16_t step(Channel *c, int code)
{
    int st = Steps[c->index];
    int diff = st >> 3;
    if (code & 4) diff += st;
    if (code & 2) diff += st >> 1;
    if (code & 1) diff += st >> 2;
    c->pred += (code & 8) ? -diff : diff;
    if (c->pred > 32767) c->pred = 32767;
    if (c->pred < -32768) c->pred = -32768;
    c->index += IndexMove[code];
    if (c->index < 0) c->index = 0;
    if (c->index > 88) c->index = 88;
    return (int16_t)c->pred;
}

/* The code that brings the state nearest to s. */
int encodeOne(Channel *c, int s)
{
    int st = Steps[c->index];
    int diff = s - c->pred, code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    if (diff >= st) { code |= 4; diff -= st; }
    st >>= 1;
    if (diff >= st) { code |= 2; diff -= st; }
    st >>= 1;
    if (diff >= st) code |= 1;
    step(c, code);
    return code;
}

} // namespace

uint32_t zaImaFramesPerBlock(uint32_t blockAlign, uint32_t channels)
{
    if (channels == 0 || channels > 2 || blockAlign <= 4 * channels || (blockAlign - 4 * channels) % (4 * channels))
        return 0;
    return (blockAlign - 4 * channels) * 2 / channels + 1;
}

uint32_t zaImaBlockAlign(uint32_t rate, uint32_t channels)
{
    uint32_t k = rate / 11025;
    if (k < 1)
        k = 1;
    if (k > 8)
        k = 8;
    return 256 * channels * k;
}

uint32_t zaImaDecode(const uint8_t *block, uint32_t len, uint32_t channels, uint32_t framesPerBlock,
                     int16_t *out)
{
    if (channels == 0 || channels > 2 || len < 4 * channels || framesPerBlock == 0)
        return 0;
    Channel ch[2];
    for (uint32_t c = 0; c < channels; c++) {
        const uint8_t *h = block + 4 * c;
        ch[c].pred = (int16_t)(h[0] | (h[1] << 8));
        ch[c].index = h[2];
        if (ch[c].index > 88)
            return 0;
        out[c] = (int16_t)ch[c].pred;
    }
    uint32_t frames = 1;
    const uint8_t *p = block + 4 * channels, *end = block + len;
    /* Groups of 4 bytes (8 samples) per channel, channel after channel. */
    while (frames < framesPerBlock && end - p >= (long)(4 * channels)) {
        for (uint32_t c = 0; c < channels; c++) {
            for (int i = 0; i < 8; i++) {
                int code = (p[i / 2] >> ((i & 1) * 4)) & 0x0F;
                uint32_t f = frames + (uint32_t)i;
                int16_t s = step(&ch[c], code);
                if (f < framesPerBlock)
                    out[f * channels + c] = s;
            }
            p += 4;
        }
        frames += 8;
    }
    return frames < framesPerBlock ? frames : framesPerBlock;
}

void zaImaEncode(const int16_t *in, uint32_t channels, uint32_t framesPerBlock, uint32_t blockAlign,
                 int *index, uint8_t *block)
{
    memset(block, 0, blockAlign);
    Channel ch[2];
    for (uint32_t c = 0; c < channels; c++) {
        ch[c].pred = in[c];
        ch[c].index = index[c] < 0 ? 0 : index[c] > 88 ? 88 : index[c];
        block[4 * c] = (uint8_t)in[c];
        block[4 * c + 1] = (uint8_t)((uint16_t)in[c] >> 8);
        block[4 * c + 2] = (uint8_t)ch[c].index;
    }
    uint8_t *p = block + 4 * channels;
    for (uint32_t f = 1; f < framesPerBlock; f += 8) {
        for (uint32_t c = 0; c < channels; c++) {
            for (int i = 0; i < 8; i++) {
                uint32_t at = f + (uint32_t)i;
                int s = at < framesPerBlock ? in[at * channels + c] : ch[c].pred;
                int code = encodeOne(&ch[c], s);
                p[i / 2] |= (uint8_t)(code << ((i & 1) * 4));
            }
            p += 4;
        }
    }
    for (uint32_t c = 0; c < channels; c++)
        index[c] = ch[c].index;
}
