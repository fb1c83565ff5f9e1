#include "app/RecoveryKeeper.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <exception>

#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/Settings.h"
#include "app/TAVApp.h"

namespace {

constexpr int kDefaultMinutes = 5;
constexpr uint64_t kNotWritten = ~uint64_t{0};

// The program's texts about recovery copies.
constexpr char kAskText[] =
    "Program TAV nie został poprawnie zamknięty. Zostały kopie rysunków z niezapisanymi "
    "zmianami:\n\n%1\n\nCzy otworzyć je teraz? Kopie, których nie otworzysz, zostaną usunięte.";
constexpr char kNewDrawing[] = "nowy rysunek";
constexpr char kCopyOf[] = "kopia z %1";
constexpr char kSetAsideText[] =
    "Tych kopii rysunków nie można otworzyć (są uszkodzone albo pochodzą z innej wersji "
    "programu). Odłożono je:\n\n%1";
constexpr char kWriteFailed[] = "Nie można zapisać kopii rysunku %1: %2";

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

struct SOffer {
    std::string file;
    SRecoveryInfo info;
};

}  // namespace

CRecoveryKeeper::CRecoveryKeeper(CTAVApp& app) : m_app(app) {
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CRecoveryKeeper::RunTurn);
}

CRecoveryKeeper::~CRecoveryKeeper() {
    m_timer.stop();
    m_writer.reset();
    m_run.RemoveAll();
}

int CRecoveryKeeper::IntervalMs() {
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TAV_TEST_RECOVERY_SECONDS", &ok);
    if (ok) {
        return seconds > 0 ? seconds * 1000 : 0;
    }
    const int minutes = settings::ReadInt(settings::kRecoveryMinutes, kDefaultMinutes);
    // Beyond a day the copies would be of little use; the bound keeps the milliseconds in int.
    return minutes > 0 ? std::min(minutes, 24 * 60) * 60000 : 0;
}

QString CRecoveryKeeper::BaseDir() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

bool CRecoveryKeeper::Start() {
    const int interval = IntervalMs();
    if (interval <= 0) {
        return false;
    }
    std::string error;
    if (!m_run.Create(BaseDir().toStdString(), error)) {
        std::fprintf(stderr, "tav: %s\n", error.c_str());
        return false;
    }
    m_writer = std::make_unique<CRecoveryWriter>(
        [this](const std::string& path, bool ok, const std::string& error) {
            // Runs on the writer's thread: the answer goes to the interface thread.
            QMetaObject::invokeMethod(
                this, [this, p = Q(path), ok, e = Q(error)] { OnWritten(p, ok, e); },
                Qt::QueuedConnection);
        });
    m_timer.start(interval);
    return true;
}

CRecoveryKeeper::SEntry& CRecoveryKeeper::EntryFor(COpenDoc& doc) {
    auto it = m_entries.find(&doc);
    if (it == m_entries.end()) {
        it = m_entries.emplace(&doc, SEntry{++m_lastNumber, false, kNotWritten}).first;
        // A closed drawing's copy goes with it.
        connect(&doc, &QObject::destroyed, this, [this](QObject* gone) {
            const auto e = m_entries.find(gone);
            if (e == m_entries.end()) {
                return;
            }
            if (e->second.hasFile && m_writer) {
                m_writer->Remove(m_run.FileFor(e->second.number));
            }
            m_entries.erase(e);
        });
    }
    return it->second;
}

void CRecoveryKeeper::RunTurn() {
    if (!m_writer) {
        return;
    }
    for (const auto& d : m_app.Documents()) {
        SEntry& e = EntryFor(*d);
        const CTAVDoc& doc = d->Doc();
        const std::string file = m_run.FileFor(e.number);
        switch (DecideRecovery(doc.IsModified(), doc.GetBusy(), e.hasFile, doc.GetChangeCount(),
                               e.written)) {
            case ERecoveryAction::None:
                break;
            case ERecoveryAction::Remove:
                m_writer->Remove(file);
                e.hasFile = false;
                e.written = kNotWritten;
                break;
            case ERecoveryAction::Write:
                // The copy before still being written: this one waits for the next turn, so
                // that an older copy never lands over a newer one.
                if (m_writer->IsPending(file)) {
                    break;
                }
                try {
                    m_writer->WriteSnapshot(
                        file, {d->Title().toStdString(), d->PathName().toStdString()}, d->Doc());
                    e.hasFile = true;
                    e.written = doc.GetChangeCount();
                } catch (const std::exception& ex) {
                    OnWritten(Q(file), false, Q(ex.what()));
                }
                break;
        }
    }
}

