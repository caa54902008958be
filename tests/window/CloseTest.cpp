// Closing the window ends the process with status 0 from inside Refresh. The
// window lives in a helper process; this test acts on it from its own X
// connection as a window manager or another client would.
#include <cstdio>
#include <cstring>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "window/XClient.h"

extern char** environ;

namespace {

class Helper {
public:
    Helper()
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char path[] = VARNOX_CLOSE_HELPER;
        char* argv[] = { path, nullptr };
        if (posix_spawn(&pid, path, &actions, nullptr, argv, environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = fdopen(out[0], "r");
    }

    ~Helper()
    {
        if (input >= 0)
            close(input);
        if (output)
            fclose(output);
        if (pid > 0 && !waited)
            waitpid(pid, nullptr, 0);
    }

    /// The helper's window, read from its output; 0 if it never says.
    Window WindowId()
    {
        char line[4096];
        while (output && std::fgets(line, sizeof line, output)) {
            all += line;
            unsigned long id = 0;
            if (std::sscanf(line, "window %lu", &id) == 1)
                return id;
        }
        return 0;
    }

    /// Tells the helper the request has reached the server, then collects
    /// the rest of its output and its exit status.
    int Finish()
    {
        if (write(input, "sent\n", 5) != 5)
            ADD_FAILURE() << "could not write to the helper";
        char line[4096];
        while (output && std::fgets(line, sizeof line, output))
            all += line;
        int status = -1;
        waitpid(pid, &status, 0);
        waited = true;
        return status;
    }

    std::string all;
    pid_t pid = -1;

private:
    int input = -1;
    FILE* output = nullptr;
    bool waited = false;
};

TEST(WindowClose, DeleteWindowRequestEndsTheProcessWithStatusZeroInsideRefresh)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_GT(helper.pid, 0);
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.all;
    client.SendProtocol(window, "WM_DELETE_WINDOW");
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(helper.all.rfind("Vendor: ", 0), 0u) << helper.all;
    EXPECT_EQ(helper.all.find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, DestroyingTheWindowEndsTheProcessWithStatusZero)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_GT(helper.pid, 0);
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.all;
    XDestroyWindow(client.display(), window);
    XSync(client.display(), False);
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(helper.all.find("Refresh returned"), std::string::npos);
}

TEST(WindowClose, OtherProtocolMessagesDoNotCloseTheWindow)
{
    vxtest::XClient client;
    Helper helper;
    ASSERT_GT(helper.pid, 0);
    const Window window = helper.WindowId();
    ASSERT_NE(window, 0ul) << helper.all;
    client.SendProtocol(window, "WM_TAKE_FOCUS");
    const int status = helper.Finish();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_NE(helper.all.find("Refresh returned after the request"), std::string::npos);
}

} // namespace
