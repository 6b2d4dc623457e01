// pensim: plays the reading station with a pen in it, for the demo, the
// end-to-end tests and the benchmark. Serves a new pseudo-terminal (its path
// is the first line on standard output) or a given serial device, answers the
// pen commands with the stored state, and can misbehave on demand.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char* kUsage = R"(usage: pensim [options]
  --device PATH       serve this serial device instead of a new pseudo-terminal
  --code SYM:TEXT     a stored code; SYM is a letter (A) or a number (65); repeatable
  --code-hex SYM:HEX  a stored code given by its bytes, e.g. A:410042 for A, NUL, B
  --generate N        N more stored codes of 13 digits
  --uploads N         upload counter (rises with each upload)
  --device-id TEXT    eight characters          --firmware TEXT  eight characters
  --proto N           protocol version (49)     --status N       pen status (0)
  --user-data HEX     eight bytes               --param N=HEX    value bytes of parameter N
  --wake-after N      answer the wake-up only from the Nth frame on (1)
  --pace real|full    2400 baud, 11 bits a byte (real), or as fast as possible
  --fault KIND[@CMD]  misbehave on every reply to CMD (wake, codes, params, delete,
                      sleep; default codes). KIND: nak, badcheck, silence, garbage,
                      split, overlength, truncate, vanish, many (250 stored codes),
                      babble (instead of the reply, noise that never stops)
  --pause MS          pause inside a split reply (600)
  --state FILE        written after every command and at exit: codes_left, uploads,
                      deletes, wakeups, sleeps, reads (counted as the reply
                      begins), docked, empty_wakes (wake-up frames heard while
                      the pen was out)
  --control FIFO      a named pipe (made if missing) that takes one line at a time:
                      "out" takes the pen out of the station (nothing answers; at
                      real pace a reply being sent breaks off), "in" puts it
                      back, "codes SYM:TEXT ..." and "generate N" replace its
                      stored codes
  --out               start with the pen out of the station
)";

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

struct Code {
    std::uint8_t symbology;
    std::string text;
};

struct Options {
    std::string device;
    std::vector<Code> codes;
    unsigned uploads = 0;
    std::string deviceId = "PEN00042";
    std::string firmware = "FW 2.10 ";
    std::uint8_t proto = 0x31;
    std::uint8_t status = 0;
    Bytes userData{0x55, 0x53, 0x45, 0x52, 0x00, 0x00, 0x00, 0x01};
    std::map<int, Bytes> params;
    int wakeAfter = 1;
    bool realPace = true;
    std::string fault;
    std::string faultCommand = "codes";
    int pauseMs = 600;
    std::string stateFile;
    std::string control;
    bool docked = true;
};

struct Counters {
    unsigned wakeFrames = 0, wakeups = 0, deletes = 0, sleeps = 0, reads = 0, emptyWakes = 0;
};

[[noreturn]] void Die(const std::string& what) {
    std::cerr << "pensim: " << what << std::endl;
    std::exit(2);
}

Bytes Hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2) Die("odd number of hex digits: " + text);
    for (std::size_t i = 0; i < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

std::string Fixed8(std::string s) {
    s.resize(8, ' ');
    return s;
}

std::uint8_t Xor(const Bytes& b, std::size_t count) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < count && i < b.size(); ++i) x ^= b[i];
    return x;
}

// A reply: body (ending in the byte that the check does not cover) and the
// XOR of all of the body but that byte.
Bytes Framed(Bytes body) {
    body.push_back(Xor(body, body.size() - 1));
    return body;
}

void Append(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}

void DefaultParams(Options& o) {
    for (int n = 1; n <= 255; ++n) o.params.emplace(n, Bytes{0x00});
    o.params[1] = {0x01, 0x02, 0x03, 0x04};
    o.params[2] = {0x05};
    o.params[3] = {'S', 'T', 'Y', 'L', 'O', 'R', 'I', 'X'};
    o.params[6] = {0xA0, 0x0B};
    o.params[23] = {'P', 'E', 'N', '-', 'D', 'E', 'M', 'O'};
}

