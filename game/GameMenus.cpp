// The screens around the game: intro, main menu, highscores and name entry.
#include "Game.h"

#include "app/KWOScore.h"
#include "audio/KWOMixer.h"
#include "files/KWOResMgr.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOPal.h"
#include "graphics/KWOScreen.h"
#include "platform/KWOEvent.h"
#include "platform/KWOInput.h"
#include "platform/KWOTimer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// Sprites of "menu.gif": English 0..6, French 7..13, then the shared ones.
const LayoutRect kSprites[26] = {
    {0, 0, 103, 41},    {0, 46, 174, 40},    {1, 91, 170, 40},    {118, 138, 111, 41},
    {0, 138, 101, 41},  {243, 138, 59, 41},  {0, 184, 305, 40},   {110, 0, 139, 40},
    {0, 46, 174, 40},   {185, 91, 122, 40},  {118, 138, 111, 41}, {180, 46, 193, 41},
    {316, 139, 56, 40}, {318, 184, 244, 40}, {0, 228, 227, 51},   {284, 91, 23, 40},
    {295, 7, 44, 30},   {253, 4, 44, 30},    {434, 0, 66, 66},    {511, 0, 66, 66},
    {511, 74, 66, 66},  {434, 74, 66, 66},   {501, 0, 10, 32},    {500, 109, 10, 31},
    {434, 66, 34, 12},  {542, 66, 35, 12},
};

const int kBounce[9] = {0, 2, 4, 6, 7, 6, 4, 2, 0};
int g_cursorStep = 0;

const unsigned kNameColours[4] = {0, 26, 72, 155};
const unsigned kScoreColours[4] = {0, 13, 1, 25};
const unsigned kEntryColours[4] = {233, 190, 79, 155};
const unsigned kEntryFill = 233;

const unsigned kFrameMs = 40;
const int kMenuItems = 5;
const int kVolumeItem = 2;
const int kVolumeStep = 25;
const int kMaxVolume = 125;

// Waits for the rest of a 40 ms frame.
void EndFrame(uint32_t start)
{
    const uint32_t spent = KWOTimer::Ticks() - start;
    if (spent < kFrameMs)
        KWOTimer::Delay(kFrameMs - spent);
}
} // namespace

// ---- drawing helpers ---------------------------------------------------------------

void Game::PlaySfx(KWOSound* sound)
{
    if (m_sound && m_mixer != nullptr && sound != nullptr)
        m_mixer->PlaySound(sound, KWOMixer::AnyChannel, m_volume, 1, 0);
}

void Game::PushScreen()
{
    m_screen->Refresh(0, 0, m_screen->Width(), m_screen->Height());
}

bool Game::IsConfirm(const KWOEvent& ev)
{
    return ev.IsKeyDown(KWOEvent::KeyReturn) || ev.IsKeyDown(KWOEvent::KeySpace) ||
           ev.IsKeyDown(KWOEvent::KeyKeypadEnter);
}

bool Game::NextEvent(KWOEvent& ev, bool wait)
{
    if (!(wait ? m_input->WaitEvent(&ev) : m_input->PollEvent(&ev)))
        return false;
    if (ev.Type() == KWOEvent::TypeQuit)
        m_quit = true;
    return true;
}

void Game::DiscardInput()
{
    KWOEvent ev;
    while (NextEvent(ev))
    {
    }
}

bool Game::QuitPending()
{
    if (!m_quit && m_input->TakeEvent(KWOEvent::TypeQuit, nullptr))
        m_quit = true;
    return m_quit;
}

void Game::DrawSprite(int index, int x, int y)
{
    const LayoutRect& r = kSprites[index];
    m_screen->CopyImage(x, y, m_menu, r.x, r.y, r.w, r.h);
}

int Game::SpriteWidth(int index) const
{
    return kSprites[index].w;
}

int Game::LineHeight() const
{
    return m_font->Ascent() + m_font->Descent();
}

void Game::DrawTextAt(int x, int y, const char* text, const unsigned colours[4], unsigned fill,
                      bool transparent)
{
    const int w = int(m_font->TextWidth(text));
    const int h = LineHeight();
    if (w <= 0 || h <= 0)
        return;
    KWOImage image(unsigned(w), unsigned(h), 8u);
    image.Rectangle(0, 0, unsigned(w), unsigned(h), fill);
    KWOFont::FontParams params{
        m_font, KWOFont::AlignTop, {colours[0], colours[1], colours[2], colours[3]}};
    image.DrawTextEx(0, 0, text, params);
    if (transparent)
        m_screen->TCopyImage(x, y, fill, &image, 0, 0, unsigned(w), unsigned(h));
    else
        m_screen->CopyImage(x, y, &image, 0, 0, unsigned(w), unsigned(h));
}

