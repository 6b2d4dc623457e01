#include "MainThread.h"

namespace platform {

// Without a window system the hand-over queue is the only message source.
void ProcessMessages() {
    RunPendingHandOvers();
}

}  // namespace platform
