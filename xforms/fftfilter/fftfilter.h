/*
 * fftfilter.h - resource ids of the FFT Filter module (fftfilter.rc, fftfilter.c).
 */
#ifndef ZELO_XFORMS_FFTFILTER_H
#define ZELO_XFORMS_FFTFILTER_H

#define IDD_FFTFILTER      100
#define IDS_FFTF_HELP      1
#define IDS_FFTF_BADTAPS   2
#define IDS_FFTF_NOPOINTS  3
#define IDS_FFTF_SILENT    4
#define IDS_FFTF_ORDER     5

#define IDC_FFTF_GRAPH     101   /* frame the graph control fills */
#define IDC_FFTF_STATUS    102   /* the graph's status line */
#define IDC_FFTF_TAPS      103   /* edit: filter length in taps, 0 automatic */
#define IDC_FFTF_FLAT      104   /* button: back to a flat 0 dB response */

#define IDC_PRESET_LIST    1005
#define IDC_PRESET_NAME    1006
#define IDC_PRESET_ADD     325
#define IDC_PRESET_DEL     1109

#endif
