#pragma once

#include <string>

// Console output of the program: lines go to the console (or file, or pipe)
// of the process that started it, and nowhere when there is none.

// True when the program could reach its parent's console at start.
extern bool ConsoleAttached;

// Finds the parent's console. Called once at start, before any output.
void FSSystemStartup();

// Writes text as one line; a trailing CR LF in the text does not add a second
// line end, so "\r\n" writes one empty line. Empty text writes nothing. An
// output error raises platform::InOutError.
void ConWriteLn(const std::string& text);

// Text without its trailing line-end characters.
std::string WithoutLineEnd(const std::string& text);
