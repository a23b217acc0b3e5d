/*
 * filter.h - the file-filter host: drives one input filter and one output filter at a time
 * through the module entry points, for probing, reading, writing and the special items.
 *
 * State: FilterIn (the input side, kept from an open until filterCloseInput so that the same
 * source can be reopened without new questions), FilterOut (the output side), FilterOpts
 * (the options value remembered per filter), FilterExtra (the raw cue and play-list bytes
 * while no cue list takes them) and FilterHook (what the rest of the program plugs in).
 * Every loaded module is unloaded by the matching close, also after a failure.
 */
#ifndef ZELO_FILTER_H
#define ZELO_FILTER_H

#include "formats/fltrecord.h"
#include "formats/flttable.h"

#define FILTER_PIECE_DEFAULT 32000u      /* when a filter asks for a piece size of 0 */
#define FILTER_PIECE_MAX     (88200u + 1000u) /* never more than the transfer buffer */
#define FILTER_SPECIAL_MAX   (16u << 20) /* largest special item the host accepts */

/* Raw parameters: what the host settles when a filter cannot tell the sample type. */
struct FltRaw {
    uint32_t rate;                   /* samples per second */
    uint16_t bits;                   /* 8 or 16 */
    uint16_t channels;               /* 1 or 2 */
    uint32_t byteOrder;              /* passed on to the filter */
    uint32_t compression;            /* passed on to the filter */
    uint32_t options;                /* FilterGetOptions' answer, 0 when none */
};

struct FilterInState {
    FltModule mod;                   /* the loaded module; mod.instance NULL when none */
    int       index;                 /* table index of the filter, -1 when none */
    FltHandle handle;                /* input handle, 0 when closed */
    uint32_t  pieceSize;             /* what the filter asked for, clamped to FILTER_PIECE_MAX */
    uint32_t  bytes;                 /* FilterGetFileSize */
    uint32_t  remaining;             /* bytes still to come */
    uint32_t  options;               /* FilterOptions, 1 when not exported */
    uint32_t  rate;                  /* format of the open input (after raw settling) */
    uint16_t  bits, channels;
    uint8_t  *piece;                 /* buffer of pieceSize bytes for ReadFilterInput */
    uint32_t  pieceHave, pieceAt;    /* bytes held in piece, and how many were handed out */
    char      source[FLT_PATH_MAX];  /* the file the input was opened from */
    int       rawSettled;            /* 1 when raw holds parameters settled for source */
    FltRaw    raw;                   /* those parameters */
    uint16_t  storedBits;            /* what the file holds (FilterStoredType), else as read */
    uint16_t  storedChannels;
    uint16_t  storedFloat;           /* 1 for floating-point samples */
};
extern FilterInState FilterIn;

struct FilterOutState {
    FltModule mod;                   /* the loaded module; mod.instance NULL when none */
    int       index;                 /* table index, -1 when none */
    FltHandle handle;                /* output handle, 0 when not open */
    uint32_t  pieceSize;             /* clamped like the input's */
    int       shortWrite;            /* 1 once the filter took fewer bytes than given */
};
extern FilterOutState FilterOut;

struct FilterOptsState {
    uint32_t value[FLT_MAXFILTERS];  /* options per table index */
    uint8_t  known[FLT_MAXFILTERS];  /* 1 when value was read or set this run */
};
extern FilterOptsState FilterOpts;

/* Raw bytes of codes 40..44 as the last filter delivered them (index code - 40). */
struct FilterExtraState {
    uint8_t *data[5];                /* osAlloc'ed, NULL when none */
    uint32_t size[5];
};
extern FilterExtraState FilterExtra;

struct FilterHooks {
    /* The New Waveform dialog's raw mode: fields arrive preset; 0 = OK, else cancelled. */
    int  (*askRaw)(FltRaw *raw, void *owner);
    /* 1 while a batch runs, with its raw settings copied into raw. */
    int  (*batchRaw)(FltRaw *raw);
    /* A cue or play-list item (codes 40..44) arrived from a filter.  NULL: FilterExtra keeps it. */
    void (*specialRead)(int code, const void *data, uint32_t size);
    /* The bytes to write for code 40..44, or 0 when there are none.  NULL: from FilterExtra. */
    int  (*specialData)(int code, const void **data, uint32_t *size);
};
extern FilterHooks FilterHook;

/* Loads table entry index into m.  report: show "Cannot Load File Filter" on failure.
   Returns 0 loaded, 1 not. */
int  filterLoad(int index, FltModule *m, int report);
void filterUnload(FltModule *m);
/* 1 when m has every entry point reading (writing) needs. */
int  filterCanRead(const FltModule *m);
int  filterCanWrite(const FltModule *m);

