// Tests that run once in each step mode: the marquee's loops on OS threads of their own, and on
// the step clock, resumed on the GUI thread.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "vyr/host/Threads.h"

namespace vyr::test {

// Sets the application's step mode for the test (threads created during it get that mode) and
// hands the choice back to the widget set afterwards.
class TStepModeTest : public ::testing::TestWithParam<host::TStepMode> {
protected:
    void SetUp() override { host::SetStepMode(GetParam()); }
    void TearDown() override { host::SetStepMode(host::TStepMode::Default); }
    [[nodiscard]] bool Clocked() const { return GetParam() == host::TStepMode::Clock; }
};

// The modes such a test runs in, and each one's word in a test's name.
inline auto StepModes() { return ::testing::Values(host::TStepMode::Threads, host::TStepMode::Clock); }
inline std::string StepModeWord(host::TStepMode Mode) { return Mode == host::TStepMode::Clock ? "Clock" : "Threads"; }

inline std::string StepModeName(const ::testing::TestParamInfo<host::TStepMode>& Info) {
    return StepModeWord(Info.param);
}

// Steps waiting for the GUI thread: synchronised calls queued by workers (thread mode) and loops
// due on the step clock (clock mode).
inline std::size_t StepsWaiting() { return host::PendingSynchronizeCount() + host::DueStepCount(); }

}  // namespace vyr::test

#define VYR_INSTANTIATE_STEP_MODES(Suite) \
    INSTANTIATE_TEST_SUITE_P(StepModes, Suite, ::vyr::test::StepModes(), ::vyr::test::StepModeName)
