/*
 * compressor.h - resource ids of the Compressor/Limiter module (compressor.rc,
 * compressor.c).
 */
#ifndef ZELO_XFORMS_COMPRESSOR_H
#define ZELO_XFORMS_COMPRESSOR_H

#define IDD_COMPRESSOR    100
#define IDS_COMP_HELP     1
#define IDS_COMP_BAD      2
#define IDS_COMP_MEMORY   3

#define IDC_COMP_THRESHOLD 101  /* edit: dB */
#define IDC_COMP_RATIO     102  /* edit: n for n:1 */
#define IDC_COMP_ATTACK    103  /* edit: ms */
#define IDC_COMP_RELEASE   104  /* edit: ms */
#define IDC_COMP_MAKEUP    105  /* edit: dB */
#define IDC_COMP_LOOKAHEAD 106  /* edit: ms */
#define IDC_COMP_CEILING   107  /* edit: dB */

#endif
