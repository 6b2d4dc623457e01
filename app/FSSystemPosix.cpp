#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "Errors.h"
#include "FSSystem.h"

namespace {

bool g_errOpen = false;

// The whole line, or the error of the write that failed.
int WriteLine(int fd, const std::string& text) {
    std::string line = WithoutLineEnd(text) + "\n";
    for (std::size_t done = 0; done < line.size();) {
        ssize_t n = write(fd, line.data() + done, line.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

void FSSystemStartup() {
    // A reader that went away (stylorix /S | head -1) makes a write fail with
    // EPIPE, an output error like any other, instead of killing the program
    // in the middle of a read cycle.
    signal(SIGPIPE, SIG_IGN);
    ConsoleAttached = fcntl(STDOUT_FILENO, F_GETFD) != -1;
    g_errOpen = fcntl(STDERR_FILENO, F_GETFD) != -1;
}

void ConWriteLn(const std::string& text) {
    if (text.empty() || !ConsoleAttached) return;
    if (int error = WriteLine(STDOUT_FILENO, text)) {
        throw platform::InOutError(std::string("Console output error: ") + std::strerror(error));
    }
}

void ErrWriteLn(const std::string& text) {
    if (text.empty() || !g_errOpen) return;
    WriteLine(STDERR_FILENO, text);
}