std::string Generated(std::size_t i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "4006%09zu", 381333 + i * 7919);
    return buf;
}

// "SYM:VALUE" of --code and --code-hex: the symbology, a letter or a number,
// and what follows the colon.
std::pair<std::uint8_t, std::string> SymbolAndValue(const std::string& v, const char* shape) {
    auto colon = v.find(':');
    if (colon == std::string::npos || colon == 0) Die(shape);
    std::string sym = v.substr(0, colon);
    std::uint8_t s = std::isdigit(static_cast<unsigned char>(sym[0]))
                         ? static_cast<std::uint8_t>(std::stoi(sym))
                         : static_cast<std::uint8_t>(sym[0]);
    return {s, v.substr(colon + 1)};
}

Options Parse(int argc, char** argv) {
    Options o;
    DefaultParams(o);
    auto need = [&](int& i) -> std::string {
        if (i + 1 >= argc) Die(std::string("missing value after ") + argv[i]);
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--device") {
            o.device = need(i);
        } else if (a == "--code") {
            auto [sym, text] = SymbolAndValue(need(i), "--code wants SYM:TEXT");
            o.codes.push_back({sym, text});
        } else if (a == "--code-hex") {
            // Bytes a shell argument cannot carry, such as NUL.
            auto [sym, hex] = SymbolAndValue(need(i), "--code-hex wants SYM:HEX");
            const Bytes bytes = Hex(hex);
            o.codes.push_back({sym, std::string(bytes.begin(), bytes.end())});
        } else if (a == "--generate") {
            int n = std::stoi(need(i));
            for (int k = 0; k < n; ++k) o.codes.push_back({'A', Generated(o.codes.size())});
        } else if (a == "--uploads") {
            o.uploads = static_cast<unsigned>(std::stoul(need(i)));
        } else if (a == "--device-id") {
            o.deviceId = Fixed8(need(i));
        } else if (a == "--firmware") {
            o.firmware = Fixed8(need(i));
        } else if (a == "--proto") {
            o.proto = static_cast<std::uint8_t>(std::stoi(need(i), nullptr, 0));
        } else if (a == "--status") {
            o.status = static_cast<std::uint8_t>(std::stoi(need(i), nullptr, 0));
        } else if (a == "--user-data") {
            o.userData = Hex(need(i));
            o.userData.resize(8);
        } else if (a == "--param") {
            std::string v = need(i);
            auto eq = v.find('=');
            if (eq == std::string::npos) Die("--param wants N=HEX");
            int n = std::stoi(v.substr(0, eq));
            if (n < 1 || n > 255) Die("parameter numbers run from 1 to 255");
            o.params[n] = Hex(v.substr(eq + 1));
        } else if (a == "--wake-after") {
            o.wakeAfter = std::stoi(need(i));
        } else if (a == "--pace") {
            std::string v = need(i);
            if (v != "real" && v != "full") Die("--pace is real or full");
            o.realPace = v == "real";
        } else if (a == "--fault") {
            std::string v = need(i);
            auto at = v.find('@');
            o.fault = v.substr(0, at);
            if (at != std::string::npos) o.faultCommand = v.substr(at + 1);
            static const char* kinds[] = {"nak",        "badcheck", "silence", "garbage", "split",
                                          "overlength", "truncate", "vanish",  "many",    "babble"};
            bool known = false;
            for (auto k : kinds) known |= o.fault == k;
            if (!known) Die("unknown fault " + o.fault);
            if (o.fault == "many")
                while (o.codes.size() < 250) o.codes.push_back({'A', Generated(o.codes.size())});
        } else if (a == "--pause") {
            o.pauseMs = std::stoi(need(i));
        } else if (a == "--state") {
            o.stateFile = need(i);
        } else if (a == "--control") {
            o.control = need(i);
        } else if (a == "--out") {
            o.docked = false;
        } else if (a == "-h" || a == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else {
            Die("unknown option " + a + "\n" + kUsage);
        }
    }
    return o;
}

