#pragma once

#include <varnox/Messages.h>

namespace varnox {

/// Where a message goes by default. The design's messages and reports go to
/// standard output; notes on how the library read its own settings (which
/// the design does not have) go to standard error, apart from what a program
/// prints.
enum class Stream { Output, Errors };

/// What a message tells (public: kxMessageKind).
enum class Kind { Report = kxReport, Refusal = kxRefusal, Failure = kxFailure };

// Every text the library writes goes through here: by default printf on
// standard output, flushed so that the line is out before a crash or an
// exit; to the program's handler where it installed one (kxSetMessageHandler).
void Print(Kind kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

/// Print, to the stream named when no handler is installed.
void PrintTo(Stream stream, Kind kind, const char* format, ...) __attribute__((format(printf, 3, 4)));

/// Receives each formatted message for standard output in place of standard
/// output while it is installed, ahead of a program's handler; messages for
/// standard error still go there. Not part of the exported interface: tests
/// link the library's objects and install one to read what the library said.
using OutputSink = void (*)(const char* text, void* user);

/// Installs `sink` (null: standard output again); returns the one it replaces.
OutputSink SetOutputSink(OutputSink sink, void* user, void** previousUser = nullptr);

} // namespace varnox
