#include <windows.h>

#include "Errors.h"
#include "HandlesWin32.h"
#include "PenExport.h"

namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw platform::InOutError("E/A-Fehler " + std::to_string(error) + " beim Schreiben von '" +
                               path + "'");
}

}  // namespace

void ReplaceFileContent(const std::string& path, const std::string& content) {
    if (path.empty()) Fail(path, ERROR_PATH_NOT_FOUND);
    const std::string temp = path + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
    DWORD error = 0;
    {
        platform::OwnedFile file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Fail(path, GetLastError());
        DWORD written = 0;
        if (!WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                       nullptr) ||
            written != content.size() || !FlushFileBuffers(file.Get())) {
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
