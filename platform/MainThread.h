#pragma once

#include <chrono>
#include <functional>

// The hand-over between a worker thread and the main thread. Everything of the
// program's own logic runs on the main thread; a worker hands its events over
// with Synchronize and waits until the main thread has run them, which happens
// only while the main thread processes its messages.
namespace platform {

// Records the calling thread as the main thread. Called once at start; until
// then the thread that loaded the program counts as the main thread.
void MarkMainThread();
bool IsMainThread();

// Worker side: runs fn on the main thread and blocks until it has run. On the
// main thread itself fn runs at once.
void Synchronize(const std::function<void()>& fn);

// Main side: handles all pending window messages (Win32 only) and all pending
// hand-overs, then returns.
void ProcessMessages();

// Main side: runs the pending hand-overs only.
void RunPendingHandOvers();

// Main side: sleeps until a hand-over (on Win32 also a window message) is
// pending, or at most the timeout. Waiting this way instead of in short fixed
// sleeps hands received data over at once and costs no idle wake-ups.
void WaitForMessages(std::chrono::milliseconds timeout);

namespace detail {
// Main side, portable: waits for a pending hand-over, at most the timeout.
void WaitForHandOver(std::chrono::milliseconds timeout);
// Worker side, per platform: a hand-over was queued.
void NotifyMainThread();
}  // namespace detail

// Called (on the worker) whenever a hand-over is queued, so that a window's
// message loop blocked in GetMessage wakes up and drains the queue.
void SetWakeHook(std::function<void()> hook);

// Main side: the window's keyboard handling (Tab, mnemonics) that every
// message loop of the main thread applies before it dispatches a message; it
// gets the platform's message record and says whether it used the message.
void SetMessageFilter(std::function<bool(void* message)> filter);
bool FilterMessage(void* message);

// Main side: waits until done() is true while still running hand-overs, so a
// worker blocked in Synchronize can finish. Checks done() at least every 5 ms.
void WaitWhileDraining(const std::function<bool()>& done);

}  // namespace platform
