// The camera dialogs: controls by id, conversions, refusals.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "support/Describe.h"
#include "support/Widgets.h"
#include "view/ViewDialogs.h"

namespace {

SViewPointValues SampleValues() {
    SViewPointValues v;
    v.eye = CPoint3(5420100.5, 6310200.25, 150);
    v.target = CPoint3(5420100.5, 6310200.25, 100);
    v.targetMarker = 1;
    v.spinAngle = 30;
    v.viewAngle = 40;
    v.scale = 0.125;
    return v;
}

TEST(ViewPointDlg, ShowsAndReturnsTheValues) {
    CRecordingPrompter prompter;
    CViewPointDlg dlg(SampleValues(), nullptr, prompter);
    EXPECT_EQ(dlg.objectName(), "151");
    EXPECT_EQ(dlg.windowTitle(), "Punkt obserwacji");
    EXPECT_EQ(Control<QLineEdit>(dlg, 1023)->text(), "5420100.5");
    EXPECT_EQ(Control<QLineEdit>(dlg, 1024)->text(), "6310200.25");
    EXPECT_EQ(Control<QLineEdit>(dlg, 1028)->text(), "100");
    EXPECT_TRUE(Control<QCheckBox>(dlg, 1033)->isChecked());
    EXPECT_EQ(Control<QCheckBox>(dlg, 1033)->text(), "W&idoczny");
    EXPECT_EQ(Control<QDoubleSpinBox>(dlg, 1040)->maximum(), 360.0);
    EXPECT_EQ(Control<QLineEdit>(dlg, 1032)->text(), "0.125");
    Control<QLineEdit>(dlg, 1025)->setText("175.75");
    Control<QCheckBox>(dlg, 1033)->setChecked(false);
    Control<QDoubleSpinBox>(dlg, 1040)->setValue(359.5);
    Control<QLineEdit>(dlg, 1032)->setText("2");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Values().eye.z, 175.75);
    EXPECT_EQ(dlg.Values().eye.x, 5420100.5);
    EXPECT_EQ(dlg.Values().targetMarker, 0);
    EXPECT_EQ(dlg.Values().spinAngle, 359.5);
    EXPECT_EQ(dlg.Values().scale, 2.0);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST(ViewPointDlg, SameEyeAndTargetKeepsTheDialogOpen) {
    CRecordingPrompter prompter;
    CViewPointDlg dlg(SampleValues(), nullptr, prompter);
    Control<QLineEdit>(dlg, 1025)->setText("100.000000001");  // within 1e-8 of the target
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(MessageTexts(prompter),
              std::vector<std::string>{"Punkt obserwacji i punkt celu są takie same."});
    // Nothing was taken over.
    EXPECT_EQ(dlg.Values().eye.z, 150.0);
    Control<QLineEdit>(dlg, 1025)->setText("100.0001");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    // Bad numbers, and scales that are not positive, are refused.
    const std::pair<int, const char*> bad[] = {{1026, ""},    {1026, "abc"}, {1026, "1e999"},
                                               {1026, "nan"}, {1032, "0"},   {1032, "-1"}};
    for (const auto& [id, text] : bad) {
        CRecordingPrompter prompter2;
        CViewPointDlg dlg2(SampleValues(), nullptr, prompter2);
        Control<QLineEdit>(dlg2, id)->setText(text);
        dlg2.accept();
        EXPECT_NE(dlg2.result(), QDialog::Accepted) << text;
        EXPECT_EQ(dlg2.Values().target.x, 5420100.5);
    }
}

TEST(ViewPointDlg, LocalSystemCoordinates) {
    // World to local: shift by (-100, -200, 0) and turn a quarter about z.
    const CMatrix4 toLocal = CMatrix4(90 * kDegToRad, 2) * CMatrix4(CVec3(-100, -200, 0));
    SViewPointValues v;
    v.eye = CPoint3(101, 200, 10);
    v.target = CPoint3(100, 200, 0);
    CRecordingPrompter prompter;
    CViewPointDlg dlg(v, &toLocal, prompter);
    EXPECT_EQ(Control<QLineEdit>(dlg, 1023)->text(), "0");
    EXPECT_EQ(Control<QLineEdit>(dlg, 1024)->text(), "1");
    Control<QLineEdit>(dlg, 1024)->setText("2");
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_NEAR(dlg.Values().eye.x, 102, 1e-9);
    EXPECT_NEAR(dlg.Values().eye.y, 200, 1e-9);
    EXPECT_NEAR(dlg.Values().target.x, 100, 1e-9);
}

TEST(ProjectionDlg, ViewAngleOnlyWithPerspective) {
    CProjectionDlg dlg(SProjectionValues{0.5, 300, 0, 40});
    EXPECT_EQ(dlg.objectName(), "152");
    EXPECT_EQ(dlg.windowTitle(), "Rzutowanie");
    dlg.show();
    auto* angle = Control<QDoubleSpinBox>(dlg, 1031);
    EXPECT_FALSE(angle->isVisible());
    EXPECT_EQ(angle->maximum(), 179.0);
    EXPECT_TRUE(Control<QRadioButton>(dlg, 1046)->isChecked());
    Control<QRadioButton>(dlg, 1047)->setChecked(true);
    EXPECT_TRUE(angle->isVisible());
    angle->setValue(60);
    Control<QLineEdit>(dlg, 1029)->setText("0");
    Control<QLineEdit>(dlg, 1030)->setText("1000");
    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Values().perspective, 1);
    EXPECT_EQ(dlg.Values().viewAngle, 60.0);
    EXPECT_EQ(dlg.Values().nearPlane, 0.0);
    EXPECT_EQ(dlg.Values().farPlane, 1000.0);
    Control<QRadioButton>(dlg, 1046)->setChecked(true);
    EXPECT_FALSE(angle->isVisible());
    // Near is not checked against far but must be a number.
    CProjectionDlg dlg2(SProjectionValues{});
    Control<QLineEdit>(dlg2, 1029)->setText("50");
    Control<QLineEdit>(dlg2, 1030)->setText("10");
    dlg2.accept();
    EXPECT_EQ(dlg2.result(), QDialog::Accepted);
    CProjectionDlg bad(SProjectionValues{});
    Control<QLineEdit>(bad, 1030)->setText("x");
    bad.accept();
    EXPECT_NE(bad.result(), QDialog::Accepted);
    EXPECT_EQ(bad.Values().farPlane, 2.0);
}

}  // namespace
