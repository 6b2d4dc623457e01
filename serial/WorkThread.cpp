#include <chrono>
#include <cstring>

#include "MainThread.h"
#include "SerialNG.h"

using comm::Handle;

namespace {

constexpr std::uint32_t kPassWait = 75;
constexpr std::uint32_t kIdleSleep = 200;
constexpr std::uint32_t kReceiveErrors = 0x1F;
// How long a cancelled operation may take to end before its buffer is given up.
constexpr std::uint32_t kCancelWait = 1000;

}  // namespace

// ---- TSerialCluster -------------------------------------------------------

TSerialCluster::TSerialCluster(const std::uint8_t* data, std::int32_t size,
                               std::uint32_t errorFlags)
    : size_(size), errorFlags_(errorFlags) {
    if (size > 0) {
        data_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
        std::memcpy(data_.get(), data, static_cast<std::size_t>(size));
    }
}

void TSerialCluster::CopyTo(std::uint8_t* destination) const {
    if (destination && size_ > 0)
        std::memcpy(destination, data_.get(), static_cast<std::size_t>(size_));
}

// ---- thread ---------------------------------------------------------------

TWorkThread::TWorkThread(TSerialPortNG& port) : Port(port), drv_(*port.driver_) {}

TWorkThread::~TWorkThread() {
    Terminate();
    WaitFor();
}

void TWorkThread::Start() {
    threaded_ = true;
    thread_ = std::thread([this] { Execute(); });
}

void TWorkThread::Terminate() {
    terminated_ = true;
    Wake();
}

void TWorkThread::Wake() {
    { std::lock_guard guard(idleLock_); }
    idleWake_.notify_all();
}

void TWorkThread::WaitFor() {
    if (!thread_.joinable()) return;
    // The worker may be waiting in a hand-over: keep running them.
    platform::WaitWhileDraining([this] { return finished_.load(); });
    thread_.join();
}

void TWorkThread::Execute() {
    while (Pass()) {
    }
    Port.ThreadTerminated();
    finished_ = true;
}

// Sleeps until the time is up, the end is asked for, or the port's state
// becomes `until` (opened while idle; closed while pausing an active pass).
void TWorkThread::Sleep(std::uint32_t ms, bool until) {
    if (!threaded_) {
        drv_.Sleep(ms);
        return;
    }
    std::unique_lock guard(idleLock_);
    idleWake_.wait_for(guard, std::chrono::milliseconds(ms), [this, until] {
        return terminated_.load() || Port.active_.load() == until;
    });
}

bool TWorkThread::Pass() {
    if (!started_) {
        started_ = true;
        LastRxTick = drv_.GetTickCount();
        ReadPending = false;
        EventPending = false;
        WorkerActive = Port.active_;
    }
    if (!WorkerActive) {
        Port.threadRunning_ = false;
        WorkerActive = Port.active_;
        if (!WorkerActive) Sleep(kIdleSleep, true);
        return !terminated_ || WorkerActive;
    }

    Port.threadRunning_ = true;
    if (Port.active_) PollStatus();
    CheckWrite();
    if (!ReadPending && Port.active_) ReadIfDue();
    if (!EventPending && Port.active_ && Port.eventsEnabled_) StartEventWait();

    // A wait that fails, an event wait that cannot start, or one that ends at
    // once with nothing new would otherwise make the passes follow each other
    // without a pause.
    bool pause = false;
    if (ReadPending && EventPending) {
        const Handle events[2] = {Port.ReadOverlapped.Event, Port.EventOverlapped.Event};
        const std::uint32_t result = drv_.WaitForMultipleObjects(2, events, kPassWait);
        if (Port.active_) PollStatus();
        if (result == comm::kWaitObject0) {
            FinishRead();
        } else if (result == comm::kWaitObject0 + 1) {
            FinishEventWait();
        } else if (result != comm::kWaitTimeout) {
            Report(places::kWaitBoth, result);
            AbandonRead();
            EventPending = false;
            pause = true;
        }
    } else if (ReadPending) {
        const std::uint32_t result = drv_.WaitForSingleObject(Port.ReadOverlapped.Event, kPassWait);
        if (Port.active_) PollStatus();
        if (result == comm::kWaitObject0) {
            FinishRead();
        } else if (result != comm::kWaitTimeout) {
            Report(places::kWaitRead, result);
            AbandonRead();
            pause = true;
        }
    } else if (EventPending) {
        const std::uint32_t result =
            drv_.WaitForSingleObject(Port.EventOverlapped.Event, kPassWait);
        if (Port.active_) PollStatus();
        if (result == comm::kWaitObject0) {
            FinishEventWait();
        } else if (result != comm::kWaitTimeout) {
            Report(places::kWaitEvent, result);
            EventPending = false;
            pause = true;
        }
    } else if ((eventWaitFailed_ || staleRxEvent_) && Port.active_) {
        pause = true;
    }

    if (!Port.active_) {
        if (ReadPending) SignalEvent(Port.ReadOverlapped);
        if (EventPending) {
            drv_.SetCommMask(Port.Handle(), 0);
            SignalEvent(Port.EventOverlapped);
        }
        if (!ReadPending && !EventPending && !Port.sendInProgress_) WorkerActive = false;
    } else if (pause) {
        Sleep(kPassWait, false);
    }
    return !terminated_ || WorkerActive;
}

