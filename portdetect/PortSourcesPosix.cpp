// Outside Windows there is no device-class list, no configuration manager and
// no spooler port list: every source answers nothing, and the serial devices
// are listed by DetectSerialDevices instead.

#include "unitportdetect.h"

namespace portdetect {
namespace {

class NoPortSources : public PortSources {
  public:
    std::optional<std::vector<ClassDevice>> ClassDevices(const ClassGuid&) override {
        return std::nullopt;
    }
    std::vector<ResDesData> DevNodeResources(std::uint32_t) override { return {}; }
    std::optional<std::vector<SpoolerPort>> SpoolerPorts() override { return std::nullopt; }
    bool Win9xFamily() override { return false; }
};

}  // namespace

PortSources& PlatformSources() {
    static NoPortSources sources;
    return sources;
}

}  // namespace portdetect
