// Recovery copies in a running program: when a turn writes, waits or removes, what a save, a
// close and the end of the run leave behind, and the question at start-up.

#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/OpenDoc.h"
#include "app/RecoveryKeeper.h"
#include "document/Recovery.h"

namespace {

using EAnswer = CQtPrompter::EAnswer;

class RecoveryTest : public CAppTest {
protected:
    CRecoveryKeeper& Keeper() { return *app->Recovery(); }
    // The copies in this run's folder.
    QStringList Copies() {
        Keeper().WaitForWrites();
        return QDir(Keeper().RunDir()).entryList({QStringLiteral("*.tavrec")}, QDir::Files);
    }
    // Identifies one written copy: each write renames a new file into place.
    ino_t CopyInode() {
        const QStringList copies = Copies();
        struct stat st {};
        if (copies.size() != 1 ||
            ::stat((Keeper().RunDir() + "/" + copies[0]).toLocal8Bit().constData(), &st) != 0) {
            return 0;
        }
        return st.st_ino;
    }
    static void Change(CTAVDoc& doc) {
        doc.AddEntity(std::make_unique<CPnt>());
        doc.SetModifiedFlag(true);
    }
};

TEST_F(RecoveryTest, TurnsCopyChangedIdleDrawingsAndSaveCloseAndExitRemoveThem) {
    Start();
    const QString base = CRecoveryKeeper::BaseDir();
    EXPECT_TRUE(base.startsWith(settingsDir.Path())) << base.toStdString();
    COpenDoc& doc = *app->Documents().front();
    Keeper().RunTurn();
    EXPECT_TRUE(Copies().isEmpty());

    Change(doc.Doc());
    Keeper().RunTurn();
    const ino_t first = CopyInode();
    ASSERT_NE(first, 0u);
    SRecoveryInfo info;
    std::string error;
    ASSERT_EQ(
        ReadRecoveryHeader((Keeper().RunDir() + "/" + Copies()[0]).toStdString(), info, error),
        ERecoveryCheck::Ok);
    EXPECT_EQ(info.title, "TAV1");
    EXPECT_EQ(info.path, "");
    Keeper().RunTurn();
    EXPECT_EQ(CopyInode(), first) << "unchanged drawing written again";

    // A dialog editing in place: the turn waits for it.
    doc.Doc().SetBusy(true);
    Change(doc.Doc());
    Keeper().RunTurn();
    EXPECT_EQ(CopyInode(), first);
    doc.Doc().SetBusy(false);
    Keeper().RunTurn();
    EXPECT_NE(CopyInode(), first);
    EXPECT_TRUE(doc.Doc().IsModified());
    EXPECT_TRUE(doc.PathName().isEmpty());

    user.files.push_back({settingsDir.Path() + "/saved.tav", 1});
    ASSERT_TRUE(app->OnFileSave(doc));
    EXPECT_TRUE(Copies().isEmpty());

    Change(doc.Doc());
    Keeper().RunTurn();
    ASSERT_EQ(Copies().size(), 1);
    ASSERT_TRUE(ReadRecoveryHeader((Keeper().RunDir() + "/" + Copies()[0]).toStdString(), info,
                                   error) == ERecoveryCheck::Ok);
    EXPECT_EQ(info.title, "saved.tav");
    EXPECT_EQ(info.path, (settingsDir.Path() + "/saved.tav").toStdString());
    user.answers.push_back(EAnswer::No);  // "save the changes?"
    ASSERT_TRUE(app->CloseDocument(doc));
    EXPECT_TRUE(Copies().isEmpty());

    app->OnFileNew();
    Change(app->Documents().back()->Doc());
    Keeper().RunTurn();
    ASSERT_EQ(Copies().size(), 1);
    const QString runDir = Keeper().RunDir();
    app.reset();
    EXPECT_FALSE(QFileInfo::exists(runDir));
    EXPECT_TRUE(QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

// A copy that cannot be written (the file-size limit stands in for a full disk) is reported
// in the status bar and tried again at the next turn, without a further change.
TEST_F(RecoveryTest, AFailedCopyIsReportedAndTriedAgain) {
    Start();
    COpenDoc& doc = *app->Documents().front();
    Change(doc.Doc());
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Keeper().RunTurn();
    Keeper().WaitForWrites();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->StatusText(),
              "Nie można zapisać kopii rysunku TAV1: Can not write the file: File too large.");
    EXPECT_TRUE(Copies().isEmpty());
    Keeper().RunTurn();
    EXPECT_EQ(Copies().size(), 1);
}

TEST_F(RecoveryTest, LeftCopiesAreOfferedOnceAndDeclinedOnesRemoved) {
    const std::string base = CRecoveryKeeper::BaseDir().toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/run-1-aaaaaa")));
    std::string error;
    CTAVDoc drawing;
    Change(drawing);
    const std::vector<uint8_t> bytes = drawing.SaveToBytes();
    ASSERT_TRUE(WriteRecoveryFile(base + "/run-1-aaaaaa/1.tavrec", {"plac.tav", "/d/plac.tav"},
                                  bytes, error));
    ASSERT_TRUE(WriteRecoveryFile(base + "/run-1-aaaaaa/2.tavrec", {"TAV3", ""}, bytes, error));
    // A copy whose bytes pass the checks but are no drawing: set aside when opened.
    ASSERT_TRUE(WriteRecoveryFile(base + "/run-1-aaaaaa/3.tavrec", {"TAV4", ""},
                                  std::vector<uint8_t>{1, 2, 3}, error));

    user.answers.push_back(EAnswer::No);
    Start();
    ASSERT_EQ(user.boxes.size(), 1u);
    const QString text = user.boxes[0].text;
    EXPECT_TRUE(text.startsWith("Program TAV nie został poprawnie zamknięty."))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\n• plac.tav – /d/plac.tav (kopia z ")) << text.toStdString();
    EXPECT_TRUE(text.contains("\n• TAV3 – nowy rysunek (kopia z ")) << text.toStdString();
    EXPECT_EQ(user.boxes[0].buttons, CQtPrompter::EButtons::YesNo);
    // Declined: removed with their run's folder, and the usual new drawing opens.
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(base + "/run-1-aaaaaa")));
    ASSERT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(app->Documents()[0]->Title(), "TAV1");
    EXPECT_FALSE(app->Documents()[0]->Doc().IsModified());
    app.reset();

    user.boxes.clear();
    Start();
    EXPECT_TRUE(user.boxes.empty());
}

TEST_F(RecoveryTest, AcceptedCopiesOpenAsNewModifiedDrawings) {
    const std::string base = CRecoveryKeeper::BaseDir().toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base + "/run-1-aaaaaa")));
    std::string error;
    CTAVDoc drawing;
    Change(drawing);
    Change(drawing);
    ASSERT_TRUE(WriteRecoveryFile(base + "/run-1-aaaaaa/1.tavrec", {"plac.tav", "/d/plac.tav"},
                                  drawing.SaveToBytes(), error));
    ASSERT_TRUE(WriteRecoveryFile(base + "/run-1-aaaaaa/2.tavrec", {"TAV4", ""},
                                  std::vector<uint8_t>{1, 2, 3}, error));

    user.answers.push_back(EAnswer::Yes);
    Start();
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[1].text.toStdString(),
              "Tych kopii rysunków nie można otworzyć (są uszkodzone albo pochodzą z innej wersji "
              "programu). Odłożono je:\n\n" +
                  base +
                  "/set-aside/run-1-aaaaaa-2.tavrec.bad (Unrecognized header in document file.)");
    ASSERT_EQ(app->Documents().size(), 1u);
    COpenDoc& doc = *app->Documents()[0];
    EXPECT_EQ(doc.Title(), "TAV1");
    EXPECT_TRUE(doc.PathName().isEmpty());
    EXPECT_TRUE(doc.Doc().IsModified());
    EXPECT_EQ(doc.Doc().GetEntityCount(), 2);
    ASSERT_EQ(doc.Frames().size(), 1);
    EXPECT_EQ(doc.Frames()[0]->windowTitle(), "TAV1 (odzyskany: plac.tav)[*]");
    // The copy became this run's copy of the drawing; no turn writes it again.
    EXPECT_EQ(Copies().size(), 1);
    const ino_t adopted = CopyInode();
    Keeper().RunTurn();
    EXPECT_EQ(CopyInode(), adopted);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(base + "/run-1-aaaaaa")));
}

}  // namespace
