/* Presets without their dialog: preset lines, keys, reuse of deleted keys, channel masks,
   and storing and loading the marked settings fields, over an INI held in a map. */
#include <gtest/gtest.h>

#include "plugins/graphcore.h"
#include "plugins/presetcore.h"

#include <map>
#include <stdint.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

struct MapIni {
    std::map<std::string, std::string> keys;   /* "section/key" */
    int reads = 0;
    PresetIni ini{read, write, this};
    static void read(void *self, const char *section, const char *key, std::string *out)
    {
        MapIni *m = (MapIni *)self;
        m->reads++;
        auto it = m->keys.find(std::string(section) + "/" + key);
        *out = it == m->keys.end() ? "" : it->second;
    }
    static void write(void *self, const char *section, const char *key, const char *value)
    {
        ((MapIni *)self)->keys[std::string(section) + "/" + key] = value;
    }
    void set(int n, const std::string &v) { keys["Echo/Item" + std::to_string(n)] = v; }
};

struct Offered {
    std::vector<std::pair<std::string, int>> list;
    static void add(void *ctx, const std::string &name, int key) { ((Offered *)ctx)->list.push_back({name, key}); }
};

/* 1. Lines. */
TEST(PresetLine, NameMaskAndValues)
{
    std::string line = "Big Hall,3,250,none,0.5";
    EXPECT_EQ("Big Hall", presetLineName(line));
    EXPECT_EQ(3, presetLineMask(line));
    std::string v = "poison";
    EXPECT_EQ(0, presetGetValue(line, 0, &v));
    EXPECT_EQ("250", v);
    EXPECT_EQ(1, presetGetValue(line, 1, &v));
    EXPECT_EQ("", v);
    EXPECT_EQ(0, presetGetValue(line, 2, &v));
    EXPECT_EQ("0.5", v);
    EXPECT_EQ(-1, presetGetValue(line, 3, &v));
    EXPECT_EQ(-1, presetGetValue(line, -1, &v));
    EXPECT_EQ(1, presetGetValue("", 0, &v));
    EXPECT_EQ(-1, presetGetValue("NoMask", 0, &v));
    EXPECT_EQ(0, presetLineMask("NoMask"));
    EXPECT_EQ(0, presetLineMask("Bad,x3"));
    EXPECT_EQ(1, presetLineMask("Hand, 1,5"));
    EXPECT_EQ(std::string(28, 'n'), presetLineName(std::string(40, 'n') + ",3"));
    /* Values read back are cut to 28 characters. */
    EXPECT_EQ(0, presetGetValue("a,3," + std::string(40, 'z'), 0, &v));
    EXPECT_EQ(std::string(28, 'z'), v);
}

TEST(PresetLine, NewLineAndReplacingValues)
{
    std::string line = presetNewLine("Soft", 3);
    EXPECT_EQ("Soft,3,none,none,none,none,none,none", line);
    line = presetSetValue(line, 0, "12");
    line = presetSetValue(line, 5, "x");
    EXPECT_EQ("Soft,3,12,none,none,none,none,x", line);
    line = presetSetValue(line, 9, "tail");          /* fewer values: appended */
    EXPECT_EQ("Soft,3,12,none,none,none,none,x,tail", line);
    EXPECT_EQ("Lone,0,7", presetSetValue("Lone", 0, "7"));
    EXPECT_EQ("a,b", presetDecodeText(presetEncodeText("a,b", 255)));
    EXPECT_EQ(std::string("a\x8C" "b"), presetEncodeText("a,b", 255));
    EXPECT_EQ("ab", presetEncodeText("abcdef", 2));
}

/* 2. Keys: reading the list, reusing deleted keys. */
TEST(PresetKeys, ScanOffersByChannelMaskAndStopsAtTheFirstEmptyKey)
{
    MapIni m;
    m.set(1, "Stereo Made,3,1");
    m.set(2, "none");
    m.set(3, "Mono Only,1,5");      /* written by hand */
    m.set(4, "Stereo Only,2,5");
    m.set(5, "Broken,xyz");
    m.set(7, "Beyond The Gap,3");
    Offered mono, stereo;
    EXPECT_EQ(4, presetScan(&m.ini, "Echo", 1, Offered::add, &mono));
    EXPECT_EQ(4, presetScan(&m.ini, "Echo", 2, Offered::add, &stereo));
    ASSERT_EQ(2u, mono.list.size());
    EXPECT_EQ("Stereo Made", mono.list[0].first);
    EXPECT_EQ(1, mono.list[0].second);
    EXPECT_EQ("Mono Only", mono.list[1].first);
    EXPECT_EQ(3, mono.list[1].second);
    ASSERT_EQ(2u, stereo.list.size());
    EXPECT_EQ("Stereo Only", stereo.list[1].first);
    EXPECT_EQ(4, stereo.list[1].second);
    EXPECT_EQ(0, presetScan(&m.ini, "Other", 2, Offered::add, &stereo));
}