/* What probing a file found. */
struct FltProbe {
    int      index;                  /* table index of the filter that passed, -1 none */
    char     formatName[24];         /* "Unknown" when none passed */
    char     optionsText[FLT_OPTIONS_TEXT_MAX]; /* "" when none */
    uint32_t rate;                   /* 0 when not known */
    uint16_t bits, channels;
    uint32_t bytes;
    int      uncertain;              /* FLT_UNCERTAIN without an options text */
};
/* Finds the filter that reads name: the chosen one first (-1 none), then the table order.
   Loads nothing else for long and asks no question.  Returns the table index or -1. */
int  filterProbe(const char *name, int chosen, FltProbe *out);

/* Opens name with filter index for reading: loads it, checks the reading entry points
   (report: "File Filter Doesn't Support Reading" when missing), asks FilterUnderstandsFormat,
   opens with the module instance, settles raw parameters for fields reported 0 (defaults
   taken from def), and reads size and options.  Reopening the source held by FilterIn reuses
   its settled raw parameters.  Returns 0 open, 1 this filter does not read it, 2 the user
   cancelled the raw parameters (nothing stays open). */
#define FILTER_OPENED    0
#define FILTER_NOTMINE   1
#define FILTER_CANCELLED 2
int  filterOpenInput(int index, const char *name, void *owner, const FltRaw *def, int report);
/* Tries the filter chosen first (when it is a table index), then every other filter that can
   read, in table order, until one takes the file; raw parameters are asked with def.
   Returns the index of the filter that opened it, FILTER_NONE when none took it, or
   FILTER_GAVEUP when the user cancelled a filter's question. */
#define FILTER_NONE   (-1)
#define FILTER_GAVEUP (-2)
int  filterOpenAny(const char *name, int chosen, void *owner, const FltRaw *def);
/* Up to max bytes of sample data, sliced from the filter's pieces; 0 at the end. */
uint32_t filterRead(void *dst, uint32_t max);
/* Reads the special items into the INFO list (and codes 40..44 to the hook). */
void filterReadSpecials(void);
/* Closes the input, unloads the module and forgets the settled raw parameters. */
void filterCloseInput(void);

/* Opens name for writing through filter index.  Returns 0 with a handle; 1 the filter gave
   no handle (module stays loaded for filterSuggest / a second try); 2 the module cannot be
   loaded or cannot write (message shown, nothing loaded). */
int  filterOpenOutput(int index, const char *name, uint32_t rate, uint16_t bits, uint16_t channels,
                      uint32_t bytes, uint32_t options);
/* Retries OpenFilterOutput on the loaded output module; 0 handle, 1 none. */
int  filterReopenOutput(const char *name, uint32_t rate, uint16_t bits, uint16_t channels,
                        uint32_t bytes, uint32_t options);
/* Asks the loaded output module for a sample type; fields come back as kept or suggested.
   Returns 1 when the module has a suggestion call, 0 when not. */
int  filterSuggest(uint32_t *rate, uint16_t *bits, uint16_t *channels, uint32_t options);
/* Hands count bytes to WriteFilterOutput; 0 when the filter took them all, 1 when not. */
int  filterWrite(const void *src, uint32_t count);
/* Writes the INFO list, and (wholeWave) the cues, then the play list, as the filter accepts. */
void filterWriteSpecials(int wholeWave);
/* Closes the output (CloseFilterOutput2 when exported, else CloseFilterOutput) and unloads.
   Returns 0 when the filter finished the file, 1 when it said the file is incomplete. */
int  filterCloseOutput(void);
/* 1 when the open input delivers a narrower sample type than its file holds. */
int  filterInputReduced(void);

/* Options remembered per filter ("File Options" / "Filter%d"), 1 when none is known. */
uint32_t filterOptions(int index);
void     filterSetOptionsValue(int index, uint32_t value);
/* Shows the filter's own options dialog from the remembered value; a nonzero answer is
   remembered.  Returns the answer (0 cancelled or no dialog). */
uint32_t filterChangeOptions(int index, void *owner, uint32_t rate, uint16_t channels, uint16_t bits);

/* Raw parameters in a profile section (keys RawSamplerate, RawBitsPerSample, RawChannels,
   RawByteOrder, RawCompression).  read fills fields from the keys, missing keys keeping
   what raw holds. */
void filterReadRaw(const char *section, FltRaw *raw);
void filterWriteRaw(const char *section, const FltRaw *raw);

/* Empties FilterExtra. */
void filterExtraClear(void);

#endif
