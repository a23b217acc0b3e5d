/*
 * test_info.cpp - the INFO list: its limits, the lengths of the items the program makes,
 * and which item a lookup finds.
 */
#include "fixture.h"

#include <string.h>

using InfoTest = FormatsTest;

TEST_F(InfoTest, HoldsTwentyItemsAndRefusesTheTwentyFirst)
{
    for (int i = 0; i < INFO_MAXITEMS; i++)
        ASSERT_EQ(0, infoAddText("ICMT", "comment"));
    EXPECT_EQ(1, infoAddText("ICMT", "one too many"));
    EXPECT_EQ(1, infoAdd("INAM", "x", 2));
    EXPECT_EQ(INFO_MAXITEMS, InfoList.count);
}

TEST_F(InfoTest, RefusesEmptyItemsAndUnknownIds)
{
    EXPECT_EQ(1, infoAdd("ICMT", "abc", 0));
    EXPECT_EQ(1, infoAddText("ICMT", ""));
    EXPECT_EQ(1, infoAddText("IXYZ", "text"));
    EXPECT_EQ(1, infoAddText("ICMTX", "text"));
    EXPECT_EQ(0, InfoList.count);
}

TEST_F(InfoTest, ProgramMadeItemsHaveEvenLengthsWithTheirZero)
{
    ASSERT_EQ(0, infoAddText("INAM", "abc"));     /* 3 + zero = 4 */
    ASSERT_EQ(0, infoAddText("INAM", "abcd"));    /* 4 + zero = 5 -> 6 */
    ASSERT_EQ(0, infoAddDisp(1, "hi"));           /* 4 + 2 + zero = 7 -> 8 */
    EXPECT_EQ(4u, InfoList.item[0].length);
    EXPECT_EQ(6u, InfoList.item[1].length);
    EXPECT_EQ(0, memcmp(InfoList.item[1].data, "abcd\0\0", 6));
    EXPECT_EQ(8u, InfoList.item[2].length);
    EXPECT_EQ(0, memcmp(InfoList.item[2].data, "\1\0\0\0hi\0\0", 8));
    EXPECT_STREQ("DISP", InfoList.item[2].id);
}

TEST_F(InfoTest, ItemsFromAFilterKeepTheirOddLength)
{
    ASSERT_EQ(0, infoAdd("ICMT", "abcd", 5));
    EXPECT_EQ(5u, InfoList.item[0].length);
}

TEST_F(InfoTest, LookupFindsTheFirstMatch)
{
    infoAddText("ICMT", "first");
    infoAddText("INAM", "name");
    infoAddText("ICMT", "second");
    int i = infoFind("ICMT");
    ASSERT_EQ(0, i);
    EXPECT_STREQ("first", (const char *)InfoList.item[i].data);
    EXPECT_EQ(-1, infoFind("IART"));
    infoRemove(0);
    EXPECT_STREQ("second", (const char *)InfoList.item[infoFind("ICMT")].data);
}

TEST_F(InfoTest, EditingToAnEmptyTextRemovesTheItem)
{
    infoAddText("ICMT", "x");
    ASSERT_EQ(0, infoSetText(0, "longer text"));
    EXPECT_EQ(12u, InfoList.item[0].length);
    ASSERT_EQ(0, infoSetText(0, ""));
    EXPECT_EQ(0, InfoList.count);
}

TEST_F(InfoTest, AFailedAllocationLeavesTheListAsItWas)
{
    infoAddText("ICMT", "kept");
    OsFault.allocBudget = 0;
    EXPECT_EQ(1, infoAddText("INAM", "lost"));
    osFaultReset();
    ASSERT_EQ(1, InfoList.count);
    EXPECT_STREQ("kept", (const char *)InfoList.item[0].data);
}
