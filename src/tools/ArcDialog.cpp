#include "tools/ArcDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "document/TAVDoc.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "tools/core/NumberText.h"
#include "view/TAVView.h"

namespace {

constexpr const char* kXyzLabels[3] = {"&X:", "&Y:", "&Z:"};
constexpr const char* kAxisLabels[3] = {"VX:", "VY:", "VZ:"};

QLineEdit* NumberEdit(int id, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::number(id));
    return e;
}

}  // namespace

CArcDialog::CArcDialog(CTAVView& view)
    : CEntityDialog(view, "155", QString::fromUtf8("Łuk/Okrąg")) {
    auto* grid = new QGridLayout(this);
    AddNameControl(grid, 0);
    grid->addWidget(AddVectorGroup("Śr&odek", 1049, kXyzLabels, m_centre, 1), 1, 0, 1, 2);
    grid->addWidget(AddVectorGroup("Oś Z", 1052, kAxisLabels, m_axis, 0), 1, 2, 1, 2);
    m_radius = NumberEdit(1037, this);
    m_start = NumberEdit(1038, this);
    m_length = NumberEdit(1039, this);
    m_circle = new QCheckBox("&Okrąg", this);
    m_circle->setObjectName("1041");
    auto* radiusLabel = new QLabel("P&romień:", this);
    radiusLabel->setBuddy(m_radius);
    m_startLabel = new QLabel("Ką&t początkowy:", this);
    m_startLabel->setObjectName("1042");
    m_startLabel->setBuddy(m_start);
    m_lengthLabel = new QLabel("Dł&ugość kątowa:", this);
    m_lengthLabel->setObjectName("1043");
    m_lengthLabel->setBuddy(m_length);
    grid->addWidget(radiusLabel, 2, 0);
    grid->addWidget(m_radius, 2, 1);
    grid->addWidget(m_circle, 2, 2);
    grid->addWidget(m_startLabel, 3, 0);
    grid->addWidget(m_start, 3, 1);
    grid->addWidget(m_lengthLabel, 4, 0);
    grid->addWidget(m_length, 4, 1);
    TrackFocus(m_radius, 2);
    TrackFocus(m_start, 3);
    TrackFocus(m_length, 4);
    TrackFocus(m_circle, 0);
    AddCommonControls(grid, 5);
    AddOkCancel(grid, 8);
    connect(m_circle, &QCheckBox::clicked, this, &CArcDialog::OnCircle);
}

void CArcDialog::FillControls() {
    const auto* arc = dynamic_cast<const CArc*>(Entity());
    if (arc == nullptr) {
        return;
    }
    ShowVector(m_centre, arc->m_center.AsVec(), true);
    ShowVector(m_axis, arc->m_axis, false);
    m_radius->setText(QString::fromStdString(FormatG15(arc->m_radius)));
    m_start->setText(QString::fromStdString(FormatG15(arc->m_start)));
    m_length->setText(QString::fromStdString(FormatG15(arc->m_length)));
    const bool full = arc->m_start == 0.0 && arc->m_length == 360.0;
    if (!m_circleSet) {
        m_circleSet = true;
        m_circle->setChecked(full);
        EnableAngles(!full);
    }
}

bool CArcDialog::ReadControls() {
    auto* arc = dynamic_cast<CArc*>(Entity());
    if (arc == nullptr) {
        return false;
    }
    CVec3 centre, axis;
    double radius = 0, start = 0, length = 0;
    if (!ReadPlacement(m_centre, m_axis, centre, axis)) {
        return false;
    }
    if (!ReadNumber(m_radius, radius, 1e-10, 1e10) || !ReadNumber(m_start, start, 0, 360) ||
        !ReadNumber(m_length, length, 0, 360)) {
        return false;
    }
    const uint32_t flag = arc->m_center.flag;
    arc->m_center = CPoint3(centre);
    arc->m_center.flag = flag;
    arc->m_axis = axis;
    arc->m_radius = radius;
    arc->m_start = start;
    arc->m_length = length;
    return true;
}

void CArcDialog::EnableAngles(bool enable) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_start, m_length, m_startLabel, m_lengthLabel}) {
        w->setEnabled(enable);
    }
}

void CArcDialog::OnCircle(bool checked) {
    auto* arc = dynamic_cast<CArc*>(Entity());
    if (arc == nullptr) {
        return;
    }
    if (checked) {
        ReadControls();
        EnableAngles(false);
        arc->m_start = 0.0;
        arc->m_length = 360.0;
        FillControls();
    } else {
        EnableAngles(true);
    }
    Preview();
}

CPoint3 CArcDialog::HandlePoint(int handle) const {
    const auto* arc = dynamic_cast<const CArc*>(Entity());
    if (arc == nullptr) {
        return {};
    }
    CPoint3 p = arc->m_center;
    if (handle == 2 || handle == 3) {
        arc->GetPointAt(p, 0.0);
    } else if (handle == 4) {
        arc->GetPointAt(p, arc->m_length);
    }
    return p;
}

void CArcDialog::HandleFocus(int handle) {
    SetHandle(handle);
    if (handle >= 1) {
        SetViewPoint(HandlePoint(handle));
    }
    Preview();
}

void CArcDialog::CursorBack() {
    if (m_view && m_view->GetEditHandle() >= 1) {
        SetViewPoint(HandlePoint(m_view->GetEditHandle()));
        Preview();
    }
}

void CArcDialog::OnPointPicked(int handle) {
    const auto* arc = dynamic_cast<const CArc*>(Entity());
    if (arc == nullptr || !m_view) {
        return;
    }
    const CCoordFrame frame = CCoordFrame::Active(Doc());
    const CPoint3 picked = m_view->GetPickedPoint();
    CPoint3 hit;
    const bool met = handle >= 2 && handle <= 4 &&
                     IntersectPickRay(picked, m_view->Camera().m_eye, m_view->Camera().m_target,
                                      arc->m_center, arc->m_axis, hit);
    const auto fixed2 = [](double v) { return QString::fromStdString(FormatFixed(v, 2)); };
    switch (handle) {
        case 1:
            ShowPicked(m_centre, frame.ToLocal(picked));
            MoveFocus(m_radius);
            break;
        case 2:
            m_radius->setText(fixed2(met ? hit.Distance(arc->m_center) : arc->m_radius));
            MoveFocus(m_ok);
            break;
        case 3:
            m_start->setText(
                fixed2(met ? AngleInEntityFrame(arc->m_center, arc->m_axis, hit) : arc->m_start));
            break;
        case 4: {
            // A start typed but not yet read back counts.
            double start = arc->m_start;
            double typed = 0.0;
            if (ParseNumberText(m_start->text().toStdString(), typed) && typed >= 0.0 &&
                typed <= 360.0) {
                start = typed;
            }
            m_length->setText(
                fixed2(met ? ArcLengthTo(start, AngleInEntityFrame(arc->m_center, arc->m_axis, hit))
                           : arc->m_length));
            break;
        }
        default:
            break;
    }
    CEntityDialog::OnPointPicked(handle);
}

QWidget* CArcDialog::FirstFocus() const {
    return m_centre[0];
}
