#pragma once

// Progress of long work (reading, loading, saving, exporting, printing, the report) and the
// user's wish to stop it, without any GUI: the program shows a progress dialog, tavcli a line
// on a terminal, tests cancel after a number of steps.

#include <chrono>
#include <cstdint>
#include <exception>
#include <string>

class CProgress {
public:
    virtual ~CProgress() = default;
    // Work called title starts.
    virtual void Begin(const std::string& title) = 0;
    // fraction (0..1) of it is done; false when the user asked to stop.
    virtual bool Report(double fraction) = 0;
    // The work is over (done, failed or stopped).
    virtual void End() = 0;
    // Least time between two reports (tests take every one).
    virtual std::chrono::milliseconds Interval() const { return std::chrono::milliseconds(50); }
};

// Thrown from deep inside work that the user stopped, so that it unwinds to the caller, which
// drops what was made and says nothing.
class CWorkCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// One piece of work seen through an optional CProgress, reported at most once an interval. Call
// Update per block of work (a chunk of lines, a batch of entities, a page), not per byte: it
// reads the clock. Begin and End are said by the meter's life. Once a report returned false
// the meter stays cancelled.
class CProgressMeter {
public:
    CProgressMeter(CProgress* progress, const std::string& title) : m_progress(progress) {
        if (m_progress != nullptr) {
            m_progress->Begin(title);
            m_last = std::chrono::steady_clock::now();
        }
    }
    ~CProgressMeter() {
        if (m_progress != nullptr) {
            m_progress->End();
        }
    }
    CProgressMeter(const CProgressMeter&) = delete;
    CProgressMeter& operator=(const CProgressMeter&) = delete;

    // fraction is done; false when the work is to stop.
    bool Update(double fraction) {
        if (m_progress == nullptr || m_cancelled) {
            return !m_cancelled;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < m_progress->Interval()) {
            return true;
        }
        m_last = now;
        m_cancelled = !m_progress->Report(fraction);
        return !m_cancelled;
    }
    // done of total is done (total 0 counts as nothing done).
    bool Update(uint64_t done, uint64_t total) {
        return Update(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0);
    }
    // As Update, but throws CWorkCancelled when the work is to stop.
    void Check(double fraction) {
        if (!Update(fraction)) {
            throw CWorkCancelled();
        }
    }
    bool Cancelled() const { return m_cancelled; }

private:
    CProgress* m_progress;
    std::chrono::steady_clock::time_point m_last;
    bool m_cancelled = false;
};
