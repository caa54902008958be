#pragma once

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vxtest {

/// A program of the test's run as a process of its own, its standard input
/// and output on pipes to the test (standard error stays the test's), for what
/// cannot happen inside the test: a process that must end, or must start with
/// nothing loaded. Whatever happens in the test, the process is gone when the
/// object is: if it has not been waited for, it is killed and reaped.
class HelperProcess {
public:
    /// Starts `program` with `arguments`, in `directory` when one is given.
    explicit HelperProcess(const std::string& program, const std::vector<std::string>& arguments = {},
        const char* directory = nullptr);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    /// Whether the process was started.
    bool Started() const { return pid > 0; }

    /// Reads one line of its output (newline included) into `line`; false at
    /// the end of its output.
    bool ReadLine(std::string& line);
    /// Reads until a line starts with `prefix`; returns that line, or "" when
    /// the output ends first.
    std::string ReadUntil(const std::string& prefix);

    /// Writes `text` to its standard input; false if it could not, with errno
    /// set (EPIPE: the process has closed its input, or ended).
    bool Write(const std::string& text);

    /// Closes its input, reads the rest of its output and waits for it to end;
    /// returns the wait status (as waitpid gives it; on Windows the exit
    /// code), -1 if it never started.
    int Finish();
    /// Sends `signal` (on Windows: ends the process), closes the pipes and
    /// waits; returns the wait status.
    int Stop(int signal = SIGTERM);

    /// Everything read from its output so far.
    const std::string& output() const { return all; }

private:
    int Wait();

    pid_t pid = -1;
#if defined(_WIN32)
    void* process = nullptr; // its HANDLE
#endif
    int input = -1;
    std::FILE* out = nullptr;
    bool waited = false;
    int status = -1;
    std::string all;
};

/// For the helper programs themselves: whether their standard input has
/// something to read now, without waiting. Once the input has ended, Linux
/// says so (the read then finds the end) and Windows says no.
bool InputWaiting();

} // namespace vxtest
