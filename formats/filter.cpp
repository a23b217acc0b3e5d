/*
 * filter.cpp - the file-filter host: module loading for one job, probing, the input side
 * (open, raw parameters, pieces, special items) and the output side.
 *
 * Writes FilterIn, FilterOut, FilterOpts, FilterExtra, the INFO list (reading specials) and
 * the profile keys "File Options"/"Filter%d" and [Recent] Raw*.  Invariants: a module is
 * loaded only between an open and its close (or within one probe / options call); the input
 * keeps its settled raw parameters until filterCloseInput; sizes that a filter reports are
 * clamped before anything is allocated from them.
 */
#include "formats/filter.h"

#include "formats/info.h"
#include "os/os.h"
#include "core/profile.h"

#include <stdio.h>
#include <string.h>

FilterInState FilterIn = {{}, -1, 0, 0, 0, 0, 1, 0, 0, 0, NULL, 0, 0, {0}, 0, {}, 0, 0, 0};
FilterOutState FilterOut = {{}, -1, 0, 0, 0};
FilterOptsState FilterOpts;
FilterExtraState FilterExtra;
FilterHooks FilterHook;

static void modulePath(char *out, size_t n, const FltRecord *r)
{
    char name[sizeof r->moduleName + 1];
    fltField(name, r->moduleName, sizeof r->moduleName);
#if defined(_WIN32)
    snprintf(out, n, "%s\\%s", FltTable.dir, name);
#else
    snprintf(out, n, "%s/%s", FltTable.dir, name);
#endif
}

static void moduleMessage(int index, const char *caption, unsigned icon)
{
    char name[sizeof FltTable.rec[0].moduleName + 1];
    fltField(name, FltTable.rec[index].moduleName, sizeof FltTable.rec[index].moduleName);
    osMessage(name, caption, OS_MB_OK | icon);
}

int filterLoad(int index, FltModule *m, int report)
{
    memset(m, 0, sizeof *m);
    if (index < 0 || index >= FltTable.count)
        return 1;
    char path[FLT_PATH_MAX * 2];
    modulePath(path, sizeof path, &FltTable.rec[index]);
    uint32_t error = 0;
    if (!FltOs.load || FltOs.load(path, m, &error) != 0 || !m->instance) {
        memset(m, 0, sizeof *m);
        if (report)
            moduleMessage(index, "Cannot Load File Filter", OS_MB_ICONEXCLAMATION);
        return 1;
    }
    return 0;
}

void filterUnload(FltModule *m)
{
    if (m->instance && FltOs.unload)
        FltOs.unload(m);
    memset(m, 0, sizeof *m);
}

int filterCanRead(const FltModule *m)
{
    return m->FilterUnderstandsFormat && (m->OpenFilterInput || m->OpenFilterInput2) && m->CloseFilterInput &&
           m->ReadFilterInput && m->FilterGetFileSize;
}

int filterCanWrite(const FltModule *m)
{
    return m->OpenFilterOutput && m->WriteFilterOutput && m->CloseFilterOutput;
}

static uint32_t clampPiece(uint32_t piece)
{
    if (piece == 0)
        return FILTER_PIECE_DEFAULT;
    return piece > FILTER_PIECE_MAX ? FILTER_PIECE_MAX : piece;
}

static FltHandle openInput(const FltModule *m, const char *name, uint32_t *rate, uint16_t *bits,
                           uint16_t *channels, void *owner, uint32_t *piece, void *instance)
{
    if (m->OpenFilterInput2)
        return m->OpenFilterInput2(name, rate, bits, channels, owner, piece, instance);
    return m->OpenFilterInput(name, rate, bits, channels, owner, piece);
}

/* ---- probing ---- */

