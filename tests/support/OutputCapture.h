#pragma once

// What the library says, caught through its message hook instead of standard
// output. Only programs that link the library's objects (varnox_testing) can
// install the hook; a program using the shared library reads its standard
// output instead (StdoutCapture.h).

#include <string>

namespace vxtest {

/// Collects every library message sent while it lives. Captures nest: each
/// one puts back the hook it replaced.
class OutputCapture {
public:
    OutputCapture();
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    /// The messages so far, in the order they came.
    const std::string& text() const { return captured; }

private:
    static void Append(const char* text, void* user);

    std::string captured;
    void (*previous)(const char*, void*) = nullptr;
    void* previousUser = nullptr;
};

/// Runs `f` and returns what the library said meanwhile.
template <class F> std::string CaptureOutput(F&& f)
{
    OutputCapture capture;
    f();
    return capture.text();
}

} // namespace vxtest
