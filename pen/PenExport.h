#pragma once

// The export line format of the codes: file, console listing and clipboard.

#include <cstdint>
#include <string>

#include "CPVars.h"

inline constexpr std::uint8_t kExpRunningNumber = 1;  // prefix the entry's position
inline constexpr std::uint8_t kExpCodeOnly = 2;       // no symbology column

// One line without its line end, for entry number n.
std::string ExportLine(std::int32_t n, const TCodes& code, std::uint8_t format);

// Codes 1 to CodeCount, each line followed by CR LF.
std::string ExportText(std::uint8_t format);

// Writes ExportText(format) to the file, replacing it only once the new
// content is complete (even with no codes: then the file is empty). Trailing
// blanks of the name are ignored. Raises platform::InOutError on failure.
void WriteExportFile(const std::string& fileName, std::uint8_t format);

// Platform part: writes content to a temporary file beside path and renames
// it over path. On failure the temporary file is removed, an existing file at
// path is left as it was, and platform::InOutError is raised.
void ReplaceFileContent(const std::string& path, const std::string& content);
