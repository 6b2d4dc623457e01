#pragma once

// The version reader: the version resource of a program file as texts (fixed
// file and product version, target system, file type and subtype, and the
// entries of one string table chosen by language and character set).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "VersionSource.h"

enum TLanguage : std::uint8_t {
    lnArabic,
    lnBulgarian,
    lnCatalan,
    lnTraditionalChinese,
    lnCzech,
    lnDanish,
    lnGerman,
    lnGreek,
    lnUSEnglish,
    lnCastilianSpanish,
    lnFinnish,
    lnFrench,
    lnHebrew,
    lnHungarian,
    lnIcelandic,
    lnItalian,
    lnJapanese,
    lnKorean,
    lnDutch,
    lnNorwegianBokmal,
    lnPolish,
    lnBrazilianPortuguese,
    lnRhaetoRomanic,
    lnRomanian,
    lnRussian,
    lnCroatoSerbian,
    lnSlovak,
    lnAlbanian,
    lnSwedish,
    lnThai,
    lnTurkish,
    lnUrdu,
    lnBahasa,
    lnSimplifiedChinese,
    lnSwissGerman,
    lnUKEnglish,
    lnMexicanSpanish,
    lnBelgianFrench,
    lnSwissItalian,
    lnBelgianDutch,
    lnNorwegianNynorsk,
    lnPortuguese,
    lnSerboCroatian,
    lnCanadianFrench,
    lnSwissFrench,
};
inline constexpr int kLanguageCount = lnSwissFrench + 1;

enum TCharacterSet : std::uint8_t {
    csASCII,
    csJapan,
    csKorea,
    csTaiwan,
    csUnicode,
    csLatin2,
    csCyrillic,
    csMultilingual,
    csGreek,
    csTurkish,
    csHebrew,
    csArabic,
};
inline constexpr int kCharacterSetCount = csArabic + 1;

// The identifiers used in a string table's name.
std::uint16_t LanguageId(TLanguage language);
std::uint16_t CodePage(TCharacterSet characterSet);

// "\StringFileInfo\" + language + code page (4 upper-case hex digits each) + "\".
std::string StringTablePath(TLanguage language, TCharacterSet characterSet);

class TVersionInfo {
  public:
    // clang-format off
    const std::string& Comment() const { return t_[kComment]; }
    void SetComment(const std::string& v) { t_[kComment] = v; }
    const std::string& CompanyName() const { return t_[kCompanyName]; }
    void SetCompanyName(const std::string& v) { t_[kCompanyName] = v; }
    const std::string& FileDescription() const { return t_[kFileDescription]; }
    void SetFileDescription(const std::string& v) { t_[kFileDescription] = v; }
    const std::string& FileVersion() const { return t_[kFileVersion]; }
    void SetFileVersion(const std::string& v) { t_[kFileVersion] = v; }
    const std::string& InternalName() const { return t_[kInternalName]; }
    void SetInternalName(const std::string& v) { t_[kInternalName] = v; }
    const std::string& LegalCopyright() const { return t_[kLegalCopyright]; }
    void SetLegalCopyright(const std::string& v) { t_[kLegalCopyright] = v; }
    const std::string& LegalTradeMarks() const { return t_[kLegalTradeMarks]; }
    void SetLegalTradeMarks(const std::string& v) { t_[kLegalTradeMarks] = v; }
    const std::string& OriginalFileName() const { return t_[kOriginalFileName]; }
    void SetOriginalFileName(const std::string& v) { t_[kOriginalFileName] = v; }
    const std::string& PrivateBuild() const { return t_[kPrivateBuild]; }
    void SetPrivateBuild(const std::string& v) { t_[kPrivateBuild] = v; }
    const std::string& ProductName() const { return t_[kProductName]; }
    void SetProductName(const std::string& v) { t_[kProductName] = v; }
    const std::string& ProductVersion() const { return t_[kProductVersion]; }
    void SetProductVersion(const std::string& v) { t_[kProductVersion] = v; }
    const std::string& SpecialBuild() const { return t_[kSpecialBuild]; }
    void SetSpecialBuild(const std::string& v) { t_[kSpecialBuild] = v; }
    const std::string& FileOS() const { return t_[kFileOS]; }
    void SetFileOS(const std::string& v) { t_[kFileOS] = v; }
    const std::string& FileType() const { return t_[kFileType]; }
    void SetFileType(const std::string& v) { t_[kFileType] = v; }
    const std::string& FileSubType() const { return t_[kFileSubType]; }
    void SetFileSubType(const std::string& v) { t_[kFileSubType] = v; }
    // clang-format on

    // The fifteen texts in property order.
    static constexpr int kCount = 15;
    const std::array<std::string, kCount>& Texts() const { return t_; }
    std::array<std::string, kCount>& Texts() { return t_; }

    bool operator==(const TVersionInfo&) const = default;

  private:
    enum : int {
        kComment,
        kCompanyName,
        kFileDescription,
        kFileVersion,
        kInternalName,
        kLegalCopyright,
        kLegalTradeMarks,
        kOriginalFileName,
        kPrivateBuild,
        kProductName,
        kProductVersion,
        kSpecialBuild,
        kFileOS,
        kFileType,
        kFileSubType,
    };
    std::array<std::string, kCount> t_;
};

class TVersionResource {
  public:
    // Reads the program's own file; a test may give another source of blocks.
    explicit TVersionResource(std::unique_ptr<version::VersionSource> source = nullptr);
    TVersionResource(const TVersionResource&) = delete;
    TVersionResource& operator=(const TVersionResource&) = delete;

    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName);
    TLanguage Language() const { return language_; }
    void SetLanguage(TLanguage language);
    TCharacterSet CharacterSet() const { return characterSet_; }
    void SetCharacterSet(TCharacterSet characterSet);

    const TVersionInfo& VersionInfo() const { return info_; }
    TVersionInfo& VersionInfo() { return info_; }
    void SetVersionInfo(const TVersionInfo& info) { info_ = info; }

    // Whether FileName is kept with the component's settings: only when it
    // is not the program's own path.
    bool FileNameStored() const { return fileNameStored_; }

    // Called after each property write has reloaded the texts.
    std::function<void(TVersionResource& sender)> OnChange;

  private:
    void ReloadVersionInfo();
    void ParseVersionBlock();
    void Changed();

    std::unique_ptr<version::VersionSource> source_;
    std::string ownPath_;
    std::string fileName_;
    TLanguage language_ = lnUSEnglish;
    TCharacterSet characterSet_ = csMultilingual;
    TVersionInfo info_;
    bool fileNameStored_ = false;
};
