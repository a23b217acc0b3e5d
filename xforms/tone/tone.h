/*
 * tone.h - resource ids of the Tone module (tone.rc, tone.c).
 */
#ifndef ZELO_XFORMS_TONE_H
#define ZELO_XFORMS_TONE_H

#define IDD_TONE          100
#define IDS_TONE_HELP     1
#define IDS_TONE_BAD      2

#define IDC_TONE_SINE     101   /* radios, in the order of the TONE_* shapes */
#define IDC_TONE_SQUARE   102
#define IDC_TONE_TRIANGLE 103
#define IDC_TONE_SAWTOOTH 104
#define IDC_TONE_FREQ     105   /* edit: Hz */
#define IDC_TONE_AMP      106   /* edit: percent of full scale */
#define IDC_TONE_SECONDS  107   /* edit: duration */

#define IDC_PRESET_LIST   1005
#define IDC_PRESET_NAME   1006
#define IDC_PRESET_ADD    325
#define IDC_PRESET_DEL    1109

#endif
