// Closing the window ends the process with status 0 from inside Refresh. The
// window lives in a helper process; this test acts on it from its own X
// connection as a window manager or another client would.
#include <cerrno>
#include <cstdio>
#include <string>

#include <sys/wait.h>

#include "support/XClient.h"

#include "support/HelperProcess.h"

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
    Window WindowId()
    {
        unsigned long id = 0;
        const std::string line = ReadUntil("window ");
        return std::sscanf(line.c_str(), "window %lu", &id) == 1 ? id : 0;
    }

    /// Tells the helper the request has reached the server, then collects
    /// the rest of its output and its exit status. A helper that has already
    /// ended cannot be told; its status says how it ended.
    int Finish()
    {
        if (!Write("sent\n") && errno != EPIPE)
            ADD_FAILURE() << "could not write to the helper";
        return HelperProcess::Finish();
    }
};

TEST(WindowClose, DeleteWindowRequestEndsTheProcessWithStatusZeroInsideRefresh)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    client.SendProtocol(window, "WM_DELETE_WINDOW");
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(helper.output().rfind("Vendor: ", 0), 0u) << helper.output();
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, DestroyingTheWindowEndsTheProcessWithStatusZero)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    XDestroyWindow(client.display(), window);
    XSync(client.display(), False);
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, OtherProtocolMessagesDoNotCloseTheWindow)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.output();
    client.SendProtocol(window, "WM_TAKE_FOCUS");
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_NE(helper.output().find("Refresh returned after the request"), std::string::npos);
}

} // namespace
