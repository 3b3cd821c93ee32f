// The play loop: one game on one card set, from the deal to the highscores.
#include "Game.h"

#include "audio/KWOSound.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "graphics/KWOScreen.h"
#include "platform/KWOEvent.h"
#include "platform/KWOInput.h"
#include "platform/KWOTimer.h"

#include <cstdio>
#include <cstring>

namespace
{
enum State : uint8_t
{
    Paused = 1,
    NoCardTurned = 2,
    OneCardTurned = 3,
    PairShown = 4
};

const uint8_t kNoCell = 33;
const int kCounterLeft[3] = {0, 320, 530};
const int kCounterDigits[3] = {2, 3, 1};
// A pair that does not match stays face up this long.
const uint32_t kPairShownMs = 1000;
} // namespace

void Game::DrawCounter(int counter, int value, KWOImage* set)
{
    if (set == nullptr || counter < 0 || counter > 2)
        return;
    char text[16] = "";
    if (value != -1)
        std::snprintf(text, sizeof(text), "%0*d", kCounterDigits[counter], value);
    const LayoutRect& label = m_layout.m_rects[SetLayout::kLabels + counter];
    const int left = kCounterLeft[counter];
    m_screen->TCopyImage(left, 460 - label.h / 2, m_keyColour, set, label.x, label.y, label.w,
                         label.h);
    const LayoutRect& digit = m_layout.m_rects[SetLayout::kDigits];
    for (int k = 0; text[k] != 0; ++k)
    {
        const int d = text[k] >= '0' && text[k] <= '9' ? text[k] - '0' : 0;
        m_screen->TCopyImage(m_digitX[counter] + k * digit.w, m_digitY, m_keyColour, set,
                             digit.x + 30 * d, digit.y, digit.w, digit.h);
    }
    m_screen->Refresh(left, 440, label.w, 40);
}

void Game::Play(KWOImage* set)
{
    // Only 8-bit sets with a palette can be shown on the 8-bit screen and
    // compared with their transparent colour.
    if (set == nullptr || set->Bpp() != 8 || set->Palette() == nullptr)
        return;

    // Preparation.
    m_screen->FadeOut(4);
    const SetLayout::Geometry g = m_layout.Measure(*set);
    m_keyColour = g.key;
    for (int i = 0; i < 3; ++i)
        m_digitX[i] = g.digitX[i];
    m_digitY = g.digitY;
    unsigned char board[Board::kBoardBytes];
    Deal(board);
    unsigned char* const value = board;
    unsigned char* const found = board + Board::kCells;
    DrawBoard(set);
    DealAnimation(set);
    m_screen->ShowCursor(true);

    uint8_t state = Paused;
    uint8_t resume = NoCardTurned;
    uint8_t first = kNoCell, second = kNoCell;
    int pairs = 0;
    uint32_t elapsed = 0, lastTick = 0;
    int shownSeconds = 0;
    unsigned rank = 0;
    const KWOScoreEntry* target = m_scores.m_size > 0 ? &m_scores.m_entries[0] : nullptr;
    uint32_t pauseStart = 0;
    uint8_t blink = 0;
    uint32_t shownTime = 0, shownTick = 0;
    DiscardInput();
    bool quit = m_quit;

    for (;;)
    {
        if (quit)
            break;
        const uint32_t now = KWOTimer::Ticks();
        KWOEvent ev;
        const bool taken = NextEvent(ev);
        if (taken)
        {
            if (m_quit || ev.IsKeyDown(KWOEvent::KeyEscape))
                quit = true;
            else if (IsConfirm(ev))
            {
                if (state == Paused)
                {
                    state = resume;
                    lastTick = now;
                }
                else
                {
                    resume = state;
                    state = Paused;
                    pauseStart = now;
                    blink = 1;
                }
            }
            else if (ev.Type() == KWOEvent::TypeButtonDown && state != Paused &&
                     ev.Y() < Board::kBarTop)
            {
                const int cell = Board::CellAt(ev.X(), ev.Y());
                if (cell >= 0 && !found[cell])
                {
                    if (state == NoCardTurned)
                    {
                        DrawCard(set, cell, value[cell]);
                        first = static_cast<uint8_t>(cell);
                        state = OneCardTurned;
                    }
                    else if (state == OneCardTurned)
                    {
                        if (cell != first)
                        {
                            DrawCard(set, cell, value[cell]);
                            if (value[cell] == value[first])
                            {
                                found[cell] = found[first] = 1;
                                ++pairs;
                                DrawCounter(0, pairs, set);
                                PlaySfx(m_sndMatch);
                                state = NoCardTurned;
                            }
                            else
                            {
                                second = static_cast<uint8_t>(cell);
                                shownTick = now;
                                state = PairShown;
                            }
                        }
                    }
                    else if (state == PairShown)
                        shownTime = kPairShownMs + 1;
                }
            }
        }

        // Time keeping.
        if (state != Paused)
        {
            elapsed += now - lastTick;
            lastTick = now;
            if (int(elapsed / 1000) > shownSeconds)
            {
                shownSeconds = int(elapsed / 1000);
                DrawCounter(1, shownSeconds, set);
                // A missing entry of a short table counts as beaten.
                while (rank < kTableSize && (target == nullptr || shownSeconds > target->score))
                {
                    ++rank;
                    if (rank < kTableSize)
                    {
                        target = rank < m_scores.m_size ? &m_scores.m_entries[rank] : nullptr;
                        DrawCounter(2, int(rank) + 1, set);
                    }
                    else
                        DrawCounter(2, 0, set);
                }
            }
        }
        else
        {
            const uint8_t phase = static_cast<uint8_t>(((now - pauseStart) / 500) % 2);
            if (phase != blink)
            {
                DrawCounter(1, phase == 0 ? -1 : shownSeconds, set);
                blink = phase;
            }
        }

        if (state == PairShown)
        {
            shownTime += now - shownTick;
            shownTick = now;
            if (shownTime > kPairShownMs)
            {
                DrawCard(set, first, SetLayout::kBack);
                DrawCard(set, second, SetLayout::kBack);
                state = NoCardTurned;
                shownTime = 0;
            }
        }

        if (elapsed / 1000 > uint32_t(kTimeLimit) || pairs == Board::kPairs)
            break;
        // Nothing to do until the next event or the next second: sleep a
        // little instead of asking again at once.
        if (!taken)
            KWOTimer::Delay(kIdleMs);
    }

    // End of the game. A quit request ends it at once: no animation, no
    // highscore screen.
    m_screen->ShowCursor(false);
    if (!m_quit)
        ClearAnimation(set);
    const int seconds = int(elapsed / 1000);
    if (!quit && seconds < kTimeLimit && pairs == Board::kPairs)
    {
        // A short table has room: its missing last row is beaten.
        const bool qualifies =
            m_scores.m_size < kTableSize || seconds < m_scores.m_entries[kTableSize - 1].score;
        if (qualifies)
        {
            PlaySfx(m_sndApplause);
            KWOScoreEntry entry{};
            entry.score = seconds;
            entry.level = 0;
            EnterName(&entry, seconds);
            if (entry.name[0] != 0)
            {
                m_scores.Add(&entry);
                m_scores.Save(kScoreFile, true);
            }
        }
        else
            PlaySfx(m_sndLaugh);
    }
    if (!m_quit)
        ShowHighscores();
}
