#include "FakeCommDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace comm;

namespace {

thread_local std::uint32_t tLastError = 0;

bool FailWith(std::uint32_t error) {
    tLastError = error;
    return false;
}

std::string Hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

}  // namespace

// ---- scripting ---------------------------------------------------------------

std::vector<std::string> FakeCommDriver::CallsNamed(const std::string& name) const {
    std::lock_guard guard(lock_);
    std::vector<std::string> out;
    for (const std::string& c : *log_)
        if (c.compare(0, name.size() + 1, name + "(") == 0) out.push_back(c);
    return out;
}

void FakeCommDriver::ClearLog() {
    std::lock_guard guard(lock_);
    log_->clear();
}

void FakeCommDriver::Fail(const std::string& name, std::uint32_t error, int times) {
    std::lock_guard guard(lock_);
    failures_[name] = {error, times};
}

void FakeCommDriver::Feed(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard guard(lock_);
    rx_.insert(rx_.end(), bytes.begin(), bytes.end());
    if (waitOv_ && (mask_ & kEvRxChar) && !bytes.empty()) CompleteWaitLocked(kEvRxChar, 0);
}

void FakeCommDriver::FeedAt(std::uint32_t tick, const std::vector<std::uint8_t>& bytes) {
    std::lock_guard guard(lock_);
    scheduled_.emplace(tick, bytes);
}

std::size_t FakeCommDriver::Queued() const {
    std::lock_guard guard(lock_);
    return rx_.size();
}

void FakeCommDriver::SetErrors(std::uint32_t errors, bool sticky) {
    std::lock_guard guard(lock_);
    errors_ = errors;
    stickyErrors_ = sticky;
}

void FakeCommDriver::DropInput() {
    std::lock_guard guard(lock_);
    rx_.clear();
}

void FakeCommDriver::SetWaitsAdvanceClock(bool on) {
    std::lock_guard guard(lock_);
    waitsAdvance_ = on;
}

void FakeCommDriver::SetModemStatus(std::uint32_t status) {
    std::lock_guard guard(lock_);
    modem_ = status;
}

void FakeCommDriver::SetOutQueue(std::uint32_t count) {
    std::lock_guard guard(lock_);
    outQueue_ = count;
}

void FakeCommDriver::FireEvent(std::uint32_t mask) {
    std::lock_guard guard(lock_);
    if (waitOv_)
        CompleteWaitLocked(mask, 0);
    else
        firedEarly_ |= mask;
}

void FakeCommDriver::SetReadsPend(bool pend) {
    std::lock_guard guard(lock_);
    readsPend_ = pend;
}

void FakeCommDriver::CompleteRead() {
    std::lock_guard guard(lock_);
    if (!readOv_) return;
    const std::uint32_t n = std::min<std::uint32_t>(readCount_, rx_.size());
    std::copy_n(rx_.begin(), n, readBuf_);
    rx_.erase(rx_.begin(), rx_.begin() + n);
    EndOp(*readOv_, 0, n);
    readOv_ = nullptr;
}

void FakeCommDriver::SetWriteMode(WriteMode mode, std::uint32_t error) {
    std::lock_guard guard(lock_);
    writeMode_ = mode;
    writeError_ = error;
}

void FakeCommDriver::CompleteWrite(std::uint32_t written) {
    std::lock_guard guard(lock_);
    if (!writeOv_) return;
    written_.insert(written_.end(), writeBuf_, writeBuf_ + std::min(written, writeCount_));
    EndOp(*writeOv_, 0, written);
    writeOv_ = nullptr;
}

void FakeCommDriver::SetPendingWriteAnswer(std::uint32_t error, std::uint32_t transferred) {
    std::lock_guard guard(lock_);
    pendingAnswer_ = error;
    pendingTransferred_ = transferred;
}

std::vector<std::uint8_t> FakeCommDriver::Written() const {
    std::lock_guard guard(lock_);
    return written_;
}

comm::Dcb FakeCommDriver::LastDcb() const {
    std::lock_guard guard(lock_);
    return dcb_;
}

comm::CommTimeouts FakeCommDriver::LastTimeouts() const {
    std::lock_guard guard(lock_);
    return timeouts_;
}

std::uint32_t FakeCommDriver::Now() const {
    std::lock_guard guard(lock_);
    return now_;
}

