// Card sets and the board: the set layout, the deal, the set chooser and the
// drawing of cards and tiles.
#include "Game.h"

#include "core/KWOMath.h"
#include "core/KWOString.h"
#include "core/KWOText.h"
#include "files/KWODir.h"
#include "files/KWOResMgr.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOScreen.h"
#include "platform/KWOEvent.h"
#include "platform/KWOFileUtils.h"
#include "platform/KWOInput.h"
#include "platform/KWOTimer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
const LayoutRect kDefaultLayout[SetLayout::kEntries] = {
    {0, 300, 30, 40},    {0, 0, 70, 100},     {70, 0, 70, 100},    {140, 0, 70, 100},
    {210, 0, 70, 100},   {280, 0, 70, 100},   {350, 0, 70, 100},   {0, 100, 70, 100},
    {70, 100, 70, 100},  {140, 100, 70, 100}, {210, 100, 70, 100}, {280, 100, 70, 100},
    {0, 200, 70, 100},   {70, 200, 70, 100},  {140, 200, 70, 100}, {210, 200, 70, 100},
    {280, 200, 70, 100}, {350, 200, 80, 110}, {302, 300, 40, 40},  {350, 100, 70, 100},
    {0, 341, 140, 40},   {141, 341, 170, 40}, {312, 341, 110, 40},
};

const int kCounterBase[3] = {0, 320, 530};
const int kCounterDigits[3] = {2, 3, 1};

// Text colours of the set chooser's rows.
const unsigned kRowColours[4] = {0, 59, 17, 1};
const unsigned kSelectedColours[4] = {58, 76, 17, 1};
const unsigned kBarColour = 58;
// Rows of the set chooser's list; the selected set is in the middle one.
const int kListRows = 5;
// Pause between two cards of the deal and clearing animations.
const unsigned kAnimationMs = 20;

// Set names in alphabetical order without regard to case; names that differ
// only in case keep one fixed order, whatever the order of the listing.
bool SetNameBefore(const std::string& a, const std::string& b)
{
    const int folded = KWOString(a.c_str()).Compare(b.c_str(), false);
    return folded != 0 ? folded < 0 : a < b;
}
} // namespace

// ---- layout and board --------------------------------------------------------------

SetLayout::SetLayout()
{
    std::memcpy(m_rects, kDefaultLayout, sizeof(m_rects));
}

SetLayout::Geometry SetLayout::Measure(const KWOImage& set)
{
    Geometry g{};
    g.key = set.GetPixel(301, 300);
    auto firstDown = [&](int x, int y0)
    {
        for (int d = 0; d < 40; ++d)
            if (set.GetPixel(x, y0 + d) == g.key)
                return d;
        return 40;
    };
    int digitW = 30;
    for (int x = 0; x < 30; ++x)
        if (set.GetPixel(x, 340) == g.key)
        {
            digitW = x;
            break;
        }
    const int digitH = firstDown(300, 300);
    m_rects[kDigits].w = static_cast<uint16_t>(digitW);
    m_rects[kDigits].h = static_cast<uint16_t>(digitH);
    m_rects[kLabels].h = static_cast<uint16_t>(firstDown(140, 341));
    m_rects[kLabels + 1].h = static_cast<uint16_t>(firstDown(311, 341));
    m_rects[kLabels + 2].h = static_cast<uint16_t>(firstDown(422, 341));
    g.digitY = 460 - digitH / 2;
    for (int i = 0; i < 3; ++i)
        g.digitX[i] =
            kCounterBase[i] + (int(m_rects[kLabels + i].w) - digitW * kCounterDigits[i]) / 2;
    return g;
}

int Board::CellAt(int x, int y)
{
    if (y >= kBarTop || y < 0 || x < 0 || x >= kColumns * kCellW)
        return -1;
    return (y / kCellH) * kColumns + x / kCellW;
}

void Board::CellOrigin(int cell, int& x, int& y)
{
    x = (cell % kColumns) * kCellW;
    y = (cell / kColumns) * kCellH;
}

void Board::DealValues(unsigned char* board)
{
    std::memset(board, 0, kBoardBytes);
    for (int round = 0; round < 2; ++round)
        for (int v = 1; v <= kPairs; ++v)
        {
            int p;
            do
                p = static_cast<int>(KWO::Randomi() * double(kCells) / 32768);
            while (board[p] != 0);
            board[p] = static_cast<unsigned char>(v);
        }
}

