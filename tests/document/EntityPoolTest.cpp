#include "document/EntityPool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "document/Entity.h"

namespace {

constexpr std::uintptr_t kBlock = std::uintptr_t{2} << 20;

struct SObject {
    unsigned char* p;
    unsigned char mark;
};

// Allocates an object of size filled with its mark.
SObject Make(std::size_t size, unsigned char mark) {
    SObject o{static_cast<unsigned char*>(AllocateEntityStorage(size)), mark};
    std::memset(o.p, o.mark, size);
    return o;
}

bool Intact(const SObject& o, std::size_t size) {
    return std::all_of(o.p, o.p + size, [&](unsigned char c) { return c == o.mark; });
}

// Objects of one size over several blocks: none overlaps another or crosses a block's end,
// freed slots are used again before new blocks, and the blocks go back when emptied, but for
// one kept per size. The size is one no entity has, so that the counts are the test's own.
TEST(EntityPool, ObjectsStayApartAndEmptiedBlocksGoBack) {
    constexpr std::size_t kSize = 1000;
    if (!IsPooledEntitySize(kSize)) {
        GTEST_SKIP() << "the pool is bypassed in this build";
    }
    const SEntityPoolStats before = GetEntityPoolStats();
    std::vector<SObject> objects, kept;
    for (int i = 0; i < 9000; ++i) {
        objects.push_back(Make(kSize, static_cast<unsigned char>(i * 7 + 1)));
        const auto a = reinterpret_cast<std::uintptr_t>(objects.back().p);
        ASSERT_EQ(a % 8, 0u);
        ASSERT_EQ(a / kBlock, (a + kSize - 1) / kBlock) << "object " << i << " crosses";
    }
    const SEntityPoolStats full = GetEntityPoolStats();
    EXPECT_EQ(full.liveObjects - before.liveObjects, 9000u);
    EXPECT_EQ(full.blocks - before.blocks, 5u);  // about 2097 of these fit a block
    // Free every other one; their slots serve the next ones without a new block.
    for (size_t i = 0; i < objects.size(); ++i) {
        if (i % 2) {
            FreeEntityStorage(objects[i].p, kSize);
        } else {
            kept.push_back(objects[i]);
        }
    }
    for (int i = 0; i < 4500; ++i) {
        kept.push_back(Make(kSize, static_cast<unsigned char>(0xA5 ^ i)));
    }
    EXPECT_EQ(GetEntityPoolStats().blocks, full.blocks);
    std::shuffle(kept.begin(), kept.end(), std::mt19937(7));
    for (const SObject& o : kept) {
        ASSERT_TRUE(Intact(o, kSize));
        FreeEntityStorage(o.p, kSize);
    }
    const SEntityPoolStats after = GetEntityPoolStats();
    EXPECT_EQ(after.liveObjects, before.liveObjects);
    EXPECT_EQ(after.blocks - before.blocks, 1u);
    // The kept block serves again; freeing at its edge maps and unmaps nothing.
    for (int round = 0; round < 3; ++round) {
        void* p = AllocateEntityStorage(kSize);
        EXPECT_EQ(GetEntityPoolStats().blocks, after.blocks);
        FreeEntityStorage(p, kSize);
    }
    FreeEntityStorage(nullptr, kSize);
    EXPECT_EQ(GetEntityPoolStats().liveObjects, before.liveObjects);

    // Large objects come from the heap.
    EXPECT_FALSE(IsPooledEntitySize(0));
    EXPECT_FALSE(IsPooledEntitySize(4096));
    void* large = AllocateEntityStorage(4096);
    std::memset(large, 1, 4096);
    EXPECT_EQ(GetEntityPoolStats().liveObjects, before.liveObjects);
    FreeEntityStorage(large, 4096);
}

// Entities made by one thread and freed by another, several at once; deleting through the base
// frees the derived size, and copies are pooled as well.
TEST(EntityPool, ThreadsShareItSafelyAndEveryKindGoesBack) {
    const SEntityPoolStats before = GetEntityPoolStats();
    constexpr int kThreads = 4;
    std::vector<std::vector<std::unique_ptr<CEntity>>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&list = made[static_cast<size_t>(t)], t] {
            for (int i = 0; i < 20000; ++i) {
                list.push_back(i % 3 == 0 ? CreateEntity(kTypePolyline) : CreateEntity(kTypePoint));
                list.back()->m_number = t * 100000 + i;
                if (i % 5 == 4) {
                    list.erase(list.end() - 2);
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    threads.clear();
    for (int t = 0; t < kThreads; ++t) {
        int previous = -1;
        for (const auto& e : made[static_cast<size_t>(t)]) {
            ASSERT_GT(e->m_number, previous);
            ASSERT_EQ(e->m_number / 100000, t);
            previous = e->m_number;
        }
    }
    if (IsPooledEntitySize(sizeof(CPnt))) {
        EXPECT_EQ(GetEntityPoolStats().liveObjects - before.liveObjects, kThreads * 16000u);
    }
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&made, t] { made[static_cast<size_t>((t + 1) % kThreads)].clear(); });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(GetEntityPoolStats().liveObjects, before.liveObjects);
    {
        std::vector<std::unique_ptr<CEntity>> all;
        for (int type = kTypePolygon; type <= kTypePoint; ++type) {
            all.push_back(CreateEntity(type));
            all.push_back(all.back()->Clone());
        }
        if (IsPooledEntitySize(sizeof(CPoly))) {
            EXPECT_EQ(GetEntityPoolStats().liveObjects - before.liveObjects, 10u);
        }
    }
    EXPECT_EQ(GetEntityPoolStats().liveObjects, before.liveObjects);
}

// A thread's cache hands out slots taken in runs: consecutive objects of a fresh size lie one
// after another, two threads share the pool without overlap, and once the caches end the
// counts are exact again and the emptied blocks go back.
TEST(EntityPool, ThreadCachesTakeRunsAndGiveBackTheRest) {
    constexpr std::size_t kSizeA = 1016, kSizeB = 1008;  // sizes no entity and no other test uses
    if (!IsPooledEntitySize(kSizeA)) {
        GTEST_SKIP() << "the pool is bypassed in this build";
    }
    const SEntityPoolStats before = GetEntityPoolStats();
    std::vector<SObject> a, b;
    auto make = [](std::vector<SObject>& out, std::size_t size, unsigned char mark) {
        CEntityStorageCache cache;
        CEntityStorageCache nested;  // does nothing of its own
        for (int i = 0; i < 5000; ++i) {
            out.push_back(Make(size, static_cast<unsigned char>(mark + i)));
        }
    };
    std::thread other([&] { make(b, kSizeB, 0x40); });
    make(a, kSizeA, 0x10);
    other.join();
    // The first run of a fresh size comes from one block's untouched end, in order.
    for (std::size_t i = 1; i < 64; ++i) {
        EXPECT_EQ(a[i].p, a[i - 1].p + kSizeA);
        EXPECT_EQ(b[i].p, b[i - 1].p + kSizeB);
    }
    std::vector<unsigned char*> all;
    for (auto [objects, size] : {std::pair{&a, kSizeA}, {&b, kSizeB}}) {
        for (const SObject& o : *objects) {
            ASSERT_TRUE(Intact(o, size));
            all.push_back(o.p);
        }
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    // 5000 = 78 runs of 64 and 8 of the 79th: its other 56 went back.
    EXPECT_EQ(GetEntityPoolStats().liveObjects - before.liveObjects, 10000u);
    // Objects made under a cache are freed without one, and the other way round.
    {
        CEntityStorageCache cache;
        for (const SObject& o : a) {
            FreeEntityStorage(o.p, kSizeA);
        }
    }
    for (const SObject& o : b) {
        FreeEntityStorage(o.p, kSizeB);
    }
    const SEntityPoolStats after = GetEntityPoolStats();
    EXPECT_EQ(after.liveObjects, before.liveObjects);
    EXPECT_EQ(after.blocks - before.blocks, 2u);  // one emptied block kept per size
}

}  // namespace
