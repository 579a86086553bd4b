// Runs a piece of work on the thread that owns a set of windows with one cross-thread
// message, so that a worker updating the worksheet's lists waits for the GUI thread once per
// row rather than once per control message. Windows-side header.
//
// The call window is a message-only window of the thread that creates it; that thread must
// handle sent messages (a pumping GUI thread does). The creator destroys it.
#pragma once

#include <windows.h>

#include <memory>

// A call window of the current thread; null when it could not be made. With a tick, the
// window keeps `state` and runs tick(state) on its thread every `intervalMs` until it is
// destroyed, whoever else still holds the state; a tick that answers true runs once more as
// soon as the thread has handled what was posted to it meanwhile.
HWND CreateWindowThreadCaller(bool (*tick)(void*) = nullptr, std::shared_ptr<void> state = {},
                              UINT intervalMs = 0);
// From the owner thread; from any other thread the window is asked to close itself.
void DestroyWindowThreadCaller(HWND caller);
// True when there is no call window or this is its thread: work runs here directly.
bool OnWindowThread(HWND caller);
// Runs work(arg) on the caller's thread and returns when it is done: directly when
// OnWindowThread, else through one SendMessage. Any thread.
void RunOnWindowThread(HWND caller, void (*work)(void*), void* arg);

// The same for any callable, run in place of its owner thread's message.
template <typename Work>
void RunOnWindowThread(HWND caller, Work& work) {
  RunOnWindowThread(
      caller, [](void* arg) { (*static_cast<Work*>(arg))(); }, &work);
}
