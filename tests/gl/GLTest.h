#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <varnox/varnox.h>

#include "support/OutputCapture.h"
#include "support/ReadBack.h"
#include "support/Text.h"

namespace vxtest {

/// The headless target that every GL test of this process renders with. It is
/// made once, before the first test, and stays current between tests.
COffScreen& SharedTarget();

/// Makes the shared target current again (after a test switched targets).
void ActivateShared();

/// Fixture for tests that use the shared context: it is current on entry and
/// made current again on exit. Each class's tests derive a suite of their own.
class GLTest : public testing::Test {
protected:
    void SetUp() override { ActivateShared(); }
    void TearDown() override { ActivateShared(); }
};

} // namespace vxtest
