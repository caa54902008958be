#pragma once

// Why a platform call failed. The render targets print the design's fixed
// messages; when the environment variable VARNOX_DEBUG is "1", each one is
// followed by a line with the cause the platform layer recorded: the call
// that failed and the platform's error by name (an EGL error code decoded,
// an X error with its code and request). Causes are kept per thread, like
// the platform's own error state.

#include <string>

namespace varnox::platform {

/// Records why the platform call in progress failed; replaces any earlier
/// cause. Used by the platform implementation.
void RecordFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Forgets the recorded cause: the platform call about to run decides anew.
void ClearFailure();

/// The recorded cause ("" when none), which is forgotten.
std::string TakeFailure();

/// Whether diagnostic lines are printed: VARNOX_DEBUG is "1".
bool DiagnosticsEnabled();

/// Prints a failure message through varnox::Print; with diagnostics enabled
/// and a cause recorded, a second line "  <cause>" follows. The cause is
/// forgotten either way, so it never trails a later, unrelated message.
void PrintFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace varnox::platform
