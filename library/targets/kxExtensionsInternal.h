#pragma once

namespace varnox {

/// 1 when `name` is a whole item of the space-separated `list`, else 0. An
/// empty name, a name with a space and a null list give 0.
int IsExtensionInList(const char* name, const char* list);

/// 1 when the current context's GL_EXTENSIONS string holds `name`.
int IsExtensionSupported(const char* name);

/// Looks up the GL part of the entry-point table, without the report that
/// kxInitGLExtentions prints first.
void LoadGLEntryPoints();

/// Whether the needed-extension report has been printed in this process.
bool NeededExtensionsReported();

/// Fills whichever part of the entry-point table no loader has filled yet,
/// without printing anything. Called wherever one of the library's contexts
/// becomes current, so that objects made afterwards find the table filled
/// whichever target came first.
void FillEmptyEntryPoints();

} // namespace varnox
