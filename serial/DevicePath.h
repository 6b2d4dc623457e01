#pragma once

// Device names as the component builds them ("\\.\" + CommPort), turned into
// what each platform opens.

#include <string>

namespace comm {

// Without the trailing blanks and control characters (0x20 and below) that an
// option line leaves on a port or file name.
std::string TrimTrailingBlanks(std::string name);

// POSIX: without the "\\.\" prefix; "COMn" (n >= 1, any case) is
// /dev/ttyS(n-1), as Wine maps it; anything else is a device path as it is.
std::string PosixDevicePath(const std::string& path);

}  // namespace comm
