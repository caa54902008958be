// The window system of the Windows platform layer: USER32 windows of the
// class "kxWindow", their window procedure and message pump, and GDI pixel
// formats.
#include "targets/win32/Wgl.h"

#include <cstdint>
#include <cstdlib>

#include <varnox/CWindowVNX.h>

#include "targets/FailureCause.h"

namespace {

const char kTitle[] = "Quorvel";
const char kClass[] = "kxWindow";

// A captioned, resizable top-level window: WS_OVERLAPPEDWINDOW |
// WS_CLIPCHILDREN | WS_CLIPSIBLINGS (0x06CF0000).
const DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// The class's window procedure: messages of a window whose target is stored
// in its user-data slot go to that target's HandleMessage; the others (those
// sent while the window is being made, or after its target has gone) to
// DefWindowProcA.
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowVNX* target = reinterpret_cast<CWindowVNX*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (target)
        return target->HandleMessage(hwnd, message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Registers the window class. Classes stay registered until the process
// ends, so a second window target finds it there: that is success too.
bool RegisterWindowClass()
{
    WNDCLASSEXA windowClass {};
    // The structure's own size (80 bytes on 64-bit Windows, 48 on 32-bit):
    // any other value is refused.
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = nullptr;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    // No module of the library carries a menu or an icon resource: the window
    // has no menu, and the small icon is the system's default.
    windowClass.lpszMenuName = kClass;
    windowClass.lpszClassName = kClass;
    windowClass.hIconSm = LoadIconA(nullptr, "Ball.ico");
    if (RegisterClassExA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        return true;
    varnox::wgl::RecordLastError("RegisterClassExA");
    return false;
}

} // namespace

namespace varnox::wgl {

const PIXELFORMATDESCRIPTOR kWindowFormat = {
    sizeof(PIXELFORMATDESCRIPTOR),
    1,
    PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_SWAP_EXCHANGE | PFD_SUPPORT_COMPOSITION,
    PFD_TYPE_RGBA,
    24, // colour bits
    0,
    0,
    0,
    0,
    0,
    0, // per-channel bits and shifts
    8, // alpha bits
    0, // alpha shift
    0,
    0,
    0,
    0,
    0, // accumulation
    24, // depth bits
    8, // stencil bits
    0, // auxiliary buffers
    PFD_MAIN_PLANE,
    0,
    0,
    0,
    0,
};

platform::Config* WindowConfig()
{
    return reinterpret_cast<platform::Config*>(const_cast<PIXELFORMATDESCRIPTOR*>(&kWindowFormat));
}

HWND Handle(platform::NativeWindow window)
{
    const unsigned long id = static_cast<unsigned long>(window);
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(id))));
}

platform::NativeWindow Id(HWND window)
{
    return static_cast<platform::NativeWindow>(
        static_cast<unsigned long>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window))));
}

} // namespace varnox::wgl

