#include "document/EntityPool.h"

#include <sys/mman.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
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

// Growing drawings take their blocks from a small stock that a helper thread maps and faults
// in ahead. Touching fresh memory is the dearest part of making millions of entities (the
// system zeroes every page, and on a virtual machine the host may have to back it first),
// and so it runs beside the work that fills the blocks. Small drawings never start it.
// Huge pages cost a tenth of small ones to fault in where the system has them at hand, but
// several times more where it has to find (or the host to back) two megabytes at once: after
// two slow huge blocks in a row the next ones come in small pages for a while, and a block a
// growing drawing maps itself (the stock ran out) follows the same choice.
class CBlockStock {
public:
    static constexpr int kBlocks = 2;
    static constexpr auto kSmallPagesTime = std::chrono::microseconds(1000);
    static constexpr int kSmallBlocksAfterSlowHuge = 32;

    // Never destroyed: its thread waits on it to the end of the process.
    static CBlockStock& Get() {
        static CBlockStock* stock = [] {
            auto* s = new CBlockStock;
            pthread_atfork([] { Get().m_mutex.lock(); }, [] { Get().m_mutex.unlock(); },
                           [] { Get().AfterFork(); });
            return s;
        }();
        return *stock;
    }

    // A block faulted in, or nullptr when none is ready; starts the helper on the first call
    // and has it make up the stock.
    char* Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_running) {
            try {
                std::thread([this] { Run(); }).detach();
                m_running = true;
            } catch (const std::system_error&) {
                return nullptr;  // no thread: the caller maps its own blocks
            }
        }
        ++m_requests;
        m_wake.notify_one();
        if (m_count == 0) {
            return nullptr;
        }
        ++m_taken;
        return m_ready[--m_count];
    }

    void AddStats(SEntityPoolStats& s) {
        std::lock_guard<std::mutex> lock(m_mutex);
        s.stocked += static_cast<std::size_t>(m_count);
        s.fromStock += m_taken;
    }

    // Whether the helper last found huge pages cheap to fault in.
    bool HugePagesCheap() const { return m_hugeCheap.load(std::memory_order_relaxed); }

private:
    void Run() {
        // Only a processor nobody else wants: where the drawing's own threads keep both busy,
        // they map their blocks themselves as they would without it.
        sched_param idle{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
        std::size_t seen = 0;
        int smallBlocksLeft = 0;
        int slowHuge = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [&] { return m_count < kBlocks && m_requests != seen; });
                seen = m_requests;
            }
            // Fill up to the stock; when the system has no memory left, wait for the next
            // request rather than spin.
            for (;;) {
                char* b = MapBlock();
                if (!b) {
                    break;
                }
                const bool huge = smallBlocksLeft == 0;
                if (huge) {
                    madvise(b, kBlockSize, MADV_HUGEPAGE);
                }
                const auto t0 = std::chrono::steady_clock::now();
                Prefault(b);
                const auto spent = std::chrono::steady_clock::now() - t0;
                if (huge) {
                    // The first huge page of a process costs more than the rest.
                    slowHuge = spent > kSmallPagesTime ? slowHuge + 1 : 0;
                    m_hugeCheap.store(slowHuge < 2, std::memory_order_relaxed);
                    if (slowHuge >= 2) {
                        smallBlocksLeft = kSmallBlocksAfterSlowHuge;
                        slowHuge = 0;
                    }
                } else if (smallBlocksLeft > 0) {
                    --smallBlocksLeft;
                }
                std::lock_guard<std::mutex> lock(m_mutex);
                m_ready[m_count++] = b;
                if (m_count >= kBlocks) {
                    break;
                }
            }
        }
    }

    static void Prefault(char* b) {
        if (madvise(b, kBlockSize, MADV_POPULATE_WRITE) == 0 || errno != EINVAL) {
            return;
        }
        // Systems before Linux 5.14: a write per page does the same.
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        for (std::size_t i = 0; i < kBlockSize; i += page) {
            static_cast<volatile char*>(b)[i] = 0;
        }
    }

    // The child of a fork has no helper; the blocks in stock are its own copies.
    void AfterFork() {
        new (&m_mutex) std::mutex;
        new (&m_wake) std::condition_variable;
        m_running = false;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    char* m_ready[kBlocks] = {};
    int m_count = 0;
    bool m_running = false;
    std::atomic<bool> m_hugeCheap{true};
    std::size_t m_requests = 0;
    std::size_t m_taken = 0;
};

SBlock* NewBlock(SClass& c) {
    char* mem = c.blocks > 0 ? CBlockStock::Get().Take() : nullptr;
    if (!mem) {
        mem = MapBlock();
        if (!mem) {
            throw std::bad_alloc();
        }
        if (c.blocks > 0 && CBlockStock::Get().HugePagesCheap()) {
            madvise(mem, kBlockSize, MADV_HUGEPAGE);
        }
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

}  // namespace

bool IsPooledEntitySize(std::size_t size) {
#ifdef TAV_POOL_BYPASS
    (void)size;
    return false;
#else
    return size > 0 && size <= kMaxPooled;
#endif
}

void* AllocateEntityStorage(std::size_t size) {
    if (!IsPooledEntitySize(size)) {
        return ::operator new(size);
    }
    const std::size_t slot = (size + kGranule - 1) & ~(kGranule - 1);
    SClass& c = g_classes[slot / kGranule];
    CGuard guard(c.lock);
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

void FreeEntityStorage(void* p, std::size_t size) noexcept {
    if (!p) {
        return;
    }
    if (!IsPooledEntitySize(size)) {
        ::operator delete(p);
        return;
    }
    const std::size_t slot = (size + kGranule - 1) & ~(kGranule - 1);
    SClass& c = g_classes[slot / kGranule];
    auto* b = reinterpret_cast<SBlock*>(reinterpret_cast<std::uintptr_t>(p) & ~(kBlockSize - 1));
    CGuard guard(c.lock);
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

SEntityPoolStats GetEntityPoolStats() {
    SEntityPoolStats s;
    for (SClass& c : g_classes) {
        CGuard guard(c.lock);
        s.blocks += c.blocks;
        s.liveObjects += c.live;
    }
    CBlockStock::Get().AddStats(s);
    return s;
}
