/*
 * tborder.h - the toolbar's window-free half: the fixed button table, the order list (which
 * commands have a button and in which order), its names, loading it from zelo.ini in the
 * present [NewToolbar] layout or the older [Toolbar] one, saving it, placing the buttons
 * along a given width, and the list edits of the "Toolbar Settings" dialog.
 *
 * Global state: none; the window half keeps one TbOrder in its Toolbar record.  Invariants
 * after tbLoadOrder: every table command and every visible transform is in the list once;
 * only gaps (id 0) may repeat; count is TB_NOTLOADED only before the first load.
 */
#ifndef ZELO_TBORDER_H
#define ZELO_TBORDER_H

#include <stddef.h>
#include <stdint.h>

#define TB_ROWS       33
#define TB_MAXORDER   1024
#define TB_NOTLOADED  65535
#define TB_XFM_FIRST  7000      /* transform n: 7000 + n, as the menu commands */
#define TB_XFM_LAST   7199
#define TB_BUTTON_STEP 25       /* a button's width plus its spacing */
#define TB_GAP_STEP   8
#define TB_MARGIN     6
#define TB_NAME_MAX   60        /* an entry name as read back from zelo.ini, with its 0 */

struct TbRow {
    uint16_t    id;             /* command id, 0 for the gap */
    const char *name;           /* shown in the dialog and stored in zelo.ini */
    const char *icon;           /* bitmap resource name, NULL for the gap */
    uint16_t    tip;            /* string-table id of the tooltip, 0 none */
    const char *legacy;         /* key of the older layout */
};
extern const TbRow TbTable[TB_ROWS];

/* The transform registry as the order list sees it (row i is command 7000 + i). */
#define TB_XFM_TRANSFORM 0x001u
#define TB_XFM_GENERATE  0x002u
#define TB_XFM_TOOL      0x400u
#define TB_XFM_HIDDEN    0x4000u
struct TbTransform {
    const char *name;
    uint32_t    flags;          /* the module's flags; only the bits above are read */
};
struct TbRegistry {
    const TbTransform *rows;
    int                count;
};

/* Where the order list is kept: section/key reads and writes of zelo.ini. */
struct TbIni {
    void *ctx;
    /* Copies the value (or def) into out, cut to size - 1 characters. */
    void (*get)(void *ctx, const char *section, const char *key, const char *def, char *out, size_t size);
    /* value NULL deletes the key; key NULL deletes the whole section. */
    void (*set)(void *ctx, const char *section, const char *key, const char *value);
};

struct TbOrder {
    uint16_t count;             /* TB_NOTLOADED before the first load */
    uint16_t ids[TB_MAXORDER];
};

/* The table row of a command id, or -1. */
int  tbRowOf(int id);
/* Name of an entry: the table name, a transform's name ("Generate " before a generator's),
   "???" when nothing matches.  Returns out. */
const char *tbEntryName(int id, const TbRegistry *reg, char *out, size_t size);
/* The id a stored name stands for (a table row first, then the first visible transform);
   -1 when none. */
int  tbResolveName(const char *name, const TbRegistry *reg);
/* Adds id unless it is already there (gaps always go in); 0 when the list is full. */
int  tbAppend(TbOrder *o, int id);

/* Fills o from the ini unless it is loaded already: [NewToolbar], else the older [Toolbar],
   else the default order; then every missing visible transform and table command is added.
   Saves when the list came from the old layout or the default, or grew. */
void tbLoadOrder(TbOrder *o, const TbRegistry *reg, const TbIni *ini);
/* [NewToolbar]: Version "1.0", Count, Item1... with the entries' names.  Not loaded: nothing. */
void tbSaveOrder(const TbOrder *o, const TbRegistry *reg, const TbIni *ini);

/* Button places along width: for each entry that is placed, its index in the list and x.
   Returns how many entries were placed (gaps included, written with x of the gap). */
struct TbPlace { int index; int x; };
int  tbLayout(const TbOrder *o, int width, TbPlace *out, int max);

/* The dialog's list edits over parallel arrays of ids and selection flags (n entries).
   Move Up / Down act on the first run of selected entries; Zap sends every selected entry
   to the end in order and clears the selection.  Return 1 when the list changed. */
int  tbMoveUp(uint16_t *ids, uint8_t *sel, int n);
int  tbMoveDown(uint16_t *ids, uint8_t *sel, int n);
int  tbZap(uint16_t *ids, uint8_t *sel, int n);

#endif