TEST(PresetKeys, DeletedKeyIsReusedAndAFullSectionTakesNoMore)
{
    MapIni m;
    m.set(1, "A,3");
    m.set(2, "B,3");
    m.set(3, "C,3");
    EXPECT_EQ(4, presetFreeKey(&m.ini, "Echo"));
    m.set(2, "none");
    EXPECT_EQ(2, presetFreeKey(&m.ini, "Echo"));
    for (int n = 1; n <= 999; n++)
        m.set(n, "P,3");
    EXPECT_EQ(0, presetFreeKey(&m.ini, "Echo"));
    m.reads = 0;
    EXPECT_EQ(999, presetScan(&m.ini, "Echo", 2, nullptr, nullptr));
    EXPECT_EQ(999, m.reads);           /* never beyond Item999 */
}

/* 3. Storing and loading fields. */
#pragma pack(push, 1)
struct Settings {
    int32_t  gain;       /* L */
    uint8_t  mode;       /* C */
    int16_t  taps;       /* I */
    double   mix;        /* D */
    float    feedback;   /* F */
    char     label[256]; /* S */
    int16_t  graph;      /* G */
    uint32_t owned;      /* H */
    int32_t  unstored;   /* B, not marked */
};
#pragma pack(pop)
const char *kLayout = "LCIDFSGHB";
const char *kMask   = "yyyyyyyyn";

struct PresetFields : ::testing::Test {
    void TearDown() override
    {
        for (int i = 0; i < GRAPH_MAX; i++)
            graphFree(i);
    }
    static Settings sample()
    {
        Settings s;
        memset(&s, 0x66, sizeof s);
        s.gain = -70000;
        s.mode = 200;
        s.taps = -12;
        s.mix = 0.25;
        s.feedback = 1.5f;
        strcpy(s.label, "room, wide");
        s.graph = (int16_t)graphNew(0, 1000, 0, 1000, 0, 1000);
        graphSetPointAt(graphFind(s.graph), 1, 300, 700, 0);
        graphSetPointAt(graphFind(s.graph), 2, 1000, 1000, 1);
        s.owned = 0x12345678;
        s.unstored = 99;
        return s;
    }
};

TEST_F(PresetFields, StoreWritesMarkedFieldsInLayoutOrder)
{
    Settings s = sample();
    std::string line = presetStoreFields(presetNewLine("Hall", 3), kLayout, kMask,
                                         (const unsigned char *)&s, sizeof s);
    EXPECT_EQ("Hall,3,-70000,200,-12,0.25,1.5,room\x8C wide,3,0,0,300,700,1000,1000", line);
}

