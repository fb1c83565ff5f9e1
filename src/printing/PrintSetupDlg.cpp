#include "printing/PrintSetupDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <cmath>

#include "document/Prompter.h"

namespace {

QString Id(int id) {
    return QString::number(id);
}

QString Number(double v) {
    return QString::number(v, 'g', 12);
}

QLineEdit* NumberEdit(int id, double value, QWidget* parent) {
    auto* edit = new QLineEdit(Number(value), parent);
    edit->setObjectName(Id(id));
    static const QRegularExpression number(
        QStringLiteral("[-+]?[0-9]{0,15}([.,][0-9]{0,15})?([eE][-+]?[0-9]{0,3})?"));
    edit->setValidator(new QRegularExpressionValidator(number, edit));
    return edit;
}

QDoubleSpinBox* ShiftBox(int id, double value, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(Id(id));
    box->setRange(0.0, kPrintMaxShiftMm);
    box->setDecimals(1);
    box->setValue(std::isfinite(value) ? value : 0.0);
    return box;
}

}  // namespace

bool ParsePrintField(const QString& text, double& value) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    value = t.toDouble(&ok);
    return ok && std::isfinite(value);
}

CPrintSetupDlg::CPrintSetupDlg(const CPrintSettings& settings, CPrompter& prompter, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompter(prompter) {
    setObjectName(Id(150));
    setWindowTitle(QStringLiteral("Drukuj"));
    const CPrintSettings& s = settings;

    auto* area = new QGroupBox(this);
    auto* areaGrid = new QGridLayout(area);
    m_screen = new QRadioButton(QStringLiteral("Ekran"), area);
    m_screen->setObjectName(Id(printctl::kScreen));
    m_window = new QRadioButton(QStringLiteral("Okno"), area);
    m_window->setObjectName(Id(printctl::kWindow));
    (s.m_areaMode == 1 ? m_window : m_screen)->setChecked(true);
    const int ids[4] = {printctl::kX1, printctl::kY1, printctl::kX2, printctl::kY2};
    const double values[4] = {s.m_x1, s.m_y1, s.m_x2, s.m_y2};
    for (int i = 0; i < 4; ++i) {
        m_corner[i] = NumberEdit(ids[i], values[i], area);
    }
    auto* pick = new QPushButton(QStringLiteral("Wskaż"), area);
    pick->setObjectName(Id(printctl::kPick));
    m_pick = pick;
    areaGrid->addWidget(m_screen, 0, 0);
    areaGrid->addWidget(m_window, 1, 0);
    areaGrid->addWidget(new QLabel(QStringLiteral("lewy dolny róg"), area), 1, 1);
    areaGrid->addWidget(m_corner[0], 1, 2);
    areaGrid->addWidget(m_corner[1], 1, 3);
    areaGrid->addWidget(new QLabel(QStringLiteral("prawy górny róg"), area), 2, 1);
    areaGrid->addWidget(m_corner[2], 2, 2);
    areaGrid->addWidget(m_corner[3], 2, 3);
    areaGrid->addWidget(m_pick, 2, 4);

    auto* scale = new QGroupBox(this);
    auto* scaleGrid = new QGridLayout(scale);
    m_fit = new QCheckBox(QStringLiteral("dopasuj"), scale);
    m_fit->setObjectName(Id(printctl::kFit));
    m_fit->setChecked(s.m_fit != 0);
    m_mm = NumberEdit(printctl::kMm, s.m_mmOnPaper, scale);
    m_units = NumberEdit(printctl::kUnits, s.m_drawingUnits, scale);
    scaleGrid->addWidget(m_fit, 0, 0);
    scaleGrid->addWidget(m_mm, 1, 0);
    scaleGrid->addWidget(new QLabel(QStringLiteral("mm na wydruku  ="), scale), 1, 1);
    scaleGrid->addWidget(m_units, 1, 2);
    scaleGrid->addWidget(new QLabel(QStringLiteral("jednostek rysunku"), scale), 1, 3);

    auto* place = new QGroupBox(this);
    auto* placeGrid = new QGridLayout(place);
    m_centreH = new QCheckBox(QStringLiteral("centruj w poziomie"), place);
    m_centreH->setObjectName(Id(printctl::kCentreH));
    m_centreH->setChecked(s.m_centreH != 0);
    m_shiftRight = ShiftBox(printctl::kShiftRight, s.m_shiftRight, place);
    m_centreV = new QCheckBox(QStringLiteral("centruj w pionie"), place);
    m_centreV->setObjectName(Id(printctl::kCentreV));
    m_centreV->setChecked(s.m_centreV != 0);
    m_shiftDown = ShiftBox(printctl::kShiftDown, s.m_shiftDown, place);
    placeGrid->addWidget(m_centreH, 0, 0);
    placeGrid->addWidget(new QLabel(QStringLiteral("przesuń w prawo:"), place), 0, 1);
    placeGrid->addWidget(m_shiftRight, 0, 2);
    placeGrid->addWidget(m_centreV, 1, 0);
    placeGrid->addWidget(new QLabel(QStringLiteral("przesuń w dół:"), place), 1, 1);
    placeGrid->addWidget(m_shiftDown, 1, 2);

    auto* pen = new QGroupBox(this);
    auto* penGrid = new QGridLayout(pen);
    m_blackWhite = new QCheckBox(QStringLiteral("wydruk czarno-biały"), pen);
    m_blackWhite->setObjectName(Id(printctl::kBlackWhite));
    m_blackWhite->setChecked(s.m_blackWhite != 0);
    m_lineWidth = new QComboBox(pen);
    m_lineWidth->setObjectName(Id(printctl::kLineWidth));
    m_lineWidth->addItem(QStringLiteral("Auto"));
    for (int i = 1; i <= 8; ++i) {
        m_lineWidth->addItem(QString::number(i));
    }
    // No choice yet prints with the "Auto" pen, so the box says so instead of staying blank.
    m_lineWidth->setCurrentIndex(
        s.m_lineWidthIndex >= 0 && s.m_lineWidthIndex <= 8 ? s.m_lineWidthIndex : 0);
    penGrid->addWidget(m_blackWhite, 0, 0);
    penGrid->addWidget(new QLabel(QStringLiteral("szerokość linii:"), pen), 0, 1);
    penGrid->addWidget(m_lineWidth, 0, 2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Drukuj"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Przerwij"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    QPushButton* preview =
        buttons->addButton(QStringLiteral("Podgląd wydruku"), QDialogButtonBox::ActionRole);
    preview->setObjectName(Id(printctl::kPreview));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(area);
    layout->addWidget(scale);
    layout->addWidget(place);
    layout->addWidget(pen);
    layout->addWidget(buttons);

    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{m_screen, m_window, m_fit, m_centreH, m_centreV}) {
        connect(b, &QAbstractButton::toggled, this, &CPrintSetupDlg::UpdateEnabling);
    }
    connect(ok, &QPushButton::clicked, this, [this] { TryClose(kPrint); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_result = kCancelled;
        reject();
    });
    connect(preview, &QPushButton::clicked, this, [this] { TryClose(kPreview); });
    connect(pick, &QPushButton::clicked, this, [this] { TryClose(kPick); });
    UpdateEnabling();
}

QWidget* CPrintSetupDlg::Control(int id) const {
    return findChild<QWidget*>(Id(id));
}

void CPrintSetupDlg::UpdateEnabling() {
    const bool window = m_window->isChecked();
    for (QLineEdit* e : m_corner) {
        e->setEnabled(window);
    }
    m_pick->setEnabled(window);
    m_mm->setEnabled(!m_fit->isChecked());
    m_units->setEnabled(!m_fit->isChecked());
    m_shiftRight->setEnabled(!m_centreH->isChecked());
    m_shiftDown->setEnabled(!m_centreV->isChecked());
}

CPrintSettings CPrintSetupDlg::ReadFields() const {
    CPrintSettings s = m_settings;
    s.m_areaMode = m_window->isChecked() ? 1 : 0;
    double* corners[4] = {&s.m_x1, &s.m_y1, &s.m_x2, &s.m_y2};
    for (int i = 0; i < 4; ++i) {
        // What does not read as a number counts as 0, which the checks then refuse.
        if (!ParsePrintField(m_corner[i]->text(), *corners[i])) {
            *corners[i] = 0.0;
        }
    }
    s.m_fit = m_fit->isChecked() ? 1 : 0;
    if (!ParsePrintField(m_mm->text(), s.m_mmOnPaper)) {
        s.m_mmOnPaper = 0.0;
    }
    if (!ParsePrintField(m_units->text(), s.m_drawingUnits)) {
        s.m_drawingUnits = 0.0;
    }
    s.m_centreH = m_centreH->isChecked() ? 1 : 0;
    s.m_shiftRight = m_shiftRight->value();
    s.m_centreV = m_centreV->isChecked() ? 1 : 0;
    s.m_shiftDown = m_shiftDown->value();
    s.m_blackWhite = m_blackWhite->isChecked() ? 1 : 0;
    s.m_lineWidthIndex = m_lineWidth->currentIndex();
    return s;
}

void CPrintSetupDlg::TryClose(EResult result) {
    const CPrintSettings s = ReadFields();
    const SPrintCheck check = ValidatePrintSettings(s, result == kPick);
    if (!check.ok) {
        m_prompter.ShowMessage(check.message, CPrompter::EIcon::Warning);
        if (QWidget* w = Control(check.focusId)) {
            w->setFocus();
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                edit->selectAll();
            }
        }
        return;
    }
    m_settings = s;
    m_result = result;
    accept();
}
