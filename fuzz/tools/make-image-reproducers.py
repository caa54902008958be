"""Writes the hand-made crash inputs of fuzz_image into fuzz/corpus/image:

crash-yuv-converter-behind-shared-texture: an image object converts a
32 x 24 YUV420 frame; its copy, which shares the texture, uploads a 64 x 64
RGB24 image; the first object then gets a 64 x 64 YUV420 frame. To the first
object that is no change (the texture is 64 x 64 and the code is the one it
had), so its converter is not configured again: it converts into its 32 x 24
buffer and the texture is given 64 rows of a 32-pixel stride from a buffer of
3,072 bytes, and GL reads 8,192 past it.

crash-yuv-converter-reads-past-frame: the same with the sizes the other way
round: the converter stays at 64 x 64 while the caller's frame is 32 x 24,
and the conversion reads 64 x 64 pixels' worth from the caller's 1,152 bytes.

    python3 fuzz/tools/make-image-reproducers.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fdp import Input  # noqa: E402

corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus", "image")


def shared_texture_steps(first, second):
    """Slot 0 converts a YUV420 frame of size `first`; its copy in slot 1
    uploads an RGB24 image of size `second` into the shared texture; slot 0
    then converts a YUV420 frame of size `second`."""
    i = Input()
    i.integral(0, 64, 0)  # no pixel pattern

    def dim(v):  # Dimension(input, 300): a small value
        i.integral(0, 7, 2)
        i.integral(0, 300, v)

    def code(index):  # FormatCode: one of the table's ten codes
        i.integral(0, 7, 1)
        i.pick(10, index)

    def image(slot, index, size):
        i.integral(0, 2, slot)
        i.integral(0, 11, 0)
        code(index)
        dim(size[0])
        dim(size[1])
        i.integral(0, 15, 0)  # with pixels

    # slot 0: NewL(imageSize, false)
    i.integral(0, 2, 0)
    i.integral(0, 11, 0)
    i.integral(0, 2, 0)
    i.integral(0, 2, 0)
    i.bool(False)
    # slot 1: a copy of slot 0
    i.integral(0, 2, 1)
    i.integral(0, 11, 0)
    i.integral(0, 2, 2)
    i.integral(0, 2, 0)
    image(0, 8, first)  # YUV420
    image(1, 0, second)  # RGB24
    image(0, 8, second)  # YUV420: no change for slot 0
    return i.data()


for name, data in [
    ("crash-yuv-converter-behind-shared-texture", shared_texture_steps((32, 24), (64, 64))),
    ("crash-yuv-converter-reads-past-frame", shared_texture_steps((64, 64), (32, 24))),
]:
    with open(os.path.join(corpus, name), "wb") as f:
        f.write(data)
