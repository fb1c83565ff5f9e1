// The progress dialog of long work: shown only when the work lasts, application-modal with
// "Przerwij"; the document busy and the program refusing commands and closing meanwhile; and
// the commands stopped from it changing nothing.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/OpenDoc.h"
#include "app/QtProgress.h"
#include "document/Entity.h"
#include "support/TestEntities.h"

namespace {

using std::chrono::hours;
using std::chrono::milliseconds;

// Timing of the dialog for one test: shown at once, or never.
class CTiming {
public:
    explicit CTiming(milliseconds showAfter) { CQtProgress::SetTiming(showAfter, milliseconds(0)); }
    ~CTiming() { CQtProgress::SetTiming(milliseconds(500), milliseconds(50)); }
};

QAbstractButton* CancelButton(QProgressDialog* dialog) {
    return dialog != nullptr ? dialog->findChild<QPushButton*>() : nullptr;
}

TEST(ProgressDialog, ShortWorkShowsNothingButKeepsTheDocumentBusy) {
    const CTiming timing(hours(1));
    for (const bool busyBefore : {false, true}) {
        CTAVDoc doc;
        doc.SetBusy(busyBefore);
        CQtProgress progress(nullptr, &doc);
        progress.Begin("Zapisywanie a.tav");
        EXPECT_TRUE(doc.GetBusy());
        EXPECT_TRUE(CQtProgress::IsWorkRunning());
        for (double f : {0.0, 0.5, 1.0}) {
            EXPECT_TRUE(progress.Report(f));
        }
        EXPECT_EQ(progress.Dialog(), nullptr);
        progress.End();
        // An entity dialog that had the document busy still has it.
        EXPECT_EQ(doc.GetBusy(), busyBefore);
        EXPECT_FALSE(CQtProgress::IsWorkRunning());
    }
}

TEST(ProgressDialog, LongWorkShowsAModalDialogWhoseButtonStopsIt) {
    const CTiming timing(milliseconds(0));
    CTAVDoc doc;
    CQtProgress progress(nullptr, &doc);
    progress.Begin("Import punkty.pnt");
    EXPECT_TRUE(progress.Report(0.25));
    QProgressDialog* dialog = progress.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->labelText(), "Import punkty.pnt");
    EXPECT_EQ(dialog->windowTitle(), "TAV");
    EXPECT_EQ(dialog->value(), 250);
    ASSERT_NE(CancelButton(dialog), nullptr);
    EXPECT_EQ(CancelButton(dialog)->text(), "Przerwij");
    // The wait cursor of the work would hide that the button can be pressed.
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    // A nested piece of work renames it.
    progress.Begin("Eksport a.dxf");
    EXPECT_EQ(dialog->labelText(), "Eksport a.dxf");
    progress.End();
    EXPECT_TRUE(progress.Report(0.5));

    CancelButton(dialog)->click();
    EXPECT_FALSE(progress.Report(0.75));
    EXPECT_FALSE(progress.Report(0.8));
    EXPECT_TRUE(doc.GetBusy());
    progress.End();
    EXPECT_EQ(progress.Dialog(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(doc.GetBusy());
    EXPECT_FALSE(CQtProgress::IsWorkRunning());

    // Escape stops the work too.
    CQtProgress escaped(nullptr, nullptr);
    escaped.Begin("Drukowanie");
    ASSERT_TRUE(escaped.Report(0.1));
    ASSERT_NE(escaped.Dialog(), nullptr);
    escaped.Dialog()->reject();
    EXPECT_FALSE(escaped.Report(0.2));
    escaped.End();
}

class ProgressCommandTest : public CAppTest {
protected:
    QString TempPath(const QString& name) const { return settingsDir.Path() + "/" + name; }
    CTAVDoc& ActiveDoc() const { return frame->ActiveDocument()->Doc(); }
};

TEST_F(ProgressCommandTest, CommandsDropsAndClosingWaitForTheWork) {
    Start();
    CTAVDoc& doc = ActiveDoc();
    const QString saved = TempPath("a.tav");
    ASSERT_TRUE(doc.OnSaveDocument(saved.toStdString()));
    const size_t docs = app->Documents().size();
    CQtProgress progress(frame, &doc);
    progress.Begin("Zapisywanie a.tav");
    const int beeps = app->Prompter().BeepCount();
    EXPECT_FALSE(frame->Dispatch(cmd::kFileNew));
    EXPECT_FALSE(frame->Dispatch(cmd::kFileClose));
    EXPECT_FALSE(frame->Dispatch(cmd::kExit));
    EXPECT_FALSE(frame->ChildFrames().front()->close());
    EXPECT_FALSE(frame->close());
    frame->OpenDroppedUrls({QUrl::fromLocalFile(TempPath("a.tav"))});
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 6);
    EXPECT_EQ(app->Documents().size(), docs);
    EXPECT_EQ(frame->ChildFrames().size(), 1);
    EXPECT_TRUE(user.boxes.empty());
    progress.End();
    EXPECT_TRUE(frame->Dispatch(cmd::kFileNew));
    EXPECT_EQ(app->Documents().size(), docs + 1);
}

// Presses "Przerwij" as soon as a progress dialog shows, noting what the program was like then.
class CImpatientUser : public QObject {
public:
    explicit CImpatientUser(CMainFrame* frame) : m_frame(frame) {
        QApplication::instance()->installEventFilter(this);
    }
    ~CImpatientUser() override { QApplication::instance()->removeEventFilter(this); }

