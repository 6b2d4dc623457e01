// The comm driver on Windows: each method is the real call.

#include <windows.h>

#include <cstddef>

#include "CommDriver.h"
#include "DevicePath.h"
#include "TextWin32.h"

namespace comm {
namespace {

// The component's records are handed to the system as they are.
static_assert(sizeof(Overlapped) == sizeof(OVERLAPPED));
static_assert(offsetof(Overlapped, Internal) == offsetof(OVERLAPPED, Internal));
static_assert(offsetof(Overlapped, InternalHigh) == offsetof(OVERLAPPED, InternalHigh));
static_assert(offsetof(Overlapped, Event) == offsetof(OVERLAPPED, hEvent));
static_assert(sizeof(Handle) == sizeof(HANDLE));

HANDLE H(Handle h) {
    return reinterpret_cast<HANDLE>(h);
}
Handle FromH(HANDLE h) {
    return reinterpret_cast<Handle>(h);
}
OVERLAPPED* Ov(Overlapped& ov) {
    return reinterpret_cast<OVERLAPPED*>(&ov);
}

Dcb FromDcb(const DCB& d) {
    Dcb dcb;
    dcb.BaudRate = d.BaudRate;
    dcb.Flags = (d.fBinary ? kDcbBinary : 0) | (d.fParity ? kDcbParity : 0) |
                (d.fOutxCtsFlow ? kDcbOutxCtsFlow : 0) | (d.fOutxDsrFlow ? kDcbOutxDsrFlow : 0) |
                (static_cast<std::uint32_t>(d.fDtrControl) << kDcbDtrControlShift) |
                (d.fDsrSensitivity ? kDcbDsrSensitivity : 0) |
                (d.fTXContinueOnXoff ? kDcbTxContinueOnXoff : 0) | (d.fOutX ? kDcbOutX : 0) |
                (d.fInX ? kDcbInX : 0) | (d.fErrorChar ? kDcbErrorChar : 0) |
                (d.fNull ? kDcbNull : 0) |
                (static_cast<std::uint32_t>(d.fRtsControl) << kDcbRtsControlShift) |
                (d.fAbortOnError ? kDcbAbortOnError : 0);
    dcb.XonLim = d.XonLim;
    dcb.XoffLim = d.XoffLim;
    dcb.ByteSize = d.ByteSize;
    dcb.Parity = d.Parity;
    dcb.StopBits = d.StopBits;
    dcb.XonChar = d.XonChar;
    dcb.XoffChar = d.XoffChar;
    dcb.ErrorChar = d.ErrorChar;
    dcb.EofChar = d.EofChar;
    dcb.EvtChar = d.EvtChar;
    return dcb;
}

DCB ToDcb(const Dcb& dcb) {
    DCB d{};
    d.DCBlength = sizeof d;
    d.BaudRate = dcb.BaudRate;
    const std::uint32_t f = dcb.Flags;
    d.fBinary = (f & kDcbBinary) != 0;
    d.fParity = (f & kDcbParity) != 0;
    d.fOutxCtsFlow = (f & kDcbOutxCtsFlow) != 0;
    d.fOutxDsrFlow = (f & kDcbOutxDsrFlow) != 0;
    d.fDtrControl = (f >> kDcbDtrControlShift) & 3;
    d.fDsrSensitivity = (f & kDcbDsrSensitivity) != 0;
    d.fTXContinueOnXoff = (f & kDcbTxContinueOnXoff) != 0;
    d.fOutX = (f & kDcbOutX) != 0;
    d.fInX = (f & kDcbInX) != 0;
    d.fErrorChar = (f & kDcbErrorChar) != 0;
    d.fNull = (f & kDcbNull) != 0;
    d.fRtsControl = (f >> kDcbRtsControlShift) & 3;
    d.fAbortOnError = (f & kDcbAbortOnError) != 0;
    d.XonLim = dcb.XonLim;
    d.XoffLim = dcb.XoffLim;
    d.ByteSize = dcb.ByteSize;
    d.Parity = dcb.Parity;
    d.StopBits = dcb.StopBits;
    d.XonChar = dcb.XonChar;
    d.XoffChar = dcb.XoffChar;
    d.ErrorChar = dcb.ErrorChar;
    d.EofChar = dcb.EofChar;
    d.EvtChar = dcb.EvtChar;
    return d;
}

class Win32Driver final : public Driver {
  public:
    Handle CreateEvent() override {
        HANDLE h = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return h ? FromH(h) : kNoEvent;
    }
    bool SetEvent(Handle event) override { return ::SetEvent(H(event)); }
    bool ResetEvent(Handle event) override { return ::ResetEvent(H(event)); }
    bool CloseEvent(Handle event) override { return ::CloseHandle(H(event)); }
    std::uint32_t WaitForSingleObject(Handle event, std::uint32_t ms) override {
        return ::WaitForSingleObject(H(event), ms);
    }
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* events,
                                         std::uint32_t ms) override {
        HANDLE handles[MAXIMUM_WAIT_OBJECTS];
        if (count > MAXIMUM_WAIT_OBJECTS) count = MAXIMUM_WAIT_OBJECTS;
        for (std::uint32_t i = 0; i < count; ++i) handles[i] = H(events[i]);
        return ::WaitForMultipleObjects(count, handles, FALSE, ms);
    }

