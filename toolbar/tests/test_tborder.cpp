/*
 * test_tborder.cpp - the toolbar's order list: the three ways it is loaded, what completion
 * adds, names, saving, placing along a width and the settings dialog's list edits.
 */
#include "toolbar/tborder.h"
#include "memini.h"

#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

zt::MemIni mem;
void iniGet(void *, const char *section, const char *key, const char *def, char *out, size_t size)
{
    std::string v = mem.get("zelo.ini", section, key, def);
    snprintf(out, size, "%s", v.c_str());
}
void iniSet(void *, const char *section, const char *key, const char *value) { mem.set("zelo.ini", section, key, value); }
const TbIni kIni = {nullptr, iniGet, iniSet};

/* Two transforms, a generator, a tool and a hidden helper, in registry (name) order. */
const TbTransform kRows[] = {
    {"Amplify", TB_XFM_TRANSFORM}, {"Echo", TB_XFM_TRANSFORM}, {"Helper", TB_XFM_TRANSFORM | TB_XFM_HIDDEN},
    {"Noise", TB_XFM_GENERATE}, {"Statistics", TB_XFM_TOOL},
};
const TbRegistry kReg = {kRows, 5};

struct Fresh {
    Fresh() { mem = zt::MemIni(); order.count = TB_NOTLOADED; }
    TbOrder order;
    std::vector<int> ids() const { return std::vector<int>(order.ids, order.ids + order.count); }
};

int countOf(const TbOrder &o, int id)
{
    int n = 0;
    for (int i = 0; i < o.count; i++)
        n += o.ids[i] == id;
    return n;
}

}  // namespace

/* 1. The table: 33 rows, ids unique, tooltips at 11..36, 45 and 111..115. */
TEST(TbTable, RowsIdsAndTooltips)
{
    EXPECT_EQ(0, TbTable[0].id);
    EXPECT_STREQ("[Space]", TbTable[0].name);
    for (int i = 1; i < TB_ROWS; i++) {
        int want = i <= 26 ? 10 + i : i == 32 ? 45 : 111 + (i - 27);
        EXPECT_EQ(want, TbTable[i].tip) << "row " << i;
        EXPECT_EQ(i, tbRowOf(TbTable[i].id)) << "id " << TbTable[i].id << " is on two rows";
        EXPECT_LT(strlen(TbTable[i].name), 32u);
        EXPECT_LT(strlen(TbTable[i].icon), 12u);
    }
    EXPECT_EQ(-1, tbRowOf(999));
}

/* 2. No toolbar section at all: the default order, saved at once in the new layout. */
TEST(TbLoad, DefaultOrderWhenNothingIsStored)
{
    Fresh f;
    tbLoadOrder(&f.order, &kReg, &kIni);
    std::vector<int> want = {1050, 1100, 138, 114, 1051, 0, 3080, 3140, 3100, 3150, 7000, 7001, 0, 4100, 7003, 0, 7004,
                             148, 6100, 5010, 5030, 5040, 5060, 5050, 113, 137, 136, 0, 102, 2210, 2200, 2050, 2150,
                             2100, 2110, 341, 342, 340, 2211, 312, 0, 0, 0, 0};
    EXPECT_EQ(want, f.ids());
    EXPECT_EQ("1.0", mem.get("zelo.ini", "NewToolbar", "Version"));
    EXPECT_EQ(std::to_string(want.size()), mem.get("zelo.ini", "NewToolbar", "Count"));
    EXPECT_EQ("File New", mem.get("zelo.ini", "NewToolbar", "Item1"));
    EXPECT_EQ("[Space]", mem.get("zelo.ini", "NewToolbar", "Item6"));
    EXPECT_EQ("Amplify", mem.get("zelo.ini", "NewToolbar", "Item11"));
    EXPECT_EQ("Generate Noise", mem.get("zelo.ini", "NewToolbar", "Item15"));
    EXPECT_EQ(0, countOf(f.order, 7002)) << "a hidden transform has no button";
    /* Every table command is there once. */
    for (int i = 1; i < TB_ROWS; i++)
        EXPECT_EQ(1, countOf(f.order, TbTable[i].id)) << TbTable[i].id;
}

