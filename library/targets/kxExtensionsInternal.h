#pragma once

namespace varnox {

/// 1 when `name` is a whole item of the space-separated `list`, else 0. An
/// empty name, a name with a space and a null list give 0.
int IsExtensionInList(const char* name, const char* list);

/// 1 when the current context's GL_EXTENSIONS string holds `name`.
int IsExtensionSupported(const char* name);

} // namespace varnox
