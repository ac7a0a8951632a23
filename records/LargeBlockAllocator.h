#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

// An allocator for the table's big columns. A block of 2 MiB or more is aligned to 2 MiB and
// offered to the kernel for transparent huge pages: a million-record read then takes a few
// page faults instead of thousands, which on a virtual machine is most of the fill time.
template <typename T>
struct LargeBlockAllocator
{
    using value_type = T;
    static constexpr std::size_t HugePage = std::size_t(2) << 20;

    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U> &) noexcept
    {
    }

    T *allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        void *p = nullptr;
        if (bytes >= HugePage) {
            const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
            p = std::aligned_alloc(HugePage, rounded);
            if (p)
                madvise(p, rounded, MADV_HUGEPAGE); // a hint: refused, plain pages serve
        } else {
            p = std::malloc(bytes ? bytes : 1);
        }
        if (!p)
            throw std::bad_alloc();
        return static_cast<T *>(p);
    }
    void deallocate(T *p, std::size_t) noexcept { std::free(p); }

    template <typename U>
    bool operator==(const LargeBlockAllocator<U> &) const noexcept
    {
        return true;
    }
    template <typename U>
    bool operator!=(const LargeBlockAllocator<U> &) const noexcept
    {
        return false;
    }
};
