// On Windows the serial devices are the detected COM ports, opened by name.

#include "unitportdetect.h"

namespace portdetect {

std::vector<TSerialDevice> DetectSerialDevices() {
    std::vector<TDetectedPort> ports(kChooserPorts);
    DetectComPorts(ports);
    std::vector<TSerialDevice> devices;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (!ports[i].Name.empty())
            devices.push_back({ports[i].Name, "COM" + std::to_string(i + 1)});
    }
    return devices;
}

}  // namespace portdetect
