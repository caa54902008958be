"""Writes inputs for the fuzz programs by hand: the encoding side of
libFuzzer's FuzzedDataProvider (clang 14), which takes integers from the end
of the input (most significant byte first) and byte strings from its front.

    from fdp import Input
    i = Input(); i.integral(0, 11, 3); i.bytes(b"..."); open(path, "wb").write(i.data())
"""


class Input:
    def __init__(self):
        self.front = bytearray()
        self.back = []  # bytes in the order they are consumed

    def integral(self, lo, hi, value, size=8):
        """ConsumeIntegralInRange(lo, hi) giving `value` (size: sizeof(T))."""
        assert lo <= value <= hi
        span = hi - lo
        count = 0
        while count < size and (span >> (8 * count)) > 0:
            count += 1
        v = value - lo
        self.back.extend((v >> (8 * (count - 1 - k))) & 0xFF for k in range(count))

    def int32(self, value):
        """ConsumeIntegral<int>()."""
        self.integral(-(2**31), 2**31 - 1, value, 4)

    def bool(self, value):
        self.integral(0, 255, 1 if value else 0, 1)

    def pick(self, count, index):
        """PickValueInArray of `count` values, giving the one at `index`."""
        self.integral(0, count - 1, index)

    def bytes(self, data):
        """ConsumeBytes(len(data)) from the front."""
        self.front += data

    def data(self):
        return bytes(self.front) + bytes(reversed(self.back))
