// Started by the close tests: makes a window target, tells the test its window
// id ("window <id>"), and renders frames until the process ends. Once the test
// writes "sent" on standard input (it has delivered its request to the server),
// a Refresh that keeps returning is a fault: after 1000 more frames the helper
// says so and exits with status 3.
#include <varnox/varnox.h>

#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// Whether the test has written "sent"; never blocks. False forever once
// standard input is closed.
bool RequestSent()
{
    char text[16] = {};
#if defined(_WIN32)
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD waiting = 0, got = 0;
    if (!PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr) || waiting == 0)
        return false;
    return ReadFile(in, text, sizeof text - 1, &got, nullptr) && got > 0
        && std::strncmp(text, "sent", 4) == 0;
#else
    pollfd in { STDIN_FILENO, POLLIN, 0 };
    if (poll(&in, 1, 0) != 1)
        return false;
    return read(STDIN_FILENO, text, sizeof text - 1) > 0 && std::strncmp(text, "sent", 4) == 0;
#endif
}

CWindowVNX* target = nullptr;

} // namespace

int main()
{
    target = CWindowVNX::NewL(0, 0, 500, 500, 0);
    if (!target->hglrc)
        return 2;
    std::printf("window %lu\n", target->hwnd);
    std::fflush(stdout);

    bool sent = false;
    for (int frame = 0, after = 0;; ++frame) {
        glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        target->Refresh(frame);
        if (sent && ++after == 1000) {
            std::printf("Refresh returned after the request\n");
            return 3;
        }
        sent = sent || RequestSent();
    }
}