// ---- intro -------------------------------------------------------------------------

bool Game::WaitInput(unsigned ms)
{
    const uint32_t start = KWOTimer::Ticks();
    DiscardInput();
    // The event that ends the wait is taken: whatever follows discards the
    // pending input anyway, and a quit request must reach m_quit.
    KWOEvent ev;
    while (!m_quit)
    {
        if (NextEvent(ev))
            return true;
        if (KWOTimer::Ticks() - start >= ms)
            return false;
        KWOTimer::Delay(kIdleMs);
    }
    return true;
}

void Game::Intro()
{
    // A missing intro picture is skipped: the menu follows.
    auto show = [this](const char* name)
    {
        KWOImage* pic =
            static_cast<KWOImage*>(m_resMgr->Load(KWOResMgr::TypePicture, name, 0, true));
        m_screen->BlackOut();
        if (pic == nullptr)
            return false;
        m_screen->CopyImage((kScreenW - int(pic->Width())) / 2, (kScreenH - int(pic->Height())) / 2,
                            pic, 0, 0, pic->Width(), pic->Height());
        PushScreen();
        m_screen->FadeIn(pic->Palette(), 8);
        return true;
    };
    const bool shown = show("kwo2.gif");
    const bool skipped = shown && WaitInput(2000);
    if (m_quit)
        return;
    if (shown)
    {
        m_screen->FadeOut(8);
        m_screen->BlackOut();
    }
    if (skipped)
        return;
    m_resMgr->Release("kwo2.gif");
    if (show("title.gif"))
    {
        WaitInput(2000);
        m_resMgr->Release("title.gif");
        if (m_quit)
            return;
        m_screen->FadeOut(8);
        m_screen->BlackOut();
    }
}

// ---- main menu ---------------------------------------------------------------------

void Game::DrawFrame(int left, int top, int right, int bottom)
{
    const int corner = kSprites[18].w;
    DrawSprite(18, left, top);
    DrawSprite(19, right - corner, top);
    DrawSprite(20, right - corner, bottom - corner);
    DrawSprite(21, left, bottom - corner);
    const int edgeW = kSprites[22].w;
    const int n = (right - left - 2 * corner) / edgeW + 1;
    for (int k = 0; k < n; ++k)
    {
        const int x = left + corner + edgeW * k;
        DrawSprite(22, x, top);
        DrawSprite(23, x, bottom - kSprites[23].h);
    }
    const int edgeH = kSprites[24].h;
    const int m = (bottom - top - 2 * corner) / edgeH;
    for (int k = 0; k < m; ++k)
    {
        const int y = top + corner + edgeH * k;
        DrawSprite(24, left, y);
        DrawSprite(25, right - kSprites[25].w, y);
    }
}

void Game::DrawMenu()
{
    m_screen->BlackOut();
    DrawFrame(0, 0, kScreenW, kScreenH);
    DrawSprite(14, kScreenW / 2 - SpriteWidth(14) / 2, 50);
    const int base = m_lang == 'f' ? 7 : 0;
    for (int i = 0; i < kMenuItems; ++i)
    {
        int w = SpriteWidth(base + i);
        if (i == 3)
            w += SpriteWidth(base + 5) + 10;
        const int x = (kScreenW - w) / 2;
        DrawSprite(base + i, x, 130 + 60 * i);
        if (i == 3)
            DrawSprite(base + 5, x + SpriteWidth(base + 3) + 10, 130 + 60 * i);
    }
    if (m_sound)
        DrawVolume();
    PushScreen();
    m_screen->FadeIn(m_menu->Palette(), 4);
}

void Game::DrawVolume()
{
    const int base = m_lang == 'f' ? 7 : 0;
    const int x = (SpriteWidth(base + kVolumeItem) + kScreenW) / 2 - 23;
    const int y = 250;
    const LayoutRect& r = kSprites[15];
    m_screen->CopyImage(x, y, m_menu, r.x + 23 * (m_volume / kVolumeStep), r.y, r.w, r.h);
    m_screen->Refresh(x, y, 23, 40);
}

