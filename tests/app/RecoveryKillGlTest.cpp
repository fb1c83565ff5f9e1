// The program killed after a change and started again: the next start finds the copy of the
// changed drawing and opens it; a damaged copy left beside it is set aside.

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "app/AppTestSupport.h"
#include "app/OpenDoc.h"
#include "app/RecoveryKeeper.h"
#include "document/Recovery.h"
#include "support/Describe.h"

namespace {

#ifdef TAV_RECOVERY_CHILD

// Names as tav sets them, so that both runs share one data folder.
class CProgramNames {
public:
    CProgramNames()
        : m_org(QCoreApplication::organizationName()), m_app(QCoreApplication::applicationName()) {
        QCoreApplication::setOrganizationName(QStringLiteral("Velmor"));
        QCoreApplication::setApplicationName(QStringLiteral("TAV 2.1"));
    }
    ~CProgramNames() {
        QCoreApplication::setOrganizationName(m_org);
        QCoreApplication::setApplicationName(m_app);
    }

private:
    QString m_org, m_app;
};

QStringList CopiesUnder(const QString& base) {
    QStringList found;
    QDirIterator it(base, {QStringLiteral("*.tavrec")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        found.append(it.next());
    }
    return found;
}

TEST(RecoveryAfterKill, TheNextStartOpensTheChangedDrawing) {
    CTempSettings home;
    CProgramNames names;
    const QString base = CRecoveryKeeper::BaseDir();
    ASSERT_TRUE(base.startsWith(home.Path()));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.Path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.Path());
    env.insert(QStringLiteral("TAV_TEST_RECOVERY_SECONDS"), QStringLiteral("1"));
    QProcess tav;
    tav.setProcessEnvironment(env);
    tav.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tav.start(QStringLiteral(TAV_RECOVERY_CHILD), {});
    ASSERT_TRUE(tav.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (CopiesUnder(base).isEmpty() && tav.state() == QProcess::Running &&
           waited.elapsed() < 60000) {
        QThread::msleep(100);
    }
    const QStringList copies = CopiesUnder(base);
    tav.kill();  // SIGKILL: nothing of the program's own ending runs
    ASSERT_TRUE(tav.waitForFinished());
    ASSERT_EQ(tav.exitStatus(), QProcess::CrashExit);
    ASSERT_EQ(copies.size(), 1) << "no copy within 60 s";
    const QString ended = QFileInfo(copies[0]).absolutePath();

    // A damaged copy of an earlier run that ended the same way.
    ASSERT_TRUE(QDir().mkpath(base + "/run-1-zzzzzz"));
    {
        QFile bad(base + "/run-1-zzzzzz/1.tavrec");
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("TAVRECOV\x01\0\0\0", 12);
    }

    SScriptedUser user;
    user.answers.push_back(CQtPrompter::EAnswer::Yes);
    {
        CTAVApp app;
        user.Attach(app.Prompter());
        ASSERT_TRUE(app.InitInstance({}, false));
        ASSERT_EQ(user.boxes.size(), 2u);
        EXPECT_TRUE(user.boxes[0].text.contains("\n• TAV1 – nowy rysunek (kopia z "))
            << user.boxes[0].text.toStdString();
        EXPECT_TRUE(user.boxes[1].text.endsWith(
            "/set-aside/run-1-zzzzzz-1.tavrec.bad (Not a recovery file.)"))
            << user.boxes[1].text.toStdString();
        ASSERT_EQ(app.Documents().size(), 1u);
        const COpenDoc& doc = *app.Documents()[0];
        EXPECT_EQ(doc.Title(), "TAV1");
        EXPECT_TRUE(doc.PathName().isEmpty());
        EXPECT_TRUE(doc.Doc().IsModified());
        EXPECT_EQ(Describe(doc.Doc()), "pnt 5420001.5 6310002.25 10 name=KILL1\n");
        EXPECT_FALSE(QFileInfo::exists(ended));
        EXPECT_FALSE(QFileInfo::exists(base + "/run-1-zzzzzz"));
        EXPECT_EQ(CopiesUnder(base).size(), 1);  // now this run's
    }
    FlushDeferredDeletes();
    // Ended normally: nothing is left to offer.
    EXPECT_TRUE(CopiesUnder(base).isEmpty());
}

#endif

}  // namespace
