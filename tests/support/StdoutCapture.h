#pragma once

// Standard output caught at its file descriptor, for text that does not pass
// through the library's message hook: printf in the benchmark program, in
// code outside the library, or in a program that uses the shared library
// (whose hook is hidden). Library messages, when no hook is installed, go to
// standard output too and are caught here in the order they were printed.

#include <string>

namespace vxtest {

/// Points descriptor 1 at a temporary file (or at /dev/null) while it lives,
/// then back where it pointed before. A file rather than a pipe, so that long
/// output (a driver report) never blocks the writer.
class StdoutCapture {
public:
    enum Mode { keep, discard };

    explicit StdoutCapture(Mode mode = keep);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    /// Puts standard output back and returns what was written meanwhile
    /// ("" when discarding); later calls return "".
    std::string Finish();

private:
    int saved = -1;
    int file = -1;
};

/// Runs `f` and returns what the process wrote on standard output meanwhile.
template <class F> std::string CaptureStdout(F&& f)
{
    StdoutCapture capture;
    f();
    return capture.Finish();
}

} // namespace vxtest
