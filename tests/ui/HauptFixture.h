#pragma once

// The presenter over a fake view, an in-memory settings store and a fixed
// list of port names.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeView.h"
#include "Haupt.h"
#include "Pen.h"
#include "RegistryIni.h"

namespace ui {

inline const std::string kSettingsPath = std::string(kSettingsKey) + "\\" + kSettingsSection;

class HauptFixture : public ::testing::Test {
  protected:
    HauptFixture() {
        ResetCPVars();
        auto owned = std::make_unique<platform::MemoryStore>();
        store = owned.get();
        pen = std::make_unique<TDMPen>(std::move(owned));
        pen->VersionResource1->VersionInfo().SetFileVersion("0.0.1.43");
        form = std::make_unique<TFHaupt>(*pen, view, [this](auto table) {
            ++detections;
            for (const auto& [index, name] : ports) table[std::size_t(index)].Name = name;
        });
    }
    ~HauptFixture() override { ResetCPVars(); }

    // A stored setting, as the registry would hold it.
    void Put(const std::string& name, platform::StoreValue value) {
        store->OpenKey(kSettingsPath, true);
        store->WriteValue(kSettingsPath, name, std::move(value));
    }
    void PutInt(const std::string& name, std::uint32_t n) {
        Put(name, platform::StoreValue::Integer(n));
    }
    std::optional<platform::StoreValue> Stored(const std::string& name) {
        return store->ReadValue(kSettingsPath, name);
    }

    // A user's click: the view changes the control, then reports it.
    void Click(Ctl id, bool checked) {
        view.checks[id] = checked;
        form->Command(id, Notify::Click);
    }

    platform::MemoryStore* store;
    std::unique_ptr<TDMPen> pen;
    FakeView view;
    // Port table entries the detection reports: index (COM number - 1), name.
    std::vector<std::pair<int, std::string>> ports;
    int detections = 0;
    std::unique_ptr<TFHaupt> form;
};

}  // namespace ui
