// The real game, headless, played by scripts. Each time the game waits for
// input that is not there, the next step of the script runs: it looks at
// the screen as a player would (pixels at known places), then pushes what
// the player does (keys, clicks, a quit request) or lets time pass on the
// simulated clock. A fixed calendar makes the deal known, so a script can
// play perfectly.
#include "Board.h"
#include "Game.h"

#include "app/KWOScore.h"
#include "core/KWOMath.h"
#include "core/KWOText.h"
#include "game/game_test_support.h"
#include "graphics/KWOFont.h"
#include "graphics/KWOImage.h"
#include "graphics/KWOScreen.h"
#include "platform/sdl_fixture.h"
#include "support/Process.h"

#include <cctype>
#include <ctime>
#include <deque>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
// The calendar time() answers; 0: the real one.
time_t g_calendar = 0;
} // namespace

// The game seeds its deal with time(): a fixed calendar makes the deal known.
extern "C" time_t time(time_t* out)
{
    static auto real = reinterpret_cast<time_t (*)(time_t*)>(dlsym(RTLD_NEXT, "time"));
    if (g_calendar == 0)
        return real(out);
    if (out != nullptr)
        *out = g_calendar;
    return g_calendar;
}

namespace
{
namespace fs = std::filesystem;

const time_t kCalendar = 1700000000;
// Menu sprites the scripts look for: rectangles of menu.gif and where the
// screens put them.
struct Sprite
{
    LayoutRect r;
    int x, y;
};
const Sprite kMenuTitle = {{0, 228, 227, 51}, 207, 50};
const Sprite kPlayEnglish = {{0, 0, 103, 41}, 268, 130};
const Sprite kPlayFrench = {{110, 0, 139, 40}, 250, 130};
const Sprite kChooserEnglish = {{0, 184, 305, 40}, 168, 50};
const Sprite kChooserFrench = {{318, 184, 244, 40}, 198, 50};
const Sprite kScoresTitle = {{0, 46, 174, 40}, 233, 50};
const std::vector<unsigned> kNameColours = {0, 26, 72, 155};
const std::vector<unsigned> kScoreColours = {0, 13, 1, 25};
const std::vector<unsigned> kEntryColours = {233, 190, 79, 155};
const std::vector<unsigned> kSelectedColours = {58, 76, 17, 1};

class ScriptedGame : public SdlTest
{
protected:
    // The data, made once: the generated files in raw/, the archive and the
    // sets in run/.
    static void SetUpTestSuite()
    {
        s_data = new TempDir();
        fs::create_directories(*s_data / "raw");
        fs::create_directories(*s_data / "run");
        RunProcess(KWO_BIN_DIR "/mkdata", {*s_data / "raw"}, s_data->Path());
        PackArchive(*s_data / "run/duomatch.dat", *s_data / "raw", kArchiveMembers, s_data->Path());
        for (const auto& e : fs::directory_iterator(*s_data / "raw"))
            if (e.path().extension() == ".set")
                fs::copy(e.path(), *s_data / ("run/" + e.path().filename().string()));
    }
    static void TearDownTestSuite()
    {
        delete s_data;
        s_data = nullptr;
    }

    void SetUp() override
    {
        SdlTest::SetUp();
        ASSERT_TRUE(fs::exists(*s_data / "run/duomatch.dat"));
        fs::copy(*s_data / "run", m_run.Path());
        m_oldDir = fs::current_path();
        fs::current_path(m_run.Path());
        SdlSpy::SimulateClock(1000, 0);
        SdlSpy::OnIdle([this] { NextStep(); });
        g_calendar = kCalendar;
        KWO::RandomInit(unsigned(kCalendar));
        Board::DealValues(m_board);
        m_menu = LoadPicture(*s_data / "raw/menu.gif");
    }
    void TearDown() override
    {
        m_game.reset();
        SdlSpy::OnIdle(nullptr);
        g_calendar = 0;
        fs::current_path(m_oldDir);
        EXPECT_TRUE(m_steps.empty()) << m_steps.size() << " steps left unplayed";
        SdlTest::TearDown();
    }

