// The comm driver on POSIX: termios and poll. It emulates what the component
// relies on of the Windows calls: reads of queued bytes complete at once, the
// event wait completes when bytes arrive, when the output queue runs empty and
// when a modem line changes, writes end after their total time-out, and line
// control that a device does not have (a pseudo-terminal) counts as done.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CommDriver.h"
#include "DevicePath.h"
#include "TermiosPosix.h"

namespace comm {
namespace {

thread_local std::uint32_t tLastError = 0;

constexpr std::uintptr_t kStatusPending = 0x103;
constexpr std::uintptr_t kStatusError = 0x80000000u;
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// While bytes wait unread, new arrivals are looked for at this step (poll
// cannot tell them apart); while a write drains, the empty output queue at
// the shorter one.
constexpr int kRxSliceMs = 20;
constexpr int kTxSliceMs = 5;

bool Fail(std::uint32_t error) {
    tLastError = error;
    return false;
}

std::uint32_t ErrorFromErrno(int e) {
    switch (e) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return kErrorFileNotFound;
        case EACCES:
        case EPERM:
        case EBUSY:
            return kErrorAccessDenied;
        case EBADF:
            return kErrorInvalidHandle;
        case EINVAL:
            return kErrorInvalidParameter;
        case EIO:
            return kErrorNotReady;
        default:
            return kErrorGenFailure;
    }
}

// After the device is open a vanished device shows as EIO, ENXIO or ENODEV.
std::uint32_t IoError(int e) {
    return (e == EIO || e == ENXIO || e == ENODEV) ? kErrorNotReady : ErrorFromErrno(e);
}

bool IsPty(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
           major(st.st_rdev) <= 143;
}

// A device without the call (a pseudo-terminal has no modem lines).
bool Unsupported(int e) {
    return e == ENOTTY || e == EINVAL || e == ENOSYS;
}

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

struct Event {
    bool set = false;
    int rd = -1;
    int wr = -1;
    ~Event() {
        if (rd >= 0) close(rd);
        if (wr >= 0) close(wr);
    }
};

struct Port {
    int fd = -1;
    termios saved{};
    bool savedOk = false;
    bool gone = false;
    bool hasLines = true;
    Dcb dcb;
    CommTimeouts timeouts;
    std::uint32_t mask = 0;
    // Event wait.
    Overlapped* waitOv = nullptr;
    std::uint32_t* waitMask = nullptr;
    std::uint32_t rxBase = 0;
    std::uint32_t modemBase = 0;
    bool txBusy = false;
    std::uint32_t lineEvents = 0;  // error and break events not yet reported
    // Write.
    Overlapped* writeOv = nullptr;
    const std::uint8_t* writeBuf = nullptr;
    std::uint32_t writeLen = 0;
    std::uint32_t writeDone = 0;
    std::uint64_t writeDeadline = 0;  // 0: none
    // Line errors since the last ClearCommError.
    LineCounters counters;
    bool countersOk = false;
    std::uint32_t errors = 0;
    ~Port() {
        if (fd >= 0) {
            if (savedOk) tcsetattr(fd, TCSANOW, &saved);
            close(fd);
        }
    }
};

class PosixDriver final : public Driver {
  public:
    Handle CreateEvent() override {
        std::lock_guard guard(lock_);
        auto ev = std::make_unique<Event>();
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            Fail(ErrorFromErrno(errno));
            return kNoEvent;
        }
        ev->rd = fds[0];
        ev->wr = fds[1];
        const Handle h = next_++;
        events_[h] = std::move(ev);
        tLastError = 0;
        return h;
    }

    bool SetEvent(Handle event) override {
        std::lock_guard guard(lock_);
        Event* ev = FindEvent(event);
        if (!ev) return Fail(kErrorInvalidHandle);
        Signal(*ev);
        return true;
    }

