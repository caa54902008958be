#include "support/HelperProcess.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vxtest {

HelperProcess::HelperProcess(
    const std::string& program, const std::vector<std::string>& arguments, const char* directory)
{
    // Its input is a socket rather than a pipe, so that writing to a process
    // that has already ended fails with EPIPE instead of raising SIGPIPE here.
    int in[2], output[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0)
        return;
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    if (directory)
        posix_spawn_file_actions_addchdir_np(&actions, directory);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(output[1]);
    if (pid <= 0) {
        close(in[1]);
        close(output[0]);
        return;
    }
    input = in[1];
    out = fdopen(output[0], "r");
}

HelperProcess::~HelperProcess()
{
    if (pid > 0 && !waited)
        kill(pid, SIGKILL);
    if (input >= 0)
        close(input);
    if (out)
        std::fclose(out);
    if (pid > 0 && !waited)
        waitpid(pid, nullptr, 0);
}

bool HelperProcess::Write(const std::string& text)
{
    if (input < 0) {
        errno = EBADF;
        return false;
    }
    return send(input, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

int HelperProcess::Finish()
{
    if (input >= 0)
        close(input);
    input = -1;
    for (std::string line; ReadLine(line);) { }
    return Wait();
}

int HelperProcess::Stop(int signal)
{
    if (pid > 0 && !waited)
        kill(pid, signal);
    if (input >= 0)
        close(input);
    input = -1;
    return Wait();
}

int HelperProcess::Wait()
{
    if (out)
        std::fclose(out);
    out = nullptr;
    if (pid <= 0)
        return -1;
    if (waited)
        return status;
    waitpid(pid, &status, 0);
    waited = true;
    return status;
}

bool InputWaiting()
{
    pollfd in { STDIN_FILENO, POLLIN, 0 };
    return poll(&in, 1, 0) == 1;
}

} // namespace vxtest