    // Starts a new game with the switches, as main does, and runs it until
    // it returns.
    int Run(const std::vector<std::string>& switches = {"-ns"})
    {
        m_game.reset();
        std::vector<std::string> args = {"duomatch"};
        args.insert(args.end(), switches.begin(), switches.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        m_game = std::make_unique<Game>();
        m_game->Init(int(argv.size()), argv.data());
        return m_game->Run();
    }

    // The script: the steps run one per wait of the game.
    void Then(std::function<void()> step) { m_steps.push_back(std::move(step)); }
    void NextStep()
    {
        if (m_steps.empty())
        {
            ADD_FAILURE() << "the game waits for more than the script gives";
            Quit();
            return;
        }
        const std::function<void()> step = std::move(m_steps.front());
        m_steps.pop_front();
        step();
    }

    // What the player does.
    static void Key(unsigned sym, unsigned unicode = 0)
    {
        SDL_Event e = {};
        e.key.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = SDLKey(sym);
        e.key.keysym.unicode = Uint16(unicode);
        SDL_PushEvent(&e);
    }
    static void Type(const std::string& text)
    {
        for (char c : text)
            Key(unsigned(std::tolower(static_cast<unsigned char>(c))), unsigned(c));
    }
    static void Click(int cell)
    {
        int x, y;
        Board::CellOrigin(cell, x, y);
        SDL_Event e = {};
        e.button.type = SDL_MOUSEBUTTONDOWN;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.x = Uint16(x + Board::kCellW / 2);
        e.button.y = Uint16(y + Board::kCellH / 2);
        SDL_PushEvent(&e);
    }
    static void Quit()
    {
        SDL_Event e = {};
        e.type = SDL_QUIT;
        SDL_PushEvent(&e);
    }
    // The cells of value v.
    std::pair<int, int> Pair(int v) const
    {
        int a = -1, b = -1;
        for (int c = 0; c < Board::kCells; ++c)
            if (m_board[c] == v)
                (a < 0 ? a : b) = c;
        return {a, b};
    }
    void ClickAllPairs() const
    {
        for (int v = 1; v <= Board::kPairs; ++v)
        {
            Click(Pair(v).first);
            Click(Pair(v).second);
        }
    }

    // What the player sees. The number of pixels of the block (sx, sy, w,
    // h) of `img`, those equal to `key` left out, found on the screen at
    // (x, y); -1 when one differs.
    int Matching(int x, int y, const KWOImage& img, const LayoutRect& r, long key = -1) const
    {
        int count = 0;
        for (int dy = 0; dy < r.h; ++dy)
            for (int dx = 0; dx < r.w; ++dx)
            {
                const unsigned p = img.GetPixel(r.x + dx, r.y + dy);
                if (long(p) == key)
                    continue;
                if (m_game->m_screen->GetPixel(x + dx, y + dy) != p)
                    return -1;
                ++count;
            }
        return count;
    }
    bool Shows(const Sprite& s) const { return Matching(s.x, s.y, *m_menu, s.r) > 0; }
    bool ShowsText(int x, int y, const char* text, const std::vector<unsigned>& c) const
    {
        KWOFont* font = m_game->m_font;
        const unsigned w = font->TextWidth(text), h = unsigned(font->Ascent() + font->Descent());
        KWOImage img(w, h, 8u);
        img.Rectangle(0, 0, w, h, c[0]);
        KWOFont::FontParams params{font, KWOFont::AlignTop, {c[0], c[1], c[2], c[3]}};
        img.DrawTextEx(0, 0, text, params);
        return Matching(x, y, img, {0, 0, uint16_t(w), uint16_t(h)}, c[0]) > 0;
    }
    bool ShowsCentred(int y, const char* text, const std::vector<unsigned>& c) const
    {
        return ShowsText((640 - int(m_game->m_font->TextWidth(text))) / 2, y, text, c);
    }
    // Row i of the highscore screen.
    bool ShowsRow(int i, const char* name, int score) const
    {
        const std::string s = std::to_string(score);
        const int y = 130 + 60 * i;
        return (name[0] == 0 || ShowsText(70, y, name, kNameColours)) &&
               ShowsText(570 - int(m_game->m_font->TextWidth(s.c_str())), y, s.c_str(),
                         kScoreColours);
    }

    // The set being played, measured as the game measures it.
    void UseSet(const std::string& file)
    {
        m_set = LoadPicture(m_run / file);
        ASSERT_NE(nullptr, m_set);
        m_geometry = m_layout.Measure(*m_set);
    }
    bool ShowsCard(int cell, int entry) const
    {
        int x, y;
        Board::CellOrigin(cell, x, y);
        return Matching(x + 5, y + 5, *m_set, m_layout.m_rects[entry], m_geometry.key) > 0;
    }
    bool FaceUp(int cell) const { return ShowsCard(cell, m_board[cell]); }
    bool FaceDown(int cell) const { return ShowsCard(cell, SetLayout::kBack); }
    // The digits a counter of the bottom bar shows, '-' where none.
    std::string Counter(int counter, int digits) const
    {
        static const int kDigits[3] = {2, 3, 1};
        if (digits == 0)
            digits = kDigits[counter];
        const LayoutRect& d = m_layout.m_rects[SetLayout::kDigits];
        std::string shown;
        for (int k = 0; k < digits; ++k)
        {
            char best = '-';
            int most = 0;
            for (int v = 0; v < 10; ++v)
            {
                const LayoutRect r = {int16_t(d.x + 30 * v), d.y, d.w, d.h};
                const int n = Matching(m_geometry.digitX[counter] + k * d.w, m_geometry.digitY,
                                       *m_set, r, m_geometry.key);
                if (n > most)
                    most = n, best = char('0' + v);
            }
            shown += best;
        }
        return shown;
    }

    // A table file of five results, 30 to 70 seconds, names P1 .. P5.
    void WriteTable() const
    {
        KWOScore table(5, KWOScore::LowerFirst, 0);
        for (int i = 0; i < 5; ++i)
        {
            const std::string name = "P" + std::to_string(i + 1);
            std::snprintf(table.m_entries[i].name, sizeof(table.m_entries[i].name), "%s",
                          name.c_str());
            table.m_entries[i].score = 30 + 10 * i;
        }
        ASSERT_TRUE(table.Save((m_run / "highscores").c_str(), true));
    }
    // The table on disk as "name:score" rows.
    std::string Saved() const
    {
        KWOScore table(0, KWOScore::HigherFirst, 0);
        if (!table.Load((m_run / "highscores").c_str()))
            return "none";
        std::string rows;
        for (unsigned i = 0; i < table.m_size; ++i)
            rows += std::string(table.m_entries[i].name) + ":" +
                    std::to_string(table.m_entries[i].score) + " ";
        return rows;
    }

    static TempDir* s_data;
    TempDir m_run;
    fs::path m_oldDir;
    std::unique_ptr<Game> m_game;
    std::deque<std::function<void()>> m_steps;
    unsigned char m_board[Board::kBoardBytes];
    std::unique_ptr<KWOImage> m_menu;
    std::unique_ptr<KWOImage> m_set;
    SetLayout m_layout;
    SetLayout::Geometry m_geometry{};
};

TempDir* ScriptedGame::s_data = nullptr;
} // namespace

TEST_F(ScriptedGame, IntroWatchedThenEveryMenuItemInBothLanguages)
{
    WriteTable();
    auto logo = LoadPicture(*s_data / "raw/kwo2.gif");
    auto title = LoadPicture(*s_data / "raw/title.gif");
    Then(
        [&]
        {
            EXPECT_GT(Matching(140, 140, *logo, {0, 0, 360, 200}), 0);
            SdlSpy::AdvanceClock(2000);
        });
    Then(
        [&]
        {
            EXPECT_GT(Matching(0, 0, *title, {0, 0, 640, 480}), 0);
            SdlSpy::AdvanceClock(2000);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(Shows(kMenuTitle));
            EXPECT_TRUE(Shows(kPlayEnglish));
            Key(SDLK_DOWN);
            Key(SDLK_DOWN);
        });
    // The volume item: each choice moves the mark one step, 125 wraps to 0.
    static const int kVolumes[] = {100, 125, 0, 25, 50, 75};
    for (int i = 0; i < 6; ++i)
        Then(
            [&, i]
            {
                EXPECT_EQ(kVolumes[i], m_game->m_volume);
                EXPECT_TRUE(
                    Shows({{int16_t(284 + 23 * (kVolumes[i] / 25)), 91, 23, 40}, 382, 250}));
                if (i == 5)
                    Key(SDLK_DOWN); // to the language
                Key(SDLK_RETURN);
            });
    Then(
        [&]
        {
            EXPECT_TRUE(Shows(kPlayFrench));
            EXPECT_FALSE(Shows(kPlayEnglish));
            EXPECT_TRUE(Shows({{int16_t(284 + 23 * 3), 91, 23, 40}, 358, 250}));
            Key(SDLK_UP);
            Key(SDLK_UP);
            Key(SDLK_RETURN);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(Shows(kScoresTitle));
            for (int i = 0; i < 5; ++i)
                EXPECT_TRUE(ShowsRow(i, ("P" + std::to_string(i + 1)).c_str(), 30 + 10 * i)) << i;
            Key(SDLK_ESCAPE);
        });
    // 'r' empties the table in memory; Up twice from the scores wraps to quit.
    Then(
        [&]
        {
            Key('r');
            Key(SDLK_UP);
            Key(SDLK_UP);
            Key(SDLK_RETURN);
        });
    EXPECT_EQ(0, Run({}));
    EXPECT_TRUE(m_game->m_sound);
    EXPECT_EQ(75, m_game->m_volume);
    EXPECT_EQ('f', m_game->m_lang);
    for (unsigned i = 0; i < Game::kTableSize; ++i)
    {
        EXPECT_EQ(Game::kNoScore, m_game->m_scores.m_entries[i].score);
        EXPECT_EQ(0, m_game->m_scores.m_entries[i].name[0]);
    }
    EXPECT_EQ("P1:30 P2:40 P3:50 P4:60 P5:70 ", Saved());
}

TEST_F(ScriptedGame, ChooserAndAPerfectGameThatEntersTheTable)
{
    fs::copy_file(m_run / "Shapes.set", m_run / "alpha.SET");
    fs::create_directory(m_run / "Folder.set");
    fs::copy_file(m_run / "Shapes.set", m_run / "notes.set.txt");
    const std::string name = "Anna" + std::string(15, 'z');
    std::vector<std::string> listed;
    Then([&] { Key(SDLK_SPACE); }); // skips the logo and the title
    Then(
        [&]
        {
            EXPECT_TRUE(Shows(kMenuTitle));
            Key(SDLK_RETURN);
        });
    Then(
        [&]
        {
            const KWOText& names = *m_game->m_setNames;
            for (unsigned i = 0; i < names.Length(); ++i)
                listed.push_back(names.m_lines[i]);
            EXPECT_TRUE(Shows(kChooserEnglish));
            EXPECT_TRUE(ShowsCentred(250, "alpha", kSelectedColours));
            Key(SDLK_UP);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsCentred(250, listed.back().c_str(), kSelectedColours));
            Key(SDLK_DOWN);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsCentred(250, "alpha", kSelectedColours));
            UseSet("alpha.SET");
            Key(SDLK_RETURN);
        });
    // The board starts paused, every card face down.
    Then(
        [&]
        {
            for (int c = 0; c < Board::kCells; ++c)
                EXPECT_TRUE(FaceDown(c)) << c;
            EXPECT_EQ("00", Counter(0, 0));
            EXPECT_EQ("000", Counter(1, 0));
            EXPECT_EQ("1", Counter(2, 0));
            Click(0);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(FaceDown(0));
            Key(SDLK_SPACE);
        });
    Then([&] { SdlSpy::AdvanceClock(12000); });
    Then(
        [&]
        {
            EXPECT_EQ("012", Counter(1, 0));
            for (int v = 1; v < Board::kPairs; ++v)
            {
                Click(Pair(v).first);
                Click(Pair(v).second);
            }
        });
    Then(
        [&]
        {
            for (int v = 1; v <= Board::kPairs; ++v)
            {
                EXPECT_EQ(v < Board::kPairs, FaceUp(Pair(v).first)) << v;
                EXPECT_EQ(v < Board::kPairs, FaceUp(Pair(v).second)) << v;
            }
            EXPECT_EQ("15", Counter(0, 0));
            Click(Pair(Board::kPairs).first);
            Click(Pair(Board::kPairs).second);
        });
    // Name entry: typing, Backspace, then more than the name can hold.
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsCentred(40, "You got a highscore !", kEntryColours));
            EXPECT_TRUE(ShowsCentred(260, "Enter your name :", kEntryColours));
            EXPECT_TRUE(ShowsCentred(143, "12", kEntryColours));
            Type("Ann");
            Key(SDLK_BACKSPACE);
            Type("na");
        });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsText(125, 350, "Anna", kNameColours));
            Type(std::string(25, 'z'));
            Key(SDLK_RETURN);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsRow(0, name.c_str(), 12));
            for (int i = 1; i < 5; ++i)
                EXPECT_TRUE(ShowsRow(i, "", 999)) << i;
            EXPECT_EQ(name + ":12 :999 :999 :999 :999 ", Saved());
            Key(SDLK_RETURN);
        });
    Then([&] { Key(SDLK_ESCAPE); });
    EXPECT_EQ(0, Run());
    // Only regular files named *.set, in alphabetical order whatever the case.
    EXPECT_EQ((std::vector<std::string>{"alpha", "Letters", "Nature", "Patterns", "Shapes"}),
              listed);
}

