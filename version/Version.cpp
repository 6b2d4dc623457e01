#include "Version.h"

#include <cstdio>

#include "Program.h"

namespace {

constexpr std::array<std::uint16_t, 12> kLanguageIdsAfterBahasa = {
    0x0804, 0x0807, 0x0809, 0x080A, 0x080C, 0x0810, 0x0813, 0x0814, 0x0816, 0x081A, 0x0C0C, 0x100C,
};
static_assert(lnBahasa + 1 + kLanguageIdsAfterBahasa.size() == kLanguageCount);

constexpr std::array<std::uint16_t, kCharacterSetCount> kCodePages = {
    0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256,
};

std::string VersionText(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
           std::to_string(ls >> 16) + "." + std::to_string(ls & 0xFFFF);
}

const char* FileOSText(std::uint32_t os) {
    switch (os) {
        case 0x1:
            return "Windows 3.0 or later";
        case 0x2:
            return "16 bit OS/2 Presentation Manager";
        case 0x3:
            return "32 bit OS/2 Presentation Manager";
        case 0x4:
            return "32 bit Windows";
        case 0x10000:
            return "MS-Dos";
        case 0x10001:
            return "Windows 3.0 or later with MS-Dos";
        case 0x10004:
            return "32 bit Windows with MS-Dos";
        case 0x20000:
            return "16 bit OS/2";
        case 0x20002:
            return "16 bit OS/2 with Presentation Manager";
        case 0x30000:
            return "32 bit OS/2";
        case 0x30003:
            return "32 bit OS/2 with Presentation Manager";
        case 0x40000:
            return "Windows NT";
        case 0x40004:
            return "Windows NT with 32 bit Windows";
        default:
            return "Unknown";
    }
}

const char* FileTypeText(std::uint32_t type) {
    switch (type) {
        case 1:
            return "Application";
        case 2:
            return "Dynamic-Link Library";
        case 3:
            return "Device Driver";
        case 4:
            return "Font";
        case 5:
            return "Virtual Device Driver";
        case 7:
            return "Static-Link Library";
        default:
            return "Unknown";
    }
}

const char* DriverSubTypeText(std::uint32_t subtype) {
    static constexpr const char* kTexts[] = {
        "Printer", "Keyboard", "Language",    "Display", "Mouse",
        "Network", "System",   "Installable", "Sound",   "Communications",
    };
    return subtype >= 1 && subtype <= 10 ? kTexts[subtype - 1] : "Unknown";
}

const char* FontSubTypeText(std::uint32_t subtype) {
    static constexpr const char* kTexts[] = {"Raster", "Vector", "TrueType"};
    return subtype >= 1 && subtype <= 3 ? kTexts[subtype - 1] : "Unknown";
}

}  // namespace

std::uint16_t LanguageId(TLanguage language) {
    if (language <= lnBahasa) return static_cast<std::uint16_t>(0x0401 + language);
    return kLanguageIdsAfterBahasa.at(static_cast<std::size_t>(language - lnBahasa - 1));
}

std::uint16_t CodePage(TCharacterSet characterSet) {
    return kCodePages.at(static_cast<std::size_t>(characterSet));
}

std::string StringTablePath(TLanguage language, TCharacterSet characterSet) {
    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(LanguageId(language)),
                  static_cast<unsigned>(CodePage(characterSet)));
    return std::string("\\StringFileInfo\\") + table + "\\";
}

TVersionResource::TVersionResource(std::unique_ptr<version::VersionSource> source)
    : source_(source ? std::move(source) : version::MakePlatformVersionSource()),
      ownPath_(platform::ProgramPath(nullptr)),
      fileName_(ownPath_) {
    ReloadVersionInfo();
}

void TVersionResource::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    fileNameStored_ = fileName_ != ownPath_;
    ReloadVersionInfo();
    Changed();
}

void TVersionResource::SetLanguage(TLanguage language) {
    language_ = language;
    ReloadVersionInfo();
    Changed();
}

void TVersionResource::SetCharacterSet(TCharacterSet characterSet) {
    characterSet_ = characterSet;
    ReloadVersionInfo();
    Changed();
}

void TVersionResource::Changed() {
    if (OnChange) OnChange(*this);
}

void TVersionResource::ReloadVersionInfo() {
    info_ = TVersionInfo();
    if (source_->Load(fileName_)) ParseVersionBlock();
}

void TVersionResource::ParseVersionBlock() {
    version::FixedFileInfo fixed;
    if (!source_->QueryFixed(fixed)) return;
    info_.SetFileVersion(VersionText(fixed.FileVersionMS, fixed.FileVersionLS));
    info_.SetProductVersion(VersionText(fixed.ProductVersionMS, fixed.ProductVersionLS));
    info_.SetFileOS(FileOSText(fixed.FileOS));
    info_.SetFileType(FileTypeText(fixed.FileType));
    if (fixed.FileType == 3) info_.SetFileSubType(DriverSubTypeText(fixed.FileSubtype));
    if (fixed.FileType == 4) info_.SetFileSubType(FontSubTypeText(fixed.FileSubtype));

    // The table's own "FileVersion" entry is not read: the numeric form stays.
    using Setter = void (TVersionInfo::*)(const std::string&);
    static constexpr std::pair<const char*, Setter> kEntries[] = {
        {"Comments", &TVersionInfo::SetComment},
        {"CompanyName", &TVersionInfo::SetCompanyName},
        {"FileDescription", &TVersionInfo::SetFileDescription},
        {"InternalName", &TVersionInfo::SetInternalName},
        {"LegalCopyright", &TVersionInfo::SetLegalCopyright},
        {"LegalTradeMarks", &TVersionInfo::SetLegalTradeMarks},
        {"OriginalFileName", &TVersionInfo::SetOriginalFileName},
        {"PrivateBuild", &TVersionInfo::SetPrivateBuild},
        {"ProductName", &TVersionInfo::SetProductName},
        {"ProductVersion", &TVersionInfo::SetProductVersion},
        {"SpecialBuild", &TVersionInfo::SetSpecialBuild},
    };
    std::string table = StringTablePath(language_, characterSet_);
    for (const auto& [key, set] : kEntries) {
        std::string text;
        if (source_->QueryText(table + key, text)) (info_.*set)(text);
    }
}
