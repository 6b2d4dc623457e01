#include <windows.h>

#include <cstring>
#include <vector>

#include "TextWin32.h"
#include "VersionSource.h"

namespace version {

namespace {

class ApiVersionSource : public VersionSource {
  public:
    bool Load(const std::string& fileName) override {
        block_.clear();
        const std::wstring file = platform::Widen(fileName);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
        if (size == 0) return false;
        std::vector<char> block(size);
        if (!GetFileVersionInfoW(file.c_str(), handle, size, block.data())) return false;
        block_ = std::move(block);
        return true;
    }

    bool QueryFixed(FixedFileInfo& info) const override {
        void* value = nullptr;
        UINT length = 0;
        if (block_.empty() || !VerQueryValueW(block_.data(), L"\\", &value, &length) || !value ||
            length < sizeof(VS_FIXEDFILEINFO))
            return false;
        static_assert(sizeof(VS_FIXEDFILEINFO) == kFixedFileInfoSize);
        std::memcpy(&info, value, sizeof(VS_FIXEDFILEINFO));
        return true;
    }

    bool QueryText(const std::string& subBlock, std::string& text) const override {
        void* value = nullptr;
        UINT length = 0;  // in characters
        if (block_.empty() ||
            !VerQueryValueW(block_.data(), platform::Widen(subBlock).c_str(), &value, &length))
            return false;
        const wchar_t* chars = static_cast<const wchar_t*>(value);
        text = chars ? platform::Narrow({chars, wcsnlen(chars, length)}) : std::string();
        return true;
    }

  private:
    std::vector<char> block_;
};

}  // namespace

std::unique_ptr<VersionSource> MakePlatformVersionSource() {
    return std::make_unique<ApiVersionSource>();
}

}  // namespace version
