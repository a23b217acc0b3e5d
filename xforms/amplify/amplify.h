/*
 * amplify.h - resource ids of the Amplify module (amplify.rc, amplify.c).
 */
#ifndef ZELO_XFORMS_AMPLIFY_H
#define ZELO_XFORMS_AMPLIFY_H

#define IDD_AMPLIFY       100
#define IDS_AMP_HELP      1
#define IDS_AMP_BADGAIN   2

#define IDC_AMP_DB        101   /* radio: gains in decibels */
#define IDC_AMP_PERCENT   102   /* radio: gains in percent */
#define IDC_AMP_LEFT      103   /* edit: gain of the left channel (of both while locked) */
#define IDC_AMP_RIGHT     104   /* edit: gain of the right channel */
#define IDC_AMP_LOCK      105   /* check: the right channel follows the left */
#define IDC_AMP_LEFTNAME  106
#define IDC_AMP_RIGHTNAME 107
#define IDC_AMP_ENVELOPE  108   /* check: the graph shapes the gain over the selection */
#define IDC_AMP_GRAPH     109   /* frame the graph control fills */
#define IDC_AMP_STATUS    110   /* the graph's status line */
#define IDC_AMP_FLAT      111   /* button: back to a flat envelope */

/* The host's preset controls. */
#define IDC_PRESET_LIST   1005
#define IDC_PRESET_NAME   1006
#define IDC_PRESET_ADD    325
#define IDC_PRESET_DEL    1109

#endif