void Game::DrawMenuCursor(int item)
{
    const int y = 135 + 60 * item;
    const int d = kBounce[g_cursorStep];
    DrawSprite(16, 100 + d, y);
    m_screen->Refresh(100 + d, y, kSprites[16].w, kSprites[16].h);
    DrawSprite(17, 500 - d, y);
    m_screen->Refresh(500 - d, y, kSprites[17].w, kSprites[17].h);
    g_cursorStep = g_cursorStep >= 8 ? 0 : g_cursorStep + 1;
}

void Game::EraseMenuCursor(int item)
{
    const int y = 135 + 60 * item;
    m_screen->Rectangle(100, y, 51, 30, 0);
    m_screen->Rectangle(493, y, 51, 30, 0);
    m_screen->Refresh(100, y, 51, 30);
    m_screen->Refresh(493, y, 51, 30);
}

void Game::Menu()
{
    bool quit = false;
    int item = 0;
    DrawMenu();
    DrawMenuCursor(0);
    DiscardInput();
    while (!quit && !m_quit)
    {
        const uint32_t start = KWOTimer::Ticks();
        KWOEvent ev;
        if (NextEvent(ev))
        {
            if (m_quit || ev.IsKeyDown(KWOEvent::KeyEscape))
                quit = true;
            else if (ev.IsKeyDown(KWOEvent::KeyUp) || ev.IsKeyDown(KWOEvent::KeyLeft))
            {
                EraseMenuCursor(item);
                item = item == 0 ? kMenuItems - 1 : item - 1;
                DrawMenuCursor(item);
            }
            else if (ev.IsKeyDown(KWOEvent::KeyDown) || ev.IsKeyDown(KWOEvent::KeyRight))
            {
                EraseMenuCursor(item);
                item = item == kMenuItems - 1 ? 0 : item + 1;
                DrawMenuCursor(item);
            }
            else if (ev.IsKeyDown('r'))
                m_scores.Reset(kNoScore);
            else if (IsConfirm(ev))
            {
                if (item != kVolumeItem)
                    PlaySfx(m_sndClick);
                switch (item)
                {
                    case 0:
                    case 1:
                        if (item == 0)
                            ChooseSet();
                        else
                            ShowHighscores();
                        if (m_quit)
                            break;
                        DrawMenu();
                        DrawMenuCursor(item);
                        DiscardInput();
                        break;
                    case kVolumeItem:
                        if (m_sound)
                        {
                            m_volume = m_volume >= kMaxVolume
                                           ? 0
                                           : static_cast<uint8_t>(m_volume + kVolumeStep);
                            PlaySfx(m_sndClick);
                            DrawVolume();
                        }
                        break;
                    case 3:
                        m_lang = m_lang == 'e' ? 'f' : 'e';
                        m_screen->FadeOut(4);
                        DrawMenu();
                        DrawMenuCursor(item);
                        break;
                    default:
                        quit = true;
                        break;
                }
            }
        }
        if (m_quit)
            break;
        DrawMenuCursor(item);
        EndFrame(start);
    }
    m_screen->FadeOut(8);
}

// ---- highscores and name entry -----------------------------------------------------

void Game::ShowHighscores()
{
    m_screen->FadeOut(4);
    m_screen->Rectangle(0, 0, m_screen->Width(), m_screen->Height(), 0);
    DrawFrame(0, 0, kScreenW, kScreenH);
    DrawSprite(1, kScreenW / 2 - SpriteWidth(1) / 2, 50);
    PushScreen();
    m_screen->FadeIn(m_menu->Palette(), 4);

    // The rows slide in; a quit request stops them at once.
    m_screen->SetClipping(34, 80, 600, 440);
    const int h = LineHeight();
    for (unsigned i = 0; i < kTableSize && i < m_scores.m_size && !QuitPending(); ++i)
    {
        const KWOScoreEntry& e = m_scores.m_entries[i];
        const int y = 130 + 60 * int(i);
        char name[sizeof(e.name) + 1];
        std::memcpy(name, e.name, sizeof(e.name));
        name[sizeof(e.name)] = 0;
        if (name[0] != 0)
        {
            // Slides in from the left by a tenth of its width (at least a pixel).
            const int w = int(m_font->TextWidth(name));
            const int step = std::max(1, w / 10);
            for (int x = 70 - 10 * step; x <= 70 && !QuitPending(); x += step)
            {
                m_screen->Rectangle(x - step, y, unsigned(w), unsigned(h), 0);
                DrawTextAt(x, y, name, kNameColours, 0, true);
                m_screen->Refresh(x - step, y, unsigned(w + step), unsigned(h));
                KWOTimer::Delay(10);
            }
        }
        char score[16];
        std::snprintf(score, sizeof(score), "%d", static_cast<int>(e.score));
        const int w = int(m_font->TextWidth(score));
        const int step = std::max(1, w / 10);
        const int end = 570 - w;
        for (int x = end + 10 * step; x >= end && !QuitPending(); x -= step)
        {
            m_screen->Rectangle(x + step, y, unsigned(w), unsigned(h), 0);
            DrawTextAt(x, y, score, kScoreColours, 0, true);
            m_screen->Refresh(x, y, unsigned(w + step), unsigned(h));
            KWOTimer::Delay(20);
        }
    }
    m_screen->StopClipping();
    // Any key, button or quit request leaves; a quit request ends the program.
    KWOEvent ev;
    if (!m_quit)
        NextEvent(ev, true);
    m_screen->FadeOut(4);
}

