#pragma once

// Reading codes back from a file the program wrote: an export file in the
// line layout of an ExpFormat, or an archive file (known by its time stamp).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CPVars.h"

struct CodeFileContent {
    std::vector<TCodes> codes;  // at most kMaxCodes: an export's first, an archive's newest
    std::int32_t leftOut = 0;   // the codes beyond those
    bool archive = false;
    bool typed = true;         // false: codes only, without their symbology
    std::int32_t badLine = 0;  // the first line that does not fit, from 1; 0 when all fit
    std::string badText;       // that line
};

// The lines of a text file the program wrote or a user edited: ending in CR
// LF or LF, a UTF-8 byte order mark skipped.
std::vector<std::string_view> FileLines(std::string_view text);
// The same without the empty lines at its end.
std::vector<std::string_view> FilledLines(std::string_view text);

// Empty lines at the end are no codes, but in a codes-only file, where an
// empty line is an empty code. A code is
// at most as long as a pen can store one.
CodeFileContent ParseCodeFile(std::string_view content, std::uint8_t format);

// The whole file, or nothing when it cannot be read or is larger than limit.
std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t limit);