TEST_F(ScriptedGame, MismatchesPauseRanksAndGivingUp)
{
    WriteTable();
    const int a = Pair(1).first, b = Pair(2).first, c = Pair(3).first;
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Key(SDLK_RETURN); });
    Then(
        [&]
        {
            UseSet(std::string(m_game->m_setNames->m_lines[0]) + ".set");
            Key(SDLK_RETURN);
        });
    Then([&] { Key(SDLK_SPACE); });
    Then(
        [&]
        {
            Click(a);
            Click(b);
        });
    // A pair that does not match stays face up for a second, counted as play.
    Then(
        [&]
        {
            EXPECT_TRUE(FaceUp(a) && FaceUp(b));
            SdlSpy::AdvanceClock(900);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(FaceUp(a) && FaceUp(b));
            SdlSpy::AdvanceClock(200);
        });
    // Turned back; a click while a pair shows turns it back at once.
    Then(
        [&]
        {
            EXPECT_TRUE(FaceDown(a) && FaceDown(b));
            EXPECT_EQ("001", Counter(1, 0));
            Click(a);
            Click(b);
            Click(c);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(FaceDown(a) && FaceDown(b) && FaceDown(c));
            Key(SDLK_SPACE);
        });
    // Paused: the seconds blink, clicks do nothing, time does not count.
    Then(
        [&]
        {
            EXPECT_EQ("---", Counter(1, 0));
            EXPECT_EQ("1", Counter(2, 0));
            Click(a);
            SdlSpy::AdvanceClock(500);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(FaceDown(a));
            EXPECT_EQ("001", Counter(1, 0));
            SdlSpy::AdvanceClock(10000);
        });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { SdlSpy::AdvanceClock(30000); });
    // The rank counter: the place the running time can still earn.
    Then(
        [&]
        {
            EXPECT_EQ("031", Counter(1, 0));
            EXPECT_EQ("2", Counter(2, 0));
            SdlSpy::AdvanceClock(40000);
        });
    Then(
        [&]
        {
            EXPECT_EQ("071", Counter(1, 0));
            EXPECT_EQ("0", Counter(2, 0));
            Key(SDLK_ESCAPE);
        });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsRow(0, "P1", 30));
            Key(SDLK_SPACE);
        });
    Then([&] { Quit(); });
    EXPECT_EQ(0, Run());
    EXPECT_EQ("P1:30 P2:40 P3:50 P4:60 P5:70 ", Saved());
}

