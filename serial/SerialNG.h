#pragma once

// TSerialPortNG: a serial port component. The line configuration is kept as
// properties; the port is opened for overlapped I/O; a worker thread watches
// the line, cuts received bytes into clusters and raises the events on the
// main thread. Nothing here throws: every failure goes to OnProcessError.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CommDriver.h"
#include "ReportPlaces.h"

class TSerialPortNG;

// One block of received bytes with the error flags of the status poll that
// preceded its read. Never leaves the component.
class TSerialCluster {
  public:
    TSerialCluster(const std::uint8_t* data, std::int32_t size, std::uint32_t errorFlags);
    std::int32_t Size() const { return size_; }
    std::uint32_t ErrorFlags() const { return errorFlags_; }
    void CopyTo(std::uint8_t* destination) const;

  private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::int32_t size_;
    std::uint32_t errorFlags_;
};

// Hold flags of the comm status (low byte of the status word).
enum TComStateFlag : std::uint8_t {
    csfCtsHold = 0x01,
    csfDsrHold = 0x02,
    csfRlsdHold = 0x04,
    csfXoffHold = 0x08,
    csfXoffSent = 0x10,
    csfEof = 0x20,
    csfTxim = 0x40,
};
using TComStateFlags = std::uint8_t;

// The worker: one per component, from construction to destruction.
class TWorkThread {
  public:
    explicit TWorkThread(TSerialPortNG& port);
    ~TWorkThread();
    TWorkThread(const TWorkThread&) = delete;
    TWorkThread& operator=(const TWorkThread&) = delete;

    void Start();  // runs Execute on its own thread
    void Terminate();
    // Cuts the idle sleep short (the port was opened, or the end is asked for).
    void Wake();
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    // Waits for the thread to end; keeps running the main thread's hand-overs.
    void WaitFor();

    // One pass of the loop; false once the loop should end. Tests step the
    // worker with it instead of starting the thread.
    bool Pass();

  private:
    friend class TSerialPortNG;
    void Execute();

    void StoreError(const ReportPlace& at, std::uint32_t code);
    void ReportStored();
    void Report(const ReportPlace& at, std::uint32_t code);
    void SyncEvent(const std::function<void()>& handler);
    void Raise(std::uint32_t which, std::function<void(TSerialPortNG&)> TSerialPortNG::*event);
    void Sleep(std::uint32_t ms, bool until);
    void SignalEvent(comm::Overlapped& ov);
    void ResetEvent(comm::Overlapped& ov);
    // Cancels the operation of ov and waits a bounded time for its end; false
    // if it is still running.
    bool EndInFlight(comm::Overlapped& ov, std::uint32_t& transferred);
    void AbandonRead();

    void PollStatus();
    void CheckWrite();
    void ReadIfDue();
    void DeliverCluster(const std::uint8_t* data, std::uint32_t count);
    void StartEventWait();
    void FinishRead();
    void FinishEventWait();
    void DispatchEvents(std::uint32_t mask);

    TSerialPortNG& Port;
    CommDriver& drv_;
    std::thread thread_;
    std::mutex idleLock_;
    std::condition_variable idleWake_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};

    // The report being handed over; written by the worker while it waits.
    const ReportPlace* ErrAt = nullptr;
    std::uint32_t ErrCode = 0;

    // Loop state, the worker's own.
    bool threaded_ = false;
    bool started_ = false;
    bool WorkerActive = false;
    bool ReadPending = false;
    bool EventPending = false;
    bool eventWaitFailed_ = false;
    bool staleRxEvent_ = false;
    std::uint32_t rxEventQueue_ = 0;  // queued bytes at the last received-character event
    std::uint32_t LastRxTick = 0;
    std::uint32_t eventMask_ = 0;
    std::uint32_t lastError_ = 0;
    std::uint32_t pollErrors_ = 0;
    std::uint32_t pollInQueue_ = 0;
    std::unique_ptr<std::uint8_t[]> readBuffer_;
    // Buffers of reads that would not end when cancelled; kept to the end.
    std::vector<std::unique_ptr<std::uint8_t[]>> orphans_;
};

