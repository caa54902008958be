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

std::vector<int> YuvReference(int matrix, bool fullRange, bool tenBit, int y, int u, int v)
{
    const double kr[] = { 0.299, 0.2126, 0.2627 }, kb[] = { 0.114, 0.0722, 0.0593 };
    const double scale = tenBit ? 4.0 : 1.0, top = tenBit ? 1023.0 : 255.0, half = 128 * scale;
    const double luma = fullRange ? y / top : (y - 16 * scale) / (219 * scale);
    const double cb = fullRange ? (u - half) / top : (u - half) / (224 * scale);
    const double cr = fullRange ? (v - half) / top : (v - half) / (224 * scale);
    const double r = luma + 2 * (1 - kr[matrix]) * cr;
    const double b = luma + 2 * (1 - kb[matrix]) * cb;
    const double g = (luma - kr[matrix] * r - kb[matrix] * b) / (1 - kr[matrix] - kb[matrix]);
    std::vector<int> rgb;
    for (double c : { r, g, b })
        rgb.push_back(static_cast<int>(std::lround(std::clamp(c, 0.0, 1.0) * 255)));
    return rgb;
}

} // namespace vxtest
