#pragma once

#include <stdexcept>
#include <string>

// Framework failures: raised, never caught by the program's own logic, and
// reported by the top-level handler of the mode.
namespace platform {

// File or console output that failed.
class InOutError : public std::runtime_error {
  public:
    explicit InOutError(const std::string& what) : std::runtime_error(what) {}
};

// A text that is not a valid number.
class ConvertError : public std::runtime_error {
  public:
    explicit ConvertError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace platform
