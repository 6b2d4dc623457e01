#include "SerialNG.h"

#include <cstring>

namespace {

using comm::Handle;

constexpr std::uint32_t kMaxDword = 0xFFFFFFFF;
constexpr std::uint32_t kAllEvents = 0x1FF;
constexpr std::size_t kMaxCommPort = 255;
constexpr std::size_t kMaxDeviceName = 79;

struct AutoTimeout {
    std::uint32_t baud;
    std::uint32_t microseconds;
};
constexpr AutoTimeout kAutoTimeouts[] = {
    {110, 100000}, {300, 37000}, {600, 18000}, {1200, 9000}, {2400, 4500},
    {4800, 2300},  {9600, 1100}, {14400, 760}, {19200, 570}, {38400, 290},
    {56000, 200},  {57600, 190}, {115200, 95}, {128000, 85}, {256000, 43},
};

}  // namespace

TSerialPortNG::TSerialPortNG(std::unique_ptr<CommDriver> driver) {
    Init(std::move(driver), true);
}

TSerialPortNG::TSerialPortNG(std::unique_ptr<CommDriver> driver, bool startWorker) {
    Init(std::move(driver), startWorker);
}

void TSerialPortNG::Init(std::unique_ptr<CommDriver> driver, bool startWorker) {
    driver_ = driver ? std::move(driver) : comm::MakeNativeDriver();
    Destroying = false;
    comHandle_ = comm::kInvalidHandle;
    PlatformId = driver_->PlatformId();

    active_ = false;
    commPort_ = "COM2";
    baudRate_ = 9600;
    parityType_ = 0;
    parityErrorChar_ = 0;
    parityErrorReplacement_ = false;
    stopBits_ = 0;
    dataBits_ = 8;
    xonChar_ = 17;
    xoffChar_ = 19;
    xonLimDiv_ = 33;
    xoffLimDiv_ = 33;
    flowControl_ = 0;
    stripNullChars_ = false;
    eventChar_ = 0;
    rtoCharDelayTime_ = 1100;
    rtoExtraDelayTime_ = 250;
    clusterSize_ = 3072;
    rxQueueSize_ = 4096;
    txQueueSize_ = 4096;
    wtoCharDelayTime_ = 1100;
    wtoExtraDelayTime_ = 250;
    xtoAuto_ = true;
    rtsState_ = true;
    dtrState_ = true;
    breakState_ = false;
    errorNoise_ = 255;
    readRequest_ = false;
    sendInProgress_ = false;
    threadQuietMode_ = false;
    autoReadRequest_ = false;

    InitOverlapped(WriteOverlapped);
    InitOverlapped(ReadOverlapped);
    InitOverlapped(EventOverlapped);

    workThread_ = std::make_unique<TWorkThread>(*this);
    if (startWorker) workThread_->Start();
}

TSerialPortNG::~TSerialPortNG() {
    Destroying = true;
    ReactivatePort(false);
    workThread_->Terminate();
    WaitThreadIdle(10);
    // The worker ends before its events and clusters go: a worker still
    // winding down (held up in a hand-over) would otherwise wait on closed
    // events.
    workThread_->WaitFor();
    driver_->CloseEvent(WriteOverlapped.Event);
    driver_->CloseEvent(EventOverlapped.Event);
    driver_->CloseEvent(ReadOverlapped.Event);
    {
        std::lock_guard guard(ClusterLock);
        ClusterList.clear();
    }
    workThread_.reset();
}

void TSerialPortNG::NoteHandlers() {
    std::uint32_t bits = 0;
    if (OnCommEvent) bits |= hCommEvent;
    if (OnCommStat) bits |= hCommStat;
    if (OnTxQueueEmptyEvent) bits |= hTxQueueEmpty;
    if (OnWriteDone) bits |= hWriteDone;
    if (OnBreakEvent) bits |= hBreak;
    if (OnCTSEvent) bits |= hCTS;
    if (OnDSREvent) bits |= hDSR;
    if (OnLineErrorEvent) bits |= hLineError;
    if (OnRingEvent) bits |= hRing;
    if (OnRIEvent) bits |= hRI;
    if (OnRLSDEvent) bits |= hRLSD;
    if (OnRxClusterEvent) bits |= hRxCluster;
    if (OnRxCharEvent) bits |= hRxChar;
    if (OnRxEventCharEvent) bits |= hRxEventChar;
    if (OnProcessError) bits |= hProcessError;
    assigned_ = bits;
}