void Game::EnterName(KWOScoreEntry* entry, int seconds)
{
    // After a quit request the result is kept under the unknown name.
    if (m_quit)
    {
        std::strcpy(entry->name, "???");
        return;
    }
    m_screen->FadeOut(4);
    for (int y = 0; y < kScreenH; y += 2)
    {
        m_screen->HLine(0, y, kScreenW, 76);
        m_screen->HLine(0, y + 1, kScreenW, 190);
    }
    m_screen->Rectangle(240, 130, 160, 72, 0);
    m_screen->Rectangle(90, 334, 460, 72, 0);

    DrawFrame(210, 100, 430, 232);
    auto centred = [this](const char* text)
    { return (kScreenW - int(m_font->TextWidth(text))) / 2; };
    char time[16];
    std::snprintf(time, sizeof(time), "%d", seconds);
    DrawTextAt(centred(time), 143, time, kEntryColours, kEntryFill, true);
    DrawFrame(60, 304, 580, 436);
    const bool french = m_lang == 'f';
    const char* heading = french ? "C'est un record !" : "You got a highscore !";
    const char* prompt = french ? "Entrez votre nom :" : "Enter your name :";
    DrawTextAt(centred(heading), 40, heading, kEntryColours, kEntryFill, true);
    DrawTextAt(centred(prompt), 260, prompt, kEntryColours, kEntryFill, true);
    PushScreen();
    m_screen->FadeIn(m_menu->Palette(), 4);

    char name[sizeof(entry->name)] = {};
    size_t length = 0;
    enum
    {
        None,
        Cancel,
        Accept
    } result = None;
    unsigned cursorColour = 155;
    int frames = 0;
    auto redraw = [&]()
    {
        m_screen->Rectangle(120, 350, 400, 45, 0);
        DrawTextAt(125, 350, name, kNameColours, 0, true);
        m_screen->Refresh(125, 350, 400, 45);
    };
    while (result == None)
    {
        const uint32_t start = KWOTimer::Ticks();
        KWOEvent ev;
        if (NextEvent(ev))
        {
            const unsigned key = ev.Key();
            if (m_quit || ev.IsKeyDown(KWOEvent::KeyEscape))
                result = Cancel;
            else if (ev.IsKeyDown(KWOEvent::KeyReturn) || ev.IsKeyDown(KWOEvent::KeyKeypadEnter))
                result = Accept;
            else if (ev.IsKeyDown(KWOEvent::KeyBackspace))
            {
                if (length > 0)
                {
                    name[--length] = 0;
                    redraw();
                }
            }
            else if (ev.Type() == KWOEvent::TypeKeyDown && key >= 32 && key <= 126 &&
                     length < kNameChars)
            {
                const unsigned char c = static_cast<unsigned char>(ev.Unicode() & 0xFF);
                if (m_font->CharWidth(static_cast<unsigned char>(key)) > 0 && c != 0)
                {
                    name[length++] = static_cast<char>(c);
                    if (m_font->TextWidth(name) > 375)
                        name[--length] = 0;
                    else
                        redraw();
                }
            }
        }
        if (++frames >= 7)
        {
            const int x = int(m_font->TextWidth(name)) + 127;
            m_screen->Rectangle(x, 350, 25, 41, cursorColour);
            m_screen->Refresh(x, 350, 25, 41);
            cursorColour = cursorColour == 155 ? 0 : 155;
            frames = 0;
        }
        EndFrame(start);
    }
    if (result == Cancel || length == 0)
        std::strcpy(entry->name, "???");
    else
        std::memcpy(entry->name, name, sizeof(entry->name));
}