class TSerialPortNG {
  public:
    // The native driver (Win32 or POSIX) unless a test gives one.
    explicit TSerialPortNG(std::unique_ptr<CommDriver> driver = nullptr);
    // startWorker false: no thread; a test steps the worker with StepWorker.
    TSerialPortNG(std::unique_ptr<CommDriver> driver, bool startWorker);
    ~TSerialPortNG();
    TSerialPortNG(const TSerialPortNG&) = delete;
    TSerialPortNG& operator=(const TSerialPortNG&) = delete;

    bool Active() const { return active_; }
    void SetActive(bool value);
    std::uint32_t ComHandle() const { return static_cast<std::uint32_t>(comHandle_.load()); }
    std::string CommPort() const { return commPort_; }
    void SetCommPort(const std::string& value);  // up to 255 chars
    std::uint32_t BaudRate() const { return baudRate_; }
    void SetBaudRate(std::uint32_t value);
    std::uint8_t ParityType() const { return parityType_; }
    void SetParityType(std::uint8_t value);
    char ParityErrorChar() const { return parityErrorChar_; }
    void SetParityErrorChar(char value);
    bool ParityErrorReplacement() const { return parityErrorReplacement_; }
    void SetParityErrorReplacement(bool value);
    std::uint8_t StopBits() const { return stopBits_; }
    void SetStopBits(std::uint8_t value);
    std::uint8_t DataBits() const { return dataBits_; }
    void SetDataBits(std::uint8_t value);
    char XONChar() const { return xonChar_; }
    void SetXONChar(char value);
    char XOFFChar() const { return xoffChar_; }
    void SetXOFFChar(char value);
    std::uint8_t XONLimDiv() const { return xonLimDiv_; }
    void SetXONLimDiv(std::uint8_t value);
    std::uint8_t XOFFLimDiv() const { return xoffLimDiv_; }
    void SetXOFFLimDiv(std::uint8_t value);
    std::int32_t FlowControl() const { return flowControl_; }
    void SetFlowControl(std::int32_t value);
    bool StripNullChars() const { return stripNullChars_; }
    void SetStripNullChars(bool value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char value);
    std::uint32_t RTOCharDelayTime() const { return rtoCharDelayTime_; }
    void SetRTOCharDelayTime(std::uint32_t value);
    std::uint16_t RTOExtraDelayTime() const { return rtoExtraDelayTime_; }
    void SetRTOExtraDelayTime(std::uint16_t value);
    std::uint16_t ClusterSize() const { return clusterSize_; }
    void SetClusterSize(std::uint16_t value) { clusterSize_ = value; }
    std::uint16_t RxQueueSize() const { return rxQueueSize_; }
    void SetRxQueueSize(std::uint16_t value);
    std::uint16_t TxQueueSize() const { return txQueueSize_; }
    void SetTxQueueSize(std::uint16_t value);
    std::uint32_t WTOCharDelayTime() const { return wtoCharDelayTime_; }
    void SetWTOCharDelayTime(std::uint32_t value);
    std::uint16_t WTOExtraDelayTime() const { return wtoExtraDelayTime_; }
    void SetWTOExtraDelayTime(std::uint16_t value);
    bool XTOAuto() const { return xtoAuto_; }
    void SetXTOAuto(bool value);
    bool RTSState() const { return rtsState_; }
    void SetRTSState(bool value);
    bool DTRState() const { return dtrState_; }
    void SetDTRState(bool value);
    bool BREAKState() const { return breakState_; }
    void SetBREAKState(bool value);
    bool CTSState() const { return ctsState_; }
    bool DSRState() const { return dsrState_; }
    bool RLSDState() const { return rlsdState_; }
    bool RingState() const { return ringState_; }
    std::uint8_t ErrorNoise() const { return errorNoise_; }
    void SetErrorNoise(std::uint8_t value) { errorNoise_ = value; }
    bool ReadRequest() const { return readRequest_; }
    void SetReadRequest(bool value) { readRequest_ = value; }
    bool SendInProgress() const { return sendInProgress_; }
    std::uint32_t CommError() const { return commError_; }
    TComStateFlags CommStateFlags() const { return commStateFlags_; }
    std::uint32_t CommStateInQueue() const { return commStateInQueue_; }
    std::uint32_t CommStateOutQueue() const { return commStateOutQueue_; }
    std::uint32_t ModemState() const { return modemState_; }
    std::uint32_t CommEvent() const { return commEvent_; }
    std::uint32_t WrittenBytes() const { return writtenBytes_; }
    bool ThreadQuietMode() const { return threadQuietMode_; }
    void SetThreadQuietMode(bool value) { threadQuietMode_ = value; }
    bool AutoReadRequest() const { return autoReadRequest_; }
    void SetAutoReadRequest(bool value) { autoReadRequest_ = value; }

