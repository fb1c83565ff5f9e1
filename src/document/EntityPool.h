#pragma once

#include <cstddef>
#include <new>

// Storage for drawing entities. A drawing holds up to millions of small objects of a handful of
// sizes; they are carved from large aligned blocks, one size per block, without a header per
// object, and the blocks of a drawing that outgrows its first block use huge pages where the
// system offers them: touching fresh memory a 4 KB page at a time costs more than reading a
// point file. A block whose objects are all freed goes back to the system, except the last
// one of its size. Thread-safe.

// Memory for one object of size bytes; throws std::bad_alloc.
void* AllocateEntityStorage(std::size_t size);
// Gives back what AllocateEntityStorage returned for the same size; p may be null.
void FreeEntityStorage(void* p, std::size_t size) noexcept;

// While one lives, its thread takes entity storage in runs of slots, one lock per run instead of
// one per object, so that threads making entities side by side do not contend; what it took and
// did not hand out goes back when it ends. Nested ones do nothing of their own. Freeing is not
// affected.
class CEntityStorageCache {
public:
    CEntityStorageCache();
    ~CEntityStorageCache();
    CEntityStorageCache(const CEntityStorageCache&) = delete;
    CEntityStorageCache& operator=(const CEntityStorageCache&) = delete;
};

// What the pool holds, for tests and benchmarks (slots held by a thread's cache count as live).
struct SEntityPoolStats {
    std::size_t blocks = 0;       // blocks mapped
    std::size_t liveObjects = 0;  // objects allocated and not freed
};
SEntityPoolStats GetEntityPoolStats();
// Whether objects of this size come from the pool (larger ones come from the global heap, as
// do all under address sanitizing, so that its checks still see them).
bool IsPooledEntitySize(std::size_t size);

// The same storage for an entity's own arrays (a polygon's vertices): they are as many as the
// entities and as small.
template <class T>
struct CEntityAllocator {
    using value_type = T;
    CEntityAllocator() = default;
    template <class U>
    CEntityAllocator(const CEntityAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(AllocateEntityStorage(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeEntityStorage(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const CEntityAllocator<U>&) const noexcept {
        return true;
    }
};
