#pragma once

// The download archive: every code read is appended to a file of its month
// before the pen may be cleared, so no code lives only in memory once it has
// left the pen. One line a code, CR LF, no header:
//   YYYY-MM-DD HH:MM:SS;DeviceID;Uploads;Symbology;Code
// The code is the last field and keeps its bytes as the export file writes
// them, ";" included. Archive files are only ever appended to.

#include <cstdint>
#include <string>

#include "CPVars.h"

// Local time of a read, to the second.
struct ArchiveTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

// "2026-12-10 19:20:31"
std::string ArchiveStamp(const ArchiveTime& time);
// The month's file: "2026-12.csv".
std::string ArchiveFileName(const ArchiveTime& time);
// One code's line without its line end. A ";" or control byte of the device
// ID becomes "_", so that the fields stay apart and the line stays one line.
std::string ArchiveLine(const ArchiveTime& time, const std::string& deviceId, std::uint16_t uploads,
                        const TCodes& code);
// Codes 1 to CodeCount with PenData's device ID and upload counter, each line
// followed by CR LF.
std::string ArchiveText(const ArchiveTime& time);

// Platform part.
// The archive folder of the user: %LOCALAPPDATA%\Stylorix\Archiv on Windows,
// $XDG_DATA_HOME/stylorix/archive (~/.local/share when unset) elsewhere.
std::string DefaultArchiveFolder();
ArchiveTime LocalTimeNow();
// Appends content to the file in one write while holding an exclusive lock on
// it (so two programs appending at once never mix their lines), then flushes
// it to the disk. A write that fails part-way is taken back. Makes the file's
// folders when missing. Returns an empty text on success, else the system's
// text for what failed. Never throws.
std::string AppendDurably(const std::string& path, const std::string& content);
