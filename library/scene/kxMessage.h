#pragma once

namespace varnox {

// Every text the library writes goes through here: printf on standard output,
// flushed so that the line is out before a crash or an exit.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace varnox
