#include "PenExport.h"

#include "DevicePath.h"
#include "Pen.h"

std::string ExportLine(std::int32_t n, const TCodes& code, std::uint8_t format) {
    std::string line;
    if (format & kExpRunningNumber) line += std::to_string(n) + ";";
    if (!(format & kExpCodeOnly)) line += std::to_string(code.Symbology) + ";";
    return line + code.Code;
}

std::string ExportText(std::uint8_t format) {
    std::string text;
    for (std::int32_t n = 1; n <= CodeCount; ++n) text += ExportLine(n, Codes[n], format) + "\r\n";
    return text;
}

void WriteExportFile(const std::string& fileName, std::uint8_t format) {
    ReplaceFileContent(comm::TrimTrailingBlanks(fileName), ExportText(format));
}

bool TDMPen::SaveCodes(const std::string& FileName) {
    if (CodeCount == 0) return false;
    WriteExportFile(FileName, Einstell.ExpFormat);
    return true;
}
