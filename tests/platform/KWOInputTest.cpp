#include "platform/KWOInput.h"
#include "platform/KWOEvent.h"
#include "sdl_fixture.h"

#include <cstring>

namespace
{
class InputTest : public SdlTest
{
protected:
    void SetUp() override
    {
        SdlTest::SetUp();
        m_input = KWOInput::Singleton();
        ASSERT_NE(nullptr, m_input);
    }
    void TearDown() override
    {
        delete m_input;
        SdlTest::TearDown();
    }

    // The types SDL lets into its queue, as a bit set.
    static Uint32 EnabledTypes()
    {
        Uint32 enabled = 0;
        for (unsigned t = 0; t < SDL_NUMEVENTS; ++t)
        {
            if (SDL_EventState(static_cast<Uint8>(t), SDL_QUERY) == SDL_ENABLE)
                enabled |= Uint32(1) << t;
        }
        return enabled;
    }

    static void PushKey(SDLKey key, Uint16 unicode = 0)
    {
        SDL_Event event = {};
        event.key.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        event.key.keysym.unicode = unicode;
        ASSERT_EQ(0, SDL_PushEvent(&event));
    }

    static void PushButton(Uint16 x, Uint16 y)
    {
        SDL_Event event = {};
        event.button.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = x;
        event.button.y = y;
        ASSERT_EQ(0, SDL_PushEvent(&event));
    }

    static int Queued()
    {
        SDL_Event events[64];
        return SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_ALLEVENTS);
    }

    KWOInput* m_input = nullptr;
};
} // namespace

TEST(EventTest, HasTheLayoutOfSdlEvent)
{
    static_assert(sizeof(KWOEvent) == sizeof(SDL_Event));
    static_assert(alignof(KWOEvent) == alignof(SDL_Event));
    if (sizeof(void*) == 8)
    {
        EXPECT_EQ(24u, sizeof(KWOEvent));
    }
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    KWOEvent copy;
    std::memcpy(&copy, &quit, sizeof(copy));
    EXPECT_EQ(12, copy.Type());
}

TEST(EventTest, ButtonNamesTheMouseButtonOfButtonEventsOnly)
{
    // What an SDL event of `type` with button `button` reads as. Motion and
    // key events have a non-zero byte where button events keep the button.
    auto buttonOf = [](Uint8 type, Uint8 button)
    {
        SDL_Event sdl = {};
        sdl.type = type;
        if (type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP)
            sdl.button.button = button;
        else if (type == SDL_MOUSEMOTION)
            sdl.motion.state = SDL_BUTTON(button); // a drag: the button is held
        else if (type == SDL_KEYDOWN)
            sdl.key.state = SDL_PRESSED;
        KWOEvent event;
        std::memcpy(&event, &sdl, sizeof(event));
        return event.Button();
    };
    EXPECT_EQ(KWOEvent::ButtonLeft, buttonOf(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT));
    EXPECT_EQ(KWOEvent::ButtonRight, buttonOf(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT));
    EXPECT_EQ(KWOEvent::ButtonMiddle, buttonOf(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE));
    EXPECT_EQ(KWOEvent::ButtonWheelDown, buttonOf(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELDOWN));
    EXPECT_EQ(0u, buttonOf(SDL_MOUSEMOTION, SDL_BUTTON_LEFT));
    EXPECT_EQ(0u, buttonOf(SDL_KEYDOWN, 0));
    EXPECT_EQ(0u, buttonOf(SDL_QUIT, 0));
}

TEST_F(InputTest, SingletonIsCreatedOnceAndClearedByItsDestructor)
{
    EXPECT_EQ(m_input, KWOInput::Singleton());
    EXPECT_EQ(0u, m_input->m_eventTypes);
    EXPECT_EQ(0x20u, KWOSDLMgr::GetSDLState());

    // Another input object leaves the singleton in place when deleted.
    delete new KWOInput();
    EXPECT_EQ(m_input, KWOInput::Singleton());

    delete m_input;
    m_input = KWOInput::Singleton();
    ASSERT_NE(nullptr, m_input);
    EXPECT_EQ(1u, KWOSDLMgr::GetInstances());
}

