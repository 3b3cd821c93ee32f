// Start-up sequence, main run and shutdown of the game.
#include "Game.h"

#include "audio/KWOMixer.h"
#include "audio/KWOSound.h"
#include "core/KWOLog.h"
#include "core/KWOText.h"
#include "files/KWODir.h"
#include "files/KWOResMgr.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOScreen.h"
#include "platform/KWOEvent.h"
#include "platform/KWOInput.h"

namespace
{
const char* const kDataFile = "duomatch.dat";
const unsigned kWindowFlags = KWOScreen::HWSURFACE | KWOScreen::HWPALETTE;
const unsigned kFullscreenFlags = KWOScreen::FULLSCREEN;
const int kAudioS16LSB = 0x8010;
// The only events the game reads.
const unsigned kEventMask =
    (1u << KWOEvent::TypeKeyDown) | (1u << KWOEvent::TypeButtonDown) | (1u << KWOEvent::TypeQuit);
const unsigned kRepeatDelayMs = 400;
const unsigned kRepeatIntervalMs = 50;

template <class T> T* LoadAs(KWOResMgr* mgr, unsigned type, const char* name)
{
    return static_cast<T*>(mgr->Load(type, name, 0, true));
}
} // namespace

void Game::LoadHighscores()
{
    if (!m_scores.Load(kScoreFile))
    {
        m_scores.SetSortOrder(KWOScore::LowerFirst);
        m_scores.Resize(kTableSize);
        m_scores.Reset(kNoScore);
        return;
    }
    // A shorter table from a foreign file grows to its full size; the new rows
    // hold no name and the worst score.
    const unsigned old = m_scores.m_size;
    if (old < kTableSize)
    {
        m_scores.Resize(kTableSize);
        for (unsigned i = old; i < m_scores.m_size; ++i)
        {
            m_scores.m_entries[i].name[0] = 0;
            m_scores.m_entries[i].score = kNoScore;
            m_scores.m_entries[i].level = 0;
        }
    }
}

void Game::StartSound()
{
    m_mixer = KWOMixer::Singleton();
    if (m_mixer == nullptr || !m_mixer->Init(kAudioS16LSB, 22050, 512, false, 8))
    {
        m_sound = false;
        Warning("Could not initialise mixer.\n");
        return;
    }
    m_sndClick = LoadAs<KWOSound>(m_resMgr, KWOResMgr::TypeSound, "clic.wav");
    m_sndMatch = LoadAs<KWOSound>(m_resMgr, KWOResMgr::TypeSound, "ding.wav");
    m_sndApplause = LoadAs<KWOSound>(m_resMgr, KWOResMgr::TypeSound, "applause.wav");
    m_sndLaugh = LoadAs<KWOSound>(m_resMgr, KWOResMgr::TypeSound, "laugh.wav");
    if (!m_sndClick || !m_sndMatch || !m_sndApplause || !m_sndLaugh)
        Fatal("loading sounds");
    for (KWOSound* s : {m_sndClick, m_sndMatch, m_sndApplause, m_sndLaugh})
        s->SetMixerFormat();
    m_mixer->Unpause();
}

void Game::Init(int argc, char** argv)
{
    ParseCommandLine(argc, argv);
    LoadHighscores();
    LogOptions();

    m_dir = new KWODir();
    if (!m_finder.AddSource(kDataFile, false))
        Fatal("Can't open data file (duomatch.dat).");
    m_resMgr = new KWOResMgr(m_finder);
    CollectSets();

    KWO::LOG("Loading resources ... ");
    m_menu = LoadAs<KWOImage>(m_resMgr, KWOResMgr::TypePicture, "menu.gif");
    // Every screen is drawn from the menu picture: the game cannot go on without it.
    if (m_menu == nullptr || m_menu->Bpp() != 8)
        Fatal("loading menu picture");
    m_font = LoadAs<KWOFont>(m_resMgr, KWOResMgr::TypeFont, "score.font");
    if (m_font == nullptr)
        Fatal("loading font");

    m_screen = KWOScreen::Singleton();
    if (m_screen != nullptr)
    {
        KWOImage* icon = LoadAs<KWOImage>(m_resMgr, KWOResMgr::TypePicture, "duomatch-ico.gif");
        if (icon != nullptr)
            m_screen->SetIcon(icon, true, icon->GetPixel(0, 0));
    }
    if (m_screen == nullptr ||
        !m_screen->Init(kScreenW, kScreenH, m_fullscreen ? kFullscreenFlags : kWindowFlags, 8))
        Fatal("Could not initialise screen.\n");
    m_screen->SetNames("KWO Duomatch v1.1", nullptr);

    if (m_sound)
        StartSound();

    m_input = KWOInput::Singleton();
    if (m_input == nullptr)
        Fatal("Could not initialise main event manager.\n");
    m_input->SetEventTypes(kEventMask);
    m_input->EnableKeyRepeat(kRepeatDelayMs, kRepeatIntervalMs);
    m_screen->ShowCursor(false);

    Intro();
    m_finder.AddSource(m_dir->Name(), false);
}

int Game::Run()
{
    // A quit request during the intro ends the program before the menu.
    if (!m_quit)
        Menu();
    m_screen->ShowCursor(true);
    return 0;
}

Game::~Game()
{
    delete m_setNames;
    delete m_dir;
    delete m_resMgr;
    delete m_mixer;
    delete m_input;
    delete m_screen;
}
