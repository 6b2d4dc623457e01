#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "Errors.h"
#include "FSSystem.h"

void FSSystemStartup() {
    // A reader that went away (stylorix /S | head -1) makes a write fail with
    // EPIPE, an output error like any other, instead of killing the program
    // in the middle of a read cycle.
    signal(SIGPIPE, SIG_IGN);
    ConsoleAttached = fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

void ConWriteLn(const std::string& text) {
    if (text.empty() || !ConsoleAttached) return;
    std::string line = WithoutLineEnd(text) + "\n";
    for (std::size_t done = 0; done < line.size();) {
        ssize_t n = write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw platform::InOutError(std::string("Console output error: ") +
                                       std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
}