/* 0 when filter index reads name; the probe fields filled and everything closed again. */
static int probeOne(int index, const char *name, FltProbe *out)
{
    if (!(FltTable.rec[index].flags & FLT_CANREAD))
        return 1;
    FltModule m;
    if (filterLoad(index, &m, 0) != 0)
        return 1;
    int rc = 1;
    if (filterCanRead(&m) && m.FilterUnderstandsFormat(name) == 1) {
        uint32_t rate = 0, piece = 0;
        uint16_t bits = 0, channels = 0;
        FltHandle h = openInput(&m, name, &rate, &bits, &channels, NULL, &piece, NULL);
        if (h) {
            char text[FLT_OPTIONS_TEXT_MAX + 16];
            memset(text, 0, sizeof text);
            int haveText = m.FilterOptionsString && m.FilterOptionsString(h, text) != 0;
            text[FLT_OPTIONS_TEXT_MAX - 1] = 0;
            out->index = index;
            fltField(out->formatName, FltTable.rec[index].formatName, sizeof FltTable.rec[index].formatName);
            if (haveText)
                memcpy(out->optionsText, text, sizeof out->optionsText);
            out->rate = rate;
            out->bits = bits;
            out->channels = channels;
            out->bytes = m.FilterGetFileSize(h);
            out->uncertain = (FltTable.rec[index].flags & FLT_UNCERTAIN) && !(haveText && text[0]);
            m.CloseFilterInput(h);
            rc = 0;
        }
    }
    filterUnload(&m);
    return rc;
}

int filterProbe(const char *name, int chosen, FltProbe *out)
{
    memset(out, 0, sizeof *out);
    out->index = -1;
    strcpy(out->formatName, "Unknown");
    if (!name)
        return -1;
    if (chosen >= 0 && chosen < FltTable.count && probeOne(chosen, name, out) == 0)
        return out->index;
    for (int i = 0; i < FltTable.count; i++)
        if (i != chosen && probeOne(i, name, out) == 0)
            return out->index;
    memset(out, 0, sizeof *out);
    out->index = -1;
    strcpy(out->formatName, "Unknown");
    return -1;
}

/* ---- raw parameters ---- */

static long readKey(const char *section, const char *key, long def)
{
    return profileGetInt(section, key, def);
}

void filterReadRaw(const char *section, FltRaw *raw)
{
    raw->rate = (uint32_t)readKey(section, "RawSamplerate", (long)raw->rate);
    raw->bits = (uint16_t)readKey(section, "RawBitsPerSample", raw->bits);
    raw->channels = (uint16_t)readKey(section, "RawChannels", raw->channels);
    raw->byteOrder = (uint32_t)readKey(section, "RawByteOrder", (long)raw->byteOrder);
    raw->compression = (uint32_t)readKey(section, "RawCompression", (long)raw->compression);
}

void filterWriteRaw(const char *section, const FltRaw *raw)
{
    profileSetInt(section, "RawSamplerate", (long)raw->rate);
    profileSetInt(section, "RawBitsPerSample", raw->bits);
    profileSetInt(section, "RawChannels", raw->channels);
    profileSetInt(section, "RawByteOrder", (long)raw->byteOrder);
    profileSetInt(section, "RawCompression", (long)raw->compression);
}

static void sanitizeRaw(FltRaw *r)
{
    if (r->rate == 0)
        r->rate = 44100;
    if (r->bits != 8 && r->bits != 16)
        r->bits = 16;
    if (r->channels != 1 && r->channels != 2)
        r->channels = 2;
}

