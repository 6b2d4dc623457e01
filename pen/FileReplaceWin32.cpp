#include <windows.h>

#include "Errors.h"
#include "PenExport.h"

namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw platform::InOutError("E/A-Fehler " + std::to_string(error) + " beim Schreiben von '" +
                               path + "'");
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

}  // namespace

void ReplaceFileContent(const std::string& path, const std::string& content) {
    if (path.empty()) Fail(path, ERROR_PATH_NOT_FOUND);
    const std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    DWORD error = 0;
    {
        Handle file{CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE) Fail(path, GetLastError());
        DWORD written = 0;
        if (!WriteFile(file.h, content.data(), static_cast<DWORD>(content.size()), &written,
                       nullptr) ||
            written != content.size() || !FlushFileBuffers(file.h)) {
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        }
    }
    if (!error && !MoveFileExA(temp.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error) {
        DeleteFileA(temp.c_str());
        Fail(path, error);
    }
}
