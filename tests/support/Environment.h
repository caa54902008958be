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

/// A new scene made while the switch `name` (VARNOX_NO_STATE_ELISION,
/// VARNOX_NO_CULLING) is "1"; null: with none.
template <class Scene> Scene* NewSceneWith(const char* name)
{
    if (name)
        SetEnvironment(name, "1");
    Scene* scene = Scene::NewL();
    if (name)
        UnsetEnvironment(name);
    return scene;
}

/// A new scene; with `fullSequence` one that issues every child's full
/// sequence (VARNOX_NO_STATE_ELISION=1).
template <class Scene> Scene* NewScene(bool fullSequence)
{
    return NewSceneWith<Scene>(fullSequence ? "VARNOX_NO_STATE_ELISION" : nullptr);
}

} // namespace vxtest
