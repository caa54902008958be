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