class Station {
  public:
    explicit Station(Options o) : o_(std::move(o)) {}

    void Open() {
        if (!o_.device.empty()) {
            fd_ = open(o_.device.c_str(), O_RDWR | O_NOCTTY);
            if (fd_ < 0) Die("cannot open " + o_.device + ": " + std::strerror(errno));
            Raw(fd_, true);
            path_ = o_.device;
            return;
        }
        fd_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) Die("no pseudo-terminal");
        path_ = ptsname(fd_);
        // Holding the other end open keeps the terminal alive between clients
        // and keeps it raw (no echo) until a client sets it up.
        slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0) Die("cannot open " + path_);
        Raw(slave_, false);
    }

    const std::string& Path() const { return path_; }

    void Serve() {
        OpenControl();
        WriteState();
        Bytes in;
        while (!g_stop) {
            if (babbling_ && o_.docked) {
                // Noise while the pen is in; requests are no longer heard.
                Write(Bytes(o_.realPace ? 22 : 256, 0xFF));
                Drain();
                continue;
            }
            pollfd p[2] = {{fd_, POLLIN, 0}, {control_, POLLIN, 0}};
            int r = poll(p, control_ >= 0 ? 2 : 1, 100);
            if (r < 0 && errno != EINTR) Die(std::string("poll: ") + std::strerror(errno));
            if (r <= 0) continue;
            if (control_ >= 0 && (p[1].revents & POLLIN)) TakeControl();
            if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            std::uint8_t buf[512];
            ssize_t n = read(fd_, buf, sizeof buf);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) {
                // No client on a pty (EIO): wait for the next one.
                usleep(20000);
                continue;
            }
            in.insert(in.end(), buf, buf + n);
            while (TakeFrame(in)) {
            }
        }
        WriteState();
    }

  private:
    // The control pipe: opened for reading and writing, so that it never
    // reads as ended when a writer closes it.
    void OpenControl() {
        if (o_.control.empty()) return;
        if (mkfifo(o_.control.c_str(), 0600) != 0 && errno != EEXIST)
            Die("cannot make " + o_.control + ": " + std::strerror(errno));
        control_ = open(o_.control.c_str(), O_RDWR | O_NONBLOCK);
        if (control_ < 0) Die("cannot open " + o_.control + ": " + std::strerror(errno));
    }

    bool ControlWaiting() const {
        if (control_ < 0) return false;
        pollfd p{control_, POLLIN, 0};
        return poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
    }

    void TakeControl() {
        char buf[4096];
        const ssize_t n = read(control_, buf, sizeof buf);
        if (n <= 0) return;
        controlLine_.append(buf, static_cast<std::size_t>(n));
        for (std::size_t end; (end = controlLine_.find('\n')) != std::string::npos;) {
            Command(controlLine_.substr(0, end));
            controlLine_.erase(0, end + 1);
        }
    }

    void Command(const std::string& line) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        if (verb == "out" || verb == "in") {
            o_.docked = verb == "in";
        } else if (verb == "codes") {
            o_.codes.clear();
            for (std::string code; words >> code;) {
                auto [sym, text] = SymbolAndValue(code, "codes wants SYM:TEXT ...");
                o_.codes.push_back({sym, text});
            }
        } else if (verb == "generate") {
            std::size_t n = 0;
            words >> n;
            o_.codes.clear();
            while (o_.codes.size() < n) o_.codes.push_back({'A', Generated(o_.codes.size())});
        } else if (!verb.empty()) {
            std::cerr << "pensim: unknown control " << line << std::endl;
            return;
        }
        WriteState();
    }

    void Drain() {
        std::uint8_t buf[512];
        pollfd p{fd_, POLLIN, 0};
        while (poll(&p, 1, 0) > 0 && read(fd_, buf, sizeof buf) > 0) {
        }
    }

    static void Raw(int fd, bool line) {
        termios t{};
        if (tcgetattr(fd, &t) != 0) return;
        cfmakeraw(&t);
        if (line) {
            cfsetispeed(&t, B2400);
            cfsetospeed(&t, B2400);
            t.c_cflag |= PARENB | PARODD | CS8 | CLOCAL | CREAD;
            t.c_cflag &= ~CSTOPB;
        }
        tcsetattr(fd, TCSANOW, &t);
    }

    // Cuts one request frame off the front of in and answers it. False when
    // in holds no complete frame yet.
    bool TakeFrame(Bytes& in) {
        auto known = [](std::uint8_t c) { return c == 1 || c == 2 || c == 5 || c == 7 || c == 8; };
        while (!in.empty() && (!known(in[0]) || (in.size() >= 2 && in[1] != 0x02)))
            in.erase(in.begin());
        if (in.size() < 4) return false;
        std::size_t length = in[0] == 8 ? std::size_t{in[2]} + 5 : 4;
        if (in.size() < length) return false;
        Bytes frame(in.begin(), in.begin() + static_cast<long>(length));
        in.erase(in.begin(), in.begin() + static_cast<long>(length));
        // Without a pen the station hears nothing; a wake-up then tells that
        // a look found it empty.
        if (!o_.docked) {
            if (frame[0] == 1) {
                ++c_.emptyWakes;
                WriteState();
            }
            return true;
        }
        if (Xor(frame, length - 1) != frame[length - 1]) {
            Send({0x15, 0x00, 0x15}, "");
            return true;
        }
        Answer(frame);
        WriteState();
        return true;
    }

    void Answer(const Bytes& frame) {
        switch (frame[0]) {
            case 1:
                if (++c_.wakeFrames < static_cast<unsigned>(o_.wakeAfter)) return;
                ++c_.wakeups;
                Send(WakeUpReply(), "wake");
                return;
            case 7: {
                Bytes reply = CodesReply();
                ++o_.uploads;
                ++c_.reads;
                // Told before the reply, which may take seconds on the line.
                WriteState();
                Send(reply, "codes");
                return;
            }
            case 8: {
                Bytes numbers;
                if (frame[2] > 0) numbers.assign(frame.begin() + 3, frame.end() - 2);
                Send(ParamsReply(numbers), "params");
                return;
            }
            case 2:
                ++c_.deletes;
                o_.codes.clear();
                Send({0x06, 0x00, 0x06}, "delete");
                return;
            case 5:
                ++c_.sleeps;
                Send({0x06, 0x00, 0x06}, "sleep");
                return;
        }
    }

    Bytes WakeUpReply() const {
        Bytes b{0x06, 0x00, o_.proto, o_.status};
        b.insert(b.end(), o_.userData.begin(), o_.userData.end());
        Append(b, o_.firmware);
        b.push_back(0x00);
        return Framed(b);
    }

    Bytes CodesReply() const {
        Bytes b{0x06, 0x00};
        Append(b, o_.deviceId);
        b.push_back(static_cast<std::uint8_t>((o_.uploads >> 8) & 0xFF));
        b.push_back(static_cast<std::uint8_t>(o_.uploads & 0xFF));
        b.push_back(0x00);
        b.push_back(0x00);
        std::size_t lastBlock = 0;
        for (const auto& c : o_.codes) {
            lastBlock = b.size();
            b.push_back(static_cast<std::uint8_t>(c.text.size() + 1));
            b.push_back(c.symbology);
            Append(b, c.text);
        }
        if (Faulty("codes", "overlength") && lastBlock) b[lastBlock] += 40;
        b.push_back(0x00);
        return Framed(b);
    }

    Bytes ParamsReply(const Bytes& numbers) const {
        Bytes b{0x06, 0x00};
        std::size_t lastBlock = 0;
        for (auto n : numbers) {
            if (n == 0) continue;
            const Bytes& v = o_.params.at(n);
            lastBlock = b.size();
            b.push_back(static_cast<std::uint8_t>(v.size() + 1));
            b.push_back(n);
            b.insert(b.end(), v.begin(), v.end());
        }
        if (Faulty("params", "overlength") && lastBlock) b[lastBlock] += 40;
        b.push_back(0x00);
        return Framed(b);
    }

    bool Faulty(const std::string& command, const std::string& kind) const {
        return o_.fault == kind && o_.faultCommand == command;
    }

    void Send(Bytes reply, const std::string& command) {
        const bool faulty = !command.empty() && o_.faultCommand == command;
        const std::string kind = faulty ? o_.fault : "";
        if (kind == "silence") return;
        if (kind == "babble") {
            babbling_ = true;
            return;
        }
        if (kind == "nak") reply = {0x15, 0x00, 0x15};
        // A different wrong check byte each time, so that two bad replies in a
        // row do not cancel out.
        if (kind == "badcheck") reply.back() ^= static_cast<std::uint8_t>(0x5A + ++badChecks_);
        if (kind == "garbage") reply.insert(reply.begin(), {0xFF, 0x13, 0x37});
        if (kind == "truncate") reply.resize(reply.size() / 2);
        if (kind == "split") {
            // The first part, 06 00, passes the check-byte rule on its own.
            Bytes head(reply.begin(), reply.begin() + 2);
            Write(head);
            usleep(static_cast<useconds_t>(o_.pauseMs) * 1000);
            reply.erase(reply.begin(), reply.begin() + 2);
        }
        if (kind == "vanish") {
            reply.resize(reply.size() / 2);
            Write(reply);
            WriteState();
            if (slave_ >= 0) close(slave_);
            close(fd_);
            std::exit(0);
        }
        Write(reply);
    }

    // Each byte leaves when it would have crossed a 2400-baud line (start, 8
    // data, parity, stop: 11 bits), or all at once at full pace.
    void Write(const Bytes& bytes) {
        if (!o_.realPace) {
            WriteAll(bytes.data(), bytes.size());
            return;
        }
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        const long byteNs = 11L * 1000000000L / 2400;
        for (std::uint8_t b : bytes) {
            // A pen taken out in the middle of a long reply: the rest is lost.
            if (ControlWaiting()) TakeControl();
            if (!o_.docked) return;
            next.tv_nsec += byteNs;
            while (next.tv_nsec >= 1000000000L) {
                next.tv_nsec -= 1000000000L;
                ++next.tv_sec;
            }
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR &&
                   !g_stop) {
            }
            if (g_stop) return;
            WriteAll(&b, 1);
        }
    }

    void WriteAll(const std::uint8_t* p, std::size_t n) {
        while (n > 0 && !g_stop) {
            ssize_t w = write(fd_, p, n);
            if (w < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    usleep(1000);
                    continue;
                }
                return;  // the client is gone; the reply is lost, as on a real line
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }

    void WriteState() const {
        if (o_.stateFile.empty()) return;
        const std::string temp = o_.stateFile + ".tmp";
        {
            std::ofstream out(temp, std::ios::trunc);
            out << "codes_left=" << o_.codes.size() << "\nuploads=" << o_.uploads
                << "\ndeletes=" << c_.deletes << "\nwakeups=" << c_.wakeups
                << "\nsleeps=" << c_.sleeps << "\nreads=" << c_.reads
                << "\ndocked=" << (o_.docked ? 1 : 0) << "\nempty_wakes=" << c_.emptyWakes << "\n";
        }
        std::rename(temp.c_str(), o_.stateFile.c_str());
    }

    Options o_;
    Counters c_;
    unsigned badChecks_ = 0;
    bool babbling_ = false;
    int fd_ = -1;
    int control_ = -1;
    std::string controlLine_;
    int slave_ = -1;
    std::string path_;
};

}  // namespace

int main(int argc, char** argv) {
    Station station(Parse(argc, argv));
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    station.Open();
    std::cout << station.Path() << std::endl;
    station.Serve();
    return 0;
}
