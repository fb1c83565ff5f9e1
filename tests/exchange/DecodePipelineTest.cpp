#include "exchange/DecodePipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

struct SNumbers {
    std::vector<int> values;
    bool last = false;
};

// Batches of three consecutive numbers up to limit; the last batch may be shorter.
struct SCounter {
    int next = 0;
    int limit = 0;
    std::atomic<int> filled{0};

    bool Fill(SNumbers& batch) {
        batch.values.clear();
        while (batch.values.size() < 3 && next < limit) {
            batch.values.push_back(next++);
        }
        ++filled;
        batch.last = next >= limit;
        return !batch.last;
    }
};

}  // namespace

// Every batch arrives once, in order, the last one flagged; the ring never lets the decoding
// side overwrite a batch the caller still holds.
TEST(DecodePipeline, BatchesArriveInOrderAndTheLastIsFlagged) {
    for (int limit : {0, 1, 3, 4, 100, 10000}) {
        SCounter counter;
        counter.limit = limit;
        CDecodePipeline<SNumbers> pipeline([&counter](SNumbers& b) { return counter.Fill(b); });
        int expected = 0;
        bool ended = false;
        int batches = 0;
        while (!ended) {
            const SNumbers& batch = pipeline.Next(ended);
            ++batches;
            EXPECT_EQ(ended, batch.last) << limit;
            for (int v : batch.values) {
                ASSERT_EQ(v, expected++) << limit;
            }
        }
        EXPECT_EQ(expected, limit);
        EXPECT_EQ(batches, limit == 0 ? 1 : (limit + 2) / 3) << limit;
    }
}

// Stopping early ends the decoding side, whether it is waiting for room or not.
TEST(DecodePipeline, StoppingEarlyEndsTheDecodingThread) {
    SCounter counter;
    counter.limit = 1000000;
    {
        CDecodePipeline<SNumbers> pipeline([&counter](SNumbers& b) { return counter.Fill(b); });
        bool ended = false;
        EXPECT_EQ(pipeline.Next(ended).values.front(), 0);
        EXPECT_FALSE(ended);
        pipeline.Stop();
        // At most the ring's three batches and the one being filled were decoded.
        EXPECT_LE(counter.filled.load(), 4);
    }
    // Destroyed without a batch taken.
    SCounter other;
    other.limit = 1000000;
    {
        CDecodePipeline<SNumbers> pipeline([&other](SNumbers& b) { return other.Fill(b); });
    }
    EXPECT_LE(other.filled.load(), 4);
}
