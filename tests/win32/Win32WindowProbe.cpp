#include "window/WindowProbe.h"

#include <windows.h>

#include <GL/gl.h>

#include "win32/WindowHandle.h"

namespace vxtest {
namespace {

    const char kOwnClass[] = "vxtestOwnWindow";

    // The window procedure of the test's own window class: counts the
    // messages of the test's range.
    int ownMessages = 0;
    LRESULT CALLBACK OwnWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message >= WM_APP)
            ++ownMessages;
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Post(unsigned long window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        EXPECT_TRUE(PostMessageA(Handle(window), message, wParam, lParam)) << "message " << message;
    }

} // namespace

struct WindowProbe::State { };

WindowProbe::WindowProbe()
    : state(new State)
{
}

WindowProbe::~WindowProbe() = default;

bool WindowProbe::ReadsScreen() const
{
    return true;
}

void WindowProbe::Settle()
{
    // USER32 acts at once; GL's drawing is what may still be under way.
    glFinish();
}

bool WindowProbe::Exists(unsigned long window)
{
    return IsWindow(Handle(window));
}

bool WindowProbe::Visible(unsigned long window)
{
    return IsWindowVisible(Handle(window));
}

std::string WindowProbe::Title(unsigned long window)
{
    char text[64] = "";
    GetWindowTextA(Handle(window), text, sizeof text);
    return text;
}

std::string WindowProbe::ClassName(unsigned long window)
{
    char name[64] = "";
    GetClassNameA(Handle(window), name, sizeof name);
    return name;
}

std::pair<int, int> WindowProbe::ClientSize(unsigned long window)
{
    RECT client {};
    GetClientRect(Handle(window), &client);
    return { client.right, client.bottom };
}

void WindowProbe::Watch(unsigned long)
{
    // GDI reads the screen as it shows; the window tests run one at a time,
    // so no other test's window covers this one.
}

unsigned long WindowProbe::ScreenPixel(unsigned long window, int x, int y)
{
    POINT point { x, y };
    ClientToScreen(Handle(window), &point);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return static_cast<unsigned long>(GetRValue(colour)) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

void WindowProbe::ExpectLibraryWindow(const CWindowVNX& target)
{
    // A top-level window "Quorvel" of the class "kxWindow", captioned and
    // resizable, whose user-data slot holds the target.
    const HWND window = Handle(target.hwnd);
    EXPECT_EQ(FindWindowA("kxWindow", "Quorvel"), window);
    ASSERT_TRUE(IsWindow(window));
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(style & 0x06CF0000u, 0x06CF0000u);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&target));

    // The class as registered: its procedure is the window's, with the
    // arrow cursor, the application icon and the window colour.
    WNDCLASSEXA registered {};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "kxWindow", &registered));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(registered.lpfnWndProc), GetWindowLongPtrA(window, GWLP_WNDPROC));
    EXPECT_EQ(registered.style, 0u);
    EXPECT_EQ(registered.cbClsExtra, 0);
    EXPECT_EQ(registered.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(registered.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));

    // The window's pixel format: double-buffered RGBA with depth and
    // stencil, for OpenGL; GL sees the same buffers.
    PIXELFORMATDESCRIPTOR format {};
    HDC dc = static_cast<HDC>(target.hdc);
    ASSERT_NE(DescribePixelFormat(dc, GetPixelFormat(dc), sizeof format, &format), 0);
    const DWORD flags = PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    EXPECT_EQ(format.dwFlags & flags, flags);
    EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(format.cColorBits, 24);
    EXPECT_EQ(format.cDepthBits, 24);
    EXPECT_EQ(format.cStencilBits, 8);
    GLint depth = 0, stencil = 0;
    GLboolean doubleBuffered = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_EQ(depth, 24);
    EXPECT_EQ(stencil, 8);
    EXPECT_EQ(doubleBuffered, GL_TRUE);
}

unsigned long WindowProbe::GoneWindow()
{
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    return Id(gone);
}

unsigned long WindowProbe::MakeOwnWindow(int width, int height)
{
    WNDCLASSEXA own {};
    own.cbSize = sizeof own;
    own.lpfnWndProc = OwnWindowProc;
    own.hInstance = GetModuleHandleA(nullptr);
    own.lpszClassName = kOwnClass;
    RegisterClassExA(&own);
    RECT rect { 0, 0, width, height };
    AdjustWindowRectEx(&rect, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const HWND window = CreateWindowExA(0, kOwnClass, "own", WS_OVERLAPPEDWINDOW, 0, 0,
        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return Id(window);
}

void WindowProbe::DestroyOwnWindow(unsigned long window)
{
    DestroyWindow(Handle(window));
    UnregisterClassA(kOwnClass, GetModuleHandleA(nullptr));
}

void WindowProbe::ExpectOwnerKeeps(unsigned long window, const CWindowVNX* target)
{
    EXPECT_EQ(GetWindowLongPtrA(Handle(window), GWLP_USERDATA), reinterpret_cast<LONG_PTR>(target));
    EXPECT_EQ(Title(window), "own");
}

void WindowProbe::SendOwnEvents(unsigned long window)
{
    ownMessages = 0;
    Post(window, WM_APP + 5);
}

void WindowProbe::ExpectOwnerGotEvents(unsigned long)
{
    // Refresh pumped the window's messages into its own procedure.
    EXPECT_EQ(ownMessages, 1);
}

void WindowProbe::RequestClose(unsigned long window)
{
    Post(window, WM_CLOSE);
}

void WindowProbe::DestroyFromOutside(unsigned long window)
{
    // Another process cannot destroy the window; it can tell it that it is.
    Post(window, WM_DESTROY);
}

void WindowProbe::SendOtherMessages(unsigned long window)
{
    Post(window, WM_APP + 9);
    Post(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(20, 20));
    Post(window, WM_PAINT);
}

int WindowProbe::ExitStatus(int finished)
{
    return finished;
}

} // namespace vxtest
