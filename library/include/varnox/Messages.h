#pragma once

#include <varnox/Export.h>

/// What a line of the library's tells.
enum kxMessageKind {
    /// What the library and the driver found: the window target's driver
    /// report, the needed extensions, the device chosen.
    kxReport = 0,
    /// A call given a value it does not take; the call changed nothing.
    kxRefusal = 1,
    /// A platform or GL step that failed: no display or context, a shader
    /// that did not compile or link, a file that could not be opened.
    kxFailure = 2,
};

/// Receives each line the library writes, without its line end, and the
/// `user` pointer it was installed with. A message of several lines (a
/// shader's compile log) comes one line a call. It may be called from any
/// thread that uses the library, and must not call back into the library.
typedef void (*kxMessageHandler)(kxMessageKind kind, const char* line, void* user);

/// Sends the library's lines to `handler` from now on; null sends them where
/// they go by default: standard output (notes on the library's environment
/// settings: standard error). Returns the handler it replaces, and that
/// handler's user pointer through `previousUser` when that is not null.
/// Install it before other threads use the library.
VARNOX_EXPORT kxMessageHandler kxSetMessageHandler(
    kxMessageHandler handler, void* user, void** previousUser = nullptr);
