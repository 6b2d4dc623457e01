#include "CPVars.h"

std::string AppPath;
TEinstell Einstell;
FixedArray<TCodes, 1, kMaxCodes> Codes;
std::int32_t CodeCount = 0;
std::int32_t CodesNotRead = 0;
TPenData PenData;
TPenParam PenParam;
std::string ParamEinzelText;
FixedArray<std::string, 1, 255> ParamTexts;
std::array<std::uint8_t, kSendBufSize> SendBuf{};
std::int32_t SendLen = 0;
std::vector<std::uint8_t> RecBuf;
std::int32_t RecCount = 0;

void ResetCPVars() {
    AppPath.clear();
    Einstell = {};
    Codes.Clear();
    CodeCount = 0;
    CodesNotRead = 0;
    PenData = {};
    PenParam = {};
    ParamEinzelText.clear();
    ParamTexts.Clear();
    SendBuf.fill(0);
    SendLen = 0;
    RecBuf.clear();
    RecCount = 0;
}
