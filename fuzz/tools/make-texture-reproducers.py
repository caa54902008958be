"""Writes the hand-made crash inputs of fuzz_texture into fuzz/corpus/texture:

crash-subimage-x-wraps, crash-subimage-y-wraps: a 16 x 16 RGBA32 image, then
setSubImage of a 4 x 4 rectangle at x (or y) = 2147483647. The texture hands
the rectangle to GL unchecked; GL's own bounds check adds offset and size in
int, the sum wraps to a negative number, the check passes, and the driver
copies the rows to an address far outside the texture's storage.

    python3 fuzz/tools/make-texture-reproducers.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fdp import Input  # noqa: E402

corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus", "texture")

INT_MAX = 2**31 - 1
# fuzz/common/FuzzSupport.cpp, kAwkward, in order.
AWKWARD = [-1, -2, -3, -4, -65536, -(2**31), -(2**31) + 1, 0, 1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 255, 256, 257,
           511, 512, 513, 1023, 1024, 1025, 4095, 4096, 4097, 16383, 16384, 16385, 32767, 32768, 46340, 46341,
           65535, 65536, 65537, 1 << 20, (1 << 29) + 1, 1 << 30, (1 << 30) + 1, INT_MAX // 4 + 1,
           INT_MAX // 3 + 1, INT_MAX // 2 + 1, INT_MAX - 1, INT_MAX]
RGBA32 = 2  # index in the FormatCode list


def dimension(i, value, small=300):
    if 0 <= value <= small:
        i.integral(0, 7, 2)
        i.integral(0, small, value)
    else:
        i.integral(0, 7, 0)
        i.pick(len(AWKWARD), AWKWARD.index(value))


def subimage_after_image(x, y, w, h):
    i = Input()
    i.integral(0, 64, 0)  # no pixel pattern
    # the static texture: setImage(16, 16, 0, RGBA32), stride 0, pixels
    i.integral(0, 1, 0)
    i.integral(0, 4, 1)
    i.integral(0, 7, 1)
    i.pick(10, RGBA32)
    dimension(i, 16)
    dimension(i, 16)
    i.bool(True)
    i.integral(0, 15, 0)
    # the static texture: setSubImage(x, y, w, h, RGBA32)
    i.integral(0, 1, 0)
    i.integral(0, 4, 3)
    i.integral(0, 7, 1)
    i.pick(10, RGBA32)
    for v in (x, y, w, h):
        dimension(i, v)
    return i.data()


for name, data in [
    ("crash-subimage-x-wraps", subimage_after_image(INT_MAX, 0, 4, 4)),
    ("crash-subimage-y-wraps", subimage_after_image(0, INT_MAX, 4, 4)),
]:
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
