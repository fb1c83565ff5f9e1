#include "app/QtProgress.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>
#include <cmath>

#include "app/CommandTable.h"
#include "document/Prompter.h"
#include "document/TAVDoc.h"

namespace {

// Steps of the progress bar.
constexpr int kSteps = 1000;

int g_running = 0;
std::chrono::milliseconds g_showAfter{500};
std::chrono::milliseconds g_interval{50};

}  // namespace

CQtProgress::CQtProgress(QWidget* parent, CTAVDoc* doc) : m_parent(parent), m_doc(doc) {}

CQtProgress::~CQtProgress() {
    while (m_depth > 0) {
        End();
    }
}

bool CQtProgress::IsWorkRunning() {
    return g_running > 0;
}

void CQtProgress::SetTiming(std::chrono::milliseconds showAfter,
                            std::chrono::milliseconds interval) {
    g_showAfter = showAfter;
    g_interval = interval;
}

std::chrono::milliseconds CQtProgress::Interval() const {
    return g_interval;
}

void CQtProgress::Begin(const std::string& title) {
    m_title = QString::fromStdString(title);
    if (m_depth++ > 0) {
        if (m_dialog) {
            m_dialog->setLabelText(m_title);
        }
        return;
    }
    ++g_running;
    m_cancelled = false;
    m_started.start();
    if (m_doc != nullptr) {
        m_wasBusy = m_doc->GetBusy();
        m_doc->SetBusy(true);
    }
}

bool CQtProgress::Report(double fraction) {
    if (m_depth == 0 || m_cancelled) {
        return !m_cancelled;
    }
    if (!m_dialog && m_started.elapsed() >= g_showAfter.count()) {
        Show();
    }
    if (m_dialog) {
        const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
        m_dialog->setValue(static_cast<int>(std::lround(f * kSteps)));
        // Paints the dialog and lets its button be pressed; everything else is blocked by it,
        // and what comes by other ways finds the program working.
        QCoreApplication::processEvents();
        if (m_dialog && m_dialog->wasCanceled()) {
            m_cancelled = true;
        }
    }
    return !m_cancelled;
}

void CQtProgress::End() {
    if (m_depth == 0 || --m_depth > 0) {
        return;
    }
    Hide();
    if (m_doc != nullptr) {
        m_doc->SetBusy(m_wasBusy);
    }
    --g_running;
}

void CQtProgress::Show() {
    auto* dialog = new QProgressDialog(m_title, QStringLiteral("Przerwij"), 0, kSteps, m_parent);
    dialog->setWindowTitle(QString::fromUtf8(AppStr(str::kAppTitle)));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(0);
    // The button, Escape and the window's close box all stop the work.
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [this] { m_cancelled = true; });
    QObject::connect(dialog, &QDialog::rejected, dialog, [this] { m_cancelled = true; });
    m_dialog = dialog;
    // The work may have set the wait cursor; the dialog's button wants the arrow.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    m_cursorPushed = true;
    dialog->show();
}

void CQtProgress::Hide() {
    delete m_dialog;
    if (m_cursorPushed) {
        QApplication::restoreOverrideCursor();
        m_cursorPushed = false;
    }
}

bool RefuseWhileWorkRuns(CPrompter* prompter) {
    if (!CQtProgress::IsWorkRunning()) {
        return false;
    }
    if (prompter != nullptr) {
        prompter->Beep();
    } else {
        QApplication::beep();
    }
    return true;
}
