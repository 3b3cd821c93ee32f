#include "platform/KWOTimer.h"
#include "sdl_fixture.h"

#include <vector>

using TimerTest = SdlTest;

// The clock is simulated: SDL_GetTicks advances 1 ms per read and SDL_Delay
// advances it without sleeping, so each wait is checked by the readings it
// took, never by how long it lasted.
TEST_F(TimerTest, WaitAccSleepsWholeTensAboveTwentyAndSpinsTheRest)
{
    KWOTimer timer(1234);
    EXPECT_EQ(1234u, timer.m_ticks);

    SdlSpy::SimulateClock(1000, 1);
    timer.WaitAcc(25);
    EXPECT_EQ(std::vector<Uint32>{20}, SdlSpy::Recorded().delays);
    // Returns at the first reading 25 ms after the start.
    EXPECT_EQ(1025u, SdlSpy::LastTicks());

    SdlSpy::Recorded().delays.clear();
    SdlSpy::SimulateClock(1000, 1);
    timer.WaitAcc(20);
    EXPECT_TRUE(SdlSpy::Recorded().delays.empty());
    EXPECT_EQ(1020u, SdlSpy::LastTicks());

    SdlSpy::SimulateClock(1000, 1);
    timer.WaitAcc(109);
    EXPECT_EQ(std::vector<Uint32>{100}, SdlSpy::Recorded().delays);
    EXPECT_EQ(1109u, SdlSpy::LastTicks());

    SdlSpy::Recorded().delays.clear();
    SdlSpy::SimulateClock(1000, 1);
    timer.WaitAcc(0);
    EXPECT_TRUE(SdlSpy::Recorded().delays.empty());
    EXPECT_EQ(1001u, SdlSpy::LastTicks());
}

TEST_F(TimerTest, TicksAndDelayAreSdlsClock)
{
    KWOTimer timer(0);
    SdlSpy::SimulateClock(5000, 0);
    EXPECT_EQ(5000u, KWOTimer::Ticks());
    KWOTimer::Delay(3);
    KWOTimer::Delay(0);
    EXPECT_EQ(5003u, KWOTimer::Ticks());
    EXPECT_EQ((std::vector<Uint32>{3, 0}), SdlSpy::Recorded().delays);
}

TEST_F(TimerTest, WaitAccWaitsTheFullTimeAcrossTheClockWrap)
{
    KWOTimer timer(0);

    // The end of the wait lies past the wrap of the 32-bit counter.
    SdlSpy::SimulateClock(0xFFFFFFF0u, 1);
    timer.WaitAcc(20);
    EXPECT_EQ(0x00000004u, SdlSpy::LastTicks());

    // The counter steps over the end of the wait and wraps.
    SdlSpy::SimulateClock(0xFFFFFFFBu, 3);
    timer.WaitAcc(4);
    EXPECT_EQ(0x00000001u, SdlSpy::LastTicks());

    SdlSpy::SimulateClock(0xFFFFFFF0u, 1);
    timer.WaitAcc(35);
    EXPECT_EQ(0x00000013u, SdlSpy::LastTicks());
}

TEST_F(TimerTest, WaitAccOnTheRealClockWaitsAtLeastTheTime)
{
    KWOTimer timer(0);
    const Uint32 start = SDL_GetTicks();
    timer.WaitAcc(3);
    EXPECT_GE(SDL_GetTicks() - start, 3u);
}