/* Fills the fields the filter left 0.  Returns 0 settled, 1 cancelled. */
static int settleRaw(const FltRaw *def, void *owner)
{
    FilterInState *in = &FilterIn;
    const FltModule *m = &in->mod;
    int canOptions = m->FilterGetOptions && m->FilterSetOptions;
    if (in->rawSettled) {
        /* The same source again while it is held: no new questions. */
        if (!in->rate)
            in->rate = in->raw.rate;
        if (!in->bits)
            in->bits = in->raw.bits;
        if (!in->channels)
            in->channels = in->raw.channels;
        if (canOptions && in->raw.options)
            m->FilterSetOptions(in->handle, in->raw.options, in->rate, in->channels, in->bits);
        return 0;
    }
    FltRaw r;
    memset(&r, 0, sizeof r);
    if (def) {
        r.rate = def->rate;
        r.bits = def->bits;
        r.channels = def->channels;
    }
    filterReadRaw("Recent", &r);
    sanitizeRaw(&r);
    /* A value the filter did report stays; the dialog sees it as it is. */
    if (in->rate)
        r.rate = in->rate;
    if (in->bits)
        r.bits = in->bits;
    if (in->channels)
        r.channels = in->channels;
    FltRaw batch = r;
    if (FilterHook.batchRaw && FilterHook.batchRaw(&batch)) {
        r = batch;
    } else if (FilterHook.askRaw && FilterHook.askRaw(&r, owner) != 0) {
        return 1;
    }
    sanitizeRaw(&r);
    if (!in->rate)
        in->rate = r.rate;
    if (!in->bits)
        in->bits = r.bits;
    if (!in->channels)
        in->channels = r.channels;
    r.options = 0;
    if (canOptions) {
        uint32_t o = m->FilterGetOptions(owner, m->instance, in->rate, in->channels, in->bits, r.compression);
        /* 0 is the filter dialog's Cancel: the open is abandoned like a cancelled raw dialog. */
        if (o == 0)
            return 1;
        r.options = o;
        r.compression = o;
        m->FilterSetOptions(in->handle, o, in->rate, in->channels, in->bits);
    }
    r.rate = in->rate;
    r.bits = in->bits;
    r.channels = in->channels;
    in->raw = r;
    in->rawSettled = 1;
    filterWriteRaw("Recent", &r);
    return 0;
}

/* ---- input ---- */

static void releaseInput(int keepRaw)
{
    FilterInState *in = &FilterIn;
    if (in->handle && in->mod.CloseFilterInput)
        in->mod.CloseFilterInput(in->handle);
    in->handle = 0;
    osFree(in->piece);
    in->piece = NULL;
    in->pieceHave = in->pieceAt = 0;
    if (!keepRaw) {
        filterUnload(&in->mod);
        in->index = -1;
        in->rawSettled = 0;
        memset(&in->raw, 0, sizeof in->raw);
        in->source[0] = 0;
    }
}

int filterOpenAny(const char *name, int chosen, void *owner, const FltRaw *def)
{
    int first = chosen >= 0 && chosen < FltTable.count ? chosen : -1;
    for (int k = first >= 0 ? -1 : 0; k < FltTable.count; k++) {
        int i = k < 0 ? first : k;
        if ((k >= 0 && i == first) || !(FltTable.rec[i].flags & FLT_CANREAD))
            continue;
        int rc = filterOpenInput(i, name, owner, def, 1);
        if (rc == FILTER_CANCELLED)
            return FILTER_GAVEUP;
        if (rc == FILTER_OPENED)
            return i;
    }
    return FILTER_NONE;
}

