#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "exchange/LineReader.h"
#include "exchange/WorkerThreads.h"

// Lines of a file copied out of the reader, so that they outlive its next call.
class CLineChunk {
public:
    // Reads up to maxLines lines (and stops early past about kBytes); false when the reader had
    // none left.
    bool Fill(CLineReader& in, size_t maxLines) {
        m_text.clear();
        m_ends.clear();
        std::string_view line;
        while (m_ends.size() < maxLines && m_text.size() < kBytes && in.ReadLine(line)) {
            m_text.append(line);
            m_ends.push_back(static_cast<uint32_t>(m_text.size()));
        }
        return !m_ends.empty();
    }
    size_t Size() const { return m_ends.size(); }
    std::string_view Line(size_t i) const {
        const uint32_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(begin, m_ends[i] - begin);
    }

private:
    static constexpr size_t kBytes = size_t{1} << 17;
    std::string m_text;
    std::vector<uint32_t> m_ends;  // a chunk holds at most kBytes and one cut line
};

// A reader's work on two threads side by side. Run(claim, work, take): claim(chunk) fills a
// chunk with the next part of the file and returns false when nothing was left (one thread at a
// time, in file order); work(chunk) decodes it, on either thread, each its own chunk;
// take(chunk) hands its results on, on the calling thread, in file order. What claim or work
// throws comes out of Run on the calling thread once every chunk before it has been taken, and
// nothing after it is. Without a second thread the calling thread does it all, with the same
// results.
template <class TChunk>
class CChunkLanes {
public:
    CChunkLanes() = default;
    ~CChunkLanes() { StopWorker(); }
    CChunkLanes(const CChunkLanes&) = delete;
    CChunkLanes& operator=(const CChunkLanes&) = delete;

    template <class FClaim, class FWork, class FTake>
    void Run(FClaim&& claim, FWork&& work, FTake&& take) {
        Reset();
        auto lane = [&](bool caller) { Lane(caller, claim, work, take); };
        try {
            if (WorkerThreadsAllowed()) {
                m_worker = std::thread([&lane] { lane(false); });
            }
        } catch (const std::system_error&) {
        }
        try {
            lane(true);
        } catch (...) {
            StopWorker();
            throw;
        }
        StopWorker();
    }

private:
    static constexpr size_t kChunks = 4;
    enum class EState { Free, Working, Done, Taking };

    struct SSlot {
        TChunk chunk;
        EState state = EState::Free;
        uint64_t seq = 0;
        std::exception_ptr error;
    };

    void Reset() {
        for (SSlot& s : m_slots) {
            s.state = EState::Free;
            s.error = nullptr;
        }
        m_claimed = m_taken = 0;
        m_ended = m_stop = false;
    }

    void StopWorker() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_worker.joinable()) {
            m_worker.join();
        }
    }

    // Any free slot, or the finished one holding chunk seq.
    SSlot* Find(EState state, uint64_t seq) {
        for (SSlot& s : m_slots) {
            if (s.state == state && (state == EState::Free || s.seq == seq)) {
                return &s;
            }
        }
        return nullptr;
    }

    template <class FClaim, class FWork, class FTake>
    void Lane(bool caller, FClaim& claim, FWork& work, FTake& take) {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (caller) {
                // Hand on what is finished, in order, before taking more work.
                while (SSlot* s = Find(EState::Done, m_taken)) {
                    if (s->error) {
                        std::rethrow_exception(s->error);
                    }
                    s->state = EState::Taking;
                    lock.unlock();
                    take(s->chunk);
                    lock.lock();
                    s->state = EState::Free;
                    ++m_taken;
                    m_changed.notify_all();
                }
                if (m_ended && m_taken == m_claimed) {
                    return;
                }
            } else if (m_stop || m_ended) {
                return;
            }
            SSlot* s = m_ended ? nullptr : Find(EState::Free, 0);
            if (!s) {
                m_changed.wait(lock);
                continue;
            }
            bool got = false;
            try {
                got = claim(s->chunk);
            } catch (...) {
                s->error = std::current_exception();
                got = true;
                m_ended = true;
            }
            if (!got) {
                m_ended = true;
                m_changed.notify_all();
                continue;
            }
            s->seq = m_claimed++;
            s->state = EState::Working;
            if (!s->error) {
                lock.unlock();
                try {
                    work(s->chunk);
                } catch (...) {
                    s->error = std::current_exception();
                }
                lock.lock();
                if (s->error) {
                    m_ended = true;  // nothing after it is taken, so nothing more is read
                }
            }
            s->state = EState::Done;
            m_changed.notify_all();
        }
    }

    SSlot m_slots[kChunks];
    std::thread m_worker;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    uint64_t m_claimed = 0;
    uint64_t m_taken = 0;
    bool m_ended = false;
    bool m_stop = false;
};