TEST_F(InputTest, SetEventTypesEnablesExactlyTheMaskedTypes)
{
    m_input->SetEventTypes(0x1024);
    EXPECT_EQ(0x1024u, m_input->m_eventTypes);
    EXPECT_EQ(0x1024u, EnabledTypes()); // key down, button down, quit

    // Bit 0 and the types from 28 on are never enabled by a mask.
    m_input->SetEventTypes(0xFFFFFFFF);
    EXPECT_EQ(0x0FFFFFFEu, EnabledTypes());

    m_input->SetEventTypes(0);
    EXPECT_EQ(0u, m_input->m_eventTypes);
    EXPECT_EQ(0u, EnabledTypes());
}

TEST_F(InputTest, AddAndRemoveChangeOneTypeAndRefuseUnknownTypes)
{
    m_input->SetEventTypes(0x1024);
    m_input->AddEventType(SDL_MOUSEMOTION);
    EXPECT_EQ(0x1034u, m_input->m_eventTypes);
    EXPECT_EQ(0x1034u, EnabledTypes());
    m_input->RemoveEventType(SDL_KEYDOWN);
    EXPECT_EQ(0x1030u, m_input->m_eventTypes);
    EXPECT_EQ(0x1030u, EnabledTypes());
    m_input->AddEventType(31);
    EXPECT_EQ(0x80001030u, EnabledTypes());
    m_input->RemoveEventType(31);

    // SDL has no type 32 or above; 255 would mean every type to SDL.
    for (unsigned type : {32u, 40u, 255u, 258u, 0xFFFFFFFFu})
    {
        m_input->AddEventType(type);
        m_input->RemoveEventType(type);
    }
    EXPECT_EQ(0x1030u, m_input->m_eventTypes);
    EXPECT_EQ(0x1030u, EnabledTypes());
}

TEST_F(InputTest, FlushEmptiesTheQueue)
{
    m_input->SetEventTypes(0x1024);
    PushKey(SDLK_a);
    PushButton(1, 2);
    PushKey(SDLK_b);
    EXPECT_EQ(3, Queued());
    m_input->Flush();
    EXPECT_EQ(0, Queued());
    m_input->Flush();
    EXPECT_EQ(0, Queued());
}

TEST_F(InputTest, WaitNextEventDropsOtherTypesUntilTheWantedOne)
{
    m_input->SetEventTypes(0x1024);
    PushKey(SDLK_a);
    PushKey(SDLK_b);
    PushButton(123, 45);
    PushKey(SDLK_c);

    KWOEvent event;
    std::memset(&event, 0xAA, sizeof(event));
    ASSERT_TRUE(m_input->WaitNextEvent(SDL_MOUSEBUTTONDOWN, &event));
    EXPECT_EQ(SDL_MOUSEBUTTONDOWN, event.Type());
    SDL_Event copy;
    std::memcpy(&copy, &event, sizeof(copy));
    EXPECT_EQ(123, copy.button.x);
    EXPECT_EQ(45, copy.button.y);
    EXPECT_EQ(SDL_BUTTON_LEFT, copy.button.button);

    // The keys before the button are gone, the one after it stays queued.
    SDL_Event rest;
    ASSERT_EQ(1, SDL_PollEvent(&rest));
    EXPECT_EQ(SDL_KEYDOWN, rest.type);
    EXPECT_EQ(SDLK_c, rest.key.keysym.sym);

    // Without a record to fill the event is only taken.
    PushKey(SDLK_d);
    PushButton(7, 8);
    EXPECT_TRUE(m_input->WaitNextEvent(SDL_MOUSEBUTTONDOWN, nullptr));
    EXPECT_EQ(0, Queued());
}

TEST_F(InputTest, WaitNextEventRefusesTypesThatCanNeverArrive)
{
    // Every type ignored: nothing can arrive, SDL_WaitEvent would not return.
    m_input->SetEventTypes(0);
    KWOEvent event;
    EXPECT_FALSE(m_input->WaitNextEvent(SDL_MOUSEBUTTONDOWN, &event));
    EXPECT_NE(std::string::npos, Logged().find("Input: event type 5 can't arrive\n"));

    // An event of an ignored type already queued (pushed events pass) is found.
    PushKey(SDLK_x);
    PushButton(3, 4);
    EXPECT_TRUE(m_input->WaitNextEvent(SDL_MOUSEBUTTONDOWN, &event));
    EXPECT_EQ(SDL_MOUSEBUTTONDOWN, event.Type());

    // SDL has no such types.
    EXPECT_FALSE(m_input->WaitNextEvent(32, &event));
    EXPECT_FALSE(m_input->WaitNextEvent(255, nullptr));
}

