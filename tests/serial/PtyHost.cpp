// serial_ptyhost: runs a test program against two pseudo-terminals and plays
// the far end of both lines (the reading station, roughly).
//
//   serial_ptyhost [--shim LIB] [--wine PREFIX] -- program args...
//
// The program finds the ports in STYLORIX_TEST_PORT and STYLORIX_TEST_PORT2:
// symbolic links to the ptys natively, or with --wine COM ports mapped to
// them in the Wine prefix PREFIX (the one scripts/wine-prefix makes and
// names). With --shim the program runs with the pty shim
// preloaded (modem lines and parity on ptys).
//
// What the host does with the bytes it receives on a line:
//   01 02 00 03   replies 06, 40 pattern bytes and their XOR, in three writes
//                 150 ms apart
//   'L'           replies one byte: bit 0 the line's RTS, bit 1 its DTR
//   'M' x         100 ms later, sets the lines the program sees: bit 0 CTS,
//                 1 DSR, 2 CD, 3 RI (late enough that the program waits anew)
//   'S' hi lo     sends hi*256+lo bytes at the pace of 2400 baud, 8O1 (11 bits
//                 a byte)
//   'V'           sends 50 bytes; 400 ms later the device vanishes and a new
//                 pty takes its place under the same name
// Its exit status is the program's.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "PtyReply.h"
#include "ptyshim.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

struct Line {
    int master = -1;
    int keep = -1;  // our own slave descriptor: the pty stays up between openings
    int number = -1;
    std::string link;     // native name the program opens
    std::string dosLink;  // Wine's COM link, if any
    Bytes input;
};

struct Write {
    std::size_t line;
    Bytes bytes;
    bool vanish = false;
    int lines = -1;  // the lines to show the program instead of bytes
};

std::string gDir;
std::vector<Line> gLines;
std::multimap<Clock::time_point, Write> gSchedule;

void Die(const char* what) {
    std::perror(what);
    std::exit(99);
}

shim_state* State(const Line& line) {
    const std::string path = gDir + "/pts" + std::to_string(line.number);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, sizeof(shim_state)) != 0) Die("shim state");
    void* p = mmap(nullptr, sizeof(shim_state), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (p == MAP_FAILED) Die("mmap");
    return static_cast<shim_state*>(p);
}

void Relink(const std::string& link, const std::string& target) {
    unlink(link.c_str());
    if (symlink(target.c_str(), link.c_str()) != 0) Die("symlink");
}

void OpenLine(Line& line) {
    line.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line.master < 0 || grantpt(line.master) != 0 || unlockpt(line.master) != 0)
        Die("posix_openpt");
    const std::string slave = ptsname(line.master);
    line.number = std::atoi(slave.c_str() + std::strlen("/dev/pts/"));
    line.keep = open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line.keep < 0) Die("open slave");
    termios t{};
    tcgetattr(line.keep, &t);
    cfmakeraw(&t);
    tcsetattr(line.keep, TCSANOW, &t);
    // A fresh pty starts with fresh shim state.
    unlink((gDir + "/pts" + std::to_string(line.number)).c_str());
    Relink(line.link, slave);
    if (!line.dosLink.empty()) Relink(line.dosLink, slave);
}

void CloseLine(Line& line) {
    close(line.master);
    close(line.keep);
    line.master = line.keep = -1;
    line.input.clear();
}

void Schedule(std::size_t line, int afterMs, Bytes bytes, bool vanish = false) {
    gSchedule.emplace(Clock::now() + std::chrono::milliseconds(afterMs),
                      Write{line, std::move(bytes), vanish});
}

