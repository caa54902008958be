#include "targets/ShareGroups.h"

#include "core/ShareGroup.h"

namespace varnox::platform {

const ShareGroups::Record* ShareGroups::Find(Context* context) const
{
    for (const Record& r : records)
        if (r.context == context)
            return &r;
    return nullptr;
}

void ShareGroups::Add(Context* context, Device* device, Context* partner)
{
    const Record* with = partner ? Find(partner) : nullptr;
    records.push_back({ context, device, with ? with->group : nextGroup++ });
}

void ShareGroups::Remove(Context* context)
{
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].context == context) {
            records.erase(records.begin() + static_cast<long>(i));
            return;
        }
}

bool ShareGroups::Contains(Context* context) const
{
    return context && Find(context);
}

unsigned ShareGroups::GroupOf(Context* context) const
{
    const Record* r = context ? Find(context) : nullptr;
    return r ? r->group : 0;
}

Context* ShareGroups::Candidate(Context* context, Context* preferred) const
{
    if (Contains(preferred))
        return preferred;
    const Record* own = context ? Find(context) : nullptr;
    if (!own)
        return nullptr;
    for (const Record& r : records)
        if (r.context != context && r.group == own->group && r.device == own->device)
            return r.context;
    return nullptr;
}

ShareGroups& LibraryContexts()
{
    static ShareGroups contexts;
    return contexts;
}

} // namespace varnox::platform

namespace varnox {

unsigned int CurrentShareGroup()
{
    return platform::LibraryContexts().GroupOf(platform::Current().context);
}

unsigned int ShareGroupOf(void* context)
{
    return platform::LibraryContexts().GroupOf(platform::AsContext(context));
}

} // namespace varnox
