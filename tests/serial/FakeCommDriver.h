#pragma once

// A scripted comm driver: queued input bytes, a controllable clock, calls
// that fail on demand, and a record of every call. Waits and sleeps move the
// fake clock instead of the real one.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CommDriver.h"

class FakeCommDriver final : public comm::Driver {
  public:
    using Calls = std::vector<std::string>;

    // Every call as "Name(args)"; shared so it outlives the driver.
    std::shared_ptr<Calls> Log() const { return log_; }
    std::vector<std::string> CallsNamed(const std::string& name) const;
    void ClearLog();

    // The next `times` calls of `name` fail with `error` (-1: all of them).
    void Fail(const std::string& name, std::uint32_t error, int times = 1);

    // Input and line state.
    void Feed(const std::vector<std::uint8_t>& bytes);
    void FeedAt(std::uint32_t tick, const std::vector<std::uint8_t>& bytes);
    std::size_t Queued() const;
    // Reported by the next ClearCommError, or by every one while sticky.
    void SetErrors(std::uint32_t errors, bool sticky = false);
    void DropInput();
    void SetModemStatus(std::uint32_t status);
    void SetOutQueue(std::uint32_t count);
    // Completes a pending event wait with mask (or the next wait at once).
    void FireEvent(std::uint32_t mask);

    // Reads: pending instead of at once, finished later by CompleteRead.
    void SetReadsPend(bool pend);
    void CompleteRead();

    enum class WriteMode { Immediate, Pending, Fail };
    void SetWriteMode(WriteMode mode, std::uint32_t error = 0);
    // Ends the pending write with `written` bytes; or, with a still-pending
    // query answer, makes GetOverlappedResult fail with it meanwhile.
    void CompleteWrite(std::uint32_t written);
    void SetPendingWriteAnswer(std::uint32_t error, std::uint32_t transferred);
    std::vector<std::uint8_t> Written() const;

    comm::Dcb LastDcb() const;
    comm::CommTimeouts LastTimeouts() const;
    std::uint32_t Now() const;
    void Advance(std::uint32_t ms);
    // Waits that time out move the clock by their time-out (off: they return
    // at once and only Advance and Sleep move it).
    void SetWaitsAdvanceClock(bool on);
    void SetPlatformId(std::int32_t id) { platformId_ = id; }
    bool Open() const;  // a port handle is open

    // comm::Driver
    comm::Handle CreateEvent() override;
    bool SetEvent(comm::Handle event) override;
    bool ResetEvent(comm::Handle event) override;
    bool CloseEvent(comm::Handle event) override;
    std::uint32_t WaitForSingleObject(comm::Handle event, std::uint32_t ms) override;
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const comm::Handle* events,
                                         std::uint32_t ms) override;
    comm::Handle Open(const std::string& path) override;
    bool Close(comm::Handle port) override;
    bool SetupComm(comm::Handle port, std::uint32_t in, std::uint32_t out) override;
    bool GetCommState(comm::Handle port, comm::Dcb& dcb) override;
    bool SetCommState(comm::Handle port, const comm::Dcb& dcb) override;
    bool SetCommTimeouts(comm::Handle port, const comm::CommTimeouts& t) override;
    bool SetCommMask(comm::Handle port, std::uint32_t mask) override;
    bool WaitCommEvent(comm::Handle port, std::uint32_t* mask, comm::Overlapped& ov) override;
    bool GetCommModemStatus(comm::Handle port, std::uint32_t& status) override;
    bool ClearCommError(comm::Handle port, std::uint32_t& errors, comm::ComStat& stat) override;
    bool ReadFile(comm::Handle port, void* buffer, std::uint32_t count, std::uint32_t* done,
                  comm::Overlapped& ov) override;
    bool WriteFile(comm::Handle port, const void* buffer, std::uint32_t count, std::uint32_t* done,
                   comm::Overlapped& ov) override;
    bool GetOverlappedResult(comm::Handle port, comm::Overlapped& ov, std::uint32_t& transferred,
                             bool wait) override;
    bool CancelIo(comm::Handle port, comm::Overlapped& ov) override;
    bool EscapeCommFunction(comm::Handle port, std::uint32_t function) override;
    bool SetCommBreak(comm::Handle port) override;
    bool ClearCommBreak(comm::Handle port) override;
    bool PurgeComm(comm::Handle port, std::uint32_t flags) override;
    std::uint32_t GetLastError() override;
    std::uint32_t GetTickCount() override;
    void Sleep(std::uint32_t ms) override;
    // Recorded and timed like Sleep: the fake clock moves only when told.
    void SleepWhile(std::uint32_t ms, const std::atomic<bool>&) override { Sleep(ms); }
    std::int32_t PlatformId() override { return platformId_; }

  private:
    struct Op {
        bool pending = false;
        std::uint32_t error = 0;
        std::uint32_t transferred = 0;
    };
    bool Record(const std::string& call, const std::string& name);  // false: scripted failure
    bool PortOk(comm::Handle port);
    void AdvanceLocked(std::uint32_t ms);
    void SignalLocked(comm::Handle event);
    void EndOp(comm::Overlapped& ov, std::uint32_t error, std::uint32_t transferred);
    void CompleteWaitLocked(std::uint32_t mask, std::uint32_t error);

    mutable std::mutex lock_;
    std::shared_ptr<Calls> log_ = std::make_shared<Calls>();
    std::map<std::string, std::pair<std::uint32_t, int>> failures_;
    std::map<comm::Handle, bool> events_;
    comm::Handle nextHandle_ = 0x10;
    comm::Handle port_ = comm::kInvalidHandle;
    std::uint32_t now_ = 1000;
    std::deque<std::uint8_t> rx_;
    std::multimap<std::uint32_t, std::vector<std::uint8_t>> scheduled_;
    std::uint32_t errors_ = 0;
    bool stickyErrors_ = false;
    bool waitsAdvance_ = false;
    std::uint32_t modem_ = 0;
    std::uint32_t outQueue_ = 0;
    std::uint32_t mask_ = 0;
    std::uint32_t firedEarly_ = 0;
    std::uint32_t* waitMask_ = nullptr;
    comm::Overlapped* waitOv_ = nullptr;
    bool readsPend_ = false;
    comm::Overlapped* readOv_ = nullptr;
    std::uint8_t* readBuf_ = nullptr;
    std::uint32_t readCount_ = 0;
    WriteMode writeMode_ = WriteMode::Immediate;
    std::uint32_t writeError_ = 0;
    comm::Overlapped* writeOv_ = nullptr;
    const std::uint8_t* writeBuf_ = nullptr;
    std::uint32_t writeCount_ = 0;
    std::uint32_t pendingAnswer_ = comm::kErrorIoIncomplete;
    std::uint32_t pendingTransferred_ = 0;
    std::vector<std::uint8_t> written_;
    std::map<const comm::Overlapped*, Op> ops_;
    comm::Dcb dcb_;
    comm::CommTimeouts timeouts_;
    std::int32_t platformId_ = 2;
};
