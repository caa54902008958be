"""Writes the hand-made crash inputs of fuzz_image into fuzz/corpus/image:

crash-yuv-converter-behind-shared-texture: an image object converts a
32 x 24 YUV420 frame; its copy, which shares the texture, uploads a 64 x 64
RGB24 image; the first object then gets a 64 x 64 YUV420 frame. To the first
object that is no change (the texture is 64 x 64 and the code is the one it
had), so its converter is not configured again: it converts into its 32 x 24
buffer and the texture is given 64 rows of a 32-pixel stride from a buffer of
3,072 bytes, and GL reads 8,192 past it.

    python3 fuzz/tools/make-image-reproducers.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fdp import Input  # noqa: E402

corpus = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus", "image")
i = Input()
i.integral(0, 64, 0, 4)            # no pattern
def dim(v):                          # Dimension(input, 300): a small value
    i.integral(0, 7, 2, 4); i.integral(0, 300, v, 4)
def code(index):                     # FormatCode: one of the table's ten codes
    i.integral(0, 7, 1, 4); i.pick(10, index)
# slot 0: NewL(imageSize, false)
i.integral(0, 2, 0, 4); i.integral(0, 11, 0, 4); i.integral(0, 2, 0, 4); i.integral(0, 2, 0, 4); i.bool(False)
# slot 1: a copy of slot 0
i.integral(0, 2, 1, 4); i.integral(0, 11, 0, 4); i.integral(0, 2, 2, 4); i.integral(0, 2, 0, 4)
# slot 0: Image(32, 24, YUV420)
i.integral(0, 2, 0, 4); i.integral(0, 11, 0, 4); code(8); dim(32); dim(24); i.integral(0, 15, 0, 4)
# slot 1: Image(64, 64, RGB24): the shared texture now holds 64 x 64
i.integral(0, 2, 1, 4); i.integral(0, 11, 0, 4); code(0); dim(64); dim(64); i.integral(0, 15, 0, 4)
# slot 0: Image(64, 64, YUV420): no change for slot 0, its converter still 32 x 24
i.integral(0, 2, 0, 4); i.integral(0, 11, 0, 4); code(8); dim(64); dim(64); i.integral(0, 15, 0, 4)
with open(os.path.join(corpus, 'crash-yuv-converter-behind-shared-texture'), 'wb') as f:
    f.write(i.data())
