// The public interface must not drag in X11 (or EGL platform) headers, whose
// macros would break these ordinary names in client code.
#include <varnox/varnox.h>

#include <gtest/gtest.h>

namespace {

int None = 1;
bool Bool = true;
int Status = 2;
int Success = 3;
struct Display {
    int id;
};
typedef unsigned long Window;

TEST(HeaderHygiene, ClientNamesAreNotTakenByPlatformMacros)
{
    Display d { 4 };
    Window w = 5;
    EXPECT_EQ(None + Status + Success + d.id + static_cast<int>(w), 15);
    EXPECT_TRUE(Bool);
}

} // namespace