void FakeCommDriver::Advance(std::uint32_t ms) {
    std::lock_guard guard(lock_);
    AdvanceLocked(ms);
}

bool FakeCommDriver::Open() const {
    std::lock_guard guard(lock_);
    return port_ != kInvalidHandle;
}

// ---- internals -----------------------------------------------------------------

bool FakeCommDriver::Record(const std::string& call, const std::string& name) {
    log_->push_back(call);
    auto it = failures_.find(name);
    if (it == failures_.end() || it->second.second == 0) return true;
    if (it->second.second > 0) --it->second.second;
    tLastError = it->second.first;
    return false;
}

bool FakeCommDriver::PortOk(comm::Handle port) {
    if (port == kInvalidHandle || port != port_) return FailWith(kErrorInvalidHandle);
    return true;
}

void FakeCommDriver::AdvanceLocked(std::uint32_t ms) {
    for (std::uint32_t i = 0; i < ms; ++i) {
        ++now_;
        while (!scheduled_.empty() &&
               static_cast<std::int32_t>(now_ - scheduled_.begin()->first) >= 0) {
            const auto& bytes = scheduled_.begin()->second;
            rx_.insert(rx_.end(), bytes.begin(), bytes.end());
            if (waitOv_ && (mask_ & kEvRxChar) && !bytes.empty()) CompleteWaitLocked(kEvRxChar, 0);
            scheduled_.erase(scheduled_.begin());
        }
    }
}

void FakeCommDriver::SignalLocked(comm::Handle event) {
    auto it = events_.find(event);
    if (it != events_.end()) it->second = true;
}

void FakeCommDriver::EndOp(comm::Overlapped& ov, std::uint32_t error, std::uint32_t transferred) {
    ops_[&ov] = Op{false, error, transferred};
    SignalLocked(ov.Event);
}

void FakeCommDriver::CompleteWaitLocked(std::uint32_t mask, std::uint32_t error) {
    if (waitMask_) *waitMask_ = mask;
    comm::Overlapped* ov = waitOv_;
    waitOv_ = nullptr;
    waitMask_ = nullptr;
    EndOp(*ov, error, 0);
}

// ---- comm::Driver -----------------------------------------------------------------

comm::Handle FakeCommDriver::CreateEvent() {
    std::lock_guard guard(lock_);
    if (!Record("CreateEvent()", "CreateEvent")) return kNoEvent;
    const comm::Handle h = nextHandle_++;
    events_[h] = false;
    tLastError = 0;
    return h;
}

bool FakeCommDriver::SetEvent(comm::Handle event) {
    std::lock_guard guard(lock_);
    if (!Record("SetEvent()", "SetEvent")) return false;
    if (!events_.count(event)) return FailWith(kErrorInvalidHandle);
    events_[event] = true;
    return true;
}

bool FakeCommDriver::ResetEvent(comm::Handle event) {
    std::lock_guard guard(lock_);
    if (!Record("ResetEvent()", "ResetEvent")) return false;
    if (!events_.count(event)) return FailWith(kErrorInvalidHandle);
    events_[event] = false;
    return true;
}

bool FakeCommDriver::CloseEvent(comm::Handle event) {
    std::lock_guard guard(lock_);
    Record("CloseEvent()", "CloseEvent");
    return events_.erase(event) ? true : FailWith(kErrorInvalidHandle);
}

std::uint32_t FakeCommDriver::WaitForSingleObject(comm::Handle event, std::uint32_t ms) {
    return WaitForMultipleObjects(1, &event, ms);
}

std::uint32_t FakeCommDriver::WaitForMultipleObjects(std::uint32_t count,
                                                     const comm::Handle* events, std::uint32_t ms) {
    std::lock_guard guard(lock_);
    if (!Record("Wait(" + std::to_string(count) + "," + std::to_string(ms) + ")", "Wait"))
        return kWaitFailed;
    for (std::uint32_t step = 0;; ++step) {
        for (std::uint32_t i = 0; i < count; ++i) {
            auto it = events_.find(events[i]);
            if (it == events_.end()) {
                tLastError = kErrorInvalidHandle;
                return kWaitFailed;
            }
            if (it->second) return kWaitObject0 + i;
        }
        if (step == ms || !waitsAdvance_) return kWaitTimeout;
        AdvanceLocked(1);
    }
}

