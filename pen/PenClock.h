#pragma once

// The time base of the pen commands: a monotonic clock, the main thread's
// message pump and a wait for the next message. Tests give a fake one so command timing
// needs no real waiting.

#include <cstdint>
#include <memory>

class PenClock {
  public:
    virtual ~PenClock() = default;
    // Milliseconds since some fixed start; never goes back.
    virtual std::int64_t NowMs() = 0;
    // Handles the pending messages and hand-overs of the main thread.
    virtual void Pump() = 0;
    // Waits at most ms; returns early when a message or hand-over arrives.
    virtual void WaitMs(std::int32_t ms) = 0;
};

// steady_clock, platform::ProcessMessages and platform::WaitForMessages.
std::unique_ptr<PenClock> MakeSystemClock();
