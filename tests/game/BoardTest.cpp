// The pure parts of the board: hit test, deal, deal orders, set names and
// the measurement of a set picture.
#include "Board.h"

#include "support/Process.h"
#include "support/TempDir.h"

#include "core/KWOMath.h"
#include "graphics/KWOImage.h"

#include <gtest/gtest.h>

#include <set>

TEST(Board, HitTestCoversWholeCellsAboveTheBar)
{
    EXPECT_EQ(0, Board::CellAt(0, 0));
    EXPECT_EQ(0, Board::CellAt(79, 109));
    EXPECT_EQ(1, Board::CellAt(80, 0));
    EXPECT_EQ(8, Board::CellAt(0, 110));
    EXPECT_EQ(31, Board::CellAt(639, 439));
    EXPECT_EQ(-1, Board::CellAt(0, 440));
    EXPECT_EQ(-1, Board::CellAt(639, 479));
    EXPECT_EQ(-1, Board::CellAt(-1, 0));
    EXPECT_EQ(-1, Board::CellAt(640, 0));
    int x = 0, y = 0;
    Board::CellOrigin(13, x, y);
    EXPECT_EQ(400, x);
    EXPECT_EQ(110, y);
}

TEST(Board, EveryDealHoldsSixteenPairsAndNoFoundCard)
{
    for (unsigned seed = 1; seed <= 50; ++seed)
    {
        KWO::RandomInit(seed);
        unsigned char board[Board::kBoardBytes];
        std::fill(board, board + sizeof(board), 0xAA);
        Board::DealValues(board);
        int count[17] = {};
        for (int i = 0; i < Board::kCells; ++i)
        {
            ASSERT_GE(board[i], 1);
            ASSERT_LE(board[i], 16);
            ++count[board[i]];
            EXPECT_EQ(0, board[Board::kCells + i]);
        }
        for (int v = 1; v <= 16; ++v)
            EXPECT_EQ(2, count[v]) << "value " << v << " seed " << seed;
    }
}

TEST(Board, DealOrdersVisitEveryCellOnce)
{
    for (int order = 0; order < Board::kOrders; ++order)
    {
        std::set<int> cells;
        for (int step = 0; step < Board::kCells; ++step)
            cells.insert(Board::OrderCell(order, step));
        EXPECT_EQ(32u, cells.size()) << "order " << order;
    }
    // Spot checks of the described sequences.
    EXPECT_EQ(15, Board::OrderCell(1, 8));  // row 1 starts at column 7
    EXPECT_EQ(31, Board::OrderCell(2, 0));  // order 0 reversed
    EXPECT_EQ(8, Board::OrderCell(3, 1));   // columns first
    EXPECT_EQ(7, Board::OrderCell(4, 0));   // from column 7
    EXPECT_EQ(15, Board::OrderCell(5, 8));  // spiral: down column 7
    EXPECT_EQ(24, Board::OrderCell(5, 17)); // row 3 ends at column 0
    EXPECT_EQ(17, Board::OrderCell(5, 31)); // row 2 ends at column 1
    for (int k = 0; k < 200; ++k)
    {
        const int o = Board::ChooseOrder();
        EXPECT_GE(o, 0);
        EXPECT_LT(o, Board::kOrders);
    }
}

TEST(Board, SetNamesNeedTheSetExtension)
{
    EXPECT_EQ(7u, Board::SetNameLength("Animals.SET"));
    EXPECT_EQ(6u, Board::SetNameLength("Shapes.set"));
    EXPECT_EQ(3u, Board::SetNameLength("a.b.set"));
    EXPECT_EQ(0u, Board::SetNameLength(".set"));
    EXPECT_EQ(0u, Board::SetNameLength("notes.set.txt"));
    EXPECT_EQ(0u, Board::SetNameLength("set"));
    EXPECT_EQ(0u, Board::SetNameLength("x.sets"));
    EXPECT_EQ(0u, Board::SetNameLength("x.se"));
}

TEST(Board, MeasuringAGeneratedSet)
{
    TempDir dir;
    ASSERT_EQ(0, RunProcess(KWO_BIN_DIR "/mkdata", {dir.Path()}, dir.Path()).status);
    KWOImage set(1u, 1u, 8u);
    ASSERT_TRUE(set.LoadName((dir / "Shapes.set").c_str(), 0));
    SetLayout layout;
    const SetLayout::Geometry g = layout.Measure(set);
    EXPECT_EQ(set.GetPixel(301, 300), g.key);
    EXPECT_EQ(24, layout.m_rects[SetLayout::kDigits].w);
    EXPECT_EQ(32, layout.m_rects[SetLayout::kDigits].h);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(36, layout.m_rects[SetLayout::kLabels + i].h);
    EXPECT_EQ(444, g.digitY);
    EXPECT_EQ(46, g.digitX[0]);
    EXPECT_EQ(369, g.digitX[1]);
    EXPECT_EQ(573, g.digitX[2]);
}

TEST(Board, MeasuringWithoutMarksTakesTheUpperBounds)
{
    KWOImage set(432u, 432u, 8u);
    set.Rectangle(0, 0, 432, 432, 3);
    set.Rectangle(301, 300, 1, 1, 9); // the key appears nowhere else
    SetLayout layout;
    const SetLayout::Geometry g = layout.Measure(set);
    EXPECT_EQ(9u, g.key);
    EXPECT_EQ(30, layout.m_rects[SetLayout::kDigits].w);
    EXPECT_EQ(40, layout.m_rects[SetLayout::kDigits].h);
    EXPECT_EQ(40, layout.m_rects[SetLayout::kLabels].h);
    EXPECT_EQ(440, g.digitY);
    EXPECT_EQ(40, g.digitX[0]);
    EXPECT_EQ(320 + 40, g.digitX[1]);
    EXPECT_EQ(530 + 40, g.digitX[2]);
}
