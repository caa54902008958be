#pragma once

/// The benchmark's texture: 512 × 512 pixels in RGB565 (each a little-endian
/// 16-bit value, red in the high five bits), rows packed, top row first.
extern const unsigned char kBenchmarkImage[512 * 512 * 2];
