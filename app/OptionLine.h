#pragma once

#include <string>
#include <vector>

// The command line of a console run.
struct ConsoleOptions {
    bool Help = false;
    bool Screen = false;  // /S
    bool Port = false;    // /P:
    bool Export = false;  // /E:
    bool Delete = false;  // /D
    std::string PortText;
    std::string ExportFile;

    // The codes are listed on the console only when no export file is given.
    bool ListingMode() const { return Screen && !Export; }
};

// How the /P: and /E: values are cut out of the line.
enum class ValueRule {
    // Windows: from the upper-cased line, up to the next "/" (a blank before it
    // stays part of the value).
    CutAtSlash,
    // POSIX: device and file paths hold "/" and are case-sensitive, so the
    // value is taken from the original text and ends where the next
    // blank-separated option begins; trailing blanks are dropped.
    CutAtNextOption,
};

#ifdef _WIN32
inline constexpr ValueRule kNativeValueRule = ValueRule::CutAtSlash;
#else
inline constexpr ValueRule kNativeValueRule = ValueRule::CutAtNextOption;
#endif

// Every argument upper-cased (a to z only) and followed by one blank, the whole
// trimmed of blanks and control characters at both ends.
std::string BuildOptionLine(const std::vector<std::string>& args, bool upperCase = true);

ConsoleOptions ParseOptions(const std::vector<std::string>& args,
                            ValueRule rule = kNativeValueRule);

// The usage text, one console line each, the empty line first.
const std::vector<std::string>& UsageLines();