// ---- report channel -------------------------------------------------------

void TSerialPortNG::ProcessError(const ReportPlace& at, std::uint32_t code) {
    if (Destroying || at.noise > errorNoise_) return;
    auto handler = OnProcessError;
    if (handler) handler(*this, at.place, code, at.text, at.noise);
}

// ---- overlapped records ---------------------------------------------------

void TSerialPortNG::InitOverlapped(comm::Overlapped& ov) {
    ov.Internal = 0;
    ov.InternalHigh = 0;
    ov.Offset = 0;
    ov.OffsetHigh = 0;
    ov.Event = driver_->CreateEvent();
    if (ov.Event == comm::kNoEvent) {
        ProcessError(places::kCreateEvent, driver_->GetLastError());
    } else if (driver_->GetLastError() == comm::kErrorAlreadyExists) {
        ProcessError(places::kEventExists, comm::kErrorAlreadyExists);
    }
}

void TSerialPortNG::ResetOverlappedEvent(comm::Overlapped& ov) {
    if (!driver_->ResetEvent(ov.Event)) ProcessError(places::kResetEvent, driver_->GetLastError());
}

void TSerialPortNG::SignalOverlappedEvent(comm::Overlapped& ov) {
    if (!driver_->SetEvent(ov.Event)) ProcessError(places::kSignalEvent, driver_->GetLastError());
}

// ---- opening and closing --------------------------------------------------

void TSerialPortNG::WaitThreadIdle(int rounds) {
    while (rounds > 0 && threadRunning_) {
        driver_->SleepWhile(75, threadRunning_);
        --rounds;
    }
}

void TSerialPortNG::ReactivatePort(bool requested) {
    CommDriver& drv = *driver_;
    NoteHandlers();
    if (active_) {
        ProcessError(places::kDeactivating, 0);
        eventsEnabled_ = false;
        if (!drv.SetCommMask(Handle(), 0)) ProcessError(places::kDisableEvents, drv.GetLastError());
        active_ = false;
        workThread_->Wake();
        if (!drv.PurgeComm(Handle(), comm::kPurgeTxAbort | comm::kPurgeRxAbort |
                                         comm::kPurgeTxClear | comm::kPurgeRxClear))
            ProcessError(places::kPurge, drv.GetLastError());
        WaitThreadIdle(15);
        if (threadRunning_) ProcessError(places::kThreadStillRunning, 0);
        if (!drv.EscapeCommFunction(Handle(), comm::kClrDtr))
            ProcessError(places::kClearDtr, drv.GetLastError());
        dtrState_ = false;
        if (!drv.EscapeCommFunction(Handle(), comm::kClrRts))
            ProcessError(places::kClearRts, drv.GetLastError());
        rtsState_ = false;
        if (!drv.Close(Handle())) ProcessError(places::kClosePort, drv.GetLastError());
        comHandle_ = comm::kInvalidHandle;
    }
    if (!requested) return;

    ProcessError(places::kReactivating, 0);
    const std::string path = "\\\\.\\" + commPort_.substr(0, kMaxDeviceName);
    const comm::Handle handle = drv.Open(path);
    const std::uint32_t openError = drv.GetLastError();
    comHandle_ = handle;
    active_ = handle != comm::kInvalidHandle;
    if (!active_) {
        ProcessError(places::kOpenPort, openError);
        return;
    }
    if (!drv.SetupComm(handle, rxQueueSize_, txQueueSize_))
        ProcessError(places::kSetupQueues, drv.GetLastError());
    ApplyCommState();
    SetDTRState(true);
    SetRTSState(true);
    EnableCommEvents();
    // The worker starts its event waits only once the mask is set: a wait
    // started during the opening would fail for want of a mask.
    eventsEnabled_ = true;
    workThread_->Wake();
}

void TSerialPortNG::EnableCommEvents() {
    if (!driver_->SetCommMask(Handle(), kAllEvents))
        ProcessError(places::kEnableEvents, driver_->GetLastError());
}

