/*
 * document.cpp - the WaveDocument's life: New, Close, the save-changes prompt, titles and
 * unique display names.
 *
 * Global state: Doc, DocHook; through the store, Wave and TF.  Invariants: Doc.wave is &Wave;
 * edit channel is 0 whenever the wave is mono (docNew, storeOpened); view end is DOC_NONE
 * exactly while the document is closed (docInit, docClose).
 */
#include "core/document.h"
#include "core/scriptio.h"
#include "core/version.h"
#include "store/tempfile.h"
#include "store/blockfile.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

ScriptIoHooks ScriptIo;
DocumentState Doc;
DocHooks DocHook;

#define ISFT_MAKER "the Zelo Edit developers"

static void resetRanges(void)
{
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    Doc.viewStart = 0;
    Doc.viewEnd = DOC_NONE;
}

/* The store calls these around set-up and teardown. */
static void storeOpened(uint32_t rate)
{
    Doc.sampleRate = rate;
    Doc.storeOpen = BF.file != OS_NOFILE;
    if (Wave.channels == 1)
        Wave.editChannel = 0;
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    Doc.viewStart = 0;
    Doc.viewEnd = 0;
}

static void storeClosed(int exiting)
{
    Doc.storeOpen = 0;
}

void docInit(void)
{
    memset(&Doc, 0, sizeof Doc);
    Doc.wave = &Wave;
    resetRanges();
    snprintf(Doc.undoText, sizeof Doc.undoText, "Can't Undo");
    TempHook.storeOpened = storeOpened;
    TempHook.storeClosed = storeClosed;
}

uint32_t docFrames(void)
{
    return Wave.blockAlign ? Wave.dataLength / Wave.blockAlign : 0;
}

int docHasSelection(void)
{
    return Doc.selEnd != DOC_NONE && Doc.selEnd >= Doc.selStart;
}

int docSelectionOrView(int fallBack, uint32_t *first, uint32_t *last)
{
    if (docHasSelection()) {
        *first = Doc.selStart;
        *last = Doc.selEnd;
        return 1;
    }
    uint32_t frames = docFrames();
    if (!fallBack || Doc.viewEnd == DOC_NONE || frames == 0 || Doc.viewStart >= frames)
        return 0;
    *first = Doc.viewStart;
    *last = Doc.viewEnd < frames ? Doc.viewEnd : frames - 1;
    return *last >= *first;
}

int docSaveChangesPrompt(void)
{
    if (!Doc.modified)
        return 1;
    char text[DOC_NAMEMAX + 32];
    snprintf(text, sizeof text, "Save changes to %s?", Doc.name[0] ? Doc.name : DOC_UNTITLED);
    int answer = osMessage(text, "Current file not saved", OS_MB_YESNOCANCEL | OS_MB_ICONQUESTION);
    if (answer == OS_IDNO)
        return 1;
    if (answer != OS_IDYES)
        return 0;   /* Cancel, and anything unexpected, keeps the document */
    return DocHook.save && DocHook.save() == 0;
}