int filterOpenInput(int index, const char *name, void *owner, const FltRaw *def, int report)
{
    FilterInState *in = &FilterIn;
    if (!name || index < 0 || index >= FltTable.count)
        return FILTER_NOTMINE;
    int again = in->rawSettled && in->index == index && in->mod.instance && strcmp(in->source, name) == 0;
    releaseInput(again);
    if (!again) {
        if (filterLoad(index, &in->mod, report) != 0)
            return FILTER_NOTMINE;
        if (!filterCanRead(&in->mod)) {
            if (report)
                moduleMessage(index, "File Filter Doesn't Support Reading", OS_MB_ICONINFORMATION);
            filterUnload(&in->mod);
            return FILTER_NOTMINE;
        }
        in->index = index;
        snprintf(in->source, sizeof in->source, "%s", name);
    }
    if (in->mod.FilterUnderstandsFormat(name) != 1) {
        releaseInput(0);
        return FILTER_NOTMINE;
    }
    uint32_t piece = 0;
    in->rate = 0;
    in->bits = in->channels = 0;
    in->handle = openInput(&in->mod, name, &in->rate, &in->bits, &in->channels, owner, &piece, in->mod.instance);
    if (!in->handle) {
        releaseInput(0);
        return FILTER_NOTMINE;
    }
    in->pieceSize = clampPiece(piece);
    if ((in->rate == 0 || in->bits == 0 || in->channels == 0) && settleRaw(def, owner) != 0) {
        releaseInput(0);
        return FILTER_CANCELLED;
    }
    /* The store holds 8 or 16 bits, one or two channels; anything else is read as raw would be. */
    uint16_t reportedBits = in->bits, reportedChannels = in->channels;
    if (in->bits != 8 && in->bits != 16)
        in->bits = 16;
    if (in->channels != 1 && in->channels != 2)
        in->channels = 2;
    in->piece = (uint8_t *)osAlloc(in->pieceSize);
    if (!in->piece) {
        releaseInput(0);
        return FILTER_NOTMINE;
    }
    uint16_t sb = 0, sc = 0, sf = 0;
    if (in->mod.FilterStoredType && in->mod.FilterStoredType(in->handle, &sb, &sc, &sf) && sb && sc) {
        in->storedBits = sb;
        in->storedChannels = sc;
        in->storedFloat = sf ? 1 : 0;
    } else {
        in->storedBits = reportedBits;
        in->storedChannels = reportedChannels;
        in->storedFloat = 0;
    }
    in->bytes = in->remaining = in->mod.FilterGetFileSize(in->handle);
    in->options = in->mod.FilterOptions ? in->mod.FilterOptions(in->handle) : 1;
    return FILTER_OPENED;
}

uint32_t filterRead(void *dst, uint32_t max)
{
    FilterInState *in = &FilterIn;
    if (!in->handle || !in->piece || !dst)
        return 0;
    uint8_t *out = (uint8_t *)dst;
    uint32_t done = 0;
    while (done < max && in->remaining > 0) {
        if (in->pieceAt >= in->pieceHave) {
            uint32_t got = in->mod.ReadFilterInput(in->handle, in->piece, in->pieceSize);
            if (got == 0) {
                in->remaining = 0;
                break;
            }
            /* A filter claiming more than the buffer holds gets no further than the buffer. */
            in->pieceHave = got > in->pieceSize ? in->pieceSize : got;
            in->pieceAt = 0;
        }
        uint32_t n = in->pieceHave - in->pieceAt;
        if (n > max - done)
            n = max - done;
        if (n > in->remaining)
            n = in->remaining;
        memcpy(out + done, in->piece + in->pieceAt, n);
        in->pieceAt += n;
        in->remaining -= n;
        done += n;
    }
    return done;
}

static void extraKeep(int code, const void *data, uint32_t size)
{
    int i = code - FLT_CUEPOINTS;
    osFree(FilterExtra.data[i]);
    FilterExtra.data[i] = NULL;
    FilterExtra.size[i] = 0;
    uint8_t *copy = (uint8_t *)osAlloc(size);
    if (!copy)
        return;
    memcpy(copy, data, size);
    FilterExtra.data[i] = copy;
    FilterExtra.size[i] = size;
}

void filterExtraClear(void)
{
    for (int i = 0; i < 5; i++) {
        osFree(FilterExtra.data[i]);
        FilterExtra.data[i] = NULL;
        FilterExtra.size[i] = 0;
    }
}

/* Reads one item of the given size; returns the buffer (caller frees) or NULL. */
static uint8_t *readItem(int code, uint32_t size)
{
    if (size == 0 || size > FILTER_SPECIAL_MAX)
        return NULL;
    uint8_t *buf = (uint8_t *)osAlloc(size);
    if (!buf)
        return NULL;
    memset(buf, 0, size);
    if (FilterIn.mod.FilterReadSpecial(FilterIn.handle, code, buf, size) == 0) {
        osFree(buf);
        return NULL;
    }
    return buf;
}

