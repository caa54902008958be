#pragma once

#include <cstddef>

namespace vxtest {

/// Counts the C++ heap allocations (operator new, every form) made by the
/// whole process, library included, while counting is on.
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    /// Allocations since construction.
    std::size_t count() const;
};

} // namespace vxtest
