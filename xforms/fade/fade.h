/*
 * fade.h - resource ids of the Fade module (fade.rc, fade.c).
 */
#ifndef ZELO_XFORMS_FADE_H
#define ZELO_XFORMS_FADE_H

#define IDD_FADE          100
#define IDS_FADE_HELP     1

#define IDC_FADE_IN       101   /* radios, in the order of FADE_IN, FADE_OUT */
#define IDC_FADE_OUT      102
#define IDC_FADE_LINEAR   103   /* radios, in the order of the FADE_* shapes */
#define IDC_FADE_LOG      104
#define IDC_FADE_SCURVE   105
#define IDC_FADE_GRAPH    106   /* frame the graph control fills */
#define IDC_FADE_STATUS   107

#define IDC_PRESET_LIST   1005
#define IDC_PRESET_NAME   1006
#define IDC_PRESET_ADD    325
#define IDC_PRESET_DEL    1109

#endif