TEST_F(InputTest, WaitNextEventReportsAnSdlWaitError)
{
    m_input->SetEventTypes(0x1024);
    // Without video SDL has no event queue, and its wait fails.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    KWOEvent event;
    EXPECT_FALSE(m_input->WaitNextEvent(SDL_KEYDOWN, &event));
}

TEST_F(InputTest, PollTakeAndWaitReadTheQueueInOrder)
{
    m_input->SetEventTypes(0x1024);
    KWOEvent event;
    EXPECT_FALSE(m_input->PollEvent(&event));
    EXPECT_FALSE(m_input->TakeEvent(SDL_QUIT, &event));

    ASSERT_NO_FATAL_FAILURE(PushKey(SDLK_a, 'A'));
    PushButton(123, 45);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(0, SDL_PushEvent(&quit));
    PushKey(SDLK_ESCAPE);

    // The quit request is taken from the middle of the queue; the rest stays.
    ASSERT_TRUE(m_input->TakeEvent(KWOEvent::TypeQuit, &event));
    EXPECT_EQ(KWOEvent::TypeQuit, event.Type());
    EXPECT_EQ(0u, event.Key());
    EXPECT_FALSE(m_input->TakeEvent(KWOEvent::TypeQuit, nullptr));
    EXPECT_FALSE(m_input->TakeEvent(40, nullptr));
    EXPECT_EQ(3, Queued());

    ASSERT_TRUE(m_input->PollEvent(&event));
    EXPECT_TRUE(event.IsKeyDown('a'));
    EXPECT_FALSE(event.IsKeyDown(KWOEvent::KeyEscape));
    EXPECT_EQ(unsigned('A'), event.Unicode());
    EXPECT_EQ(0, event.X());
    ASSERT_TRUE(m_input->WaitEvent(&event));
    EXPECT_EQ(KWOEvent::TypeButtonDown, event.Type());
    EXPECT_EQ(123, event.X());
    EXPECT_EQ(45, event.Y());
    EXPECT_EQ(0u, event.Key());
    EXPECT_EQ(0u, event.Unicode());
    ASSERT_TRUE(m_input->PollEvent(nullptr));
    EXPECT_EQ(0, Queued());

    // With every type ignored and nothing queued, waiting would never end.
    m_input->SetEventTypes(0);
    EXPECT_FALSE(m_input->WaitEvent(&event));
    EXPECT_NE(std::string::npos, Logged().find("Input: no event type can arrive\n"));
    PushKey(SDLK_b);
    EXPECT_TRUE(m_input->WaitEvent(nullptr));

    EXPECT_TRUE(m_input->EnableKeyRepeat(400, 50));
    int delay = 0, interval = 0;
    SDL_GetKeyRepeat(&delay, &interval);
    EXPECT_EQ(400, delay);
    EXPECT_EQ(50, interval);
    EXPECT_FALSE(m_input->EnableKeyRepeat(0x80000000u, 50));
    EXPECT_TRUE(m_input->EnableKeyRepeat(0, 0));
}

TEST_F(InputTest, GetMouseStateKeepsTheThreeButtons)
{
    int x = -1;
    int y = -1;
    EXPECT_EQ(0, m_input->GetMouseState(&x, &y)); // nothing pressed headless
    EXPECT_EQ(0, m_input->GetMouseState(nullptr, nullptr));

    // Left, middle, right and both wheel directions pressed.
    SdlSpy::SimulateMouse(0x1F, 320, 200);
    EXPECT_EQ(0x07, m_input->GetMouseState(&x, &y));
    EXPECT_EQ(320, x);
    EXPECT_EQ(200, y);
    SdlSpy::SimulateMouse(SDL_BUTTON_RMASK | SDL_BUTTON(SDL_BUTTON_WHEELUP), 1, 2);
    EXPECT_EQ(0x04, m_input->GetMouseState(nullptr, &y));
    EXPECT_EQ(2, y);
    EXPECT_EQ(0x04, m_input->GetMouseState(&x, nullptr));
    EXPECT_EQ(1, x);
}
