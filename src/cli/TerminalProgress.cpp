#include "cli/TerminalProgress.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>

CTerminalProgress::CTerminalProgress(int fd) : m_fd(fd), m_enabled(::isatty(fd) == 1) {}

void CTerminalProgress::Begin(const std::string& title) {
    m_title = title;
    m_percent = -1;
    m_width = 0;
}

bool CTerminalProgress::Report(double fraction) {
    if (!m_enabled) {
        return true;
    }
    const double clamped = std::isfinite(fraction) ? std::fmin(std::fmax(fraction, 0.0), 1.0) : 0;
    const int percent = static_cast<int>(clamped * 100.0);
    if (percent == m_percent) {
        return true;
    }
    m_percent = percent;
    const std::string line = m_title + " " + std::to_string(percent) + "%";
    m_width = std::max(m_width, line.size());
    Write("\r" + line);
    return true;
}

void CTerminalProgress::End() {
    if (m_enabled && m_width > 0) {
        Write("\r" + std::string(m_width, ' ') + "\r");
    }
    m_percent = -1;
    m_width = 0;
}

void CTerminalProgress::Write(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // a terminal that went away does not stop the work
        }
        done += static_cast<size_t>(n);
    }
}
