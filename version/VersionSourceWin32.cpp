#include <windows.h>

#include <cstring>
#include <vector>

#include "VersionSource.h"

namespace version {

namespace {

class ApiVersionSource : public VersionSource {
  public:
    bool Load(const std::string& fileName) override {
        block_.clear();
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
        if (size == 0) return false;
        std::vector<char> block(size);
        if (!GetFileVersionInfoA(fileName.c_str(), handle, size, block.data())) return false;
        block_ = std::move(block);
        return true;
    }

    bool QueryFixed(FixedFileInfo& info) const override {
        void* value = nullptr;
        UINT length = 0;
        if (block_.empty() || !VerQueryValueA(block_.data(), "\\", &value, &length) || !value ||
            length < sizeof(VS_FIXEDFILEINFO))
            return false;
        static_assert(sizeof(VS_FIXEDFILEINFO) == kFixedFileInfoSize);
        std::memcpy(&info, value, sizeof(VS_FIXEDFILEINFO));
        return true;
    }

    bool QueryText(const std::string& subBlock, std::string& text) const override {
        void* value = nullptr;
        UINT length = 0;
        if (block_.empty() || !VerQueryValueA(block_.data(), subBlock.c_str(), &value, &length))
            return false;
        // The narrow query converts texts into the block's spare half, so the
        // block is written to even by a query.
        const char* chars = static_cast<const char*>(value);
        text.assign(chars, chars ? strnlen(chars, length) : 0);
        return true;
    }

  private:
    mutable std::vector<char> block_;
};

}  // namespace

std::unique_ptr<VersionSource> MakePlatformVersionSource() {
    return std::make_unique<ApiVersionSource>();
}

std::string NarrowText(std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int n = static_cast<int>(text.size());
    int size = WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide, n, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

}  // namespace version
