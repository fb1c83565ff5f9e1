#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QSettings>
#include <deque>
#include <memory>
#include <vector>

#include "app/MainFrame.h"
#include "app/QtPrompter.h"
#include "app/TAVApp.h"
#include "support/TempFiles.h"

// Settings and the user's data folder (recovery copies) in a fresh temporary folder for each
// test.
class CTempSettings {
public:
    CTempSettings() : m_dataHome(qgetenv("XDG_DATA_HOME")) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, Path());
        qputenv("XDG_DATA_HOME", Path().toLocal8Bit());
    }
    ~CTempSettings() {
        if (m_dataHome.isEmpty()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", m_dataHome);
        }
    }
    CTempSettings(const CTempSettings&) = delete;
    CTempSettings& operator=(const CTempSettings&) = delete;
    QString Path() const { return QString::fromStdString(m_dir.path); }
    // The file QSettings("Velmor", "TAV 2.1") writes.
    QString File() const { return Path() + "/Velmor/TAV 2.1.conf"; }

private:
    CTempDir m_dir;
    QByteArray m_dataHome;
};

// Message boxes and file dialogs answered from scripts; what was shown is recorded.
struct SScriptedUser {
    std::vector<CQtPrompter::SBox> boxes;
    std::deque<CQtPrompter::EAnswer> answers;
    std::vector<CQtPrompter::SFileRequest> fileRequests;
    std::deque<CQtPrompter::SFileAnswer> files;

    void Attach(CQtPrompter& prompter) {
        prompter.SetBoxRunner([this](const CQtPrompter::SBox& box) {
            boxes.push_back(box);
            if (answers.empty()) {
                return box.buttons == CQtPrompter::EButtons::Ok ? CQtPrompter::EAnswer::Ok
                                                                : CQtPrompter::EAnswer::Cancel;
            }
            const CQtPrompter::EAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        prompter.SetFileRunner([this](const CQtPrompter::SFileRequest& request) {
            fileRequests.push_back(request);
            if (files.empty()) {
                return CQtPrompter::SFileAnswer{};
            }
            const CQtPrompter::SFileAnswer a = files.front();
            files.pop_front();
            return a;
        });
    }
};

// Deletes what deleteLater left, as the event loop would.
inline void FlushDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A started application with its main window hidden and a scripted user. InitInstance runs in
// Start() so that tests can prepare settings and files first.
class CAppTest : public ::testing::Test {
protected:
    void Start(const QStringList& args = {}) {
        app = std::make_unique<CTAVApp>();
        user.Attach(app->Prompter());
        ASSERT_TRUE(app->InitInstance(args, false));
        frame = app->MainFrame();
        ASSERT_NE(frame, nullptr);
    }
    void TearDown() override {
        app.reset();
        FlushDeferredDeletes();
    }

    CTempSettings settingsDir;
    SScriptedUser user;
    std::unique_ptr<CTAVApp> app;
    CMainFrame* frame = nullptr;
};
