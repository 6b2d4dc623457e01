#pragma once

// The records of the pen and of the settings, and the process-wide variables
// that hold them. The pen link writes them, the window reads and edits them;
// everything runs on the main thread, so no locks.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

struct TEinstell {
    std::string Comport;
    std::int32_t Timeout = 0;   // seconds a pen command waits for a valid reply
    std::int32_t Download = 0;  // 0 codes and parameters, 1 codes only, 2 parameters only
    std::string URL;
    std::string URL2;  // never stored
    bool DownDel = false;
    bool DownClip = false;
    std::uint8_t ExpFormat = 0;  // bit 0: running number; bit 1: code only
    bool TrayMin = false;
    bool TrayAuto = false;
    bool StartMin = false;
    bool Archiv = false;  // every code read goes to the archive before the pen may be cleared
};

struct TCodes {
    std::uint8_t Symbology = 0;
    std::string Code;  // one character per received byte, no code-page conversion
};

struct TPenData {
    std::uint8_t ProtoVersion = 0;
    std::uint8_t Status = 0;
    std::string UserData;
    std::string Firmware;
    std::string DeviceID;
    std::uint16_t Uploads = 0;
};

struct TPenParam {
    std::string Param01;
    std::uint8_t Param02 = 0;
    std::string Param03;
    std::uint8_t Param04 = 0;
    std::uint8_t Param05 = 0;
    std::string Param06;
    std::uint8_t Param07 = 0;
    std::uint8_t Param08 = 0;
    std::uint8_t Param09 = 0;
    std::uint8_t Param10 = 0;
    std::uint8_t Param11 = 0;
    std::uint8_t Param12 = 0;
    std::uint8_t Param13 = 0;
    std::uint8_t Param14 = 0;
    std::uint8_t Param15 = 0;
    std::uint8_t Param16 = 0;
    std::uint8_t Param17 = 0;
    std::uint8_t Param18 = 0;
    std::uint8_t Param19 = 0;
    std::uint8_t Param20 = 0;
    std::uint8_t Param21 = 0;
    std::uint8_t Param22 = 0;
    std::string Param23;
    std::uint8_t Param24 = 0;
    std::uint8_t Param25 = 0;
    std::uint8_t Param26 = 0;
    std::uint8_t Param27 = 0;
    std::uint8_t Param28 = 0;
    std::uint8_t Param29 = 0;
    std::uint8_t Param30 = 0;
};

// A fixed array indexed First..Last, as the pen's numbering has it. An index
// outside the bounds is a programming error and stops the program rather than
// touching memory that is not the array's.
template <typename T, int First, int Last>
class FixedArray {
  public:
    static constexpr int Low = First;
    static constexpr int High = Last;

    T& operator[](int i) { return items_[Slot(i)]; }
    const T& operator[](int i) const { return items_[Slot(i)]; }
    static constexpr bool InBounds(int i) { return i >= First && i <= Last; }
    void Clear() { items_ = {}; }

  private:
    static std::size_t Slot(int i) {
        if (!InBounds(i)) std::abort();
        return static_cast<std::size_t>(i - First);
    }
    std::array<T, Last - First + 1> items_{};
};

constexpr int kMaxCodes = 200;
constexpr int kSendBufSize = 4100;

extern std::string AppPath;
extern TEinstell Einstell;
extern FixedArray<TCodes, 1, kMaxCodes> Codes;
extern std::int32_t CodeCount;
// Code blocks of the last upload that did not fit into Codes: the pen still
// holds them, so it must not be cleared.
extern std::int32_t CodesNotRead;
extern TPenData PenData;
extern TPenParam PenParam;
extern std::string ParamEinzelText;
extern FixedArray<std::string, 1, 255> ParamTexts;
extern std::array<std::uint8_t, kSendBufSize> SendBuf;
extern std::int32_t SendLen;
extern std::vector<std::uint8_t> RecBuf;
extern std::int32_t RecCount;

// Back to the state at program start: everything zero or empty.
void ResetCPVars();
