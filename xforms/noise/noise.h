/*
 * noise.h - resource ids of the Noise generator module (noise.rc, noise.c).
 */
#ifndef ZELO_XFORMS_NOISE_H
#define ZELO_XFORMS_NOISE_H

#define IDD_NOISE         100
#define IDS_NOISE_HELP    1
#define IDS_NOISE_BAD     2

#define IDC_NOISE_WHITE   101   /* radios: the colour, in NOISE_* order */
#define IDC_NOISE_PINK    102
#define IDC_NOISE_BROWN   103
#define IDC_NOISE_DB      104   /* radio: amplitude in decibels */
#define IDC_NOISE_PERCENT 105   /* radio: amplitude in percent */
#define IDC_NOISE_AMP     106   /* edit: the amplitude (the largest sample) */
#define IDC_NOISE_SECONDS 107   /* edit: length in seconds */
#define IDC_NOISE_SEED    108   /* edit: the generator's seed */

#endif