TEST_F(PresetFields, RoundTripRestoresEveryMarkedField)
{
    Settings s = sample();
    std::string line = presetStoreFields(presetNewLine("Hall", 3), kLayout, kMask,
                                         (const unsigned char *)&s, sizeof s);
    Settings t;
    memset(&t, 0, sizeof t);
    t.graph = (int16_t)graphNew(0, 1000, 0, 1000, 5, 5);
    t.owned = 7;
    t.unstored = 8;
    EXPECT_EQ(7, presetLoadFields(line, kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(-70000, +t.gain);
    EXPECT_EQ(200, +t.mode);
    EXPECT_EQ(-12, +t.taps);
    EXPECT_EQ(0.25, +t.mix);
    EXPECT_EQ(1.5f, +t.feedback);
    EXPECT_STREQ("room, wide", t.label);
    EXPECT_EQ(7u, +t.owned);
    EXPECT_EQ(8, +t.unstored);
    GraphData *g = graphFind(t.graph);
    ASSERT_EQ(3, g->count);
    EXPECT_EQ(300, g->points[1].x);
    EXPECT_EQ(700, g->points[1].y);
}

TEST_F(PresetFields, NoneLeavesAFieldAndAMissingValueStops)
{
    Settings t;
    memset(&t, 0, sizeof t);
    t.gain = 1;
    t.mode = 2;
    t.taps = 3;
    t.mix = 4;
    t.graph = -1;
    EXPECT_EQ(1, presetLoadFields("P,3,none,9", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(1, +t.gain);
    EXPECT_EQ(9, +t.mode);
    EXPECT_EQ(3, +t.taps);
    EXPECT_EQ(4.0, +t.mix);
    /* A fresh preset (six "none") changes nothing. */
    EXPECT_EQ(0, presetLoadFields(presetNewLine("P", 3), kLayout, kMask, (unsigned char *)&t, sizeof t));
}

TEST_F(PresetFields, LongTextIsCutToTwentyEight)
{
    Settings s = sample();
    memset(s.label, 'q', 255);
    s.label[255] = 0;
    std::string line = presetStoreFields(presetNewLine("Long", 3), kLayout, kMask,
                                         (const unsigned char *)&s, sizeof s);
    Settings t = sample();
    presetLoadFields(line, kLayout, kMask, (unsigned char *)&t, sizeof t);
    EXPECT_EQ(std::string(28, 'q'), t.label);
}

TEST_F(PresetFields, MalformedValuesLeaveFieldsAndNeverOverrun)
{
    Settings t = sample();
    Settings before = t;
    /* Letters where numbers belong, out-of-range numbers clamped. */
    presetLoadFields("P,3,abc,999,-99999,zz,,", kLayout, kMask, (unsigned char *)&t, sizeof t);
    EXPECT_EQ(+before.gain, +t.gain);
    EXPECT_EQ(255, +t.mode);
    EXPECT_EQ(-32768, +t.taps);
    EXPECT_EQ(+before.mix, +t.mix);
    EXPECT_EQ(+before.feedback, +t.feedback);
    /* A graph count that is not a number ends the walk; a huge one skips its positions. */
    t = sample();
    EXPECT_EQ(6, presetLoadFields("P,3,1,2,3,4,5,s,x,9", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(3, graphFind(t.graph)->count);
    EXPECT_EQ(6, presetLoadFields("P,3,1,2,3,4,5,s,5000,9", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(6, presetLoadFields("P,3,1,2,3,4,5,s,2,0,0", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(6, presetLoadFields("P,3,1,2,3,4,5,s,2,0,0,1000,none", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(3, graphFind(t.graph)->count);
    /* 71 complete points do not fit the 70 slots: the graph is left alone. */
    std::string big = "P,3,1,2,3,4,5,s,71";
    for (int j = 0; j < 71; j++)
        big += "," + std::to_string(j * 10) + ",5";
    EXPECT_EQ(6, presetLoadFields(big, kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(3, graphFind(t.graph)->count);
    EXPECT_EQ(700, graphFind(t.graph)->points[1].y);
    /* Points loaded with another range are stretched to the graph's. */
    EXPECT_EQ(7, presetLoadFields("P,3,1,2,3,4,5,s,3,0,0,5,9,10,20", kLayout, kMask, (unsigned char *)&t, sizeof t));
    EXPECT_EQ(500, graphFind(t.graph)->points[1].x);
    EXPECT_EQ(1000, graphFind(t.graph)->points[2].x);
    /* A block shorter than its layout: the walk stops at its end (ASan checks the rest). */
    std::vector<unsigned char> small(sizeof(int32_t) + 1);
    presetLoadFields("P,3,5,6,7,8", kLayout, kMask, small.data(), small.size());
    EXPECT_EQ(6, small[4]);
    std::string line = presetStoreFields("S,3", kLayout, kMask, small.data(), small.size());
    EXPECT_EQ("S,3,5,6", line);
    /* A mask shorter than the layout marks nothing beyond it; unknown letters are nothing. */
    EXPECT_EQ("S,3,5", presetStoreFields("S,3", "L?C", "y", small.data(), small.size()));
    EXPECT_EQ("S,3,5,6", presetStoreFields("S,3", "L?C", "yYy", small.data(), small.size()));
    /* A graph id that names no graph is stored as "none". */
    Settings u = sample();
    graphFree(u.graph);
    EXPECT_EQ("S,3,-70000,200,-12,0.25,1.5,room\x8C wide,none",
              presetStoreFields("S,3", kLayout, kMask, (const unsigned char *)&u, sizeof u));
}

} // namespace