int docNew(void)
{
    DocFormat f = {Doc.sampleRate, Wave.bitsPerSample, Wave.channels};
    if (Doc.sampleRate == 0) {
        f = DocFormat{44100, 16, 2};
        if (DocHook.readRecent)
            DocHook.readRecent(&f.sampleRate, &f.bitsPerSample, &f.channels);
    }
    if (scriptIoRunning()) {
        /* The recorded format: rate, bits, channels (0, from "X", keeps the value in force). */
        long rate = ScriptIo.readLong(), bits = ScriptIo.readLong(), channels = ScriptIo.readLong();
        if (rate == SCRIPTIO_MISSING || bits == SCRIPTIO_MISSING || channels == SCRIPTIO_MISSING ||
            rate < 0 || rate > 1000000 || (bits && bits != 8 && bits != 16) || (channels && channels != 1 && channels != 2)) {
            if (ScriptIo.abort)
                ScriptIo.abort();
            return 1;
        }
        if (rate)
            f.sampleRate = (uint32_t)rate;
        if (bits)
            f.bitsPerSample = (uint16_t)bits;
        if (channels)
            f.channels = (uint16_t)channels;
    }
    if (!(DocHook.noDialogs && DocHook.noDialogs()) && DocHook.newDialog && DocHook.newDialog(&f) != 0)
        return 1;
    if (scriptIoRecording()) {
        ScriptIo.recordLong((long)f.sampleRate);
        ScriptIo.recordLong((long)f.bitsPerSample);
        ScriptIo.recordLong((long)f.channels);
    }
    f.channels = f.channels == 1 ? 1 : 2;
    f.bitsPerSample = f.bitsPerSample == 8 ? 8 : 16;
    if (f.sampleRate == 0)
        f.sampleRate = 44100;

    char display[DOC_NAMEMAX];
    docUniqueName(DOC_UNTITLED, display, sizeof display);
    docSetTitle(display);

    tempStoreSetup(f.channels, f.sampleRate, f.bitsPerSample);
    if (DocHook.clearInfo)
        DocHook.clearInfo();
    if (DocHook.autoFillInfo && DocHook.autoFillInfo() && DocHook.setInfo) {
        char text[128];
        snprintf(text, sizeof text, "%s v.%s by %s", DOC_PROGRAM, ZELO_VERSION, ISFT_MAKER);
        DocHook.setInfo("ISFT", text);
        time_t now = time(NULL);
        struct tm *t = localtime(&now);
        if (t) {
            snprintf(text, sizeof text, "%d-%02d-%02d", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
            DocHook.setInfo("ICRD", text);
        }
    }
    Doc.name[0] = 0;
    if (DocHook.buttons)
        DocHook.buttons(1, -1, 1);
    if (DocHook.refreshLists)
        DocHook.refreshLists();
    Doc.undoAvailable = 0;
    if (DocHook.clearUndo)
        DocHook.clearUndo();
    Doc.selStart = 0;
    Doc.selEnd = DOC_NONE;
    Doc.selectionShown = 0;
    Doc.modified = 0;
    if (DocHook.redraw)
        DocHook.redraw();
    if (DocHook.writeRecent)
        DocHook.writeRecent(f.sampleRate, f.bitsPerSample, f.channels);
    if (DocHook.meterChannels)
        DocHook.meterChannels(f.channels);
    return Doc.storeOpen ? 0 : 1;
}

int docClose(void)
{
    if (!docSaveChangesPrompt())
        return 1;
    tempStoreTeardown(0);
    snprintf(Doc.undoText, sizeof Doc.undoText, "Can't Undo");
    if (DocHook.clearUndo)
        DocHook.clearUndo();
    Doc.undoAvailable = 0;
    if (DocHook.clearInfo)
        DocHook.clearInfo();
    Doc.name[0] = 0;
    docSetTitle("");
    if (DocHook.buttons)
        DocHook.buttons(0, 0, 1);
    Doc.modified = 0;
    resetRanges();
    if (DocHook.redraw)
        DocHook.redraw();
    if (DocHook.analysisRefresh)
        DocHook.analysisRefresh();
    return 0;
}

void docFormatTitle(const char *name, char *out, size_t size)
{
    if (!name || !*name)
        snprintf(out, size, "%s", DOC_PROGRAM);
    else
        snprintf(out, size, "%s - %s", name, DOC_PROGRAM);
}

void docSetTitle(const char *name)
{
    char title[DOC_NAMEMAX + 16];
    docFormatTitle(name, title, sizeof title);
    if (DocHook.setTitle)
        DocHook.setTitle(title);
}

void docChildTitle(const char *own, const char *mainTitle, char *out, size_t size)
{
    /* The program name has a blank of its own, so "after the last blank" would leave
       "Edit": take what follows the last " - " separator instead. */
    const char *tail = NULL;
    for (const char *p = strstr(mainTitle, " - "); p; p = strstr(p + 1, " - "))
        tail = p + 3;
    if (!tail) {
        const char *b = strrchr(mainTitle, ' ');
        tail = b ? b + 1 : mainTitle;
    }
    snprintf(out, size, "%s - %s", own, tail);
}

void docUniqueName(const char *fileName, char *out, size_t size)
{
    if (!out || size == 0)
        return;
    const char *base = fileName ? strrchr(fileName, '\\') : NULL;
    base = base ? base + 1 : (fileName ? fileName : "");
    snprintf(out, size, "%s", base);
    if (!*out || !DocHook.titleInUse)
        return;
    char title[DOC_NAMEMAX + 16];
    docFormatTitle(out, title, sizeof title);
    /* A bound on the counter keeps a misbehaving window list from looping for ever. */
    for (int n = 1; DocHook.titleInUse(title) && n < 100000; n++) {
        snprintf(out, size, "%s;%d", base, n);
        docFormatTitle(out, title, sizeof title);
    }
}
