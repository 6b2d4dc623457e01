#pragma once

// The pen data module: start-up, settings, and the link to the pen in its
// reading station through the serial component.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CPVars.h"
#include "CommDriver.h"
#include "PenArchive.h"
#include "PenClock.h"
#include "PenReply.h"
#include "TypedStore.h"
#include "Version.h"

class TSerialPortNG;

// Whether the pen may be cleared after its codes were read: only when every
// code it holds was read, for clearing drops the rest unseen, and only once
// the codes read are in the archive (when it is on). The console and the
// window both decide by it.
struct PenClearCheck {
    enum Reason { kAllRead, kReadFailed, kCodesLeft };
    Reason reason = kReadFailed;
    std::int32_t read = 0;     // codes read
    std::int32_t held = 0;     // codes the pen holds, read or not
    std::string archiveError;  // the archive file and what failed; empty when written or off
    bool Safe() const { return reason == kAllRead && archiveError.empty(); }
};

// From the result of ReadPenCodes and what ExtractCodes then found; says
// nothing of the archive.
PenClearCheck CheckPenClear(bool codesRead);

inline constexpr const char* kSettingsKey = "Software\\QM\\Stylorix";
inline constexpr const char* kSettingsSection = "Einstell";
inline constexpr const char* kDefaultURL = "https://www.google.com/search?q=%s";

// How long a command waits between two looks at the reply, in milliseconds.
// The pen's reply rhythm is built around it.
inline constexpr std::int32_t kCheckInterval = 500;

class TDMPen {
  public:
    // The store holds the settings (the user's own unless a test gives one);
    // the driver goes to the serial component (the native one by default);
    // the clock times the commands (the real one by default).
    explicit TDMPen(std::unique_ptr<platform::TypedStore> store = nullptr,
                    std::unique_ptr<CommDriver> driver = nullptr,
                    std::unique_ptr<PenClock> clock = nullptr);
    TDMPen(const TDMPen&) = delete;
    TDMPen& operator=(const TDMPen&) = delete;
    ~TDMPen();

    // Common start-up of both modes: program directory, version reader,
    // settings. With arguments, OnConsoleMode then runs the whole console run.
    void DataModuleCreate(const std::string& programPath, bool hasArguments);

    void IniLes();
    void IniSchreib();

    // Port of the reading station, from Einstell.Comport.
    bool StartCom();
    void CloseCom();
    // The port's device went away while it was open (a USB adapter pulled
    // out): the command waiting now returns false at its next look, and no
    // further command is sent, until the port is opened again.
    bool PortLost() const { return portLost_; }

    // Pen commands: true when a complete, valid reply arrived before the
    // time-out: Einstell.Timeout seconds, each byte received adding its time
    // on the line (up to the command's longest reply); at least one look
    // after 500 ms.
    bool WakeUpPen();
    // Whether a pen sits in the station: one wake-up frame, one look at the
    // reply. An answering pen is awake, its reply in RecBuf as after WakeUpPen.
    bool LookForPen();
    bool SleepPen();
    bool ReadPenCodes();
    bool DeletePenCodes();
    bool ReadPenParamEinzel(std::uint8_t Nr);
    bool ReadPenParamMulti(std::uint8_t First, std::uint8_t Last);
    // The pen offers no command to write parameters.
    bool WritePenParam() { return true; }

    // The codes in the export line format of Einstell.ExpFormat. False, and no
    // file touched, without codes. A file that cannot be written raises
    // platform::InOutError and leaves an existing one as it was.
    static bool SaveCodes(const std::string& FileName);

    // After a code read (ReadPenCodes, ExtractCodes): the codes read go to the
    // archive when Einstell.Archiv is on, and the check says whether the pen
    // may now be cleared. Call it before any delete command.
    PenClearCheck SecureCodes(bool codesRead);
    // The archive's folder; an empty one means the platform's default.
    void SetArchiveFolder(std::string folder);
    std::string ArchiveFolder() const;
    // The time stamp of the archive's lines; the local time when unset.
    std::function<ArchiveTime()> ArchiveClock;

    // Receive handler of SerialPortNG1: appends one clean cluster to RecBuf.
    void SerialPortNG1RxClusterEvent(TSerialPortNG& Sender);

    // Waits Ms milliseconds, handling the main thread's messages meanwhile.
    void Delay(std::int32_t Ms);

    // XOR of the first Count bytes of SendBuf or RecBuf.
    static std::uint8_t CalcLRC(bool FromReceive, std::int32_t Count);

    // Decoders of the reply in RecBuf (see PenDecode.cpp).
    static bool ExtractCodes();
    static bool ExtractPenData();
    static bool ExtractPenParamEinzel();
    static bool ExtractPenParamMulti();
    static void PackPenParam() {}
    // Raises platform::ConvertError on a parameter that does not convert.
    static void PenParamToRec();

    // The console run, connected by the program entry.
    std::function<void(TDMPen&)> OnConsoleMode;

    platform::TypedStore& Store() { return *store_; }

    // Puts a serial component in place of SerialPortNG1, with the pen link's
    // handlers (tests run the link on a scripted one).
    void AttachPort(std::unique_ptr<TSerialPortNG> port);

    std::unique_ptr<TSerialPortNG> SerialPortNG1;
    std::unique_ptr<TVersionResource> VersionResource1;

    // Frames handed to the serial component since creation.
    std::uint32_t FramesSent() const { return framesSent_; }

    // Stops the running exchange from inside its waits (the window closes):
    // the command waiting now returns false at its next look, and every
    // command after it returns false at once without sending, until
    // ResumeCommands. Main thread only, like the commands.
    void StopCommands() { stopped_ = true; }
    void ResumeCommands() { stopped_ = false; }
    bool CommandsStopped() const { return stopped_; }

    // Called with RecCount after each cluster the receive handler took, so a
    // long reply can show its progress.
    std::function<void(std::int32_t received)> OnReceiveProgress;

  private:
    void SendFrame(std::int32_t length);
    // The running exchange must end: stopped, or the port gone.
    bool Interrupted() const { return stopped_ || portLost_; }
    void PortError(std::uint32_t place, std::uint32_t code);
    // blocks: the most blocks the reply can hold, which bounds its length.
    // timeoutMs: the silence that ends it; Einstell.Timeout when not given.
    bool Exchange(pen::ReplyLayout layout, std::int32_t frameLength, bool resendEachCycle,
                  std::int32_t blocks = 0, std::optional<std::int64_t> timeoutMs = {});

    std::unique_ptr<platform::TypedStore> store_;
    std::unique_ptr<PenClock> clock_;
    std::uint32_t framesSent_ = 0;
    bool stopped_ = false;
    bool portLost_ = false;
    std::string archiveFolder_;
};

extern TDMPen* DMPen;

// The settings of a fresh system, as IniLes gives them for missing values.
TEinstell DefaultEinstell();
