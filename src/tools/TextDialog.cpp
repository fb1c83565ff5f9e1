#include "tools/TextDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"
#include "view/TAVView.h"

namespace {

constexpr const char* kXyzLabels[3] = {"&X:", "&Y:", "&Z:"};
constexpr const char* kAxisLabels[3] = {"VX:", "VY:", "VZ:"};

}  // namespace

CTextDialog::CTextDialog(CTAVView& view) : CEntityDialog(view, "154", "Tekst") {
    auto* grid = new QGridLayout(this);
    m_text = new QLineEdit(this);
    m_text->setObjectName("1034");
    auto* textLabel = new QLabel("&Tekst:", this);
    textLabel->setBuddy(m_text);
    grid->addWidget(textLabel, 0, 0);
    grid->addWidget(m_text, 0, 1, 1, 3);
    TrackFocus(m_text, 0);
    grid->addWidget(AddVectorGroup(QString::fromUtf8("Położenie"), 1049, kXyzLabels, m_position, 1),
                    1, 0, 1, 2);
    grid->addWidget(AddVectorGroup("Oś Z", 1052, kAxisLabels, m_axis, 0), 1, 2, 1, 2);
    m_rotation = new QLineEdit(this);
    m_rotation->setObjectName("1040");
    auto* rotationLabel = new QLabel("&Kąt obrotu:", this);
    rotationLabel->setBuddy(m_rotation);
    grid->addWidget(rotationLabel, 2, 0);
    grid->addWidget(m_rotation, 2, 1);
    TrackFocus(m_rotation, 3);
    auto* fontBox = new QGroupBox("&Font", this);
    auto* fontGrid = new QGridLayout(fontBox);
    m_font = new QComboBox(fontBox);
    m_font->setObjectName("1035");
    for (const char* name : kFontNames) {
        m_font->addItem(name);
    }
    m_height = new QLineEdit(fontBox);
    m_height->setObjectName("1036");
    auto* heightLabel = new QLabel("&Wysokość:", fontBox);
    heightLabel->setBuddy(m_height);
    fontGrid->addWidget(m_font, 0, 0, 1, 2);
    fontGrid->addWidget(heightLabel, 1, 0);
    fontGrid->addWidget(m_height, 1, 1);
    TrackFocus(m_font, 0);
    TrackFocus(m_height, 2);
    grid->addWidget(fontBox, 3, 0, 1, 4);
    AddNameControl(grid, 4);
    AddCommonControls(grid, 5);
    AddOkCancel(grid, 8);
}

void CTextDialog::FillControls() {
    const auto* text = dynamic_cast<const CText*>(Entity());
    if (text == nullptr) {
        return;
    }
    m_text->setText(QString::fromStdString(text->m_text));
    ShowVector(m_position, text->m_position.AsVec(), true);
    ShowVector(m_axis, text->m_axis, false);
    m_rotation->setText(QString::fromStdString(FormatG15(text->m_rotation)));
    m_height->setText(QString::fromStdString(FormatG15(text->m_height)));
    m_font->setCurrentIndex(text->m_font >= 0 && text->m_font < 4 ? text->m_font : -1);
}

bool CTextDialog::ReadControls() {
    auto* text = dynamic_cast<CText*>(Entity());
    if (text == nullptr) {
        return false;
    }
    CVec3 position, axis;
    double rotation = 0, height = 0;
    if (!ReadPlacement(m_position, m_axis, position, axis)) {
        return false;
    }
    if (!ReadNumber(m_rotation, rotation, 0, 360) || !ReadNumber(m_height, height, 0, 1e12)) {
        return false;
    }
    text->m_text = m_text->text().toStdString();
    const uint32_t flag = text->m_position.flag;
    text->m_position = CPoint3(position);
    text->m_position.flag = flag;
    text->m_axis = axis;
    text->m_rotation = rotation;
    text->m_height = height;
    if (m_font->currentIndex() >= 0) {
        text->m_font = m_font->currentIndex();
    }
    return true;
}

void CTextDialog::HandleFocus(int handle) {
    SetHandle(handle);
    if (handle >= 1) {
        if (const auto* text = dynamic_cast<const CText*>(Entity())) {
            SetViewPoint(text->m_position);
        }
    }
    Preview();
}

void CTextDialog::CursorBack() {
    const auto* text = dynamic_cast<const CText*>(Entity());
    if (text != nullptr && m_view && m_view->GetEditHandle() >= 1) {
        SetViewPoint(text->m_position);
        Preview();
    }
}

void CTextDialog::OnPointPicked(int handle) {
    const auto* text = dynamic_cast<const CText*>(Entity());
    if (text == nullptr || !m_view) {
        return;
    }
    const CPoint3 picked = m_view->GetPickedPoint();
    CPoint3 hit;
    const bool met = (handle == 2 || handle == 3) &&
                     IntersectPickRay(picked, m_view->Camera().m_eye, m_view->Camera().m_target,
                                      text->m_position, text->m_axis, hit);
    const auto fixed2 = [](double v) { return QString::fromStdString(FormatFixed(v, 2)); };
    switch (handle) {
        case 1:
            ShowPicked(m_position, CCoordFrame::Active(Doc()).ToLocal(picked));
            MoveFocus(m_height);
            break;
        case 2:
            m_height->setText(fixed2(met ? hit.Distance(text->m_position) : text->m_height));
            MoveFocus(m_rotation);
            break;
        case 3:
            m_rotation->setText(fixed2(met ? AngleInEntityFrame(text->m_position, text->m_axis, hit)
                                           : text->m_rotation));
            MoveFocus(m_ok);
            break;
        default:
            break;
    }
    CEntityDialog::OnPointPicked(handle);
}

QWidget* CTextDialog::FirstFocus() const {
    return m_text;
}