namespace varnox::platform {

using wgl::Handle;
using wgl::RecordLastError;

bool OpenWindowSystem(std::string&)
{
    // USER32 needs no connection.
    return true;
}

Device* WindowDevice()
{
    return wgl::TheDevice();
}

Config* ChooseWindowConfig(Device* device, NativeWindow)
{
    // The format itself is chosen on the window's device context
    // (CreateWindowSurface).
    if (!device)
        return nullptr;
    return wgl::WindowConfig();
}

NativeWindow CreateTopLevel(Device* device, Config* config, int width, int height)
{
    if (!device || !config)
        return kNoWindow;
    ClearFailure();
    if (!RegisterWindowClass())
        return kNoWindow;
    // The outer size that gives a client area of width × height. The window
    // has no menu, so none is allowed for: a menu bar allowed for and then
    // taken off again as a fixed 20 pixels would leave the client area short
    // wherever the system's menu bar is not exactly that high.
    RECT rect;
    SetRect(&rect, 0, 0, width > 0 ? width : 1, height > 0 ? height : 1);
    AdjustWindowRectEx(&rect, kStyle, FALSE, 0);
    HWND window = CreateWindowExA(0, kClass, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
        rect.right - rect.left, rect.bottom - rect.top, GetDesktopWindow(), nullptr, nullptr, nullptr);
    if (!window) {
        RecordLastError("CreateWindowExA");
        return kNoWindow;
    }
    return wgl::Id(window);
}

bool WindowExists(NativeWindow window)
{
    if (window == kNoWindow)
        return false;
    ClearFailure();
    if (IsWindow(Handle(window)))
        return true;
    RecordFailure("IsWindow: no window 0x%lx", static_cast<unsigned long>(window));
    return false;
}

Surface* CreateWindowSurface(Device* device, Config* config, NativeWindow window)
{
    if (!device || !config || window == kNoWindow)
        return nullptr;
    ClearFailure();
    HWND hwnd = Handle(window);
    HDC dc = GetDC(hwnd);
    if (!dc) {
        RecordLastError("GetDC");
        return nullptr;
    }
    // A window's pixel format is set once for its life: a window passed in
    // that has one already keeps it. Without a format the context cannot be
    // made, which the caller reports.
    if (!GetPixelFormat(dc)) {
        const PIXELFORMATDESCRIPTOR* request = reinterpret_cast<const PIXELFORMATDESCRIPTOR*>(config);
        const int format = ChoosePixelFormat(dc, request);
        if (!format)
            RecordLastError("ChoosePixelFormat");
        else if (!SetPixelFormat(dc, format, request))
            RecordLastError("SetPixelFormat");
    }
    return reinterpret_cast<Surface*>(dc);
}

void Show(NativeWindow window, bool)
{
    if (window == kNoWindow)
        return;
    ShowWindow(Handle(window), SW_SHOW);
    UpdateWindow(Handle(window));
}

void ClientSize(NativeWindow window, int* width, int* height)
{
    *width = 0;
    *height = 0;
    if (window == kNoWindow)
        return;
    ClearFailure();
    RECT client;
    if (!GetClientRect(Handle(window), &client)) {
        RecordLastError("GetClientRect");
        return;
    }
    *width = client.right - client.left;
    *height = client.bottom - client.top;
}

void AttachWindow(NativeWindow window, CWindowVNX* target)
{
    if (window == kNoWindow)
        return;
    SetWindowLongPtrA(Handle(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
}

void DetachWindow(CWindowVNX* target)
{
    // Later messages of the window go to DefWindowProcA. The slot is left
    // alone when another target has taken it since.
    HWND hwnd = Handle(AsWindow(target->hwnd));
    if (hwnd && IsWindow(hwnd)
        && GetWindowLongPtrA(hwnd, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(target))
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    // The display goes back to the mode in the system's settings. The library
    // never changes the mode itself; this reset is all it does with modes.
    ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);
}

void PumpEvents(NativeWindow window)
{
    if (window == kNoWindow)
        return;
    HWND hwnd = Handle(window);
    MSG message;
    while (PeekMessageA(&message, hwnd, 0, 0, PM_NOREMOVE)) {
        // 0: a quit message; -1: the window is gone.
        const BOOL got = GetMessageA(&message, hwnd, 0, 0);
        if (got == 0 || got == -1)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void DestroyTopLevel(NativeWindow window)
{
    // Its messages are dropped with it. The target has let go of the window
    // first, so its WM_DESTROY goes to DefWindowProcA and ends nothing.
    if (window == kNoWindow)
        return;
    DestroyWindow(Handle(window));
}

unsigned long WaitForKey(int)
{
    // Programs read keys from the window procedure of a window of their own.
    return 0;
}

void YieldTimeSlice()
{
    Sleep(0);
}

} // namespace varnox::platform

intptr_t CWindowVNX::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
        std::exit(0);
    case WM_SIZE:
        // The size measured at creation stays the target's size.
        return 0;
    case WM_PAINT:
        // The next present repaints the window.
        ValidateRect(hwnd, nullptr);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