    // Starts one overlapped write of count bytes. The block stays the
    // caller's and must stay valid until the send has ended (SendInProgress
    // false again, or OnWriteDone raised).
    void SendData(const std::uint8_t* block, std::uint32_t count);

    std::int32_t PeekClusterSize();
    std::int32_t PeekClusterError();
    // Removes the oldest cluster and returns a copy of its bytes (empty for size 0);
    // size and errorFlags are -1 (and the block empty) when no cluster waits.
    std::vector<std::uint8_t> TakeCluster(std::int32_t& size, std::int32_t& errorFlags);

    // Runs one pass of the worker on the calling thread (tests without a thread).
    bool StepWorker() { return workThread_->Pass(); }
    bool ThreadRunning() const { return threadRunning_; }

    // Events, each with at most one handler, raised on the main thread.
    // Assign them on the main thread, best before opening the port: the worker
    // hands an event over only if its handler was assigned when the component
    // last ran on the main thread (opening, sending, taking clusters, any
    // earlier hand-over), so an unassigned event costs nothing.
    std::function<void(TSerialPortNG&)> OnCommEvent;
    std::function<void(TSerialPortNG&)> OnCommStat;
    std::function<void(TSerialPortNG&)> OnTxQueueEmptyEvent;
    std::function<void(TSerialPortNG&)> OnWriteDone;
    std::function<void(TSerialPortNG&)> OnBreakEvent;
    std::function<void(TSerialPortNG&)> OnCTSEvent;
    std::function<void(TSerialPortNG&)> OnDSREvent;
    std::function<void(TSerialPortNG&)> OnLineErrorEvent;
    std::function<void(TSerialPortNG&)> OnRingEvent;
    std::function<void(TSerialPortNG&)> OnRIEvent;
    std::function<void(TSerialPortNG&)> OnRLSDEvent;
    std::function<void(TSerialPortNG&)> OnRxClusterEvent;
    std::function<void(TSerialPortNG&)> OnRxCharEvent;
    std::function<void(TSerialPortNG&)> OnRxEventCharEvent;
    std::function<void(TSerialPortNG&, std::uint32_t place, std::uint32_t code,
                       const std::string& msg, std::uint8_t noise)>
        OnProcessError;

  private:
    friend class TWorkThread;

    enum HandlerBit : std::uint32_t {
        hCommEvent = 1u << 0,
        hCommStat = 1u << 1,
        hTxQueueEmpty = 1u << 2,
        hWriteDone = 1u << 3,
        hBreak = 1u << 4,
        hCTS = 1u << 5,
        hDSR = 1u << 6,
        hLineError = 1u << 7,
        hRing = 1u << 8,
        hRI = 1u << 9,
        hRLSD = 1u << 10,
        hRxCluster = 1u << 11,
        hRxChar = 1u << 12,
        hRxEventChar = 1u << 13,
        hProcessError = 1u << 14,
    };

