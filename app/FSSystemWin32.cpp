#include <windows.h>

#include "Errors.h"
#include "FSSystem.h"
#include "HandlesWin32.h"
#include "TextWin32.h"

namespace {

// Where one stream's lines go: a console takes UTF-16, anything else bytes.
struct Sink {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool console = false;
};

Sink g_out, g_err;
platform::OwnedFile g_consoleOut;  // CONOUT$ of the parent's console, once attached

bool Usable(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// AttachConsole is looked up by name: systems before XP lack it.
bool AttachParentConsole() {
    if (g_consoleOut) return true;
    auto* attach =
        platform::ProcEntry<BOOL WINAPI(DWORD)>(GetModuleHandleW(L"kernel32.dll"), "AttachConsole");
    if (!attach || !attach(ATTACH_PARENT_PROCESS)) return false;
    g_consoleOut.Reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
    return static_cast<bool>(g_consoleOut);
}

Sink SinkFor(StreamTarget target, HANDLE inherited) {
    Sink sink;
    if (target == StreamTarget::Inherited) sink.handle = inherited;
    if (target == StreamTarget::Console) sink.handle = g_consoleOut.Get();
    DWORD mode = 0;
    sink.console = target != StreamTarget::None && GetConsoleMode(sink.handle, &mode);
    return sink;
}

// Bytes for a file or pipe, as the console would show them; without a
// console the OEM code page, which is what a console shows by default.
std::string ConsoleBytes(const std::wstring& text) {
    if (text.empty()) return {};
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = GetOEMCP();
    const int n = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, text.data(), n, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The whole line, or the error of the write that failed.
DWORD WriteLine(const Sink& sink, const std::string& text) {
    const std::wstring line = platform::Widen(WithoutLineEnd(text)) + L"\r\n";
    if (sink.console) {
        for (std::size_t done = 0; done < line.size();) {
            DWORD written = 0;
            if (!WriteConsoleW(sink.handle, line.data() + done,
                               static_cast<DWORD>(line.size() - done), &written, nullptr) ||
                written == 0)
                return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += written;
        }
        return 0;
    }
    const std::string bytes = ConsoleBytes(line);
    DWORD written = 0;
    if (!WriteFile(sink.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size())
        return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    return 0;
}

}  // namespace

void FSSystemStartup() {
    // Output redirected to a file or pipe, or a console inherited from the
    // parent: use it as it is. Reopening CONOUT$ without a console would lose it.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const StreamTargets targets =
        ChooseStreamTargets(Usable(out), Usable(err), AttachParentConsole);
    g_out = SinkFor(targets.Out, out);
    g_err = SinkFor(targets.Err, err);
    ConsoleAttached = targets.Out != StreamTarget::None;
}

void ConWriteLn(const std::string& text) {
    if (text.empty() || !ConsoleAttached) return;
    if (DWORD error = WriteLine(g_out, text)) {
        throw platform::InOutError("E/A-Fehler " + std::to_string(error));
    }
}

void ErrWriteLn(const std::string& text) {
    if (text.empty() || g_err.handle == INVALID_HANDLE_VALUE) return;
    WriteLine(g_err, text);
}
