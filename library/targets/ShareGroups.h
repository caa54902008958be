#pragma once

// Which of the library's contexts share objects with which. A context made to
// share with a recorded one joins its group; any other starts a group of its
// own. When a target rebuilds its context after the one it shared with is
// gone, a surviving member of the group keeps its textures and programs
// reachable.

#include <vector>

#include "targets/Platform.h"

namespace varnox::platform {

class ShareGroups {
public:
    /// Records `context`, made on `device`, as sharing with `partner`: in
    /// `partner`'s group when that is recorded, else in a new group.
    void Add(Context* context, Device* device, Context* partner);

    /// Forgets `context`; nothing happens when it is not recorded.
    void Remove(Context* context);

    /// Whether `context` is recorded (alive).
    bool Contains(Context* context) const;

    /// The number of `context`'s group (from 1); 0 when it is not recorded.
    unsigned GroupOf(Context* context) const;

    /// What a context about to replace `context` should share with:
    /// `preferred` while it is recorded, otherwise another recorded context
    /// of `context`'s group on the same device; null when there is none.
    Context* Candidate(Context* context, Context* preferred) const;

private:
    struct Record {
        Context* context;
        Device* device;
        unsigned group;
    };
    const Record* Find(Context* context) const;

    std::vector<Record> records;
    unsigned nextGroup = 1;
};

/// The contexts this library has made and not yet destroyed; the platform
/// implementation's CreateContext and DestroyContext keep it up to date.
ShareGroups& LibraryContexts();

} // namespace varnox::platform
