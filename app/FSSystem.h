#pragma once

#include <functional>
#include <string>

// Console output of the program: lines go to the console (or file, or pipe)
// of the process that started it, and nowhere when there is none. Texts are
// UTF-8; a console gets them as the user reads them (on Windows UTF-16 to the
// console itself, the console's code page to a file or pipe).

// True when the program could reach its parent's console at start.
extern bool ConsoleAttached;

// Finds the parent's console. Called once at start, before any output.
void FSSystemStartup();

// Writes text as one line; a trailing CR LF in the text does not add a second
// line end, so "\r\n" writes one empty line. Empty text writes nothing. An
// output error raises platform::InOutError.
void ConWriteLn(const std::string& text);

// Writes text as one line to standard error, by the same rules. A failed
// write is ignored: standard error is where failures are reported, so there
// is nowhere left to report it.
void ErrWriteLn(const std::string& text);

// Text without its trailing line-end characters.
std::string WithoutLineEnd(const std::string& text);

// Where a standard stream of the Windows program goes. A program of the
// window subsystem started from a console gets no handles of its own unless
// they were redirected; it then has to attach to its parent's console, and
// both standard output and standard error go there.
enum class StreamTarget { Inherited, Console, None };
struct StreamTargets {
    StreamTarget Out = StreamTarget::None;
    StreamTarget Err = StreamTarget::None;
    bool operator==(const StreamTargets&) const = default;
};
// A stream with a usable handle of its own keeps it; the others go to the
// parent's console. attach is called only when a stream needs the console,
// and reports whether the program could attach to it.
StreamTargets ChooseStreamTargets(bool outUsable, bool errUsable,
                                  const std::function<bool()>& attach);
