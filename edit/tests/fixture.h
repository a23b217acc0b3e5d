/*
 * fixture.h - the set-up shared by the editing tests: a private temporary and undo folder, a
 * fresh document and store of a chosen format, the undo stack at a chosen depth, the
 * in-process clipboard, and helpers that put bytes in and read them back.
 */
#ifndef ZELO_EDIT_FIXTURE_H
#define ZELO_EDIT_FIXTURE_H

#include "edit/clipboard.h"
#include "edit/clipwave.h"
#include "edit/dither.h"
#include "edit/edits.h"
#include "edit/editview.h"
#include "edit/paste.h"
#include "edit/undo.h"
#include "core/document.h"
#include "store/blockfile.h"
#include "store/tempfile.h"
#include "store/voc.h"
#include "testutil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

class EditTest : public ::testing::Test {
public:
    std::string dir;
    void SetUp() override
    {
        osFaultReset();
        dir = zt::tempDir();
        tempChooseDirs(dir.c_str(), dir.c_str(), NULL, NULL);
        docInit();
        undoFree();
        UndoStack.recorded = 0;
        editSetup(5, 1, 1, 0);
        ditherReset();
        /* An empty clipboard. */
        clipBegin(1);
        clipAbort();
    }
    void TearDown() override
    {
        undoFree();
        tempStoreTeardown(1);
        osFaultReset();
        EXPECT_EQ(0, undoFiles()) << "undo files left behind";
    }
    /* A fresh waveform holding data, all of it in view, nothing selected. */
    void open(uint16_t channels, uint16_t bits, uint32_t rate, const Bytes &data)
    {
        ASSERT_EQ(0, tempStoreSetup(channels, rate, bits));
        if (!data.empty()) {
            ASSERT_EQ(0, vocAppend(data.data(), (uint32_t)data.size()));
        }
        Doc.viewStart = 0;
        Doc.viewEnd = docFrames() ? docFrames() - 1 : 0;
        Doc.selStart = 0;
        Doc.selEnd = DOC_NONE;
        Doc.selectionShown = 0;
    }
    static Bytes all()
    {
        Bytes b(Wave.dataLength);
        if (!b.empty())
            vocRead(b.data(), 0, (uint32_t)b.size());
        return b;
    }
    static void select(uint32_t first, uint32_t last)
    {
        Doc.selStart = first;
        Doc.selEnd = last;
        Doc.selectionShown = last != DOC_NONE && last >= first ? 0xFFFF : 0;
    }
    int undoFiles()
    {
        int n = 0;
        osListDir(dir.c_str(), "~NDO*.TMP", count, &n);
        return n;
    }
    static int count(const char *, uint32_t, void *ctx) { ++*(int *)ctx; return 1; }
    /* The clipboard's block as bytes ("" when none). */
    static Bytes clip()
    {
        uint8_t *p = NULL;
        uint32_t n = 0;
        if (clipTake(&p, &n) != 0)
            return Bytes();
        Bytes b(p, p + n);
        osFree(p);
        return b;
    }
    static void putClip(const Bytes &b)
    {
        uint8_t *p = clipBegin((uint32_t)b.size());
        ASSERT_TRUE(p != NULL);
        memcpy(p, b.data(), b.size());
        clipCommit();
    }
    static Bytes s16(std::initializer_list<int> v)
    {
        Bytes b;
        for (int x : v) {
            b.push_back((uint8_t)(x & 0xFF));
            b.push_back((uint8_t)((x >> 8) & 0xFF));
        }
        return b;
    }
    static int at16(const Bytes &b, size_t i) { return (int16_t)(b[2 * i] | b[2 * i + 1] << 8); }
    /* A clipboard wave of the given format and samples, with optional extra chunk bytes
       between "fmt " and "data". */
    static Bytes wave(uint16_t tag, uint16_t ch, uint32_t rate, uint16_t bits, const Bytes &data,
                      const Bytes &between = Bytes())
    {
        Bytes b;
        auto p32 = [&](uint32_t v) { for (int i = 0; i < 4; i++) b.push_back((uint8_t)(v >> (8 * i))); };
        auto p16 = [&](uint32_t v) { b.push_back((uint8_t)v); b.push_back((uint8_t)(v >> 8)); };
        auto tag4 = [&](const char *t) { b.insert(b.end(), t, t + 4); };
        tag4("RIFF");
        p32((uint32_t)(36 + between.size() + data.size()));
        tag4("WAVE");
        tag4("fmt ");
        p32(16);
        p16(tag);
        p16(ch);
        p32(rate);
        uint16_t ba = (uint16_t)(ch * bits / 8);
        p32(ba * rate);
        p16(ba);
        p16(bits);
        b.insert(b.end(), between.begin(), between.end());
        tag4("data");
        p32((uint32_t)data.size());
        b.insert(b.end(), data.begin(), data.end());
        return b;
    }
};

#endif
