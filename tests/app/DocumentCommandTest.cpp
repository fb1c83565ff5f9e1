// Documents through the shell: new, open, save, close, exit, windows and the view services.

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QStatusBar>

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/LayerComboBox.h"
#include "app/OpenDoc.h"
#include "exchange/Alignment.h"
#include "support/Describe.h"
#include "view/TAVView.h"

namespace {

using EAnswer = CQtPrompter::EAnswer;

class DocumentCommandTest : public CAppTest {
protected:
    QString TempPath(const QString& name) const { return settingsDir.Path() + "/" + name; }
    QString WriteTemp(const QString& name, const QByteArray& bytes) const {
        QFile f(TempPath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    COpenDoc* Active() const { return frame->ActiveDocument(); }
};

TEST_F(DocumentCommandTest, StartOpensTav1MaximizedAndLaterWindowsAreNumbered) {
    Start();
    ASSERT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(app->Documents()[0]->Title(), "TAV1");
    ASSERT_EQ(frame->ChildFrames().size(), 1);
    EXPECT_TRUE(frame->ChildFrames()[0]->isMaximized());
    EXPECT_EQ(frame->StatusText(), "Gotowy");
    EXPECT_EQ(frame->LayerCombo()->count(), 1);
    // The maximized window's name joins the program's, as MDI frames show it.
    EXPECT_EQ(frame->windowTitle(), "TAV - [TAV1[*]]");
    Active()->Doc().SetModifiedFlag();
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_TRUE(frame->ChildFrames()[0]->isWindowModified());
    // A second document is not maximized; windows on one document get numbers.
    ASSERT_TRUE(frame->Dispatch(cmd::kFileNew));
    EXPECT_EQ(Active()->Title(), "TAV2");
    ASSERT_EQ(frame->ChildFrames().size(), 2);
    EXPECT_FALSE(frame->ChildFrames()[1]->isMaximized());
    // A further window on the same document: both windows get numbers.
    ASSERT_TRUE(frame->Dispatch(cmd::kNewWindow));
    ASSERT_EQ(frame->ChildFrames().size(), 3);
    EXPECT_EQ(app->Documents().size(), 2u);
    EXPECT_EQ(frame->ChildFrames()[1]->windowTitle(), "TAV2:1[*]");
    EXPECT_EQ(frame->ChildFrames()[2]->windowTitle(), "TAV2:2[*]");
    EXPECT_EQ(frame->ChildFrames()[2]->GetView()->GetDocument(),
              frame->ChildFrames()[1]->GetView()->GetDocument());
    // Closing one of two windows asks nothing, even when modified.
    Active()->Doc().SetModifiedFlag();
    frame->ChildFrames()[2]->close();
    EXPECT_TRUE(user.boxes.empty());
    ASSERT_EQ(frame->ChildFrames().size(), 2);
    frame->UpdateFrameTitles();
    EXPECT_EQ(frame->ChildFrames()[1]->windowTitle(), "TAV2[*]");
    EXPECT_TRUE(frame->ChildFrames()[1]->isWindowModified());
}

TEST_F(DocumentCommandTest, BackgroundToggleReachesEveryViewOfThreeDocuments) {
    Start();
    frame->Dispatch(cmd::kFileNew);
    frame->Dispatch(cmd::kFileNew);
    const QList<CChildFrame*> frames = frame->ChildFrames();
    ASSERT_EQ(frames.size(), 3);
    for (CChildFrame* f : frames) {
        ASSERT_FALSE(f->GetView()->IsRebuildPending());
    }
    ASSERT_TRUE(frame->Dispatch(cmd::kBackground));
    for (CChildFrame* f : frames) {
        EXPECT_TRUE(f->GetView()->IsRebuildPending()) << f->windowTitle().toStdString();
        // The repaint reads the new setting and rebuilds.
        const int before = f->GetView()->GetPaintCount();
        f->GetView()->repaint();
        if (f->GetView()->GetPaintCount() > before) {
            EXPECT_FALSE(f->GetView()->IsRebuildPending());
        }
    }
    for (CChildFrame* f : frames) {
        f->GetView()->InvalidateDisplayList();
    }
    ASSERT_TRUE(frame->Dispatch(cmd::kDisplayList));
    for (CChildFrame* f : frames) {
        EXPECT_TRUE(f->GetView()->IsRebuildPending());
    }
}

TEST_F(DocumentCommandTest, NewSaveOpenRoundTripThroughTheCommands) {
    Start();
    COpenDoc* doc = Active();
    ASSERT_NE(doc, nullptr);
    doc->Doc().AddEntity(std::make_unique<CPnt>());
    doc->Doc().Layers().emplace_back("Druga", 1, 0);
    doc->Doc().SetCurrentLayer(1);
    doc->Doc().SetModifiedFlag();
    const QString saved = TempPath("round.tav");
    user.files.push_back({saved, 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kFileSave));
    ASSERT_EQ(user.fileRequests.size(), 1u);
    EXPECT_TRUE(user.fileRequests[0].save);
    EXPECT_EQ(user.fileRequests[0].fileName, "TAV1.tav");
    EXPECT_EQ(user.fileRequests[0].filters.front(), "TAV Files (*.tav)");
    EXPECT_EQ(user.fileRequests[0].defaultSuffix, "tav");
    EXPECT_TRUE(user.boxes.empty());
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_FALSE(doc->Doc().IsModified());
    EXPECT_EQ(doc->PathName(), saved);
    frame->UpdateFrameTitles();
    EXPECT_EQ(frame->ChildFrames()[0]->windowTitle(), QFileInfo(saved).fileName() + "[*]");

    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    user.files.push_back({saved, 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kFileOpen));
    ASSERT_EQ(user.fileRequests.size(), 2u);
    EXPECT_FALSE(user.fileRequests[1].save);
    ASSERT_EQ(app->Documents().size(), 1u);
    COpenDoc* reopened = Active();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Describe(reopened->Doc()), "pnt 0 0 0\n");
    EXPECT_EQ(DescribeLayers(reopened->Doc()), "Warstwa1; Druga locked hidden");
    EXPECT_EQ(reopened->Doc().GetCurrentLayer(), 1);
    EXPECT_EQ(frame->LayerCombo()->count(), 2);
    EXPECT_EQ(frame->LayerCombo()->currentIndex(), 1);
    EXPECT_EQ(app->RecentFiles().front(), saved);

    // Opening the same file again activates the open document.
    EXPECT_EQ(app->OpenDocumentFile(saved), reopened);
    EXPECT_EQ(app->Documents().size(), 1u);
}

TEST_F(DocumentCommandTest, SavedFileKeepsTheCameraItWasOpenedWith) {
    {
        CTAVDoc source;
        CViewState state;
        state.renderMode = 3;
        state.scale = 2.5;
        state.eye = CPoint3(1.0, 2.0, 3.0);
        source.SetViewState(state);
        ASSERT_TRUE(source.OnSaveDocument(TempPath("cam.tav").toStdString()));
    }
    Start({TempPath("cam.tav")});
    ASSERT_NE(Active(), nullptr);
    Active()->Doc().SetModifiedFlag();
    ASSERT_TRUE(frame->Dispatch(cmd::kFileSave));
    EXPECT_TRUE(user.fileRequests.empty());
    CTAVDoc check;
    ASSERT_TRUE(check.OnOpenDocument(TempPath("cam.tav").toStdString()));
    EXPECT_EQ(check.ViewState().renderMode, 3);
    EXPECT_EQ(check.ViewState().scale, 2.5);
    EXPECT_EQ(check.ViewState().eye.z, 3.0);
}

TEST_F(DocumentCommandTest, CloseOfModifiedDocumentAsksAndCancelKeepsIt) {
    Start();
    COpenDoc* doc = Active();
    doc->Doc().SetModifiedFlag();
    user.answers.push_back(EAnswer::Cancel);
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, "Czy zapisać zmiany w TAV1?");
    EXPECT_EQ(user.boxes[0].title, "TAV");
    EXPECT_EQ(user.boxes[0].buttons, CQtPrompter::EButtons::YesNoCancel);
    EXPECT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(frame->ChildFrames().size(), 1);
    EXPECT_EQ(Active(), doc);