TEST_F(ScriptedGame, ResultsEnterTheTableAtEveryRankInFrench)
{
    WriteTable();
    struct Result
    {
        int seconds;
        const char* name; // null: Escape in the name entry; empty: no entry
        const char* table;
    };
    static const Result kResults[] = {
        {65, "E", "P1:30 P2:40 P3:50 P4:60 E:65 "},     {55, "D", "P1:30 P2:40 P3:50 D:55 P4:60 "},
        {45, "C", "P1:30 P2:40 C:45 P3:50 D:55 "},      {35, "B", "P1:30 B:35 P2:40 C:45 P3:50 "},
        {25, nullptr, "???:25 P1:30 B:35 P2:40 C:45 "}, {50, "", "???:25 P1:30 B:35 P2:40 C:45 "},
    };
    Then([&] { Key(SDLK_SPACE); });
    Then(
        [&]
        {
            for (unsigned key :
                 {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN, SDLK_UP, SDLK_UP, SDLK_UP})
                Key(key);
        });
    for (const Result& r : kResults)
    {
        const Result* result = &r;
        Then([&] { Key(SDLK_RETURN); });
        Then(
            [&]
            {
                EXPECT_TRUE(Shows(kChooserFrench));
                UseSet(std::string(m_game->m_setNames->m_lines[0]) + ".set");
                Key(SDLK_RETURN);
            });
        Then([&] { Key(SDLK_SPACE); });
        Then([=] { SdlSpy::AdvanceClock(Uint32(result->seconds) * 1000); });
        Then([&] { ClickAllPairs(); });
        if (result->name == nullptr || result->name[0] != 0)
            Then(
                [=]
                {
                    EXPECT_TRUE(ShowsCentred(40, "C'est un record !", kEntryColours));
                    EXPECT_TRUE(ShowsCentred(260, "Entrez votre nom :", kEntryColours));
                    if (result->name == nullptr)
                        Key(SDLK_ESCAPE);
                    else
                    {
                        Type(result->name);
                        Key(SDLK_KP_ENTER);
                    }
                });
        Then(
            [=]
            {
                EXPECT_EQ(result->table, Saved()) << result->seconds;
                EXPECT_TRUE(ShowsRow(0, m_game->m_scores.m_entries[0].name,
                                     m_game->m_scores.m_entries[0].score));
                Key(SDLK_RETURN);
            });
    }
    Then([&] { Key(SDLK_ESCAPE); });
    EXPECT_EQ(0, Run());
}

TEST_F(ScriptedGame, AQuitRequestEndsTheProgramFromEveryScreen)
{
    // During the intro: the menu never shows.
    Then([&] { Quit(); });
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(m_game->m_quit);
    EXPECT_TRUE(m_steps.empty());

    // In the set chooser.
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Quit(); });
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(m_steps.empty());

    // During a game: nothing is recorded, no highscore screen follows.
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Quit(); });
    EXPECT_EQ(0, Run());
    EXPECT_EQ("none", Saved());

    // In the name entry: the result is kept, under the unknown name.
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { SdlSpy::AdvanceClock(20000); });
    Then([&] { ClickAllPairs(); });
    Then(
        [&]
        {
            Type("Zed");
            Quit();
        });
    EXPECT_EQ(0, Run());
    EXPECT_EQ("???:20 :999 :999 :999 :999 ", Saved());

    // On the highscore screen after giving up: the program ends, not the screen.
    Then([&] { Key(SDLK_SPACE); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_RETURN); });
    Then([&] { Key(SDLK_ESCAPE); });
    Then(
        [&]
        {
            EXPECT_TRUE(ShowsRow(0, "???", 20));
            Quit();
        });
    EXPECT_EQ(0, Run());
}
