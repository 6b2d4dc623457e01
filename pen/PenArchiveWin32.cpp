#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "HandlesWin32.h"
#include "LateLibraryWin32.h"
#include "PenArchive.h"
#include "TextWin32.h"

namespace {

// The lock is one byte far beyond any archive's end: it keeps appending
// programs apart without keeping anyone from reading the file meanwhile.
constexpr DWORD kLockHigh = 0x7FFFFFFF;
constexpr DWORD kLockLow = 0xFFFFFFFE;

std::filesystem::path LocalAppData() {
    wchar_t value[MAX_PATH * 4];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", value, DWORD(std::size(value)));
    if (n > 0 && n < std::size(value)) return std::filesystem::path(value);
    using platform::LateEntry, platform::LateLibrary;
    auto* find =
        LateEntry<LateLibrary::Shell32, decltype(SHGetKnownFolderPath)>("SHGetKnownFolderPath");
    auto* release = LateEntry<LateLibrary::Ole32, decltype(CoTaskMemFree)>("CoTaskMemFree");
    if (!find || !release) return {};
    wchar_t* known = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(find(FOLDERID_LocalAppData, 0, nullptr, &known))) folder = known;
    release(known);
    return folder;
}

}  // namespace

std::string DefaultArchiveFolder() {
    return platform::PathUtf8(LocalAppData() / L"Stylorix" / L"Archiv");
}

ArchiveTime LocalTimeNow() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::string AppendDurably(const std::string& path, const std::string& content) {
    const std::filesystem::path file = platform::Utf8Path(path);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return ec.message();

    platform::OwnedFile out(CreateFileW(file.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return platform::SystemMessage(GetLastError());
    OVERLAPPED lock{};
    lock.Offset = kLockLow;
    lock.OffsetHigh = kLockHigh;
    if (!LockFileEx(out.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lock))
        return platform::SystemMessage(GetLastError());

    DWORD error = 0;
    LARGE_INTEGER before{};
    if (!SetFilePointerEx(out.Get(), LARGE_INTEGER{}, &before, FILE_END)) error = GetLastError();
    for (std::size_t done = 0; !error && done < content.size();) {
        const DWORD chunk = DWORD(std::min<std::size_t>(content.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(out.Get(), content.data() + done, chunk, &written, nullptr) || written == 0)
            error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        done += written;
    }
    if (!error && !FlushFileBuffers(out.Get())) error = GetLastError();
    if (error) {
        // Half a download's lines would read as a broken line: take them back.
        if (SetFilePointerEx(out.Get(), before, nullptr, FILE_BEGIN)) SetEndOfFile(out.Get());
    }
    UnlockFileEx(out.Get(), 0, 1, 0, &lock);
    return error ? platform::SystemMessage(error) : std::string();
}
