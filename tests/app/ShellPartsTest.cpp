// The smaller parts of the shell: prompter, help window, About box.

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>

#include "app/AboutDlg.h"
#include "app/AppTestSupport.h"
#include "app/HelpWindow.h"
#include "app/QtPrompter.h"

namespace {

TEST(QtPrompterTest, QuestionsAndMessagesGoThroughTheRunner) {
    CQtPrompter prompter;
    SScriptedUser user;
    user.Attach(prompter);
    user.answers = {CQtPrompter::EAnswer::Yes, CQtPrompter::EAnswer::No};
    EXPECT_TRUE(prompter.AskYesNo("Czy na pewno?"));
    EXPECT_FALSE(prompter.AskYesNo("Czy na pewno?", CPrompter::EIcon::Warning));
    prompter.ShowMessage("Uwaga", CPrompter::EIcon::Error);
    prompter.ReportFileError("/tmp/x.tav", "Can not read the file: Permission denied.");
    ASSERT_EQ(user.boxes.size(), 4u);
    EXPECT_EQ(user.boxes[0].buttons, CQtPrompter::EButtons::YesNo);
    EXPECT_EQ(user.boxes[0].icon, CPrompter::EIcon::Question);
    EXPECT_EQ(user.boxes[1].icon, CPrompter::EIcon::Warning);
    EXPECT_EQ(user.boxes[2].buttons, CQtPrompter::EButtons::Ok);
    EXPECT_EQ(user.boxes[2].icon, CPrompter::EIcon::Error);
    EXPECT_EQ(user.boxes[3].text, "/tmp/x.tav\nCan not read the file: Permission denied.");
    for (const auto& b : user.boxes) {
        EXPECT_EQ(b.title, "TAV");
    }
}

TEST(QtPrompterTest, WaitCursorNestsAndNeverPopsAForeignCursor) {
    CQtPrompter prompter;
    QApplication::setOverrideCursor(Qt::CrossCursor);  // someone else's
    prompter.EndWaitCursor();                          // unbalanced: ignored
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    {
        CWaitCursor outer(&prompter);
        {
            CWaitCursor inner(&prompter);
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // A box under the wait cursor gets the arrow.
    CQtPrompter boxing;
    Qt::CursorShape seen = Qt::BlankCursor;
    boxing.SetBoxRunner([&](const CQtPrompter::SBox&) {
        seen = QApplication::overrideCursor()->shape();
        return CQtPrompter::EAnswer::Ok;
    });
    {
        CWaitCursor wait(&boxing);
        boxing.ShowMessage("x");
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(seen, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(HelpWindowTest, EveryPageLoadsAndEveryLinkLeadsToAPage) {
    CHelpWindow help;
    const QString index = help.Browser()->toHtml();
    EXPECT_TRUE(index.contains("TAV 2.1 - pomoc"));
    QFile file(":/help/index.html");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());
    const QRegularExpression link("href=\"([a-z]+\\.html)\"");
    int pages = 0;
    for (auto it = link.globalMatch(source); it.hasNext();) {
        const QString page = it.next().captured(1);
        QFile target(":/help/" + page);
        ASSERT_TRUE(target.open(QIODevice::ReadOnly)) << page.toStdString();
        const QString text = QString::fromUtf8(target.readAll());
        EXPECT_TRUE(text.contains("<h1>Menu ")) << page.toStdString();
        EXPECT_TRUE(text.contains("href=\"index.html\"")) << page.toStdString();
        help.ShowPage(page);
        EXPECT_FALSE(help.Browser()->toPlainText().isEmpty()) << page.toStdString();
        ++pages;
    }
    EXPECT_EQ(pages, 8);  // one page per menu of the document window
}

TEST(AboutDlgTest, NameVersionFixedLinesAndTakButton) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "TAV");
    QStringList texts;
    for (const QLabel* l : dlg.findChildren<QLabel*>()) {
        texts.append(l->text());
    }
    EXPECT_TRUE(texts.contains("TAV"));
    EXPECT_TRUE(texts.contains(" wersja 2.1.10"));
    EXPECT_TRUE(texts.contains(
        "Program TAV umożliwia prezentowanie i edycję modeli, zarówno 2D, jak i 3D."));
    EXPECT_TRUE(texts.contains(
        "Wymagany jest trybu graficzny o co najmniej 256 kolorach i biblioteka OpenGL."));
    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "Tak");
    buttons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

}  // namespace