// ---- hand-over to the main thread ------------------------------------------

void TWorkThread::SyncEvent(const std::function<void()>& handler) {
    if (Port.threadQuietMode_) return;
    platform::Synchronize(handler);
}

void TWorkThread::Raise(std::uint32_t which,
                        std::function<void(TSerialPortNG&)> TSerialPortNG::*event) {
    if (Port.Destroying || !Port.Assigned(which)) return;
    SyncEvent([this, event] {
        if (!Port.Destroying) {
            auto handler = Port.*event;
            if (handler) handler(Port);
        }
        Port.NoteHandlers();
    });
}

void TWorkThread::StoreError(const ReportPlace& at, std::uint32_t code) {
    ErrAt = &at;
    ErrCode = code;
}

void TWorkThread::ReportStored() {
    Port.ProcessError(*ErrAt, ErrCode);
    Port.NoteHandlers();
}

void TWorkThread::Report(const ReportPlace& at, std::uint32_t code) {
    // Worker reports are errors (noise 0) and pass any ErrorNoise; without a
    // handler the hand-over would only be dropped on the main thread.
    if (Port.Destroying || !Port.Assigned(TSerialPortNG::hProcessError)) return;
    StoreError(at, code);
    SyncEvent([this] { ReportStored(); });
}

void TWorkThread::SignalEvent(comm::Overlapped& ov) {
    if (!drv_.SetEvent(ov.Event)) {
        lastError_ = drv_.GetLastError();
        Report(places::kSignalEvent, lastError_);
    }
}

void TWorkThread::ResetEvent(comm::Overlapped& ov) {
    if (!drv_.ResetEvent(ov.Event)) {
        lastError_ = drv_.GetLastError();
        Report(places::kResetEvent, lastError_);
    }
}

// ---- the steps of a pass ----------------------------------------------------

void TWorkThread::PollStatus() {
    std::uint32_t status = 0;
    if (!drv_.GetCommModemStatus(Port.Handle(), status)) {
        lastError_ = drv_.GetLastError();
        Report(places::kModemStatus, lastError_);
    } else {
        const std::uint32_t old = Port.modemState_;
        bool ring = false;
        if (Port.PlatformId == 1 && !(status & comm::kMsRingOn) && (old & comm::kMsRingOn)) {
            ring = true;
            Port.ringState_ = false;
        }
        const bool riChanged = ((status ^ old) & comm::kMsRingOn) != 0;
        Port.modemState_ = status;
        Port.ctsState_ = (status & comm::kMsCtsOn) != 0;
        Port.dsrState_ = (status & comm::kMsDsrOn) != 0;
        Port.rlsdState_ = (status & comm::kMsRlsdOn) != 0;
        Port.ringState_ = (status & comm::kMsRingOn) != 0;
        if (riChanged) Raise(TSerialPortNG::hRI, &TSerialPortNG::OnRIEvent);
        if (ring) DispatchEvents(comm::kEvRing);
    }

    for (;;) {
        std::uint32_t errors = 0;
        comm::ComStat stat;
        if (!drv_.ClearCommError(Port.Handle(), errors, stat)) {
            lastError_ = drv_.GetLastError();
            Report(places::kCommStatus, lastError_);
            break;
        }
        pollErrors_ = errors;
        pollInQueue_ = stat.InQue;
        const auto flags = static_cast<TComStateFlags>(stat.Flags & 0xFF);
        if (errors == Port.commError_ && flags == Port.commStateFlags_ &&
            stat.InQue == Port.commStateInQueue_ && stat.OutQue == Port.commStateOutQueue_)
            break;
        Port.commError_ = errors;
        Port.commStateFlags_ = flags;
        Port.commStateInQueue_ = stat.InQue;
        Port.commStateOutQueue_ = stat.OutQue;
        Raise(TSerialPortNG::hCommStat, &TSerialPortNG::OnCommStat);
    }
}

