#pragma once

// Window ids (CWindowVNX::hwnd) and Windows' window handles. Handles have 32
// significant bits, and a handle is sign-extended from them.

#include <windows.h>

#include <cstdint>

namespace vxtest {

inline HWND Handle(unsigned long id)
{
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(static_cast<uint32_t>(id))));
}

inline unsigned long Id(HWND window)
{
    return static_cast<unsigned long>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
}

} // namespace vxtest
