#include "platform/KWOSDLMgr.h"
#include "platform/KWOInput.h"
#include "platform/KWOTimer.h"
#include "sdl_fixture.h"

#include <csignal>
#include <memory>
#include <vector>

using SDLMgrTest = SdlTest;

TEST_F(SDLMgrTest, TimerThenScreenStartsSdlOnceAndAddsVideoOnce)
{
    auto timer = std::make_unique<KWOTimer>(0);
    // SDL starts with the timer and always with video, but records the timer only.
    EXPECT_EQ(std::vector<Uint32>{SDL_INIT_TIMER | SDL_INIT_VIDEO}, SdlSpy::Recorded().init);
    EXPECT_TRUE(SdlSpy::Recorded().initSubSystem.empty());
    EXPECT_EQ(0x01u, KWOSDLMgr::GetSDLState());
    EXPECT_EQ(SDL_INIT_TIMER | SDL_INIT_VIDEO, SDL_WasInit(SDL_INIT_EVERYTHING));

    auto screen = std::make_unique<KWOSDLMgr>(0x20);
    EXPECT_EQ(1u, SdlSpy::Recorded().init.size());
    EXPECT_EQ(std::vector<Uint32>{SDL_INIT_VIDEO}, SdlSpy::Recorded().initSubSystem);
    EXPECT_EQ(0x21u, KWOSDLMgr::GetSDLState());

    // Video is recorded now: more video users start nothing.
    KWOInput* input = KWOInput::Singleton();
    auto modes = std::make_unique<KWOSDLMgr>(0x20);
    EXPECT_EQ(1u, SdlSpy::Recorded().init.size());
    EXPECT_EQ(1u, SdlSpy::Recorded().initSubSystem.size());
    EXPECT_EQ(4u, KWOSDLMgr::GetInstances());

    delete input;
    timer.reset();
    screen.reset();
    modes.reset();
}

TEST_F(SDLMgrTest, LastObjectShutsSdlDownInAnyOrderAndTheNextStartsItAgain)
{
    auto video = std::make_unique<KWOSDLMgr>(0x20);
    auto timer = std::make_unique<KWOTimer>(7);
    auto audio = std::make_unique<KWOSDLMgr>(0x10);
    EXPECT_EQ(0x31u, KWOSDLMgr::GetSDLState());
    EXPECT_EQ(3u, KWOSDLMgr::GetInstances());

    // The first object goes first: SDL stays up for the others.
    video.reset();
    timer.reset();
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0x31u, KWOSDLMgr::GetSDLState());
    EXPECT_NE(0u, SDL_WasInit(SDL_INIT_VIDEO));
    EXPECT_EQ(0u, SdlSpy::Recorded().quit);

    audio.reset();
    EXPECT_EQ(1u, SdlSpy::Recorded().quit);
    EXPECT_EQ(0u, KWOSDLMgr::GetInstances());
    EXPECT_EQ(0u, KWOSDLMgr::GetSDLState());
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_EVERYTHING));

    // A new object starts SDL from the beginning, with just what it asks for.
    auto again = std::make_unique<KWOTimer>(0);
    EXPECT_EQ((std::vector<Uint32>{0x20, 0x21}), SdlSpy::Recorded().init);
    EXPECT_EQ((std::vector<Uint32>{0x01, 0x10}), SdlSpy::Recorded().initSubSystem);
    EXPECT_EQ(0x01u, KWOSDLMgr::GetSDLState());
    EXPECT_EQ(SDL_INIT_TIMER | SDL_INIT_VIDEO, SDL_WasInit(SDL_INIT_EVERYTHING));
    again.reset();
    EXPECT_EQ(2u, SdlSpy::Recorded().quit);
}

// The message of a subsystem that failed to start: SDL's, or, when SDL
// reported success for it (as SDL 1.2's compatibility layer over SDL2 does
// after a failed start), that it does not run.
std::string FailedStart(bool reported)
{
    return std::string("Can't initialize SDL subsystem (") +
           (reported ? "simulated failure" : "not running") + ")\n";
}