    // The window's own close button asks the same.
    user.answers.push_back(EAnswer::Cancel);
    EXPECT_FALSE(frame->ChildFrames()[0]->close());
    EXPECT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(app->Documents().size(), 1u);

    user.answers.push_back(EAnswer::No);
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    EXPECT_TRUE(frame->ChildFrames().isEmpty());
}

TEST_F(DocumentCommandTest, YesSavesBeforeClosingAndCancelledSaveKeepsTheDocument) {
    Start();
    Active()->Doc().SetModifiedFlag();
    user.answers.push_back(EAnswer::Yes);  // save, then the file dialog is cancelled
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_EQ(user.fileRequests.size(), 1u);
    EXPECT_EQ(app->Documents().size(), 1u);

    user.answers.push_back(EAnswer::Yes);
    user.files.push_back({TempPath("kept.tav"), 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_TRUE(app->Documents().empty());
    EXPECT_TRUE(QFile::exists(TempPath("kept.tav")));
}

TEST_F(DocumentCommandTest, ExitAsksForEachModifiedDocument) {
    Start();
    frame->Dispatch(cmd::kFileNew);
    frame->Dispatch(cmd::kFileNew);
    app->Documents()[0]->Doc().SetModifiedFlag();
    app->Documents()[2]->Doc().SetModifiedFlag();
    user.answers = {EAnswer::No, EAnswer::Cancel};
    EXPECT_TRUE(frame->Dispatch(cmd::kExit));
    ASSERT_EQ(user.boxes.size(), 2u);
    EXPECT_EQ(user.boxes[0].text, "Czy zapisać zmiany w TAV1?");
    EXPECT_EQ(user.boxes[1].text, "Czy zapisać zmiany w TAV3?");
    // Cancel on the second keeps the program and all documents.
    EXPECT_EQ(app->Documents().size(), 3u);

    user.answers = {EAnswer::No, EAnswer::No};
    frame->Dispatch(cmd::kExit);
    EXPECT_EQ(user.boxes.size(), 4u);
    EXPECT_TRUE(app->Documents().empty());
}

TEST_F(DocumentCommandTest, CommandLineOpensEachFileAndReportsTheBadOne) {
    const QString good = QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav");
    const QString bad = WriteTemp("bad.tav", "Not a TAV file\n");
    Start({bad, TempPath("missing.tav"), good});
    ASSERT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(app->Documents()[0]->Title(), "plac.tav");
    // The document's own message, then the report naming the file, for each refused file.
    ASSERT_EQ(user.boxes.size(), 3u);
    EXPECT_EQ(user.boxes[0].text.toStdString(),
              "Unrecognized header in document file.\nCan not read document!");
    EXPECT_TRUE(user.boxes[1].text.startsWith(bad + "\n"));
    EXPECT_EQ(user.boxes[1].icon, CPrompter::EIcon::Warning);
    EXPECT_EQ(user.boxes[1].title, "TAV");
    EXPECT_EQ(user.boxes[2].text.toStdString(),
              TempPath("missing.tav").toStdString() +
                  "\nCan not read the file: No such file or directory.");
    EXPECT_EQ(frame->LayerCombo()->count(), app->Documents()[0]->Doc().GetLayerCount());
}

TEST(CommandLineTest, Parse) {
    SCommandLine a = ParseCommandLine({"a.tav", "b.tav"});
    EXPECT_FALSE(a.print);
    EXPECT_EQ(a.files, (QStringList{"a.tav", "b.tav"}));
    SCommandLine p = ParseCommandLine({"-p", "a.tav"});
    EXPECT_TRUE(p.print);
    EXPECT_EQ(p.files, QStringList{"a.tav"});
    SCommandLine d = ParseCommandLine({"--", "-p"});
    EXPECT_FALSE(d.print);
    EXPECT_EQ(d.files, QStringList{"-p"});
    EXPECT_TRUE(ParseCommandLine({"-dde"}).files.isEmpty());
}

TEST_F(DocumentCommandTest, ClosingTheLastDocumentEmptiesTheLayerCombo) {
    Start();
    frame->Dispatch(cmd::kFileNew);
    ASSERT_EQ(frame->LayerCombo()->count(), 1);
    frame->Dispatch(cmd::kFileClose);
    // Another window is left: the combo shows its document.
    EXPECT_EQ(frame->LayerCombo()->count(), 1);
    EXPECT_EQ(frame->LayerCombo()->GetDocument(), &Active()->Doc());
    frame->Dispatch(cmd::kFileClose);
    EXPECT_EQ(frame->LayerCombo()->count(), 0);
    EXPECT_EQ(frame->LayerCombo()->GetDocument(), nullptr);
    EXPECT_FALSE(frame->IsDocumentMenuShown());
    // A document that is not open is not shown.
    ASSERT_TRUE(frame->Dispatch(cmd::kFileNew));
    CTAVDoc stranger;
    frame->ShowDocumentLayers(&stranger);
    EXPECT_EQ(frame->LayerCombo()->count(), 0);
    frame->ShowDocumentLayers(&Active()->Doc());
    EXPECT_EQ(frame->LayerCombo()->count(), 1);
    frame->ShowDocumentLayers(nullptr);
    EXPECT_EQ(frame->LayerCombo()->count(), 0);
}

TEST_F(DocumentCommandTest, StatusAndCoordinatePanes) {
    Start();
    QLabel* pane = frame->CoordinatePane();
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text().toStdString(), std::string(33, ' '));
    const int blankWidth = pane->width();
    frame->SetCoordinateText("X: 1234567.123  Y: 7654321.987  Z: 12.500");
    const int wide = pane->width();
    EXPECT_GT(wide, blankWidth);
    EXPECT_GE(wide, pane->fontMetrics().horizontalAdvance(pane->text()));
    frame->SetCoordinateText("X: 1");
    EXPECT_LT(pane->width(), wide);
    frame->SetStatusText("Wskaż punkt");
    EXPECT_EQ(frame->StatusText(), "Wskaż punkt");
    // An entity dialog is shown only with its window.
    frame->show();
    CChildFrame* first = frame->ChildFrames()[0];
    QDialog dialog(frame);
    first->GetView()->SetEntityDialog(&dialog);
    dialog.show();
    frame->Dispatch(cmd::kFileNew);
    CChildFrame* second = frame->ActiveChild();
    ASSERT_NE(second, first);
    EXPECT_FALSE(dialog.isVisible());
    frame->MdiArea()->setActiveSubWindow(first);
    EXPECT_TRUE(dialog.isVisible());
    frame->MdiArea()->setActiveSubWindow(second);
    EXPECT_FALSE(dialog.isVisible());
    first->GetView()->SetEntityDialog(nullptr);
}

TEST_F(DocumentCommandTest, ImportUsesTheChosenFilterAndAsksForTheAlignment) {
    Start();
    QString path = WriteTemp("points.gsi", "P1 10.0 20.0 30.0\n");
    user.files.push_back({path, 99});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    ASSERT_EQ(user.fileRequests.size(), 1u);
    EXPECT_EQ(user.fileRequests[0].title, "Import");
    ASSERT_EQ(user.fileRequests[0].filters.size(), 9);
    EXPECT_EQ(user.fileRequests[0].filters[0], "Points from text file (*.pnt)");
    EXPECT_EQ(user.fileRequests[0].filters[8], "Punkty z pliku CSV (*.csv *.txt)");
    EXPECT_EQ(user.fileRequests[0].filters[6],
              "Nodes, lines, triangles & rectangles in ASCII files (*.asc)");
    // An index outside the list reads nothing.
    EXPECT_EQ(Active()->Doc().GetEntityCount(), 0);

    // A point file runs the alignment dialog of the program; confirmed, the points are added,
    // cancelled, nothing is.
    path = WriteTemp("points.txt", "P1 1 2 3\nP2 4 5 6\n");
    int asked = 0;
    bool confirm = false;
    app->Prompter().SetAlignmentRunner([&](SAlignment&) {
        ++asked;
        return confirm;
    });
    user.files.push_back({path, 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Active()->Doc().GetEntityCount(), 0);
    confirm = true;
    user.files.push_back({path, 1});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Active()->Doc().GetEntityCount(), 2);
    EXPECT_TRUE(Active()->Doc().IsModified());
}

TEST_F(DocumentCommandTest, ExportProposesTheNameAndWritesDxf) {
    const QString saved = TempPath("Model.TAV");
    QFile::copy(QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav"), saved);
    Start({saved});
    user.files.push_back({TempPath("out.dxf"), 3});  // no such filter: nothing written
    user.files.push_back({TempPath("out.dxf"), 1});
    user.files.push_back({TempPath("out.csv"), 2});
    ASSERT_TRUE(frame->Dispatch(cmd::kExport));
    EXPECT_FALSE(QFile::exists(TempPath("out.dxf")));
    ASSERT_TRUE(frame->Dispatch(cmd::kExport));
    ASSERT_TRUE(frame->Dispatch(cmd::kExport));
    ASSERT_EQ(user.fileRequests.size(), 3u);
    EXPECT_EQ(user.fileRequests[0].title, "Eksport");
    EXPECT_TRUE(user.fileRequests[0].save);
    EXPECT_EQ(user.fileRequests[0].filters,
              (QStringList{"Autodesk DXF (*.dxf)", "Punkty jako tekst CSV (*.csv)"}));
    // The points of the drawing, one a line, as the delimited list reader takes them.
    QFile csv(TempPath("out.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(csv.readAll()).count(QStringLiteral("\r\n")), [&] {
        int points = 0;
        for (int i = 0; i < Active()->Doc().GetEntityCount(); ++i) {
            points += dynamic_cast<const CPnt*>(Active()->Doc().GetEntity(i)) ? 1 : 0;
        }
        return points;
    }());
    EXPECT_EQ(user.fileRequests[0].defaultSuffix, "dxf");
    // The path without its ".tav" ending, in any case.
    EXPECT_EQ(user.fileRequests[0].fileName, TempPath("Model"));
    QFile dxf(TempPath("out.dxf"));
    ASSERT_TRUE(dxf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(dxf.readAll().contains("ENTITIES"));
}

TEST_F(DocumentCommandTest, DroppedFileOpens) {
    Start();
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_TRUE(frame->acceptDrops());
    frame->OpenDroppedUrls(
        {QUrl("https://example.invalid/x.tav"),
         QUrl::fromLocalFile(QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav"))});
    ASSERT_EQ(app->Documents().size(), 1u);
    EXPECT_EQ(app->Documents()[0]->Title(), "plac.tav");
    EXPECT_TRUE(frame->IsDocumentMenuShown());
}

}  // namespace