comm::Handle FakeCommDriver::Open(const std::string& path) {
    std::lock_guard guard(lock_);
    if (!Record("Open(" + path + ")", "Open")) return kInvalidHandle;
    port_ = nextHandle_++;
    tLastError = 0;
    return port_;
}

bool FakeCommDriver::Close(comm::Handle port) {
    std::lock_guard guard(lock_);
    if (!Record("Close()", "Close") || !PortOk(port)) return false;
    if (waitOv_) CompleteWaitLocked(0, kErrorOperationAborted);
    if (readOv_) EndOp(*readOv_, kErrorOperationAborted, 0), readOv_ = nullptr;
    if (writeOv_) EndOp(*writeOv_, kErrorOperationAborted, 0), writeOv_ = nullptr;
    port_ = kInvalidHandle;
    return true;
}

bool FakeCommDriver::SetupComm(comm::Handle port, std::uint32_t in, std::uint32_t out) {
    std::lock_guard guard(lock_);
    return Record("SetupComm(" + std::to_string(in) + "," + std::to_string(out) + ")",
                  "SetupComm") &&
           PortOk(port);
}

bool FakeCommDriver::GetCommState(comm::Handle port, comm::Dcb& dcb) {
    std::lock_guard guard(lock_);
    if (!Record("GetCommState()", "GetCommState") || !PortOk(port)) return false;
    dcb = dcb_;
    return true;
}

bool FakeCommDriver::SetCommState(comm::Handle port, const comm::Dcb& dcb) {
    std::lock_guard guard(lock_);
    if (!Record("SetCommState()", "SetCommState") || !PortOk(port)) return false;
    dcb_ = dcb;
    return true;
}

bool FakeCommDriver::SetCommTimeouts(comm::Handle port, const comm::CommTimeouts& t) {
    std::lock_guard guard(lock_);
    if (!Record("SetCommTimeouts(" + std::to_string(t.WriteTotalTimeoutConstant) + ")",
                "SetCommTimeouts") ||
        !PortOk(port))
        return false;
    timeouts_ = t;
    return true;
}

bool FakeCommDriver::SetCommMask(comm::Handle port, std::uint32_t mask) {
    std::lock_guard guard(lock_);
    if (!Record("SetCommMask(" + Hex(mask) + ")", "SetCommMask") || !PortOk(port)) return false;
    mask_ = mask;
    if (waitOv_) CompleteWaitLocked(0, 0);
    return true;
}

bool FakeCommDriver::WaitCommEvent(comm::Handle port, std::uint32_t* mask, comm::Overlapped& ov) {
    std::lock_guard guard(lock_);
    if (!Record("WaitCommEvent()", "WaitCommEvent") || !PortOk(port)) return false;
    events_[ov.Event] = false;
    if (firedEarly_) {
        *mask = firedEarly_;
        firedEarly_ = 0;
        return true;
    }
    waitOv_ = &ov;
    waitMask_ = mask;
    ops_[&ov] = Op{true, 0, 0};
    return FailWith(kErrorIoPending);
}

bool FakeCommDriver::GetCommModemStatus(comm::Handle port, std::uint32_t& status) {
    std::lock_guard guard(lock_);
    if (!Record("GetCommModemStatus()", "GetCommModemStatus") || !PortOk(port)) return false;
    status = modem_;
    return true;
}

bool FakeCommDriver::ClearCommError(comm::Handle port, std::uint32_t& errors, comm::ComStat& stat) {
    std::lock_guard guard(lock_);
    if (!Record("ClearCommError()", "ClearCommError") || !PortOk(port)) return false;
    errors = errors_;
    if (!stickyErrors_) errors_ = 0;
    stat.Flags = 0;
    stat.InQue = static_cast<std::uint32_t>(rx_.size());
    stat.OutQue = outQueue_;
    return true;
}

bool FakeCommDriver::ReadFile(comm::Handle port, void* buffer, std::uint32_t count,
                              std::uint32_t* done, comm::Overlapped& ov) {
    std::lock_guard guard(lock_);
    if (!Record("ReadFile(" + std::to_string(count) + ")", "ReadFile") || !PortOk(port))
        return false;
    events_[ov.Event] = false;
    if (readsPend_) {
        readOv_ = &ov;
        readBuf_ = static_cast<std::uint8_t*>(buffer);
        readCount_ = count;
        ops_[&ov] = Op{true, 0, 0};
        return FailWith(kErrorIoPending);
    }
    const std::uint32_t n = std::min<std::uint32_t>(count, rx_.size());
    std::copy_n(rx_.begin(), n, static_cast<std::uint8_t*>(buffer));
    rx_.erase(rx_.begin(), rx_.begin() + n);
    if (done) *done = n;
    EndOp(ov, 0, n);
    return true;
}

