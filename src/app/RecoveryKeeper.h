#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "document/Recovery.h"

class COpenDoc;
class CTAVApp;

// Keeps recovery copies of the drawings with unsaved changes in this run's folder under the
// user's data folder, and offers the copies of runs that ended abnormally at start-up.
class CRecoveryKeeper : public QObject {
    Q_OBJECT
public:
    explicit CRecoveryKeeper(CTAVApp& app);
    // Waits for the writes asked for, then removes this run's folder.
    ~CRecoveryKeeper() override;

    // Minutes between turns: the setting "RecoveryMinutes" (5 when missing; 0 or less turns
    // the copies off); the test switch TAV_TEST_RECOVERY_SECONDS gives seconds instead.
    static int IntervalMs();
    // The folder that holds every run's folder: <user data folder>/recovery.
    static QString BaseDir();

    // Creates this run's folder and starts the turns; false when copies are off or the folder
    // cannot be made (then nothing is written).
    bool Start();
    // Asks once about the copies left by runs that ended abnormally and opens those accepted;
    // copies that are damaged or of another format are set aside and reported. Returns the
    // number of drawings opened.
    int OfferAbandoned();
    // One turn: every drawing that changed since its last copy and is not busy is copied.
    void RunTurn();
    // Removes doc's copy (its changes were saved).
    void Forget(COpenDoc& doc);
    // Returns when the copies asked for so far are on disk (tests).
    void WaitForWrites();
    // This run's folder; empty before Start.
    QString RunDir() const { return QString::fromStdString(m_run.Dir()); }

private:
    struct SEntry {
        int number = 0;
        bool hasFile = false;
        uint64_t written = 0;
    };
    SEntry& EntryFor(COpenDoc& doc);
    void OnWritten(const QString& path, bool ok, const QString& error);

    CTAVApp& m_app;
    CRecoveryRun m_run;
    std::unique_ptr<CRecoveryWriter> m_writer;
    QTimer m_timer;
    std::map<const QObject*, SEntry> m_entries;
    int m_lastNumber = 0;
};
