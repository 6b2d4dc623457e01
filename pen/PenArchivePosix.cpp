#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "PenArchive.h"
#include "Utf.h"

namespace {

// Closes the descriptor however the append ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

std::string Error(int error) {
    return std::strerror(error);
}

// A new file's name is durable only once its folder is.
void SyncFolder(const std::filesystem::path& folder) {
    Descriptor dir{open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) fsync(dir.fd);
}

}  // namespace

std::string DefaultArchiveFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (data && *data) {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : ".") / ".local" / "share";
    }
    return (base / "stylorix" / "archive").string();
}

ArchiveTime LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::string AppendDurably(const std::string& path, const std::string& content) {
    const std::filesystem::path file = platform::Utf8Path(path);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) return ec.message();

    const bool existed = std::filesystem::exists(file, ec);
    Descriptor out{open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666)};
    if (out.fd < 0) return Error(errno);
    // Held until the descriptor closes; another program appending waits.
    while (flock(out.fd, LOCK_EX) != 0)
        if (errno != EINTR) return Error(errno);
    struct stat before {};
    if (fstat(out.fd, &before) != 0) return Error(errno);

    int error = 0;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(out.fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!error && fsync(out.fd) != 0) error = errno;
    if (error) {
        // Half a download's lines would read as a broken line: take them back.
        if (ftruncate(out.fd, before.st_size) == 0) fsync(out.fd);
        return Error(error);
    }
    if (!existed) SyncFolder(file.parent_path());
    return {};
}
