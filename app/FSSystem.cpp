#include "FSSystem.h"

bool ConsoleAttached = false;

std::string WithoutLineEnd(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}
