#include "exchange/ChunkLanes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"

namespace {

struct SChunk {
    std::vector<int> items;
    std::vector<int> squares;
    std::thread::id worker;
};

// Numbers 0..limit-1 in chunks of 1 to 7 (varying, so that chunks differ in their work);
// throwAt makes claim or work throw on that chunk.
struct SSource {
    int next = 0;
    int limit = 0;
    int chunks = 0;
    int claimThrowsAt = -1;
    int workThrowsAt = -1;

    bool Claim(SChunk& c) {
        if (chunks == claimThrowsAt) {
            throw std::runtime_error("claim " + std::to_string(chunks));
        }
        c.items.clear();
        const int size = 1 + chunks % 7;
        while (static_cast<int>(c.items.size()) < size && next < limit) {
            c.items.push_back(next++);
        }
        if (c.items.empty()) {
            return false;
        }
        ++chunks;
        return true;
    }
};

void Work(SChunk& c, int throwAt) {
    c.worker = std::this_thread::get_id();
    c.squares.clear();
    for (int v : c.items) {
        if (v / 7 == throwAt && v % 7 == 0) {
            throw std::runtime_error("work " + std::to_string(v));
        }
        c.squares.push_back(v * v);
    }
    // Uneven work, so that chunks finish out of order.
    if (c.items[0] % 3 == 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

}  // namespace

// Every item comes out once and in order, taken on the calling thread, whatever order the
// chunks finish in; the same object runs again.
TEST(ChunkLanes, ResultsComeInFileOrderOnTheCallingThread) {
    CChunkLanes<SChunk> lanes;
    for (int limit : {0, 1, 7, 100, 5000}) {
        SSource src;
        src.limit = limit;
        std::vector<int> seen;
        std::set<std::thread::id> workers;
        bool takenElsewhere = false;
        const auto caller = std::this_thread::get_id();
        lanes.Run([&](SChunk& c) { return src.Claim(c); }, [](SChunk& c) { Work(c, -1); },
                  [&](SChunk& c) {
                      takenElsewhere = takenElsewhere || std::this_thread::get_id() != caller;
                      workers.insert(c.worker);
                      for (size_t i = 0; i < c.items.size(); ++i) {
                          EXPECT_EQ(c.squares[i], c.items[i] * c.items[i]);
                          seen.push_back(c.items[i]);
                      }
                  });
        ASSERT_EQ(static_cast<int>(seen.size()), limit);
        for (int i = 0; i < limit; ++i) {
            ASSERT_EQ(seen[static_cast<size_t>(i)], i);
        }
        EXPECT_FALSE(takenElsewhere);
        EXPECT_LE(workers.size(), 2u);
    }
}

// What work or claim throws comes out of Run after everything before it was taken, and nothing
// after it is taken; the second thread is gone when Run returns.
TEST(ChunkLanes, AFailureEndsTheRunInOrder) {
    for (bool inClaim : {false, true}) {
        CChunkLanes<SChunk> lanes;
        SSource src;
        src.limit = 100000;
        if (inClaim) {
            src.claimThrowsAt = 40;
        }
        // The chunk holding item 7 * 50 = 350.
        const int workThrowsAt = inClaim ? -1 : 50;
        std::vector<int> seen;
        std::string what;
        try {
            lanes.Run([&](SChunk& c) { return src.Claim(c); },
                      [&](SChunk& c) { Work(c, workThrowsAt); },
                      [&](SChunk& c) { seen.insert(seen.end(), c.items.begin(), c.items.end()); });
        } catch (const std::runtime_error& e) {
            what = e.what();
        }
        int expectedSeen = 0;
        if (inClaim) {
            EXPECT_EQ(what, "claim 40");
            for (int k = 0; k < 40; ++k) {
                expectedSeen += 1 + k % 7;
            }
        } else {
            EXPECT_EQ(what, "work 350");
            // Every whole chunk before the one holding 350.
            for (int k = 0, n = 0; n + 1 + k % 7 <= 350; n += 1 + k % 7, ++k) {
                expectedSeen = n + 1 + k % 7;
            }
        }
        ASSERT_EQ(static_cast<int>(seen.size()), expectedSeen);
        for (int i = 0; i < expectedSeen; ++i) {
            ASSERT_EQ(seen[static_cast<size_t>(i)], i);
        }
        // Reading stopped soon after the failure, not at the end of the source.
        EXPECT_LT(src.next, 1000);
    }
}

// A failure while taking stops the other thread; the object then runs again from the start.
TEST(ChunkLanes, AFailureWhileTakingStopsTheOtherThread) {
    CChunkLanes<SChunk> lanes;
    SSource src;
    src.limit = 100000;
    int taken = 0;
    EXPECT_THROW(lanes.Run([&](SChunk& c) { return src.Claim(c); }, [](SChunk& c) { Work(c, -1); },
                           [&](SChunk&) {
                               if (++taken == 10) {
                                   throw std::runtime_error("take");
                               }
                           }),
                 std::runtime_error);
    EXPECT_EQ(taken, 10);
    EXPECT_LT(src.next, 1000);

    SSource again;
    again.limit = 30;
    int sum = 0;
    lanes.Run([&](SChunk& c) { return again.Claim(c); }, [](SChunk& c) { Work(c, -1); },
              [&](SChunk& c) {
                  for (int v : c.items) {
                      sum += v;
                  }
              });
    EXPECT_EQ(sum, 29 * 30 / 2);
}

// Chunks of lines keep every byte of a line (NULs too), empty lines, and stop at the line
// count asked for or past their byte bound, never inside a line.
TEST(ChunkLanes, LineChunksCopyLinesWhole) {
    const std::string big(300000, 'x');
    CTempFile file("a b\r\n\n" + std::string("n\0l", 3) + "\n" + big + "\nlast");
    const std::string& path = file.path;
    CRecordingPrompter prompter;
    CLineReader in;
    ASSERT_TRUE(in.Open(path, prompter));
    CLineChunk chunk;
    ASSERT_TRUE(chunk.Fill(in, 2));
    ASSERT_EQ(chunk.Size(), 2u);
    EXPECT_EQ(chunk.Line(0), "a b");
    EXPECT_EQ(chunk.Line(1), "");
    // The long line passes the byte bound: the chunk ends after it.
    ASSERT_TRUE(chunk.Fill(in, 100));
    ASSERT_EQ(chunk.Size(), 2u);
    EXPECT_EQ(chunk.Line(0), std::string("n\0l", 3));
    EXPECT_EQ(chunk.Line(1), big);
    ASSERT_TRUE(chunk.Fill(in, 100));
    ASSERT_EQ(chunk.Size(), 1u);
    EXPECT_EQ(chunk.Line(0), "last");
    EXPECT_FALSE(chunk.Fill(in, 100));
    EXPECT_EQ(chunk.Size(), 0u);
}
