#include "Pen.h"

#include <algorithm>
#include <filesystem>

#include "DevicePath.h"
#include "SerialNG.h"
#include "Utf.h"

TDMPen* DMPen = nullptr;

namespace {

// Port names longer than this are cut, as the component's property takes them.
constexpr std::size_t kMaxPortName = 255;

// The frames of the plain commands: command, 0x02, 0x00, check byte.
constexpr std::uint8_t kCmdWakeUp = 0x01;
constexpr std::uint8_t kCmdDelete = 0x02;
constexpr std::uint8_t kCmdSleep = 0x05;
constexpr std::uint8_t kCmdReadCodes = 0x07;
constexpr std::uint8_t kCmdReadParams = 0x08;

// Writes a frame into SendBuf: command, 0x02, data, check byte. Returns its length.
std::int32_t BuildFrame(std::uint8_t command, std::initializer_list<std::uint8_t> data) {
    std::int32_t n = 0;
    SendBuf[n++] = command;
    SendBuf[n++] = 0x02;
    for (auto b : data) SendBuf[n++] = b;
    SendBuf[n] = TDMPen::CalcLRC(false, n);
    return n + 1;
}

// Milliseconds that bytes take on the line at the port's settings: a start
// bit, the data bits, a parity bit unless there is none, and the stop bits
// (0: one, 1: one and a half, 2: two). Counted in half bits for the half.
std::int64_t LineTimeMs(const TSerialPortNG& port, std::int64_t bytes) {
    if (port.BaudRate() == 0) return 0;
    const std::int64_t stopHalves = port.StopBits() == 1 ? 3 : port.StopBits() == 2 ? 4 : 2;
    const std::int64_t halfBits =
        2 * (1 + std::int64_t{port.DataBits()} + (port.ParityType() != 0 ? 1 : 0)) + stopHalves;
    return bytes * halfBits * 500 / port.BaudRate();
}

// What the worker's looks at an open port report when its device has gone:
// on Windows a pulled USB adapter fails them with one of these, the POSIX
// driver and Wine give "not ready" for a terminal that hung up.
bool DeviceGone(std::uint32_t place, std::uint32_t code) {
    switch (place) {
        case places::kCommStatus.place:
        case places::kReadStart.place:
        case places::kReadResult.place:
        case places::kModemStatus.place:
        case places::kEventWaitStart.place:
            break;
        default:
            return false;
    }
    switch (code) {
        case 2:     // ERROR_FILE_NOT_FOUND
        case 5:     // ERROR_ACCESS_DENIED
        case 6:     // ERROR_INVALID_HANDLE
        case 21:    // ERROR_NOT_READY
        case 22:    // ERROR_BAD_COMMAND
        case 31:    // ERROR_GEN_FAILURE
        case 433:   // ERROR_NO_SUCH_DEVICE
        case 1117:  // ERROR_IO_DEVICE
        case 1167:  // ERROR_DEVICE_NOT_CONNECTED
        case 1617:  // ERROR_DEVICE_REMOVED
            return true;
        default:
            return false;
    }
}

}  // namespace

TDMPen::TDMPen(std::unique_ptr<platform::TypedStore> store, std::unique_ptr<CommDriver> driver,
               std::unique_ptr<PenClock> clock)
    : VersionResource1(std::make_unique<TVersionResource>()),
      store_(store ? std::move(store) : platform::OpenUserStore()),
      clock_(clock ? std::move(clock) : MakeSystemClock()) {
    AttachPort(std::make_unique<TSerialPortNG>(std::move(driver)));
    VersionResource1->SetLanguage(lnGerman);
}

TDMPen::~TDMPen() = default;

void TDMPen::AttachPort(std::unique_ptr<TSerialPortNG> attached) {
    SerialPortNG1 = std::move(attached);
    TSerialPortNG& port = *SerialPortNG1;
    port.SetCommPort("COM1");
    port.SetBaudRate(2400);
    port.SetParityType(1);  // odd
    port.SetRTOCharDelayTime(4500);
    port.SetRTOExtraDelayTime(10);
    port.SetWTOCharDelayTime(4500);
    port.SetWTOExtraDelayTime(10);
    port.SetErrorNoise(255);
    port.OnRxClusterEvent = [this](TSerialPortNG& sender) { SerialPortNG1RxClusterEvent(sender); };
    port.OnProcessError = [this](TSerialPortNG&, std::uint32_t place, std::uint32_t code,
                                 const std::string&, std::uint8_t) { PortError(place, code); };
}

void TDMPen::PortError(std::uint32_t place, std::uint32_t code) {
    if (SerialPortNG1->Active() && DeviceGone(place, code)) portLost_ = true;
}

void TDMPen::DataModuleCreate(const std::string& programPath, bool hasArguments) {
    std::filesystem::path dir = platform::Utf8Path(programPath).parent_path();
    AppPath = dir.empty() ? std::string() : platform::PathUtf8(dir / "");
    VersionResource1->SetFileName(programPath);
    IniLes();
    if (hasArguments && OnConsoleMode) OnConsoleMode(*this);
}

bool TDMPen::StartCom() {
    // A blank left over from the option line is no part of the port's name.
    std::string name = comm::TrimTrailingBlanks(Einstell.Comport);
    if (name.size() > kMaxPortName) name.resize(kMaxPortName);
    portLost_ = false;
    SerialPortNG1->SetCommPort(name);
    SerialPortNG1->SetActive(true);
    SerialPortNG1->SetRTSState(true);
    SerialPortNG1->SetDTRState(true);
    return SerialPortNG1->Active();
}

void TDMPen::CloseCom() {
    SerialPortNG1->SetRTSState(false);
    SerialPortNG1->SetDTRState(false);
    SerialPortNG1->SetActive(false);
}

