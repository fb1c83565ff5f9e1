#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "document/Progress.h"

// Takes every report (no rate limit) and asks to stop at report number cancelAt (counted from
// 0 over all the work it sees; never when negative): the first cancelAt reports go on. Records
// what it was told.
class CCancellingProgress : public CProgress {
public:
    explicit CCancellingProgress(int cancelAt = -1) : cancelAt(cancelAt) {}

    void Begin(const std::string& title) override {
        titles.push_back(title);
        reportsPerWork.push_back(0);
        ++depth;
    }
    bool Report(double fraction) override {
        EXPECT_GT(depth, 0) << "a report outside Begin and End";
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
        if (!reportsPerWork.empty() && reportsPerWork.back() > 0) {
            EXPECT_GE(fraction, fractions.back()) << "progress went back";
        }
        fractions.push_back(fraction);
        ++reportsPerWork.back();
        return cancelAt < 0 || static_cast<int>(fractions.size()) <= cancelAt;
    }
    void End() override {
        --depth;
        ++ended;
    }
    std::chrono::milliseconds Interval() const override { return std::chrono::milliseconds(0); }

    int Reports() const { return static_cast<int>(fractions.size()); }
    // True once it asked to stop.
    bool Stopped() const { return cancelAt >= 0 && Reports() > cancelAt; }

    int cancelAt;
    std::vector<std::string> titles;
    std::vector<int> reportsPerWork;
    std::vector<double> fractions;
    int depth = 0;
    int ended = 0;
};

// The stops worth trying for work of total reports: the first report, the second, one in the
// middle and the last.
inline std::vector<int> CancelPoints(int total) {
    std::vector<int> points;
    for (int n : {0, 1, total / 2, total - 1}) {
        if (n >= 0 && n < total && (points.empty() || n > points.back())) {
            points.push_back(n);
        }
    }
    return points;
}
