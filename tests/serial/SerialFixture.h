#pragma once

// A component on the fake driver with its worker stepped by the test.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeCommDriver.h"
#include "MainThread.h"
#include "SerialNG.h"

struct Report {
    std::uint32_t place;
    std::uint32_t code;
    std::string msg;
    std::uint8_t noise;
    bool operator==(const Report&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Report& r) {
    return os << "{" << r.place << ", " << r.code << ", \"" << r.msg << "\", " << int{r.noise}
              << "}";
}

class SerialFixture : public ::testing::Test {
  protected:
    SerialFixture() {
        platform::MarkMainThread();
        auto driver = std::make_unique<FakeCommDriver>();
        fake = driver.get();
        port = std::make_unique<TSerialPortNG>(std::move(driver), false);
        port->OnProcessError = [this](TSerialPortNG& sender, std::uint32_t place,
                                      std::uint32_t code, const std::string& msg,
                                      std::uint8_t noise) {
            EXPECT_EQ(&sender, port.get());
            reports.push_back({place, code, msg, noise});
        };
    }

    std::vector<std::uint32_t> Places() const {
        std::vector<std::uint32_t> out;
        for (const Report& r : reports) out.push_back(r.place);
        return out;
    }

    // Opens the port and forgets what that logged and reported.
    void OpenQuietly() {
        port->SetActive(true);
        ASSERT_TRUE(port->Active());
        fake->ClearLog();
        reports.clear();
    }

    void Step(int passes = 1) {
        for (int i = 0; i < passes; ++i) port->StepWorker();
    }

    FakeCommDriver* fake = nullptr;
    std::unique_ptr<TSerialPortNG> port;
    std::vector<Report> reports;
};
