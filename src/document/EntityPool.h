#pragma once

#include <cstddef>

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

// What the pool holds, for tests and benchmarks.
struct SEntityPoolStats {
    std::size_t blocks = 0;       // blocks mapped
    std::size_t liveObjects = 0;  // objects allocated and not freed
};
SEntityPoolStats GetEntityPoolStats();
// Whether objects of this size come from the pool (larger ones come from the global heap, as
// do all under address sanitizing, so that its checks still see them).
bool IsPooledEntitySize(std::size_t size);
