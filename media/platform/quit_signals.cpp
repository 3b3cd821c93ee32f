#include "platform/quit_signals.h"

#ifdef __EMSCRIPTEN__

namespace KWO
{
namespace OS
{
// The browser has neither signals nor a second thread to watch for them: a
// page that closes sends SDL's quit event itself.
void StartQuitSignals(void (*)()) {}
void StopQuitSignals() {}
} // namespace OS
} // namespace KWO

#else

#include <atomic>
#include <cerrno>
#include <csignal>
#include <semaphore.h>
#include <new>
#include <thread>

namespace KWO
{
namespace OS
{
namespace
{
const int kSignals[] = {SIGINT, SIGTERM};

sem_t g_wake;
std::atomic<bool> g_stop{false};
std::atomic<int> g_pending{0};
// Never destroyed: a program that exits while SDL runs must not find a
// joinable thread object among the statics it destroys.
std::thread* g_watcher = nullptr;
bool g_running = false;
struct sigaction g_previous[2];
bool g_taken[2] = {false, false};

// Only what is safe inside a signal handler: an atomic count and a post.
void OnSignal(int)
{
    const int saved = errno;
    g_pending.fetch_add(1);
    sem_post(&g_wake);
    errno = saved;
}

void Watch(void (*queueQuit)())
{
    for (;;)
    {
        while (sem_wait(&g_wake) != 0 && errno == EINTR)
        {
        }
        if (g_stop)
            return;
        while (g_pending.load() > 0)
        {
            g_pending.fetch_sub(1);
            queueQuit();
        }
    }
}
} // namespace

void StartQuitSignals(void (*queueQuit)())
{
    if (g_running || queueQuit == nullptr || sem_init(&g_wake, 0, 0) != 0)
        return;
    g_stop = false;
    g_pending = 0;
    // Without the watcher (no memory, no thread), SDL keeps its own handling.
    g_watcher = new (std::nothrow) std::thread;
    if (g_watcher == nullptr)
    {
        sem_destroy(&g_wake);
        return;
    }
    try
    {
        *g_watcher = std::thread(Watch, queueQuit);
    }
    catch (...)
    {
        delete g_watcher;
        g_watcher = nullptr;
        sem_destroy(&g_wake);
        return;
    }
    g_running = true;
    for (int i = 0; i < 2; ++i)
    {
        struct sigaction current;
        g_taken[i] = false;
        if (sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0)
            continue;
        struct sigaction mine = {};
        mine.sa_handler = OnSignal;
        sigemptyset(&mine.sa_mask);
        mine.sa_flags = SA_RESTART;
        if (sigaction(kSignals[i], &mine, &g_previous[i]) == 0)
            g_taken[i] = true;
    }
}

void StopQuitSignals()
{
    if (!g_running)
        return;
    for (int i = 0; i < 2; ++i)
    {
        if (g_taken[i])
            sigaction(kSignals[i], &g_previous[i], nullptr);
        g_taken[i] = false;
    }
    g_stop = true;
    sem_post(&g_wake);
    g_watcher->join();
    delete g_watcher;
    g_watcher = nullptr;
    sem_destroy(&g_wake);
    g_running = false;
}
} // namespace OS
} // namespace KWO

#endif
