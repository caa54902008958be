#pragma once

#include <vector>

// The textbook BT.601 limited-range YUV to RGB conversion: the reference the
// tests hold the library's YUV paths against.

namespace vxtest {

/// R, G, B of one Y, U, V sample triple, each rounded and clamped to 0 … 255.
void Bt601(int y, int u, int v, int rgb[3]);
/// The same as a vector of R, G, B.
std::vector<int> Bt601(int y, int u, int v);

} // namespace vxtest
