#include "app/SurveyImportDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "exchange/PointListCsv.h"

namespace {

// The separators offered, in list order; 0 lets the reader find it.
constexpr char kSeparators[] = {0, ',', ';', '\t'};
const char* const kSeparatorNames[] = {"Wykryj z pliku", "Przecinek", "Średnik", "Tabulator"};
constexpr int kPreviewLines = 10;

}  // namespace

CGsiUnitDialog::CGsiUnitDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Jednostka GSI"));
    auto* layout = new QVBoxLayout(this);
    auto* mm = new QRadioButton(QStringLiteral("&Milimetry"), this);
    auto* m = new QRadioButton(QStringLiteral("M&etry"), this);
    mm->setObjectName(QStringLiteral("1"));
    m->setObjectName(QStringLiteral("2"));
    m_unit = new QButtonGroup(this);
    m_unit->addButton(mm, 0);
    m_unit->addButton(m, 1);
    (settings::ReadInt(settings::kGsiMetres, 0) != 0 ? m : mm)->setChecked(true);
    m_coordinates = new QCheckBox(
        QStringLiteral("&Współrzędne z instrumentu (81-83) zamiast pomiaru biegunowego"), this);
    m_coordinates->setObjectName(QStringLiteral("3"));
    m_coordinates->setChecked(settings::ReadInt(settings::kGsiCoordinates, 0) != 0);
    layout->addWidget(new QLabel(QStringLiteral("Jednostka współrzędnych punktów z plików GSI:")));
    layout->addWidget(mm);
    layout->addWidget(m);
    layout->addWidget(m_coordinates);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Tak"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CGsiUnitDialog::accept() {
    settings::WriteInt(settings::kGsiMetres, m_unit->checkedId() == 1 ? 1 : 0);
    settings::WriteInt(settings::kGsiCoordinates, m_coordinates->isChecked() ? 1 : 0);
    QDialog::accept();
}

SImportOptions ImportOptionsFromSettings() {
    SImportOptions options;
    options.gsiMetres = settings::ReadInt(settings::kGsiMetres, 0) != 0;
    options.gsiCoordinates = settings::ReadInt(settings::kGsiCoordinates, 0) != 0;
    return options;
}

CPointListDialog::CPointListDialog(const QStringList& lines, QWidget* parent)
    : QDialog(parent), m_lines(lines) {
    setWindowTitle(QStringLiteral("Punkty z pliku CSV"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_separator = new QComboBox(this);
    m_separator->setObjectName(QStringLiteral("1"));
    const int stored = settings::ReadInt(settings::kCsvSeparator, 0);
    for (int i = 0; i < 4; ++i) {
        m_separator->addItem(QString::fromUtf8(kSeparatorNames[i]));
        if (kSeparators[i] == stored) {
            m_separator->setCurrentIndex(i);
        }
    }
    m_columns = new QComboBox(this);
    m_columns->setObjectName(QStringLiteral("2"));
    m_columns->setEditable(true);
    m_columns->addItems({QStringLiteral("NXYZC"), QStringLiteral("NYXZC"), QStringLiteral("XYZ"),
                         QStringLiteral("YXZ"), QStringLiteral("NXYZ"), QStringLiteral("NYXZ")});
    m_columns->setCurrentText(settings::ReadString(settings::kCsvColumns, QStringLiteral("NXYZC")));
    form->addRow(QStringLiteral("&Separator:"), m_separator);
    form->addRow(QStringLiteral("&Kolejność kolumn (N nazwa, X, Y, Z, C kod, - pomiń):"),
                 m_columns);
    layout->addLayout(form);
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("3"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_preview);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Tak"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_separator, &QComboBox::currentIndexChanged, this, [this] { Refill(); });
    connect(m_columns, &QComboBox::currentTextChanged, this, [this] { Refill(); });
    resize(640, 360);
    Refill();
}

char CPointListDialog::Separator() const {
    const int i = m_separator->currentIndex();
    return i >= 0 && i < 4 ? kSeparators[i] : 0;
}

QString CPointListDialog::Columns() const {
    return m_columns->currentText().trimmed().toUpper();
}

// The preview: the lines split as the reader will split them, the columns named by the order.
void CPointListDialog::Refill() {
    char sep = Separator();
    if (sep == 0) {
        // What the reader would find from these lines.
        std::string text;
        for (const QString& l : m_lines) {
            text += l.toStdString() + "\n";
        }
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                             text.size());
        SPointListLayout found;
        std::string reason;
        SImportOptions none;
        sep = FindPointListLayout(SImportSource::Memory(bytes, "preview"), none, found, reason)
                  ? found.separator
                  : ',';
    }
    std::vector<std::string> fields;
    int columns = 0;
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < m_lines.size() && i < kPreviewLines; ++i) {
        SplitPointFields(m_lines[i].toStdString(), sep, fields, 32);
        columns = std::max(columns, static_cast<int>(fields.size()));
        rows.push_back(fields);
    }
    m_preview->clear();
    m_preview->setRowCount(static_cast<int>(rows.size()));
    m_preview->setColumnCount(columns);
    const QString order = Columns();
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        const QChar letter = c < order.size() ? order[c] : QChar('-');
        headers.append(letter == 'N'                                     ? QStringLiteral("Nazwa")
                       : letter == 'C'                                   ? QStringLiteral("Kod")
                       : letter == 'X' || letter == 'Y' || letter == 'Z' ? QString(letter)
                                                                         : QStringLiteral("-"));
    }
    m_preview->setHorizontalHeaderLabels(headers);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            m_preview->setItem(static_cast<int>(r), static_cast<int>(c),
                               new QTableWidgetItem(QString::fromStdString(rows[r][c])));
        }
    }
}

void CPointListDialog::accept() {
    std::string problem;
    if (!CheckPointColumns(Columns().toStdString(), problem)) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Niepoprawna kolejność kolumn: X, Y i Z po jednym "
                                            "razie, N i C najwyżej po jednym."));
        return;
    }
    settings::WriteInt(settings::kCsvSeparator, Separator());
    settings::WriteString(settings::kCsvColumns, Columns());
    QDialog::accept();
}
