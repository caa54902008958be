#pragma once

#include <cstddef>
#include <cstdint>

namespace vxtest {

/// `size` bytes that end exactly where an inaccessible page begins, so that
/// any access past them stops the process, even inside code built without a
/// sanitizer (the system's libyuv, the GL driver). The bytes of the mapping
/// in front of them hold a marker, to see writes before the start. Throws
/// std::runtime_error when the pages cannot be mapped or protected.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t size);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    /// Whether every byte in front of `data` still holds the marker.
    bool FrontUntouched() const;

    static constexpr uint8_t kMarker = 0xA5;
    uint8_t* data = nullptr;
    size_t size = 0;

private:
    uint8_t* mapping = nullptr;
    size_t usable = 0;
    size_t page = 0;
};

} // namespace vxtest