/* 3. A saved order comes back as saved; a loaded list is not loaded again. */
TEST(TbLoad, SavedOrderRoundTrip)
{
    Fresh f;
    tbLoadOrder(&f.order, &kReg, &kIni);
    /* Reverse the list and save it. */
    for (int i = 0, j = f.order.count - 1; i < j; i++, j--) {
        uint16_t t = f.order.ids[i];
        f.order.ids[i] = f.order.ids[j];
        f.order.ids[j] = t;
    }
    tbSaveOrder(&f.order, &kReg, &kIni);
    std::vector<int> saved = f.ids();
    int writes = mem.writes;
    TbOrder again;
    again.count = TB_NOTLOADED;
    tbLoadOrder(&again, &kReg, &kIni);
    EXPECT_EQ(saved, std::vector<int>(again.ids, again.ids + again.count));
    EXPECT_EQ(writes, mem.writes) << "an unchanged list is not written again";
    int reads = mem.reads;
    tbLoadOrder(&again, &kReg, &kIni);
    EXPECT_EQ(reads, mem.reads);
}

/* 4. Reading names: case does not matter, unknown names and repeats are dropped, gaps may
   repeat, and completion appends what is missing (and saves). */
TEST(TbLoad, NamesResolvedUnknownDroppedCompleted)
{
    Fresh f;
    mem.set("zelo.ini", "NewToolbar", "Version", "1.0");
    mem.set("zelo.ini", "NewToolbar", "Count", "7");
    const char *items[] = {"edit COPY", "No Such Button", "[space]", "[Space]", "generate noise", "Edit Copy", "Echo"};
    for (int i = 0; i < 7; i++)
        mem.set("zelo.ini", "NewToolbar", ("Item" + std::to_string(i + 1)).c_str(), items[i]);
    tbLoadOrder(&f.order, &kReg, &kIni);
    ASSERT_GE(f.order.count, 5);
    std::vector<int> head(f.order.ids, f.order.ids + 5);
    EXPECT_EQ((std::vector<int>{2050, 0, 0, 7003, 7001}), head);
    EXPECT_EQ(7000, f.order.ids[5]) << "the missing visible transforms come first";
    EXPECT_EQ(7004, f.order.ids[6]);
    EXPECT_EQ(5 + 2 + 31, f.order.count) << "then the 31 table commands not yet there";
    EXPECT_EQ(std::to_string(f.order.count), mem.get("zelo.ini", "NewToolbar", "Count"));
}

/* 5. A new module after the order was saved shows up at the end, and the list is saved. */
TEST(TbLoad, NewTransformAppendedAndSaved)
{
    Fresh f;
    TbRegistry fewer = {kRows, 2};
    tbLoadOrder(&f.order, &fewer, &kIni);
    int before = f.order.count;
    TbOrder again;
    again.count = TB_NOTLOADED;
    tbLoadOrder(&again, &kReg, &kIni);
    ASSERT_EQ(before + 2, again.count);
    EXPECT_EQ(7003, again.ids[before]);
    EXPECT_EQ(7004, again.ids[before + 1]);
    EXPECT_EQ("Statistics", mem.get("zelo.ini", "NewToolbar", "Item" + std::to_string(again.count)));
}

/* 6. The older layout: legacy keys, count - 1 items read, transforms by their plain name;
   the list is then stored in the new layout. */
TEST(TbLoad, LegacyLayout)
{
    Fresh f;
    mem.set("zelo.ini", "Toolbar", "count", "6");
    const char *items[] = {"Open", "blank", "ADDSILENCE", "Amplify", "Noise", "Help"};
    for (int i = 0; i < 6; i++)
        mem.set("zelo.ini", "Toolbar", ("Item" + std::to_string(i + 1)).c_str(), items[i]);
    tbLoadOrder(&f.order, &kReg, &kIni);
    std::vector<int> head(f.order.ids, f.order.ids + 5);
    EXPECT_EQ((std::vector<int>{1100, 0, 4100, 7000, 7003}), head);
    EXPECT_EQ(0, countOf(f.order, 6100) - 1) << "Help (item 6 = count) came only from completion";
    EXPECT_NE(6100, f.order.ids[5]);
    EXPECT_EQ("1.0", mem.get("zelo.ini", "NewToolbar", "Version"));
    EXPECT_EQ("File Open", mem.get("zelo.ini", "NewToolbar", "Item1"));
}

/* 7. Hand-edited nonsense: a zero version, a huge count, a negative count, long names. */
TEST(TbLoad, BadStoredValues)
{
    {
        Fresh f;
        mem.set("zelo.ini", "NewToolbar", "Version", "0");
        mem.set("zelo.ini", "NewToolbar", "Count", "3");
        mem.set("zelo.ini", "NewToolbar", "Item1", "Help");
        tbLoadOrder(&f.order, &kReg, &kIni);
        EXPECT_EQ(1050, f.order.ids[0]) << "version 0: the default order";
    }
    {
        Fresh f;
        mem.set("zelo.ini", "NewToolbar", "Version", "1.0");
        mem.set("zelo.ini", "NewToolbar", "Count", "65535");
        mem.set("zelo.ini", "NewToolbar", "Item1", std::string(500, 'x').c_str());
        mem.set("zelo.ini", "NewToolbar", "Item2", "Help");
        tbLoadOrder(&f.order, &kReg, &kIni);
        EXPECT_EQ(6100, f.order.ids[0]);
        EXPECT_LE(mem.reads, 2 * TB_MAXORDER + 10) << "a huge count does not read forever";
        EXPECT_EQ(1 + 4 + 31, f.order.count);
    }
    {
        Fresh f;
        mem.set("zelo.ini", "Toolbar", "count", "-4");
        tbLoadOrder(&f.order, &kReg, &kIni);
        EXPECT_EQ(1050, f.order.ids[0]);
    }
}

