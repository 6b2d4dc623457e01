#pragma once

// The comm driver seam: one interface shaped like the Windows communications
// calls the serial component makes. The component's logic is written once
// against it; Win32 makes each call for real, POSIX emulates the completion
// behaviour the component relies on, and a fake scripts it for tests.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace comm {

// Port and event handles. Win32 stores the HANDLE's value; the others number
// their objects and never reuse a number.
using Handle = std::uintptr_t;
inline constexpr Handle kInvalidHandle = ~Handle{0};
inline constexpr Handle kNoEvent = 0;

// System error codes the component looks at.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorOperationAborted = 995;
inline constexpr std::uint32_t kErrorIoIncomplete = 996;
inline constexpr std::uint32_t kErrorIoPending = 997;

// Wait results.
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

// Comm event mask bits.
inline constexpr std::uint32_t kEvRxChar = 0x0001;
inline constexpr std::uint32_t kEvRxFlag = 0x0002;
inline constexpr std::uint32_t kEvTxEmpty = 0x0004;
inline constexpr std::uint32_t kEvCts = 0x0008;
inline constexpr std::uint32_t kEvDsr = 0x0010;
inline constexpr std::uint32_t kEvRlsd = 0x0020;
inline constexpr std::uint32_t kEvBreak = 0x0040;
inline constexpr std::uint32_t kEvErr = 0x0080;
inline constexpr std::uint32_t kEvRing = 0x0100;

// Modem status bits.
inline constexpr std::uint32_t kMsCtsOn = 0x10;
inline constexpr std::uint32_t kMsDsrOn = 0x20;
inline constexpr std::uint32_t kMsRingOn = 0x40;
inline constexpr std::uint32_t kMsRlsdOn = 0x80;

// Comm error flags.
inline constexpr std::uint32_t kCeRxOver = 0x01;
inline constexpr std::uint32_t kCeOverrun = 0x02;
inline constexpr std::uint32_t kCeRxParity = 0x04;
inline constexpr std::uint32_t kCeFrame = 0x08;
inline constexpr std::uint32_t kCeBreak = 0x10;

// EscapeCommFunction codes.
inline constexpr std::uint32_t kSetRts = 3;
inline constexpr std::uint32_t kClrRts = 4;
inline constexpr std::uint32_t kSetDtr = 5;
inline constexpr std::uint32_t kClrDtr = 6;

// PurgeComm flags.
inline constexpr std::uint32_t kPurgeTxAbort = 0x01;
inline constexpr std::uint32_t kPurgeRxAbort = 0x02;
inline constexpr std::uint32_t kPurgeTxClear = 0x04;
inline constexpr std::uint32_t kPurgeRxClear = 0x08;

// Bits of the DCB flag word.
inline constexpr std::uint32_t kDcbBinary = 1u << 0;
inline constexpr std::uint32_t kDcbParity = 1u << 1;
inline constexpr std::uint32_t kDcbOutxCtsFlow = 1u << 2;
inline constexpr std::uint32_t kDcbOutxDsrFlow = 1u << 3;
inline constexpr std::uint32_t kDcbDtrControlShift = 4;  // two bits
inline constexpr std::uint32_t kDcbDsrSensitivity = 1u << 6;
inline constexpr std::uint32_t kDcbTxContinueOnXoff = 1u << 7;
inline constexpr std::uint32_t kDcbOutX = 1u << 8;
inline constexpr std::uint32_t kDcbInX = 1u << 9;
inline constexpr std::uint32_t kDcbErrorChar = 1u << 10;
inline constexpr std::uint32_t kDcbNull = 1u << 11;
inline constexpr std::uint32_t kDcbRtsControlShift = 12;  // two bits
inline constexpr std::uint32_t kDcbAbortOnError = 1u << 14;

// The device control block, with the flag bit fields as one word.
struct Dcb {
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    bool operator==(const Dcb&) const = default;
};

struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

// The status part of ClearCommError: hold flags in the low bits of Flags.
struct ComStat {
    std::uint32_t Flags = 0;
    std::uint32_t InQue = 0;
    std::uint32_t OutQue = 0;
};

// An overlapped-I/O record. The layout is that of the Windows OVERLAPPED, so
// the Win32 driver hands the record to the system as it is; the other drivers
// keep their own state per record and use only Event.
struct Overlapped {
    std::uintptr_t Internal = 0;
    std::uintptr_t InternalHigh = 0;
    std::uint32_t Offset = 0;
    std::uint32_t OffsetHigh = 0;
    Handle Event = kNoEvent;
};

// Every call sets the calling thread's last error on failure, as Windows does.
class Driver {
  public:
    virtual ~Driver() = default;

    // Events: manual reset, created non-signalled. kNoEvent on failure.
    virtual Handle CreateEvent() = 0;
    virtual bool SetEvent(Handle event) = 0;
    virtual bool ResetEvent(Handle event) = 0;
    virtual bool CloseEvent(Handle event) = 0;
    virtual std::uint32_t WaitForSingleObject(Handle event, std::uint32_t ms) = 0;
    virtual std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* events,
                                                 std::uint32_t ms) = 0;  // any one

    // The device path as the component builds it ("\\.\" + name).
    virtual Handle Open(const std::string& path) = 0;
    virtual bool Close(Handle port) = 0;
    virtual bool SetupComm(Handle port, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool GetCommState(Handle port, Dcb& dcb) = 0;
    virtual bool SetCommState(Handle port, const Dcb& dcb) = 0;
    virtual bool SetCommTimeouts(Handle port, const CommTimeouts& timeouts) = 0;
    virtual bool SetCommMask(Handle port, std::uint32_t mask) = 0;
    // mask is written when the wait completes, also later for a pending wait.
    virtual bool WaitCommEvent(Handle port, std::uint32_t* mask, Overlapped& ov) = 0;
    virtual bool GetCommModemStatus(Handle port, std::uint32_t& status) = 0;
    virtual bool ClearCommError(Handle port, std::uint32_t& errors, ComStat& stat) = 0;
    virtual bool ReadFile(Handle port, void* buffer, std::uint32_t count, std::uint32_t* done,
                          Overlapped& ov) = 0;
    virtual bool WriteFile(Handle port, const void* buffer, std::uint32_t count,
                           std::uint32_t* done, Overlapped& ov) = 0;
    virtual bool GetOverlappedResult(Handle port, Overlapped& ov, std::uint32_t& transferred,
                                     bool wait) = 0;
    // Cancels the operation of ov, whichever thread started it.
    virtual bool CancelIo(Handle port, Overlapped& ov) = 0;
    virtual bool EscapeCommFunction(Handle port, std::uint32_t function) = 0;
    virtual bool SetCommBreak(Handle port) = 0;
    virtual bool ClearCommBreak(Handle port) = 0;
    virtual bool PurgeComm(Handle port, std::uint32_t flags) = 0;

    virtual std::uint32_t GetLastError() = 0;
    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(std::uint32_t ms) = 0;
    // Sleeps at most ms, returning early once busy is false, so a wait for the
    // worker to go idle takes no longer than the worker needs.
    virtual void SleepWhile(std::uint32_t ms, const std::atomic<bool>& busy) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (busy && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // The operating system's platform id, -1 if unknown.
    virtual std::int32_t PlatformId() = 0;
};

// The driver of the platform the program is built for.
std::unique_ptr<Driver> MakeNativeDriver();

}  // namespace comm

using CommDriver = comm::Driver;
