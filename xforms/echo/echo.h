/*
 * echo.h - resource ids of the Echo module (echo.rc, echo.c).
 */
#ifndef ZELO_XFORMS_ECHO_H
#define ZELO_XFORMS_ECHO_H

#define IDD_ECHO          100
#define IDS_ECHO_HELP     1
#define IDS_ECHO_BAD      2
#define IDS_ECHO_MEMORY   3

#define IDC_ECHO_DELAY    101   /* edit: milliseconds between repeats */
#define IDC_ECHO_DECAY    102   /* edit: the decay per repeat */
#define IDC_ECHO_RATIO    103   /* radio: decay as a ratio */
#define IDC_ECHO_DB       104   /* radio: decay in decibels */
#define IDC_ECHO_REPEATS  105   /* edit: number of repeats */
#define IDC_ECHO_DRY      106   /* edit: dry level, percent */
#define IDC_ECHO_WET      107   /* edit: echo level, percent */

#endif
