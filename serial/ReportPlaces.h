#pragma once

// Every place the serial component reports from, with the number an
// OnProcessError handler receives, the noise level and the fixed text. The
// numbers are what callers see and match on, so they never change; several
// failures share one, and a handler tells those apart by the text. Each
// failure still has its own name here, so a report site says which it is.

#include <cstdint>

struct ReportPlace {
    std::uint32_t place;
    std::uint8_t noise;  // 0 error, 1 warning, 2 message; passes while <= ErrorNoise
    const char* text;
};

namespace places {

inline constexpr std::uint8_t kError = 0;
inline constexpr std::uint8_t kWarning = 1;
inline constexpr std::uint8_t kMessage = 2;

// clang-format off
// Opening and closing.
inline constexpr ReportPlace kDeactivating      {100, kMessage, "Msg start deactivating Port"};
inline constexpr ReportPlace kDisableEvents     {101, kError,   "Error disabling CommEvents"};
inline constexpr ReportPlace kPurge             {102, kError,   "Error clearing Queues"};
inline constexpr ReportPlace kClosePort         {103, kError,   "Error closing Port"};
inline constexpr ReportPlace kThreadStillRunning{104, kWarning, "Warning ThreadIsRunning"};
inline constexpr ReportPlace kReactivating      {110, kMessage, "Msg start reactivating Port"};
inline constexpr ReportPlace kSetupQueues       {111, kError,   "Error setup Queuesize"};
inline constexpr ReportPlace kOpenPort          {112, kError,   "Error reopening Port"};
inline constexpr ReportPlace kEnableEvents      {201, kError,   "Error activating CommEventMask"};

// Property assignments.
inline constexpr ReportPlace kXonLimClamped     {100, kWarning, "Warning XOnLimDef set to 100"};
inline constexpr ReportPlace kXoffLimClamped    {100, kWarning, "Warning XOffLimDef set to 100"};
inline constexpr ReportPlace kRxQueueSize       {101, kError,   "Error can not set Quesize"};
inline constexpr ReportPlace kTxQueueSize       {102, kError,   "Error can not set Quesize"};
inline constexpr ReportPlace kSetRts            {501, kError,   "Error setting RTS"};
inline constexpr ReportPlace kClearRts          {502, kError,   "Error clearing RTS"};
inline constexpr ReportPlace kSetDtr            {601, kError,   "Error setting DTR"};
inline constexpr ReportPlace kClearDtr          {602, kError,   "Error clearing DTR"};
inline constexpr ReportPlace kSetBreak          {701, kError,   "Error setting BREAK State"};
inline constexpr ReportPlace kClearBreak        {702, kError,   "Error clearing BREAK State"};

// Line configuration.
inline constexpr ReportPlace kGetCommState      {801, kError,   "Error getting DCB from CommState"};
inline constexpr ReportPlace kSetCommTimeouts   {802, kError,   "Error setting CommTimeout"};
inline constexpr ReportPlace kSetCommState      {802, kError,   "Error setting CommState, 87 indicate that Parms are incorrect"};

// Sending.
inline constexpr ReportPlace kSendBusy          {901, kMessage, "Msg, dont enter SendData while SendInProgress is set"};
inline constexpr ReportPlace kSendTimeouts      {902, kError,   "Error setting CommTimeout"};
inline constexpr ReportPlace kWriteStart        {903, kError,   "Error writing Data"};

// The overlapped records' events. Signalling reports with the resetting
// text: handlers know only that one.
inline constexpr ReportPlace kCreateEvent       {1001, kError,  "Error Creating Overlapped Event"};
inline constexpr ReportPlace kEventExists       {1002, kError,  "Error Overlapped Event Exists"};
inline constexpr ReportPlace kResetEvent        {1101, kError,  "Error resetting Overlapped Event"};
inline constexpr ReportPlace kSignalEvent       {1101, kError,  "Error resetting Overlapped Event"};

// The worker; all errors.
inline constexpr ReportPlace kWriteTimeout      {9701, kError,  "Error write TimeOut"};
inline constexpr ReportPlace kWriteResult       {9702, kError,  "Error getting Overlapped Result"};
inline constexpr ReportPlace kCommStatus        {9803, kError,  "Error ClearCommError"};
inline constexpr ReportPlace kReadStart         {9804, kError,  "Error reading Data"};
inline constexpr ReportPlace kModemStatus       {9905, kError,  "Error getting ModemStatus"};
inline constexpr ReportPlace kEventWaitStart    {9907, kError,  "Error calling WaitCommEvent"};
inline constexpr ReportPlace kReadAborted       {9907, kError,  "Error read aborted"};
inline constexpr ReportPlace kReadResult        {9908, kError,  "Error getting Overlappedresult"};
inline constexpr ReportPlace kWaitBoth          {9911, kError,  "Error getting Overlappedresult"};  // code: the wait's result
inline constexpr ReportPlace kWaitRead          {9912, kError,  "Error getting Overlappedresult"};  // code: the wait's result
inline constexpr ReportPlace kWaitEvent         {9913, kError,  "Error getting Overlappedresult"};  // code: the wait's result
// clang-format on

}  // namespace places
