#pragma once
// Two SoftHSM2 tokens made for one test in its scratch folder, reached through
// OpenSC's call-tracing module: "TokenA" holds three certificates and the
// private key of the first, "TokenB" two certificates, one of them larger than
// any fixed buffer would take; SoftHSM2 adds its blank slot.
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace e3test {

inline constexpr const char* kTokenPin = "1234";

class SoftHsmTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
    // Runs a program (no shell) and fails the test when it does not succeed.
    std::string MustRun(const std::vector<std::string>& args) const;

    // One traced call: its name and the value it returned.
    struct Call {
        std::string name;
        unsigned long rv = 0;
    };
    // The calls traced since the last Mark().
    std::vector<Call> CallsSinceMark() const;
    void Mark();
    // "C_A C_B ..." of the calls since the mark.
    std::string CallNamesSinceMark() const;
    int CountSinceMark(const std::string& name) const;

    // The entry number (from 1) of the certificate with that label; 0 when none.
    static int EntryNumberOfLabel(const std::string& label);

    TempDir dir_;
    std::unique_ptr<LogCapture> log_;
    size_t mark_ = 0;
};


} // namespace e3test
