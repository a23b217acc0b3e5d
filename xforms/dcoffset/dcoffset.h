/*
 * dcoffset.h - resource ids of the DC Offset module (dcoffset.rc, dcoffset.c).
 */
#ifndef ZELO_XFORMS_DCOFFSET_H
#define ZELO_XFORMS_DCOFFSET_H

#define IDD_DCOFFSET      100
#define IDS_DC_HELP       1
#define IDS_DC_BAD        2

#define IDC_DC_REMOVE     101   /* radio: take each channel's mean off */
#define IDC_DC_ADD        102   /* radio: add the offset */
#define IDC_DC_OFFSET     103   /* edit: the offset to add */
#define IDC_DC_SAMPLES    104   /* radio: offset in sample units */
#define IDC_DC_PERCENT    105   /* radio: offset in percent of full scale */
#define IDC_DC_LEFT       106   /* static: the left (or only) channel's mean */
#define IDC_DC_RIGHT      107   /* static: the right channel's mean */
#define IDC_DC_RANGE      108   /* static: the frames measured */

#endif
