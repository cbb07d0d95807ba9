#pragma once

#include <cstddef>

namespace velmora::test
{

// Counts heap allocations made on the calling thread while a scope is alive.
// The test binary that links AllocationCounter.cpp replaces malloc and the
// global operator new to do the counting.
class AllocationScope
{
public:
    AllocationScope();
    ~AllocationScope();

    std::size_t count() const;

    AllocationScope(const AllocationScope&) = delete;
    AllocationScope& operator=(const AllocationScope&) = delete;
};

} // namespace velmora::test
