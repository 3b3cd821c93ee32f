// Interrupt and termination signals turned into quit requests safely.
//
// SDL 1.2 answers SIGINT and SIGTERM by queueing its quit event from inside
// the signal handler, which takes the event queue's lock: when the signal
// arrives while the program itself holds that lock (polling for events),
// the process hangs for good. These functions install a handler of their
// own first (SDL then leaves the signals alone) that only wakes a watcher
// thread, and the watcher queues the quit event the ordinary way.
// Internal to the library: not exported.
#ifndef KWOMEDIA_PLATFORM_QUIT_SIGNALS_H
#define KWOMEDIA_PLATFORM_QUIT_SIGNALS_H

namespace KWO
{
namespace OS
{
// Before SDL starts: takes over the signals whose handling is still the
// default one (a program's own handlers are kept) and starts the watcher.
// `queueQuit` is called on the watcher thread for each signal received.
void StartQuitSignals(void (*queueQuit)());
// Before SDL stops: stops the watcher (so that it queues nothing into a
// stopped SDL) and gives the signals back.
void StopQuitSignals();
} // namespace OS
} // namespace KWO

#endif
