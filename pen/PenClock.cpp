#include "PenClock.h"

#include <chrono>

#include "MainThread.h"

namespace {

class SystemClock : public PenClock {
  public:
    std::int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
    void Pump() override { platform::ProcessMessages(); }
    void WaitMs(std::int32_t ms) override {
        platform::WaitForMessages(std::chrono::milliseconds(ms));
    }
};

}  // namespace

std::unique_ptr<PenClock> MakeSystemClock() {
    return std::make_unique<SystemClock>();
}