    void Init(std::unique_ptr<CommDriver> driver, bool startWorker);
    void ProcessError(const ReportPlace& at, std::uint32_t code);
    void ReactivatePort(bool requested);
    void ApplyCommState();
    void EnableCommEvents();
    void InitOverlapped(comm::Overlapped& ov);
    void ResetOverlappedEvent(comm::Overlapped& ov);
    void SignalOverlappedEvent(comm::Overlapped& ov);
    void ApplyAutoTimeouts();
    void WaitThreadIdle(int rounds);
    void ThreadTerminated() { threadRunning_ = false; }
    void ReconfigureIfActive();
    comm::Handle Handle() const { return comHandle_; }
    // Records which handlers are assigned, for the worker to look at.
    void NoteHandlers();
    bool Assigned(std::uint32_t which) const { return (assigned_ & which) != 0; }

    std::unique_ptr<CommDriver> driver_;

    std::atomic<bool> active_{false};
    std::atomic<comm::Handle> comHandle_{comm::kInvalidHandle};
    std::string commPort_;
    std::atomic<std::uint32_t> baudRate_{0};
    std::atomic<std::uint8_t> parityType_{0};
    std::atomic<char> parityErrorChar_{0};
    std::atomic<bool> parityErrorReplacement_{false};
    std::atomic<std::uint8_t> stopBits_{0};
    std::atomic<std::uint8_t> dataBits_{0};
    std::atomic<char> xonChar_{0};
    std::atomic<char> xoffChar_{0};
    std::atomic<std::uint8_t> xonLimDiv_{0};
    std::atomic<std::uint8_t> xoffLimDiv_{0};
    std::atomic<std::int32_t> flowControl_{0};
    std::atomic<bool> stripNullChars_{false};
    std::atomic<char> eventChar_{0};
    std::atomic<std::uint32_t> rtoCharDelayTime_{0};
    std::atomic<std::uint16_t> rtoExtraDelayTime_{0};
    std::atomic<std::uint16_t> clusterSize_{0};
    std::atomic<std::uint16_t> rxQueueSize_{0};
    std::atomic<std::uint16_t> txQueueSize_{0};
    std::atomic<std::uint32_t> wtoCharDelayTime_{0};
    std::atomic<std::uint16_t> wtoExtraDelayTime_{0};
    std::atomic<bool> xtoAuto_{false};
    std::atomic<bool> rtsState_{false};
    std::atomic<bool> dtrState_{false};
    std::atomic<bool> breakState_{false};
    std::atomic<bool> ctsState_{false};
    std::atomic<bool> dsrState_{false};
    std::atomic<bool> rlsdState_{false};
    std::atomic<bool> ringState_{false};
    std::atomic<std::uint8_t> errorNoise_{0};
    std::atomic<bool> readRequest_{false};
    std::atomic<bool> sendInProgress_{false};
    std::atomic<std::uint32_t> commError_{0};
    std::atomic<TComStateFlags> commStateFlags_{0};
    std::atomic<std::uint32_t> commStateInQueue_{0};
    std::atomic<std::uint32_t> commStateOutQueue_{0};
    std::atomic<std::uint32_t> modemState_{0};
    std::atomic<std::uint32_t> commEvent_{0};
    std::atomic<std::uint32_t> writtenBytes_{0};
    std::atomic<bool> threadQuietMode_{false};
    std::atomic<bool> autoReadRequest_{false};

    comm::Overlapped WriteOverlapped;
    comm::Overlapped ReadOverlapped;
    comm::Overlapped EventOverlapped;
    std::atomic<std::uint32_t> BytesToWrite{0};
    std::atomic<std::uint32_t> SendStartTick{0};
    std::atomic<bool> threadRunning_{false};
    std::atomic<bool> Destroying{false};
    std::atomic<bool> eventsEnabled_{false};  // the event mask is set
    std::int32_t PlatformId = -1;

    std::mutex ClusterLock;
    std::deque<std::unique_ptr<TSerialCluster>> ClusterList;  // oldest first

    std::atomic<std::uint32_t> assigned_{0};

    std::unique_ptr<TWorkThread> workThread_;
};
