#include "document/EntityPool.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define TAV_POOL_BYPASS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_POOL_BYPASS 1
#endif
#endif

namespace {

constexpr std::size_t kBlockSize = std::size_t{2} << 20;  // one huge page
constexpr std::size_t kGranule = 8;
constexpr std::size_t kMaxPooled = 1024;
constexpr std::size_t kClasses = kMaxPooled / kGranule + 1;

// The head of a block; its objects follow it. Blocks are aligned to their size, so an
// object's block is its address rounded down.
struct SBlock {
    SBlock* prev;
    SBlock* next;    // in the class's list of blocks with room
    void* freeList;  // freed slots, linked through their first word
    char* bump;      // slots never handed out start here
    char* end;
    std::size_t live;
    bool listed;
};

constexpr std::size_t kFirstSlot = (sizeof(SBlock) + 15) & ~std::size_t{15};

// Nearly always uncontended: entities are made and freed by one thread at a time.
class CSpinLock {
public:
    void lock() noexcept {
        while (m_flag.test_and_set(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
    }
    void unlock() noexcept { m_flag.clear(std::memory_order_release); }

private:
    std::atomic_flag m_flag = ATOMIC_FLAG_INIT;
};

struct SClass {
    CSpinLock lock;
    SBlock* withRoom = nullptr;
    std::size_t blocks = 0;
    std::size_t emptyBlocks = 0;
    std::size_t live = 0;
};

SClass g_classes[kClasses];

class CGuard {
public:
    explicit CGuard(CSpinLock& l) : m_lock(l) { m_lock.lock(); }
    ~CGuard() { m_lock.unlock(); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    CSpinLock& m_lock;
};

void Unlink(SClass& c, SBlock* b) {
    if (b->prev) {
        b->prev->next = b->next;
    } else {
        c.withRoom = b->next;
    }
    if (b->next) {
        b->next->prev = b->prev;
    }
    b->prev = b->next = nullptr;
    b->listed = false;
}

void PushFront(SClass& c, SBlock* b) {
    b->prev = nullptr;
    b->next = c.withRoom;
    if (c.withRoom) {
        c.withRoom->prev = b;
    }
    c.withRoom = b;
    b->listed = true;
}

// A block-aligned mapping of one block, or nullptr.
char* MapBlock() {
    void* p = mmap(nullptr, kBlockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    if ((reinterpret_cast<std::uintptr_t>(p) & (kBlockSize - 1)) == 0) {
        return static_cast<char*>(p);
    }
    munmap(p, kBlockSize);
    p = mmap(nullptr, 2 * kBlockSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        return nullptr;
    }
    char* base = static_cast<char*>(p);
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(base);
    char* aligned = base + ((kBlockSize - (a & (kBlockSize - 1))) & (kBlockSize - 1));
    if (aligned > base) {
        munmap(base, static_cast<std::size_t>(aligned - base));
    }
    char* tail = aligned + kBlockSize;
    if (tail < base + 2 * kBlockSize) {
        munmap(tail, static_cast<std::size_t>(base + 2 * kBlockSize - tail));
    }
    return aligned;
}

SBlock* NewBlock(SClass& c) {
    char* mem = MapBlock();
    if (!mem) {
        throw std::bad_alloc();
    }
    // A drawing's first block of a size stays in small pages, so small drawings stay small;
    // past it the drawing is large and huge pages make its memory far cheaper to touch.
    if (c.blocks > 0) {
        madvise(mem, kBlockSize, MADV_HUGEPAGE);
    }
    auto* b = reinterpret_cast<SBlock*>(mem);
    b->prev = b->next = nullptr;
    b->freeList = nullptr;
    b->bump = mem + kFirstSlot;
    b->end = mem + kBlockSize;
    b->live = 0;
    b->listed = false;
    ++c.blocks;
    ++c.emptyBlocks;
    PushFront(c, b);
    return b;
}

std::size_t SlotSize(std::size_t size) {
    return (size + kGranule - 1) & ~(kGranule - 1);
}

// One slot of the class; the class's lock is held.
void* TakeSlot(SClass& c, std::size_t slot) {
    SBlock* b = c.withRoom ? c.withRoom : NewBlock(c);
    void* p;
    if (b->freeList) {
        p = b->freeList;
        b->freeList = *static_cast<void**>(p);
    } else {
        p = b->bump;
        b->bump += slot;
    }
    if (b->live++ == 0) {
        --c.emptyBlocks;
    }
    ++c.live;
    if (!b->freeList && static_cast<std::size_t>(b->end - b->bump) < slot) {
        Unlink(c, b);
    }
    return p;
}

// Gives a slot back to its block; the class's lock is held.
void ReturnSlot(SClass& c, void* p) noexcept {
    auto* b = reinterpret_cast<SBlock*>(reinterpret_cast<std::uintptr_t>(p) & ~(kBlockSize - 1));
    *static_cast<void**>(p) = b->freeList;
    b->freeList = p;
    --c.live;
    if (!b->listed) {
        PushFront(c, b);
    }
    if (--b->live > 0) {
        return;
    }
    // One empty block per size stays, so that adding and deleting at a block's edge does not
    // map and unmap each time.
    if (c.emptyBlocks == 0) {
        ++c.emptyBlocks;
        return;
    }
    Unlink(c, b);
    --c.blocks;
    munmap(b, kBlockSize);
}

// Slots a thread takes at once while it holds a cache: one lock per run instead of one per
// object, and few enough that what is left over at the end costs nothing to speak of.
constexpr std::uint32_t kCachedRun = 64;

// Zero-initialized and trivial, so that reaching it costs no guard.
struct SThreadCache {
    int depth;
    void* slots[kClasses];  // per class, linked through their first word
};

thread_local SThreadCache t_cache;

// Fills the thread's empty run of a class, in the order the slots came (so entities made one
// after another lie one after another); throws std::bad_alloc only when not one slot could be
// had.
void Refill(SClass& c, std::size_t slot, void*& cached) {
    void* taken[kCachedRun];
    std::uint32_t n = 0;
    {
        CGuard guard(c.lock);
        try {
            for (; n < kCachedRun; ++n) {
                taken[n] = TakeSlot(c, slot);
            }
        } catch (const std::bad_alloc&) {
            if (n == 0) {
                throw;
            }
        }
    }
    while (n > 0) {
        --n;
        *static_cast<void**>(taken[n]) = cached;
        cached = taken[n];
    }
}

}  // namespace

bool IsPooledEntitySize(std::size_t size) {
#ifdef TAV_POOL_BYPASS
    (void)size;
    return false;
#else
    // TAV_PLAIN_HEAP=1 puts every entity on the global heap, to measure what the pool gains; read
    // once, before the first entity, so that every object is freed the way it was taken.
    static const bool plain = [] {
        const char* v = std::getenv("TAV_PLAIN_HEAP");
        return v != nullptr && *v != '\0' && *v != '0';
    }();
    return !plain && size > 0 && size <= kMaxPooled;
#endif
}

void* AllocateEntityStorage(std::size_t size) {
    if (!IsPooledEntitySize(size)) {
        return ::operator new(size);
    }
    const std::size_t slot = SlotSize(size);
    SClass& c = g_classes[slot / kGranule];
    SThreadCache& tc = t_cache;
    if (tc.depth > 0) {
        void*& cached = tc.slots[slot / kGranule];
        if (!cached) {
            Refill(c, slot, cached);
        }
        void* p = cached;
        cached = *static_cast<void**>(p);
        return p;
    }
    CGuard guard(c.lock);
    return TakeSlot(c, slot);
}

void FreeEntityStorage(void* p, std::size_t size) noexcept {
    if (!p) {
        return;
    }
    if (!IsPooledEntitySize(size)) {
        ::operator delete(p);
        return;
    }
    const std::size_t slot = SlotSize(size);
    SClass& c = g_classes[slot / kGranule];
    CGuard guard(c.lock);
    ReturnSlot(c, p);
}

CEntityStorageCache::CEntityStorageCache() {
    ++t_cache.depth;
}

CEntityStorageCache::~CEntityStorageCache() {
    SThreadCache& tc = t_cache;
    if (--tc.depth > 0) {
        return;
    }
    for (std::size_t i = 0; i < kClasses; ++i) {
        void*& cached = tc.slots[i];
        if (!cached) {
            continue;
        }
        SClass& c = g_classes[i];
        CGuard guard(c.lock);
        while (cached) {
            void* p = cached;
            cached = *static_cast<void**>(p);
            ReturnSlot(c, p);
        }
    }
}

SEntityPoolStats GetEntityPoolStats() {
    SEntityPoolStats s;
    for (SClass& c : g_classes) {
        CGuard guard(c.lock);
        s.blocks += c.blocks;
        s.liveObjects += c.live;
    }
    return s;
}
