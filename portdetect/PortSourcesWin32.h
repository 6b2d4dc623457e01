#pragma once

// The Windows sources with their library names and the spooler's first buffer
// size open to tests; the program uses PlatformSources().

#include <cstdint>
#include <memory>

#include "unitportdetect.h"

namespace portdetect {

struct Win32SourceOptions {
    const char* SetupApi = "setupapi.dll";
    const char* CfgMgr = "cfgmgr32.dll";
    const char* Spooler = "winspool.drv";
    std::uint32_t SpoolerBuffer = 5120;
};

// Loads the libraries by name; released when the object goes.
std::unique_ptr<PortSources> OpenWin32Sources(const Win32SourceOptions& options);

}  // namespace portdetect
