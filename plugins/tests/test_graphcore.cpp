/* The envelope graphs without windows: the table of 32, mouse editing as arithmetic, the
   value at a position, Clear, Inverse, fitting and the display mapping. */
#include <gtest/gtest.h>

#include "plugins/graphcore.h"

#include <math.h>
#include <string>

namespace {

/* Every test starts from an empty table and leaves one. */
struct GraphTest : ::testing::Test {
    void SetUp() override { freeAll(); }
    void TearDown() override { freeAll(); }
    static void freeAll()
    {
        for (int i = 0; i < GRAPH_MAX; i++)
            graphFree(i);
    }
    /* A 0..1000 graph on a control at (10, 20)-(226, 236): inner 18..218 x 28..228, so one
       pixel is 5 units. */
    static GraphData *make(long y0 = 0, long y1 = 1000)
    {
        int id = graphNew(0, 1000, 0, 1000, y0, y1);
        GraphData *g = graphFind(id);
        g->dialog = (void *)1;
        graphSetArea(g, GraphRect{10, 20, 226, 236});
        return g;
    }
    static int sx(const GraphData *g, long x) { int a, b; graphToScreen(g, x, 0, &a, &b); return a; }
    static int sy(const GraphData *g, long y) { int a, b; graphToScreen(g, 0, y, &a, &b); return b; }
};

/* 1. The table: 32 graphs, then -1; bad ids are refused everywhere. */
TEST_F(GraphTest, TableHoldsThirtyTwoAndRefusesBadIds)
{
    for (int i = 0; i < GRAPH_MAX; i++)
        ASSERT_EQ(i, graphNew(0, 100, 0, 100, 0, 0));
    EXPECT_EQ(-1, graphNew(0, 100, 0, 100, 0, 0));
    EXPECT_EQ(-1, graphDuplicate(3));   /* no room for the copy */
    graphFree(7);
    EXPECT_EQ(7, graphNew(0, 100, 0, 100, 0, 0));
    EXPECT_EQ(nullptr, graphFind(-1));
    EXPECT_EQ(nullptr, graphFind(32));
    EXPECT_EQ(nullptr, graphFind(32767));
    graphFree(32);
    graphFree(-5);
    graphFree(5);
    EXPECT_EQ(-1, graphCopy(5, 6));
    EXPECT_EQ(-1, graphCopy(6, 5));
    EXPECT_EQ(-1, graphCopy(6, 40));
    EXPECT_EQ(0, graphCopy(6, 6));
}

TEST_F(GraphTest, CreateCopyAndDuplicateKeepEveryField)
{
    int a = graphNew(-10, 990, 0, 500, 100, 400);
    GraphData *g = graphFind(a);
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(2, g->count);
    EXPECT_EQ(-10, g->points[0].x);
    EXPECT_EQ(100, g->points[0].y);
    EXPECT_EQ(990, g->points[1].x);
    EXPECT_EQ(400, g->points[1].y);
    g->dialog = (void *)0x1234;
    graphSetArea(g, GraphRect{0, 0, 116, 66});
    graphSetPointAt(g, 2, 995, 5, 1);
    int b = graphDuplicate(a);
    ASSERT_GE(b, 0);
    ASSERT_NE(a, b);
    EXPECT_EQ(0, memcmp(graphFind(a), graphFind(b), sizeof(GraphData)));
    graphClear(graphFind(b));
    EXPECT_EQ(3, graphFind(a)->count);   /* a copy, not a shared record */
    EXPECT_EQ(0, graphCopy(b, a));
    EXPECT_EQ(3, graphFind(b)->count);
    EXPECT_EQ((void *)0x1234, graphFind(b)->dialog);
    EXPECT_EQ(0, memcmp(graphFind(a)->boxes, graphFind(b)->boxes, sizeof g->boxes));
}

/* 2. Value and screen mapping. */
TEST_F(GraphTest, MappingBoxesAndMouse)
{
    GraphData *g = make();
    EXPECT_EQ(18, g->inner.left);
    EXPECT_EQ(228, g->inner.bottom);
    EXPECT_EQ(18, sx(g, 0));
    EXPECT_EQ(218, sx(g, 1000));
    EXPECT_EQ(228, sy(g, 0));
    EXPECT_EQ(28, sy(g, 1000));
    EXPECT_EQ(118, sx(g, 500));
    /* Boxes are centred, 7 x 7. */
    EXPECT_EQ(15, g->boxes[0].left);
    EXPECT_EQ(21, g->boxes[0].right);
    EXPECT_EQ(225, g->boxes[0].top);
    EXPECT_EQ(231, g->boxes[0].bottom);
    /* The mouse is moved 3 pixels right before mapping, then clamped. */
    long x, y;
    graphFromMouse(g, 115, 128, &x, &y);
    EXPECT_EQ(500, x);
    EXPECT_EQ(500, y);
    graphFromMouse(g, -500, 9000, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
    graphFromMouse(g, 9000, -9000, &x, &y);
    EXPECT_EQ(1000, x);
    EXPECT_EQ(1000, y);
    EXPECT_EQ(0, graphHitBox(g, 18, 228));
    EXPECT_EQ(1, graphHitBox(g, 221, 25));
    EXPECT_EQ(-1, graphHitBox(g, 118, 128));
    EXPECT_FALSE(graphIsAway(g, 10 - 36, 20));
    EXPECT_TRUE(graphIsAway(g, 10 - 37, 20));
    EXPECT_TRUE(graphIsAway(g, 100, 236 + 36));
}

/* Points a module stores with any 32-bit value map without overflow, and a range of zero
   width does not divide by zero. */
TEST_F(GraphTest, ExtremeValuesAndEmptyRanges)
{
    GraphData *g = make();
    graphSetPointAt(g, 1, 2147483647L, -2147483647L - 1, 0);
    EXPECT_NO_FATAL_FAILURE(graphUpdateBoxes(g));
    int id = graphNew(5, 5, 7, 7, 7, 7);
    GraphData *f = graphFind(id);
    graphSetArea(f, GraphRect{0, 0, 100, 100});
    long x, y;
    graphFromMouse(f, 50, 50, &x, &y);
    EXPECT_EQ(5, x);
    EXPECT_EQ(7, y);
    EXPECT_EQ(8, sx(f, 5));
    EXPECT_DOUBLE_EQ(7.0, graphValueAt(f, 0.5));
    graphFit(f);
    /* A control smaller than the inset. */
    graphSetArea(f, GraphRect{0, 0, 4, 4});
    graphFromMouse(f, 1, 1, &x, &y);
    EXPECT_EQ(5, x);
}

/* 3. Adding points with the mouse. */
TEST_F(GraphTest, AddInsertsInOrder)
{
    GraphData *g = make();
    EXPECT_EQ(1, graphAddAt(g, 115, 128));          /* (500, 500) */
    EXPECT_EQ(3, g->count);
    EXPECT_EQ(500, g->points[1].x);
    EXPECT_EQ(1000, g->points[2].x);
    EXPECT_EQ(1, graphAddAt(g, 55, 200));           /* (200, 140) goes before it */
    EXPECT_EQ(200, g->points[1].x);
    EXPECT_EQ(140, g->points[1].y);
    EXPECT_EQ(500, g->points[2].x);
    for (int i = 0; i < g->count; i++) {
        int cx = (g->boxes[i].left + g->boxes[i].right) / 2;
        EXPECT_EQ(sx(g, g->points[i].x), cx) << i;
        if (i) {
            EXPECT_LT(g->points[i - 1].x, g->points[i].x);
        }
    }
}

TEST_F(GraphTest, AddAtAnExistingXIsRefused)
{
    GraphData *g = make();
    ASSERT_EQ(1, graphAddAt(g, 115, 128));
    /* The same x, another height: the new point would not lie left of the box. */
    EXPECT_EQ(GRAPH_ADD_REFUSED, graphAddAt(g, 115, 60));
    EXPECT_EQ(GRAPH_ADD_REFUSED, graphAddAt(g, 115, 200));
    /* At the very left (x min) there is no point before. */
    EXPECT_EQ(GRAPH_ADD_REFUSED, graphAddAt(g, 0, 60));
    EXPECT_EQ(3, g->count);
}

TEST_F(GraphTest, MouseStopsAtSixtyNinePointsSetPointFillsTheSeventieth)
{
    GraphData *g = make();
    for (int i = 0; i < 69; i++)
        ASSERT_EQ(0, graphSetPointAt(g, i, i * 10, 0, 1));
    EXPECT_EQ(69, g->count);
    EXPECT_EQ(GRAPH_ADD_FULL, graphAddAt(g, 200, 128));
    EXPECT_EQ(69, g->count);
    EXPECT_EQ(0, graphSetPointAt(g, 69, 1000, 5, 1));
    EXPECT_EQ(70, g->count);
    EXPECT_EQ(GRAPH_ADD_FULL, graphAddAt(g, 200, 128));
    /* Indices beyond the 70 slots are refused and nothing moves. */
    EXPECT_EQ(-1, graphSetPointAt(g, 70, 1, 1, 1));
    EXPECT_EQ(-1, graphSetPointAt(g, -1, 1, 1, 1));
    EXPECT_EQ(70, g->count);
    EXPECT_EQ(-1, graphDragTo(g, 70, 0, 0));
    EXPECT_EQ(-1, graphDeletePoint(g, 70));
    EXPECT_EQ(-1, graphDeletePoint(g, -1));
}

/* 4. Dragging. */
TEST_F(GraphTest, DraggingAnEndpointMovesOnlyItsHeight)
{
    GraphData *g = make();
    ASSERT_EQ(1, graphAddAt(g, 115, 128));
    EXPECT_EQ(1, graphDragTo(g, 0, 150, 78));
    EXPECT_EQ(0, g->points[0].x);
    EXPECT_EQ(750, g->points[0].y);
    EXPECT_EQ(1, graphDragTo(g, 2, -3000, 5000));    /* far outside: kept */
    EXPECT_EQ(3, g->count);
    EXPECT_EQ(1000, g->points[2].x);
    EXPECT_EQ(0, g->points[2].y);
}

TEST_F(GraphTest, DraggingAnInteriorPointAwayDeletesIt)
{
    GraphData *g = make();
    ASSERT_EQ(1, graphAddAt(g, 115, 128));
    EXPECT_EQ(1, graphDragTo(g, 1, 226 + 35, 128));  /* within the margin: kept, x limited */
    EXPECT_EQ(999, g->points[1].x);
    EXPECT_EQ(1, graphDragTo(g, 1, -20, 128));
    EXPECT_EQ(1, g->points[1].x);
    EXPECT_EQ(0, graphDragTo(g, 1, 226 + 37, 128));
    EXPECT_EQ(2, g->count);
    EXPECT_EQ(1000, g->points[1].x);
    EXPECT_EQ(sx(g, 1000) - 3, g->boxes[1].left);
}

/* 5. The value at a position. */
TEST_F(GraphTest, ValueAtInterpolates)
{
    GraphData *g = make();
    EXPECT_DOUBLE_EQ(0.0, graphValueAt(g, 0.0));
    EXPECT_DOUBLE_EQ(500.0, graphValueAt(g, 0.5));
    EXPECT_DOUBLE_EQ(1000.0, graphValueAt(g, 1.0));
    EXPECT_DOUBLE_EQ(0.0, graphValueAt(g, 1.5));      /* no segment */
    EXPECT_DOUBLE_EQ(0.0, graphValueAt(g, NAN));
    graphSetPointAt(g, 1, 0, 800, 0);
    graphSetPointAt(g, 2, 400, 200, 1);
    EXPECT_DOUBLE_EQ(400.0, graphValueAt(g, 0.0));     /* equal x: the mean */
    EXPECT_DOUBLE_EQ(500.0, graphValueAt(g, 0.2));
    g->count = 1;
    EXPECT_DOUBLE_EQ(0.0, graphValueAt(g, 0.5));
    g->count = 500;                                     /* damaged: treated as 70 */
    EXPECT_NO_FATAL_FAILURE(graphValueAt(g, 0.9));
    g->count = -3;
    EXPECT_DOUBLE_EQ(0.0, graphValueAt(g, 0.5));
    graphClear(g);
    graphUpdateBoxes(g);
}

/* 6. Inverse. */
TEST_F(GraphTest, InverseNeedsRisingCurveFromOrigin)
{
    GraphData *g = make(1000, 0);
    graphSetPointAt(g, 1, 500, 500, 0);
    graphSetPointAt(g, 2, 1000, 0, 1);
    g->points[0].y = 0;
    g->points[1].y = 600;
    g->points[2].y = 300;                               /* falls at the end */
    EXPECT_EQ(GRAPH_NOT_RISING, graphInverse(g));
    g->points[2].y = 1000;
    g->points[2].x = 999;
    EXPECT_EQ(GRAPH_BAD_ENDPOINTS, graphInverse(g));
    g->points[2].x = 1000;
    g->points[0].y = 1;
    EXPECT_EQ(GRAPH_BAD_ENDPOINTS, graphInverse(g));
    g->points[0].y = 0;
    EXPECT_EQ(GRAPH_INVERTED, graphInverse(g));
    EXPECT_EQ(600, g->points[1].x);
    EXPECT_EQ(500, g->points[1].y);
    EXPECT_EQ(sx(g, 600) - 3, g->boxes[1].left);
    /* Two points: allowed and unchanged. */
    GraphData *h = make(0, 1000);
    EXPECT_EQ(GRAPH_INVERTED, graphInverse(h));
    EXPECT_EQ(1000, h->points[1].y);
    h->count = 0;
    EXPECT_EQ(GRAPH_BAD_ENDPOINTS, graphInverse(h));
}

/* 7. Clear, fitting and the point editor's limits. */
TEST_F(GraphTest, ClearKeepsTheEndpoints)
{
    GraphData *g = make(10, 990);
    graphAddAt(g, 115, 128);
    graphAddAt(g, 55, 200);
    graphClear(g);
    EXPECT_EQ(2, g->count);
    EXPECT_EQ(1000, g->points[1].x);
    EXPECT_EQ(990, g->points[1].y);
    EXPECT_EQ(sx(g, 1000) - 3, g->boxes[1].left);
}

TEST_F(GraphTest, FitStretchesLoadedPoints)
{
    GraphData *g = make();
    graphSetPointAt(g, 0, 0, 1, 0);
    graphSetPointAt(g, 1, 50, 2, 0);
    graphSetPointAt(g, 2, 100, 3, 1);
    graphFit(g);
    EXPECT_EQ(0, g->points[0].x);
    EXPECT_EQ(500, g->points[1].x);
    EXPECT_EQ(1000, g->points[2].x);
    EXPECT_EQ(sx(g, 500) - 3, g->boxes[1].left);
    /* All points at one x: left alone instead of dividing by zero. */
    graphSetPointAt(g, 0, 7, 1, 0);
    graphSetPointAt(g, 1, 7, 1, 1);
    graphFit(g);
    EXPECT_EQ(7, g->points[1].x);
}

TEST_F(GraphTest, EditedPointStaysInRangeAndBetweenNeighbours)
{
    GraphData *g = make();
    graphAddAt(g, 115, 128);
    graphAddAt(g, 55, 200);                      /* x 0, 200, 500, 1000 */
    graphEditPoint(g, 1, 900, 5000);
    EXPECT_EQ(499, g->points[1].x);
    EXPECT_EQ(1000, g->points[1].y);
    graphEditPoint(g, 1, -50, -50);
    EXPECT_EQ(1, g->points[1].x);
    EXPECT_EQ(0, g->points[1].y);
    graphEditPoint(g, 0, 300, 300);
    EXPECT_EQ(0, g->points[0].x);
    EXPECT_EQ(300, g->points[0].y);
    graphEditPoint(g, 3, 10, 20);
    EXPECT_EQ(1000, g->points[3].x);
    EXPECT_EQ(20, g->points[3].y);
    graphEditPoint(g, 4, 10, 20);               /* past the count: nothing */
    EXPECT_EQ(4, g->count);
}

/* 8. The display mapping of the status line and the point editor. */
TEST_F(GraphTest, DisplayScaleOffsetDecibelsAndRounding)
{
    GraphData *g = make();
    g->xScale = 0.01;
    g->xOffset = 1.0;
    g->xRound = 10;
    EXPECT_DOUBLE_EQ(6.0, graphToDisplay(g, 0, 500));
    EXPECT_DOUBLE_EQ(1.1, graphToDisplay(g, 0, 12));   /* 1.12 cut to tenths */
    EXPECT_EQ(500, graphFromDisplay(g, 0, 6.0));
    g->yScale = 0.001;
    g->dbMode = GRAPH_DB_Y;
    EXPECT_NEAR(0.0, graphToDisplay(g, 1, 1000), 1e-12);
    EXPECT_NEAR(-6.0206, graphToDisplay(g, 1, 500), 1e-4);
    EXPECT_NEAR(-96.3296, graphToDisplay(g, 1, 0), 1e-4);  /* the floor at 2^-16 */
    EXPECT_NEAR(-96.3296, graphToDisplay(g, 1, -40), 1e-4);
    EXPECT_EQ(500, graphFromDisplay(g, 1, -6.0206));
    EXPECT_EQ(1000, graphFromDisplay(g, 1, 0.0));
    EXPECT_DOUBLE_EQ(6.0, graphToDisplay(g, 0, 500));      /* x not in dB in mode 16 */
    g->yRound = 10;
    EXPECT_DOUBLE_EQ(-6.0, graphToDisplay(g, 1, 500));     /* toward zero */
    g->dbMode = GRAPH_DB_BOTH;
    g->xRound = 0;
    EXPECT_NEAR(20 * log10(6.0), graphToDisplay(g, 0, 500), 1e-9);
    /* Typed nonsense converts to something in range, never undefined behaviour. */
    EXPECT_EQ(0, graphFromDisplay(g, 0, NAN));
    g->dbMode = 0;
    EXPECT_EQ(2147483647L, graphFromDisplay(g, 1, 1e300));
    EXPECT_EQ(-2147483647L - 1, graphFromDisplay(g, 1, -1e300));
    g->yScale = 0.0;
    EXPECT_EQ(7, graphFromDisplay(g, 1, 7.0));
}

TEST_F(GraphTest, StatusText)
{
    GraphData *g = make();
    strcpy(g->xUnit, "ms");
    strcpy(g->yUnit, "%");
    g->yScale = 0.1;
    char text[80];
    graphStatusText(g, 250, 500, text, sizeof text);
    EXPECT_STREQ("250 ms --> 50 %", text);
    memset(g->xUnit, 'u', sizeof g->xUnit);               /* no terminator */
    graphStatusText(g, 1, 2, text, sizeof text);
    EXPECT_STREQ("1 uuuuuuuuuu --> 0.2 %", text);
    char small[6];
    graphStatusText(g, 250, 500, small, sizeof small);
    EXPECT_STREQ("250 u", small);
}

} // namespace
