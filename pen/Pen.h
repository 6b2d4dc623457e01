#pragma once

// The pen data module: start-up, settings, and (with the serial component)
// the link to the pen in its reading station.

#include <functional>
#include <memory>
#include <string>

#include "CPVars.h"
#include "TypedStore.h"

inline constexpr const char* kSettingsKey = "Software\\QM\\Stylorix";
inline constexpr const char* kSettingsSection = "Einstell";
inline constexpr const char* kDefaultURL = "https://www.google.com/search?q=%s";

class TDMPen {
public:
    // The store holds the settings; the user's own store unless a test gives one.
    explicit TDMPen(std::unique_ptr<platform::TypedStore> store = nullptr);
    TDMPen(const TDMPen&) = delete;
    TDMPen& operator=(const TDMPen&) = delete;
    ~TDMPen();

    // Common start-up of both modes: program directory, version reader,
    // settings. With arguments, OnConsoleMode then runs the whole console run.
    void DataModuleCreate(const std::string& programPath, bool hasArguments);

    void IniLes();
    void IniSchreib();

    // The console run, connected by the program entry.
    std::function<void(TDMPen&)> OnConsoleMode;

    platform::TypedStore& Store() { return *store_; }

private:
    std::unique_ptr<platform::TypedStore> store_;
};

extern TDMPen* DMPen;
