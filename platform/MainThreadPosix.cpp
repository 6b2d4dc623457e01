#include "MainThread.h"

namespace platform {

// Without a window system the hand-over queue is the only message source.
void ProcessMessages() {
    RunPendingHandOvers();
}

void WaitForMessages(std::chrono::milliseconds timeout) {
    detail::WaitForHandOver(timeout);
}

// The condition variable of the queue already wakes a waiting main thread.
void detail::NotifyMainThread() {}

}  // namespace platform
