#pragma once

// Setting and removing environment variables, for tests that change what the
// library reads at run time (VARNOX_DEBUG, VARNOX_NO_STATE_ELISION).

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

/// A new scene; with `fullSequence` one made under
/// VARNOX_NO_STATE_ELISION=1, which issues every child's full sequence.
template <class Scene> Scene* NewScene(bool fullSequence)
{
    if (fullSequence)
        SetEnvironment("VARNOX_NO_STATE_ELISION", "1");
    Scene* scene = Scene::NewL();
    UnsetEnvironment("VARNOX_NO_STATE_ELISION");
    return scene;
}

} // namespace vxtest