void TWorkThread::CheckWrite() {
    if (!Port.sendInProgress_) return;
    comm::Overlapped& ov = Port.WriteOverlapped;
    std::uint32_t transferred = 0;
    if (drv_.GetOverlappedResult(Port.Handle(), ov, transferred, false)) {
        Port.writtenBytes_ = transferred;
        Port.sendInProgress_ = false;
        if (transferred != Port.BytesToWrite) Report(places::kWriteTimeout, lastError_);
        Raise(TSerialPortNG::hWriteDone, &TSerialPortNG::OnWriteDone);
        return;
    }
    const std::uint32_t error = drv_.GetLastError();
    lastError_ = error;
    if (error == comm::kErrorIoIncomplete) return;
    if (error == comm::kErrorIoPending) {
        const double allowed = transferred * static_cast<double>(Port.wtoCharDelayTime_) / 1000 +
                               Port.wtoExtraDelayTime_;
        if (static_cast<std::uint32_t>(drv_.GetTickCount() - Port.SendStartTick) <= allowed) return;
        // Abandoned: the write must end before its record and the caller's
        // block may be used again.
        EndInFlight(ov, transferred);
        Port.writtenBytes_ = transferred;
        Port.sendInProgress_ = false;
        ResetEvent(ov);
        Report(places::kWriteTimeout, comm::kErrorIoPending);
        Raise(TSerialPortNG::hWriteDone, &TSerialPortNG::OnWriteDone);
        return;
    }
    Port.sendInProgress_ = false;
    ResetEvent(ov);
    Report(places::kWriteResult, error);
    Raise(TSerialPortNG::hWriteDone, &TSerialPortNG::OnWriteDone);
}

void TWorkThread::ReadIfDue() {
    const std::uint32_t queued = pollInQueue_;
    if (queued == 0) {
        LastRxTick = drv_.GetTickCount();
        return;
    }
    const std::uint32_t now = drv_.GetTickCount();
    const std::uint32_t product = queued * Port.rtoCharDelayTime_;
    const double allowed = product / 1000.0 + Port.rtoExtraDelayTime_;
    const bool due = Port.readRequest_ || queued >= Port.clusterSize_ ||
                     static_cast<std::uint32_t>(now - LastRxTick) > allowed ||
                     (pollErrors_ & kReceiveErrors) != 0;
    if (!due) return;

    readBuffer_ = std::make_unique<std::uint8_t[]>(queued);
    std::uint32_t got = 0;
    rxEventQueue_ = 0;
    if (drv_.ReadFile(Port.Handle(), readBuffer_.get(), queued, &got, Port.ReadOverlapped)) {
        Port.readRequest_ = false;
        DeliverCluster(readBuffer_.get(), got);
        readBuffer_.reset();
        LastRxTick = drv_.GetTickCount();
        return;
    }
    const std::uint32_t error = drv_.GetLastError();
    lastError_ = error;
    if (error == comm::kErrorIoPending) {
        ReadPending = true;
        return;
    }
    Port.readRequest_ = false;
    readBuffer_.reset();
    Report(places::kReadStart, error);
}

void TWorkThread::DeliverCluster(const std::uint8_t* data, std::uint32_t count) {
    if (Port.Destroying) return;
    auto cluster =
        std::make_unique<TSerialCluster>(data, static_cast<std::int32_t>(count), pollErrors_);
    {
        std::lock_guard guard(Port.ClusterLock);
        Port.ClusterList.push_back(std::move(cluster));
    }
    Raise(TSerialPortNG::hRxCluster, &TSerialPortNG::OnRxClusterEvent);
}

