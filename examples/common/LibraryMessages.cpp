#include "LibraryMessages.h"

#include <cstdio>

#include <varnox/Messages.h>

namespace {

void ToStandardError(kxMessageKind kind, const char* line, void* verbose)
{
    if (kind == kxReport && !*static_cast<const bool*>(verbose))
        return;
    std::fprintf(stderr, "%s\n", line);
}

} // namespace

void RouteLibraryMessages(bool verbose)
{
    static bool showReport;
    showReport = verbose;
    kxSetMessageHandler(ToStandardError, &showReport);
}
