#pragma once

namespace varnox {

// Every text the library writes goes through here: printf on standard output,
// flushed so that the line is out before a crash or an exit.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Receives each formatted message in place of standard output while it is
/// installed. Not part of the exported interface: tests link the library's
/// objects and install one to read what the library said.
using OutputSink = void (*)(const char* text, void* user);

/// Installs `sink` (null: standard output again); returns the one it replaces.
OutputSink SetOutputSink(OutputSink sink, void* user, void** previousUser = nullptr);

} // namespace varnox
