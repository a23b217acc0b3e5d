/*
 * stretch.h - resource ids of the Stretch module (stretch.rc, stretch.c).
 */
#ifndef ZELO_XFORMS_STRETCH_H
#define ZELO_XFORMS_STRETCH_H

#define IDD_STRETCH        100
#define IDS_STRETCH_HELP   1
#define IDS_STRETCH_BADRATIO 2
#define IDS_STRETCH_BADLENGTHS 3

#define IDC_STRETCH_TEMPO    101   /* radios, in the order of STRETCH_TEMPO, _PITCH, _RATE */
#define IDC_STRETCH_PITCH    102
#define IDC_STRETCH_RATE     103
#define IDC_STRETCH_RATIO    104   /* edit: the ratio */
#define IDC_STRETCH_PERCENT  105   /* radios: its unit */
#define IDC_STRETCH_SEMITONES 106
#define IDC_STRETCH_WINDOW   107   /* edits: lengths in ms, 0 automatic */
#define IDC_STRETCH_OVERLAP  108
#define IDC_STRETCH_SEARCH   109
#define IDC_STRETCH_RESULT   110   /* static: the length the selection will have */

#define IDC_PRESET_LIST    1005
#define IDC_PRESET_NAME    1006
#define IDC_PRESET_ADD     325
#define IDC_PRESET_DEL     1109

#endif
