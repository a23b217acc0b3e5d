/*
 * stats.h - resource ids of the Statistics module (stats.rc, stats.c).
 */
#ifndef ZELO_XFORMS_STATS_H
#define ZELO_XFORMS_STATS_H

#define IDD_STATS        100
#define IDS_STATS_HELP   1

/* One row per value; the left channel's field is the row id, the right one's the row id
   plus IDC_STAT_RIGHT. */
#define IDC_STAT_PEAK    201   /* peak level, dB of full scale */
#define IDC_STAT_PEAKVAL 202   /* peak sample, 0..32768 */
#define IDC_STAT_RMS     203   /* RMS level, dB of full scale */
#define IDC_STAT_DC      204   /* DC offset, fraction of full scale */
#define IDC_STAT_CLIPPED 205   /* samples at either end of the range */
#define IDC_STAT_RIGHT   10
#define IDC_STAT_RANGE   230   /* which frames were measured */
#define IDC_STAT_LEFTNAME  231
#define IDC_STAT_RIGHTNAME 232

#endif
