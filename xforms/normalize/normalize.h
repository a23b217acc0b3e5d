/*
 * normalize.h - resource ids of the Normalize module (normalize.rc, normalize.c).
 */
#ifndef ZELO_XFORMS_NORMALIZE_H
#define ZELO_XFORMS_NORMALIZE_H

#define IDD_NORMALIZE     100
#define IDS_NORM_HELP     1
#define IDS_NORM_BAD      2

#define IDC_NORM_DB       101   /* radio: level in decibels */
#define IDC_NORM_PERCENT  102   /* radio: level in percent */
#define IDC_NORM_LEVEL    103   /* edit: the peak level */
#define IDC_NORM_LINKED   104   /* check: one gain for both channels */
#define IDC_NORM_DC       105   /* check: remove the DC offset first */

#endif
