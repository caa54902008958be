// Started by the close tests: makes a window target, tells the test its window
// id ("window <id>"), and renders frames until the process ends. Once the test
// writes "sent" on standard input (it has delivered its request to the server),
// a Refresh that keeps returning is a fault: after 1000 more frames the helper
// says so and exits with status 3.
#include <varnox/varnox.h>

#include <cstdio>
#include <cstring>

#include "support/HelperProcess.h"

namespace {

// Whether the test has written "sent"; never blocks. False forever once
// standard input is closed.
bool RequestSent()
{
    char text[16] = {};
    return vxtest::InputWaiting() && std::fgets(text, sizeof text, stdin)
        && std::strncmp(text, "sent", 4) == 0;
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
