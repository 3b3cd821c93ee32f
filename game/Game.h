// Game: the duomatch application, from the command line to shutdown.
#ifndef DUOMATCH_GAME_H
#define DUOMATCH_GAME_H

#include "Board.h"

#include "app/KWOScore.h"
#include "files/KWOResFinder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KWODir;
class KWOEvent;
class KWOFont;
class KWOImage;
class KWOInput;
class KWOMixer;
class KWOResMgr;
class KWOScreen;
class KWOSound;
class KWOText;

class Game
{
public:
    // Fixed facts of the game, shared by its screens.
    static constexpr int kScreenW = 640;
    static constexpr int kScreenH = 480;
    static constexpr const char* kScoreFile = "highscores";
    // Rows of the highscore table, and the time of an empty row.
    static constexpr unsigned kTableSize = 5;
    static constexpr int kNoScore = 999;
    // A game ends without a result when this many seconds have passed.
    static constexpr int kTimeLimit = 1000;
    // Longest name of the table: its 20-byte field ends with a zero.
    static constexpr size_t kNameChars = sizeof(KWOScoreEntry::name) - 1;
    // Sleep between two looks at an empty event queue: far below what a
    // player can notice, long enough to leave the processor alone (every
    // look costs a round trip to the display server).
    static constexpr unsigned kIdleMs = 5;

    // Options, set by the command line.
    bool m_fullscreen = false;
    bool m_sound = true;
    char m_lang = 'e'; // 'e' English, 'f' French
    uint8_t m_volume = 100;
    // Set when the player asked to leave (window closed, SIGTERM): every
    // screen then ends at once and the program stops.
    bool m_quit = false;

    // Services and resources, brought up by Init and torn down by the destructor.
    KWOScreen* m_screen = nullptr;
    KWOResMgr* m_resMgr = nullptr;
    KWOResFinder m_finder;
    KWOMixer* m_mixer = nullptr;
    KWOInput* m_input = nullptr;
    KWODir* m_dir = nullptr;
    KWOScore m_scores{0, KWOScore::HigherFirst, 0};
    KWOText* m_setNames = nullptr;
    KWOFont* m_font = nullptr;
    KWOImage* m_menu = nullptr;
    KWOSound* m_sndClick = nullptr;
    KWOSound* m_sndMatch = nullptr;
    KWOSound* m_sndApplause = nullptr;
    KWOSound* m_sndLaugh = nullptr;
    // Transparent colour and bottom-bar geometry of the set being played.
    uint32_t m_keyColour = 0;
    int32_t m_digitX[3] = {0, 0, 0};
    int32_t m_digitY = 0;

    Game() = default;
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Brings every service up; ends the process through Fatal on failure.
    void Init(int argc, char** argv);
    // Runs the game until the player quits; returns the exit status.
    int Run();

    // Reads the switches; prints the usage text and exits 0 on an unknown one.
    void ParseCommandLine(int argc, char** argv);
    // Logs "Warning : message".
    void Warning(const char* message);
    // Logs "Error : message" and ends the process with status 1.
    [[noreturn]] void Fatal(const char* message);

    // Card sets and the board.
    void ChooseSet();
    void Deal(unsigned char* board);

    // One game on a set picture.
    void Play(KWOImage* set);
    void DrawCounter(int counter, int value, KWOImage* set);

    // Intro, menus, highscores and name entry.
    void Intro();
    bool WaitInput(unsigned ms);
    void Menu();
    void DrawMenu();
    void DrawVolume();
    void DrawMenuCursor(int item);
    void EraseMenuCursor(int item);
    void DrawFrame(int left, int top, int right, int bottom);
    void ShowHighscores();
    void EnterName(KWOScoreEntry* entry, int seconds);

private:
    void LogOptions();
    void LoadHighscores();
    void CollectSets();
    void StartSound();

    // Plays a sound effect on the next free channel, when sound is on.
    void PlaySfx(KWOSound* sound);
    // Pushes the whole screen surface to the display.
    void PushScreen();
    // Takes the next event into `ev`, waiting for one when `wait` is set; a
    // quit request sets m_quit. False when no event came.
    bool NextEvent(KWOEvent& ev, bool wait = false);
    // Return, Space or keypad Enter pressed: the keys that confirm.
    static bool IsConfirm(const KWOEvent& ev);
    // Drops the queued input, keeping a quit request in m_quit.
    void DiscardInput();
    // True once the player asked to leave; looks for a queued quit request
    // without taking other input. For the animations that read no input.
    bool QuitPending();
    // Copies menu sprite `index` opaquely to (x, y).
    void DrawSprite(int index, int x, int y);
    int SpriteWidth(int index) const;
    // Draws a text through a text image filled with `fill` and copied with
    // `fill` transparent (transparent true) or opaquely.
    void DrawTextAt(int x, int y, const char* text, const unsigned colours[4], unsigned fill,
                    bool transparent);
    int LineHeight() const;

    void DrawCard(KWOImage* set, int cell, int entry);
    void DrawBoard(KWOImage* set);
    void DealAnimation(KWOImage* set);
    void ClearAnimation(KWOImage* set);
    void DrawSetList(unsigned selected);

    SetLayout m_layout;
    // The file of each set of m_setNames, named as the folder lists it: a
    // set listed from X.SET is loaded from X.SET, also where case matters.
    std::vector<std::string> m_setFiles;
};

#endif
