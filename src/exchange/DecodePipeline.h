#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "exchange/WorkerThreads.h"

// A reader split in two: a thread of its own reads and decodes the file into batches (numbers
// converted, geometry computed) while the calling thread turns the batches into entities, so
// that on two cores an import takes about the longer of the two halves instead of their sum.
// Batches come in file order through a ring of three. Without a thread (the system refuses
// one) the calling thread fills the batches itself, with the same results.
//
// fill(batch) decodes the next part of the file into batch and returns false when the run has
// ended there (end of file or an error the batch records); it runs on the decoding thread
// only, which is the only one to touch the reader until Stop returns.
template <class TBatch>
class CDecodePipeline {
public:
    explicit CDecodePipeline(std::function<bool(TBatch&)> fill) : m_fill(std::move(fill)) {
        try {
            if (WorkerThreadsAllowed()) {
                m_thread = std::thread([this] { Produce(); });
            } else {
                m_inline = true;
            }
        } catch (const std::system_error&) {
            m_inline = true;
        }
    }
    ~CDecodePipeline() { Stop(); }
    CDecodePipeline(const CDecodePipeline&) = delete;
    CDecodePipeline& operator=(const CDecodePipeline&) = delete;

    // The next batch, valid until the next call; *ended is set when it is the last one, after
    // which Next is not called again.
    const TBatch& Next(bool& ended) {
        if (m_inline) {
            ended = !m_fill(m_ring[0]);
            return m_ring[0];
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_holding) {
            ++m_taken;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return m_filled > m_taken; });
        m_holding = true;
        ended = m_ended && m_filled == m_taken + 1;
        return m_ring[m_taken % kRing];
    }

    // Ends the decoding thread after the batch it is filling.
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    static constexpr size_t kRing = 3;

    void Produce() {
        for (;;) {
            TBatch* batch = nullptr;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || m_filled - m_taken < kRing; });
                if (m_stop) {
                    return;
                }
                batch = &m_ring[m_filled % kRing];
            }
            const bool more = m_fill(*batch);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_filled;
                m_ended = !more;
            }
            m_changed.notify_all();
            if (!more) {
                return;
            }
        }
    }

    std::function<bool(TBatch&)> m_fill;
    TBatch m_ring[kRing];
    std::thread m_thread;
    bool m_inline = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    size_t m_filled = 0;  // batches the decoding thread has finished
    size_t m_taken = 0;   // batches the caller is done with
    bool m_holding = false;
    bool m_ended = false;  // the last finished batch ended the run
    bool m_stop = false;
};
