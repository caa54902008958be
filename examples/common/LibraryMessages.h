#pragma once

// Where the tools put what the library says.

/// From now on the library's failure and refusal lines go to standard error,
/// and its report (driver, extensions, device) there too with `verbose`, else
/// nowhere: standard output stays the tool's own.
void RouteLibraryMessages(bool verbose);
