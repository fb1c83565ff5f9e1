// The two display settings and the toolbar layout, stored with QSettings.

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QToolBar>

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/Settings.h"
#include "app/SurveyImportDlg.h"
#include "view/TAVView.h"

namespace {

int StoredInt(const char* name) {
    QSettings s("Velmor", "TAV 2.1");
    return s.value(QStringLiteral("Settings/") + name, -99).toInt();
}

class SettingsTest : public CAppTest {};

TEST_F(SettingsTest, EmptySettingsGiveBlackBackgroundAndDisplayLists) {
    ASSERT_FALSE(QFile::exists(settingsDir.File()));
    Start();
    EXPECT_EQ(frame->IsBackgroundWhite(), 0);
    EXPECT_EQ(frame->IsDisplayListUsed(), 1);
    EXPECT_EQ(frame->QueryCommand(cmd::kBackground).checked, 0);
    EXPECT_EQ(frame->QueryCommand(cmd::kDisplayList).checked, 1);
    // Reading writes nothing.
    EXPECT_EQ(StoredInt(settings::kBackground), -99);
    // A value that is no number keeps the default.
    {
        QSettings s("Velmor", "TAV 2.1");
        s.setValue("Settings/IsBackgrWhite", "white");
    }
    EXPECT_EQ(settings::ReadInt(settings::kBackground, 0), 0);
    EXPECT_EQ(settings::ReadInt(settings::kDisplayList, 1), 1);
}

TEST_F(SettingsTest, EachToggleStoresItsIntAtOnce) {
    Start();
    ASSERT_TRUE(frame->Dispatch(cmd::kBackground));
    EXPECT_EQ(frame->IsBackgroundWhite(), 1);
    EXPECT_EQ(StoredInt(settings::kBackground), 1);
    EXPECT_EQ(StoredInt(settings::kDisplayList), -99);
    for (const QAction* a : frame->ActionsFor(cmd::kBackground)) {
        EXPECT_TRUE(a->isChecked());
    }
    ASSERT_TRUE(frame->Dispatch(cmd::kDisplayList));
    EXPECT_EQ(frame->IsDisplayListUsed(), 0);
    EXPECT_EQ(StoredInt(settings::kDisplayList), 0);
    ASSERT_TRUE(frame->Dispatch(cmd::kBackground));
    EXPECT_EQ(StoredInt(settings::kBackground), 0);
    // Stored as a plain int, as the key is meant to be read.
    QSettings s("Velmor", "TAV 2.1");
    EXPECT_EQ(s.value("Settings/IsBackgrWhite").toString(), "0");
}

// Stored values are read at start; recent files and the toolbar layout, saved at close, survive
// a restart.
TEST_F(SettingsTest, StoredValuesRecentFilesAndToolBarsSurviveARestart) {
    settings::WriteInt(settings::kBackground, 1);
    settings::WriteInt(settings::kDisplayList, 0);
    Start();
    EXPECT_EQ(frame->IsBackgroundWhite(), 1);
    EXPECT_EQ(frame->IsDisplayListUsed(), 0);
    app->AddToRecentFileList("/tmp/one.tav");
    app->AddToRecentFileList("/tmp/two.tav");
    frame->ToolBar(cmd::kDrawBar)->hide();
    frame->addToolBar(Qt::LeftToolBarArea, frame->ToolBar(cmd::kZoomBar));
    ASSERT_TRUE(frame->close());
    EXPECT_FALSE(settings::ReadToolBarState().isEmpty());
    app.reset();
    Start();
    EXPECT_EQ(app->RecentFiles(), (QStringList{"/tmp/two.tav", "/tmp/one.tav"}));
    EXPECT_TRUE(frame->ToolBar(cmd::kDrawBar)->isHidden());
    EXPECT_EQ(frame->toolBarArea(frame->ToolBar(cmd::kZoomBar)), Qt::LeftToolBarArea);
    EXPECT_FALSE(frame->ToolBar(cmd::kStandardBar)->isHidden());
}

// "Jednostka GSI" and the list dialog keep what the user chose, and imports take it from there.
TEST_F(SettingsTest, GsiUnitAndPointListChoicesAreKept) {
    Start();
    EXPECT_FALSE(ImportOptionsFromSettings().gsiMetres);
    {
        CGsiUnitDialog dialog(frame);
        dialog.findChild<QRadioButton*>(QStringLiteral("2"))->setChecked(true);
        dialog.findChild<QCheckBox*>(QStringLiteral("3"))->setChecked(true);
        dialog.accept();
    }
    EXPECT_EQ(StoredInt(settings::kGsiMetres), 1);
    EXPECT_TRUE(ImportOptionsFromSettings().gsiMetres);
    EXPECT_TRUE(ImportOptionsFromSettings().gsiCoordinates);
    {
        CGsiUnitDialog dialog(frame);
        EXPECT_TRUE(dialog.findChild<QRadioButton*>(QStringLiteral("2"))->isChecked());
    }

    CPointListDialog list({QStringLiteral("Nr;X;Y;Z"), QStringLiteral("A;1,5;2;3;kod")}, frame);
    auto* preview = list.findChild<QTableWidget*>(QStringLiteral("3"));
    // Found from the lines: semicolons, decimal commas kept as written.
    ASSERT_EQ(preview->columnCount(), 5);
    EXPECT_EQ(preview->item(1, 1)->text(), "1,5");
    EXPECT_EQ(preview->horizontalHeaderItem(0)->text(), "Nazwa");
    EXPECT_EQ(preview->horizontalHeaderItem(4)->text(), "Kod");
    list.findChild<QComboBox*>(QStringLiteral("1"))->setCurrentIndex(1);  // comma
    EXPECT_EQ(preview->columnCount(), 2);
    list.findChild<QComboBox*>(QStringLiteral("2"))->setCurrentText(QStringLiteral("yxz"));
    EXPECT_EQ(preview->horizontalHeaderItem(0)->text(), "Y");
    list.accept();
    EXPECT_EQ(StoredInt(settings::kCsvSeparator), ',');
    QSettings s("Velmor", "TAV 2.1");
    EXPECT_EQ(s.value("Settings/CsvColumns").toString(), "YXZ");
    CPointListDialog again({}, frame);
    EXPECT_EQ(again.Separator(), ',');
    EXPECT_EQ(again.Columns(), "YXZ");
}

}  // namespace
