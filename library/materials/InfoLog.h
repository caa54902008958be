#pragma once

#include <cstddef>
#include <vector>

#include <varnox/kxExtensions.h>

#include "core/Print.h"

namespace varnox {

// After a compile or a link: reads the object's status and its info log
// (always fetched, as the driver expects) and, when the status is false,
// prints the log and then `failure`. The log buffer is one byte longer than
// GL asks for, so that an empty log is still a text. Returns the status.
template <class GetParameter, class GetLog>
bool ReportInfoLog(
    GLuint object, GLenum statusName, GetParameter getParameter, GetLog getLog, const char* failure)
{
    GLint status = GL_FALSE;
    getParameter(object, statusName, &status);
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    GLsizei written = 0;
    getLog(object, static_cast<GLsizei>(log.size()), &written, log.data());
    if (status == GL_FALSE) {
        Print("%s", log.data());
        Print("%s", failure);
    }
    return status != GL_FALSE;
}

} // namespace varnox
