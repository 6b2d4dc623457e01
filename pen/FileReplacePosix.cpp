#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Errors.h"
#include "PenExport.h"

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
    throw platform::InOutError("E/A-Fehler beim Schreiben von '" + path +
                               "': " + std::strerror(error));
}

}  // namespace

void ReplaceFileContent(const std::string& path, const std::string& content) {
    if (path.empty()) Fail(path, ENOENT);
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) Fail(path, errno);
    int error = 0;
    for (std::size_t done = 0; done < content.size() && !error;) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    // Readable like a file created the usual way, not just by its owner.
    mode_t mask = umask(0);
    umask(mask);
    if (!error && fchmod(fd, 0666 & ~mask) != 0) error = errno;
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        unlink(temp.c_str());
        Fail(path, error);
    }
}
