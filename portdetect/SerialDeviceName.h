#pragma once

// How a tty device that udev reports becomes a chooser entry: which ones are
// real serial ports, and the readable name each one gets.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unitportdetect.h"

namespace portdetect {

struct UdevTty {
    std::string SysName;  // e.g. ttyUSB0
    std::string DevNode;  // e.g. /dev/ttyUSB0; empty when there is no device file
    bool OnBus = false;   // has a parent device, i.e. is not a virtual terminal
    // The serial core's port type; "0" is a node without a port behind it.
    std::optional<std::string> PortType;
    // udev database properties; empty when absent.
    std::string ModelEnc, ModelFromDatabase, Model;
    std::string VendorEnc, VendorFromDatabase, Vendor;
};

bool IsRealSerialPort(const UdevTty& tty);

// The model's (else the vendor's) name followed by the device name in
// parentheses, e.g. "FT232R USB UART (ttyUSB0)"; the bare device name when
// udev knows neither.
std::string SerialDeviceName(const UdevTty& tty);

// The chooser's list from the tty devices udev reports: the real serial ports,
// named, in the order of their device paths (ttyS2 before ttyS10).
std::vector<TSerialDevice> SerialDevicesOf(const std::vector<UdevTty>& ttys);

// Undoes udev's \xNN escapes in its *_ENC properties.
std::string DecodeUdevText(std::string_view text);

}  // namespace portdetect
