#pragma once

// Reading the examples' command-line values.

/// A whole number from first to last character (no sign, no suffix) in
/// minimum … maximum.
bool ParseWhole(const char* text, long minimum, long maximum, long& value);

/// "WxH", each from 1 to `maximum`.
bool ParseSize(const char* text, int maximum, int& width, int& height);

/// The largest image or frame side the examples take: the texture limit of
/// common GL drivers.
const int kMaxSide = 16384;