int Board::ChooseOrder()
{
    return static_cast<int>(KWO::Randomi() * 6.0 / 32768);
}

int Board::OrderCell(int order, int step)
{
    int c = 0, r = 0;
    switch (order)
    {
        case 0:
            r = step / 8, c = step % 8;
            break;
        case 1:
            r = step / 8, c = (r & 1) ? 7 - step % 8 : step % 8;
            break;
        case 2:
            r = 3 - step / 8, c = 7 - step % 8;
            break;
        case 3:
            c = step / 4, r = step % 4;
            break;
        case 4:
            c = 7 - step / 4, r = step % 4;
            break;
        default:
        {
            // Clockwise spiral from the top-left corner.
            static const unsigned char kSpiral[kCells][2] = {
                {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0},
                {7, 1}, {7, 2}, {7, 3}, {6, 3}, {5, 3}, {4, 3}, {3, 3}, {2, 3},
                {1, 3}, {0, 3}, {0, 2}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1},
                {5, 1}, {6, 1}, {6, 2}, {5, 2}, {4, 2}, {3, 2}, {2, 2}, {1, 2},
            };
            c = kSpiral[unsigned(step) % kCells][0], r = kSpiral[unsigned(step) % kCells][1];
            break;
        }
    }
    return r * kColumns + c;
}

