#include "Pen.h"

#include <filesystem>

TDMPen* DMPen = nullptr;

TDMPen::TDMPen(std::unique_ptr<platform::TypedStore> store)
    : store_(store ? std::move(store) : platform::OpenUserStore()) {}

TDMPen::~TDMPen() = default;

void TDMPen::DataModuleCreate(const std::string& programPath, bool hasArguments) {
    std::filesystem::path dir = std::filesystem::path(programPath).parent_path();
    AppPath = dir.empty() ? std::string() : (dir / "").string();
    IniLes();
    if (hasArguments && OnConsoleMode) OnConsoleMode(*this);
}
