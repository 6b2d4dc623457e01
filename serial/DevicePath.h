#pragma once

// Device names as the component builds them ("\\.\" + CommPort), turned into
// what each platform opens.

#include <string>

namespace comm {

// Without the trailing blanks a command line can leave on a port name.
std::string TrimTrailingBlanks(const std::string& name);

// POSIX: without the "\\.\" prefix; "COMn" (n >= 1, any case) is
// /dev/ttyS(n-1), as Wine maps it; anything else is a device path as it is.
std::string PosixDevicePath(const std::string& path);

}  // namespace comm
