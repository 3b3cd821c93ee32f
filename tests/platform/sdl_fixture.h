// A test with SDL: the log goes to a scratch file, the SDL spy starts fresh,
// and a test that would wait for ever is stopped by an alarm.
#ifndef KWO_TESTS_PLATFORM_SDL_FIXTURE_H
#define KWO_TESTS_PLATFORM_SDL_FIXTURE_H

#include "core/KWOLog.h"
#include "platform/KWOSDLMgr.h"
#include "sdl_spy.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

class SdlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SdlSpy::Reset();
        ASSERT_EQ(0u, KWOSDLMgr::GetInstances());
        ASSERT_EQ(0u, KWOSDLMgr::GetSDLState());
        ASSERT_TRUE(KWO::SetLogTarget(2, LogFile().c_str()));
        alarm(60);
    }
    void TearDown() override
    {
        alarm(0);
        KWO::SetLogTarget(0, nullptr);
        SdlSpy::Reset();
        // Every test gives SDL back.
        EXPECT_EQ(0u, KWOSDLMgr::GetInstances());
        EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_EVERYTHING));
    }

    std::string LogFile() const { return m_dir / "log.txt"; }
    std::string Logged() const { return ReadFileBytes(LogFile()); }

private:
    TempDir m_dir;
};

#endif