    Handle Open(const std::string& path) override {
        HANDLE h = ::CreateFileW(platform::Widen(TrimTrailingBlanks(path)).c_str(),
                                 GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) return kInvalidHandle;
        // Windows' own serial driver starts every opening with an empty input
        // buffer; Wine keeps what arrived while the port was closed, and a
        // stale byte in front of a reply would make it invalid.
        ::PurgeComm(h, PURGE_RXCLEAR);
        return FromH(h);
    }
    bool Close(Handle port) override { return ::CloseHandle(H(port)); }
    bool SetupComm(Handle port, std::uint32_t in, std::uint32_t out) override {
        return ::SetupComm(H(port), in, out);
    }
    bool GetCommState(Handle port, Dcb& dcb) override {
        DCB d{};
        d.DCBlength = sizeof d;
        if (!::GetCommState(H(port), &d)) return false;
        dcb = FromDcb(d);
        return true;
    }
    bool SetCommState(Handle port, const Dcb& dcb) override {
        DCB d = ToDcb(dcb);
        return ::SetCommState(H(port), &d);
    }
    bool SetCommTimeouts(Handle port, const CommTimeouts& t) override {
        COMMTIMEOUTS c{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                       t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                       t.WriteTotalTimeoutConstant};
        return ::SetCommTimeouts(H(port), &c);
    }
    bool SetCommMask(Handle port, std::uint32_t mask) override {
        return ::SetCommMask(H(port), mask);
    }
    bool WaitCommEvent(Handle port, std::uint32_t* mask, Overlapped& ov) override {
        static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
        return ::WaitCommEvent(H(port), reinterpret_cast<DWORD*>(mask), Ov(ov));
    }
    bool GetCommModemStatus(Handle port, std::uint32_t& status) override {
        DWORD s = 0;
        if (!::GetCommModemStatus(H(port), &s)) return false;
        status = s;
        return true;
    }
    bool ClearCommError(Handle port, std::uint32_t& errors, ComStat& stat) override {
        DWORD e = 0;
        COMSTAT s{};
        if (!::ClearCommError(H(port), &e, &s)) return false;
        errors = e;
        stat.Flags = (s.fCtsHold ? 0x01u : 0) | (s.fDsrHold ? 0x02u : 0) |
                     (s.fRlsdHold ? 0x04u : 0) | (s.fXoffHold ? 0x08u : 0) |
                     (s.fXoffSent ? 0x10u : 0) | (s.fEof ? 0x20u : 0) | (s.fTxim ? 0x40u : 0);
        stat.InQue = s.cbInQue;
        stat.OutQue = s.cbOutQue;
        return true;
    }
    bool ReadFile(Handle port, void* buffer, std::uint32_t count, std::uint32_t* done,
                  Overlapped& ov) override {
        DWORD n = 0;
        const BOOL ok = ::ReadFile(H(port), buffer, count, &n, Ov(ov));
        if (ok && done) *done = n;
        return ok;
    }
    bool WriteFile(Handle port, const void* buffer, std::uint32_t count, std::uint32_t* done,
                   Overlapped& ov) override {
        DWORD n = 0;
        const BOOL ok = ::WriteFile(H(port), buffer, count, &n, Ov(ov));
        if (ok && done) *done = n;
        return ok;
    }
    bool GetOverlappedResult(Handle port, Overlapped& ov, std::uint32_t& transferred,
                             bool wait) override {
        DWORD n = 0;
        const BOOL ok = ::GetOverlappedResult(H(port), Ov(ov), &n, wait);
        transferred = n;
        return ok;
    }
    bool CancelIo(Handle port, Overlapped& ov) override { return ::CancelIoEx(H(port), Ov(ov)); }
    bool EscapeCommFunction(Handle port, std::uint32_t function) override {
        return ::EscapeCommFunction(H(port), function);
    }
    bool SetCommBreak(Handle port) override { return ::SetCommBreak(H(port)); }
    bool ClearCommBreak(Handle port) override { return ::ClearCommBreak(H(port)); }
    bool PurgeComm(Handle port, std::uint32_t flags) override {
        const BOOL ok = ::PurgeComm(H(port), flags);
        const DWORD error = ::GetLastError();
        // Wine's purge leaves a pending read or write running; the component
        // relies on the abort flags ending them, as Windows does.
        if (flags & (PURGE_TXABORT | PURGE_RXABORT)) ::CancelIoEx(H(port), nullptr);
        ::SetLastError(error);
        return ok;
    }
    std::uint32_t GetLastError() override { return ::GetLastError(); }
    std::uint32_t GetTickCount() override { return ::GetTickCount(); }
    void Sleep(std::uint32_t ms) override { ::Sleep(ms); }
    std::int32_t PlatformId() override {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!::GetVersionExW(&info)) return -1;
        return static_cast<std::int32_t>(info.dwPlatformId);
    }
};

}  // namespace

std::unique_ptr<Driver> MakeNativeDriver() {
    return std::make_unique<Win32Driver>();
}

}  // namespace comm
