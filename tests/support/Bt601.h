#pragma once

#include <vector>

// The textbook Y'CbCr to R'G'B' conversions: the references the tests hold
// the library's YUV paths against.

namespace vxtest {

/// R, G, B of one Y, U, V sample triple, each rounded and clamped to 0 … 255.
void Bt601(int y, int u, int v, int rgb[3]);
/// The same as a vector of R, G, B.
std::vector<int> Bt601(int y, int u, int v);

/// R', G', B' (0 … 255) of one Y'CbCr sample by the luma weights of a
/// matrix (0 BT.601, 1 BT.709, 2 BT.2020) in limited or full range, from
/// 8-bit codes or, with `tenBit`, 10-bit ones.
std::vector<int> YuvReference(int matrix, bool fullRange, bool tenBit, int y, int u, int v);

} // namespace vxtest