void TSerialPortNG::ApplyCommState() {
    CommDriver& drv = *driver_;
    comm::Dcb dcb;
    if (!drv.GetCommState(Handle(), dcb)) {
        ProcessError(places::kGetCommState, drv.GetLastError());
        return;
    }
    dcb.BaudRate = baudRate_;
    std::uint32_t flags = comm::kDcbBinary;
    if (parityType_ != 0) flags |= comm::kDcbParity;
    if (parityErrorReplacement_) flags |= comm::kDcbErrorChar;
    flags |= static_cast<std::uint32_t>(flowControl_.load());
    if (stripNullChars_) flags |= comm::kDcbNull;
    dcb.Flags = flags;
    dcb.Parity = parityType_;
    dcb.ErrorChar = parityErrorChar_;
    dcb.EvtChar = eventChar_;
    dcb.StopBits = stopBits_;
    dcb.ByteSize = dataBits_;
    dcb.XonChar = xonChar_;
    dcb.XoffChar = xoffChar_;
    dcb.XonLim = static_cast<std::uint16_t>(std::uint32_t{rxQueueSize_} * xonLimDiv_ / 100);
    dcb.XoffLim = static_cast<std::uint16_t>(std::uint32_t{rxQueueSize_} * xoffLimDiv_ / 100);
    dcb.EofChar = 0;

    comm::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = kMaxDword;
    if (!drv.SetCommTimeouts(Handle(), timeouts))
        ProcessError(places::kSetCommTimeouts, drv.GetLastError());
    if (!drv.SetCommState(Handle(), dcb)) ProcessError(places::kSetCommState, drv.GetLastError());
}

void TSerialPortNG::ApplyAutoTimeouts() {
    std::uint32_t delay = 1100;
    for (const AutoTimeout& row : kAutoTimeouts)
        if (row.baud <= baudRate_) delay = row.microseconds;
    rtoCharDelayTime_ = delay;
    SetWTOCharDelayTime(delay);
}

void TSerialPortNG::ReconfigureIfActive() {
    if (active_) ApplyCommState();
}

// ---- property assignment --------------------------------------------------

void TSerialPortNG::SetActive(bool value) {
    if (value == active_) return;
    ReactivatePort(value);
}

void TSerialPortNG::SetCommPort(const std::string& value) {
    const std::string port = value.substr(0, kMaxCommPort);
    if (port == commPort_) return;
    commPort_ = port;
    ReactivatePort(active_);
}

void TSerialPortNG::SetBaudRate(std::uint32_t value) {
    if (value == baudRate_) return;
    baudRate_ = value;
    if (xtoAuto_) ApplyAutoTimeouts();
    ReconfigureIfActive();
}

// The plain configuration setters: store a new value, reconfigure an open port.
#define STYLORIX_DCB_SETTER(Name, Type, field)  \
    void TSerialPortNG::Set##Name(Type value) { \
        if (value == field) return;             \
        field = value;                          \
        ReconfigureIfActive();                  \
    }
STYLORIX_DCB_SETTER(ParityType, std::uint8_t, parityType_)
STYLORIX_DCB_SETTER(ParityErrorChar, char, parityErrorChar_)
STYLORIX_DCB_SETTER(ParityErrorReplacement, bool, parityErrorReplacement_)
STYLORIX_DCB_SETTER(StopBits, std::uint8_t, stopBits_)
STYLORIX_DCB_SETTER(DataBits, std::uint8_t, dataBits_)
STYLORIX_DCB_SETTER(XONChar, char, xonChar_)
STYLORIX_DCB_SETTER(XOFFChar, char, xoffChar_)
STYLORIX_DCB_SETTER(FlowControl, std::int32_t, flowControl_)
STYLORIX_DCB_SETTER(StripNullChars, bool, stripNullChars_)
STYLORIX_DCB_SETTER(EventChar, char, eventChar_)
STYLORIX_DCB_SETTER(WTOCharDelayTime, std::uint32_t, wtoCharDelayTime_)
STYLORIX_DCB_SETTER(WTOExtraDelayTime, std::uint16_t, wtoExtraDelayTime_)
#undef STYLORIX_DCB_SETTER

void TSerialPortNG::SetXONLimDiv(std::uint8_t value) {
    if (value == xonLimDiv_) return;
    if (value > 100) {
        ProcessError(places::kXonLimClamped, value);
        value = 100;
    }
    xonLimDiv_ = value;
    ReconfigureIfActive();
}

void TSerialPortNG::SetXOFFLimDiv(std::uint8_t value) {
    if (value == xoffLimDiv_) return;
    if (value > 100) {
        ProcessError(places::kXoffLimClamped, value);
        value = 100;
    }
    xoffLimDiv_ = value;
    ReconfigureIfActive();
}

