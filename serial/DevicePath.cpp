#include "DevicePath.h"

#include <cctype>

namespace comm {

std::string TrimTrailingBlanks(std::string name) {
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= 0x20) name.pop_back();
    return name;
}

std::string PosixDevicePath(const std::string& path) {
    std::string name = TrimTrailingBlanks(path);
    const std::string prefix = "\\\\.\\";
    if (name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
    if (name.size() > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M' && name.size() <= 12) {
        unsigned long n = 0;
        bool digits = true;
        for (std::string::size_type i = 3; i < name.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
                digits = false;
                break;
            }
            n = n * 10 + static_cast<unsigned long>(name[i] - '0');
        }
        if (digits && n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

}  // namespace comm
