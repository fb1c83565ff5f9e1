#pragma once

#include <deque>
#include <string>
#include <vector>

#include "document/Prompter.h"

// Records everything the core shows or asks; questions are answered from a script (Yes when
// the script is empty).
class CRecordingPrompter : public CPrompter {
public:
    struct SMessage {
        std::string text;
        EIcon icon;
    };

    void ShowMessage(const std::string& text, EIcon icon) override {
        messages.push_back({text, icon});
    }
    bool AskYesNo(const std::string& text, EIcon icon) override {
        questions.push_back({text, icon});
        if (answers.empty()) {
            return true;
        }
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void Beep() override { ++beeps; }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }
    void ReportFileError(const std::string& path, const std::string& reason) override {
        fileErrors.push_back(path + ": " + reason);
    }

    std::vector<SMessage> messages;
    std::vector<SMessage> questions;
    std::vector<std::string> fileErrors;
    std::deque<bool> answers;
    int beeps = 0;
    int waitDepth = 0;
};
