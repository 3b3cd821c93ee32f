// The pure parts of the board and the card sets: the set layout and its
// measurement, the cells of the board, the deal and the deal orders.
#ifndef DUOMATCH_BOARD_H
#define DUOMATCH_BOARD_H

#include <cstdint>

class KWOImage;

// One source rectangle inside a set picture.
struct LayoutRect
{
    int16_t x;
    int16_t y;
    uint16_t w;
    uint16_t h;
};

// The 23 rectangles of a set picture: 0 the digit strip's first cell, 1..16
// the faces, 17 the board tile, 18 the bar tile, 19 the back, 20..22 the
// counter labels. Digit and label sizes are measured on each set.
class SetLayout
{
public:
    static const int kEntries = 23;
    static const int kDigits = 0;
    static const int kBoardTile = 17;
    static const int kBarTile = 18;
    static const int kBack = 19;
    static const int kLabels = 20;

    LayoutRect m_rects[kEntries];

    SetLayout();

    // What the play loop needs from a measured set.
    struct Geometry
    {
        uint32_t key;      // transparent colour, the pixel at (301, 300)
        int32_t digitX[3]; // first digit of each counter
        int32_t digitY;    // top of the digits
    };
    // Measures the digit and label sizes on `set` (8 bits deep) and stores
    // them in the table; returns the geometry of the bottom bar.
    Geometry Measure(const KWOImage& set);
};

namespace Board
{
const int kColumns = 8;
const int kRows = 4;
const int kCells = 32;
const int kPairs = kCells / 2;
const int kCellW = 80;
const int kCellH = 110;
const int kBarTop = 440;
const int kOrders = 6;
// The board: value of each cell (1..16) in bytes 0..31, found flags in 32..63.
const int kBoardBytes = 64;

// The cell under a mouse position, or -1 below the board.
int CellAt(int x, int y);
// Top-left corner of a cell on the screen.
void CellOrigin(int cell, int& x, int& y);
// Clears the board and shuffles the 16 pairs into it with the library's
// generator (which the caller seeds).
void DealValues(unsigned char* board);
// A deal order, 0..5, drawn from the library's generator.
int ChooseOrder();
// The cell visited at step 0..31 of a deal order.
int OrderCell(int order, int step);
// When `fileName` names a card set ("x.set", any case), the length of its
// name without the extension; 0 otherwise.
unsigned SetNameLength(const char* fileName);
} // namespace Board

#endif
