#pragma once

#include <string>

#include "document/Progress.h"

// Progress of tavcli: one line "\r<title> 42%" rewritten in place on a terminal, cleared when
// the work ends; nothing at all when the descriptor is not a terminal (a pipe, a file, a log),
// so batch output stays clean. Never asks to stop: Ctrl+C ends tavcli as a whole.
class CTerminalProgress : public CProgress {
public:
    // Writes to fd (stderr in tavcli) when it is a terminal.
    explicit CTerminalProgress(int fd);

    void Begin(const std::string& title) override;
    // Writes the line when the whole percent changed; always true.
    bool Report(double fraction) override;
    // Blanks the line and puts the cursor back at its start.
    void End() override;
    std::chrono::milliseconds Interval() const override { return std::chrono::milliseconds(100); }

    // True when lines are written.
    bool Enabled() const { return m_enabled; }

private:
    void Write(const std::string& text);

    int m_fd;
    bool m_enabled;
    std::string m_title;
    int m_percent = -1;
    size_t m_width = 0;  // characters of the longest line written since Begin
};
