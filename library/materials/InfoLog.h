#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

#include <varnox/kxExtensions.h>

#include "core/Print.h"

namespace varnox {

// After a compile or a link: reads the object's status and its info log
// (always fetched, as the driver expects) and, when the status is false,
// prints the log (its last line ended) and then `failure`. The log buffer is one byte longer than
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
        // The fixed line starts a line of its own, also after a log whose
        // last line the driver did not end.
        const std::size_t used = std::strlen(log.data());
        Print(Kind::Failure, "%s%s", log.data(), used > 0 && log[used - 1] != '\n' ? "\n" : "");
        Print(Kind::Failure, "%s", failure);
    }
    return status != GL_FALSE;
}

} // namespace varnox