    bool ResetEvent(Handle event) override {
        std::lock_guard guard(lock_);
        Event* ev = FindEvent(event);
        if (!ev) return Fail(kErrorInvalidHandle);
        Unsignal(*ev);
        return true;
    }

    bool CloseEvent(Handle event) override {
        std::lock_guard guard(lock_);
        if (events_.erase(event) == 0) return Fail(kErrorInvalidHandle);
        return true;
    }

    std::uint32_t WaitForSingleObject(Handle event, std::uint32_t ms) override {
        return WaitForMultipleObjects(1, &event, ms);
    }

    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles,
                                         std::uint32_t ms) override {
        const std::uint64_t start = NowMs();
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<Handle> owners;  // the port of each descriptor; 0 for events
            int slice = -1;
            {
                std::lock_guard guard(lock_);
                for (int round = 0; round < 2; ++round) {
                    for (std::uint32_t i = 0; i < count; ++i) {
                        Event* ev = FindEvent(handles[i]);
                        if (!ev) {
                            Fail(kErrorInvalidHandle);
                            return kWaitFailed;
                        }
                        if (ev->set) return kWaitObject0 + i;
                    }
                    if (round == 0) Progress(count, handles);
                }
                for (std::uint32_t i = 0; i < count; ++i) {
                    fds.push_back({FindEvent(handles[i])->rd, POLLIN, 0});
                    owners.push_back(0);
                }
                for (auto& [h, port] : ports_) {
                    if (port->gone) continue;
                    short want = 0;
                    if (port->waitOv && Watched(port->waitOv->Event, count, handles)) {
                        if (port->rxBase == 0 && (port->mask & kEvRxChar))
                            want |= POLLIN;
                        else if (port->mask & kEvRxChar)
                            slice = slice < 0 ? kRxSliceMs : std::min(slice, kRxSliceMs);
                        if (port->txBusy && (port->mask & kEvTxEmpty)) slice = kTxSliceMs;
                    }
                    if (port->writeOv && Watched(port->writeOv->Event, count, handles))
                        want |= POLLOUT;
                    if (want) {
                        fds.push_back({port->fd, want, 0});
                        owners.push_back(h);
                    }
                }
            }
            const std::uint64_t elapsed = NowMs() - start;
            if (ms != kInfinite && elapsed >= ms) return kWaitTimeout;
            int timeout = ms == kInfinite ? -1 : static_cast<int>(ms - elapsed);
            if (slice >= 0 && (timeout < 0 || timeout > slice)) timeout = slice;
            const int n = poll(fds.data(), fds.size(), timeout);
            if (n > 0) {
                std::lock_guard guard(lock_);
                for (std::size_t i = 0; i < fds.size(); ++i) {
                    if (!owners[i] || !(fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))) continue;
                    // Only the port that was polled: a descriptor closed
                    // meanwhile may have been reused.
                    auto it = ports_.find(owners[i]);
                    if (it != ports_.end()) Vanished(*it->second);
                }
            }
        }
    }

    Handle Open(const std::string& path) override {
        const std::string device = PosixDevicePath(path);
        const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            Fail(ErrorFromErrno(errno));
            return kInvalidHandle;
        }
        auto port = std::make_unique<Port>();
        port->fd = fd;
        if (tcgetattr(fd, &port->saved) != 0) {
            Fail(1);  // not a serial device: "incorrect function"
            return kInvalidHandle;
        }
        port->savedOk = true;
        ioctl(fd, TIOCEXCL);
        // Bytes that came while nobody had the port open are not kept.
        tcflush(fd, TCIFLUSH);
        termios raw = port->saved;
        cfmakeraw(&raw);
        raw.c_cflag |= CLOCAL | CREAD;
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &raw);
        port->dcb = FromTermios(raw);
        int bits = 0;
        if (ioctl(fd, TIOCMGET, &bits) != 0 && Unsupported(errno)) port->hasLines = false;
        port->countersOk = ReadLineCounters(fd, port->counters);
        std::lock_guard guard(lock_);
        const Handle h = next_++;
        ports_[h] = std::move(port);
        tLastError = 0;
        return h;
    }

    bool Close(Handle handle) override {
        std::unique_ptr<Port> port;
        {
            std::lock_guard guard(lock_);
            auto it = ports_.find(handle);
            if (it == ports_.end()) return Fail(kErrorInvalidHandle);
            port = std::move(it->second);
            ports_.erase(it);
            // Closing ends what is outstanding, as on Windows.
            if (port->waitOv) EndWait(*port, 0, kErrorOperationAborted);
            if (port->writeOv) EndWrite(*port, kErrorOperationAborted);
        }
        return true;
    }

    bool SetupComm(Handle handle, std::uint32_t, std::uint32_t) override {
        std::lock_guard guard(lock_);
        // The kernel's queues have fixed sizes; only the handle is checked.
        return FindPort(handle) != nullptr;
    }

    bool GetCommState(Handle handle, Dcb& dcb) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        termios t{};
        if (tcgetattr(port->fd, &t) != 0) return Fail(IoError(errno));
        dcb = port->dcb;
        return true;
    }

    bool SetCommState(Handle handle, const Dcb& dcb) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        termios t{};
        if (tcgetattr(port->fd, &t) != 0) return Fail(IoError(errno));
        if (!ToTermios(dcb, t)) return Fail(kErrorInvalidParameter);
        const std::uint32_t rtsControl = (dcb.Flags >> kDcbRtsControlShift) & 3;
        const std::uint32_t dtrControl = (dcb.Flags >> kDcbDtrControlShift) & 3;
        if (tcsetattr(port->fd, TCSANOW, &t) != 0) {
            // A pseudo-terminal refuses parity and sizes other than 8 bits;
            // what it refuses it does not have, so that counts as accepted.
            termios plain = t;
            plain.c_cflag = (plain.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR)) | CS8;
            if (errno != EINVAL || !IsPty(port->fd) || tcsetattr(port->fd, TCSANOW, &plain) != 0)
                return Fail(IoError(errno));
        }
        // The control modes drive the lines as Windows does: disabled lowers,
        // enabled and handshake raise.
        SetLine(*port, TIOCM_DTR, dtrControl != 0);
        SetLine(*port, TIOCM_RTS, rtsControl != 0);
        port->dcb = dcb;
        return true;
    }

    bool SetCommTimeouts(Handle handle, const CommTimeouts& timeouts) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        port->timeouts = timeouts;
        return true;
    }

    bool SetCommMask(Handle handle, std::uint32_t mask) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        port->mask = mask;
        if (port->waitOv) EndWait(*port, 0, 0);
        return true;
    }

    bool WaitCommEvent(Handle handle, std::uint32_t* mask, Overlapped& ov) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        if (port->gone) return Fail(kErrorNotReady);
        if (port->mask == 0 || port->waitOv) return Fail(kErrorInvalidParameter);
        if (Event* ev = FindEvent(ov.Event)) Unsignal(*ev);
        port->waitOv = &ov;
        port->waitMask = mask;
        ov.Internal = kStatusPending;
        ov.InternalHigh = 0;
        // Whatever happened since the last wait ended completes this one.
        if (CheckWait(*port)) return true;
        if (port->gone) {
            port->waitOv = nullptr;
            return Fail(kErrorNotReady);
        }
        return Fail(kErrorIoPending);
    }

    bool GetCommModemStatus(Handle handle, std::uint32_t& status) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        std::uint32_t lines = 0;
        if (!ModemLines(*port, lines)) return false;
        status = lines;
        return true;
    }

    bool ClearCommError(Handle handle, std::uint32_t& errors, ComStat& stat) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        int in = 0;
        if (ioctl(port->fd, FIONREAD, &in) != 0) return Fail(IoError(errno));
        int out = 0;
        if (ioctl(port->fd, TIOCOUTQ, &out) != 0) out = 0;
        UpdateCounters(*port);
        errors = port->errors;
        port->errors = 0;
        stat.Flags = 0;
        stat.InQue = static_cast<std::uint32_t>(in);
        stat.OutQue = static_cast<std::uint32_t>(out);
        return true;
    }

    bool ReadFile(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done,
                  Overlapped& ov) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        if (Event* ev = FindEvent(ov.Event)) Unsignal(*ev);
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        std::uint32_t got = 0;
        while (got < count) {
            const ssize_t n = read(port->fd, bytes + got, count - got);
            if (n > 0) {
                got += static_cast<std::uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && got == 0) {
                ov.Internal = kStatusError | IoError(errno);
                return Fail(IoError(errno));
            }
            break;  // the queue is empty (or, n == 0, the other side hung up)
        }
        if (port->dcb.Flags & kDcbNull) {
            std::uint32_t kept = 0;
            for (std::uint32_t i = 0; i < got; ++i)
                if (bytes[i] != 0) bytes[kept++] = bytes[i];
            got = kept;
        }
        port->rxBase = port->rxBase > got ? port->rxBase - got : 0;
        ov.Internal = 0;
        ov.InternalHigh = got;
        if (done) *done = got;
        if (Event* ev = FindEvent(ov.Event)) Signal(*ev);
        return true;
    }

    bool WriteFile(Handle handle, const void* buffer, std::uint32_t count, std::uint32_t* done,
                   Overlapped& ov) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        if (port->gone) return Fail(kErrorNotReady);
        if (port->writeOv) return Fail(kErrorInvalidParameter);
        if (Event* ev = FindEvent(ov.Event)) Unsignal(*ev);
        port->writeOv = &ov;
        port->writeBuf = static_cast<const std::uint8_t*>(buffer);
        port->writeLen = count;
        port->writeDone = 0;
        const std::uint64_t total =
            std::uint64_t{port->timeouts.WriteTotalTimeoutMultiplier} * count +
            port->timeouts.WriteTotalTimeoutConstant;
        port->writeDeadline = total ? NowMs() + total : 0;
        ov.Internal = kStatusPending;
        ov.InternalHigh = 0;
        ProgressWrite(*port);
        if (ov.Internal == kStatusPending) return Fail(kErrorIoPending);
        if (ov.Internal != 0) return Fail(static_cast<std::uint32_t>(ov.Internal & ~kStatusError));
        if (done) *done = static_cast<std::uint32_t>(ov.InternalHigh);
        return true;
    }

    bool GetOverlappedResult(Handle, Overlapped& ov, std::uint32_t& transferred,
                             bool wait) override {
        for (;;) {
            {
                std::lock_guard guard(lock_);
                for (auto& [h, port] : ports_)
                    if (port->writeOv == &ov) ProgressWrite(*port);
                transferred = static_cast<std::uint32_t>(ov.InternalHigh);
                if (ov.Internal == 0) return true;
                if (ov.Internal != kStatusPending)
                    return Fail(static_cast<std::uint32_t>(ov.Internal & ~kStatusError));
                if (!wait) return Fail(kErrorIoIncomplete);
            }
            WaitForSingleObject(ov.Event, 10);
        }
    }

    bool CancelIo(Handle, Overlapped& ov) override {
        std::lock_guard guard(lock_);
        for (auto& [h, port] : ports_) {
            if (port->waitOv == &ov) EndWait(*port, 0, kErrorOperationAborted);
            if (port->writeOv == &ov) EndWrite(*port, kErrorOperationAborted);
        }
        return true;
    }

    bool EscapeCommFunction(Handle handle, std::uint32_t function) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        switch (function) {
            case kSetRts:
                return SetLine(*port, TIOCM_RTS, true);
            case kClrRts:
                return SetLine(*port, TIOCM_RTS, false);
            case kSetDtr:
                return SetLine(*port, TIOCM_DTR, true);
            case kClrDtr:
                return SetLine(*port, TIOCM_DTR, false);
            default:
                return Fail(kErrorInvalidParameter);
        }
    }

    bool SetCommBreak(Handle handle) override { return Break(handle, TIOCSBRK); }
    bool ClearCommBreak(Handle handle) override { return Break(handle, TIOCCBRK); }

    bool PurgeComm(Handle handle, std::uint32_t flags) override {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        if ((flags & kPurgeTxAbort) && port->writeOv) EndWrite(*port, kErrorOperationAborted);
        const bool in = flags & kPurgeRxClear;
        const bool out = flags & kPurgeTxClear;
        if (in || out) {
            if (tcflush(port->fd, in && out ? TCIOFLUSH
                                  : in      ? TCIFLUSH
                                            : TCOFLUSH) != 0 &&
                !Unsupported(errno))
                return Fail(IoError(errno));
            if (in) port->rxBase = 0;
        }
        return true;
    }

    std::uint32_t GetLastError() override { return tLastError; }
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(NowMs()); }
    void Sleep(std::uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    std::int32_t PlatformId() override { return -1; }

  private:
    Event* FindEvent(Handle h) {
        auto it = events_.find(h);
        return it == events_.end() ? nullptr : it->second.get();
    }

    Port* FindPort(Handle h) {
        auto it = ports_.find(h);
        if (it == ports_.end()) {
            Fail(kErrorInvalidHandle);
            return nullptr;
        }
        return it->second.get();
    }

    static bool Watched(Handle event, std::uint32_t count, const Handle* handles) {
        for (std::uint32_t i = 0; i < count; ++i)
            if (handles[i] == event) return true;
        return false;
    }

    static void Signal(Event& ev) {
        if (ev.set) return;
        ev.set = true;
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(ev.wr, &byte, 1);
    }

    static void Unsignal(Event& ev) {
        if (!ev.set) return;
        ev.set = false;
        char buf[16];
        while (read(ev.rd, buf, sizeof buf) > 0) {
        }
    }

    void Complete(Overlapped& ov, std::uint32_t error, std::uint32_t transferred) {
        ov.Internal = error ? (kStatusError | error) : 0;
        ov.InternalHigh = transferred;
        if (Event* ev = FindEvent(ov.Event)) Signal(*ev);
    }

    void EndWait(Port& port, std::uint32_t mask, std::uint32_t error) {
        if (port.waitMask) *port.waitMask = mask;
        Overlapped& ov = *port.waitOv;
        port.waitOv = nullptr;
        port.waitMask = nullptr;
        Complete(ov, error, 0);
    }

    void EndWrite(Port& port, std::uint32_t error) {
        Overlapped& ov = *port.writeOv;
        port.writeOv = nullptr;
        port.writeBuf = nullptr;
        Complete(ov, error, port.writeDone);
    }

    // Moves the pending operations of the ports whose events are waited on.
    void Progress(std::uint32_t count, const Handle* handles) {
        for (auto& [h, port] : ports_) {
            if (port->waitOv && Watched(port->waitOv->Event, count, handles)) CheckWait(*port);
            if (port->writeOv && Watched(port->writeOv->Event, count, handles))
                ProgressWrite(*port);
        }
    }

    // Ends the event wait if something it waits for has happened.
    bool CheckWait(Port& port) {
        std::uint32_t events = 0;
        int in = 0;
        if (ioctl(port.fd, FIONREAD, &in) != 0) {
            if (!Unsupported(errno)) Vanished(port);
            return false;
        }
        const auto queued = static_cast<std::uint32_t>(in);
        if (queued > port.rxBase) events |= kEvRxChar;
        if (port.txBusy) {
            int out = 0;
            if (ioctl(port.fd, TIOCOUTQ, &out) != 0 || out == 0) events |= kEvTxEmpty;
        }
        std::uint32_t lines = port.modemBase;
        if (port.hasLines && ModemLines(port, lines)) {
            const std::uint32_t changed = lines ^ port.modemBase;
            if (changed & kMsCtsOn) events |= kEvCts;
            if (changed & kMsDsrOn) events |= kEvDsr;
            if (changed & kMsRlsdOn) events |= kEvRlsd;
            if (changed & kMsRingOn) events |= kEvRing;
        }
        UpdateCounters(port);
        events |= port.lineEvents;
        events &= port.mask;
        if (!events) return false;
        port.rxBase = queued;
        port.modemBase = lines;
        if (events & kEvTxEmpty) port.txBusy = false;
        port.lineEvents &= ~events;
        EndWait(port, events, 0);
        return true;
    }

    void ProgressWrite(Port& port) {
        if (!port.writeOv) return;
        while (port.writeDone < port.writeLen) {
            const ssize_t n =
                write(port.fd, port.writeBuf + port.writeDone, port.writeLen - port.writeDone);
            if (n > 0) {
                port.writeDone += static_cast<std::uint32_t>(n);
                port.txBusy = true;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) {
                EndWrite(port, IoError(errno));
                return;
            }
            break;
        }
        // Done, or stopped by the write time-out with what went out so far.
        if (port.writeDone == port.writeLen ||
            (port.writeDeadline && NowMs() >= port.writeDeadline))
            EndWrite(port, 0);
    }

    bool ModemLines(Port& port, std::uint32_t& lines) {
        lines = 0;
        int bits = 0;
        if (ioctl(port.fd, TIOCMGET, &bits) != 0) {
            if (Unsupported(errno)) return true;  // no lines: all low
            return Fail(IoError(errno));
        }
        if (bits & TIOCM_CTS) lines |= kMsCtsOn;
        if (bits & TIOCM_DSR) lines |= kMsDsrOn;
        if (bits & TIOCM_RNG) lines |= kMsRingOn;
        if (bits & TIOCM_CAR) lines |= kMsRlsdOn;
        return true;
    }

    static bool SetLine(Port& port, int line, bool on) {
        if (ioctl(port.fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && !Unsupported(errno))
            return Fail(IoError(errno));
        return true;
    }

    bool Break(Handle handle, unsigned long request) {
        std::lock_guard guard(lock_);
        Port* port = FindPort(handle);
        if (!port) return false;
        if (ioctl(port->fd, request) != 0 && !Unsupported(errno)) return Fail(IoError(errno));
        return true;
    }

    void UpdateCounters(Port& port) {
        if (!port.countersOk) return;
        LineCounters now;
        if (!ReadLineCounters(port.fd, now)) return;
        const LineCounters& was = port.counters;
        if (now.frame != was.frame) port.errors |= kCeFrame;
        if (now.overrun != was.overrun) port.errors |= kCeOverrun;
        if (now.parity != was.parity) port.errors |= kCeRxParity;
        if (now.brk != was.brk) port.errors |= kCeBreak;
        if (now.bufOverrun != was.bufOverrun) port.errors |= kCeRxOver;
        if (now.frame != was.frame || now.overrun != was.overrun || now.parity != was.parity ||
            now.bufOverrun != was.bufOverrun)
            port.lineEvents |= kEvErr;
        if (now.brk != was.brk) port.lineEvents |= kEvBreak;
        port.counters = now;
    }

    // The device went away: what waits on it ends, as Windows ends it.
    void Vanished(Port& port) {
        if (port.gone) return;
        port.gone = true;
        if (port.waitOv) EndWait(port, 0, kErrorOperationAborted);
        if (port.writeOv) EndWrite(port, kErrorOperationAborted);
    }

    std::mutex lock_;
    Handle next_ = 0x100;
    std::map<Handle, std::unique_ptr<Event>> events_;
    std::map<Handle, std::unique_ptr<Port>> ports_;
};

}  // namespace

std::unique_ptr<Driver> MakeNativeDriver() {
    return std::make_unique<PosixDriver>();
}

}  // namespace comm
