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
        // Codes loaded from a file without symbologies have no type to name.
        rows.push_back({ByteText(code.Code), "0x" + HexByte(code.Symbology),
                        codesUntyped_ ? "" : SymbologyName(code.Symbology), "OK", ""});
    }
    view_.AddRows(rows);
}

void TFHaupt::ShowParam(std::uint8_t mode) {
    sheet_ = {};
    if (mode != 0) {
        std::map<Ctl, std::string>& v = sheet_.values;
        v[Ctl::LPProto] = "0x" + HexByte(PenData.ProtoVersion);
        v[Ctl::LPStatus] = "0x" + HexByte(PenData.Status);
        v[Ctl::LPFirmware] = ByteText(PenData.Firmware);
        v[Ctl::LPDevID] = ByteText(PenData.DeviceID);
        // Upload counter and code count only come with a code read.
        v[Ctl::LPUploads] = mode == 1 ? std::to_string(PenData.Uploads) : "";
        v[Ctl::LPCodes] = mode == 1 ? std::to_string(CodeCount) : "";
        v[Ctl::EPUserData] = PenData.UserData;
        v[Ctl::TrackBLoud] =
            std::to_string(std::min<int>(PenParam.Param02, Item(Ctl::TrackBLoud).high));
        sheet_.lines = {"Parameter:"};
        for (int nr = 1; nr <= kParamLines; ++nr)
            sheet_.lines.push_back("0x" + HexByte(std::uint8_t(nr)) + " : " + ParamTexts[nr]);
    }
    ShowSheet();
}

void TFHaupt::ShowSheet() {
    for (const SheetField& field : SheetFields()) {
        const auto it = sheet_.values.find(field.value);
        const std::string value = it == sheet_.values.end() ? "" : it->second;
        if (field.value == Ctl::TrackBLoud)
            view_.SetPosition(field.value, value.empty() ? 0 : std::stoi(value));
        else
            view_.SetText(field.value, value);
    }
    view_.SetText(Ctl::Memo2, "");
    if (!sheet_.lines.empty()) view_.AppendLines(Ctl::Memo2, sheet_.lines);
}

void TFHaupt::BUploadClick() {
    if (busy_) return;
    // The pen has no command that writes parameters.
    Box(BoxKind::Plain, "In Arbeit...");
}

std::optional<Rgb> TFHaupt::ListView1CustomDrawItem(int item) {
    if (item % 2 == 1) return kOddRowColour;
    return std::nullopt;
}

}  // namespace ui
