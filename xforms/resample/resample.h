/*
 * resample.h - resource ids of the Resample module (resample.rc, resample.c).
 */
#ifndef ZELO_XFORMS_RESAMPLE_H
#define ZELO_XFORMS_RESAMPLE_H

#define IDS_RESAMPLE_HELP 1

#endif
