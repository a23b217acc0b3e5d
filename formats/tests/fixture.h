/*
 * fixture.h - the common set-up of the formats tests: fresh settings, no filters, fakes
 * loaded through FltOs, a sample store in the test's folder, and every hook cleared.
 */
#ifndef ZELO_FORMATS_FIXTURE_H
#define ZELO_FORMATS_FIXTURE_H

#include "fakefilter.h"
#include "memprofile.h"

#include "formats/fio.h"
#include "formats/info.h"
#include "store/blockfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <algorithm>

class FormatsTest : public ::testing::Test {
protected:
    FltPlatform savedOs;
    void SetUp() override
    {
        memProfileReset();
        fake::specs().clear();
        fake::log().clear();
        fake::loads() = 0;
        fake::written().clear();
        savedOs = FltOs;
        FltOs.load = fake::load;
        FltOs.unload = fake::unload;
        FltOs.extensionsChanged = nullptr;
        FilterHook = FilterHooks();
        FioHook = FioHooks();
        FioHook.newStore = newStore;
        Fio.saveType = -1;
        Fio.options = 1;
        Fio.rate = 0;
        memset(&FilterOpts, 0, sizeof FilterOpts);
        infoClear();
        filterExtraClear();
        fltTableRelease();
        osFaultReset();
        /* A message no test expected would otherwise be a real box that nobody closes. */
        osSetMessageHook(unexpectedMessage);
    }
    static int unexpectedMessage(const char *text, const char *caption, unsigned style)
    {
        ADD_FAILURE() << "unexpected message \"" << text << "\" (" << caption << ")";
        return OS_IDNO;
    }
    void TearDown() override
    {
        filterCloseInput();
        filterCloseOutput();
        bclose();
        infoClear();
        filterExtraClear();
        fltTableRelease();
        FltOs = savedOs;
        osFaultReset();
        osSetMessageHook(nullptr);
    }
    static int newStore(const FioFormat *f)
    {
        if (bopen(zt::tempPath("store.tmp").c_str()) != 0)
            return 1;
        vocSetFormat(f->channels, f->bits, 0);
        return 0;
    }
    /* A store holding these bytes as the open waveform. */
    static void makeWave(uint32_t rate, uint16_t bits, uint16_t ch, const std::vector<uint8_t> &data)
    {
        FioFormat f = {rate, bits, ch};
        ASSERT_EQ(0, newStore(&f));
        Fio.rate = rate;
        if (!data.empty()) {
            ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
        }
    }
    static std::vector<uint8_t> storeBytes()
    {
        std::vector<uint8_t> v(Wave.dataLength);
        if (!v.empty())
            vocRead(v.data(), 0, (uint32_t)v.size());
        return v;
    }
    static std::vector<uint8_t> ramp(size_t n)
    {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; i++)
            v[i] = (uint8_t)(i * 7 + i / 251);
        return v;
    }
    /* A fake that reads and writes files tagged tag. */
    static fake::FakeDef &addFake(const char *module, const char *name, const char *ext, uint32_t flags, const char *tag)
    {
        fake::FakeDef s;
        s.module = module;
        s.rec = fake::makeRecord(name, ext, flags);
        s.tag = tag;
        fake::specs().push_back(s);
        return fake::specs().back();
    }
    static std::vector<std::string> logOf(const std::string &prefix)
    {
        std::vector<std::string> v;
        for (auto &l : fake::log())
            if (l.find(prefix) != std::string::npos)
                v.push_back(l);
        return v;
    }
};

#endif
