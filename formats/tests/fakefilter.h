/*
 * fakefilter.h - in-process file filters for the formats tests.  Each fake is a slot with
 * its own entry points (template instances), a record, the entry points it leaves out and
 * its behaviour; FltOs.load is pointed at a loader that finds fakes by module file name, so
 * the host code runs exactly as with a loaded DLL.  Every call a fake gets is logged.
 *
 * Fake file layout: 4-byte tag, rate u32, bits u16, channels u16, then the samples.
 */
#ifndef ZELO_FAKEFILTER_H
#define ZELO_FAKEFILTER_H

#include "formats/filter.h"
#include "formats/flttable.h"
#include "os/os.h"

#include <set>
#include <stdint.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>

namespace fake {

struct FakeDef {
    std::string module;                  /* file name the loader answers to */
    FltRecord rec{};                     /* what QueryZeloFilter hands back */
    short queryCode = FLT_QUERY_OK;
    std::set<std::string> missing;       /* entry points not exported */
    std::string tag;                     /* the file tag this fake understands */
    bool rateZero = false;               /* the open reports rate, bits and channels as 0 */
    std::string optionsText;             /* FilterOptionsString's text; "" = returns 0 */
    uint32_t fileOptions = 7;            /* FilterOptions */
    uint32_t getOptionsAnswer = 0;       /* FilterGetOptions */
    std::vector<std::pair<int, std::vector<uint8_t>>> items; /* specials offered when reading */
    std::set<int> writes;                /* codes FilterCanWriteSpecial accepts */
    int acceptBits = 0;                  /* nonzero: OpenFilterOutput takes only this sample type */
    int acceptChannels = 0;
    uint32_t acceptRate = 0;
    bool suggest = false;                /* exports a suggestion */
    uint32_t sugRate = 0;
    uint16_t sugBits = 0, sugChannels = 0;
    bool shortWrite = false;             /* WriteFilterOutput stores only half of the first piece */
    uint32_t piece = 1000;               /* piece size asked for */
    bool close2 = false;                 /* exports CloseFilterOutput2 */
    bool closeFails = false;             /* ... and it reports an incomplete file */
    uint16_t storedBits = 0;             /* nonzero: exports FilterStoredType with these */
    uint16_t storedChannels = 0;
    uint16_t storedFloat = 0;
};

inline std::vector<FakeDef> &specs() { static std::vector<FakeDef> s; return s; }
inline std::vector<std::string> &log() { static std::vector<std::string> l; return l; }
inline int &loads() { static int n; return n; }
inline std::vector<std::pair<int, std::vector<uint8_t>>> &written() { static std::vector<std::pair<int, std::vector<uint8_t>>> w; return w; }

struct SlotIo {
    OsFile in = OS_NOFILE, out = OS_NOFILE;
    size_t disp = 0;                     /* DISP items handed out so far */
    uint32_t openOptions = 0, setOptions = 0;
    bool wroteShort = false;
};
inline SlotIo *io() { static SlotIo s[8]; return s; }

inline void note(int n, const std::string &what) { log().push_back(specs()[n].module + ":" + what); }

inline FltRecord makeRecord(const char *name, const char *ext, uint32_t flags, const char *e2 = "")
{
    FltRecord r;
    memset(&r, 0, sizeof r);
    strncpy(r.formatName, name, sizeof r.formatName - 1);
    strncpy(r.progressNote, "Working on it", sizeof r.progressNote - 1);
    r.flags = flags;
    strncpy(r.ext, ext, sizeof r.ext - 1);
    strncpy(r.ext2, e2, sizeof r.ext2 - 1);
    return r;
}

inline bool fileHasTag(const char *name, const std::string &tag)
{
    OsFile f = osOpen(name, OS_READ);
    if (f == OS_NOFILE)
        return false;
    char t[4] = {0};
    long n = osRead(f, t, 4);
    osClose(f);
    return n == 4 && tag.size() == 4 && memcmp(t, tag.data(), 4) == 0;
}

template <int N> short ZELOAPI Query(FltRecord *r)
{
    note(N, "Query");
    memcpy(r, &specs()[N].rec, FLT_QUERY_BYTES);
    return specs()[N].queryCode;
}
template <int N> short ZELOAPI Understands(const char *name)
{
    note(N, "Understands");
    return fileHasTag(name, specs()[N].tag) ? 1 : 0;
}
template <int N> FltHandle openImpl(const char *name, uint32_t *rate, uint16_t *bits, uint16_t *ch, uint32_t *piece)
{
    OsFile f = osOpen(name, OS_READ);
    if (f == OS_NOFILE)
        return 0;
    uint8_t h[12];
    if (osRead(f, h, 12) != 12) {
        osClose(f);
        return 0;
    }
    io()[N].in = f;
    *rate = specs()[N].rateZero ? 0 : (uint32_t)(h[4] | h[5] << 8 | h[6] << 16 | (uint32_t)h[7] << 24);
    *bits = specs()[N].rateZero ? 0 : (uint16_t)(h[8] | h[9] << 8);
    *ch = specs()[N].rateZero ? 0 : (uint16_t)(h[10] | h[11] << 8);
    *piece = specs()[N].piece;
    io()[N].disp = 0;
    return (FltHandle)(N + 1);
}
template <int N> FltHandle ZELOAPI Open(const char *name, uint32_t *rate, uint16_t *bits, uint16_t *ch, void *owner,
                                        uint32_t *piece)
{
    note(N, "Open");
    return openImpl<N>(name, rate, bits, ch, piece);
}
template <int N> FltHandle ZELOAPI Open2(const char *name, uint32_t *rate, uint16_t *bits, uint16_t *ch, void *owner,
                                         uint32_t *piece, void *module)
{
    note(N, module ? "Open2+instance" : "Open2");
    return openImpl<N>(name, rate, bits, ch, piece);
}
template <int N> uint32_t ZELOAPI GetFileSize(FltHandle h)
{
    int64_t n = osFileSize(io()[N].in);
    return n > 12 ? (uint32_t)(n - 12) : 0;
}
template <int N> uint32_t ZELOAPI Read(FltHandle h, uint8_t *buf, uint32_t n)
{
    long got = osRead(io()[N].in, buf, n);
    return got > 0 ? (uint32_t)got : 0;
}
template <int N> void ZELOAPI CloseIn(FltHandle h)
{
    note(N, "CloseIn");
    osClose(io()[N].in);
    io()[N].in = OS_NOFILE;
}
template <int N> short ZELOAPI OptionsString(FltHandle h, char *text)
{
    if (specs()[N].optionsText.empty())
        return 0;
    strcpy(text, specs()[N].optionsText.c_str());
    return 1;
}
template <int N> uint32_t ZELOAPI GetOptions(void *owner, void *module, uint32_t rate, uint16_t ch, uint16_t bits,
                                             uint32_t current)
{
    note(N, "GetOptions " + std::to_string(rate) + " " + std::to_string(ch) + " " + std::to_string(bits) + " " +
                std::to_string(current));
    return specs()[N].getOptionsAnswer;
}
template <int N> void ZELOAPI SetOptions(FltHandle h, uint32_t options, uint32_t rate, uint16_t ch, uint16_t bits)
{
    note(N, "SetOptions " + std::to_string(options) + " " + std::to_string(rate) + " " + std::to_string(ch) + " " +
                std::to_string(bits));
}
template <int N> uint32_t ZELOAPI CanRead(FltHandle h, int code)
{
    note(N, "CanRead " + std::to_string(code));
    size_t seen = 0;
    for (auto &it : specs()[N].items)
        if (it.first == code) {
            if (code == FLT_DISP && seen++ < io()[N].disp)
                continue;
            return (uint32_t)it.second.size();
        }
    return 0;
}
template <int N> uint32_t ZELOAPI ReadSpecial(FltHandle h, int code, void *buf, uint32_t size)
{
    note(N, "ReadSpecial " + std::to_string(code));
    size_t seen = 0;
    for (auto &it : specs()[N].items)
        if (it.first == code) {
            if (code == FLT_DISP && seen++ < io()[N].disp)
                continue;
            memcpy(buf, it.second.data(), size < it.second.size() ? size : it.second.size());
            if (code == FLT_DISP)
                io()[N].disp++;
            return 1;
        }
    return 0;
}
template <int N> FltHandle ZELOAPI OpenOut(const char *name, uint32_t rate, uint16_t bits, uint16_t ch, uint32_t bytes,
                                           uint32_t *piece, uint32_t options)
{
    note(N, "OpenOut " + std::to_string(rate) + " " + std::to_string(bits) + " " + std::to_string(ch) + " " +
                std::to_string(bytes) + " " + std::to_string(options));
    const FakeDef &s = specs()[N];
    if ((s.acceptBits && s.acceptBits != bits) || (s.acceptChannels && s.acceptChannels != ch) ||
        (s.acceptRate && s.acceptRate != rate))
        return 0;
    OsFile f = osCreate(name);
    if (f == OS_NOFILE)
        return 0;
    uint8_t h[12];
    memcpy(h, s.tag.data(), 4);
    for (int i = 0; i < 4; i++)
        h[4 + i] = (uint8_t)(rate >> (8 * i));
    h[8] = (uint8_t)bits, h[9] = (uint8_t)(bits >> 8), h[10] = (uint8_t)ch, h[11] = (uint8_t)(ch >> 8);
    osWrite(f, h, 12);
    io()[N].out = f;
    io()[N].wroteShort = false;
    *piece = s.piece;
    return (FltHandle)(N + 1);
}
template <int N> uint32_t ZELOAPI Write(FltHandle h, const uint8_t *buf, uint32_t n)
{
    uint32_t put = n;
    if (specs()[N].shortWrite && !io()[N].wroteShort) {
        put = n / 2;
        io()[N].wroteShort = true;
    }
    long w = osWrite(io()[N].out, buf, put);
    return w > 0 ? (uint32_t)w : 0;
}
template <int N> uint32_t ZELOAPI Options(FltHandle h) { return specs()[N].fileOptions; }
template <int N> void ZELOAPI CloseOut(FltHandle h)
{
    note(N, "CloseOut");
    osClose(io()[N].out);
    io()[N].out = OS_NOFILE;
}
template <int N> short ZELOAPI CloseOut2(FltHandle h)
{
    note(N, "CloseOut2");
    osClose(io()[N].out);
    io()[N].out = OS_NOFILE;
    return specs()[N].closeFails ? 0 : 1;
}
template <int N> short ZELOAPI StoredType(FltHandle h, uint16_t *bits, uint16_t *ch, uint16_t *isFloat)
{
    *bits = specs()[N].storedBits;
    *ch = specs()[N].storedChannels;
    *isFloat = specs()[N].storedFloat;
    return 1;
}
template <int N> void ZELOAPI Suggest2(uint32_t *rate, uint16_t *bits, uint16_t *ch, uint32_t options)
{
    note(N, "Suggest2");
    *rate = specs()[N].sugRate;
    *bits = specs()[N].sugBits;
    *ch = specs()[N].sugChannels;
}
template <int N> short ZELOAPI CanWrite(FltHandle h, int code)
{
    note(N, "CanWrite " + std::to_string(code));
    return specs()[N].writes.count(code) ? 1 : 0;
}
template <int N> void ZELOAPI WriteSpecial(FltHandle h, int code, const void *data, uint32_t size)
{
    std::string text;
    if (code < FLT_DISP)
        text = std::string((const char *)data, strnlen((const char *)data, size));
    note(N, "WriteSpecial " + std::to_string(code) + (text.empty() ? "" : " " + text));
    written().push_back({code, std::vector<uint8_t>((const uint8_t *)data, (const uint8_t *)data + size)});
}

template <int N> void fill(FltModule *m)
{
    const FakeDef &s = specs()[N];
    auto has = [&](const char *n) { return s.missing.count(n) == 0; };
    m->instance = (void *)(intptr_t)(N + 1);
    m->QueryZeloFilter = has("QueryZeloFilter") ? Query<N> : nullptr;
    m->FilterUnderstandsFormat = has("FilterUnderstandsFormat") ? Understands<N> : nullptr;
    m->OpenFilterInput = has("OpenFilterInput") ? Open<N> : nullptr;
    m->OpenFilterInput2 = has("OpenFilterInput2") ? Open2<N> : nullptr;
    m->FilterGetFileSize = has("FilterGetFileSize") ? GetFileSize<N> : nullptr;
    m->ReadFilterInput = has("ReadFilterInput") ? Read<N> : nullptr;
    m->CloseFilterInput = has("CloseFilterInput") ? CloseIn<N> : nullptr;
    m->FilterOptionsString = has("FilterOptionsString") ? OptionsString<N> : nullptr;
    m->FilterGetOptions = has("FilterGetOptions") ? GetOptions<N> : nullptr;
    m->FilterSetOptions = has("FilterSetOptions") ? SetOptions<N> : nullptr;
    m->FilterCanReadSpecial = has("FilterCanReadSpecial") ? CanRead<N> : nullptr;
    m->FilterReadSpecial = has("FilterReadSpecial") ? ReadSpecial<N> : nullptr;
    m->OpenFilterOutput = has("OpenFilterOutput") ? OpenOut<N> : nullptr;
    m->WriteFilterOutput = has("WriteFilterOutput") ? Write<N> : nullptr;
    m->FilterOptions = has("FilterOptions") ? Options<N> : nullptr;
    m->CloseFilterOutput = has("CloseFilterOutput") ? CloseOut<N> : nullptr;
    m->GetSuggestedSampleType2 = s.suggest ? Suggest2<N> : nullptr;
    m->FilterCanWriteSpecial = has("FilterCanWriteSpecial") ? CanWrite<N> : nullptr;
    m->FilterWriteSpecial = has("FilterWriteSpecial") ? WriteSpecial<N> : nullptr;
    m->CloseFilterOutput2 = s.close2 ? CloseOut2<N> : nullptr;
    m->FilterStoredType = s.storedBits ? StoredType<N> : nullptr;
}

inline int load(const char *path, FltModule *m, uint32_t *error)
{
    const char *base = path;
    for (const char *p = path; *p; p++)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    static void (*const fills[8])(FltModule *) = {fill<0>, fill<1>, fill<2>, fill<3>,
                                                  fill<4>, fill<5>, fill<6>, fill<7>};
    for (size_t i = 0; i < specs().size() && i < 8; i++)
        if (specs()[i].module == base) {
            memset(m, 0, sizeof *m);
            fills[i](m);
            loads()++;
            *error = 0;
            return 0;
        }
    *error = 2;
    return 1;
}
inline void unload(FltModule *m) { m->instance = nullptr; }

/* Installs the fakes as the loaded filter table directly (no discovery). */
inline void installTable(const std::string &dir)
{
    fltTableRelease();
    snprintf(FltTable.dir, sizeof FltTable.dir, "%s", dir.c_str());
    for (auto &s : specs()) {
        FltRecord r = s.rec;
        strncpy(r.moduleName, s.module.c_str(), sizeof r.moduleName - 1);
        FltTable.rec[FltTable.count++] = r;
    }
}

/* Writes a fake file with the given tag and sample bytes. */
inline void writeFile(const std::string &path, const char *tag, uint32_t rate, uint16_t bits, uint16_t ch,
                      const std::vector<uint8_t> &data)
{
    OsFile f = osCreate(path.c_str());
    uint8_t h[12];
    memcpy(h, tag, 4);
    for (int i = 0; i < 4; i++)
        h[4 + i] = (uint8_t)(rate >> (8 * i));
    h[8] = (uint8_t)bits, h[9] = (uint8_t)(bits >> 8), h[10] = (uint8_t)ch, h[11] = (uint8_t)(ch >> 8);
    osWrite(f, h, 12);
    if (!data.empty())
        osWrite(f, data.data(), (unsigned long)data.size());
    osClose(f);
}

inline std::vector<uint8_t> readFile(const std::string &path)
{
    std::vector<uint8_t> v;
    OsFile f = osOpen(path.c_str(), OS_READ);
    if (f == OS_NOFILE)
        return v;
    int64_t n = osFileSize(f);
    v.resize(n > 0 ? (size_t)n : 0);
    if (n > 0)
        osRead(f, v.data(), (unsigned long)n);
    osClose(f);
    return v;
}

} // namespace fake

#endif
