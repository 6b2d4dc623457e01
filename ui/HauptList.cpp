// The barcode list and the parameter view.

#include <algorithm>

#include "Haupt.h"
#include "Layout.h"
#include "Pen.h"
#include "ViewText.h"

namespace ui {

namespace {
constexpr int kParamLines = 30;
}  // namespace

void TFHaupt::ShowCodes() {
    // An empty download leaves the list as it was.
    if (CodeCount == 0) return;
    view_.ClearRows();
    std::vector<std::vector<std::string>> rows;
    for (std::int32_t i = 1; i <= CodeCount; ++i) {
        const TCodes& code = Codes[i];
        rows.push_back({ByteText(code.Code), "0x" + HexByte(code.Symbology),
                        SymbologyName(code.Symbology), "OK", ""});
    }
    view_.AddRows(rows);
}

void TFHaupt::ShowParam(std::uint8_t mode) {
    if (mode == 0) {
        for (Ctl id : {Ctl::LPProto, Ctl::LPStatus, Ctl::LPFirmware, Ctl::LPDevID, Ctl::LPUploads,
                       Ctl::LPCodes, Ctl::EPUserData})
            view_.SetText(id, "");
        view_.SetPosition(Ctl::TrackBLoud, 0);
        view_.SetText(Ctl::Memo2, "");
        return;
    }
    view_.SetText(Ctl::LPProto, "0x" + HexByte(PenData.ProtoVersion));
    view_.SetText(Ctl::LPStatus, "0x" + HexByte(PenData.Status));
    view_.SetText(Ctl::LPFirmware, ByteText(PenData.Firmware));
    view_.SetText(Ctl::LPDevID, ByteText(PenData.DeviceID));
    // Upload counter and code count only come with a code read.
    view_.SetText(Ctl::LPUploads, mode == 1 ? std::to_string(PenData.Uploads) : "");
    view_.SetText(Ctl::LPCodes, mode == 1 ? std::to_string(CodeCount) : "");
    view_.SetText(Ctl::EPUserData, PenData.UserData);
    view_.SetPosition(Ctl::TrackBLoud, std::min<int>(PenParam.Param02, Item(Ctl::TrackBLoud).high));
    std::vector<std::string> lines{"Parameter:"};
    for (int nr = 1; nr <= kParamLines; ++nr)
        lines.push_back("0x" + HexByte(std::uint8_t(nr)) + " : " + ParamTexts[nr]);
    view_.AppendLines(Ctl::Memo2, lines);
}

void TFHaupt::BUploadClick() {
    if (busy_) return;
    // Writing parameters to the pen is not offered yet.
    Box(BoxKind::Plain, "In Arbeit...");
}

std::optional<Rgb> TFHaupt::ListView1CustomDrawItem(int item) {
    if (item % 2 == 1) return kOddRowColour;
    return std::nullopt;
}

}  // namespace ui
