/*
 * enabling.cpp - the rules of the enabling pass, in their order: a later rule only disables
 * more, except the clipboard rule, which can enable Music again.  Window-free.
 */
#include "shell/enabling.h"
#include "resources/resource.h"

const int EnableListed[] = {
    IDM_REPEAT, IDM_SAVE, IDM_REOPEN, IDM_CDPLAYER, IDM_EDITLEFT, IDM_EDITRIGHT, IDM_EDITBOTH,
    IDM_EDITLEFTONLY, IDM_EDITRIGHTONLY, IDM_UNDO, IDM_EXIT, IDM_SAVEAS, IDM_OPENAPPEND,
    IDM_TOOLSAVE, IDM_ANALYSIS, IDM_SELECTALL, IDM_ZEROCROSS, IDM_SPECTRAL, IDM_NEW, IDM_OPEN,
    IDM_CONVERT, IDM_OPENAS, IDM_CLOSE, IDM_CUT, IDM_PASTE, IDM_PASTESPECIAL, IDM_DELETE,
    IDM_TRIM, IDM_GENSILENCE, IDM_ADJUSTRATE, IDM_REVERSE, IDM_BYTESWAP, IDM_INVERT, IDM_SILENCE,
    IDM_MUSIC, IDM_SAVESEL, IDM_COPY, IDM_INFO, IDM_VIEWRANGE, IDM_CUELIST, IDM_PLAYLIST,
    IDM_LOOP, IDM_SETTINGS,
};
const int EnableListedCount = (int)(sizeof EnableListed / sizeof EnableListed[0]);

const int EnableNotBuilt[] = {
    0,   /* none: every command is built */
};
const int EnableNotBuiltCount = 0;

int EnableResult::disabled(int id) const
{
    for (int i = 0; i < count; i++)
        if (ids[i] == id)
            return off[i];
    return 0;
}

void EnableResult::disable(int id)
{
    for (int i = 0; i < count; i++)
        if (ids[i] == id)
            off[i] = 1;
}

void EnableResult::enable(int id)
{
    for (int i = 0; i < count; i++)
        if (ids[i] == id)
            off[i] = 0;
}

static void disableAll(EnableResult *r, const int *list, int n)
{
    for (int i = 0; i < n; i++)
        r->disable(list[i]);
}

#define DISABLE(...) do { static const int l_[] = {__VA_ARGS__}; disableAll(out, l_, (int)(sizeof l_ / sizeof l_[0])); } while (0)

