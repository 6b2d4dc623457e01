// Works the running Stylorix window from outside, the way another program or
// a user on the same desktop would: finds it by its caption and reads and
// works its controls through window messages. One command per run; results
// go to standard output, one line each; exit code 0 on success, 1 on failure
// (with the reason on standard error), 2 on a usage error.
//
//   uidriver COMMAND [ARGS...]     without arguments: the list of commands
//
// A control is given by its name (e.g. ESearch1) or its window id. The
// commands by concern: WindowCommands.cpp (the window and its controls),
// ListCommands.cpp (the barcode list), BoxCommands.cpp (boxes, notification
// icon and menu, file dialog, clipboard); what they share is in Window.cpp.

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "Driver.h"
#include "Program.h"

namespace {

const uidriver::Commands& AllCommands() {
    static const uidriver::Commands all = [] {
        uidriver::Commands commands = uidriver::WindowCommands();
        commands.merge(uidriver::ListCommands());
        commands.merge(uidriver::BoxCommands());
        return commands;
    }();
    return all;
}

int Usage() {
    std::fputs("uidriver COMMAND [ARGS]\n", stderr);
    for (const auto& [name, c] : AllCommands())
        std::fprintf(stderr, "  %s %s\n", name.c_str(), c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Arguments from the system's wide command line, results as UTF-8 bytes.
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    _setmode(_fileno(stdout), _O_BINARY);
    if (args.empty()) return Usage();
    auto it = AllCommands().find(args[0]);
    if (it == AllCommands().end()) return Usage();
    const uidriver::Args commandArgs(args.begin() + 1, args.end());
    if (int(commandArgs.size()) < it->second.args) return Usage();
    try {
        it->second.run(commandArgs);
    } catch (const uidriver::Failure& f) {
        std::fprintf(stderr, "uidriver %s: %s\n", args[0].c_str(), f.what.c_str());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
