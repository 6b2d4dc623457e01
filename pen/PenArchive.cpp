#include "PenArchive.h"

#include <cstdio>

#include "Pen.h"
#include "PenExport.h"
#include "Utf.h"

std::string ArchiveStamp(const ArchiveTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

std::string ArchiveFileName(const ArchiveTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d.csv", t.Year, t.Month);
    return text;
}

std::string ArchiveLine(const ArchiveTime& time, const std::string& deviceId, std::uint16_t uploads,
                        const TCodes& code) {
    std::string id = deviceId;
    for (char& c : id)
        if (c == ';' || static_cast<unsigned char>(c) < 0x20) c = '_';
    // The symbology and the code as the export file writes them.
    return ArchiveStamp(time) + ";" + id + ";" + std::to_string(uploads) + ";" +
           ExportLine(0, code, 0);
}

std::string ArchiveText(const ArchiveTime& time) {
    std::string text;
    for (std::int32_t n = 1; n <= CodeCount; ++n)
        text += ArchiveLine(time, PenData.DeviceID, PenData.Uploads, Codes[n]) + "\r\n";
    return text;
}

void TDMPen::SetArchiveFolder(std::string folder) {
    archiveFolder_ = std::move(folder);
}

std::string TDMPen::ArchiveFolder() const {
    return archiveFolder_.empty() ? DefaultArchiveFolder() : archiveFolder_;
}

PenClearCheck TDMPen::SecureCodes(bool codesRead) {
    PenClearCheck check = CheckPenClear(codesRead);
    if (!Einstell.Archiv || CodeCount == 0) return check;
    const ArchiveTime now = ArchiveClock ? ArchiveClock() : LocalTimeNow();
    const std::string path =
        platform::PathUtf8(platform::Utf8Path(ArchiveFolder()) / ArchiveFileName(now));
    const std::string failed = AppendDurably(path, ArchiveText(now));
    if (!failed.empty()) check.archiveError = path + ": " + failed;
    return check;
}
