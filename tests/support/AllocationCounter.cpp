#include "AllocationCounter.h"

#include <cerrno>
#include <cstdlib>
#include <new>

// glibc's own entry points, which the replacements below forward to.
extern "C"
{
    void* __libc_malloc(std::size_t);
    void* __libc_calloc(std::size_t, std::size_t);
    void* __libc_realloc(void*, std::size_t);
    void* __libc_memalign(std::size_t, std::size_t);
    void __libc_free(void*);
}

namespace
{
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

inline void noteAllocation()
{
    if (counting)
        ++allocations;
}
} // namespace

extern "C"
{
    void* malloc(std::size_t size)
    {
        noteAllocation();
        return __libc_malloc(size);
    }

    void* calloc(std::size_t count, std::size_t size)
    {
        noteAllocation();
        return __libc_calloc(count, size);
    }

    void* realloc(void* pointer, std::size_t size)
    {
        noteAllocation();
        return __libc_realloc(pointer, size);
    }

    void* memalign(std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    void* aligned_alloc(std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        return __libc_memalign(alignment, size);
    }

    int posix_memalign(void** result, std::size_t alignment, std::size_t size)
    {
        noteAllocation();
        *result = __libc_memalign(alignment, size);
        return *result == nullptr ? ENOMEM : 0;
    }

    void free(void* pointer)
    {
        __libc_free(pointer);
    }
}

namespace velmora::test
{

AllocationScope::AllocationScope()
{
    allocations = 0;
    counting = true;
}

AllocationScope::~AllocationScope()
{
    counting = false;
}

std::size_t AllocationScope::count() const
{
    return allocations;
}

} // namespace velmora::test