void TWorkThread::StartEventWait() {
    eventMask_ = 0;
    if (drv_.WaitCommEvent(Port.Handle(), &eventMask_, Port.EventOverlapped)) {
        eventWaitFailed_ = false;
        PollStatus();
        // Wine ends the wait at once while any byte is queued, not only when
        // one arrives: the same queue again is nothing new.
        staleRxEvent_ =
            eventMask_ == comm::kEvRxChar && pollInQueue_ > 0 && pollInQueue_ <= rxEventQueue_;
        if (eventMask_ & comm::kEvRxChar) rxEventQueue_ = pollInQueue_;
        DispatchEvents(eventMask_);
        return;
    }
    staleRxEvent_ = false;
    const std::uint32_t error = drv_.GetLastError();
    lastError_ = error;
    if (error == comm::kErrorIoPending) {
        eventWaitFailed_ = false;
        EventPending = true;
        return;
    }
    eventWaitFailed_ = true;
    Report(places::kEventWaitStart, error);
}

bool TWorkThread::EndInFlight(comm::Overlapped& ov, std::uint32_t& transferred) {
    const Handle port = Port.Handle();
    drv_.ResetEvent(ov.Event);
    drv_.CancelIo(port, ov);
    drv_.WaitForSingleObject(ov.Event, kCancelWait);
    if (drv_.GetOverlappedResult(port, ov, transferred, false)) return true;
    return drv_.GetLastError() != comm::kErrorIoIncomplete;
}

void TWorkThread::AbandonRead() {
    std::uint32_t got = 0;
    if (!EndInFlight(Port.ReadOverlapped, got)) orphans_.push_back(std::move(readBuffer_));
    readBuffer_.reset();
    ReadPending = false;
}

void TWorkThread::FinishRead() {
    comm::Overlapped& ov = Port.ReadOverlapped;
    std::uint32_t got = 0;
    bool ok = drv_.GetOverlappedResult(Port.Handle(), ov, got, false);
    std::uint32_t error = ok ? 0 : drv_.GetLastError();
    if (!ok && error == comm::kErrorIoIncomplete) {
        // Only the wind-down signals a read that has not ended: cancel it so
        // that its buffer can go.
        if (EndInFlight(ov, got)) {
            ok = drv_.GetOverlappedResult(Port.Handle(), ov, got, false);
            error = ok ? 0 : drv_.GetLastError();
        } else {
            orphans_.push_back(std::move(readBuffer_));
        }
    }
    if (ok) {
        DeliverCluster(readBuffer_.get(), got);
        LastRxTick = drv_.GetTickCount();
    } else {
        lastError_ = error;
        if (error == comm::kErrorOperationAborted)
            Report(places::kReadAborted, error);
        else
            Report(places::kReadResult, error);
    }
    readBuffer_.reset();
    ReadPending = false;
}

void TWorkThread::FinishEventWait() {
    if (Port.active_) {
        PollStatus();
        DispatchEvents(eventMask_);
    }
    EventPending = false;
}

void TWorkThread::DispatchEvents(std::uint32_t mask) {
    if (Port.Destroying) return;
    Port.commEvent_ = mask;
    using P = TSerialPortNG;
    struct Entry {
        std::uint32_t bit;
        std::uint32_t handler;
        std::function<void(TSerialPortNG&)> TSerialPortNG::*event;
    };
    static const Entry kOrder[] = {
        {comm::kEvBreak, P::hBreak, &P::OnBreakEvent},
        {comm::kEvCts, P::hCTS, &P::OnCTSEvent},
        {comm::kEvDsr, P::hDSR, &P::OnDSREvent},
        {comm::kEvErr, P::hLineError, &P::OnLineErrorEvent},
        {comm::kEvRing, P::hRing, &P::OnRingEvent},
        {comm::kEvRlsd, P::hRLSD, &P::OnRLSDEvent},
        {comm::kEvRxChar, P::hRxChar, &P::OnRxCharEvent},
        {comm::kEvRxFlag, P::hRxEventChar, &P::OnRxEventCharEvent},
        {comm::kEvTxEmpty, P::hTxQueueEmpty, &P::OnTxQueueEmptyEvent},
    };
    for (const Entry& e : kOrder)
        if (mask & e.bit) Raise(e.handler, e.event);
    if (mask != 0) Raise(P::hCommEvent, &P::OnCommEvent);
}
