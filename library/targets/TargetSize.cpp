#include "targets/TargetSize.h"

namespace varnox::platform {
namespace {

    int TighterSide(int a, int b)
    {
        if (a <= 0)
            return b > 0 ? b : 0;
        if (b <= 0)
            return a;
        return a < b ? a : b;
    }

} // namespace

SizeLimit Tighter(SizeLimit a, SizeLimit b)
{
    return { TighterSide(a.width, b.width), TighterSide(a.height, b.height) };
}

bool Exceeds(int width, int height, SizeLimit limit)
{
    return (limit.width > 0 && width > limit.width) || (limit.height > 0 && height > limit.height);
}

} // namespace varnox::platform