void enableEvaluate(const EnableInputs *in, EnableResult *out)
{
    out->count = EnableListedCount;
    for (int i = 0; i < EnableListedCount; i++) {
        out->ids[i] = EnableListed[i];
        out->off[i] = 0;
    }
    int plugins = in->plugins < ENABLE_MAXPLUGINS ? in->plugins : ENABLE_MAXPLUGINS;
    for (int i = 0; i < ENABLE_MAXPLUGINS; i++)
        out->pluginOff[i] = 0;
    out->editChannel = in->editChannel;
    out->undoTextKind = 0;

    /* 1, 2, 3 */
    if (in->undoKind == 0)
        out->disable(IDM_REPEAT);
    if (!in->haveName)
        DISABLE(IDM_SAVE, IDM_REOPEN);
    if (!in->cdAvailable)
        out->disable(IDM_CDPLAYER);
    /* 4: a mono wave has no channel to choose. */
    if (in->channels == 1) {
        DISABLE(IDM_EDITLEFT, IDM_EDITRIGHT, IDM_EDITBOTH, IDM_EDITLEFTONLY, IDM_EDITRIGHTONLY);
        out->editChannel = 0;
    }
    /* 5 */
    if (in->undoSwitchedOff) {
        out->undoTextKind = 69;
        out->disable(IDM_UNDO);
    } else if (in->undoAvailable < 1) {
        out->undoTextKind = 68;
        out->disable(IDM_UNDO);
    }
    /* 6 */
    if (in->spectralBusy)
        out->disable(IDM_EXIT);
    /* 7: while one channel is edited, the channel rules see a mono wave. */
    int channels = (out->editChannel == 1 || out->editChannel == 2) ? 1 : in->channels;
    for (int i = 0; i < plugins; i++) {
        uint8_t caps = in->pluginCaps[i];
        if (!(caps & (channels == 2 ? PLUG_STEREO16 : PLUG_MONO16)))
            out->pluginOff[i] = 1;
    }
    /* 8 */
    if (in->recording)
        DISABLE(IDM_SAVEAS, IDM_OPENAPPEND, IDM_TOOLSAVE, IDM_SAVE, IDM_ANALYSIS, IDM_SELECTALL, IDM_ZEROCROSS);
    /* 9 */
    if (in->playing || in->recording)
        out->disable(IDM_SPECTRAL);
    /* 10 */
    if (in->playing || in->recording || in->spectralBusy) {
        DISABLE(IDM_UNDO, IDM_NEW, IDM_OPEN, IDM_CONVERT, IDM_OPENAS, IDM_CLOSE, IDM_REOPEN, IDM_CUT,
                IDM_PASTE, IDM_PASTESPECIAL, IDM_DELETE, IDM_TRIM, IDM_GENSILENCE, IDM_ADJUSTRATE,
                IDM_REVERSE, IDM_BYTESWAP, IDM_INVERT, IDM_SILENCE);
        if (!in->recording)
            out->disable(IDM_MUSIC);
        for (int i = 0; i < plugins; i++)
            out->pluginOff[i] = 1;
    }
    /* 11 */
    if (!in->waveLoaded) {
        DISABLE(IDM_CONVERT, IDM_SAVEAS, IDM_OPENAPPEND, IDM_SAVE, IDM_SAVESEL, IDM_CLOSE, IDM_TOOLSAVE,
                IDM_COPY, IDM_CUT, IDM_INFO, IDM_SILENCE, IDM_SPECTRAL, IDM_ADJUSTRATE, IDM_BYTESWAP,
                IDM_VIEWRANGE, IDM_REOPEN, IDM_EDITLEFT, IDM_EDITRIGHT, IDM_EDITBOTH, IDM_EDITLEFTONLY,
                IDM_EDITRIGHTONLY, IDM_DELETE, IDM_TRIM, IDM_MUSIC, IDM_REVERSE, IDM_SELECTALL,
                IDM_ZEROCROSS, IDM_INVERT);
        for (int i = 0; i < plugins; i++)
            if (in->pluginCaps[i] & PLUG_NEEDWAVE)
                out->pluginOff[i] = 1;
    }
    /* 12 */
    if (!in->haveSelection) {
        DISABLE(IDM_SAVESEL, IDM_DELETE, IDM_TRIM, IDM_SILENCE);
        if (!in->recording)
            out->disable(IDM_MUSIC);
    }
    /* 13 */
    if (in->analysisOpen)
        out->disable(IDM_ANALYSIS);
    /* 14 */
    if (in->waveLoaded && in->dataBytes == 0) {
        DISABLE(IDM_SELECTALL, IDM_ZEROCROSS, IDM_CUT, IDM_COPY, IDM_REVERSE, IDM_INVERT);
        for (int i = 0; i < plugins; i++)
            if (in->pluginCaps[i] & PLUG_NEEDDATA)
                out->pluginOff[i] = 1;
    }
    /* 15 */
    if (in->cueListOpen)
        out->disable(IDM_CUELIST);
    if (in->playListOpen)
        out->disable(IDM_PLAYLIST);
    /* 16 */
    if (!in->haveFilters)
        DISABLE(IDM_SAVE, IDM_SAVESEL, IDM_OPENAPPEND, IDM_OPEN, IDM_REOPEN, IDM_SAVEAS, IDM_OPENAS);
    /* 17 */
    if (in->clipboardHasWave) {
        if (!in->playing && !in->recording && !in->spectralBusy)
            out->enable(IDM_MUSIC);
    } else {
        out->disable(IDM_PASTE);
    }
    /* 18 */
    if (out->editChannel == 1 || out->editChannel == 2) {
        DISABLE(IDM_PASTESPECIAL, IDM_TRIM, IDM_GENSILENCE, IDM_MUSIC, IDM_CONVERT, IDM_BYTESWAP, IDM_SAVESEL);
        for (int i = 0; i < plugins; i++)
            if (in->pluginCaps[i] & PLUG_NOSINGLE)
                out->pluginOff[i] = 1;
    }
    /* 19 */
    if (in->channels == 1 || out->editChannel == 1 || out->editChannel == 2)
        for (int i = 0; i < plugins; i++)
            if (in->pluginCaps[i] & PLUG_NEEDSTEREO)
                out->pluginOff[i] = 1;
    /* 20 */
    if (in->infoOpen)
        out->disable(IDM_INFO);
    /* 21: Repeat only re-issues a command that could run now. */
    int kind = in->undoKind, listed = 0;
    for (int i = 0; i < EnableListedCount; i++)
        if (EnableListed[i] == kind)
            listed = 1;
    int plugin = kind >= IDM_XFM_FIRST && kind < IDM_XFM_FIRST + plugins;
    if ((listed && out->disabled(kind)) || (plugin && out->pluginOff[kind - IDM_XFM_FIRST]) || (!listed && !plugin))
        out->disable(IDM_REPEAT);
    out->lastCommandOk = !out->disabled(IDM_REPEAT);
}
