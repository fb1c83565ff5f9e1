// The information dialog and the point localization dialog, found by control ids.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "document/Entity.h"
#include "support/Widgets.h"
#include "tools/InfoDlg.h"
#include "tools/PointLocalizeDlg.h"

namespace {

TEST(InfoDlg, CircleShowsKindAndBothRows) {
    CArc circle;
    circle.m_radius = 2;
    CInfoDlg dlg(EntityInfo(circle, nullptr));
    EXPECT_EQ(dlg.objectName(), "157");
    EXPECT_EQ(dlg.windowTitle(), "Informacja:");
    EXPECT_EQ(Control<QGroupBox>(dlg, 1085)->title(), "Okrąg");
    EXPECT_EQ(Control<QLabel>(dlg, 1086)->text(), "Obwód:");
    EXPECT_EQ(Control<QLabel>(dlg, 1087)->text(), "12.566");
    EXPECT_EQ(Control<QLabel>(dlg, 1088)->text(), "Pole powierzchni:");
    EXPECT_EQ(Control<QLabel>(dlg, 1089)->text(), "12.566");
    for (int id : {1086, 1087, 1088, 1089}) {
        EXPECT_TRUE(Control<QLabel>(dlg, id)->isVisibleTo(&dlg)) << id;
    }
    // A row without area is hidden.
    CPoly bow;
    bow.m_vertices = {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};
    CInfoDlg dlg2(EntityInfo(bow, nullptr));
    EXPECT_EQ(Control<QGroupBox>(dlg2, 1085)->title(), "Łamana");
    EXPECT_EQ(Control<QLabel>(dlg2, 1086)->text(), "Długość:");
    EXPECT_TRUE(Control<QLabel>(dlg2, 1087)->isVisibleTo(&dlg2));
    EXPECT_FALSE(Control<QLabel>(dlg2, 1088)->isVisibleTo(&dlg2));
    EXPECT_FALSE(Control<QLabel>(dlg2, 1089)->isVisibleTo(&dlg2));
}

TEST(PointLocalizeDlg, BoxesFollowAndSetTheMaskAtOnce) {
    uint16_t mask = 1 | 4 | 128;
    int window = 40;  // out of range: shown and kept clamped
    CPointLocalizeDlg dlg(mask, window);
    EXPECT_EQ(dlg.objectName(), "166");
    EXPECT_EQ(dlg.windowTitle(), "Tryb lokalizacji punktu:");
    const char* texts[] = {"Punkt",           "Wierzchołek",         "Centrum łuku/okręgu",
                           "Początek tekstu", "Środek odcinka/łuku", "Koniec łuku",
                           "Kwadrant okręgu", "Punkt przecięcia"};
    for (int i = 0; i < 8; ++i) {
        QCheckBox* box = Control<QCheckBox>(dlg, 1091 + i);
        ASSERT_NE(box, nullptr) << i;
        EXPECT_EQ(box->text().toStdString(), texts[i]);
        EXPECT_EQ(box->isChecked(), (mask >> i) & 1) << i;
    }
    Control<QCheckBox>(dlg, 1092)->click();
    EXPECT_EQ(mask, 1 | 2 | 4 | 128);
    Control<QCheckBox>(dlg, 1098)->click();
    Control<QCheckBox>(dlg, 1091)->click();
    EXPECT_EQ(mask, 2 | 4);
    auto* size = Control<QSpinBox>(dlg, 1190);
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(window, 25);
    EXPECT_EQ(size->value(), 25);
    EXPECT_EQ(size->minimum(), 4);
    size->setValue(9);
    EXPECT_EQ(window, 9);
    size->setValue(2);
    EXPECT_EQ(window, 4);
    const auto buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "Tak");
    buttons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(mask, 2 | 4);
}

}  // namespace
