#pragma once

// Setting and removing environment variables, for tests that change what the
// library reads at run time (VARNOX_DEBUG).

#include <cstdlib>
#include <string>

namespace vxtest {

/// Sets `name` to `value` in the process's environment. On Windows an empty
/// value removes the variable (the C runtime knows no empty ones).
inline void SetEnvironment(const char* name, const char* value)
{
#if defined(_WIN32)
    // The C runtime keeps a copy of the entry.
    const std::string entry = std::string(name) + "=" + value;
    _putenv(entry.c_str());
#else
    setenv(name, value, 1);
#endif
}

/// Removes `name` from the process's environment.
inline void UnsetEnvironment(const char* name)
{
#if defined(_WIN32)
    SetEnvironment(name, "");
#else
    unsetenv(name);
#endif
}

} // namespace vxtest
