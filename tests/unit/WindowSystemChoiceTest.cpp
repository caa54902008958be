// Which window system the Linux library takes from the environment.
#include <gtest/gtest.h>

#include "targets/linux/WindowSystems.h"

namespace {

using varnox::platform::ChooseWindowSystem;
using varnox::platform::WindowSystemEnvironment;
using varnox::platform::WindowSystemKind;

WindowSystemEnvironment Environment(
    const char* platform, const char* waylandDisplay, bool socket, const char* display, bool built = true)
{
    WindowSystemEnvironment e;
    e.platform = platform;
    e.waylandDisplay = waylandDisplay;
    e.runtimeDirHasWaylandSocket = socket;
    e.display = display;
    e.waylandBuilt = built;
    return e;
}

TEST(WindowSystemChoice, WaylandWhereItsDisplayIsFoundElseX11AndTheOverrideDecides)
{
    struct Case {
        WindowSystemEnvironment environment;
        WindowSystemKind kind;
        bool says;
    };
    const Case cases[] = {
        { Environment(nullptr, "wayland-1", false, ":0"), WindowSystemKind::Wayland, false },
        { Environment(nullptr, nullptr, true, ":0"), WindowSystemKind::Wayland, false },
        { Environment(nullptr, "", false, ":0"), WindowSystemKind::X11, false },
        { Environment(nullptr, nullptr, false, ":0"), WindowSystemKind::X11, false },
        // Nothing at all: X11, which then says that no display is set.
        { Environment(nullptr, nullptr, false, nullptr), WindowSystemKind::X11, false },
        { Environment("x11", "wayland-1", true, ":0"), WindowSystemKind::X11, false },
        { Environment("wayland", nullptr, false, ":0"), WindowSystemKind::Wayland, false },
        { Environment("", "wayland-1", false, ":0"), WindowSystemKind::Wayland, false },
        // An override that names neither is said and left aside.
        { Environment("X11", "wayland-1", false, ":0"), WindowSystemKind::Wayland, true },
        { Environment("mir", nullptr, false, ":0"), WindowSystemKind::X11, true },
        // A build without Wayland keeps X11 and says so where Wayland was
        // asked for or found, not otherwise.
        { Environment("wayland", nullptr, false, ":0", false), WindowSystemKind::X11, true },
        { Environment(nullptr, "wayland-1", false, ":0", false), WindowSystemKind::X11, true },
        { Environment(nullptr, nullptr, false, ":0", false), WindowSystemKind::X11, false },
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const auto choice = ChooseWindowSystem(cases[i].environment);
        EXPECT_EQ(choice.kind, cases[i].kind) << "case " << i;
        EXPECT_EQ(!choice.note.empty(), cases[i].says) << "case " << i << ": " << choice.note;
    }
    EXPECT_EQ(ChooseWindowSystem(Environment("wayland", nullptr, false, nullptr, false)).note,
        "this library was built without Wayland support: X11");
}

} // namespace