void filterReadSpecials(void)
{
    FilterInState *in = &FilterIn;
    const FltModule *m = &in->mod;
    if (!in->handle || !m->FilterCanReadSpecial || !m->FilterReadSpecial)
        return;
    for (int code = FLT_INFO_FIRST; code <= FLT_INFO_LAST; code++) {
        uint32_t size = m->FilterCanReadSpecial(in->handle, code);
        uint8_t *item = readItem(code, size);
        if (item)
            infoAdd(infoIdOfCode(code), item, size);
        osFree(item);
    }
    if (m->FilterCanReadSpecial(in->handle, FLT_DISP)) {
        /* One item per call until the filter says no more; a filter that never does is
           stopped once the list could not take another item anyway. */
        for (int guard = 0; guard < 4 * INFO_MAXITEMS; guard++) {
            uint32_t size = m->FilterCanReadSpecial(in->handle, FLT_DISP);
            uint8_t *item = readItem(FLT_DISP, size);
            if (!item)
                break;
            infoAdd("DISP", item, size);
            osFree(item);
        }
    }
    for (int code = FLT_CUEPOINTS; code <= FLT_PLAYLIST; code++) {
        uint32_t size = m->FilterCanReadSpecial(in->handle, code);
        uint8_t *item = readItem(code, size);
        if (!item)
            continue;
        if (FilterHook.specialRead)
            FilterHook.specialRead(code, item, size);
        else
            extraKeep(code, item, size);
        osFree(item);
    }
}

void filterCloseInput(void)
{
    releaseInput(0);
}

int filterInputReduced(void)
{
    const FilterInState *in = &FilterIn;
    return in->storedFloat || in->storedBits > in->bits || in->storedChannels > in->channels;
}

/* ---- output ---- */

int filterOpenOutput(int index, const char *name, uint32_t rate, uint16_t bits, uint16_t channels,
                     uint32_t bytes, uint32_t options)
{
    filterCloseOutput();
    if (filterLoad(index, &FilterOut.mod, 1) != 0)
        return 2;
    if (!filterCanWrite(&FilterOut.mod)) {
        moduleMessage(index, "File Filter Doesn't Support Saving", OS_MB_ICONINFORMATION);
        filterUnload(&FilterOut.mod);
        return 2;
    }
    FilterOut.index = index;
    return filterReopenOutput(name, rate, bits, channels, bytes, options);
}

int filterReopenOutput(const char *name, uint32_t rate, uint16_t bits, uint16_t channels, uint32_t bytes,
                       uint32_t options)
{
    FltModule *m = &FilterOut.mod;
    if (!m->instance || !m->OpenFilterOutput)
        return 1;
    if (FilterOut.handle) {
        m->CloseFilterOutput(FilterOut.handle);
        FilterOut.handle = 0;
    }
    uint32_t piece = 0;
    FilterOut.shortWrite = 0;
    FilterOut.handle = m->OpenFilterOutput(name, rate, bits, channels, bytes, &piece, options);
    FilterOut.pieceSize = clampPiece(piece);
    return FilterOut.handle ? 0 : 1;
}

int filterSuggest(uint32_t *rate, uint16_t *bits, uint16_t *channels, uint32_t options)
{
    FltModule *m = &FilterOut.mod;
    if (!m->instance || (!m->GetSuggestedSampleType2 && !m->GetSuggestedSampleType))
        return 0;
    uint32_t r = *rate;
    uint16_t b = *bits, c = *channels;
    if (m->GetSuggestedSampleType2)
        m->GetSuggestedSampleType2(&r, &b, &c, options);
    else
        m->GetSuggestedSampleType(&r, &b, &c);
    if (r)
        *rate = r;
    if (b == 8 || b == 16)
        *bits = b;
    if (c == 1 || c == 2)
        *channels = c;
    return 1;
}

