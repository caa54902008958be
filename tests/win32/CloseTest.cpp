// Closing the window ends the process with status 0 from inside Refresh. The
// window lives in a helper process (window/CloseHelper.cpp); this test posts
// messages to it from its own process, as another program could.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

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

    /// The helper's window, read from its output; null if it never says.
    HWND Window()
    {
        unsigned long id = 0;
        const std::string line = ReadUntil("window ");
        if (std::sscanf(line.c_str(), "window %lu", &id) != 1)
            return nullptr;
        return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(id))));
    }

    /// Tells the helper the message is in its queue, then collects the rest
    /// of its output and its exit status. A helper that has already ended
    /// cannot be told; its status says how it ended.
    int Finish()
    {
        if (!Write("sent\n") && errno != EPIPE)
            ADD_FAILURE() << "could not write to the helper";
        return HelperProcess::Finish();
    }
};

TEST(WindowClose, CloseMessageEndsTheProcessWithStatusZeroInsideRefresh)
{
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const HWND window = helper.Window();
    ASSERT_NE(window, nullptr) << helper.output();
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ(name, "kxWindow");
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_EQ(helper.output().rfind("Vendor: ", 0), 0u) << helper.output();
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, DestroyMessageEndsTheProcessWithStatusZero)
{
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const HWND window = helper.Window();
    ASSERT_NE(window, nullptr) << helper.output();
    ASSERT_TRUE(PostMessageA(window, WM_DESTROY, 0, 0));
    EXPECT_EQ(helper.Finish(), 0);
    EXPECT_EQ(helper.output().find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, OtherMessagesDoNotCloseTheWindow)
{
    Helper helper;
    ASSERT_TRUE(helper.Started());
    const HWND window = helper.Window();
    ASSERT_NE(window, nullptr) << helper.output();
    ASSERT_TRUE(PostMessageA(window, WM_APP + 9, 0, 0));
    ASSERT_TRUE(PostMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(20, 20)));
    ASSERT_TRUE(PostMessageA(window, WM_PAINT, 0, 0));
    EXPECT_EQ(helper.Finish(), 3);
    EXPECT_NE(helper.output().find("Refresh returned after the request"), std::string::npos);
}

} // namespace