void Serve(std::size_t index) {
    Line& line = gLines[index];
    Bytes& in = line.input;
    while (!in.empty()) {
        std::size_t used = 1;
        switch (in[0]) {
            case 0x01: {
                if (in.size() < 4) return;
                if (in[1] != 0x02 || in[2] != 0x00 || in[3] != 0x03) break;
                const Bytes reply = PtyHostReply();
                Schedule(index, 20, Bytes(reply.begin(), reply.begin() + 10));
                Schedule(index, 170, Bytes(reply.begin() + 10, reply.begin() + 25));
                Schedule(index, 320, Bytes(reply.begin() + 25, reply.end()));
                used = 4;
                break;
            }
            case 'L': {
                shim_state* s = State(line);
                const int out = __atomic_load_n(&s->slave_out, __ATOMIC_SEQ_CST);
                munmap(s, sizeof *s);
                Schedule(index, 0,
                         {static_cast<std::uint8_t>(((out & TIOCM_RTS) ? 1 : 0) |
                                                    ((out & TIOCM_DTR) ? 2 : 0))});
                break;
            }
            case 'M': {
                if (in.size() < 2) return;
                const int x = in[1];
                Write w{index, {}};
                w.lines = ((x & 1) ? TIOCM_CTS : 0) | ((x & 2) ? TIOCM_DSR : 0) |
                          ((x & 4) ? TIOCM_CAR : 0) | ((x & 8) ? TIOCM_RNG : 0);
                gSchedule.emplace(Clock::now() + std::chrono::milliseconds(100), std::move(w));
                used = 2;
                break;
            }
            case 'S': {
                if (in.size() < 3) return;
                const int count = in[1] * 256 + in[2];
                for (int i = 0; i < count; ++i)
                    Schedule(index, i * 11000 / 2400, {static_cast<std::uint8_t>(i)});
                used = 3;
                break;
            }
            case 'V':
                Schedule(index, 0, Bytes(50, 0x55));
                Schedule(index, 400, {}, true);
                break;
            default:
                break;  // not a command
        }
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void RunDue() {
    while (!gSchedule.empty() && gSchedule.begin()->first <= Clock::now()) {
        Write w = std::move(gSchedule.begin()->second);
        gSchedule.erase(gSchedule.begin());
        Line& line = gLines[w.line];
        if (w.vanish) {
            // Everything still planned for the line goes with it.
            for (auto it = gSchedule.begin(); it != gSchedule.end();)
                it = it->second.line == w.line ? gSchedule.erase(it) : std::next(it);
            CloseLine(line);
            OpenLine(line);
            continue;
        }
        if (w.lines >= 0) {
            shim_state* s = State(line);
            __atomic_store_n(&s->slave_in, w.lines, __ATOMIC_SEQ_CST);
            munmap(s, sizeof *s);
            continue;
        }
        if (!w.bytes.empty() && write(line.master, w.bytes.data(), w.bytes.size()) < 0)
            std::perror("write");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string shim;
    std::string winePrefix;
    bool wine = false;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--shim") && i + 1 < argc) {
            shim = argv[++i];
        } else if (!std::strcmp(argv[i], "--wine") && i + 1 < argc) {
            wine = true;
            winePrefix = argv[++i];
        }
    }
    if (i + 1 >= argc) {
        std::fprintf(stderr, "usage: %s [--shim LIB] [--wine PREFIX] -- program args...\n",
                     argv[0]);
        return 2;
    }
    char dirTemplate[] = "/tmp/stylorix-ptyhost-XXXXXX";
    if (!mkdtemp(dirTemplate)) Die("mkdtemp");
    gDir = dirTemplate;

    const int com = 40 + static_cast<int>(getpid() % 100) * 2;  // never COM1; apart per run
    gLines.resize(2);
    for (std::size_t n = 0; n < gLines.size(); ++n) {
        gLines[n].link = gDir + "/port" + std::to_string(n + 1);
        if (wine) {
            gLines[n].dosLink =
                winePrefix + "/dosdevices/com" + std::to_string(com + static_cast<int>(n));
        }
        OpenLine(gLines[n]);
    }

    setenv("STYLORIX_PTYSHIM_DIR", gDir.c_str(), 1);
    setenv("STYLORIX_TEST_PORT",
           wine ? ("COM" + std::to_string(com)).c_str() : gLines[0].link.c_str(), 1);
    setenv("STYLORIX_TEST_PORT2",
           wine ? ("COM" + std::to_string(com + 1)).c_str() : gLines[1].link.c_str(), 1);
    if (!shim.empty()) {
        std::string preload = shim;
        if (const char* old = std::getenv("LD_PRELOAD"); old && *old)
            preload += ":" + std::string(old);
        setenv("LD_PRELOAD", preload.c_str(), 1);
        std::string asan = "verify_asan_link_order=0";
        if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old)
            asan = std::string(old) + ":" + asan;
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
    }

    const pid_t child = fork();
    if (child < 0) Die("fork");
    if (child == 0) {
        execvp(argv[i + 1], argv + i + 1);
        Die("exec");
    }
    unsetenv("LD_PRELOAD");

    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        std::vector<pollfd> fds;
        for (const Line& line : gLines) fds.push_back({line.master, POLLIN, 0});
        int timeout = 20;
        if (!gSchedule.empty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  gSchedule.begin()->first - Clock::now())
                                  .count();
            timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(wait, 20)));
        }
        poll(fds.data(), fds.size(), timeout);
        for (std::size_t n = 0; n < gLines.size(); ++n) {
            std::uint8_t buf[256];
            const ssize_t got = read(gLines[n].master, buf, sizeof buf);
            if (got > 0) {
                gLines[n].input.insert(gLines[n].input.end(), buf, buf + got);
                Serve(n);
            }
        }
        RunDue();
    }

    for (Line& line : gLines) {
        CloseLine(line);
        if (!line.dosLink.empty()) unlink(line.dosLink.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(gDir, ignored);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    std::fprintf(stderr, "test program ended by signal %d\n", WTERMSIG(status));
    return 98;
}