unsigned Board::SetNameLength(const char* fileName)
{
    const char* ext = KWOFileUtils::FileExtension(fileName);
    if (ext == nullptr)
        return 0;
    const char* set = "set";
    for (int i = 0; i < 4; ++i)
    {
        char a = ext[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (a != set[i])
            return 0;
    }
    return static_cast<unsigned>(ext - 1 - fileName);
}

// ---- the game's use of them --------------------------------------------------------

void Game::CollectSets()
{
    // Only regular files are sets (a folder named X.set is not one), listed
    // in alphabetical order so that the chooser always shows them alike.
    const unsigned n = m_dir->NbFiles();
    std::vector<std::pair<std::string, std::string>> sets; // name, file
    for (unsigned i = 0; i < n; ++i)
    {
        const char* file = m_dir->FileName(i);
        const unsigned len = file && m_dir->IsFile(i) ? Board::SetNameLength(file) : 0;
        if (len > 0)
            sets.emplace_back(std::string(file, len), file);
    }
    std::sort(sets.begin(), sets.end(),
              [](const auto& a, const auto& b) { return SetNameBefore(a.first, b.first); });
    m_setNames = new KWOText(n > 0 ? n : 1);
    m_setFiles.clear();
    unsigned count = 0;
    for (const auto& set : sets)
    {
        m_setNames->SetString(count++, set.first.c_str());
        m_setFiles.push_back(set.second);
    }
    KWO::LOG("%d sets found\n", static_cast<int>(count));
    if (count == 0)
        Fatal("No set of cards found !");
}

void Game::Deal(unsigned char* board)
{
    KWO::RandomInit(0);
    Board::DealValues(board);
}

void Game::DrawCard(KWOImage* set, int cell, int entry)
{
    int x, y;
    Board::CellOrigin(cell, x, y);
    const LayoutRect& r = m_layout.m_rects[entry];
    m_screen->TCopyImage(x + 5, y + 5, m_keyColour, set, r.x, r.y, r.w, r.h);
    m_screen->Refresh(x + 5, y + 5, 70, 100);
}

void Game::DrawBoard(KWOImage* set)
{
    const LayoutRect& tile = m_layout.m_rects[SetLayout::kBoardTile];
    for (int y = 0; tile.h > 0 && y < Board::kBarTop; y += tile.h)
        for (int x = 0; tile.w > 0 && x < kScreenW; x += tile.w)
            m_screen->CopyImage(x, y, set, tile.x, tile.y, tile.w, tile.h);
    const LayoutRect& bar = m_layout.m_rects[SetLayout::kBarTile];
    for (int x = 0; bar.w > 0 && x < kScreenW; x += bar.w)
        m_screen->CopyImage(x, Board::kBarTop, set, bar.x, bar.y, bar.w, bar.h);
    DrawCounter(0, 0, set);
    DrawCounter(1, 0, set);
    DrawCounter(2, 1, set);
    m_screen->CopyImage(540, 445, set, 64, 400, 22, 30);
    PushScreen();
    m_screen->FadeIn(set->Palette(), 4);
}

void Game::DealAnimation(KWOImage* set)
{
    const int order = Board::ChooseOrder();
    for (int step = 0; step < Board::kCells && !QuitPending(); ++step)
    {
        DrawCard(set, Board::OrderCell(order, step), SetLayout::kBack);
        KWOTimer::Delay(kAnimationMs);
    }
}

void Game::ClearAnimation(KWOImage* set)
{
    const int order = Board::ChooseOrder();
    const LayoutRect& tile = m_layout.m_rects[SetLayout::kBoardTile];
    for (int step = 0; step < Board::kCells && !QuitPending(); ++step)
    {
        int x, y;
        Board::CellOrigin(Board::OrderCell(order, step), x, y);
        m_screen->CopyImage(x, y, set, tile.x, tile.y, Board::kCellW, Board::kCellH);
        m_screen->Refresh(x, y, Board::kCellW, Board::kCellH);
        KWOTimer::Delay(kAnimationMs);
    }
}

void Game::DrawSetList(unsigned selected)
{
    const unsigned n = m_setNames->Length();
    const int h = LineHeight();
    for (int k = 0; k < kListRows; ++k)
    {
        const long index = long(selected) - kListRows / 2 + k;
        if (index < 0 || index >= long(n) || h <= 0)
            continue;
        const char* name = m_setNames->m_lines[index];
        if (name == nullptr)
            continue;
        const int w = int(m_font->TextWidth(name));
        if (w <= 0)
            continue;
        const bool isSelected = k == kListRows / 2;
        const unsigned* colours = isSelected ? kSelectedColours : kRowColours;
        KWOImage text(unsigned(w), unsigned(h), 8u);
        text.Rectangle(0, 0, unsigned(w), unsigned(h), colours[0]);
        KWOFont::FontParams params{
            m_font, KWOFont::AlignTop, {colours[0], colours[1], colours[2], colours[3]}};
        text.DrawTextEx(0, 0, name, params);
        m_screen->CopyImage((kScreenW - w) / 2, 130 + 60 * k, &text, 0, 0, unsigned(w),
                            unsigned(h));
    }
}

void Game::ChooseSet()
{
    const unsigned n = m_setNames->Length();
    m_screen->FadeOut(4);
    m_screen->Rectangle(66, 66, 508, 348, 0);
    m_screen->Rectangle(70, 40, 500, 30, 0);
    const int title = m_lang == 'f' ? 13 : 6;
    DrawSprite(title, kScreenW / 2 - SpriteWidth(title) / 2, 50);
    DrawSprite(16, 50, 255);
    DrawSprite(17, 550, 255);
    m_screen->Rectangle(100, 245, 440, 50, kBarColour);
    m_screen->SetClipping(100, 130, 540, 450);
    unsigned s = 0;
    DrawSetList(s);
    PushScreen();
    m_screen->FadeIn(m_menu->Palette(), 8);
    DiscardInput();

    bool play = false;
    KWOEvent ev;
    while (!m_quit && NextEvent(ev, true))
    {
        if (m_quit || ev.IsKeyDown(KWOEvent::KeyEscape))
            break;
        if (IsConfirm(ev))
        {
            PlaySfx(m_sndClick);
            play = true;
            break;
        }
        if (ev.IsKeyDown('r'))
        {
            play = true;
            break;
        }
        const unsigned old = s;
        if (ev.IsKeyDown(KWOEvent::KeyDown) || ev.IsKeyDown(KWOEvent::KeyRight))
            s = s + 1 < n ? s + 1 : 0;
        else if (ev.IsKeyDown(KWOEvent::KeyUp) || ev.IsKeyDown(KWOEvent::KeyLeft))
            s = s > 0 ? s - 1 : (n > 0 ? n - 1 : 0);
        if (s != old)
        {
            m_screen->Rectangle(100, 130, 440, 300, 0);
            m_screen->Rectangle(100, 245, 440, 50, kBarColour);
            DrawSetList(s);
            m_screen->Refresh(100, 130, 440, 300);
        }
    }
    m_screen->StopClipping();

    if (!play || s >= m_setFiles.size())
        return;
    KWOImage* set = static_cast<KWOImage*>(
        m_resMgr->Load(KWOResMgr::TypePicture, m_setFiles[s].c_str(), 0, true));
    if (set == nullptr)
        return;
    Play(set);
    m_resMgr->Release(set);
}
