#pragma once

// What the core asks of the system it runs on. Declared here, implemented by
// the targets layer (library/targets/System.cpp, with the parts that differ
// between systems in the platform layer under it), so that nothing in the
// core includes a system header.

#include <cstdio>

namespace varnox {

/// Whether a GL context is current on the calling thread.
bool GLContextCurrent();

/// Why OpenRegularFile gave no file.
struct FileRefusal {
    enum Kind {
        None,
        /// A call failed; `error` holds its errno.
        Failed,
        /// A folder: it cannot be read as a file.
        Folder,
        /// A FIFO, a device or a socket: no end to read up to.
        NotRegular,
    };
    Kind kind = None;
    int error = 0;
};

/// Opens `path` to read (with `write`, to update too) and keeps it only when
/// it is a regular file. It never waits: a FIFO without a writer is refused at
/// once. Null when refused, with the reason in `refusal`.
std::FILE* OpenRegularFile(const char* path, bool write, FileRefusal* refusal);

} // namespace varnox
