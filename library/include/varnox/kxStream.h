#pragma once

#include <cstdio>

#include <varnox/Export.h>

// The library exports the four inline members below, so they are emitted
// wherever this header is compiled, the library included.
#if defined(_WIN32) && defined(VARNOX_BUILDING)
#define KX_STREAM_INLINE __declspec(dllexport) __attribute__((used))
#elif defined(_WIN32)
// A DLL's inline members cannot be imported: a client compiles its own copy.
#define KX_STREAM_INLINE
#elif defined(__GNUC__)
#define KX_STREAM_INLINE VARNOX_EXPORT __attribute__((used))
#else
#define KX_STREAM_INLINE
#endif

/// A stdio file opened for reading or writing. The library reads shader
/// sources with it (mode 5, toString); the whole class is exported, so that
/// clients can use it too.
class VARNOX_EXPORT kxStream {
public:
    /// Mode bits: modeRead | modeBinary (5) opens an existing file to read,
    /// modeWrite creates or truncates one, both together open it to update.
    enum { modeRead = 1, modeWrite = 2, modeBinary = 4 };
    /// Bit of `flags`: nothing can be read (not opened, or opened to write).
    enum { flagNoRead = 1 };

    /// Opens `path` in `mode`. A file that cannot be opened is named on one
    /// line of standard output, and the stream stays empty. To read, only a
    /// regular file is taken: a FIFO, a device or a folder is refused the same
    /// way, without waiting for a writer.
    kxStream(const char* path, int mode);
    /// Closes the file.
    virtual ~kxStream();

    kxStream(const kxStream&) = delete;
    kxStream& operator=(const kxStream&) = delete;

    /// The whole file as NUL-terminated text, allocated with new[] and owned
    /// by the caller (release with delete[]). Never null: "" when the file
    /// cannot be read.
    char* toString();

    /// Reads `len` bytes into `buf`, unless nothing can be read. A null
    /// buffer or a negative length is refused with one line.
    KX_STREAM_INLINE void readChunk(void* buf, int len)
    {
        if ((!buf && len > 0) || len < 0) {
            Refuse("readChunk", len);
            return;
        }
        if ((flags & flagNoRead) || !file || len == 0)
            return;
        std::fread(buf, 1, static_cast<size_t>(len), file);
    }

    /// Writes `len` bytes from `data`; a stream without a file drops them. Null
    /// data or a negative length is refused with one line.
    KX_STREAM_INLINE void writeChunk(const void* data, int len)
    {
        if ((!data && len > 0) || len < 0) {
            Refuse("writeChunk", len);
            return;
        }
        if (!file || len == 0)
            return;
        std::fwrite(data, 1, static_cast<size_t>(len), file);
    }

    /// Whether this machine stores the most significant byte first.
    KX_STREAM_INLINE static bool isBigEndian() { return __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__; }

    /// Reverses the `n` bytes at `p` in place; null changes nothing.
    KX_STREAM_INLINE static void swap(void* p, unsigned int n)
    {
        if (!p)
            return;
        unsigned char* bytes = static_cast<unsigned char*>(p);
        for (unsigned int i = 0; i < n / 2; ++i) {
            const unsigned char t = bytes[i];
            bytes[i] = bytes[n - 1 - i];
            bytes[n - 1 - i] = t;
        }
    }

protected:
    /// The open file, or null.
    std::FILE* file = nullptr;
    /// Stream state; only flagNoRead is defined.
    int flags = flagNoRead;

private:
    /// Prints the one line with which readChunk and writeChunk refuse a null
    /// buffer or a negative length.
    static void Refuse(const char* operation, int len);

    char* name = nullptr;
};

#undef KX_STREAM_INLINE
