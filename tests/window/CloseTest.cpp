// Closing the window ends the process with status 0 from inside Refresh. The
// window lives in a helper process (window/CloseHelper.cpp); this test acts on
// it from its own process, as a window manager or another program would,
// through the window probe.
#include <cerrno>
#include <cstdio>
#include <string>

#include "support/HelperProcess.h"
#include "window/WindowProbe.h"

namespace {

// The helper program, which makes a window target and renders until its
// process ends.
class Helper : public vxtest::HelperProcess {
public:
    Helper()
        : HelperProcess(VARNOX_CLOSE_HELPER)
    {
    }

    /// The helper's window, read from its output; 0 if it never says.
    unsigned long WindowId()
    {
        unsigned long id = 0;
        const std::string line = ReadUntil("window ");
        return std::sscanf(line.c_str(), "window %lu", &id) == 1 ? id : 0;
    }

    /// Tells the helper the request has reached the window, then collects
    /// the rest of its output and its exit status. A helper that has already
    /// ended cannot be told; its status says how it ended.
    int Finish()
    {
        if (!Write("sent\n") && errno != EPIPE)
            ADD_FAILURE() << "could not write to the helper";
        return vxtest::WindowProbe::ExitStatus(HelperProcess::Finish());
    }
};

TEST(WindowClose, CloseRequestEndsTheProcessWithStatusZeroInsideRefresh)
{
    vxtest::WindowProbe probe;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const unsigned long window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    EXPECT_EQ(probe.ClassName(window), "kxWindow");
    probe.RequestClose(window);
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_EQ(helper.output().rfind("Vendor: ", 0), 0u) << helper.output();
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, DestroyingTheWindowEndsTheProcessWithStatusZero)
{
    vxtest::WindowProbe probe;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const unsigned long window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    probe.DestroyFromOutside(window);
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, OtherMessagesDoNotCloseTheWindow)
{
    vxtest::WindowProbe probe;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const unsigned long window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    probe.SendOtherMessages(window);
    EXPECT_EQ(helper.Finish(), 3);
    EXPECT_NE(helper.output().find("Refresh returned after the request"), std::string::npos);
}

} // namespace
