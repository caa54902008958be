#include "support/Bt601.h"

#include <algorithm>
#include <cmath>

namespace vxtest {

void Bt601(int y, int u, int v, int rgb[3])
{
    const double l = 1.164 * (y - 16), cb = u - 128.0, cr = v - 128.0;
    const double value[3] = { l + 1.596 * cr, l - 0.391 * cb - 0.813 * cr, l + 2.018 * cb };
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<int>(std::lround(std::min(255.0, std::max(0.0, value[c]))));
}

std::vector<int> Bt601(int y, int u, int v)
{
    std::vector<int> rgb(3);
    Bt601(y, u, v, rgb.data());
    return rgb;
}

} // namespace vxtest
