#include "view/ViewDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "document/Prompter.h"

namespace {

// Shortest form that reads back to the same double.
QString Number(double v) {
    return QString::number(v, 'g', 17).length() > QString::number(v, 'g', 15).length() &&
                   QString::number(v, 'g', 15).toDouble() == v
               ? QString::number(v, 'g', 15)
               : QString::number(v, 'g', 17);
}

QLineEdit* NumberField(int id, double value, QWidget* parent) {
    auto* e = new QLineEdit(Number(value), parent);
    e->setObjectName(QString::number(id));
    return e;
}

QDoubleSpinBox* AngleField(int id, double value, double max, QWidget* parent) {
    auto* s = new QDoubleSpinBox(parent);
    s->setObjectName(QString::number(id));
    s->setDecimals(3);
    s->setRange(0.0, max);
    s->setValue(value);
    return s;
}

// A refused field: beep and put the cursor there; the dialog stays open.
void Refuse(QLineEdit* field) {
    QApplication::beep();
    field->setFocus();
    field->selectAll();
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

bool ParseFieldNumber(const QString& text, double& out) {
    bool ok = false;
    double v = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok) {
        v = QLocale::system().toDouble(text.trimmed(), &ok);
    }
    if (!ok || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

CViewPointDlg::CViewPointDlg(const SViewPointValues& values, const CMatrix4* worldToLocal,
                             CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_values(values), m_prompter(prompter) {
    setObjectName("151");
    setWindowTitle("Punkt obserwacji");
    m_toLocal = worldToLocal ? *worldToLocal : CMatrix4::Identity();
    m_toWorld = m_toLocal;
    if (!m_toWorld.Invert()) {
        m_toLocal = m_toWorld = CMatrix4::Identity();
    }
    const CPoint3 eye = values.eye.TransformedBy(m_toLocal);
    const CPoint3 target = values.target.TransformedBy(m_toLocal);

    auto* layout = new QVBoxLayout(this);
    const char* axes[3] = {"X:", "Y:", "Z:"};
    for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(g == 0 ? "Punkt obserwacji" : "Punkt celu", this);
        auto* grid = new QGridLayout(box);
        const CPoint3& p = g == 0 ? eye : target;
        for (int i = 0; i < 3; ++i) {
            m_fields[g * 3 + i] = NumberField(1023 + g * 3 + i, p[i], box);
            auto* label = new QLabel(axes[i], box);
            label->setBuddy(m_fields[g * 3 + i]);
            grid->addWidget(label, i, 0);
            grid->addWidget(m_fields[g * 3 + i], i, 1);
        }
        if (g == 1) {
            m_marker = new QCheckBox("W&idoczny", box);
            m_marker->setObjectName("1033");
            m_marker->setChecked(values.targetMarker != 0);
            grid->addWidget(m_marker, 3, 1);
        }
        layout->addWidget(box);
    }
    auto* grid = new QGridLayout;
    m_spin = AngleField(1040, values.spinAngle, 360.0, this);
    m_viewAngle = NumberField(1031, values.viewAngle, this);
    m_scale = NumberField(1032, values.scale, this);
    const char* labels[3] = {"&Obrót w okół kierunku widzenia:", "&Kąt widoku:", "&Skala:"};
    QWidget* fields[3] = {m_spin, m_viewAngle, m_scale};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(labels[i], this);
        label->setBuddy(fields[i]);
        grid->addWidget(label, i, 0);
        grid->addWidget(fields[i], i, 1);
    }
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

void CViewPointDlg::accept() {
    double v[6];
    for (int i = 0; i < 6; ++i) {
        if (!ParseFieldNumber(m_fields[i]->text(), v[i])) {
            Refuse(m_fields[i]);
            return;
        }
    }
    double viewAngle = 0, scale = 0;
    if (!ParseFieldNumber(m_viewAngle->text(), viewAngle)) {
        Refuse(m_viewAngle);
        return;
    }
    // A scale of zero or below would collapse or mirror the view.
    if (!ParseFieldNumber(m_scale->text(), scale) || !(scale > 0.0)) {
        Refuse(m_scale);
        return;
    }
    const CPoint3 eye(v[0], v[1], v[2]);
    const CPoint3 target(v[3], v[4], v[5]);
    if (eye.Equals(target, kGeomTol)) {
        m_prompter.ShowMessage(kSameEyeAndTarget, CPrompter::EIcon::Warning);
        m_fields[0]->setFocus();
        return;
    }
    m_values.eye = eye.TransformedBy(m_toWorld);
    m_values.target = target.TransformedBy(m_toWorld);
    m_values.targetMarker = m_marker->isChecked() ? 1 : 0;
    m_values.spinAngle = m_spin->value();
    m_values.viewAngle = viewAngle;
    m_values.scale = scale;
    QDialog::accept();
}

CProjectionDlg::CProjectionDlg(const SProjectionValues& values, QWidget* parent)
    : QDialog(parent), m_values(values) {
    setObjectName("152");
    setWindowTitle("Rzutowanie");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_near = NumberField(1029, values.nearPlane, this);
    m_far = NumberField(1030, values.farPlane, this);
    auto* nearLabel = new QLabel("&Przednia:", this);
    nearLabel->setBuddy(m_near);
    auto* farLabel = new QLabel("&Tylnia:", this);
    farLabel->setBuddy(m_far);
    grid->addWidget(nearLabel, 0, 0);
    grid->addWidget(m_near, 0, 1);
    grid->addWidget(farLabel, 1, 0);
    grid->addWidget(m_far, 1, 1);
    layout->addLayout(grid);
    m_ortho = new QRadioButton("&Ortogonalne", this);
    m_ortho->setObjectName("1046");
    m_perspective = new QRadioButton("&Perspektywa", this);
    m_perspective->setObjectName("1047");
    (values.perspective ? m_perspective : m_ortho)->setChecked(true);
    layout->addWidget(m_ortho);
    layout->addWidget(m_perspective);
    auto* angleRow = new QGridLayout;
    m_angle = AngleField(1031, values.viewAngle, 179.0, this);
    m_angleLabel = new QLabel("Kąt &widoku:", this);
    m_angleLabel->setBuddy(m_angle);
    angleRow->addWidget(m_angleLabel, 0, 0);
    angleRow->addWidget(m_angle, 0, 1);
    layout->addLayout(angleRow);
    layout->addWidget(OkCancel(this));
    connect(m_perspective, &QRadioButton::toggled, this, [this] { ShowViewAngle(); });
    ShowViewAngle();
}

void CProjectionDlg::ShowViewAngle() {
    const bool show = m_perspective->isChecked();
    m_angle->setVisible(show);
    m_angleLabel->setVisible(show);
}

void CProjectionDlg::accept() {
    double nearPlane = 0, farPlane = 0;
    if (!ParseFieldNumber(m_near->text(), nearPlane)) {
        Refuse(m_near);
        return;
    }
    if (!ParseFieldNumber(m_far->text(), farPlane)) {
        Refuse(m_far);
        return;
    }
    m_values.nearPlane = nearPlane;
    m_values.farPlane = farPlane;
    m_values.perspective = m_perspective->isChecked() ? 1 : 0;
    m_values.viewAngle = m_angle->value();
    QDialog::accept();
}