std::uint8_t TDMPen::CalcLRC(bool FromReceive, std::int32_t Count) {
    if (FromReceive) {
        Count = std::min<std::int32_t>(Count, static_cast<std::int32_t>(RecBuf.size()));
        return pen::Lrc(RecBuf.data(), Count);
    }
    return pen::Lrc(SendBuf.data(), std::min<std::int32_t>(Count, kSendBufSize));
}

void TDMPen::SendFrame(std::int32_t length) {
    SendLen = length;
    ++framesSent_;
    SerialPortNG1->SendData(SendBuf.data(), static_cast<std::uint32_t>(SendLen));
}

void TDMPen::Delay(std::int32_t Ms) {
    const std::int64_t end = clock_->NowMs() + Ms;
    do {
        clock_->Pump();
        if (Interrupted()) return;
        // Sleep until the worker hands something over (or a window message
        // comes), at most until the end: received bytes are taken at once,
        // and waiting costs no wake-ups every millisecond.
        clock_->WaitMs(static_cast<std::int32_t>(std::max<std::int64_t>(1, end - clock_->NowMs())));
    } while (clock_->NowMs() < end);
}

// Send, then look at the reply every 500 ms until it is complete or the
// time-out has passed. The wake-up repeats its frame before every look, so a
// pen put into the station late still hears one; it keeps everything received
// since its start.
//
// The time-out measures silence, not a reply in progress: every byte received
// moves the end on by the time it took on the line, so a long reply is never
// cut off while it arrives, and a pen that falls silent fails Timeout seconds
// after its last byte. Bytes beyond the longest reply the command can draw
// move the end no further, so a line that never stops sending cannot hold the
// command open for ever.
bool TDMPen::Exchange(pen::ReplyLayout layout, std::int32_t frameLength, bool resendEachCycle,
                      std::int32_t blocks, std::optional<std::int64_t> timeoutMs) {
    const std::int64_t start = clock_->NowMs();
    const std::int64_t timeout = timeoutMs ? *timeoutMs : std::int64_t{Einstell.Timeout} * 1000;
    const std::int32_t maxReply = pen::MaxReplyLength(layout, blocks);
    RecCount = 0;
    if (Interrupted()) return false;
    if (!resendEachCycle) SendFrame(frameLength);
    for (;;) {
        if (resendEachCycle) SendFrame(frameLength);
        Delay(kCheckInterval);
        if (Interrupted()) return false;
        const std::int32_t received = std::min<std::int32_t>(RecCount, RecBuf.size());
        if (pen::ReplyComplete(layout, RecBuf.data(), received)) return true;
        const std::int64_t end =
            start + timeout + LineTimeMs(*SerialPortNG1, std::min(received, maxReply));
        if (clock_->NowMs() >= end) return false;
    }
}

bool TDMPen::WakeUpPen() {
    return Exchange(pen::ReplyLayout::WakeUp, BuildFrame(kCmdWakeUp, {0x00}), true);
}

bool TDMPen::LookForPen() {
    // One frame and one look: a pen that sits in the station answers it at
    // once, and the reply, once it has begun, may take its time on the line.
    return Exchange(pen::ReplyLayout::WakeUp, BuildFrame(kCmdWakeUp, {0x00}), true, 0, 0);
}

bool TDMPen::DeletePenCodes() {
    return Exchange(pen::ReplyLayout::Plain, BuildFrame(kCmdDelete, {0x00}), false);
}

bool TDMPen::SleepPen() {
    return Exchange(pen::ReplyLayout::Plain, BuildFrame(kCmdSleep, {0x00}), false);
}

bool TDMPen::ReadPenCodes() {
    return Exchange(pen::ReplyLayout::Codes, BuildFrame(kCmdReadCodes, {0x00}), false, kMaxCodes);
}

bool TDMPen::ReadPenParamEinzel(std::uint8_t Nr) {
    return Exchange(pen::ReplyLayout::Params, BuildFrame(kCmdReadParams, {0x01, Nr, 0x00}), false,
                    1);
}

bool TDMPen::ReadPenParamMulti(std::uint8_t First, std::uint8_t Last) {
    // Byte arithmetic as the frame counts it: at most 253 numbers fit.
    std::int32_t n = 0;
    SendBuf[n++] = kCmdReadParams;
    SendBuf[n++] = 0x02;
    SendBuf[n++] = static_cast<std::uint8_t>(Last - First + 1);
    if (Last >= First) {
        for (int nr = First; nr <= Last && n < 256; ++nr)
            SendBuf[n++] = static_cast<std::uint8_t>(nr);
    }
    const std::int32_t numbers = n - 3;
    SendBuf[n++] = 0x00;
    SendBuf[n] = CalcLRC(false, n);
    return Exchange(pen::ReplyLayout::Params, n + 1, false, numbers);
}

void TDMPen::SerialPortNG1RxClusterEvent(TSerialPortNG& Sender) {
    if (Sender.PeekClusterSize() < 0) return;
    std::int32_t size = 0;
    std::int32_t errorFlags = 0;
    std::vector<std::uint8_t> bytes = Sender.TakeCluster(size, errorFlags);
    // Bytes with line errors are no part of a reply; dropping the cluster
    // keeps it from holding up the ones behind it.
    if (errorFlags != 0 || size <= 0) return;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(size), bytes.size());
    const std::int32_t at = std::clamp<std::int32_t>(RecCount, 0, RecBuf.size());
    RecBuf.resize(static_cast<std::size_t>(at) + count);
    std::copy_n(bytes.begin(), count, RecBuf.begin() + at);
    RecCount = at + static_cast<std::int32_t>(count);
    if (OnReceiveProgress) OnReceiveProgress(RecCount);
}
