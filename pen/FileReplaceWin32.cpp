#include <windows.h>

#include "Errors.h"
#include "HandlesWin32.h"
#include "PenExport.h"
#include "TextWin32.h"

namespace {

[[noreturn]] void Fail(const std::string& path, DWORD error) {
    throw platform::InOutError("E/A-Fehler " + std::to_string(error) + " beim Schreiben von '" +
                               path + "'");
}

}  // namespace

void ReplaceFileContent(const std::string& path, const std::string& content) {
    if (path.empty()) Fail(path, ERROR_PATH_NOT_FOUND);
    const std::wstring target = platform::Widen(path);
    const std::wstring temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    DWORD error = 0;
    {
        platform::OwnedFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Fail(path, GetLastError());
        DWORD written = 0;
        if (!WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                       nullptr) ||
            written != content.size() || !FlushFileBuffers(file.Get())) {
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        }
    }
    if (!error && !MoveFileExW(temp.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error) {
        DeleteFileW(temp.c_str());
        Fail(path, error);
    }
}
