#pragma once

// What the driver's commands share: finding the window, its controls and its
// message boxes, memory in the window's process for messages that pass
// pointers, and the command table's shape.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "HandlesWin32.h"
#include "TextWin32.h"

namespace uidriver {

constexpr DWORD kDefaultWait = 10000;

// A command's failure; its text goes to standard error.
struct Failure {
    std::string what;
};

[[noreturn]] void Fail(const std::string& what);

// Asks the control itself: across processes GetWindowText would give only
// the text a window was created with.
std::wstring WindowText(HWND h);
std::wstring ClassOf(HWND h);

// A drop-down's entries; the system copies them across processes.
std::vector<std::wstring> ComboItems(HWND combo);

// One line of the result on standard output, in UTF-8.
void Print(const std::string& line);
void Print(const std::wstring& line);

// Waits until found() gives a window, or fails after the bound.
HWND WaitFor(const std::function<HWND()>& found, DWORD bound, const char* what);

// The main window by its caption; nothing when there is none.
HWND FindMain();
// The main window, or a failure.
HWND Main();
// A control of the main window by its window id; one not there yet is
// waited for.
HWND Control(int id);
// A message box of the program: a dialog window of the window's process.
HWND FindBox();
// Waits until the window has handled everything posted to it so far.
void Sync();

// The controls' names (ui/HauptView.h) and their window ids.
const std::map<std::string, int>& ControlNames();
// A number, or a control's name for its id.
int Number(const std::string& text);

// Memory in the window's process for messages that pass pointers.
class Remote {
  public:
    Remote(HWND window, std::size_t size);
    ~Remote();
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;

    char* Address(std::size_t offset = 0) const { return static_cast<char*>(memory_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t n);
    void Read(std::size_t offset, void* data, std::size_t n) const;
    std::wstring ReadText(std::size_t offset, std::size_t chars) const;

  private:
    platform::OwnedProcess process_;
    void* memory_ = nullptr;
};

// An item's text as a control gives it through a record with a text buffer
// (TCITEMW, LVITEMW): the record at the start of the remote memory, its
// buffer of `chars` characters behind it, the text read back.
template <typename Record>
std::string ItemText(Remote& remote, HWND control, UINT message, WPARAM index, Record record,
                     int chars) {
    record.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof record));
    record.cchTextMax = chars;
    remote.Write(0, &record, sizeof record);
    SendMessageW(control, message, index, LPARAM(remote.Address()));
    return platform::Narrow(remote.ReadText(sizeof record, std::size_t(chars)));
}

// Real input, as a user's mouse and keyboard give it, to the window in front.
void Input(std::vector<INPUT> inputs);

using Args = std::vector<std::string>;
struct Command {
    int args;  // arguments needed (at least)
    const char* usage;
    std::function<void(const Args&)> run;
};
using Commands = std::map<std::string, Command>;

// The optional wait bound at argument `at`, in milliseconds.
DWORD Bound(const Args& a, std::size_t at);

// The commands by concern.
Commands WindowCommands();  // the window and its controls
Commands ListCommands();    // the barcode list, with the mouse
Commands BoxCommands();     // boxes, the notification icon and menu, file dialog, clipboard

}  // namespace uidriver
