#pragma once

// YUV-to-BGRA frame conversion.
//
// Source frames are planar, BT.601 limited range (Y 16..235, U and V 16..240):
//   YUV4202BGRA: I420. The Y plane (width × height bytes), then the U plane,
//                then the V plane, each ((width + 1) / 2) × ((height + 1) / 2)
//                bytes: one chroma sample per 2 × 2 pixels.
//   YUV4222BGRA: I422. The Y plane (width × height bytes), then the U plane,
//                then the V plane, each ((width + 1) / 2) × height bytes: one
//                chroma sample per 2 × 1 pixels.
// Every plane is tightly packed (its stride is its width). The destination
// receives width × height pixels, rows of width × 4 bytes, each pixel the
// bytes blue, green, red, alpha (255) in memory order.

void YUV4202BGRA(unsigned char* source, int* destination, int width, int height);
void YUV4222BGRA(unsigned char* source, int* destination, int width, int height);

// Frames as decoders give them: each plane at its own address with its own
// stride in bytes (rows need not be packed; the last row of a plane is read
// no further than its own bytes). The codes are the library's.
const int kPixI420 = 0, kPixYV12 = 1, kPixI422 = 2, kPixI444 = 3, kPixNV12 = 4, kPixNV21 = 5, kPixYUY2 = 6,
          kPixUYVY = 7, kPixI400 = 8, kPixI010 = 9, kPixP010 = 10, kPixI210 = 11, kPixI410 = 12;
const int kPixBT601 = 0, kPixBT709 = 1, kPixBT2020 = 2;
const int kPixLimited = 0, kPixFull = 1;

struct PixkitFrame {
    int layout;
    int width;
    int height;
    const unsigned char* planes[3]; // in the layout's order (YV12: Y, V, U)
    int strides[3]; // bytes, each at least its plane's row (even for 10-bit)
    int matrix;
    int range;
};

// Bytes of scratch space FrameToBGRA needs for a frame of this layout and
// size (YUY2 and UYVY are split into planes first); 0 for the others.
long long FrameScratchBytes(int layout, int width, int height);

// Converts a checked frame into width × height BGRA pixels, rows
// `destinationStride` bytes apart, alpha 255, with the frame's matrix and
// range. `scratch` holds FrameScratchBytes bytes. False for a layout,
// matrix or range outside the tables.
bool FrameToBGRA(
    const PixkitFrame& frame, unsigned char* scratch, unsigned char* destination, int destinationStride);