bool FakeCommDriver::WriteFile(comm::Handle port, const void* buffer, std::uint32_t count,
                               std::uint32_t* done, comm::Overlapped& ov) {
    std::lock_guard guard(lock_);
    if (!Record("WriteFile(" + std::to_string(count) + ")", "WriteFile") || !PortOk(port))
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    events_[ov.Event] = false;
    switch (writeMode_) {
        case WriteMode::Immediate:
            written_.insert(written_.end(), bytes, bytes + count);
            if (done) *done = count;
            EndOp(ov, 0, count);
            return true;
        case WriteMode::Pending:
            writeOv_ = &ov;
            writeBuf_ = bytes;
            writeCount_ = count;
            ops_[&ov] = Op{true, 0, 0};
            return FailWith(kErrorIoPending);
        case WriteMode::Fail:
            break;
    }
    return FailWith(writeError_);
}

bool FakeCommDriver::GetOverlappedResult(comm::Handle, comm::Overlapped& ov,
                                         std::uint32_t& transferred, bool) {
    std::lock_guard guard(lock_);
    if (!Record("GetOverlappedResult()", "GetOverlappedResult")) return false;
    const Op op = ops_[&ov];
    if (op.pending) {
        if (&ov == writeOv_) {
            transferred = pendingTransferred_;
            return FailWith(pendingAnswer_);
        }
        transferred = 0;
        return FailWith(kErrorIoIncomplete);
    }
    transferred = op.transferred;
    return op.error ? FailWith(op.error) : true;
}

bool FakeCommDriver::CancelIo(comm::Handle, comm::Overlapped& ov) {
    std::lock_guard guard(lock_);
    Record("CancelIo()", "CancelIo");
    if (&ov == readOv_) EndOp(ov, kErrorOperationAborted, 0), readOv_ = nullptr;
    if (&ov == writeOv_) {
        EndOp(ov, kErrorOperationAborted, pendingTransferred_);
        writeOv_ = nullptr;
    }
    if (&ov == waitOv_) CompleteWaitLocked(0, kErrorOperationAborted);
    return true;
}

bool FakeCommDriver::EscapeCommFunction(comm::Handle port, std::uint32_t function) {
    std::lock_guard guard(lock_);
    return Record("EscapeCommFunction(" + std::to_string(function) + ")", "EscapeCommFunction") &&
           PortOk(port);
}

bool FakeCommDriver::SetCommBreak(comm::Handle port) {
    std::lock_guard guard(lock_);
    return Record("SetCommBreak()", "SetCommBreak") && PortOk(port);
}

bool FakeCommDriver::ClearCommBreak(comm::Handle port) {
    std::lock_guard guard(lock_);
    return Record("ClearCommBreak()", "ClearCommBreak") && PortOk(port);
}

bool FakeCommDriver::PurgeComm(comm::Handle port, std::uint32_t flags) {
    std::lock_guard guard(lock_);
    if (!Record("PurgeComm(" + Hex(flags) + ")", "PurgeComm") || !PortOk(port)) return false;
    if ((flags & kPurgeRxAbort) && readOv_)
        EndOp(*readOv_, kErrorOperationAborted, 0), readOv_ = nullptr;
    if ((flags & kPurgeTxAbort) && writeOv_) {
        EndOp(*writeOv_, kErrorOperationAborted, 0);
        writeOv_ = nullptr;
    }
    if (flags & kPurgeRxClear) rx_.clear();
    return true;
}

std::uint32_t FakeCommDriver::GetLastError() {
    return tLastError;
}

std::uint32_t FakeCommDriver::GetTickCount() {
    std::lock_guard guard(lock_);
    return now_;
}

void FakeCommDriver::Sleep(std::uint32_t ms) {
    std::lock_guard guard(lock_);
    Record("Sleep(" + std::to_string(ms) + ")", "Sleep");
    AdvanceLocked(ms);
}