TEST_F(SDLMgrTest, SubsystemFailingToJoinIsLoggedAndSurvived)
{
    for (bool reported : {true, false})
    {
        SCOPED_TRACE(reported);
        SdlSpy::FailSubsystems(SDL_INIT_AUDIO, reported);
        auto video = std::make_unique<KWOSDLMgr>(0x20);
        auto audio = std::make_unique<KWOSDLMgr>(0x10);
        EXPECT_NE(std::string::npos, Logged().find(FailedStart(reported)));
        EXPECT_EQ(0x20u, KWOSDLMgr::GetSDLState());
        EXPECT_EQ(2u, KWOSDLMgr::GetInstances());

        // Each object still holds its count.
        video.reset();
        EXPECT_NE(0u, SDL_WasInit(SDL_INIT_VIDEO));
        audio.reset();
        EXPECT_EQ(0u, KWOSDLMgr::GetSDLState());
    }
}

TEST_F(SDLMgrTest, SubsystemFailingOnFirstStartStillBringsVideoUp)
{
    for (bool reported : {true, false})
    {
        SCOPED_TRACE(reported);
        SdlSpy::Reset();
        SdlSpy::FailSubsystems(SDL_INIT_AUDIO, reported);
        auto audio = std::make_unique<KWOSDLMgr>(0x11);
        EXPECT_NE(std::string::npos, Logged().find(FailedStart(reported)));
        // Video and the timer run; the missing audio is asked for again later.
        EXPECT_EQ(0x21u, KWOSDLMgr::GetSDLState());
        EXPECT_EQ(SDL_INIT_TIMER | SDL_INIT_VIDEO, SDL_WasInit(SDL_INIT_EVERYTHING));
        SdlSpy::FailSubsystems(0);
        auto mixer = std::make_unique<KWOSDLMgr>(0x10);
        EXPECT_EQ(std::vector<Uint32>{SDL_INIT_AUDIO}, SdlSpy::Recorded().initSubSystem);
        EXPECT_EQ(0x31u, KWOSDLMgr::GetSDLState());
        mixer.reset();
        EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
        audio.reset();
    }
}

namespace
{
// Takes the count away behind the objects' back.
class CountBreaker : public KWOSDLMgr
{
public:
    CountBreaker() : KWOSDLMgr(0x20) {}
    static void ZeroCount() { m_instances = 0; }
};
} // namespace

TEST_F(SDLMgrTest, FatalFailuresEndTheProcessWithStatus1)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            KWO::SetLogTarget(1, nullptr);
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            KWOSDLMgr sdl(0x01);
        },
        ::testing::ExitedWithCode(1), "Can't initialize SDL \\(");
    EXPECT_EXIT(
        {
            KWO::SetLogTarget(1, nullptr);
            SdlSpy::FailSubsystems(SDL_INIT_VIDEO, false);
            KWOSDLMgr sdl(0x01);
        },
        ::testing::ExitedWithCode(1), "Can't initialize SDL \\(not running\\)\n");
    EXPECT_EXIT(
        {
            KWO::SetLogTarget(1, nullptr);
            auto* extra = new CountBreaker();
            CountBreaker::ZeroCount();
            delete extra;
        },
        ::testing::ExitedWithCode(1), "Error :\nSDLMgr: instance == 0\n");
}

namespace
{
void OwnHandler(int) {}

// Waits up to two seconds for a quit event in the queue.
bool QuitArrives()
{
    for (int i = 0; i < 200; ++i)
    {
        SDL_PumpEvents();
        SDL_Event event;
        if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_QUITMASK) == 1)
            return true;
        SDL_Delay(10);
    }
    return false;
}
} // namespace

TEST_F(SDLMgrTest, InterruptAndTerminationSignalsBecomeQuitRequests)
{
    // While SDL runs, the signals queue a quit event (from a thread of the
    // library's, never from inside the handler) instead of ending the process.
    {
        KWOSDLMgr sdl(0x20);
        for (int signal : {SIGTERM, SIGINT})
        {
            ASSERT_EQ(0, std::raise(signal));
            EXPECT_TRUE(QuitArrives()) << signal;
        }
    }
    // Afterwards they are the system's again, and a program's own handler is
    // never taken over.
    struct sigaction current;
    ASSERT_EQ(0, sigaction(SIGTERM, nullptr, &current));
    EXPECT_EQ(SIG_DFL, current.sa_handler);
    std::signal(SIGINT, OwnHandler);
    {
        KWOSDLMgr sdl(0x20);
        ASSERT_EQ(0, sigaction(SIGINT, nullptr, &current));
        EXPECT_EQ(&OwnHandler, current.sa_handler);
    }
    std::signal(SIGINT, SIG_DFL);
}
