#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "common/Text.h"

namespace vxtest {

/// The headless target that every GL test of this process renders with. It is
/// made once, before the first test, and stays current between tests.
COffScreen& SharedTarget();

/// Makes the shared target current again (after a test switched targets).
void ActivateShared();

/// Reads the whole current target's pixels as BGRA bytes, bottom row first.
std::vector<uint8_t> ReadPixels(CRenderTarget& target);

/// Runs `f` and returns what it printed on standard output.
template <class F> std::string CaptureOutput(F&& f)
{
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

/// Fixture for tests that use the shared context: it is current on entry and
/// made current again on exit.
class GLTest : public testing::Test {
protected:
    void SetUp() override { ActivateShared(); }
    void TearDown() override { ActivateShared(); }
};

} // namespace vxtest
