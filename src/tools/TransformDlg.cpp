#include "tools/TransformDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "document/Prompter.h"
#include "view/ViewDialogs.h"

namespace {

constexpr char kTitle[] = "Transformacja:";
constexpr char kModelBox[] = "Układ odniesienia modelu importowanego w jego współrzędnych";
constexpr char kDrawingBox[] =
    "Położenie układ odniesienia modelu importowanego we współrzędnych  rysunku";
constexpr char kOriginBox[] = "Początek";
constexpr char kAxisBox[] = "Punkt na osi:";
constexpr char kLeftHanded[] = "układ lewoskrętny";
constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};

QString Id(int id) {
    return QString::number(id);
}

// The shortest text that reads back to the same number.
QString NumberText(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

CTransformDlg::CTransformDlg(CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_prompter(prompter) {
    setObjectName("164");
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    BuildSystem(layout, kModelBox, 1055, m_modelOrigin, m_modelFirst, m_modelSecond);
    m_leftHanded = new QCheckBox(kLeftHanded, this);
    m_leftHanded->setObjectName(Id(1131));
    layout->addWidget(m_leftHanded);
    BuildSystem(layout, kDrawingBox, 1070, m_drawingOrigin, m_drawingFirst, m_drawingSecond);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("1");
    buttons->button(QDialogButtonBox::Ok)->setText("Tak");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("2");
    buttons->button(QDialogButtonBox::Cancel)->setText("Anuluj");
    connect(buttons, &QDialogButtonBox::accepted, this, &CTransformDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    SetValues(m_values);
}

// One system's frame: the origin's edits, then for each axis point its three radio buttons
// and three edits, numbered from firstId in that order.
void CTransformDlg::BuildSystem(QBoxLayout* layout, const char* title, int firstId,
                                SPointControls& origin, SAxisControls& first,
                                SAxisControls& second) {
    auto* frame = new QGroupBox(title, this);
    auto* row = new QHBoxLayout(frame);
    int id = firstId;
    const auto addEdits = [&id](QGroupBox* box, QGridLayout* grid, int firstRow,
                                SPointControls& c) {
        for (int i = 0; i < 3; ++i) {
            c.xyz[i] = new QLineEdit(box);
            c.xyz[i]->setObjectName(Id(id++));
            auto* label = new QLabel(QString(kAxisNames[i]) + ":", box);
            label->setBuddy(c.xyz[i]);
            grid->addWidget(label, firstRow + i, 0);
            grid->addWidget(c.xyz[i], firstRow + i, 1);
        }
    };
    auto* originBox = new QGroupBox(kOriginBox, frame);
    auto* originGrid = new QGridLayout(originBox);
    addEdits(originBox, originGrid, 1, origin);
    row->addWidget(originBox);
    for (SAxisControls* axis : {&first, &second}) {
        auto* box = new QGroupBox(kAxisBox, frame);
        auto* grid = new QGridLayout(box);
        auto* radios = new QHBoxLayout;
        axis->axis = new QButtonGroup(box);
        for (int i = 0; i < 3; ++i) {
            auto* radio = new QRadioButton(kAxisNames[i], box);
            radio->setObjectName(Id(id++));
            axis->axis->addButton(radio, i);
            radios->addWidget(radio);
        }
        grid->addLayout(radios, 0, 0, 1, 2);
        addEdits(box, grid, 1, axis->point);
        row->addWidget(box);
    }
    layout->addWidget(frame);
}

void CTransformDlg::SetValues(const SAlignment& values) {
    m_values = values;
    const auto setPoint = [](const SPointControls& c, const CPoint3& p) {
        for (int i = 0; i < 3; ++i) {
            c.xyz[i]->setText(NumberText(p[i]));
        }
    };
    const auto setAxis = [](const SAxisControls& c, int axis) {
        if (QAbstractButton* b = c.axis->button(axis)) {
            b->setChecked(true);
        }
    };
    setPoint(m_modelOrigin, values.modelOrigin);
    setAxis(m_modelFirst, values.modelFirstAxis);
    setPoint(m_modelFirst.point, values.modelFirstPoint);
    setAxis(m_modelSecond, values.modelSecondAxis);
    setPoint(m_modelSecond.point, values.modelSecondPoint);
    m_leftHanded->setChecked(values.leftHanded);
    setPoint(m_drawingOrigin, values.drawingOrigin);
    setAxis(m_drawingFirst, values.drawingFirstAxis);
    setPoint(m_drawingFirst.point, values.drawingFirstPoint);
    setAxis(m_drawingSecond, values.drawingSecondAxis);
    setPoint(m_drawingSecond.point, values.drawingSecondPoint);
}

// A field that is not a number beeps and takes the focus.
bool CTransformDlg::ReadPoint(const SPointControls& c, CPoint3& out) {
    for (int i = 0; i < 3; ++i) {
        double v = 0.0;
        if (!ParseFieldNumber(c.xyz[i]->text(), v)) {
            m_prompter.Beep();
            c.xyz[i]->setFocus();
            c.xyz[i]->selectAll();
            return false;
        }
        out[i] = v;
    }
    return true;
}

void CTransformDlg::accept() {
    SAlignment a;
    if (!ReadPoint(m_modelOrigin, a.modelOrigin) ||
        !ReadPoint(m_modelFirst.point, a.modelFirstPoint) ||
        !ReadPoint(m_modelSecond.point, a.modelSecondPoint) ||
        !ReadPoint(m_drawingOrigin, a.drawingOrigin) ||
        !ReadPoint(m_drawingFirst.point, a.drawingFirstPoint) ||
        !ReadPoint(m_drawingSecond.point, a.drawingSecondPoint)) {
        return;
    }
    a.modelFirstAxis = m_modelFirst.axis->checkedId();
    a.modelSecondAxis = m_modelSecond.axis->checkedId();
    a.leftHanded = m_leftHanded->isChecked();
    a.drawingFirstAxis = m_drawingFirst.axis->checkedId();
    a.drawingSecondAxis = m_drawingSecond.axis->checkedId();
    if (const char* problem = CheckAlignment(a)) {
        m_prompter.ShowMessage(problem, CPrompter::EIcon::Warning);
        return;
    }
    m_values = a;
    QDialog::accept();
}

bool RunTransformDlg(SAlignment& values, CPrompter& prompter, QWidget* parent) {
    CTransformDlg dlg(prompter, parent);
    dlg.SetValues(values);
    if (dlg.exec() != QDialog::Accepted) {
        return false;
    }
    values = dlg.Values();
    return true;
}