/* 8. Names of entries. */
TEST(TbNames, EntryNames)
{
    char buf[64];
    EXPECT_STREQ("[Space]", tbEntryName(0, &kReg, buf, sizeof buf));
    EXPECT_STREQ("Edit Spectral/Wave View", tbEntryName(2211, &kReg, buf, sizeof buf));
    EXPECT_STREQ("Generate Noise", tbEntryName(7003, &kReg, buf, sizeof buf));
    EXPECT_STREQ("???", tbEntryName(7009, &kReg, buf, sizeof buf));
    EXPECT_STREQ("???", tbEntryName(4242, &kReg, buf, sizeof buf));
    EXPECT_EQ(-1, tbResolveName("Helper", &kReg)) << "hidden transforms are not matched";
    EXPECT_EQ(-1, tbResolveName("Noise", &kReg)) << "a generator is stored with Generate in front";
}

/* 9. Placing: 6 margin, 25 a button, 8 a gap, stop once x passes width - 6. */
TEST(TbLayout, ButtonsAndGapsAlongTheWidth)
{
    TbOrder o;
    o.count = 4;
    uint16_t ids[] = {1050, 0, 1100, 138};
    memcpy(o.ids, ids, sizeof ids);
    TbPlace p[8];
    ASSERT_EQ(4, tbLayout(&o, 1000, p, 8));
    EXPECT_EQ(6, p[0].x);
    EXPECT_EQ(31, p[1].x);
    EXPECT_EQ(39, p[2].x);
    EXPECT_EQ(64, p[3].x);
    EXPECT_EQ(2, tbLayout(&o, 37, p, 8)) << "x = 31 fits width 37, x = 39 does not";
    EXPECT_EQ(1, tbLayout(&o, 20, p, 8));
    EXPECT_EQ(0, tbLayout(&o, 5, p, 8));
    EXPECT_EQ(2, tbLayout(&o, 1000, p, 2)) << "never more than the caller has room for";
    o.count = TB_NOTLOADED;
    EXPECT_EQ(0, tbLayout(&o, 1000, p, 8));
}

/* 10. The dialog's edits: the first run moves, the item it passes goes to its other side,
   ends do nothing; Zap sends the selection to the end in order. */
TEST(TbEdit, MoveUpDownAndZap)
{
    uint16_t ids[] = {1, 2, 3, 4, 5, 6};
    uint8_t sel[] = {0, 0, 1, 1, 0, 1};
    ASSERT_TRUE(tbMoveUp(ids, sel, 6));
    EXPECT_EQ((std::vector<int>{1, 3, 4, 2, 5, 6}), std::vector<int>(ids, ids + 6));
    EXPECT_EQ((std::vector<int>{0, 1, 1, 0, 0, 1}), std::vector<int>(sel, sel + 6));
    ASSERT_TRUE(tbMoveUp(ids, sel, 6));
    EXPECT_FALSE(tbMoveUp(ids, sel, 6)) << "the run is at the top";
    EXPECT_EQ((std::vector<int>{3, 4, 1, 2, 5, 6}), std::vector<int>(ids, ids + 6));
    ASSERT_TRUE(tbMoveDown(ids, sel, 6));
    EXPECT_EQ((std::vector<int>{1, 3, 4, 2, 5, 6}), std::vector<int>(ids, ids + 6));
    uint8_t last[] = {0, 0, 0, 0, 1, 1};
    EXPECT_FALSE(tbMoveDown(ids, last, 6)) << "the run ends at the bottom";
    uint8_t none[6] = {0};
    EXPECT_FALSE(tbMoveUp(ids, none, 6));
    EXPECT_FALSE(tbZap(ids, none, 6));
    uint8_t z[] = {1, 0, 1, 0, 0, 0};
    ASSERT_TRUE(tbZap(ids, z, 6));
    EXPECT_EQ((std::vector<int>{3, 2, 5, 6, 1, 4}), std::vector<int>(ids, ids + 6));
    EXPECT_EQ((std::vector<int>(6, 0)), std::vector<int>(z, z + 6));
}
