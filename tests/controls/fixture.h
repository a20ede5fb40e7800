// The common set-up of the control tests under Wine: a fresh host window, no
// captured control, and the key state under the test's control.
#pragma once

#include <gtest/gtest.h>

#include "controls/control_registry.h"
#include "tests/controls/test_host.h"

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = new TestHost();  // kept: the registry compares hosts by address
        ControlRegistry::SetCapturedControl(nullptr);
        FakeKeys::Install();
    }
    void TearDown() override {
        FakeKeys::Remove();
        ControlRegistry::SetCapturedControl(nullptr);
        host->Close();
    }

    int Dispatch(int event, int x, int y) { return ControlRegistry::DispatchMouseEvent(event, x, y, host); }

    TestHost* host = nullptr;
};