    int dialogs = 0;
    std::vector<bool> activeBusy;  // the active document's busy flag at each dialog
    bool closeRefused = true;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (dialog != nullptr && event->type() == QEvent::Show) {
            ++dialogs;
            COpenDoc* active = m_frame->ActiveDocument();
            activeBusy.push_back(active != nullptr && active->Doc().GetBusy());
            closeRefused = closeRefused && !m_frame->Dispatch(cmd::kFileClose);
            QAbstractButton* button = CancelButton(dialog);
            QTimer::singleShot(0, button, [button] { button->click(); });
        }
        return false;
    }

private:
    CMainFrame* m_frame;
};

TEST_F(ProgressCommandTest, StoppedCommandsChangeNothing) {
    Start();
    CTAVDoc& doc = ActiveDoc();
    for (int i = 0; i < 5000; ++i) {
        doc.AddEntity(MakePnt(CPoint3(i, i, 0), "P" + std::to_string(i)));
    }
    doc.RecomputeExtents();
    const QString path = TempPath("a.tav");
    user.files.push_back({path, 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kFileSaveAs));
    ASSERT_FALSE(doc.IsModified());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const QString dxf = TempPath("in.dxf");
    {
        std::ofstream out(dxf.toStdString());
        out << "  0\nSECTION\n  2\nENTITIES\n";
        for (int i = 0; i < 3000; ++i) {
            out << "  0\nPOINT\n  8\n0\n 10\n" << i << "\n 20\n1\n 30\n2\n";
        }
        out << "  0\nENDSEC\n  0\nEOF\n";
    }

    const CTiming timing(milliseconds(0));
    CImpatientUser impatient(frame);
    doc.SetModifiedFlag(true);

    // The save: the file stays as it was and the drawing is still to be saved.
    ASSERT_TRUE(frame->Dispatch(cmd::kFileSave));
    EXPECT_EQ(impatient.dialogs, 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_TRUE(doc.IsModified());

    // The import adds nothing.
    user.files.push_back({dxf, 5});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    EXPECT_EQ(impatient.dialogs, 2);
    EXPECT_EQ(doc.GetEntityCount(), 5000);

    // The export writes nothing.
    user.files.push_back({TempPath("out.dxf"), 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kExport));
    EXPECT_EQ(impatient.dialogs, 3);
    EXPECT_FALSE(QFile::exists(TempPath("out.dxf")));

    // Opening a second copy of the file opens nothing.
    QFile::copy(path, TempPath("b.tav"));
    const size_t docs = app->Documents().size();
    user.files.push_back({TempPath("b.tav"), 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kFileOpen));
    EXPECT_EQ(impatient.dialogs, 4);
    EXPECT_EQ(app->Documents().size(), docs);

    // While each ran, its document was busy (the one being opened is not the active one) and
    // nothing could be closed; nothing was said.
    EXPECT_EQ(impatient.activeBusy, (std::vector<bool>{true, true, true, false}));
    EXPECT_TRUE(impatient.closeRefused);
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_FALSE(doc.GetBusy());
    EXPECT_FALSE(CQtProgress::IsWorkRunning());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QDir folder(settingsDir.Path());
    EXPECT_EQ(folder.entryList({"*.tav", "*.dxf", "*.tav.*", "*.dxf.*"}, QDir::Files),
              QStringList({"a.tav", "b.tav", "in.dxf"}));
}

}  // namespace
