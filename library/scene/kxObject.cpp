#include <varnox/kxObject.h>

#include <new>

namespace {
constexpr std::align_val_t kAlignment { 16 };
}

kxObject::~kxObject() = default;

void* kxObject::operator new(std::size_t size)
{
    return ::operator new(size, kAlignment);
}

void kxObject::operator delete(void* p) noexcept
{
    ::operator delete(p, kAlignment);
}
