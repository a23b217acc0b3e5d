/*
 * enabling.h - which commands are disabled in the current state: the rules of the enabling
 * pass as a pure function of the program's state, so the menu, the toolbar and Repeat Last
 * Command all agree, and the rules can be tested without a window.
 */
#ifndef ZELO_ENABLING_H
#define ZELO_ENABLING_H

#include <stdint.h>

#define ENABLE_MAXPLUGINS 200

/* Plug-in capability declarations that the rules read. */
#define PLUG_STEREO16  0x01   /* works on 16-bit stereo */
#define PLUG_MONO16    0x02   /* works on 16-bit mono */
#define PLUG_NEEDWAVE  0x04
#define PLUG_NEEDDATA  0x08
#define PLUG_NOSINGLE  0x10   /* cannot work on one channel of a stereo wave */
#define PLUG_NEEDSTEREO 0x20

struct EnableInputs {
    int      undoKind;          /* command id Repeat re-issues; 0 none */
    int      haveName;          /* document name not empty */
    int      cdAvailable;
    int      waveLoaded;        /* a store is open */
    int      channels;          /* 1 or 2 */
    uint32_t dataBytes;         /* 0: empty wave */
    int      editChannel;       /* 0, 1, 2 */
    int      undoSwitchedOff;   /* undo copies off */
    int      undoAvailable;     /* < 1: nothing to undo */
    int      spectralBusy, playing, recording;
    int      haveSelection;
    int      analysisOpen, cueListOpen, playListOpen, infoOpen;
    int      haveFilters;
    int      clipboardHasWave;
    int      plugins;           /* number of transform plug-ins */
    uint8_t  pluginCaps[ENABLE_MAXPLUGINS];
};

struct EnableResult {
    int      disabled(int id) const;
    void     disable(int id);
    void     enable(int id);
    int      ids[64];           /* the listed ids and their flags */
    uint8_t  off[64];
    int      count;
    uint8_t  pluginOff[ENABLE_MAXPLUGINS];
    int      editChannel;       /* forced to 0 for a mono wave */
    int      lastCommandOk;     /* Repeat stays enabled */
    int      undoTextKind;      /* 0 the undo text, 68 "Can't Undo", 69 "Undo Disabled" */
};

/* The listed command ids, in table order. */
extern const int EnableListed[];
extern const int EnableListedCount;

/* Menu commands whose feature is not in the program yet: the enabling pass greys them
   after the rules, whatever the state, so no live item does nothing.  An id leaves this
   list when its feature arrives. */
extern const int EnableNotBuilt[];
extern const int EnableNotBuiltCount;

/* Runs every rule in order and fills out. */
void enableEvaluate(const EnableInputs *in, EnableResult *out);

#endif