int filterWrite(const void *src, uint32_t count)
{
    if (!FilterOut.handle)
        return 1;
    /* A filter reports the bytes it stored; fewer than given means the file is incomplete
       (a full disk), which must not pass for a finished save. */
    uint32_t took = FilterOut.mod.WriteFilterOutput(FilterOut.handle, (const uint8_t *)src, count);
    if (took < count) {
        FilterOut.shortWrite = 1;
        return 1;
    }
    return 0;
}

static int specialData(int code, const void **data, uint32_t *size)
{
    if (FilterHook.specialData)
        return FilterHook.specialData(code, data, size);
    int i = code - FLT_CUEPOINTS;
    if (!FilterExtra.data[i] || !FilterExtra.size[i])
        return 0;
    *data = FilterExtra.data[i];
    *size = FilterExtra.size[i];
    return 1;
}

static void writeCode(int code)
{
    const void *data = NULL;
    uint32_t size = 0;
    if (specialData(code, &data, &size) && size && FilterOut.mod.FilterCanWriteSpecial(FilterOut.handle, code))
        FilterOut.mod.FilterWriteSpecial(FilterOut.handle, code, data, size);
}

void filterWriteSpecials(int wholeWave)
{
    FltModule *m = &FilterOut.mod;
    if (!FilterOut.handle || !m->FilterCanWriteSpecial || !m->FilterWriteSpecial)
        return;
    for (int code = FLT_INFO_FIRST; code <= FLT_DISP; code++) {
        const char *id = infoIdOfCode(code);
        for (int i = 0; i < InfoList.count; i++) {
            const InfoItem *it = &InfoList.item[i];
            if (strcmp(it->id, id) != 0 || it->length == 0)
                continue;
            if (m->FilterCanWriteSpecial(FilterOut.handle, code))
                m->FilterWriteSpecial(FilterOut.handle, code, it->data, it->length);
        }
    }
    const void *cues;
    uint32_t cueBytes;
    if (wholeWave && specialData(FLT_CUEPOINTS, &cues, &cueBytes) && cueBytes) {
        writeCode(FLT_CUEPOINTS);
        writeCode(FLT_CUELENGTHS);
        writeCode(FLT_CUELABELS);
        writeCode(FLT_CUENOTES);
    }
    writeCode(FLT_PLAYLIST);
}

int filterCloseOutput(void)
{
    int rc = 0;
    if (FilterOut.handle) {
        if (FilterOut.mod.CloseFilterOutput2)
            rc = FilterOut.mod.CloseFilterOutput2(FilterOut.handle) ? 0 : 1;
        else if (FilterOut.mod.CloseFilterOutput)
            FilterOut.mod.CloseFilterOutput(FilterOut.handle);
    }
    FilterOut.handle = 0;
    filterUnload(&FilterOut.mod);
    FilterOut.index = -1;
    return rc;
}

/* ---- options ---- */

uint32_t filterOptions(int index)
{
    if (index < 0 || index >= FLT_MAXFILTERS)
        return 1;
    if (!FilterOpts.known[index]) {
        char key[16];
        snprintf(key, sizeof key, "Filter%d", index);
        FilterOpts.value[index] = (uint32_t)profileGetInt("File Options", key, 1);
        FilterOpts.known[index] = 1;
    }
    return FilterOpts.value[index];
}

void filterSetOptionsValue(int index, uint32_t value)
{
    if (index < 0 || index >= FLT_MAXFILTERS)
        return;
    FilterOpts.value[index] = value;
    FilterOpts.known[index] = 1;
    char key[16];
    snprintf(key, sizeof key, "Filter%d", index);
    profileSetInt("File Options", key, (long)value);
}

uint32_t filterChangeOptions(int index, void *owner, uint32_t rate, uint16_t channels, uint16_t bits)
{
    FltModule m;
    if (filterLoad(index, &m, 1) != 0)
        return 0;
    uint32_t answer = 0;
    if (m.FilterGetOptions)
        answer = m.FilterGetOptions(owner, m.instance, rate, channels, bits, filterOptions(index));
    filterUnload(&m);
    if (answer)
        filterSetOptionsValue(index, answer);
    return answer;
}