void CRecoveryKeeper::OnWritten(const QString& path, bool ok, const QString& error) {
    if (ok) {
        return;
    }
    for (auto& [doc, e] : m_entries) {
        if (Q(m_run.FileFor(e.number)) == path) {
            // Tried again at the next turn; the previous copy, if any, is still there.
            e.written = kNotWritten;
            const auto* open = static_cast<const COpenDoc*>(doc);
            if (CMainFrame* frame = m_app.MainFrame()) {
                frame->SetStatusText(Text(kWriteFailed).arg(open->Title(), error).toStdString());
            }
        }
    }
}

void CRecoveryKeeper::Forget(COpenDoc& doc) {
    const auto it = m_entries.find(&doc);
    if (it == m_entries.end() || !m_writer) {
        return;
    }
    if (it->second.hasFile) {
        m_writer->Remove(m_run.FileFor(it->second.number));
    }
    it->second.hasFile = false;
    it->second.written = kNotWritten;
}

void CRecoveryKeeper::WaitForWrites() {
    if (m_writer) {
        m_writer->Wait();
    }
}

int CRecoveryKeeper::OfferAbandoned() {
    const std::string base = BaseDir().toStdString();
    std::vector<CAbandonedRun> runs = ClaimAbandonedRuns(base);
    std::vector<SOffer> offers;
    QStringList setAside;
    auto putAside = [&](const std::string& file, const std::string& reason) {
        std::string error;
        const std::string moved = SetRecoveryFileAside(base, file, error);
        setAside.append(moved.empty() ? Q(file) + QStringLiteral(" (") + Q(error) + ")"
                                      : Q(moved) + QStringLiteral(" (") + Q(reason) + ")");
    };
    for (const CAbandonedRun& run : runs) {
        for (const std::string& file : run.Files()) {
            SOffer offer{file, {}};
            std::string error;
            switch (ReadRecoveryHeader(file, offer.info, error)) {
                case ERecoveryCheck::Ok:
                    offers.push_back(std::move(offer));
                    break;
                case ERecoveryCheck::Corrupt:
                case ERecoveryCheck::OtherVersion:
                    putAside(file, error);
                    break;
                case ERecoveryCheck::Unreadable:
                    // Perhaps readable another time: left where it is.
                    break;
            }
        }
    }

    int opened = 0;
    if (!offers.empty()) {
        QStringList lines;
        for (const SOffer& o : offers) {
            const QString when =
                QFileInfo(Q(o.file)).lastModified().toString(QStringLiteral("dd.MM.yyyy HH:mm"));
            lines.append(QStringLiteral("• %1 – %2 (%3)")
                             .arg(Q(o.info.title),
                                  o.info.path.empty() ? Text(kNewDrawing) : Q(o.info.path),
                                  Text(kCopyOf).arg(when)));
        }
        const bool open = m_app.Prompter().AskYesNo(
            Text(kAskText).arg(lines.join(QLatin1Char('\n'))).toStdString(),
            CPrompter::EIcon::Question);
        for (const SOffer& o : offers) {
            if (!open) {
                QFile::remove(Q(o.file));
                continue;
            }
            SRecoveryInfo info;
            std::vector<uint8_t> bytes;
            std::string error;
            const ERecoveryCheck check = ReadRecoveryFile(o.file, info, bytes, error);
            if (check == ERecoveryCheck::Unreadable) {
                m_app.Prompter().ReportFileError(o.file, error);
                continue;
            }
            COpenDoc* doc = check == ERecoveryCheck::Ok
                                ? m_app.OpenRecovered(bytes, Q(info.title), error)
                                : nullptr;
            if (doc == nullptr) {
                putAside(o.file, error);
                continue;
            }
            ++opened;
            // The copy is this drawing as it is now: it becomes this run's copy of it.
            SEntry& e = EntryFor(*doc);
            if (m_run.IsOpen() && QFile::rename(Q(o.file), Q(m_run.FileFor(e.number)))) {
                e.hasFile = true;
                e.written = doc->Doc().GetChangeCount();
            } else {
                QFile::remove(Q(o.file));
            }
        }
    }
    for (CAbandonedRun& run : runs) {
        run.RemoveIfEmpty();
    }
    if (!setAside.isEmpty()) {
        m_app.Prompter().ShowMessage(
            Text(kSetAsideText).arg(setAside.join(QLatin1Char('\n'))).toStdString(),
            CPrompter::EIcon::Warning);
    }
    return opened;
}