void TSerialPortNG::SetRTOCharDelayTime(std::uint32_t value) {
    rtoCharDelayTime_ = value;
}

void TSerialPortNG::SetRTOExtraDelayTime(std::uint16_t value) {
    rtoExtraDelayTime_ = value;
}

void TSerialPortNG::SetXTOAuto(bool value) {
    if (value == xtoAuto_) return;
    xtoAuto_ = value;
    if (value) ApplyAutoTimeouts();
}

void TSerialPortNG::SetRxQueueSize(std::uint16_t value) {
    if (value == rxQueueSize_) return;
    rxQueueSize_ = value;
    if (!driver_->SetupComm(Handle(), rxQueueSize_, txQueueSize_))
        ProcessError(places::kRxQueueSize, driver_->GetLastError());
}

void TSerialPortNG::SetTxQueueSize(std::uint16_t value) {
    if (value == txQueueSize_) return;
    txQueueSize_ = value;
    if (!driver_->SetupComm(Handle(), rxQueueSize_, txQueueSize_))
        ProcessError(places::kTxQueueSize, driver_->GetLastError());
}

void TSerialPortNG::SetRTSState(bool value) {
    if (!active_) return;
    if (!driver_->EscapeCommFunction(Handle(), value ? comm::kSetRts : comm::kClrRts))
        ProcessError(value ? places::kSetRts : places::kClearRts, driver_->GetLastError());
    rtsState_ = value;
}

void TSerialPortNG::SetDTRState(bool value) {
    if (!active_) return;
    if (!driver_->EscapeCommFunction(Handle(), value ? comm::kSetDtr : comm::kClrDtr))
        ProcessError(value ? places::kSetDtr : places::kClearDtr, driver_->GetLastError());
    dtrState_ = value;
}

void TSerialPortNG::SetBREAKState(bool value) {
    if (!active_) return;
    const bool ok = value ? driver_->SetCommBreak(Handle()) : driver_->ClearCommBreak(Handle());
    if (!ok) ProcessError(value ? places::kSetBreak : places::kClearBreak, driver_->GetLastError());
    breakState_ = value;
}

// ---- transmit -------------------------------------------------------------

void TSerialPortNG::SendData(const std::uint8_t* block, std::uint32_t count) {
    CommDriver& drv = *driver_;
    NoteHandlers();
    if (sendInProgress_) {
        ProcessError(places::kSendBusy, 0);
        return;
    }
    comm::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = kMaxDword;
    timeouts.WriteTotalTimeoutConstant = count * wtoCharDelayTime_ / 1000 + wtoExtraDelayTime_;
    if (!drv.SetCommTimeouts(Handle(), timeouts))
        ProcessError(places::kSendTimeouts, drv.GetLastError());
    BytesToWrite = count;
    std::uint32_t written = 0;
    if (drv.WriteFile(Handle(), block, count, &written, WriteOverlapped)) {
        writtenBytes_ = written;
        auto handler = OnWriteDone;
        if (handler && !Destroying) handler(*this);
        return;
    }
    const std::uint32_t error = drv.GetLastError();
    if (error == comm::kErrorIoPending) {
        SendStartTick = drv.GetTickCount();
        sendInProgress_ = true;
        return;
    }
    ProcessError(places::kWriteStart, error);
    ResetOverlappedEvent(WriteOverlapped);
    sendInProgress_ = false;
}

// ---- receive clusters -----------------------------------------------------

std::int32_t TSerialPortNG::PeekClusterSize() {
    NoteHandlers();
    std::lock_guard guard(ClusterLock);
    return ClusterList.empty() ? -1 : ClusterList.front()->Size();
}

std::int32_t TSerialPortNG::PeekClusterError() {
    std::lock_guard guard(ClusterLock);
    return ClusterList.empty() ? -1 : static_cast<std::int32_t>(ClusterList.front()->ErrorFlags());
}

std::vector<std::uint8_t> TSerialPortNG::TakeCluster(std::int32_t& size, std::int32_t& errorFlags) {
    NoteHandlers();
    std::lock_guard guard(ClusterLock);
    if (ClusterList.empty()) {
        size = -1;
        errorFlags = -1;
        return {};
    }
    const TSerialCluster& cluster = *ClusterList.front();
    errorFlags = static_cast<std::int32_t>(cluster.ErrorFlags());
    size = cluster.Size();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(size));
    if (size > 0) cluster.CopyTo(block.data());
    ClusterList.pop_front();
    return block;
}
